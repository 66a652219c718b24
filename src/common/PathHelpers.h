// Path and file-system helpers shared by the whole program: the temporary and system folders,
// the free-space text, the shortened display form of a path, the parent folder, the on-disk
// form of a path, the upper-casing of archive names and existence tests.
//
// All paths are Windows-style drive paths (C:\Work\abc) in UTF-8. No function throws: each
// gives its neutral result (empty text or false) when something goes wrong.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace PathHelpers {

// The temporary folder in drive form with a trailing backslash ("C:\tmp\").
std::string GetTempFolder();

// The folder of the archiver modules in drive form without a trailing backslash.
std::string GetSystemFolder();

// " (1,234.6M Free)": the free megabytes of the file system that holds the folder, with
// thousands separators and one decimal. Empty when the path is shorter than a drive ("C:"),
// when the free space cannot be asked, or when nothing is free.
std::string FreeSpaceText(const std::string& path);

// Where FreeSpaceText gets its figure: the free bytes for a path, nullopt when unknown. Tests
// install their own; an empty function restores the file system's answer.
using FreeSpaceProvider = std::function<std::optional<std::uint64_t>(const std::string& path)>;
void SetFreeSpaceProvider(FreeSpaceProvider provider);

// A path of five or more components shortened to the first two and the last two around
// "...\": C:\Work\Projects\Old\abc gives C:\Work\...\Old\abc. Shorter paths come back as they
// are; more than 256 components give "".
std::string ShortDisplayPath(const std::string& path);

// The text before the last backslash, with the backslash kept for a drive root (C:\ABC gives
// C:\, and C:\ gives C:\). "" when there is no backslash.
std::string ParentFolder(const std::string& path);

// The path as the file system stores it: upper-case drive letter, each component spelled as
// stored, no trailing backslash except for a drive root. "" when it is not a drive path or
// some component does not exist.
std::string OnDiskPath(const std::string& path);

// Upper-cases every character by the simple upper-case mapping of Unicode (one character for
// one: ı gives I, ǆ gives Ǆ, ſ gives S, ß stays), except the full-width Latin, Greek and Cyrillic
// small letters (ａ-ｚ, α-ω, а-я), which keep their form: abcａｂｃ gives ABCａｂｃ.
std::string UpperCaseName(const std::string& text);

// True when the path is a file that can be opened for reading.
bool FileExists(const std::string& path);

// True when the path names an existing folder that can be made the current directory.
bool FolderExists(const std::string& path);

}  // namespace PathHelpers
