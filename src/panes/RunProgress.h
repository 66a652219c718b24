#pragma once
// The progress window of an interactive run: while one archive is written it shows the member
// being packed and how far the call has come, and offers a cancel button. The archivers report
// between pieces of work on the user-interface thread; each report lets the window repaint and
// take the cancel click, and a cancel makes the archiver end its call as cancelled.

#include "engine/Options.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qb::panes {

class RunProgress : public QDialog {
    Q_OBJECT
public:
    // options: the program's, for the shared font.
    explicit RunProgress(const qb::engine::Options& options, QWidget* parent = nullptr);

    // Starts a run: nothing cancelled yet.
    void BeginRun();
    // Starts folder number index (from 0) of count: shows "フォルダ i / N" and the folder's name
    // above the archive's figures, which start again; the window appears only if the call takes
    // a while.
    void BeginFolder(int index, int count, const QString& folder);
    // One report. False once the user cancelled.
    bool Report(const QString& member, std::uint64_t done, std::uint64_t total);
    // Ends the folder; a window once shown stays up for the next one.
    void EndFolder();
    // Ends the run and hides the window.
    void EndRun();

    bool Cancelled() const { return m_cancelled; }
    // Cancels the archive being written, as the cancel button does.
    void Cancel() { m_cancelled = true; }

    // How long a call runs before the window appears, and how often it is refreshed.
    static void SetShowDelayMs(int ms);
    static void SetRefreshMs(int ms);

    QLabel* positionLabel = nullptr;
    QLabel* folderLabel = nullptr;
    QLabel* memberLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    QPushButton* cancelButton = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    const qb::engine::Options& m_options;
    QElapsedTimer m_started;
    QElapsedTimer m_lastRefresh;
    bool m_cancelled = false;
};

}  // namespace qb::panes
