// The Zip command: make or update a ZIP archive from file specifications (see ZipCommand.h).
//
// Three steps: read the command line, collect the files, write the archive. An existing archive
// is updated: a member whose file is unchanged (see MemberMatchesFile) is kept exactly as it
// was, a member whose file differs is replaced in place, new files are added at the end, and
// members without a file are kept. The new archive replaces the old one only when it is complete
// (see AtomicOutput), so a failure or cancel leaves the old one as it was. -sync rebuilds the
// archive from the given files instead; -test reads the new archive back before it replaces the
// old one.
//
// The archive is written by our own streaming writer (ZipRecords, ZipOutput) into our locked
// temporary file, and the old one is read by our own directory reader (ZipDirectory): a
// library that keeps its bookkeeping for every member several times over would need more memory
// than the rest of the call for a folder of 100,000 files. Kept members are copied as they are.
#pragma once

#include "CommandLine.h"
#include "ModuleCall.h"
#include "archiver_api.h"

namespace qb::izip {

int RunZip(const arc::ParsedCommand& command, ArchiverProgressProc proc, void* user,
           arc::OutputText& out);

}  // namespace qb::izip
