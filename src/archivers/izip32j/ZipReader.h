// The UnZip command: extract, test or list a ZIP archive (see UnZipCommand.h).
//
// Three steps, as for packing: read the command line, collect the chosen members, then list,
// test or extract them (ZipExtract.h). Names may use DOS wildcards and match without regard to
// case. Every member's data is checked against its CRC and declared length as it is read.
#pragma once

#include "CommandLine.h"
#include "ModuleCall.h"
#include "archiver_api.h"

namespace qb::izip {

int RunUnZip(const arc::ParsedCommand& command, ArchiverProgressProc proc, void* user,
             arc::OutputText& out);

}  // namespace qb::izip
