#pragma once
// The initial-folder dialog: one folder picked with a drive list and a folder list, optionally
// with an on/off check box. The dialog knows nothing of what the folder is for; the caller sets
// the label, the hints and which parts are offered, writes the folder and flag, shows it and
// reads them back after OK. Edit() does all of that for the three Default menu items.

#include "engine/Options.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QWidget;
class DriveList;
class FolderList;

class frmDefault : public QDialog {
    Q_OBJECT
public:
    enum class Use {
        InDir,
        OutDir,
        TmpDir
    };  // mnuInDirDefault, mnuOutDirDefault, mnuTmpDirDefault

    // options: the program's, for the font and the tooltip switch.
    explicit frmDefault(const qb::engine::Options& options, QWidget* parent = nullptr);

    // Where the popup's copy entries take their folder from: the current folders of the
    // source-holding pane and of the output pane (their DirName).
    std::function<QString()> InDirSource;
    std::function<QString()> OutDirSource;

    // Properties the caller sets before showing.
    QString pstr_lblDrive_Caption;
    QString pstr_cbxDrive_Hint;
    QString pstr_drvDrive_Hint;
    QString pstr_dlbDir_Hint;
    QString pstr_txtDir_Hint;
    bool pblnYukoMukouOk = true;
    bool pblnDiskFreeOk = true;
    bool pblnOk = false;  // result: closed with btnOk

    QString DirName() const;  // on-disk form of the folder shown; "" on error
    void SetDirName(const QString& strDirName);  // falls back to the working folder
    bool Yuko() const;
    void SetYuko(bool blnYuko);

    void RefreshForm();
    void SetToolTip(bool blnToolTip);
    void SetFontData();

    // Shows the dialog modally; returns pblnOk.
    bool ShowModal();

    // One Default menu item: fills the properties for `use`, shows the folder and flag given,
    // and on OK writes the chosen folder and flag back (the flag stays true for TmpDir).
    // Returns true when OK was pressed; the caller then stores them in the settings memory.
    bool Edit(Use use, QString& strDir, bool& blnYuko);

    // Writes Default_Left/Top/Width/Height; on the close box and at shutdown.
    void SavePosition();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const qb::engine::Options& m_options;
    void Form_Activate();
    void ShowFolderText();
    void EnableFolderControls();
    void drvDrive_Change();
    void dlbDir_Change();
    void cbxDrive_Click();
    void Form_Resize();
    void showPopup(const QPoint& globalPos);

    QCheckBox* cbxDrive = nullptr;
    QLabel* lblDrive = nullptr;
    DriveList* drvDrive = nullptr;
    FolderList* dlbDir = nullptr;
    QLineEdit* txtDir = nullptr;
    QWidget* pnlDefault = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QMenu* mnuPopup = nullptr;
    QAction* mnuInDir = nullptr;
    QAction* mnuOutDir = nullptr;
    QAction* mnuTmp = nullptr;
    bool m_loading = true;
};
