#include "SafePath.h"

#include "ErrorCodes.h"
#include "Paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace qb::arc {
namespace {

// The real path of an existing path, "" when it cannot be resolved.
std::string RealPath(const std::string& path)
{
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

bool IsInside(const std::string& path, const std::string& root)
{
    if (root == "/")
        return true;
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0
                            && path[root.size()] == '/');
}

}  // namespace

bool CleanMemberName(std::string_view member, std::string& cleaned)
{
    cleaned.clear();
    if (member.empty() || member.find('\0') != std::string_view::npos)
        return false;
    if (member[0] == '/' || member[0] == '\\' || HasDriveLetter(member))
        return false;
    size_t pos = 0;
    while (pos <= member.size()) {
        size_t end = member.find_first_of("/\\", pos);
        if (end == std::string_view::npos)
            end = member.size();
        std::string_view comp = member.substr(pos, end - pos);
        if (comp == "..")
            return false;
        if (!comp.empty() && comp != ".") {
            if (!cleaned.empty())
                cleaned.push_back('/');
            cleaned.append(comp);
        }
        pos = end + 1;
    }
    return !cleaned.empty();
}

int PrepareExtractPath(const std::string& folder, std::string_view member, std::string& hostPath)
{
    std::string cleaned;
    if (!CleanMemberName(member, cleaned))
        return ARC_ERROR_UNSAFE_PATH;
    std::string root = RealPath(folder);
    if (root.empty())
        return ARC_ERROR_FOLDER_MISSING;

    std::string current = root;
    size_t pos = 0;
    for (;;) {
        size_t end = cleaned.find('/', pos);
        std::string comp = cleaned.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        std::string next = current == "/" ? "/" + comp : current + "/" + comp;
        if (end == std::string::npos) {
            hostPath = next;
            return ARC_OK;
        }
        struct stat info {};
        if (lstat(next.c_str(), &info) != 0) {
            if (mkdir(next.c_str(), 0777) != 0 && errno != EEXIST)
                return ResultFromErrno(errno, ErrorSide::Destination, ARC_ERROR_WRITE);
        } else if (S_ISLNK(info.st_mode)) {
            // A link inside the folder is followed only when it stays inside the folder.
            std::string real = RealPath(next);
            struct stat target {};
            if (real.empty() || !IsInside(real, root) || stat(real.c_str(), &target) != 0
                || !S_ISDIR(target.st_mode))
                return ARC_ERROR_UNSAFE_PATH;
            next = real;
        } else if (!S_ISDIR(info.st_mode)) {
            // A file stands where a folder is needed: the member cannot be placed.
            return ARC_ERROR_WRITE;
        }
        current = next;
        pos = end + 1;
    }
}

}  // namespace qb::arc
