#pragma once
// The silent automatic run of start-up: the folders (or the job file) of the command line are
// packed without any window, into the output pane's starting folder, with the mode of option
// AutoExe. For scripts it writes the history lines to standard output and a one-line progress
// to standard error when that is a terminal; nothing is written to the settings.
//
// Message boxes are shown as usual on a real display. On the offscreen platform (no display)
// nobody could ever press OK, so their texts go to standard error instead and the run goes on.

#include "engine/Options.h"
#include "engine/PackHost.h"

#include <string>
#include <vector>

namespace qb::app {

// True when the program runs on Qt's offscreen platform.
bool IsOffscreen();

// Message boxes and questions of start-up and the silent run (see above). A question that
// nobody can answer counts as No.
class StartupMessages : public qb::engine::MessageSink {
public:
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
};

// Exit statuses of a silent run.
inline constexpr int kExitAllPacked = 0;
inline constexpr int kExitSomeNotPacked = 1;
inline constexpr int kExitAborted = 2;

struct AutoStartResult {
    bool ranOut = false;  // a run took place (the program then ends)
    int exitStatus = kExitAllPacked;
    std::vector<std::string> history;
    std::vector<std::string> created;  // the archives made, drive paths
};

// What a silent run started with options does differently from the automatic run of start-up.
struct SilentRunChoices {
    // When not "", replaces the output pane's starting folder (an existing folder in its on-disk
    // form).
    std::string outFolder;
    // Each archive beside its folder (in the folder's parent), whatever the output folder.
    bool besideFolders = false;
    // A progress window once the run takes a while (a run started from a file manager).
    bool progressWindow = false;
    // The main window comes up when no run takes place (the automatic run of start-up); false
    // for a run asked to be silent.
    bool windowFollows = true;
};

// AutoStart: parses the command text into a target list of its own, packs it with options and,
// with option AutoLog, leaves the history on the clipboard. ranOut is false when the command text named no
// usable folder or job file (or something unexpected happened): start-up then goes on with the
// window.
// What the command line names but the list does not take (StartReport) heads the history and
// counts in its last line. When none of it was taken and choices.windowFollows is false (a run
// asked to be silent), the run still takes place with nothing to pack, so that the history tells
// why; with windowFollows the window tells it instead (ranOut false).
AutoStartResult AutoStart(const std::string& commandText, const qb::engine::Options& options,
                          const SilentRunChoices& choices = {});

}  // namespace qb::app
