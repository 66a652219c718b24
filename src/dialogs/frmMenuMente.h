#pragma once
// The folder-alias maintenance dialog. One instance serves both folder panes: before each
// showing the pane fills all ten slots with its aliases, and after an OK it reads them back.
// Every edit (rename, up, down, delete, delete all) acts on the dialog's own slots only, so
// Cancel leaves the pane's aliases exactly as they were.
//
// Use from a pane (FolderAliases does this):
//   for i in 0..9: Set_Menu(i, name or "", folder or "");
//   pstr_Me_Caption = the pane's title;
//   ShowModal();
//   if (pblnOk) { last = MenuCount(); Get_Menu(i, ...) for i <= last; }

#include "engine/Options.h"

#include <QDialog>
#include <QString>

#include <array>

class QLineEdit;
class QListWidget;
class QPushButton;

class frmMenuMente : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSlots = 10;

    // options: the program's, for the font and the tooltip switch.
    explicit frmMenuMente(const qb::engine::Options& options, QWidget* parent = nullptr);

    // Stores name and folder into a slot; indices outside 0..9 are ignored.
    void Set_Menu(int intIndex, const QString& strName, const QString& strDir);
    // The slot's name and folder while intIndex is a list entry; otherwise two empty texts.
    void Get_Menu(int intIndex, QString& strName, QString& strDir) const;
    // Number of list entries minus one: the pane's new last alias index (-1 when none).
    int MenuCount() const;

    QString pstr_Me_Caption;  // the owner pane's title
    bool pblnOk = false;  // true when closed with btnOk

    void SetToolTip(bool blnToolTip);
    void SetFontData();

    // Shows the dialog modally; returns pblnOk.
    bool ShowModal();
    // Writes MenuMente_Left/Top; called when the dialog is closed with its close box and by
    // the main window at shutdown.
    void SavePosition();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    const qb::engine::Options& m_options;
    void Form_Activate();
    void lbxMenu_Click();
    void btnName_Click();
    void btnUp_Click();
    void btnDown_Click();
    void btnDel_Click();
    void btnDelAll_Click();
    void btnOk_Click();
    void btnCancel_Click();
    void EnableListControls();
    void ShowSelectedFolder();
    void SwapSlots(int a, int b);

    std::array<QString, kSlots> m_name;
    std::array<QString, kSlots> m_dir;

    QListWidget* lbxMenu = nullptr;
    QLineEdit* txtDir = nullptr;
    QPushButton* btnName = nullptr;
    QPushButton* btnUp = nullptr;
    QPushButton* btnDown = nullptr;
    QPushButton* btnDel = nullptr;
    QPushButton* btnDelAll = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
};
