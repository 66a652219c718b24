#pragma once
// The two folder browser panes, mdiInDir and mdiOutDir, are twins: a drive list, a folder list
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
class frmMenuMente;

namespace qb::panes {

class FolderPane : public PaneBase {
    Q_OBJECT
public:
    FolderPane(FormHost* host, engine::FolderPane which, const char* objectName,
               const char* positionPrefix, QWidget* parent = nullptr);
    ~FolderPane() override;

    // The folder shown, in its on-disk form ("" when it cannot be formed).
    QString DirName() const;
    // Shows a folder; one that cannot be shown falls back to the working folder, silently.
    void SetDirName(const QString& strDirName);

    // Re-reads drives and folders from the file system and refreshes the display.
    void RefreshForm();

    void SetFontData() override;
    void SetToolTip(bool blnToolTip) override;

    // Load and unload: starting folder, position, texts and aliases; and saving them back.
    void Form_Load(frmMenuMente* aliasDialog);
    void Form_Unload();

    // The initial folder and its in-force flag, as held in memory until shutdown.
    QString InitialDir() const { return m_initialDir; }
    bool InitialDirYuko() const { return m_initialYuko; }
    void SetInitialDir(const QString& dir, bool yuko);

    DriveList* drvDrive = nullptr;
    FolderList* dlbDir = nullptr;
    QLineEdit* txtDir = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuRefresh = nullptr;

    // Popup commands.
    void mnuCopy_Click();
    void mnuRefresh_Click() { RefreshForm(); }

protected:
    // What a change of folder means for the pane (the folder list's change event).
    virtual void dlbDir_Change() = 0;
    // The other folder pane, target of mnuCopy.
    virtual FolderPane* OtherPane() const = 0;
    // Texts of the pane: title, tooltips of drvDrive, dlbDir, txtDir, caption of mnuCopy.
    virtual void SetCaptions() = 0;
    virtual void SetTipTexts(bool on) = 0;

    // Sets txtDir (and the output pane's title) from the folder shown.
    virtual void ShowFolderText();

    void Form_Resize() override;

private:
    void drvDrive_Change();
    const char* dirKey() const;

    engine::FolderPane m_which;
    std::unique_ptr<FolderAliases> m_aliases;
    QString m_initialDir;
    bool m_initialYuko = true;
    bool m_quiet = false;  // true while the pane itself moves the folder list
};

}  // namespace qb::panes
