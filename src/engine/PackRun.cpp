#include "engine/PackRun.h"

#include "common/resQuill.h"
#include "engine/PackFolder.h"

namespace qb::engine {

RunResult PackRun(const TargetList& list, const std::string& outputFolder, int mode,
                  const Options& options, RunHost& host)
{
    RunResult result;
    const int count = list.Count();
    for (int i = 0; i < count; ++i) {
        if (!host.BeforeFolder(i)) {
            result.aborted = true;
            break;
        }
        const int r = PackFolder(list.Item(i), outputFolder, mode, options, host);
        host.AfterFolder(i, r);
        if (r == kPacked) {
            ++result.packed;
        } else if (r == kStopRun) {
            result.aborted = true;
            break;
        }
    }
    result.failed = count - result.packed;
    if (host.StopRequested())
        result.aborted = true;
    host.RunEnded(result.aborted);
    host.HistoryAdd(resQuill(result.aborted ? kSharedRunAborted : kSharedRunFinished));
    return result;
}

}  // namespace qb::engine
