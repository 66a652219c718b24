#pragma once
// The subfolder list: the names of the direct subfolders of the source-holding folder. From here
// the user moves folders into the target list: the selected ones, all of them, or all of their
// own subfolders one level down. A double click asks for a subfolder to become the new
// source-holding folder.
// The list follows the disk: folders created, removed or renamed outside the program show up (or
// go) by themselves, and the names the user selected stay selected.

#include "panes/PaneBase.h"
#include "panes/UiMessages.h"

#include <QString>

class QListWidget;
class QMenu;
class QAction;
class QPushButton;

namespace qb::engine {
class TargetList;
}
namespace qb::ui {
class FolderWatch;
}

class SubfolderListPane : public qb::panes::PaneBase {
    Q_OBJECT
public:
    // targets: where the add buttons put folders (the target list pane shows them).
    SubfolderListPane(PaneHost* host, const qb::engine::Options& options,
                      qb::engine::TargetList& targets, QWidget* parent = nullptr);

    // The current folder: writing it re-reads the list.
    QString Folder() const;
    void SetFolder(const QString& folder);

    void Reload();
    void SelectAll();
    void SelectNone();
    void SetFontData() override;
    void SetToolTip(bool on) override;

    void Initialize();
    void SaveState() { SavePosition(); }

    // The full path of a listed name: on-disk form, "" when the folder is gone.
    QString FullPath(const QString& name) const;

    QListWidget* subfolderList = nullptr;
    QPushButton* addSelectedButton = nullptr;
    QPushButton* addAllButton = nullptr;
    QPushButton* addSubfoldersButton = nullptr;
    QMenu* popupMenu = nullptr;
    QAction* refreshAction = nullptr;
    QAction* selectAllAction = nullptr;
    QAction* selectNoneAction = nullptr;

    void AddSelected();
    void AddAll();
    void AddAllSubfolders();
    void OpenSelectedSubfolder();

signals:
    // After an add button put folders into the target list (or tried to).
    void TargetsAdded();
    // A double click asked for folder to become the source-holding folder.
    void SubfolderOpened(const QString& folder);
    // Enter in the list: the focus is to move on to the target list.
    void ReturnPressed();

protected:
    void LayOutControls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadSubfolders();
    // A change on disk: the list is read again when its names changed, keeping the selection.
    void FollowDisk();
    void addNames(bool selectedOnly);

    qb::engine::TargetList& m_targets;
    qb::panes::UiMessages m_messages;
    QString m_dir;
    QStringList m_names;  // the names listed, as last read
    qb::ui::FolderWatch* m_watch = nullptr;
};
