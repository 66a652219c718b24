#include "UnlhaCommand.h"

#include "CommandLine.h"
#include "Paths.h"
#include "archiver_results.h"

#include <cctype>

namespace unlha {
namespace {

bool EndsWithSeparator(const std::string& s)
{
    return !s.empty() && (s.back() == '\\' || s.back() == '/');
}

// One switch (without its leading '-'). Letters may be combined ("xra"); a digit after x, r, a or
// z gives that letter's level.
bool TakeSwitch(const std::string& sw, UnlhaCommand& cmd)
{
    if (sw.empty() || sw == "+")
        return true;
    std::string word = sw;
    for (char& c : word)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word == "names:auto" || word == "names:utf8") {
        cmd.utf8Names = word == "names:utf8";
        return true;
    }
    if (word == "test" || word == "sync") {
        (word == "test" ? cmd.testBeforeReplace : cmd.rebuild) = true;
        return true;
    }
    if (sw[0] == 'w' || sw[0] == 'W') {
        std::string folder = sw.substr(1);
        cmd.workFolder = folder.empty() ? std::string() : qb::arc::ResolveArgumentPath(folder);
        return true;
    }
    if (sw.size() > 2 && (sw[0] == 'j' || sw[0] == 'J') && (sw[1] == 'x' || sw[1] == 'X')) {
        cmd.excludes.push_back(sw.substr(2));
        return true;
    }
    for (std::size_t i = 0; i < sw.size(); ++i) {
        char c = static_cast<char>(sw[i] | 0x20);
        int level = -1;
        if (i + 1 < sw.size() && sw[i + 1] >= '0' && sw[i + 1] <= '9')
            level = sw[++i] - '0';
        switch (c) {
        case 'x':
            cmd.storePaths = level != 0;
            break;
        case 'r':
            cmd.recurse = level != 0;
            break;
        case 'a':
            cmd.hidden = level != 0;
            break;
        case 'z':
            if (level != 0)
                cmd.method = Method::Stored;
            break;
        case 'o':
            if (level == -1 || level == 5)
                cmd.method = Method::Lh5;
            else if (level == 6)
                cmd.method = Method::Lh6;
            else if (level == 7)
                cmd.method = Method::Lh7;
            else
                return false;
            break;
        case '+':
            break;
        default:
            return false;
        }
    }
    return true;
}

}  // namespace

int ParseUnlhaCommand(const std::string& text, UnlhaCommand& cmd, std::string& message)
{
    qb::arc::ParsedCommand parsed = qb::arc::ParseCommandLine(text, true);
    cmd.command = parsed.command;
    if (std::string("auxeltd").find(cmd.command ? cmd.command : '?') == std::string::npos) {
        message = "unknown command; expected one of a u x e l t d";
        return ARC_ERROR_COMMAND_LINE;
    }
    for (const auto& sw : parsed.switches) {
        if (!TakeSwitch(sw, cmd)) {
            message = "unknown switch -" + sw;
            return ARC_ERROR_COMMAND_LINE;
        }
    }
    if (parsed.archive.empty()) {
        message = "no archive named";
        return ARC_ERROR_COMMAND_LINE;
    }
    cmd.archiveArgument = parsed.archive;
    cmd.archive = qb::arc::ResolveArgumentPath(parsed.archive);
    if (cmd.archive.empty()) {
        message = "cannot find the drive of " + parsed.archive;
        return ARC_ERROR_FOLDER_MISSING;
    }
    std::size_t first = 0;
    bool extracting = cmd.command == 'x' || cmd.command == 'e';
    if (extracting && !parsed.files.empty() && EndsWithSeparator(parsed.files[0])) {
        cmd.targetFolder = qb::arc::ResolveArgumentPath(parsed.files[0]);
        if (cmd.targetFolder.empty()) {
            message = "cannot find the drive of " + parsed.files[0];
            return ARC_ERROR_FOLDER_MISSING;
        }
        first = 1;
    }
    cmd.files.assign(parsed.files.begin() + static_cast<long>(first), parsed.files.end());
    return ARC_OK;
}

}  // namespace unlha
