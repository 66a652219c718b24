#include "platform/FileSystem.h"

#include "platform/CurrentDir.h"
#include "platform/Drives.h"
#include "platform/InstallLayout.h"
#include "platform/PathText.h"
#include "platform/Utf8.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace qb::platform {
namespace {

bool StatHost(const std::string& host, struct stat& st)
{
    return !host.empty() && ::stat(host.c_str(), &st) == 0;
}

// Case-blind ordering that stays total: ties broken by the bytes.
bool NameLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const Utf8Char ca = DecodeUtf8(a, i);
        const Utf8Char cb = DecodeUtf8(b, j);
        const char32_t la = ca.valid ? LowerChar(ca.code) : ca.code;
        const char32_t lb = cb.valid ? LowerChar(cb.code) : cb.code;
        if (la != lb)
            return la < lb;
        i += ca.length;
        j += cb.length;
    }
    if ((i < a.size()) != (j < b.size()))
        return j < b.size();
    return a < b;
}

std::optional<std::uint64_t> AvailableBytes(const std::string& host)
{
    struct statvfs vfs { };
    if (host.empty() || ::statvfs(host.c_str(), &vfs) != 0)
        return std::nullopt;
    const unsigned __int128 bytes =
        static_cast<unsigned __int128>(vfs.f_bavail) * static_cast<unsigned __int128>(vfs.f_frsize);
    const unsigned __int128 limit = UINT64_MAX;
    return static_cast<std::uint64_t>(bytes > limit ? limit : bytes);
}

}  // namespace

std::optional<std::string> FindEntryName(std::string_view path)
{
    if (path.empty() || path.back() == '\\' || path.back() == '/')
        return std::nullopt;
    const std::string host = ResolveHostPath(path);
    if (host.empty() || host == "/")
        return std::nullopt;
    struct stat st { };
    if (::lstat(host.c_str(), &st) != 0)
        return std::nullopt;
    // A drive root has no entry of its own in a folder.
    for (const DriveMapping& d : Drives())
        if (d.root == host)
            return std::nullopt;
    const std::string name = host.substr(host.find_last_of('/') + 1);
    if (!IsDrivePathComponent(name))
        return std::nullopt;
    return name;
}

std::vector<DirEntry> ListFolder(std::string_view path)
{
    std::vector<DirEntry> entries;
    const std::string host = ResolveHostPath(path);
    if (host.empty())
        return entries;
    DIR* handle = ::opendir(host.c_str());
    if (!handle)
        return entries;
    while (const dirent* entry = ::readdir(handle)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !IsDrivePathComponent(name))
            continue;
        struct stat st { };
        const bool folder = ::stat(JoinHost(host, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back({name, folder, name[0] == '.'});
    }
    ::closedir(handle);
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return NameLess(a.name, b.name); });
    return entries;
}

std::optional<std::uint64_t> FreeBytes(std::string_view path)
{
    const std::string host = ResolveHostPath(path);
    if (host.empty())
        return std::nullopt;
    struct stat st { };
    if (StatHost(host, st) && S_ISDIR(st.st_mode)) {
        if (auto bytes = AvailableBytes(host))
            return bytes;
    }
    // The folder does not exist (yet): its drive will receive what is written there.
    const std::string drive =
        HasDriveLetter(path) ? std::string(path.substr(0, 1)) : ToDrivePath(host);
    if (drive.empty())
        return std::nullopt;
    return AvailableBytes(DriveRoot(drive[0]));
}

bool IsFolder(std::string_view path)
{
    struct stat st { };
    return StatHost(ResolveHostPath(path), st) && S_ISDIR(st.st_mode);
}

bool CanEnterFolder(std::string_view path)
{
    const std::string host = ResolveHostPath(path);
    struct stat st { };
    return StatHost(host, st) && S_ISDIR(st.st_mode) && ::access(host.c_str(), X_OK) == 0;
}

int FolderWriteError(std::string_view path)
{
    const std::string host = ResolveHostPath(path);
    struct stat st { };
    if (host.empty())
        return ENOENT;
    if (::stat(host.c_str(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    // Creating a file takes both: the right to write the folder and to enter it.
    return ::access(host.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

bool IsReadableFile(std::string_view path)
{
    const std::string host = ResolveHostPath(path);
    if (host.empty())
        return false;
    const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st { };
    const bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return ok;
}

bool MakeFolder(std::string_view path)
{
    const std::string host = ResolveHostPath(path);
    return !host.empty() && ::mkdir(host.c_str(), 0777) == 0;
}

bool RemoveFile(std::string_view path)
{
    const std::string host = ResolveHostPath(path);
    struct stat st { };
    if (host.empty() || ::lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlink(host.c_str()) == 0;
}

std::string TempFolder()
{
    const char* env = std::getenv("TMPDIR");
    std::string drive;
    if (env && env[0] == '/')
        drive = ToDrivePath(env);
    if (drive.empty())
        drive = ToDrivePath("/tmp");
    if (drive.empty())
        return {};
    if (drive.back() != '\\')
        drive += '\\';
    return drive;
}

std::string SystemFolder()
{
    const std::string host = SystemFolderHost();
    if (host.empty())
        return {};
    std::string drive = ToDrivePath(host);
    // A drive table that leaves out the program's own folder (C: = /srv/data) must not make
    // the modules vanish: the host path still loads them.
    if (drive.empty())
        return CleanHostPath(host);
    if (drive.size() > 3 && drive.back() == '\\')
        drive.pop_back();
    return drive;
}

bool WriteAll(int fd, std::string_view data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReplaceFileAtomically(const std::string& hostPath, std::string_view contents,
                           std::optional<unsigned> mode)
{
    if (hostPath.empty() || hostPath.back() == '/')
        return false;
    struct stat st { };
    const bool exists = ::stat(hostPath.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return false;  // never replace a folder or a device
    if (!mode) {
        if (exists) {
            mode = st.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
    }
    const std::size_t slash = hostPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : hostPath.substr(0, slash);
    const std::string name = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
    std::string temp = folder + "/." + name + ".tmpXXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok =
        ::fchmod(fd, static_cast<mode_t>(*mode)) == 0 && WriteAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), hostPath.c_str()) == 0;
    if (!ok) {
        // The caller may report why; removing the temporary file must not change that.
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
        return false;
    }
    // The rename itself reaches the disk only with its folder.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

std::optional<std::string> ReadRegularFile(const std::string& hostPath, std::uint64_t maxBytes)
{
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st { };
    std::string bytes;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::uint64_t>(st.st_size) <= maxBytes;
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        ok = bytes.size() <= maxBytes;
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return bytes;
}

std::string WorkingFolderHostPath()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

}  // namespace qb::platform
