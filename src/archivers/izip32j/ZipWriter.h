// The Zip command: make or update a ZIP archive from file specifications.
//
//   [-r] [-D] [-S] [-0..-9] archive spec...
//
// -r recurses into folders, -D leaves out folder entries, -S takes hidden files (dot-names) too,
// -0 stores, -1..-9 deflate at that level (6 when none is given). Switches may be combined
// ("-rS9"). An existing archive is updated: a member whose file has the same size and time is
// kept exactly as it was, a member whose file differs is replaced in place, new files are added
// at the end, and members without a file are kept. The new archive replaces the old one only when
// it is complete (see AtomicOutput), so a failure or cancel leaves the old one as it was.
#pragma once

#include "CommandLine.h"
#include "ModuleCall.h"
#include "archiver_api.h"

namespace qb::izip {

int RunZip(const arc::ParsedCommand& command, ArchiverProgressProc proc, void* user,
           arc::OutputText& out);

}  // namespace qb::izip
