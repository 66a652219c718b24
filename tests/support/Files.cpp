#include "support/Files.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace qbtest {

TempFolder::TempFolder(const std::string& prefix)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("cannot make a temporary folder in " + templ);
    m_root = templ;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(m_root, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_root, ec);
}

std::string TempFolder::Write(const std::string& relative, const std::string& content) const
{
    const std::string path = Path(relative);
    WriteFile(path, content);
    return path;
}

std::string TempFolder::MakeFolder(const std::string& relative) const
{
    const std::string path = Path(relative);
    fs::create_directories(path);
    return path;
}

ScopedCwd::ScopedCwd(const std::string& folder)
{
    char buffer[PATH_MAX];
    m_previous = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
    if (::chdir(folder.c_str()) != 0)
        throw std::runtime_error("cannot enter " + folder);
}

ScopedCwd::~ScopedCwd()
{
    if (::chdir(m_previous.c_str()) != 0)
        std::perror("chdir back");
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void MakeDirs(const std::string& path)
{
    fs::create_directories(path);
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

std::vector<std::string> FolderNames(const std::string& path)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::directory_iterator(path, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> Tree(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            files[fs::relative(e.path(), folder).string()] = ReadFile(e.path().string());
    return files;
}

int RunShell(const std::string& command, std::string* output)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    const int status = ::pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Shell(const std::string& command)
{
    const int rc = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string Quote(const std::string& text)
{
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace qbtest
