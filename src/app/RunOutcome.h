#pragma once
// How a silent run started from the desktop (a file-manager action, --notify) tells its
// outcome, as nobody watches its standard output: a desktop notification (notify-send) when
// every folder was packed, which says where the archives are and, where the notification
// service has buttons, offers to open their folder; the history in a window, its summary first,
// when some were not (or when there is no notify-send to tell it otherwise).

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace qb::app {

// The history of one run in a window of its own, read-only, closed with OK. Its last line (the
// count of folders packed when some were not) stands above it as the summary.
class RunOutcomeWindow : public QDialog {
public:
    explicit RunOutcomeWindow(const std::vector<std::string>& history, QWidget* parent = nullptr);
    QLabel* summaryLabel = nullptr;
    QPlainTextEdit* historyText = nullptr;
};

// The one folder that holds every archive (host paths); "" when they are in several, or none.
std::string ArchivesFolder(const std::vector<std::string>& archives);

// The notification's text: the closing line of the history, then where the archives (host
// paths) are: their folder and their names when they share one, else each one's path.
std::string NotificationBody(const std::vector<std::string>& history,
                             const std::vector<std::string>& archives);

// allPacked: the run's exit status was 0. created: the archives made (drive paths).
// On the offscreen platform the window cannot be seen: its lines go to standard error.
void ReportOutcome(bool allPacked, const std::vector<std::string>& history,
                   const std::vector<std::string>& created);

}  // namespace qb::app
