#pragma once
// The execution history: what the last run did, line by line. It can be copied to the clipboard
// or saved as a log file. It keeps at most about 30002 lines, dropping the oldest first.

#include "panes/PaneBase.h"

#include <QString>

namespace qb::panes {
class HistoryList;
}
class QMenu;
class QAction;

class HistoryPane : public qb::panes::PaneBase {
    Q_OBJECT
public:
    static constexpr int kLastKeptIndex = 30000;

    HistoryPane(PaneHost* host, const qb::engine::Options& options, QWidget* parent = nullptr);

    // Appends one line and repaints at once, so that a long run shows its progress.
    void AddLine(const QString& text);
    void Clear();  // empties the history
    void LogCopy();
    void LogSave();
    void SetFontData() override;
    void SetToolTip(bool on) override;

    void Initialize();
    void SaveState() { SavePosition(); }

    // The history as it is copied and saved: every line followed by CR LF.
    QString HistoryText() const;

    qb::panes::HistoryList* historyList = nullptr;
    QMenu* popupMenu = nullptr;
    QAction* clearAction = nullptr;

protected:
    void LayOutControls() override;

private:
    void WriteLogFile(const QString& fileName);
};
