#include "platform/Drives.h"

#include "platform/Internal.h"
#include "platform/PathText.h"
#include "platform/Utf8.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

namespace qb::platform {
namespace {

struct DriveTable {
    std::vector<DriveMapping> drives;
    std::vector<std::string> canonicalRoots;  // same order; symlinks resolved
};

std::mutex g_mutex;
std::unique_ptr<DriveTable> g_table;

bool IsDirectory(const std::string& hostPath)
{
    struct stat st { };
    return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Canonical(const std::string& hostPath)
{
    char* resolved = ::realpath(hostPath.c_str(), nullptr);
    if (!resolved)
        return hostPath;
    std::string out = resolved;
    std::free(resolved);
    return out;
}

// Each archiver module carries its own copy of this table; the first copy to parse a given
// QUILLBOX2_DRIVES leaves a mark in the environment so that the others keep quiet about it.
constexpr const char* kReportedMark = "QUILLBOX2_DRIVES_REPORTED";
bool g_quiet = false;

void Complain(const std::string& entry, const char* why)
{
    if (g_quiet)
        return;
    std::fprintf(stderr, "Quillbox2: QUILLBOX2_DRIVES entry \"%s\" ignored: %s\n", entry.c_str(),
                 why);
}

// One entry "C:=/path" (the colon may be left out); nullopt after a complaint.
std::optional<DriveMapping> ParseEntry(const std::string& entry)
{
    const auto eq = entry.find('=');
    const std::string_view whole(entry);
    const std::string name(TrimBlanks(eq == std::string::npos ? whole : whole.substr(0, eq)));
    const bool letterOk = (name.size() == 1 || (name.size() == 2 && name[1] == ':')) &&
                          std::isalpha(static_cast<unsigned char>(name[0])) &&
                          static_cast<unsigned char>(name[0]) < 0x80;
    if (eq == std::string::npos || !letterOk) {
        Complain(entry, "it does not start with a drive letter such as C:=");
        return std::nullopt;
    }
    const std::string root(TrimBlanks(std::string_view(entry).substr(eq + 1)));
    if (root.empty() || root[0] != '/') {
        Complain(entry, "the folder must be an absolute path");
        return std::nullopt;
    }
    const std::string clean = CleanHostPath(root);
    if (!IsDirectory(clean)) {
        Complain(entry, "the folder does not exist");
        return std::nullopt;
    }
    return DriveMapping{static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))),
                        clean};
}

std::unique_ptr<DriveTable> ParseEnvironment()
{
    auto table = std::make_unique<DriveTable>();
    const char* env = std::getenv("QUILLBOX2_DRIVES");
    if (env && *env) {
        const char* mark = std::getenv(kReportedMark);
        g_quiet = mark && std::string_view(mark) == env;
        for (const std::string& raw : SplitPath(env, ";")) {
            const std::string entry(TrimBlanks(raw));
            if (entry.empty())
                continue;
            std::optional<DriveMapping> drive = ParseEntry(entry);
            if (!drive)
                continue;
            const auto sameLetter = [&](const DriveMapping& d) {
                return d.letter == drive->letter;
            };
            const bool taken = std::any_of(table->drives.begin(), table->drives.end(), sameLetter);
            if (taken) {
                Complain(entry, "that drive letter is given twice");
                continue;
            }
            table->drives.push_back(*drive);
        }
        if (table->drives.empty() && !g_quiet)
            std::fprintf(stderr, "Quillbox2: QUILLBOX2_DRIVES has no usable entry; using C:=/\n");
        ::setenv(kReportedMark, env, 1);
    }
    if (table->drives.empty())
        table->drives.push_back({'C', "/"});
    std::sort(table->drives.begin(), table->drives.end(),
              [](const DriveMapping& a, const DriveMapping& b) { return a.letter < b.letter; });
    for (const DriveMapping& d : table->drives)
        table->canonicalRoots.push_back(Canonical(d.root));
    return table;
}

const DriveTable& Table()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_table)
        g_table = ParseEnvironment();
    return *g_table;
}

// Resolves one name inside a host directory: the exact entry, else the first entry in byte
// order that matches without regard to case.
std::optional<std::string> ResolveComponent(const std::string& dir, const std::string& name)
{
    struct stat st { };
    if (::lstat(JoinHost(dir, name).c_str(), &st) == 0)
        return name;
    DIR* handle = ::opendir(dir.c_str());
    if (!handle)
        return std::nullopt;
    std::optional<std::string> best;
    while (const dirent* entry = ::readdir(handle)) {
        const std::string_view candidate = entry->d_name;
        if (candidate == "." || candidate == "..")
            continue;
        if (EqualsIgnoreCase(candidate, name) && (!best || candidate < *best))
            best = std::string(candidate);
    }
    ::closedir(handle);
    return best;
}

// Prefix test on whole components: "/a" covers "/a" and "/a/b", not "/ab".
bool Covers(const std::string& root, const std::string& path)
{
    if (root == "/")
        return true;
    return path.compare(0, root.size(), root) == 0 &&
           (path.size() == root.size() || path[root.size()] == '/');
}

std::string DriveFormUnder(const DriveMapping& drive, const std::string& root,
                           const std::string& path)
{
    const std::string rest = root == "/" ? path : path.substr(root.size());
    std::string out{drive.letter, ':'};
    const std::vector<std::string> parts = SplitPath(rest, "/");
    for (const std::string& part : parts) {
        if (!IsDrivePathComponent(part))
            return {};
        out += '\\';
        out += part;
    }
    if (parts.empty())
        out += '\\';
    return out;
}

std::string MatchDrive(const std::string& path, bool canonical)
{
    const DriveTable& table = Table();
    int best = -1;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < table.drives.size(); ++i) {
        const std::string& root = canonical ? table.canonicalRoots[i] : table.drives[i].root;
        if (Covers(root, path) && (best < 0 || root.size() > bestLength)) {
            best = static_cast<int>(i);
            bestLength = root.size();
        }
    }
    if (best < 0)
        return {};
    const std::string& root = canonical ? table.canonicalRoots[best] : table.drives[best].root;
    return DriveFormUnder(table.drives[best], root, path);
}

}  // namespace

const std::vector<DriveMapping>& Drives()
{
    return Table().drives;
}

void ReloadDrives()
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_table = ParseEnvironment();
    }
    detail::ResetCurrentDirectories();
}

std::string DriveRoot(char letter)
{
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (const DriveMapping& d : Drives())
        if (d.letter == upper)
            return d.root;
    return {};
}

bool IsDrivePathComponent(std::string_view name)
{
    return !name.empty() && name.find('\\') == std::string_view::npos && IsValidUtf8(name);
}

std::string ToHostPath(std::string_view path)
{
    // A NUL would silently cut the name short in every system call.
    if (path.find('\0') != std::string_view::npos)
        return {};
    if (!path.empty() && path[0] == '/')
        return CleanHostPath(path);
    if (!HasDriveLetter(path))
        return {};
    const std::string root = DriveRoot(path[0]);
    if (root.empty())
        return {};
    const std::string_view rest = path.substr(2);
    if (!rest.empty() && rest[0] != '\\' && rest[0] != '/')
        return {};  // "C:abc" is relative

    // Each component with whether it exists; after a missing one the rest is taken as given.
    std::vector<std::pair<std::string, bool>> resolved;
    for (const std::string& part : SplitPath(rest, "\\/")) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (!resolved.empty())
                resolved.pop_back();
            continue;
        }
        std::optional<std::string> found;
        if (resolved.empty() || resolved.back().second) {
            std::string dir = root;
            for (const auto& r : resolved)
                dir = JoinHost(dir, r.first);
            found = ResolveComponent(dir, part);
        }
        resolved.emplace_back(found ? *found : part, found.has_value());
    }
    std::string out = root;
    for (const auto& r : resolved)
        out = JoinHost(out, r.first);
    return out;
}

std::string ToDrivePath(std::string_view hostPath)
{
    if (hostPath.empty() || hostPath[0] != '/' || hostPath.find('\0') != std::string_view::npos)
        return {};
    const std::string clean = CleanHostPath(hostPath);
    std::string out = MatchDrive(clean, false);
    if (!out.empty())
        return out;
    const std::string canonical = Canonical(clean);
    return MatchDrive(canonical, true);
}

std::string ToDrivePathOn(char letter, std::string_view hostPath)
{
    if (hostPath.empty() || hostPath[0] != '/')
        return {};
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    const DriveTable& table = Table();
    const std::string clean = CleanHostPath(hostPath);
    for (std::size_t i = 0; i < table.drives.size(); ++i) {
        if (table.drives[i].letter != upper)
            continue;
        if (Covers(table.drives[i].root, clean))
            return DriveFormUnder(table.drives[i], table.drives[i].root, clean);
        const std::string canonical = Canonical(clean);
        if (Covers(table.canonicalRoots[i], canonical))
            return DriveFormUnder(table.drives[i], table.canonicalRoots[i], canonical);
    }
    return {};
}

}  // namespace qb::platform
