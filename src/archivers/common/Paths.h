// Paths named on a module's command line, turned into host paths.
//
// Drive paths ("D:\OUT\NAME.ZIP") go through the program's drive table; host paths (beginning
// with '/') are taken as they are (people type them in a shell, exactly); anything else is
// relative to the real working directory of the process. In drive and relative paths every
// component is resolved as Windows would: the exact name when it exists, else the first entry of
// the folder that matches without regard to case. Components that do not exist yet are kept as
// written, so the result can name a file that is still to be made.
#pragma once

#include <string>
#include <string_view>

namespace qb::arc {

std::string ResolveArgumentPath(std::string_view arg);

// The folder part and the last component of a host path ("/a/b/c" -> "/a/b", "c").
// A path without a slash has the folder ".".
std::string ParentFolder(const std::string& hostPath);
std::string BaseName(const std::string& hostPath);

// True for "C:", "C:\..." and "C:/..." (a drive letter and a colon).
bool HasDriveLetter(std::string_view path);

}  // namespace qb::arc
