// What one Unlha command line asks for, after the switches have been understood.
//
// Commands: a (add or replace), u (add what is missing or newer), x (extract with folders),
// e (extract without folders), l (list), t (test), d (delete members).
// Switches: -+ (accepted, no effect), -x / -x1 (store relative paths; -x0 does not), -r / -r1 /
// -r2 (enter subfolders), -a / -a1 (take hidden files: names beginning with a dot), combined
// letters such as -xr, -xa, -xra, -z / -z1 (store without compression), -o5 / -o6 / -o7 (method
// -lh5-, -lh6-, -lh7-; -o alone is -lh5-), -w<folder> (work folder for the new archive),
// -jx<pattern> (leave out matching files), and the whole-word switches of archiver_output.h:
// -names:auto / -names:utf8 (code of the stored names), -test (test the new archive before it
// replaces the old one), -sync (rebuild the archive from the given files).
#pragma once

#include <string>
#include <vector>

namespace unlha {

enum class Method { Stored, Lh5, Lh6, Lh7 };

struct UnlhaCommand {
    char command = 0;
    bool storePaths = false;
    bool recurse = false;
    bool hidden = false;
    Method method = Method::Lh5;
    bool utf8Names = false;  // -names:utf8: never CP932
    bool testBeforeReplace = false;  // -test
    bool rebuild = false;  // -sync
    std::string workFolder;  // host path; empty when not given
    std::vector<std::string> excludes;  // -jx patterns as written
    std::string archive;  // host path of the archive
    std::string archiveArgument;  // the archive as written on the command line
    std::string targetFolder;  // x / e: host path of the folder named with a trailing separator
    std::vector<std::string> files;  // file specifications (a, u) or member patterns (x e l t d)
};

// Parses a command line. Returns 0 or ARC_ERROR_COMMAND_LINE with a message for people.
int ParseUnlhaCommand(const std::string& text, UnlhaCommand& out, std::string& message);

}  // namespace unlha
