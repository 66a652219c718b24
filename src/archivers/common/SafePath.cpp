#include "SafePath.h"

#include "AtomicOutput.h"
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
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                            path[root.size()] == '/');
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
    ExtractPaths paths(folder, false);
    return paths.Prepare(member, hostPath);
}

int ExtractPaths::Prepare(std::string_view member, std::string& hostPath)
{
    std::string cleaned;
    if (!CleanMemberName(member, cleaned))
        return ARC_ERROR_UNSAFE_PATH;
    if (m_root.empty()) {
        m_root = RealPath(m_folder);
        if (m_root.empty())
            return ARC_ERROR_FOLDER_MISSING;
        Sweep(m_root);
    }
    size_t slash = cleaned.rfind('/');
    std::string folder = m_root;
    if (slash != std::string::npos) {
        if (int rc = Folder(cleaned.substr(0, slash), folder))
            return rc;
    }
    hostPath = (folder == "/" ? "" : folder) + "/" +
               cleaned.substr(slash == std::string::npos ? 0 : slash + 1);
    return ARC_OK;
}

// The host path of a folder below the root (relative: cleaned, '/'-separated), made when
// missing. A link on the way is followed only when it stays inside the root.
int ExtractPaths::Folder(const std::string& relative, std::string& host)
{
    if (auto it = m_checked.find(relative); it != m_checked.end()) {
        host = it->second;
        return ARC_OK;
    }
    size_t slash = relative.rfind('/');
    std::string parent = m_root;
    if (slash != std::string::npos) {
        if (int rc = Folder(relative.substr(0, slash), parent))
            return rc;
    }
    std::string comp = relative.substr(slash == std::string::npos ? 0 : slash + 1);
    std::string next = parent == "/" ? "/" + comp : parent + "/" + comp;
    struct stat info { };
    bool made = false;
    if (lstat(next.c_str(), &info) != 0) {
        made = mkdir(next.c_str(), 0777) == 0;
        if (!made) {
            if (errno != EEXIST)
                return ResultFromErrno(errno, ErrorSide::Destination, ARC_ERROR_WRITE);
            // Made by someone else just now: only a real folder will do.
            if (lstat(next.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
                return ARC_ERROR_WRITE;
        }
    } else if (S_ISLNK(info.st_mode)) {
        // A link inside the folder is followed only when it stays inside the folder.
        std::string real = RealPath(next);
        struct stat target { };
        if (real.empty() || !IsInside(real, m_root) || stat(real.c_str(), &target) != 0 ||
            !S_ISDIR(target.st_mode))
            return ARC_ERROR_UNSAFE_PATH;
        next = real;
    } else if (!S_ISDIR(info.st_mode)) {
        // A file stands where a folder is needed: the member cannot be placed.
        return ARC_ERROR_WRITE;
    }
    if (!made)
        Sweep(next);
    m_checked.emplace(relative, next);
    host = next;
    return ARC_OK;
}

void ExtractPaths::Sweep(const std::string& host) const
{
    if (m_sweep)
        RemoveDeadTempFiles(host);
}

}  // namespace qb::arc
