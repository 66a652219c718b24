// The Zip command line: switches, the archive and the file specifications.
//
//   [-r] [-D] [-S] [-0..-9] [-names:utf8|-names:cp932] [-test] [-sync] archive spec...
//
// -r recurses into folders, -D leaves out folder entries, -S takes hidden files (dot-names) too,
// -0 stores, -1..-9 deflate at that level (6 when none is given). Switches may be combined
// ("-rS9"). The whole-word switches are those of archiver_output.h: names in CP932 without the
// UTF-8 flag when every name fits (for old Windows tools), a test of the new archive before it
// replaces the old one, and a rebuild instead of an update.
#pragma once

#include "CommandLine.h"
#include "ModuleCall.h"

#include <string>
#include <vector>

namespace qb::izip {

struct ZipCommand {
    bool recurse = false;
    bool folderEntries = true;
    bool hidden = false;
    int level = 6;
    bool cp932Names = false;  // -names:cp932
    bool test = false;  // -test
    bool rebuild = false;  // -sync
    std::string archive;  // as written on the command line, for messages
    std::string archivePath;  // host path
    bool exists = false;  // an archive is there to be updated
    std::vector<std::string> files;
};

// Reads and checks a parsed command line. Returns ARC_OK, or the failure (also written to out).
int ReadZipCommand(const arc::ParsedCommand& parsed, ZipCommand& command, arc::OutputText& out);

}  // namespace qb::izip
