#pragma once
// How a silent run started from the desktop (a file-manager action, --notify) tells its
// outcome, as nobody watches its standard output: a desktop notification (notify-send) when
// every folder was packed; the history in a window when some were not (or when there is no
// notify-send to tell it otherwise).

#include <QDialog>

#include <string>
#include <vector>

class QPlainTextEdit;

namespace qb::app {

// The history of one run in a window of its own, read-only, closed with OK.
class RunOutcomeWindow : public QDialog {
public:
    explicit RunOutcomeWindow(const std::vector<std::string>& history, QWidget* parent = nullptr);
    QPlainTextEdit* historyText = nullptr;
};

// allPacked: the run's exit status was 0. created: the archives made (drive paths).
// On the offscreen platform the window cannot be seen: its lines go to standard error.
void ReportOutcome(bool allPacked, const std::vector<std::string>& history,
                   const std::vector<std::string>& created);

}  // namespace qb::app
