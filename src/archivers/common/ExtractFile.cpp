#include "ExtractFile.h"

#include "AtomicOutput.h"
#include "ErrorCodes.h"
#include "Paths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace qb::arc {

mode_t ReadUmask()
{
    mode_t bits = umask(022);
    umask(bits);
    return bits;
}

namespace {

std::atomic<bool> namedOnly{false};

// Linking an unnamed file into place goes through its /proc/self/fd entry (AT_EMPTY_PATH needs a
// privilege); without /proc every file takes the named way.
bool CanLinkUnnamed()
{
    static const bool usable = access("/proc/self/fd", X_OK) == 0;
    return usable;
}

std::string FdPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

void UseNamedTempFilesOnly(bool on)
{
    namedOnly.store(on, std::memory_order_relaxed);
}

int ExtractFile::Begin(const std::string& hostPath)
{
    Discard();
    m_target = hostPath;
    m_unnamed = false;
    if (CanLinkUnnamed() && !namedOnly.load(std::memory_order_relaxed)) {
        m_fd = open(ParentFolder(hostPath).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            m_unnamed = true;
            return ARC_OK;
        }
        // File systems without unnamed files refuse in one of these ways; any other failure is
        // the folder's, and the named way would meet it too.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return ResultFromErrno(errno, ErrorSide::Destination, ARC_ERROR_TEMP_FILE);
    }
    m_fd = MakeLockedTemp(ParentFolder(hostPath), BaseName(hostPath), m_temp);
    if (m_fd < 0) {
        int err = errno;
        m_temp.clear();
        return ResultFromErrno(err, ErrorSide::Destination, ARC_ERROR_TEMP_FILE);
    }
    return ARC_OK;
}

int ExtractFile::Write(const void* data, std::size_t size)
{
    return WriteAll(m_fd, data, size);
}

int ExtractFile::Commit(std::optional<mode_t> mode, const struct timespec& mtime, mode_t umaskBits)
{
    if (m_fd < 0)
        return ARC_ERROR_INTERNAL;
    if (!mode) {
        struct stat old { };
        mode = stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode) ? old.st_mode & 0777
                                                                         : 0666 & ~umaskBits;
    }
    const struct timespec times[2] = {mtime, mtime};
    int err = 0;
    if (fchmod(m_fd, *mode) != 0 || futimens(m_fd, times) != 0)
        err = errno;
    if (err == 0 && m_unnamed) {
        // A new file is linked into place under its name and nothing else: no temporary name,
        // lock or rename. A name there already (a file to replace, a link, a folder) makes it
        // take the named way below.
        if (linkat(AT_FDCWD, FdPath(m_fd).c_str(), AT_FDCWD, m_target.c_str(), AT_SYMLINK_FOLLOW) ==
            0) {
            if (close(m_fd) != 0)
                err = errno;
            m_fd = -1;
            if (err != 0) {
                // The data may not be all there: the file must not stay under the real name.
                unlink(m_target.c_str());
                return ResultFromErrno(err, ErrorSide::Destination, ARC_ERROR_WRITE);
            }
            return ARC_OK;
        }
        if (errno != EEXIST)
            err = errno;
        else if (flock(m_fd, LOCK_EX) != 0 && errno != ENOLCK && errno != EOPNOTSUPP)
            err = errno;
        else
            err = LinkLockedTemp(m_fd, ParentFolder(m_target), BaseName(m_target), m_temp);
    }
    // The close may report a write error that some file systems keep for it (NFS), so it
    // comes before the rename; a second descriptor keeps the lock until the file is in place,
    // so that a cleaning call never finds it unlocked under the temporary name.
    const int keeper = fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
    if (close(m_fd) != 0 && err == 0)
        err = errno;
    m_fd = keeper;
    if (err == 0 && rename(m_temp.c_str(), m_target.c_str()) != 0)
        err = errno;
    if (err != 0) {
        Discard();
        if (err == EISDIR || err == ENOTEMPTY || err == EEXIST)
            return kFolderInTheWay;
        return ResultFromErrno(err, ErrorSide::Destination, ARC_ERROR_WRITE);
    }
    m_temp.clear();
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    return ARC_OK;
}

void ExtractFile::Discard()
{
    // Removed before its lock goes, so that a cleaning call never finds it unlocked.
    if (!m_temp.empty()) {
        unlink(m_temp.c_str());
        m_temp.clear();
    }
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

}  // namespace qb::arc
