// The silent run over a target list: every folder in order, stopping at the first stop result.
// It changes nothing in the list, polls no events and asks nothing beyond PackFolder's own
// message boxes.
#pragma once

#include "engine/PackHost.h"
#include "engine/TargetList.h"

#include <string>

namespace basQuillbox {

// True while the silent run of start-up is in progress: the panes then take up only their
// starting folders and save nothing.
extern bool AutoRunActive;

struct AutoRunResult {
    int packed = 0;        // folders that became archives
    int failed = 0;        // folders that did not (including those not reached)
    bool aborted = false;  // a stop result ended the run
};

// Packs each item of list into outputFolder with mode, then appends the closing line
// ("全て終了しました", or "中断しました" when aborted) to the history.
AutoRunResult AutoPackRun(const qb::engine::TargetList& list, const std::string& outputFolder,
                          int mode, qb::engine::PackHost& host);

}  // namespace basQuillbox

// The module's procedures are also reachable as qb::basQuillbox, beside the program's other
// qb:: namespaces.
namespace qb {
namespace basQuillbox = ::basQuillbox;
}  // namespace qb
