// d: delete the members named on the command line. The other members are copied byte for byte
// into a new archive that replaces the old one when complete.
#include "UnlhaInternal.h"

#include "ArchiveWriter.h"
#include "AtomicOutput.h"
#include "archiver_results.h"

namespace unlha {

int RunDelete(const UnlhaCommand& cmd, Call& call)
{
    if (cmd.files.empty()) {
        call.Out().Line("name the members to delete");
        return ARC_ERROR_COMMAND_LINE;
    }
    LoadedArchive archive;
    if (int rc = LoadArchive(cmd.archive, call, archive))
        return rc;
    if (int rc = CheckRewritable(archive, cmd.archiveArgument, call))
        return rc;
    const auto& members = archive.members;
    std::vector<const lzh::MemberHeader*> keep;
    for (const auto& m : members) {
        if (MatchesAny(cmd.files, m))
            call.Out().Line("deleted " + DisplayPath(m));
        else
            keep.push_back(&m);
    }
    if (keep.size() == members.size()) {
        call.Out().Line("no member matches the names given");
        return ARC_ERROR_MEMBER_MISSING;
    }
    qb::arc::RemoveDeadTempFilesFor(cmd.archive, cmd.workFolder);
    qb::arc::AtomicOutput output;
    if (int rc = output.Begin(cmd.archive, cmd.workFolder)) {
        call.Out().Line("cannot write the archive " + cmd.archive);
        return rc;
    }
    ArchiveWriter w(output.Fd());
    std::size_t done = 0;
    std::vector<std::uint8_t> buffer;
    for (const auto* m : keep) {
        if (int rc = CopyRawMember(*archive.source, *m, w, buffer))
            return rc;
        if (w.Error())
            return WriteFailure(w);
        if (!call.Progress(m->Path(), ++done, keep.size()))
            return ARC_ERROR_USER_CANCEL;
    }
    const std::uint8_t endMarker = 0;
    w.Write(&endMarker, 1);
    if (!w.Flush())
        return WriteFailure(w);
    return output.Commit();
}

}  // namespace unlha
