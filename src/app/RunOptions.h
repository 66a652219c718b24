#pragma once
// The program's options in Linux conventions, beside its Windows-style arguments (folders, one
// job file, /U), which pass through unchanged. Every argument that begins with "-" is an option,
// anywhere before a "--" that ends them: a name of the table, or -h and -V for --help and
// --version; any other is a bad option. Folders never begin with "-" (they are absolute host
// paths or drive paths; after "--" anything goes). "--name value" and "--name=value" are both
// accepted. Every option is one row of a table (RunOptions.cpp), so a new one is a new row.

#include <optional>
#include <string>
#include <vector>

namespace qb::app {

// What the options ask for. The run options override the stored settings for this one run and
// are never saved; any of them makes the run silent, as --silent does.
struct RunOptions {
    bool help = false;
    bool version = false;
    bool silent = false;
    bool notify = false;
    bool installActions = false;
    bool removeActions = false;
    std::optional<int> format;  // AshukuExe: 0 LZH, 1 ZIP
    std::optional<int> mode;  // AutoExe: 0 normal, 1 stored, 2 double
    std::optional<int> pattern;  // Pattern 0..3
    std::optional<std::string> out;  // output folder as given (host or drive path)
    bool beside = false;  // each archive beside its folder, in the folder's parent
    std::optional<bool> testArchive;  // TestArchive
    std::optional<bool> syncArchive;  // SyncArchive
    std::optional<int> lzhNameCode;  // LzhNameCode: 0 CP932 when all names fit, 1 UTF-8
    std::optional<int> zipNameCode;  // ZipNameCode: 0 UTF-8, 1 CP932 when all names fit

    // The arguments that are not options, in order: folders and job files.
    std::vector<std::string> arguments;

    bool AnyRunOption() const
    {
        return format || mode || pattern || out || beside || testArchive || syncArchive || lzhNameCode ||
               zipNameCode;
    }
    bool Silent() const { return silent || notify || AnyRunOption(); }
};

struct ParsedOptions {
    RunOptions options;
    std::string error;  // "" when the arguments were fine; else the message for standard error
};

// Exit status for a bad option or value (after the message and the usage line).
inline constexpr int kExitUsage = 64;

// The messages go in the user's language: Japanese when the locale (LC_ALL, LC_MESSAGES, LANG,
// the first that is set) is Japanese, else English.
bool JapaneseLocale();

ParsedOptions ParseRunOptions(const std::vector<std::string>& args, bool japanese);

// The one-line usage, the whole help text and the version text, ending with a line end.
std::string UsageText(bool japanese);
std::string HelpText(bool japanese);
std::string VersionText(bool japanese);

}  // namespace qb::app
