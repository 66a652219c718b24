#include "LongPath.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace qb::arc {

int OpenLongPath(const std::string& path, int flags)
{
    // Short paths, the usual case, go straight through.
    constexpr std::size_t kPiece = PATH_MAX - 256;
    if (path.size() < kPiece)
        return open(path.c_str(), flags | O_CLOEXEC, 0600);
    int base = AT_FDCWD;
    std::size_t pos = 0;
    if (path[0] == '/') {
        base = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (base < 0)
            return -1;
        pos = 1;
    }
    while (path.size() - pos >= kPiece) {
        // Cut after the last separator that keeps the piece short; a component is at most
        // NAME_MAX bytes, so there always is one.
        std::size_t cut = path.rfind('/', pos + kPiece);
        if (cut == std::string::npos || cut <= pos) {
            if (base != AT_FDCWD)
                close(base);
            errno = ENAMETOOLONG;
            return -1;
        }
        std::string piece = path.substr(pos, cut - pos);
        int next = openat(base, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        int err = errno;
        if (base != AT_FDCWD)
            close(base);
        if (next < 0) {
            errno = err;
            return -1;
        }
        base = next;
        pos = cut + 1;
    }
    int fd = openat(base, path.c_str() + pos, flags | O_CLOEXEC, 0600);
    int err = errno;
    if (base != AT_FDCWD)
        close(base);
    errno = err;
    return fd;
}

}  // namespace qb::arc
