#pragma once
// The subfolder list: the names of the direct subfolders of the source-holding folder. From here
// the user moves folders into the target list: the selected ones, all of them, or all of their
// own subfolders one level down. A double click makes a subfolder the new source-holding folder.
// The list follows the disk: folders created, removed or renamed outside the program show up (or
// go) by themselves, and the names the user selected stay selected.

#include "panes/PaneBase.h"

#include <QString>

class QListWidget;
class QMenu;
class QAction;
class QPushButton;

namespace qb::ui {
class FolderWatch;
}

class mdiInFile : public qb::panes::PaneBase {
    Q_OBJECT
public:
    explicit mdiInFile(FormHost* host, QWidget* parent = nullptr);

    // The current folder: writing it re-reads the list.
    QString DirName() const;
    void SetDirName(const QString& strDirName);

    void RefreshForm();
    void SelectAll();
    void SelectClear();
    void SetFontData() override;
    void SetToolTip(bool blnToolTip) override;

    void Form_Load();
    void Form_Unload() { SavePosition(); }

    // The full path of a listed name: on-disk form, "" when the folder is gone.
    QString FullPath(const QString& name) const;

    QListWidget* lstDir = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnAddAll = nullptr;
    QPushButton* btnAddAllAll = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuRefresh = nullptr;
    QAction* mnuAll = nullptr;
    QAction* mnuClear = nullptr;

    void btnAdd_Click();
    void btnAddAll_Click();
    void btnAddAllAll_Click();
    void lstDir_DblClick();

protected:
    void Form_Resize() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadSubfolders();
    // A change on disk: the list is read again when its names changed, keeping the selection.
    void FollowDisk();
    void addNames(bool selectedOnly);

    QString m_dir;
    QStringList m_names;  // the names listed, as last read
    qb::ui::FolderWatch* m_watch = nullptr;
};
