// The archiver tests' names for the shared test tools (support/Files.h): a throw-away folder
// tree removed with everything in it at the end, files, folder listings and shell commands.
#pragma once

#include "support/Files.h"

namespace qb::arctest {

using Sandbox = qbtest::TempFolder;
using qbtest::Exists;
using qbtest::FolderNames;
using qbtest::ReadFile;
using qbtest::RunShell;
using qbtest::ScopedCwd;

}  // namespace qb::arctest
