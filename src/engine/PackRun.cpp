#include "engine/PackRun.h"

#include "common/MessageFormat.h"
#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "engine/PackFolder.h"
#include "engine/ModuleReport.h"
#include "engine/RunState.h"
#include "common/PathHelpers.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <optional>

namespace qb::engine {
namespace {

// The folder that takes folder's archive when it goes beside it, or nullopt when the run may not
// write there: the folder then fails with the reason. The archiver would find the same, but its
// read-only result stops the whole run, and here the other folders may well lie elsewhere.
std::optional<std::string> BesideFolder(const std::string& folder, const std::string& outputFolder,
                                        PackHost& host)
{
    const std::string parent = PathHelpers::ParentFolder(folder);
    if (parent.empty() || parent == folder)
        return outputFolder;
    const int error = qb::platform::FolderWriteError(parent);
    if (error == 0)
        return parent;
    const std::string why = error == EACCES || error == EPERM || error == EROFS
                                ? ProgramMessage(kReasonReadOnly)
                                : std::string(std::strerror(error));
    host.HistoryAdd("[ " + PathHelpers::ShortDisplayPath(folder) + " ]");
    host.HistoryAdd(ProgramMessage(kHistoryNotPacked));
    host.HistoryAdd(
        ReasonLine(FormatText(ProgramMessage(kReasonFolderNotWritable), {parent, why})));
    return std::nullopt;
}

}  // namespace

RunResult PackRun(TargetList& list, const std::string& outputFolder, RunMode mode,
                  const Options& options, RunHost& host, int leftOut, ArchivePlace place)
{
    RunResult result;
    const int count = list.Count();
    list.BeginRun();
    RunState run(options.TempFolder);
    for (int i = 0; i < count; ++i) {
        list.SetState(i, TargetState::Packing);
        if (!host.BeforeFolder(i)) {
            result.aborted = true;
            break;
        }
        const std::string folder = list.Item(i);
        std::optional<std::string> out = outputFolder;
        if (place == ArchivePlace::BesideFolder)
            out = BesideFolder(folder, outputFolder, host);
        const FolderOutcome r = out ? PackFolder(folder, *out, mode, options, host, &run)
                                    : FolderOutcome::NotPacked;
        list.SetState(i, r == FolderOutcome::Packed ? TargetState::Packed : TargetState::Failed);
        host.AfterFolder(i, r);
        if (r == FolderOutcome::Packed) {
            ++result.packed;
        } else if (r == FolderOutcome::StopRun) {
            result.aborted = true;
            break;
        }
    }
    result.failed = count - result.packed;
    if (host.StopRequested())
        result.aborted = true;
    host.RunEnded(result.aborted);
    list.EndRun();
    host.HistoryAdd(SharedMessage(result.aborted ? kSharedRunAborted : kSharedRunFinished));
    if (result.failed > 0 || leftOut > 0)
        host.HistoryAdd(RunCountLine(count + leftOut, result.packed));
    return result;
}

std::string RunCountLine(int count, int packed)
{
    return FormatText(ProgramMessage(kHistoryRunCount),
                      {std::to_string(count), std::to_string(packed)});
}

}  // namespace qb::engine
