#include "Sandbox.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace qb::arctest {

Sandbox::Sandbox()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/qbarc-test-XXXXXX";
    std::vector<char> buffer(templ.begin(), templ.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("cannot make a sandbox folder");
    root_ = buffer.data();
}

Sandbox::~Sandbox()
{
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string Sandbox::Write(const std::string& relative, const std::string& content) const
{
    std::string path = Path(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return path;
}

std::string Sandbox::MakeFolder(const std::string& relative) const
{
    std::string path = Path(relative);
    std::filesystem::create_directories(path);
    return path;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> FolderNames(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* d = readdir(dir))
            if (std::string(d->d_name) != "." && std::string(d->d_name) != "..")
                names.emplace_back(d->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

int RunShell(const std::string& command, std::string* output)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ScopedCwd::ScopedCwd(const std::string& folder)
{
    char buffer[PATH_MAX];
    previous_ = getcwd(buffer, sizeof buffer) ? buffer : "/";
    if (chdir(folder.c_str()) != 0)
        throw std::runtime_error("cannot enter " + folder);
}

ScopedCwd::~ScopedCwd()
{
    if (chdir(previous_.c_str()) != 0)
        std::perror("chdir back");
}

}  // namespace qb::arctest
