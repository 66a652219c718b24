#include "platform/CurrentDir.h"

#include "platform/Drives.h"
#include "platform/Internal.h"
#include "platform/PathText.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <map>
#include <mutex>

namespace qb::platform {
namespace {

struct State {
    bool ready = false;
    char current = 'C';
    std::map<char, std::string> dirs;  // drive form, on-disk spelling
};

std::recursive_mutex g_mutex;
State g_state;

char Upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string WorkingDirectory()
{
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.c_str();
}

// Takes the start state from the real working directory the first time it is needed.
State& Ready()
{
    if (!g_state.ready) {
        g_state = State{};
        g_state.ready = true;
        const std::string drive = ToDrivePath(WorkingDirectory());
        if (!drive.empty()) {
            g_state.current = drive[0];
            g_state.dirs[drive[0]] = drive;
        } else {
            g_state.current = Drives().front().letter;
        }
    }
    return g_state;
}

bool Enterable(const std::string& host)
{
    struct stat st { };
    return !host.empty() && ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(host.c_str(), X_OK) == 0;
}

// The drive letter a path form refers to: the one it names, else the current drive (0 for a
// host path, whose drive is the one covering it).
char DriveOf(std::string_view path)
{
    if (HasDriveLetter(path))
        return Upper(path[0]);
    if (!path.empty() && path[0] == '/')
        return 0;
    return CurrentDrive();
}

}  // namespace

namespace detail {
void ResetCurrentDirectories()
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_state.ready = false;
}
}  // namespace detail

char CurrentDrive()
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return Ready().current;
}

std::string CurrentDirectory(char letter)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    State& state = Ready();
    const char drive = letter ? Upper(letter) : state.current;
    if (DriveRoot(drive).empty())
        return {};
    const auto it = state.dirs.find(drive);
    if (it != state.dirs.end())
        return it->second;
    return std::string{drive, ':', '\\'};
}

std::string ResolveHostPath(std::string_view path)
{
    if (path.empty())
        return {};
    if (path[0] == '/')
        return ToHostPath(path);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\')
        return {};  // UNC
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::string full;
    if (HasDriveLetter(path)) {
        const std::string_view rest = path.substr(2);
        if (!rest.empty() && (rest[0] == '\\' || rest[0] == '/'))
            return ToHostPath(path);
        const std::string base = CurrentDirectory(path[0]);
        if (base.empty())
            return {};
        full = base + "\\" + std::string(rest);
    } else if (path[0] == '\\') {
        full = std::string{CurrentDrive(), ':'} + std::string(path);
    } else {
        const std::string base = CurrentDirectory();
        if (base.empty())
            return {};
        full = base + "\\" + std::string(path);
    }
    return ToHostPath(full);
}

bool SetCurrentDirectory(std::string_view path)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    State& state = Ready();
    const std::string host = ResolveHostPath(path);
    if (!Enterable(host))
        return false;
    const char named = DriveOf(path);
    const std::string drive = named ? ToDrivePathOn(named, host) : ToDrivePath(host);
    if (drive.empty())
        return false;
    if (drive[0] == state.current && ::chdir(host.c_str()) != 0)
        return false;
    state.dirs[drive[0]] = drive;
    return true;
}

bool SetCurrentDrive(char letter)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    State& state = Ready();
    const char drive = Upper(letter);
    const std::string root = DriveRoot(drive);
    if (root.empty())
        return false;
    const std::string host = ToHostPath(CurrentDirectory(drive));
    if (Enterable(host) && ::chdir(host.c_str()) == 0) {
        state.current = drive;
        return true;
    }
    // The drive's folder is gone: fall back to its root, as Windows does.
    if (::chdir(root.c_str()) != 0)
        return false;
    state.dirs[drive] = std::string{drive, ':', '\\'};
    state.current = drive;
    return true;
}

}  // namespace qb::platform
