// The packing run over a target list: every folder in order through PackFolder, stopping at the
// first stop result, then the closing line. The window's run and the silent run of start-up are
// both this loop; what differs between them is their RunHost.
#pragma once

#include "engine/Options.h"
#include "engine/PackChoices.h"
#include "engine/PackFolder.h"
#include "engine/PackHost.h"
#include "engine/TargetList.h"

#include <string>

namespace qb::engine {

// What a run needs beyond what one folder reports. The defaults suit a run nobody watches: no
// events, no cancel button. Which folders are pending, packed or failed the target list keeps.
class RunHost : public PackHost {
public:
    // Before folder index is packed: the place to take events (a cancel click among them).
    // False ends the run as aborted without packing it.
    virtual bool BeforeFolder(int index)
    {
        (void)index;
        return true;
    }
    // After folder index, with how it ended.
    virtual void AfterFolder(int index, FolderOutcome outcome)
    {
        (void)index;
        (void)outcome;
    }
    // After the last folder (or the stop), before the closing line.
    virtual void RunEnded(bool aborted) { (void)aborted; }
    // True when a stop was asked for while the last folder was being packed, so that the closing
    // line says the run was aborted although the loop had nothing left to stop.
    virtual bool StopRequested() const { return false; }
};

// Where a run puts its archives: all in the output folder it is given, or each beside its folder
// (in the folder that holds it), as a file manager's "pack this folder" is expected to do.
enum class ArchivePlace { OutputFolder, BesideFolder };

struct RunResult {
    int packed = 0;  // folders that became archives
    int failed = 0;  // folders that did not (including those not reached)
    bool aborted = false;  // a stop result or a stop request ended the run
};

// Packs each item of list into outputFolder in mode (normal, stored or double) after
// options, then appends the closing line ("全て終了しました", or "中断しました" when aborted) to the
// history and, when any folder was not packed, the line that counts them ("全 3 フォルダ中 1
// フォルダを圧縮しました"). The item count is read once, before the first folder. The run's
// folders share one private folder in TmpDir and one record of the archives they claimed.
// The list follows the run: every item Pending at the start, the current one Packing (before
// BeforeFolder), then Packed or Failed (before AfterFolder); after RunEnded the packed folders
// leave it, and what stays are those that failed or were never reached.
// leftOut: folders named for this run that never reached the list (StartReport); they count
// among the run's folders in that last line, which then always comes.
// With ArchivePlace::BesideFolder each folder's parent takes its archive (a drive root, which has
// no parent, keeps outputFolder and fails for want of a name); a parent the run may not write to
// fails only that folder, with its reason, and the run goes on.
RunResult PackRun(TargetList& list, const std::string& outputFolder, RunMode mode,
                  const Options& options, RunHost& host, int leftOut = 0,
                  ArchivePlace place = ArchivePlace::OutputFolder);

// The last line of a run in which some folder was not packed.
std::string RunCountLine(int count, int packed);

}  // namespace qb::engine
