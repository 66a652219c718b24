// Gathering the files that a list of file specifications names.
//
// Specifications are those of the command lines: "*.*", "DATA\PROJ\*.*", "C:\DATA\PROJ\*.*",
// "NAME.LZH", or host paths beginning with '/'. Relative ones are taken against the real working
// directory of the process, which the caller has set. Backslash and slash both separate folders.
// The folder part of a specification is kept in the member names ("DATA\PROJ\*.*" stores
// DATA/PROJ/...); a drive letter or a leading slash is not, and neither are "." and "..".
//
// Rules, chosen so that an archive holds exactly what a user sees in the folder and nothing can
// make the walk run away:
// - Without recursion only the files of the named folder are taken; subfolders not at all.
// - With recursion every subfolder is entered; the wildcard is matched against file names at
//   every level (so "*.TXT" finds text files in all subfolders); a folder gets an entry of its own
//   when folder entries are wanted and its name matches the wildcard.
// - Names beginning with '.' (hidden on Linux) are left out, with all they hold, unless hidden
//   files are wanted; a specification that names such a file literally still takes it.
// - Exclusion patterns (-jx) are matched against the base name, or against the whole member
//   path when the pattern holds a folder separator; an excluded folder is left out whole.
// - Symbolic links are followed while their target stays inside the folder being packed (the
//   folder of the file specification; for a folder named literally, that folder): a link to a file
//   stores the file's content under the link's name; a link to a folder is entered like a
//   folder, except when that folder has been visited already in this walk (this stops link loops
//   and duplicates). A link that leads outside is not followed: packing a folder must never pack
//   /etc because someone left a link to it there. A link named literally is followed anyway.
// - Nothing is left out silently: dangling links, links leading outside, FIFOs, sockets,
//   devices, names holding a backslash (every reader takes it for a folder separator), files
//   and subfolders that may not be read, and entries that vanish during the walk are named in
//   `skipped` with a reason word of archiver_output.h.
// - Names that are not valid UTF-8 are taken with their bytes (`rawName`); the module decides
//   how to store them.
// - The walk goes from open folder to open folder (openat), so paths longer than PATH_MAX work;
//   `hostPath` may then be longer than the system accepts in one call: open it with
//   OpenLongPath.
// - Files listed in `skipFiles` (the archive being written, for one) are never taken.
// - The order is stable: specifications in their order, inside a folder by name (byte order),
//   a folder's entry directly before its content. A member name met twice is taken once.
// - A starting folder that cannot be read fails the whole collection (ARC_ERROR_READ_SOURCE).
#pragma once

#include <sys/stat.h>

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qb::arc {

struct CollectOptions {
    bool recurse = false;
    bool hidden = false;
    bool folderEntries = true;
    std::vector<std::string> excludes;  // -jx patterns as written
    std::vector<std::string> skipFiles;  // host paths never to take (compared by device and inode)
    // Asked now and then during a long walk (with the folder being read); returning false stops
    // the collection with ARC_ERROR_USER_CANCEL, so that a cancel works before packing starts.
    std::function<bool(const std::string& folder)> keepGoing;
};

// What packing uses of a file's status, under the names of struct stat. A whole struct stat
// per entry would be most of the memory of a collection of 100,000 files.
struct FileInfo {
    mode_t st_mode = 0;
    off_t st_size = 0;
    struct timespec st_mtim { };

    FileInfo() = default;
    FileInfo(const struct stat& s) : st_mode(s.st_mode), st_size(s.st_size), st_mtim(s.st_mtim) { }
};

struct SourceEntry {
    std::string member;  // UTF-8, '/' separated, no trailing '/' even for folders
    std::string hostPath;  // where to read it
    bool isFolder = false;
    bool rawName = false;  // the member name is not valid UTF-8
    FileInfo info;  // of the file itself (links followed)
};

struct SkippedFile {
    std::string reason;  // a reason word of archiver_output.h ("link-outside", ...)
    std::string member;  // the name it would have had, as bytes
};

struct CollectResult {
    int result = 0;  // ARC_OK or an ARC_ERROR_* code
    std::string message;  // what failed, for the output buffer
    std::vector<SourceEntry> entries;
    std::vector<SkippedFile> skipped;
};

CollectResult CollectFiles(const std::vector<std::string>& specs, const CollectOptions& options);

// The stored names (bytes, '/'-separated) of files and folders that are there but could not be
// read. A rebuild keeps their members from the old archive, the member of such a name and every
// member below a folder of it: dropping them would lose the only stored copy.
class UnreadableNames {
public:
    void Add(std::string storedName) { names_.insert(std::move(storedName)); }
    bool Empty() const { return names_.empty(); }
    // The name that member is, or lies below; nullptr when none.
    const std::string* Covering(std::string_view member) const;

private:
    std::set<std::string> names_;
};

}  // namespace qb::arc
