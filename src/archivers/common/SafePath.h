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
//
// An extraction killed half-way leaves the temporary file of the member it was writing (see
// ExtractFile). So the first time a call meets a folder that was there already (the target
// folder, or one below it that a member goes to), the temporary files of our pattern that no
// living call holds locked are removed from it. One ExtractPaths per call, then, and not one per
// member: sweepLeftovers false is for a single path that needs no cleaning.
class ExtractPaths {
public:
    explicit ExtractPaths(std::string folder, bool sweepLeftovers = true)
        : m_folder(std::move(folder)), m_sweep(sweepLeftovers)
    { }
    int Prepare(std::string_view member, std::string& hostPath);

private:
    int Folder(const std::string& relative, std::string& host);
    void Sweep(const std::string& host) const;

    std::string m_folder;
    bool m_sweep;
    std::string m_root;  // real path of m_folder
    std::unordered_map<std::string, std::string> m_checked;  // relative folder -> host folder
};

}  // namespace qb::arc
