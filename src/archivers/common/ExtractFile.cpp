#include "ExtractFile.h"

#include "AtomicOutput.h"
#include "ErrorCodes.h"
#include "Paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qb::arc {

mode_t ReadUmask()
{
    mode_t bits = umask(022);
    umask(bits);
    return bits;
}

int ExtractFile::Begin(const std::string& hostPath)
{
    Discard();
    m_target = hostPath;
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
