#pragma once
// The two folder browser panes, SourceFolderPane and OutputFolderPane, are twins: a drive list, a folder list
// and the shortened folder text, the same popup, the same settings pattern. This holds what they
// share; the two classes add their texts and what a change of folder means for them.

#include "dialogs/FolderAliases.h"
#include "engine/PaneStart.h"
#include "panes/PaneBase.h"

#include <QString>

#include <memory>

class DriveList;
class FolderList;
class QLineEdit;
class QMenu;
class QAction;
class FolderAliasDialog;

namespace qb::panes {

class FolderPane : public PaneBase {
    Q_OBJECT
public:
    FolderPane(PaneHost* host, const engine::Options& options, engine::FolderPane which,
               const char* objectName, const char* positionPrefix, QWidget* parent = nullptr);
    ~FolderPane() override;

    // The folder shown, in its on-disk form ("" when it cannot be formed).
    QString Folder() const;
    // Shows a folder; one that cannot be shown falls back to the working folder, silently.
    void SetFolder(const QString& folder);

    // Re-reads drives and folders from the file system and refreshes the display.
    void Reload();

    void SetFontData() override;
    void SetToolTip(bool on) override;

    // Load and unload: starting folder, position, texts and aliases; and saving them back.
    void Initialize(FolderAliasDialog* aliasDialog);
    void SaveState();

    // The initial folder and its in-force flag, as held in memory until shutdown.
    QString InitialDir() const { return m_initialDir; }
    bool InitialDirInForce() const { return m_initialInForce; }
    void SetInitialDir(const QString& dir, bool inForce);

    DriveList* driveList = nullptr;
    FolderList* folderList = nullptr;
    QLineEdit* folderPathBox = nullptr;
    QMenu* popupMenu = nullptr;
    QAction* copyToOtherAction = nullptr;
    QAction* refreshAction = nullptr;

    // Popup commands.
    void CopyToOtherPane();
    void RefreshFromDisk() { Reload(); }

signals:
    // copyToOtherAction: the other folder pane is to show folder.
    void CopyToOtherRequested(const QString& folder);

protected:
    // What a change of folder means for the pane (the folder list's change event).
    virtual void FolderChanged() = 0;
    // Texts of the pane: title, tooltips of driveList, folderList, folderPathBox, caption of copyToOtherAction.
    virtual void SetCaptions() = 0;
    virtual void SetTipTexts(bool on) = 0;

    // Sets folderPathBox (and the output pane's title) from the folder shown.
    virtual void ShowFolderText();

    void LayOutControls() override;

private:
    void DriveChanged();
    const char* dirKey() const;

    engine::FolderPane m_which;
    std::unique_ptr<FolderAliases> m_aliases;
    QString m_initialDir;
    bool m_initialInForce = true;
    bool m_quiet = false;  // true while the pane itself moves the folder list
};

}  // namespace qb::panes
