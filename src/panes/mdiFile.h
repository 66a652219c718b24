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

class mdiFile : public qb::panes::PaneBase, public qb::engine::TargetList {
    Q_OBJECT
public:
    explicit mdiFile(FormHost* host, QWidget* parent = nullptr);

    // Adds one folder path unless it is listed already; false (after message 3100) when the
    // list is full, so that callers stop adding.
    bool ListInAdd(const QString& name);
    // Normalises a path from outside and adds it when it is an existing folder.
    bool Gaibu_ListInAdd(const QString& path);

    void RefreshForm();  // empties the list
    void SelectAll();
    void SelectClear();
    void SetFontData() override;
    void SetToolTip(bool blnToolTip) override;

    void Form_Load();
    void Form_Unload() { SavePosition(); }

    // TargetList, over lstFile.
    int Count() const override;
    std::string Item(int index) const override;
    void Append(const std::string& path) override;
    void Clear() override;

    QListWidget* lstFile = nullptr;
    QPushButton* btnDel = nullptr;
    QPushButton* btnDelAll = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuAll = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuOutCopy = nullptr;
    QAction* mnuInCopy = nullptr;

    void btnDel_Click();
    void btnDelAll_Click();
    void mnuInCopy_Click();
    void mnuOutCopy_Click();
    // A drop of a file list: each local file name in turn, stopping when the list is full.
    void DropPaths(const QStringList& hostOrDrivePaths);

protected:
    void Form_Resize() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString GetFirstSelected() const;

    qb::panes::UiMessages m_messages;
};
