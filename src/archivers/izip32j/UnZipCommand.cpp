#include "UnZipCommand.h"

#include "Paths.h"
#include "archiver_results.h"

#include <sys/stat.h>

namespace qb::izip {

int ReadUnZipCommand(const arc::ParsedCommand& parsed, UnZipCommand& command, arc::OutputText& out)
{
    if (parsed.switches.size() != 1 || parsed.switches[0].size() != 1) {
        out.Line("give one of -x, -t or -l");
        return ARC_ERROR_COMMAND_LINE;
    }
    switch (parsed.switches[0][0]) {
    case 'x':
        command.action = UnZipAction::Extract;
        break;
    case 't':
        command.action = UnZipAction::Test;
        break;
    case 'l':
        command.action = UnZipAction::List;
        break;
    default:
        out.Line("unknown switch -" + parsed.switches[0]);
        return ARC_ERROR_COMMAND_LINE;
    }
    if (parsed.archive.empty()) {
        out.Line("no archive named");
        return ARC_ERROR_COMMAND_LINE;
    }
    command.archive = parsed.archive;
    command.names = parsed.files;
    if (command.action == UnZipAction::Extract) {
        if (command.names.empty()) {
            out.Line("no folder to extract into");
            return ARC_ERROR_COMMAND_LINE;
        }
        command.folder = arc::ResolveArgumentPath(command.names.front());
        command.names.erase(command.names.begin());
        struct stat info { };
        if (command.folder.empty() || stat(command.folder.c_str(), &info) != 0 ||
            !S_ISDIR(info.st_mode)) {
            out.Line("folder not found: " + parsed.files.front());
            return ARC_ERROR_FOLDER_MISSING;
        }
    }
    command.archivePath = arc::ResolveArgumentPath(parsed.archive);
    struct stat archiveInfo { };
    if (command.archivePath.empty() || stat(command.archivePath.c_str(), &archiveInfo) != 0) {
        out.Line("archive not found: " + parsed.archive);
        return ARC_ERROR_ARCHIVE_MISSING;
    }
    return ARC_OK;
}

}  // namespace qb::izip
