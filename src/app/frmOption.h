#pragma once
// The options dialog. Each showing starts from the options in memory with the apply button
// greyed; apply writes the controls back into the options at once (they reach the settings
// file at shutdown), cancel and the close box leave them alone. Without the ZIP modules the ZIP
// choices are greyed and the pattern and format are forced back to LZH as soon as it shows.
// A code of names stored outside its two buttons shows the first button, which is what such a
// value does, and stays as stored unless the other button is applied.

#include "engine/Options.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

class frmOption : public QDialog {
    Q_OBJECT
public:
    // options: the program's, shown and written back by apply.
    // applyToolTipsEverywhere: called once when apply changes the tooltip option, with the new
    // value; it calls SetToolTip on frmDefault, frmMenuMente, frmOption, frmQuillbox, mdiInDir,
    // mdiInFile, mdiFile, mdiOutDir, mdiStatus, mdiOutFile, in this order.
    // zipAvailable: whether the ZIP modules were found; empty means the engine's ZipAvailable.
    frmOption(qb::engine::Options& options, std::function<void(bool)> applyToolTipsEverywhere,
              QWidget* parent = nullptr, std::function<bool()> zipAvailable = {});

    void SetToolTip(bool blnToolTip);
    void SetFontData();

    // Shows the dialog modally (mnuOption_Click); true when the options were applied.
    bool ShowModal();
    // Writes Option_Left/Top; on the close box and at shutdown.
    void SavePosition();

    static int BoolToCheck(bool value) { return value ? 1 : 0; }
    static bool CheckToBool(int value) { return value == 1; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Activate();
    void ShowOptionValues();
    void EnableZipChoices();
    void ResetOptionControls();
    void ApplyOptions();
    void UpdateHabukuVisibility();
    void UpdateAutoVisibility();
    void btnInit_Click();
    void btnOk_Click();
    void btnCancel_Click();
    void changed();

    qb::engine::Options& m_options;
    std::function<void(bool)> m_applyToolTips;
    std::function<bool()> m_zipAvailable;
    bool m_applied = false;

    QCheckBox* ckbSubDir = nullptr;
    QCheckBox* ckbHiddn = nullptr;
    QCheckBox* ckbJibun = nullptr;
    QCheckBox* ckbHabuku = nullptr;
    QCheckBox* ckbUCase = nullptr;
    QCheckBox* ckbDouble = nullptr;
    QCheckBox* ckbAuto = nullptr;
    QWidget* pnlAuto = nullptr;
    std::array<QRadioButton*, 3> obtExe{};
    QCheckBox* ckbLog = nullptr;
    QLabel* lblPattern = nullptr;
    QWidget* pnlPattern = nullptr;
    std::array<QRadioButton*, 4> obtPattern{};
    QLabel* lblAshukuExe = nullptr;
    QWidget* pnlAshukuExe = nullptr;
    std::array<QRadioButton*, 2> obtAshukuExe{};
    QCheckBox* ckbResize = nullptr;
    QCheckBox* ckbTip = nullptr;
    QCheckBox* ckbTestArchive = nullptr;  // option TestArchive
    QCheckBox* ckbSyncArchive = nullptr;  // option SyncArchive
    QLabel* lblLzhNameCode = nullptr;
    QWidget* pnlLzhNameCode = nullptr;
    std::array<QRadioButton*, 2> obtLzhNameCode{};  // option LzhNameCode = index
    QLabel* lblZipNameCode = nullptr;
    QWidget* pnlZipNameCode = nullptr;
    std::array<QRadioButton*, 2> obtZipNameCode{};  // option ZipNameCode = index
    QPushButton* btnInit = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnOk = nullptr;
};
