// The UnZip command line: what to do, with which archive, into which folder, for which members.
//
//   -x archive folder [name...]   extract the named members (all when none is named) into folder
//   -t archive                    read every member and check its CRC
//   -l archive                    list the members into the output buffer
#pragma once

#include "CommandLine.h"
#include "ModuleCall.h"

#include <string>
#include <vector>

namespace qb::izip {

enum class UnZipAction { Extract, Test, List };

struct UnZipCommand {
    UnZipAction action = UnZipAction::Extract;
    std::string archive;  // as written on the command line, for messages
    std::string archivePath;  // host path of an existing archive
    std::string folder;  // -x: host path of an existing folder
    std::vector<std::string> names;  // member patterns; empty: every member
};

// Reads and checks a parsed command line. Returns ARC_OK, or the failure (also written to out).
int ReadUnZipCommand(const arc::ParsedCommand& parsed, UnZipCommand& command, arc::OutputText& out);

}  // namespace qb::izip
