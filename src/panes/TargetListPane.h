#pragma once
// The target list: the full paths of the folders the next run packs, in the order they were
// added, without duplicates and at most 1000. Folders arrive from the subfolder list, from drops
// of file-manager file lists, from the command line and from job files.

#include "engine/TargetList.h"
#include "panes/PaneBase.h"
#include "panes/UiMessages.h"

#include <QString>

class QListWidget;
class QMenu;
class QAction;
class QPushButton;

class TargetListPane : public qb::panes::PaneBase, public qb::engine::TargetList {
    Q_OBJECT
public:
    explicit TargetListPane(PaneHost* host, QWidget* parent = nullptr);

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

    // TargetList, over targetList.
    int Count() const override;
    std::string Item(int index) const override;
    void Append(const std::string& path) override;
    void Clear() override;

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

protected:
    void LayOutControls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString GetFirstSelected() const;

    qb::panes::UiMessages m_messages;
};
