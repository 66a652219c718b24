#include "ZipReader.h"

#include "ErrorCodes.h"
#include "MemberReader.h"
#include "UnZipCommand.h"
#include "Wildcard.h"
#include "ZipDirectory.h"
#include "ZipExtract.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace qb::izip {
namespace {

bool Wanted(const std::vector<std::string>& patterns, const std::string& member,
            std::vector<bool>& used)
{
    if (patterns.empty())
        return true;
    bool wanted = false;
    for (size_t i = 0; i < patterns.size(); ++i) {
        if (arc::WildcardMatch(patterns[i], member)) {
            used[i] = true;
            wanted = true;
        }
    }
    return wanted;
}

// The archive's file, open while the call lasts.
struct ArchiveFd {
    int fd = -1;
    ~ArchiveFd()
    {
        if (fd >= 0)
            close(fd);
    }
};

int OpenArchive(const UnZipCommand& command, ArchiveFd& file, ZipDirectory& directory,
                arc::OutputText& out)
{
    file.fd = open(command.archivePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) {
        out.Line(command.archive + ": " + std::strerror(errno));
        return ARC_ERROR_BAD_ARCHIVE;
    }
    std::string why;
    if (directory.Read(file.fd, why, ZipDirectory::Mode::Extract) != ARC_OK) {
        out.Line(command.archive + " is not a ZIP archive or is damaged: " + why);
        return ARC_ERROR_BAD_ARCHIVE;
    }
    return ARC_OK;
}

// Calls visit(index, name) for each member the command names (every member when it names none),
// in archive order; a non-zero result of visit ends the walk with it. A name that matches no
// member fails the call, after the walk.
template<class Visit>
int ForEachWanted(const ZipDirectory& directory, const UnZipCommand& command,
                  arc::OutputText& out, Visit visit)
{
    std::vector<std::string> patterns = command.names;
    for (std::string& pattern : patterns)
        for (char& c : pattern)
            if (c == '\\')
                c = '/';
    std::vector<bool> used(patterns.size(), false);
    const std::vector<OldMember>& members = directory.Members();
    for (size_t i = 0; i < members.size(); ++i) {
        const std::string& name = members[i].Name();
        if (!Wanted(patterns, name, used))
            continue;
        if (int result = visit(i, name); result != ARC_OK)
            return result;
    }
    for (size_t i = 0; i < command.names.size(); ++i) {
        if (!used[i]) {
            out.Line("not in the archive: " + command.names[i]);
            return ARC_ERROR_MEMBER_MISSING;
        }
    }
    return ARC_OK;
}

// The members the command names, and the bytes they hold. A name that matches no member fails
// the call before anything is written.
int Collect(const ZipDirectory& directory, const UnZipCommand& command,
            std::vector<ChosenMember>& chosen, uint64_t& total, arc::OutputText& out)
{
    return ForEachWanted(directory, command, out, [&](size_t index, const std::string& name) {
        total += directory.Members()[index].size;
        chosen.push_back({index, name});
        return ARC_OK;
    });
}

// Lists as it walks, keeping no names: a listing of 100,000 members stays small. Names given
// are checked in a first walk, so that a wrong one lists nothing.
int List(const ZipDirectory& directory, const UnZipCommand& command, ReadProgress& progress,
         arc::OutputText& out)
{
    if (!command.names.empty()) {
        const int checked = ForEachWanted(directory, command, out,
                                          [](size_t, const std::string&) { return ARC_OK; });
        if (checked != ARC_OK)
            return checked;
    }
    return ForEachWanted(directory, command, out, [&](size_t index, const std::string& name) {
        if (!progress.Report(name.c_str()))
            return ARC_ERROR_USER_CANCEL;
        const OldMember& m = directory.Members()[index];
        char line[64];
        std::snprintf(line, sizeof line, "%12llu %12llu  ",
                      static_cast<unsigned long long>(m.size),
                      static_cast<unsigned long long>(m.compressedSize));
        out.Line(line + name);
        return ARC_OK;
    });
}

int Test(const std::vector<ChosenMember>& chosen, MemberReader& reader, ReadProgress& progress,
         arc::OutputText& out)
{
    int failures = 0;
    int firstFailure = ARC_OK;
    for (const ChosenMember& member : chosen) {
        if (!progress.Report(member.name.c_str()))
            return ARC_ERROR_USER_CANCEL;
        int result =
            reader.Read(member.index, member.name, [](const char*, size_t) { return ARC_OK; });
        if (EndsTheCall(result))
            return result;
        if (result != ARC_OK) {
            ++failures;
            if (firstFailure == ARC_OK)
                firstFailure = result;
        }
    }
    out.Line(failures ? std::to_string(failures) + " damaged members" : "no errors");
    return firstFailure;
}

}  // namespace

int RunUnZip(const arc::ParsedCommand& parsed, ArchiverProgressProc proc, void* user,
             arc::OutputText& out)
{
    UnZipCommand command;
    if (int result = ReadUnZipCommand(parsed, command, out); result != ARC_OK)
        return result;
    ArchiveFd file;
    ZipDirectory directory;
    if (int result = OpenArchive(command, file, directory, out); result != ARC_OK)
        return result;
    ReadProgress progress;
    progress.proc = proc;
    progress.user = user;
    if (command.action == UnZipAction::List)
        return List(directory, command, progress, out);
    std::vector<ChosenMember> chosen;
    if (int result = Collect(directory, command, chosen, progress.total, out); result != ARC_OK)
        return result;
    MemberReader reader(directory, command.archivePath, progress, out);
    if (command.action == UnZipAction::Test)
        return Test(chosen, reader, progress, out);
    return ExtractMembers(directory, chosen, command.folder, reader, progress, out);
}

}  // namespace qb::izip
