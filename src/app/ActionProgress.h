#pragma once
// The progress window of a run started from a file manager. Such a run has no main window, so
// without this nothing would show that it is working until its notification. The window comes
// up only once the run has taken a while (about a second), so a quick run shows nothing but its
// outcome; it then shows which folder of how many is packed, its name, the member being
// written and how far the archive has come, with a cancel button. Cancelling (or closing the
// window) stops the run as the main window's cancel does: the archive being written is given
// up, nothing of it is left, and the folders not reached are not packed.
//
// The archivers report on the user-interface thread between pieces of work; each report lets
// the window repaint and take the cancel click.

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qb::app {

class ActionProgress : public QDialog {
    Q_OBJECT
public:
    // The run starts when the window is made.
    explicit ActionProgress(QWidget* parent = nullptr);

    // How long a run goes on unseen before the window appears (about a second).
    static void SetShowDelayMs(int ms);

    // Folder number index (from 0) of count is next; name is what the user calls it.
    void BeginFolder(int index, int count, const QString& name);
    // One report of the archiver. False once the run is to stop.
    bool Report(const QString& member, std::uint64_t done, std::uint64_t total);
    // Between folders: takes events (a cancel click among them). False once the run is to stop.
    bool TakeEvents();
    // The run is over: the window goes.
    void Finish();

    bool Cancelled() const { return m_cancelled; }

    QLabel* positionLabel = nullptr;
    QLabel* folderLabel = nullptr;
    QLabel* memberLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    QPushButton* cancelButton = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Cancel();
    void ShowWhenDue();

    QElapsedTimer m_run;
    QElapsedTimer m_lastRefresh;
    bool m_cancelled = false;
};

}  // namespace qb::app
