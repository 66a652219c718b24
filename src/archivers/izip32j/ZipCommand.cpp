#include "ZipCommand.h"

#include "Paths.h"
#include "archiver_results.h"

#include <sys/stat.h>

#include <cctype>

namespace qb::izip {
namespace {

// The whole-word switches of archiver_output.h; false when s is none of them.
bool WordSwitch(const std::string& s, ZipCommand& command)
{
    std::string word = s;
    for (char& c : word)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word == "names:utf8" || word == "names:cp932")
        command.cp932Names = word == "names:cp932";
    else if (word == "test")
        command.test = true;
    else if (word == "sync")
        command.rebuild = true;
    else
        return false;
    return true;
}

bool ParseSwitches(const std::vector<std::string>& switches, ZipCommand& command, std::string& bad)
{
    for (const std::string& s : switches) {
        if (WordSwitch(s, command))
            continue;
        for (char c : s) {
            if (c == 'r')
                command.recurse = true;
            else if (c == 'D')
                command.folderEntries = false;
            else if (c == 'S')
                command.hidden = true;
            else if (c >= '0' && c <= '9')
                command.level = c - '0';
            else {
                bad = s;
                return false;
            }
        }
    }
    return true;
}

}  // namespace

int ReadZipCommand(const arc::ParsedCommand& parsed, ZipCommand& command, arc::OutputText& out)
{
    std::string bad;
    if (!ParseSwitches(parsed.switches, command, bad)) {
        out.Line("unknown switch -" + bad);
        return ARC_ERROR_COMMAND_LINE;
    }
    if (parsed.archive.empty()) {
        out.Line("no archive named");
        return ARC_ERROR_COMMAND_LINE;
    }
    if (parsed.files.empty()) {
        out.Line("no files named");
        return ARC_ERROR_NOTHING_TO_DO;
    }
    command.archive = parsed.archive;
    command.files = parsed.files;
    command.archivePath = arc::ResolveArgumentPath(parsed.archive);
    if (command.archivePath.empty()) {
        out.Line("cannot use the archive path " + parsed.archive);
        return ARC_ERROR_COMMAND_LINE;
    }
    struct stat info { };
    command.exists = stat(command.archivePath.c_str(), &info) == 0;
    if (command.exists && !S_ISREG(info.st_mode)) {
        out.Line(parsed.archive + " is not a file");
        return ARC_ERROR_WRITE;
    }
    return ARC_OK;
}

}  // namespace qb::izip
