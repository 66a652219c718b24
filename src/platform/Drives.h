// The drive table: how the Windows-style drive letters the program speaks map onto host
// directories, and the conversions between drive paths (C:\Work\abc) and host paths.
//
// The table comes from QUILLBOX2_DRIVES, e.g. "C:=/srv/data;D:=/media/usb" (letters in any
// case, each value an absolute existing directory); without it there is one drive, C: = /.
// This is the only place where drive paths meet the Linux file system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qb::platform {

struct DriveMapping {
    char letter;  // upper case, 'A'..'Z'
    std::string root;  // absolute host directory, no trailing '/' except for "/" itself
};

// The drive table, ordered by letter. Parsed once from the environment; a bad entry (no
// letter, relative path, missing directory, letter given twice) is reported once on standard
// error and skipped. When no entry is usable the default C: = / applies.
const std::vector<DriveMapping>& Drives();

// Parses the environment again (tests point QUILLBOX2_DRIVES at a sandbox, then call this).
// Also resets the per-drive current directories to the process's working directory.
void ReloadDrives();

// The host root of a drive letter (any case), or "" when the letter is not in the table.
std::string DriveRoot(char letter);

// Drive path to host path. Accepts "C:\a\b", "c:\A\", "C:" and "C:\" (also '/' as separator),
// and host paths beginning with '/', which come back lexically cleaned. Each existing component
// is resolved as Windows would find it: the exact name if it exists, else the first entry (in
// name order) equal to it without regard to letter case. Components that do not exist are
// appended as given; "." and ".." are folded. Returns "" when the path is not convertible: an
// unknown drive, a UNC path (\\server\share), a relative path.
std::string ToHostPath(std::string_view path);

// Host path to drive path through the drive whose root is the longest prefix: "C:\" for a
// root, "C:\a\b" otherwise. Returns "" when no drive covers the path, when it is not absolute,
// or when a component cannot be written in a drive path (it holds a backslash or is not UTF-8).
std::string ToDrivePath(std::string_view hostPath);

// Host path to drive path through one given drive (the letter a caller named), so that
// "C:\mnt\usb" stays on C: even when D: is mounted at /mnt/usb. "" when that drive does not
// cover the path or a component cannot be written.
std::string ToDrivePathOn(char letter, std::string_view hostPath);

// True when a host file name can appear as one component of a drive path.
bool IsDrivePathComponent(std::string_view name);

}  // namespace qb::platform
