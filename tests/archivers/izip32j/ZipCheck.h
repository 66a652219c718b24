// Building source trees and checking archives with independent tools (unzip, 7zz, zipinfo).
#pragma once

#include <string>
#include <vector>

namespace qb::ziptest {

// Fills folder with the awkward cases: nested folders, an empty folder, empty files, Japanese
// names, dot-files and a dot-folder, a name with spaces, and (when bigFile) a 50 MB file.
void MakeSourceTree(const std::string& folder, bool bigFile);

// The member names an archive of folder should hold, worked out with std::filesystem (not with
// the code under test): files, and folders with a trailing '/' when folderEntries.
std::vector<std::string> ExpectedMembers(const std::string& folder, bool recurse, bool hidden,
                                         bool folderEntries, const std::string& prefix = "");

// Member names as zipinfo lists them, sorted.
std::vector<std::string> ArchiveMembers(const std::string& zipPath);

// True when both `unzip -t` and `7zz t` accept the archive.
bool PeersAccept(const std::string& zipPath);

// Extracts the archive with unzip into a fresh folder and compares every file member with
// source/<member without prefix> byte for byte. Returns "" or a description of the difference.
std::string ExtractAndCompare(const std::string& zipPath, const std::string& source,
                              const std::string& prefix = "");

std::vector<std::string> Sorted(std::vector<std::string> names);

}  // namespace qb::ziptest
