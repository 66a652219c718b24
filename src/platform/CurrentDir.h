// The current drive and the current directory of every drive, kept as Windows keeps them.
// Changing the directory of the current drive really changes the process's working directory,
// so that the archiver modules resolve relative file names against it.
#pragma once

#include <string>
#include <string_view>

namespace qb::platform {

// The current drive letter (upper case). At start: the drive that holds the process's working
// directory, else the first drive of the table.
char CurrentDrive();

// Makes a drive of the table the current one and moves the process into that drive's current
// directory (its root when that folder is gone). False for an unknown letter.
bool SetCurrentDrive(char letter);

// The current directory of a drive in drive form ("C:\Work" or "C:\"); letter 0 means the
// current drive. "" for a drive that is not in the table.
std::string CurrentDirectory(char letter = 0);

// Changes the current directory of the drive the path names, as ChDir does; it does not change
// the current drive. Accepted forms: "C:\a\b", "C:a" and "C:" (relative to C:'s current
// directory), "\a" (from the root of the current drive), "a\b" or ".." (relative to the
// current directory of the current drive), and host paths beginning with '/'. The folder is
// stored in its on-disk spelling. When its drive is the current one the process chdir()s.
// False when the folder does not exist or cannot be entered; nothing changes then.
bool SetCurrentDirectory(std::string_view path);

// Resolves any of the forms above to a host path without changing anything; "" when it cannot
// be converted. The file-system helpers use this so that relative names behave as on Windows.
std::string ResolveHostPath(std::string_view path);

}  // namespace qb::platform
