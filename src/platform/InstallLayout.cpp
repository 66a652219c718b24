#include "platform/InstallLayout.h"

#include "platform/InstallPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace qb::platform {
namespace {

bool IsFolder(const std::string& host)
{
    struct stat st { };
    return !host.empty() && ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string ProgramFolderHost()
{
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return {};
    const std::string self(exe, static_cast<std::size_t>(n));
    const std::size_t slash = self.find_last_of('/');
    return slash == 0 ? std::string("/") : self.substr(0, slash);
}

std::string SystemFolderHost()
{
    if (const char* env = std::getenv("QUILLBOX2_SYSTEM_DIR"); env && env[0] == '/')
        return env;
    const std::string program = ProgramFolderHost();
    if (program.empty())
        return {};
    if (const std::string installed = program + "/" QB_BIN_TO_SYSTEM_DIR; IsFolder(installed))
        return installed;
    if (const std::string beside = program + "/system"; IsFolder(beside))
        return beside;
    return {};
}

std::string DataFolderHost()
{
    const std::string program = ProgramFolderHost();
    const std::string data = program + "/" QB_BIN_TO_DATA_DIR;
    return !program.empty() && IsFolder(data) ? data : std::string();
}

}  // namespace qb::platform
