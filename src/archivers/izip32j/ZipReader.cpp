#include "ZipReader.h"

#include "ArchiveSource.h"
#include "ErrorCodes.h"
#include "MemberName.h"
#include "MemberReader.h"
#include "UnZipCommand.h"
#include "Wildcard.h"
#include "ZipExtract.h"
#include "ZipHandle.h"

#include <cstdio>
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

int OpenArchive(const UnZipCommand& command, ZipHandle& archive, arc::OutputText& out)
{
    int zipError = 0;
    archive = OpenArchiveForReading(command.archivePath, zipError);
    if (archive)
        return ARC_OK;
    zip_error_t error;
    zip_error_init_with_code(&error, zipError);
    out.Line(command.archive + ": " + zip_error_strerror(&error));
    zip_error_fini(&error);
    return zipError == ZIP_ER_MEMORY ? ARC_ERROR_NO_MEMORY : ARC_ERROR_BAD_ARCHIVE;
}

// Calls visit(index, name) for each member the command names (every member when it names none),
// in archive order; a non-zero result of visit ends the walk with it. A name that matches no
// member fails the call, after the walk.
template<class Visit>
int ForEachWanted(zip_t* archive, const UnZipCommand& command, arc::OutputText& out, Visit visit)
{
    std::vector<std::string> patterns = command.names;
    for (std::string& pattern : patterns)
        for (char& c : pattern)
            if (c == '\\')
                c = '/';
    std::vector<bool> used(patterns.size(), false);
    zip_int64_t count = zip_get_num_entries(archive, 0);
    std::string name;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        if (!MemberName(archive, index, name)) {
            out.Line(std::string("unreadable member name: ") + zip_strerror(archive));
            return ARC_ERROR_BAD_ARCHIVE;
        }
        if (!Wanted(patterns, name, used))
            continue;
        if (int result = visit(index, name); result != ARC_OK)
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
int Collect(zip_t* archive, const UnZipCommand& command, std::vector<ChosenMember>& chosen,
            uint64_t& total, arc::OutputText& out)
{
    return ForEachWanted(archive, command, out, [&](zip_uint64_t index, const std::string& name) {
        zip_stat_t st;
        if (zip_stat_index(archive, index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
            total += st.size;
        chosen.push_back({index, name});
        return ARC_OK;
    });
}

// Lists as it walks, keeping no names: a listing of 100,000 members stays small. Names given
// are checked in a first walk, so that a wrong one lists nothing.
int List(zip_t* archive, const UnZipCommand& command, ReadProgress& progress,
         arc::OutputText& out)
{
    if (!command.names.empty()) {
        const int checked = ForEachWanted(archive, command, out,
                                          [](zip_uint64_t, const std::string&) { return ARC_OK; });
        if (checked != ARC_OK)
            return checked;
    }
    return ForEachWanted(archive, command, out, [&](zip_uint64_t index, const std::string& name) {
        if (!progress.Report(name.c_str()))
            return ARC_ERROR_USER_CANCEL;
        zip_stat_t st;
        zip_stat_init(&st);
        zip_stat_index(archive, index, 0, &st);
        char line[64];
        std::snprintf(line, sizeof line, "%12llu %12llu  ",
                      static_cast<unsigned long long>(st.size),
                      static_cast<unsigned long long>(st.comp_size));
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
    ZipHandle archive;
    if (int result = OpenArchive(command, archive, out); result != ARC_OK)
        return result;
    ReadProgress progress;
    progress.proc = proc;
    progress.user = user;
    if (command.action == UnZipAction::List)
        return List(archive.get(), command, progress, out);
    std::vector<ChosenMember> chosen;
    if (int result = Collect(archive.get(), command, chosen, progress.total, out); result != ARC_OK)
        return result;
    MemberReader reader(archive.get(), progress, out);
    if (command.action == UnZipAction::Test)
        return Test(chosen, reader, progress, out);
    return ExtractMembers(archive.get(), chosen, command.folder, reader, progress, out);
}

}  // namespace qb::izip
