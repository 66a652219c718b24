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

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    // options: the program's, shown and written back by apply.
    // applyToolTipsEverywhere: called once when apply changes the tooltip option, with the new
    // value; it calls SetToolTip on InitialFoldersDialog, FolderAliasDialog, OptionsDialog, MainWindow, SourceFolderPane,
    // SubfolderListPane, TargetListPane, OutputFolderPane, HistoryPane, ArchiveListPane, in this order.
    // zipAvailable: whether the ZIP modules were found; empty means the engine's ZipAvailable.
    OptionsDialog(qb::engine::Options& options, std::function<void(bool)> applyToolTipsEverywhere,
              QWidget* parent = nullptr, std::function<bool()> zipAvailable = {});

    void SetToolTip(bool on);
    void SetFontData();

    // Shows the dialog modally (EditOptions); true when the options were applied.
    bool ShowModal();
    // Writes Option_Left/Top; on the close box and at shutdown.
    void SavePosition();

    static int BoolToCheck(bool value) { return value ? 1 : 0; }
    static bool CheckToBool(int value) { return value == 1; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void PrepareForShowing();
    void ShowOptionValues();
    void EnableZipChoices();
    void ResetOptionControls();
    void ApplyOptions();
    void UpdateDropDriveVisibility();
    void UpdateAutoVisibility();
    void ResetToDefaults();
    void ApplyAndClose();
    void DiscardAndClose();
    void changed();

    qb::engine::Options& m_options;
    std::function<void(bool)> m_applyToolTips;
    std::function<bool()> m_zipAvailable;
    bool m_applied = false;

    QCheckBox* subfoldersBox = nullptr;
    QCheckBox* hiddenFilesBox = nullptr;
    QCheckBox* folderPathBox = nullptr;
    QCheckBox* dropDriveBox = nullptr;
    QCheckBox* upperCaseBox = nullptr;
    QCheckBox* doubleCompressionBox = nullptr;
    QCheckBox* autoRunBox = nullptr;
    QWidget* autoRunPanel = nullptr;
    std::array<QRadioButton*, 3> autoModeButtons{};
    QCheckBox* copyHistoryBox = nullptr;
    QLabel* patternLabel = nullptr;
    QWidget* patternPanel = nullptr;
    std::array<QRadioButton*, 4> patternButtons{};
    QLabel* formatLabel = nullptr;
    QWidget* formatPanel = nullptr;
    std::array<QRadioButton*, 2> formatButtons{};
    QCheckBox* resizePanesBox = nullptr;
    QCheckBox* toolTipsBox = nullptr;
    QCheckBox* testArchiveBox = nullptr;  // option TestArchive
    QCheckBox* syncArchiveBox = nullptr;  // option SyncArchive
    QLabel* lzhNamesLabel = nullptr;
    QWidget* lzhNamesPanel = nullptr;
    std::array<QRadioButton*, 2> lzhNamesButtons{};  // option LzhNameCode = index
    QLabel* zipNamesLabel = nullptr;
    QWidget* zipNamesPanel = nullptr;
    std::array<QRadioButton*, 2> zipNamesButtons{};  // option ZipNameCode = index
    QPushButton* defaultsButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* okButton = nullptr;
};
