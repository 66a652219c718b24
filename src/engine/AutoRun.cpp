#include "engine/AutoRun.h"

#include "common/resQuill.h"
#include "engine/PackFolder.h"

namespace basQuillbox {

bool AutoRunActive = false;

AutoRunResult AutoPackRun(const qb::engine::TargetList& list, const std::string& outputFolder,
                          int mode, qb::engine::PackHost& host)
{
    AutoRunResult result;
    const int count = list.Count();
    for (int i = 0; i < count; ++i) {
        const int r = PackFolder(list.Item(i), outputFolder, mode, host);
        if (r == kPacked) {
            ++result.packed;
        } else if (r == kStopRun) {
            result.aborted = true;
            break;
        }
    }
    result.failed = count - result.packed;
    host.HistoryAdd(resQuill(result.aborted ? 30 : 31));
    return result;
}

}  // namespace basQuillbox
