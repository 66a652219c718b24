// The UnZip command: extract, test or list a ZIP archive.
//
//   -x archive folder [name...]   extract the named members (all when none is named) into folder
//   -t archive                    read every member and check its CRC
//   -l archive                    list the members into the output buffer
//
// Names may use DOS wildcards and match without regard to case. Extraction keeps the member
// paths below the folder, refuses any member that would land outside it (see SafePath), replaces
// existing files atomically, and restores modification times and Unix permissions. A member's
// data is checked against its CRC before the file takes its place, so a damaged member never
// replaces a good file. A symbolic link stored in an archive is written as a plain file holding
// the link text: extraction never makes links.
#pragma once

#include "CommandLine.h"
#include "ModuleCall.h"
#include "archiver_api.h"

namespace qb::izip {

int RunUnZip(const arc::ParsedCommand& command, ArchiverProgressProc proc, void* user,
             arc::OutputText& out);

}  // namespace qb::izip
