#include "Paths.h"

#include "platform/Drives.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

namespace qb::arc {

bool HasDriveLetter(std::string_view path)
{
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string ResolveArgumentPath(std::string_view arg)
{
    if (HasDriveLetter(arg) || (!arg.empty() && arg[0] == '/'))
        return platform::ToHostPath(arg);
    char buffer[PATH_MAX];
    std::string cwd = getcwd(buffer, sizeof buffer) ? buffer : ".";
    if (!arg.empty() && arg[0] == '\\') {
        // A path from the root without a drive means the root of the working directory's drive,
        // as on Windows; the host root only when no drive covers the working directory.
        std::string driveCwd = platform::ToDrivePath(cwd);
        if (driveCwd.size() >= 2)
            return platform::ToHostPath(driveCwd.substr(0, 2) + std::string(arg));
        std::string rooted(arg);
        std::replace(rooted.begin(), rooted.end(), '\\', '/');
        return platform::ToHostPath(rooted);
    }
    // Through the drive form of the working directory, so that the drive table resolves the
    // components without regard to case, as for any drive path.
    std::string driveCwd = platform::ToDrivePath(cwd);
    if (!driveCwd.empty()) {
        std::string drivePath = driveCwd;
        if (drivePath.back() != '\\')
            drivePath.push_back('\\');
        drivePath.append(arg);
        std::string host = platform::ToHostPath(drivePath);
        if (!host.empty())
            return host;
    }
    std::string relative(arg);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return cwd == "/" ? "/" + relative : cwd + "/" + relative;
}

std::string ParentFolder(const std::string& hostPath)
{
    size_t slash = hostPath.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return hostPath.substr(0, slash);
}

std::string BaseName(const std::string& hostPath)
{
    size_t slash = hostPath.rfind('/');
    return slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
}

}  // namespace qb::arc
