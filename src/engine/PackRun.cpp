#include "engine/PackRun.h"

#include "common/MessageFormat.h"
#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "engine/PackFolder.h"
#include "engine/RunState.h"

namespace qb::engine {

RunResult PackRun(TargetList& list, const std::string& outputFolder, RunMode mode,
                  const Options& options, RunHost& host, int leftOut)
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
        const FolderOutcome r = PackFolder(folder, outputFolder, mode, options, host, &run);
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
