// The Zip command: make or update a ZIP archive from file specifications (see ZipCommand.h).
//
// Three steps: read the command line, collect the files, write the archive. An existing archive is updated: a member whose file has the same size and time is
// kept exactly as it was, a member whose file differs is replaced in place, new files are added
// at the end, and members without a file are kept. The new archive replaces the old one only when
// it is complete (see AtomicOutput), so a failure or cancel leaves the old one as it was.
// -sync rebuilds the archive from the given files instead; -test reads the new archive back
// before it replaces the old one. libzip reads the old archive and writes into our locked
// temporary file (ArchiveFileSource), never a file of its own.
#pragma once

#include "CommandLine.h"
#include "ModuleCall.h"
#include "archiver_api.h"

namespace qb::izip {

int RunZip(const arc::ParsedCommand& command, ArchiverProgressProc proc, void* user,
           arc::OutputText& out);

}  // namespace qb::izip
