#include "platform/SettingsStore.h"

#include "platform/FileSystem.h"
#include "platform/IniDocument.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace qb::platform {
namespace {

// A settings file larger than this is not ours to load whole; it is left alone.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

struct Change {
    enum Kind { Set, RemoveSection, RemoveAll } kind;
    std::string section;
    std::string key;
    std::string value;
};

std::recursive_mutex g_mutex;
int g_batchDepth = 0;
std::map<std::string, std::vector<Change>> g_pending;  // application -> changes in order

std::string ConfigFolder()
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return xdg;
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::string(home) + "/.config";
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
        return std::string(pw->pw_dir) + "/.config";
    return {};
}

bool ValidAppName(std::string_view app)
{
    return !app.empty() && app != "." && app != ".." &&
           app.find_first_of(std::string_view("/\0\r\n", 4)) == std::string_view::npos;
}

// The file content; "" for a missing file; nullopt when it exists but cannot be read whole
// (then nothing may be written over it, or settings would be lost).
std::optional<std::string> ReadWhole(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
    // errno tells whoever reports the failure why: fstat's own, or what the file is.
    struct stat st { };
    const int error = ::fstat(fd, &st) != 0       ? errno
                      : S_ISDIR(st.st_mode)       ? EISDIR
                      : !S_ISREG(st.st_mode)      ? EINVAL
                      : st.st_size > kMaxFileSize ? EFBIG
                                                  : 0;
    if (error != 0) {
        ::close(fd);
        errno = error;
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || content.size() > static_cast<std::size_t>(kMaxFileSize)) {
            const int error = n < 0 ? errno : EFBIG;
            ::close(fd);
            errno = error;
            return std::nullopt;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

bool MakeFolders(const std::string& folder)
{
    struct stat st { };
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const auto slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash)))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// Holds an exclusive lock on the configuration folder while a file in it is rewritten, so two
// running copies of the program never lose each other's changes.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : m_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) { }
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd;
};

// Removes temporary files left by a writer that was killed before its rename.
void RemoveLeftovers(const std::string& folder, const std::string& prefix)
{
    DIR* handle = ::opendir(folder.c_str());
    if (!handle)
        return;
    while (const dirent* entry = ::readdir(handle)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0)
            ::unlink((folder + "/" + name).c_str());
    }
    ::closedir(handle);
}

void Apply(IniDocument& doc, const Change& change)
{
    switch (change.kind) {
    case Change::Set:
        doc.Set(change.section, change.key, change.value);
        break;
    case Change::RemoveSection:
        doc.RemoveSection(change.section);
        break;
    case Change::RemoveAll:
        doc.Clear();
        break;
    }
}

// Reads the file, applies the changes in order and writes the result back (or deletes the file
// when the application was deleted and nothing was set afterwards). 0 when done, else the
// error number of the step that failed.
int Commit(const std::string& app, const std::vector<Change>& changes)
{
    // The error of the failed step, never 0 (a step may fail without setting errno).
    const auto failed = [] { return errno != 0 ? errno : EIO; };
    const std::string path = SettingsFilePath(app);
    if (path.empty())
        return ENOENT;  // no configuration folder is known
    const std::string folder = path.substr(0, path.find_last_of('/'));
    bool removesAll = false;
    bool writes = false;
    for (const Change& c : changes) {
        if (c.kind == Change::RemoveAll)
            removesAll = true;
        if (c.kind == Change::Set)
            writes = true;
    }
    struct stat st { };
    const bool folderExists = ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!folderExists && !writes)
        return 0;  // nothing stored, nothing to delete
    errno = 0;
    if (!folderExists && !MakeFolders(folder))
        return failed();
    FolderLock lock(folder);
    if (!lock.Held())
        return failed();
    // Nobody else is writing now: whatever temporary file is left was left by a killed writer.
    RemoveLeftovers(folder, "." + app + ".ini.tmp");

    errno = 0;
    std::optional<std::string> content = ReadWhole(path);
    IniDocument doc;
    if (content) {
        doc = IniDocument::Parse(*content);
    } else if (!removesAll) {
        return failed();  // unreadable: rewriting it would lose what it holds
    }
    bool cleared = false;
    for (const Change& c : changes) {
        Apply(doc, c);
        if (c.kind == Change::RemoveAll)
            cleared = true;
    }
    if (cleared && doc.Empty())
        return ::unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : failed();
    if (content && doc.Serialize() == *content)
        return 0;  // nothing changed

    mode_t mode = 0600;
    if (::stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    // A store kept behind a symbolic link is rewritten where the link points.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    errno = 0;
    return ReplaceFileAtomically(target, doc.Serialize(), mode) ? 0 : failed();
}

bool RemovesAll(const std::vector<Change>& changes)
{
    for (const Change& c : changes)
        if (c.kind == Change::RemoveAll)
            return true;
    return false;
}

bool Submit(std::string_view app, Change change)
{
    if (!ValidAppName(app))
        return false;
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (g_batchDepth > 0) {
        g_pending[std::string(app)].push_back(std::move(change));
        return true;
    }
    return Commit(std::string(app), {std::move(change)}) == 0;
}

}  // namespace

std::string SettingsFilePath(std::string_view app)
{
    if (!ValidAppName(app))
        return {};
    const std::string folder = ConfigFolder();
    if (folder.empty())
        return {};
    return folder + "/" + std::string(app) + ".ini";
}

std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                       std::string_view defaultValue)
{
    const std::string path = SettingsFilePath(app);
    if (path.empty())
        return std::string(defaultValue);
    const std::optional<std::string> content = ReadWhole(path);
    IniDocument doc = content ? IniDocument::Parse(*content) : IniDocument();
    {
        std::lock_guard<std::recursive_mutex> lock(g_mutex);
        const auto it = g_pending.find(std::string(app));
        if (it != g_pending.end())
            for (const Change& c : it->second)
                Apply(doc, c);
    }
    return doc.Get(section, key).value_or(std::string(defaultValue));
}

SettingsProblem SettingsFileProblem(std::string_view app, std::string_view section, int* error)
{
    const auto answer = [&](SettingsProblem problem, int code = 0) {
        if (error)
            *error = code;
        return problem;
    };
    const std::string path = SettingsFilePath(app);
    if (path.empty())
        return answer(SettingsProblem::None);
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? answer(SettingsProblem::None)
                               : answer(SettingsProblem::CannotBeExamined, errno);
    if (!S_ISREG(st.st_mode))
        return answer(SettingsProblem::NotRegularFile);
    if (st.st_size > kMaxFileSize)
        return answer(SettingsProblem::TooLarge);
    if (::access(path.c_str(), R_OK) != 0)
        return answer(SettingsProblem::CannotBeRead, errno);
    const std::optional<std::string> content = ReadWhole(path);
    if (!content)
        return answer(SettingsProblem::CannotBeRead);
    if (IniDocument::Parse(*content).HasSection(section))
        return answer(SettingsProblem::None);
    if (content->find('\0') != std::string::npos)
        return answer(SettingsProblem::NulBytesAndNoSection);
    return answer(SettingsProblem::NoSection);
}

bool SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                 std::string_view value)
{
    if (!IniDocument::ValidSection(section) || !IniDocument::ValidKey(key) ||
        !IniDocument::ValidValue(value))
        return false;
    return Submit(app, {Change::Set, std::string(section), std::string(key), std::string(value)});
}

bool DeleteSection(std::string_view app, std::string_view section)
{
    if (section.empty())
        return false;
    return Submit(app, {Change::RemoveSection, std::string(section), {}, {}});
}

bool DeleteApplication(std::string_view app)
{
    return Submit(app, {Change::RemoveAll, {}, {}, {}});
}

SettingsBatch::SettingsBatch()
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    m_outer = g_batchDepth++ == 0;
}

SettingsBatch::~SettingsBatch()
{
    Commit();
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    --g_batchDepth;
}

bool SettingsBatch::Commit()
{
    if (!m_outer)
        return true;
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    std::map<std::string, std::vector<Change>> pending;
    pending.swap(g_pending);
    // A store that is deleted here goes last, and only when every other write went through:
    // the program deletes an application only after moving its values elsewhere.
    bool ok = true;
    const auto commit = [&](const std::string& app, const std::vector<Change>& changes) {
        const int error = platform::Commit(app, changes);
        if (error != 0 && m_error == 0) {
            m_error = error;
            m_failedFile = SettingsFilePath(app);
        }
        return error == 0;
    };
    for (const auto& [app, changes] : pending)
        if (!RemovesAll(changes))
            ok = commit(app, changes) && ok;
    for (const auto& [app, changes] : pending)
        if (RemovesAll(changes))
            ok = ok && commit(app, changes);
    return ok;
}

}  // namespace qb::platform
