// File-system queries and changes on drive paths: the directory search, folder listings, free
// space, the temporary and system folders, folder creation and file deletion. Every function
// accepts the path forms of CurrentDir.h (absolute drive paths, relative paths, host paths).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::platform {

// The directory search: the name of the path's last component as the file system stores it
// (letter case resolved). nullopt when nothing is found, for a drive root, and for a path that
// ends with a backslash. '*' and '?' are ordinary characters, not wildcards.
std::optional<std::string> FindEntryName(std::string_view path);

struct DirEntry {
    std::string name;
    bool isFolder;  // a folder, or a link to one
    bool isHidden;  // a dot-name
};

// The entries of a folder ("." and ".." left out), sorted by name without regard to case.
// Names that cannot be drive-path components are skipped. Empty when the folder cannot be read.
std::vector<DirEntry> ListFolder(std::string_view path);

// Free bytes for an unprivileged user on the file system of the folder itself, falling back
// to its drive root when the folder does not exist: f_bavail * f_frsize. nullopt when neither
// can be asked.
std::optional<std::uint64_t> FreeBytes(std::string_view path);

// True for an existing folder (links followed).
bool IsFolder(std::string_view path);

// True for an existing folder the process may enter (what a change of directory needs).
bool CanEnterFolder(std::string_view path);

// 0 when the process may create files in the folder; else why not, as an errno value (EACCES
// or EPERM for a folder it may not write to, EROFS for a read-only file system, ENOENT or
// ENOTDIR when there is no such folder).
int FolderWriteError(std::string_view path);

// True when the path is a file that can be opened for reading (a folder is not).
bool IsReadableFile(std::string_view path);

// Creates one folder (its parent must exist). False when it exists already or cannot be made.
bool MakeFolder(std::string_view path);

// Deletes one file. False for a folder, a missing file or a refusal.
bool RemoveFile(std::string_view path);

// The temporary folder ($TMPDIR, else /tmp) in drive form with a trailing backslash; "" when
// no drive covers it.
std::string TempFolder();

// The folder of the archiver modules (SystemFolderHost of InstallLayout.h) in drive form without
// a trailing backslash. When no drive covers it, its host path (beginning with '/'), which
// ToHostPath takes as it is; "" when there is none.
std::string SystemFolder();

// Replaces the file at hostPath (a host path) so that it is either wholly the new contents or
// unchanged: the contents go to a temporary file ".<name>.tmpXXXXXX" beside it, are synced to
// disk and renamed over it, and the folder is synced. mode: the new file's rights; without one
// an existing file keeps its rights and a new one gets what the umask allows. False when any
// step fails or the target is not a regular file; no temporary file is then left.
bool ReplaceFileAtomically(const std::string& hostPath, std::string_view contents,
                           std::optional<unsigned> mode = std::nullopt);

// The whole of a regular file at hostPath (a host path), at most maxBytes long. nullopt for a
// missing or unreadable file, for anything that is not a regular file (a named pipe is never
// waited on) and for a longer file.
std::optional<std::string> ReadRegularFile(const std::string& hostPath, std::uint64_t maxBytes);

// The process's working folder as a host path; "" when it cannot be had.
std::string WorkingFolderHostPath();

// Writes all of `data` to an open descriptor, going on after interrupted or short writes;
// false on any other failure (a full disk among them).
bool WriteAll(int fd, std::string_view data);

}  // namespace qb::platform
