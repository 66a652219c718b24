#include "AtomicOutput.h"

#include "ErrorCodes.h"
#include "Paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace qb::arc {
namespace {

constexpr const char* kTempSuffix = ".qbtmp";

// True for the names MakeLockedTemp gives: ".<name>.XXXXXX.qbtmp".
bool IsOurTempName(const std::string& name)
{
    const size_t suffix = std::strlen(kTempSuffix);
    if (name.size() < 1 + 1 + 7 + suffix || name[0] != '.' ||
        name.compare(name.size() - suffix, suffix, kTempSuffix) != 0)
        return false;
    size_t dot = name.size() - suffix - 7;
    if (name[dot] != '.')
        return false;
    for (size_t i = dot + 1; i < dot + 7; ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

bool IsFolder(const std::string& path, struct stat& info)
{
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

mode_t NewFileMode(const std::string& target)
{
    struct stat info { };
    if (stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    mode_t mask = umask(022);
    umask(mask);
    // A folder that only its owner may enter keeps private things (the program's run folder
    // holds the stored copy of sources that may be private): a new archive made there is the
    // owner's alone as well, so that it stays private wherever it is moved or linked.
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : target.substr(0, slash);
    if (stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & 077) == 0)
        return 0600 & ~mask;
    return 0666 & ~mask;
}

int SyncFolder(const std::string& folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    return err;
}

// "<folder>/.<base>.XXXXXX.qbtmp", the base cut short where a name near the longest a folder
// allows would leave no room for ours (cut at a character, not inside one).
std::string TempTemplate(const std::string& folder, const std::string& base)
{
    const size_t room = NAME_MAX - (1 + 7 + std::strlen(kTempSuffix));
    size_t keep = base.size();
    if (keep > room) {
        keep = room;
        while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80)
            --keep;
    }
    return (folder == "/" ? "" : folder) + "/." + base.substr(0, keep) + ".XXXXXX" + kTempSuffix;
}

}  // namespace

int MakeLockedTemp(const std::string& folder, const std::string& base, std::string& path)
{
    const std::string templ = TempTemplate(folder, base);
    std::vector<char> buffer(templ.size() + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::copy(templ.begin(), templ.end(), buffer.begin());
        buffer.back() = '\0';
        int fd = mkostemps(buffer.data(), static_cast<int>(std::strlen(kTempSuffix)), O_CLOEXEC);
        if (fd < 0)
            return -1;
        // Between making and locking, a cleaning call may have taken the file for a leftover
        // and removed it (it removes only while it holds the lock, so then the file has no name
        // left): we start again. A file system without flock leaves the file unlocked, and no
        // cleaning call can lock it either.
        struct stat own { };
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            close(fd);
            continue;
        }
        if (fstat(fd, &own) == 0 && own.st_nlink > 0) {
            path.assign(buffer.data());
            return fd;
        }
        close(fd);
    }
    errno = EEXIST;
    return -1;
}

int LinkLockedTemp(int fd, const std::string& folder, const std::string& base, std::string& path)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::string templ = TempTemplate(folder, base);
    const size_t at = templ.size() - std::strlen(kTempSuffix) - 6;
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
            return errno != 0 ? errno : EIO;
        std::string name = templ;
        for (size_t i = 0; i < sizeof random; ++i)
            name[at + i] = kLetters[random[i] % (sizeof kLetters - 1)];
        if (linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            path = std::move(name);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

void RemoveDeadTempFilesFor(const std::string& target, const std::string& workFolder)
{
    std::string targetFolder = ParentFolder(target);
    RemoveDeadTempFiles(targetFolder);
    struct stat a { };
    struct stat b { };
    if (!workFolder.empty() && stat(workFolder.c_str(), &a) == 0 &&
        stat(targetFolder.c_str(), &b) == 0 && (a.st_dev != b.st_dev || a.st_ino != b.st_ino))
        RemoveDeadTempFiles(workFolder);
}

size_t RemoveDeadTempFiles(const std::string& folder)
{
    int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        close(dirFd);
        return 0;
    }
    std::vector<std::string> names;
    while (dirent* d = readdir(dir))
        if (IsOurTempName(d->d_name))
            names.emplace_back(d->d_name);
    size_t removed = 0;
    for (const std::string& name : names) {
        int fd = openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat own { };
        struct stat named { };
        // A file that someone holds locked belongs to a living call; ours only, and files only.
        if (fstat(fd, &own) == 0 && S_ISREG(own.st_mode) && own.st_uid == geteuid() &&
            flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == own.st_ino && named.st_dev == own.st_dev &&
            unlinkat(dirFd, name.c_str(), 0) == 0)
            ++removed;
        close(fd);
    }
    closedir(dir);
    return removed;
}

int WriteAll(int fd, const void* data, size_t size)
{
    // In pieces of at most 256 KiB: one write of several MiB costs the kernel five times the
    // system time of the same bytes in such pieces (measured on ext4, Linux 6).
    constexpr size_t kPiece = 256u << 10;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, std::min(size, kPiece));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

ssize_t ReadFullAt(int fd, void* data, size_t size, uint64_t offset)
{
    char* p = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = pread(fd, p + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

AtomicOutput::~AtomicOutput()
{
    Discard();
}

int AtomicOutput::Begin(const std::string& target, const std::string& workFolder)
{
    Discard();
    target_ = target;
    std::string targetFolder = ParentFolder(target);
    struct stat targetInfo { };
    if (!IsFolder(targetFolder, targetInfo))
        return ARC_ERROR_FOLDER_MISSING;
    // Checked first so that a read-only destination is reported before any work is done.
    if (access(targetFolder.c_str(), W_OK) != 0)
        return ResultFromErrno(errno, ErrorSide::Destination, ARC_ERROR_WRITE);

    std::string base = BaseName(target);
    struct stat workInfo { };
    if (!workFolder.empty() && IsFolder(workFolder, workInfo)) {
        fd_ = MakeLockedTemp(workFolder, base, tempPath_);
        if (fd_ >= 0) {
            crossDevice_ = workInfo.st_dev != targetInfo.st_dev;
            return ARC_OK;
        }
    }
    fd_ = MakeLockedTemp(targetFolder, base, tempPath_);
    if (fd_ < 0) {
        tempPath_.clear();
        return ResultFromErrno(errno, ErrorSide::Destination, ARC_ERROR_TEMP_FILE);
    }
    crossDevice_ = false;
    return ARC_OK;
}

int AtomicOutput::CopyBesideTarget(std::string& besidePath, int& besideFd)
{
    int in = open(tempPath_.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return ResultFromErrno(errno, ErrorSide::Source, ARC_ERROR_WRITE);
    int out = MakeLockedTemp(ParentFolder(target_), BaseName(target_), besidePath);
    if (out < 0) {
        int err = errno;
        close(in);
        return ResultFromErrno(err, ErrorSide::Destination, ARC_ERROR_TEMP_FILE);
    }
    std::vector<char> buffer(1 << 20);
    int err = 0;
    for (;;) {
        ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            err = errno;
            break;
        }
        if (n == 0)
            break;
        if ((err = WriteAll(out, buffer.data(), static_cast<size_t>(n))) != 0)
            break;
    }
    if (err == 0 && fsync(out) != 0)
        err = errno;
    if (err == 0 && fchmod(out, NewFileMode(target_)) != 0)
        err = errno;
    close(in);
    if (err != 0) {
        unlink(besidePath.c_str());
        close(out);
        besidePath.clear();
        return ResultFromErrno(err, ErrorSide::Destination, ARC_ERROR_WRITE);
    }
    besideFd = out;  // still locked: closed only once it is in place
    return ARC_OK;
}

int AtomicOutput::Commit(bool sync)
{
    if (tempPath_.empty())
        return ARC_ERROR_INTERNAL;
    // Our descriptor still names the file unless a writer replaced it by rename; then the file
    // is reopened by name. Our own descriptor stays open, and its lock held, until the file is
    // in place, so that no other call takes it for a leftover.
    int fd = fd_;
    struct stat own { };
    struct stat named { };
    if (fd_ < 0 || fstat(fd_, &own) != 0 || stat(tempPath_.c_str(), &named) != 0 ||
        own.st_ino != named.st_ino || own.st_dev != named.st_dev)
        fd = open(tempPath_.c_str(), O_RDONLY | O_CLOEXEC);
    int err = fd < 0 ? errno : 0;
    if (err == 0 && sync && fsync(fd) != 0)
        err = errno;
    if (err == 0 && fchmod(fd, NewFileMode(target_)) != 0)
        err = errno;
    if (fd >= 0 && fd != fd_)
        close(fd);
    if (err != 0) {
        Discard();
        return ResultFromErrno(err, ErrorSide::Destination, ARC_ERROR_WRITE);
    }

    std::string source = tempPath_;
    std::string beside;
    int besideFd = -1;
    if (crossDevice_) {
        int result = CopyBesideTarget(beside, besideFd);
        if (result != ARC_OK) {
            Discard();
            return result;
        }
        source = beside;
    }
    if (rename(source.c_str(), target_.c_str()) != 0) {
        err = errno;
        if (!beside.empty())
            unlink(beside.c_str());
        if (besideFd >= 0)
            close(besideFd);
        Discard();
        return ResultFromErrno(err, ErrorSide::Destination, ARC_ERROR_WRITE);
    }
    if (besideFd >= 0)
        close(besideFd);
    if (crossDevice_)
        unlink(tempPath_.c_str());
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    tempPath_.clear();
    // The new file is complete and in place; a folder that cannot be synced changes nothing.
    if (sync)
        SyncFolder(ParentFolder(target_));
    return ARC_OK;
}

void AtomicOutput::Discard()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

}  // namespace qb::arc
