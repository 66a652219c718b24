// The per-user settings store: application -> section -> key -> text value, as the Windows
// program kept them in the registry. Each application is one INI file,
// ${XDG_CONFIG_HOME:-$HOME/.config}/<Application>.ini, holding "[Section]" lines followed by
// "Key=Value" lines in UTF-8.
//
// Sections and keys are found without regard to letter case (as in the registry) but keep the
// spelling they were first written with; values are kept byte for byte. Lines the store does not
// understand are kept as they are. Every change replaces the file atomically (temporary file,
// fsync, rename), so a crash leaves either the old or the new file, never half of one. Failures
// are quiet: a read gives the default, a write returns false and leaves the file as it was.
#pragma once

#include <string>
#include <string_view>

namespace qb::platform {

// The file that holds an application's settings; "" when no configuration folder is known or
// the application name cannot be a file name.
std::string SettingsFilePath(std::string_view app);

// The stored value, or defaultValue when the application, section or key does not exist.
std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                       std::string_view defaultValue);

// Why an application's settings file cannot give the values of a section; None when it can or
// when there is no file at all (a first start, which needs no word).
enum class SettingsProblem {
    None,
    CannotBeExamined,  // stat failed (error says why)
    NotRegularFile,
    TooLarge,  // beyond 16 MiB
    CannotBeRead,  // error says why, when the system said
    NulBytesAndNoSection,  // typically a file zeroed by a crash
    NoSection,
};
// error, when given, receives the error number behind the problem (0 when there is none).
SettingsProblem SettingsFileProblem(std::string_view app, std::string_view section,
                                    int* error = nullptr);

// Stores a value, creating the folder, file, section or key when missing. False when it could
// not be stored (unwritable folder, a key or value holding a line break, ...); the file is then
// unchanged.
bool SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                 std::string_view value);

// Deletes a section with all its keys. Nothing happens when it does not exist.
bool DeleteSection(std::string_view app, std::string_view section);

// Deletes all settings of an application (its file).
bool DeleteApplication(std::string_view app);

// Collects every change made through the functions above while it lives (in this process) and
// writes each touched file once, at Commit() or when it goes out of scope. Reads see the
// pending changes. Batches nest; the outermost one writes.
class SettingsBatch {
public:
    SettingsBatch();
    ~SettingsBatch();
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;

    // Writes the pending changes now (only in the outermost batch; inner ones return true).
    // False when some file could not be written. Later changes are collected again.
    bool Commit();

    // After a Commit that returned false: the first file that could not be written, and the
    // error number of the step that failed (0 and "" while every commit went through).
    const std::string& FailedFile() const { return m_failedFile; }
    int Error() const { return m_error; }

private:
    bool m_outer;
    int m_error = 0;
    std::string m_failedFile;
};

}  // namespace qb::platform
