// Where an archive member may be written when it is extracted.
//
// Member names come from archives that anybody may have made, so they are not trusted: a name
// with a ".." component, an absolute name ("/etc/x", "\x"), a drive letter ("C:x") or a path that
// runs through a symbolic link leading out of the target folder is refused. Backslashes count as
// folder separators (archives made on Windows use them); "." and empty components are dropped.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace qb::arc {

// Cleans a member name into '/'-separated components. Returns false when the name is unsafe
// (see above) or has no component at all.
bool CleanMemberName(std::string_view member, std::string& cleaned);

// Joins member onto folder (a host path of an existing folder) and creates the folders on the
// way (mode 0777 less the umask). Returns ARC_OK with the host path in hostPath, or
// ARC_ERROR_UNSAFE_PATH for a refused name or a path that would leave the folder through a
// link, or a write error code (32773, 32774, ...) when a folder cannot be made.
// The last component is not created; when it exists as a symbolic link, a writer must replace
// the link (write a new file and rename it into place) and never write through it.
int PrepareExtractPath(const std::string& folder, std::string_view member, std::string& hostPath);

// The same for the many members of one extraction: the target folder is resolved once and every
// folder on the way is checked (or made) once, not once per member, which matters when
// thousands of small files are extracted.
class ExtractPaths {
public:
    explicit ExtractPaths(std::string folder) : m_folder(std::move(folder)) { }
    int Prepare(std::string_view member, std::string& hostPath);

private:
    int Folder(const std::string& relative, std::string& host);

    std::string m_folder;
    std::string m_root;  // real path of m_folder
    std::unordered_map<std::string, std::string> m_checked;  // relative folder -> host folder
};

}  // namespace qb::arc
