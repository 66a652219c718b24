#include "engine/AtomicFile.h"

#include "platform/CurrentDir.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qb::engine {
bool WriteFileAtomically(const std::string& path, const std::string& contents)
{
    const std::string host = qb::platform::ResolveHostPath(path);
    if (host.empty() || host.back() == '/')
        return false;
    struct stat st {};
    if (::stat(host.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return false;  // never replace a folder or a device

    std::string temp = host + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    // Keep the rights an existing file had; a new one gets what the user's umask allows.
    mode_t mode;
    if (::stat(host.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0;
    ok = ok && qb::platform::WriteAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), host.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

}  // namespace qb::engine
