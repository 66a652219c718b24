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

class ArchiveListPane : public qb::panes::PaneBase {
    Q_OBJECT
public:
    ArchiveListPane(PaneHost* host, const qb::engine::Options& options, QWidget* parent = nullptr);

    // Adds one archive path; a duplicate or an entry beyond the 1000th is dropped silently.
    void AddArchive(const QString& path);
    void SelectAll();
    void SelectNone();
    void SetFontData() override;
    void SetToolTip(bool on) override;

    void Initialize();
    void SaveState() { SavePosition(); }

    // The data a drag carries: the selected archives as file URLs, nothing else.
    QMimeData* DragData() const;

    QListWidget* archiveList = nullptr;
    QMenu* popupMenu = nullptr;
    QAction* clearAction = nullptr;
    QAction* refreshAction = nullptr;
    QAction* selectAllAction = nullptr;
    QAction* selectNoneAction = nullptr;

    void ClearList();
    void RefreshFromDisk();

protected:
    void LayOutControls() override;
};
