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

class mdiStatus : public qb::panes::PaneBase {
    Q_OBJECT
public:
    static constexpr int kLastKeptIndex = 30000;

    explicit mdiStatus(FormHost* host, QWidget* parent = nullptr);

    // Appends one line and repaints at once, so that a long run shows its progress.
    void ListInAdd(const QString& text);
    void RefreshForm();  // empties the history
    void LogCopy();
    void LogSave();
    void SetFontData() override;
    void SetToolTip(bool blnToolTip) override;

    void Form_Load();
    void Form_Unload() { SavePosition(); }

    // The history as it is copied and saved: every line followed by CR LF.
    QString HistoryText() const;

    qb::panes::HistoryList* lstKekka = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuDel = nullptr;

protected:
    void Form_Resize() override;

private:
    void WriteLogFile(const QString& fileName);
};
