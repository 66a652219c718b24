#pragma once
// The created-archive list: every archive the runs made, in order, without duplicates, at most
// 1000. The user drags archives from here into a file manager, which copies them.

#include "panes/PaneBase.h"

#include <QString>
#include <QStringList>

class QListWidget;
class QMenu;
class QAction;
class QMimeData;

class mdiOutFile : public qb::panes::PaneBase {
    Q_OBJECT
public:
    explicit mdiOutFile(FormHost* host, QWidget* parent = nullptr);

    // Adds one archive path; a duplicate or an entry beyond the 1000th is dropped silently.
    void ListInAdd(const QString& path);
    void SelectAll();
    void SelectClear();
    void SetFontData() override;
    void SetToolTip(bool blnToolTip) override;

    void Form_Load();
    void Form_Unload() { SavePosition(); }

    // The data a drag carries: the selected archives as file URLs, nothing else.
    QMimeData* DragData() const;

    QListWidget* lstOutFile = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuDel = nullptr;
    QAction* mnuRefresh = nullptr;
    QAction* mnuAll = nullptr;
    QAction* mnuClear = nullptr;

    void mnuDel_Click();
    void mnuRefresh_Click();

protected:
    void Form_Resize() override;
};
