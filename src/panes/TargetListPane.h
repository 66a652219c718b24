#pragma once
// The target list pane: a view of the target list (engine/TargetList.h), the full paths of the
// folders the next run packs, in the order they were added, without duplicates and at most 1000.
// Folders arrive from the subfolder list, from drops of file-manager file lists, from the command
// line and from job files; whoever adds them adds to the list, and the pane follows it. During a
// run the selection marks the folders still to be packed (and those that failed), and the view
// keeps the folder being packed at its top.

#include "engine/TargetList.h"
#include "panes/PaneBase.h"
#include "panes/UiMessages.h"

#include <QString>

class QListWidget;
class QMenu;
class QAction;
class QPushButton;

class TargetListPane : public qb::panes::PaneBase, private qb::engine::TargetListWatcher {
    Q_OBJECT
public:
    // targets: the list shown; it outlives the pane (the main window owns both).
    TargetListPane(PaneHost* host, const qb::engine::Options& options,
                   qb::engine::TargetList& targets, QWidget* parent = nullptr);

    // Adds one folder path unless it is listed already; false (after message 3100) when the
    // list is full, so that callers stop adding.
    bool AddTarget(const QString& name);
    // Normalises a path from outside and adds it when it is an existing folder.
    bool AddOutsidePath(const QString& path);

    void SelectAll();
    void SelectNone();
    void SetFontData() override;
    void SetToolTip(bool on) override;

    void Initialize();
    void SaveState() { SavePosition(); }

    QListWidget* targetList = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* removeAllButton = nullptr;
    QMenu* popupMenu = nullptr;
    QAction* selectAllAction = nullptr;
    QAction* selectNoneAction = nullptr;
    QAction* toOutputFolderAction = nullptr;
    QAction* toSourceFolderAction = nullptr;

    void RemoveSelected();
    void RemoveAll();
    void CopyParentToSourcePane();
    void CopyParentToOutputPane();
    // A drop of a file list: each local file name in turn, stopping when the list is full.
    void DropPaths(const QStringList& hostOrDrivePaths);

signals:
    // The user removed folders, or dropped some onto the list.
    void ListEdited();
    // The popup asked for folder (the parent of the first selected target) to be shown in the
    // source-holding, resp. the output folder pane.
    void SourceFolderChosen(const QString& folder);
    void OutputFolderChosen(const QString& folder);
    // Enter in the list: the focus is to move on to the output folder pane.
    void ReturnPressed();

protected:
    void LayOutControls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // TargetListWatcher: the list box follows the list item by item.
    void TargetAdded(int index) override;
    void TargetRemoved(int index) override;
    void TargetsCleared() override;
    void TargetStateChanged(int index) override;

    QString GetFirstSelected() const;

    qb::engine::TargetList& m_targets;
    qb::panes::UiMessages m_messages;
};
