// The options dialog: what it shows, what apply and cancel do to the options in memory, the
// ZIP fallback, the hidden-but-kept boxes and the tooltip switch reaching every window.

#include "DialogSandbox.h"

#include "app/OptionsDialog.h"
#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "dialogs/FormPlacement.h"
#include "dialogs/Messages.h"
#include "dialogs/InitialFoldersDialog.h"
#include "dialogs/FolderAliasDialog.h"
#include "engine/Archivers.h"
#include "engine/Options.h"
#include "platform/SettingsStore.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <tuple>

namespace {

auto optionSnapshot(const qb::engine::Options& o)
{
    return std::make_tuple(o.IncludeSubfolders, o.IncludeHidden, o.StoreFolderPath, o.OmitDrive, o.UpperCaseNames, o.UpdateDoubleArchives, o.AutoRun,
                           o.AutoRunMode, o.CopyHistoryAfterAutoRun, o.DoublePattern, o.ArchiveFormat, o.PanesFollowWindow, o.ShowTooltips);
}

class OptionsDialogTest : public DialogSandbox {
protected:
    template<typename T = QAbstractButton>
    T* control(OptionsDialog& dialog, const char* name)
    {
        auto* found = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPushButton* ok(OptionsDialog& dialog) { return control<QPushButton>(dialog, "okButton"); }
};

TEST_F(OptionsDialogTest, OpensWithCurrentValuesAndApplyGreyedUntilAChange)
{
    m_options.IncludeSubfolders = false;
    m_options.IncludeHidden = true;
    m_options.AutoRunMode = 2;
    m_options.DoublePattern = 1;
    OptionsDialog dialog(m_options, {});
    dialog.show();
    EXPECT_FALSE(control(dialog, "subfoldersBox")->isChecked());
    EXPECT_TRUE(control(dialog, "hiddenFilesBox")->isChecked());
    EXPECT_TRUE(control(dialog, "autoModeButton2")->isChecked());
    EXPECT_TRUE(control(dialog, "patternButton1")->isChecked());
    EXPECT_FALSE(ok(dialog)->isEnabled());
    control(dialog, "upperCaseBox")->click();
    EXPECT_TRUE(ok(dialog)->isEnabled());

    // Each showing starts again from the options and greys the button again.
    dialog.hide();
    dialog.show();
    EXPECT_FALSE(ok(dialog)->isEnabled());
    EXPECT_EQ(control(dialog, "upperCaseBox")->isChecked(), m_options.UpperCaseNames);
}

TEST_F(OptionsDialogTest, OutOfRangeChoicesShowTheFirstButton)
{
    m_options.AutoRunMode = 7;
    m_options.DoublePattern = -1;
    m_options.ArchiveFormat = 2;
    OptionsDialog dialog(m_options, {});
    dialog.show();
    EXPECT_TRUE(control(dialog, "autoModeButton0")->isChecked());
    EXPECT_TRUE(control(dialog, "patternButton0")->isChecked());
    EXPECT_TRUE(control(dialog, "formatButton0")->isChecked());
}

TEST_F(OptionsDialogTest, CancelAndTheCloseBoxChangeNothing)
{
    m_options.DoublePattern = 3;
    m_options.ArchiveFormat = 1;
    const auto before = optionSnapshot(m_options);
    OptionsDialog dialog(m_options, {});
    for (bool closeBox : {false, true}) {
        dialog.show();
        for (const char* name : {"subfoldersBox", "hiddenFilesBox", "folderPathBox", "upperCaseBox", "doubleCompressionBox",
                                 "autoRunBox", "resizePanesBox", "toolTipsBox", "patternButton0", "formatButton0"})
            control(dialog, name)->click();
        if (closeBox)
            dialog.close();
        else
            control(dialog, "cancelButton")->click();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(optionSnapshot(m_options), before);
    }
}

TEST_F(OptionsDialogTest, DefaultsThenCancelChangeNothingDefaultsThenApplySetThem)
{
    m_options.IncludeSubfolders = false;
    m_options.IncludeHidden = true;
    m_options.StoreFolderPath = true;
    m_options.OmitDrive = false;
    m_options.UpperCaseNames = false;
    m_options.UpdateDoubleArchives = true;
    m_options.AutoRun = true;
    m_options.AutoRunMode = 1;
    m_options.CopyHistoryAfterAutoRun = false;
    m_options.DoublePattern = 2;
    m_options.ArchiveFormat = 1;
    m_options.PanesFollowWindow = false;
    const auto before = optionSnapshot(m_options);
    OptionsDialog dialog(m_options, {});
    dialog.show();
    control(dialog, "defaultsButton")->click();
    EXPECT_TRUE(ok(dialog)->isEnabled());
    EXPECT_TRUE(control(dialog, "dropDriveBox")->isHidden());  // Jibun reset to off
    control(dialog, "cancelButton")->click();
    EXPECT_EQ(optionSnapshot(m_options), before);

    dialog.show();
    control(dialog, "defaultsButton")->click();
    ok(dialog)->click();
    EXPECT_EQ(optionSnapshot(m_options), std::make_tuple(true, false, false, true, true, false,
                                                         false, 0, true, 0, 0, true, true));
}

TEST_F(OptionsDialogTest, HiddenBoxesKeepAndApplyTheirValues)
{
    m_options.StoreFolderPath = true;
    m_options.OmitDrive = false;
    m_options.AutoRun = true;
    m_options.AutoRunMode = 2;
    m_options.CopyHistoryAfterAutoRun = false;
    OptionsDialog dialog(m_options, {});
    dialog.show();
    auto* omitBackslashBox = control(dialog, "dropDriveBox");
    auto* autoPanel = dialog.findChild<QWidget*>(QStringLiteral("autoRunPanel"));
    auto* log = control(dialog, "copyHistoryBox");
    EXPECT_FALSE(omitBackslashBox->isHidden());
    EXPECT_FALSE(autoPanel->isHidden());

    control(dialog, "folderPathBox")->click();
    control(dialog, "autoRunBox")->click();
    EXPECT_TRUE(omitBackslashBox->isHidden());
    EXPECT_TRUE(autoPanel->isHidden());
    EXPECT_TRUE(log->isHidden());
    EXPECT_FALSE(omitBackslashBox->isChecked());

    ok(dialog)->click();
    EXPECT_FALSE(m_options.StoreFolderPath);
    EXPECT_FALSE(m_options.OmitDrive);  // kept as it was, not reset by being hidden
    EXPECT_FALSE(m_options.AutoRun);
    EXPECT_EQ(m_options.AutoRunMode, 2);
    EXPECT_FALSE(m_options.CopyHistoryAfterAutoRun);

    // Checking the box again shows it with the same value.
    dialog.show();
    control(dialog, "folderPathBox")->click();
    EXPECT_FALSE(omitBackslashBox->isHidden());
    EXPECT_FALSE(omitBackslashBox->isChecked());
}

TEST_F(OptionsDialogTest, WithoutZipModulesZipChoicesAreGreyedAndForcedToLzh)
{
    m_options.DoublePattern = 3;
    m_options.ArchiveFormat = 1;
    bool zip = false;
    OptionsDialog dialog(m_options, {}, nullptr, [&zip] { return zip; });
    dialog.show();
    // Forced as soon as it shows, whether applied or not.
    EXPECT_EQ(m_options.DoublePattern, 0);
    EXPECT_EQ(m_options.ArchiveFormat, 0);
    EXPECT_TRUE(control(dialog, "patternButton0")->isChecked());
    EXPECT_TRUE(control(dialog, "formatButton0")->isChecked());
    for (const char* name : {"patternButton1", "patternButton2", "patternButton3", "formatButton1"})
        EXPECT_FALSE(control(dialog, name)->isEnabled()) << name;
    EXPECT_TRUE(control(dialog, "patternButton0")->isEnabled());
    control(dialog, "cancelButton")->click();
    EXPECT_EQ(m_options.DoublePattern, 0);

    // With the modules the choices are offered and the stored values kept.
    zip = true;
    m_options.DoublePattern = 3;
    m_options.ArchiveFormat = 1;
    dialog.show();
    EXPECT_TRUE(control(dialog, "patternButton3")->isChecked());
    EXPECT_TRUE(control(dialog, "patternButton3")->isEnabled());
    EXPECT_TRUE(control(dialog, "formatButton1")->isEnabled());
    EXPECT_EQ(m_options.DoublePattern, 3);
}

TEST_F(OptionsDialogTest, EngineFlagDecidesWhenNoCheckIsGiven)
{
    qb::engine::Modules.ZipAvailable = false;
    m_options.DoublePattern = 2;
    OptionsDialog dialog(m_options, {});
    dialog.show();
    EXPECT_EQ(m_options.DoublePattern, 0);
}

TEST_F(OptionsDialogTest, ApplyTurnsTooltipsOffAndOnEverywhereInOrder)
{
    InitialFoldersDialog defaults(m_options);
    FolderAliasDialog aliasDialog(m_options);
    QStringList calls;
    OptionsDialog* self = nullptr;
    auto everywhere = [&](bool on) {
        calls << QStringLiteral("InitialFoldersDialog") << QStringLiteral("FolderAliasDialog")
              << QStringLiteral("OptionsDialog");
        defaults.SetToolTip(on);
        aliasDialog.SetToolTip(on);
        self->SetToolTip(on);
        calls << QStringLiteral("MainWindow") << QStringLiteral("SourceFolderPane")
              << QStringLiteral("SubfolderListPane") << QStringLiteral("TargetListPane")
              << QStringLiteral("OutputFolderPane") << QStringLiteral("HistoryPane")
              << QStringLiteral("ArchiveListPane");
        calls << (on ? QStringLiteral("on") : QStringLiteral("off"));
    };
    OptionsDialog dialog(m_options, everywhere);
    self = &dialog;
    auto tooltipsOf = [](QWidget& form) {
        QStringList tips;
        for (QWidget* child : form.findChildren<QWidget*>()) {
            if (!child->toolTip().isEmpty())
                tips << child->toolTip();
        }
        return tips;
    };
    ASSERT_FALSE(tooltipsOf(dialog).isEmpty());
    EXPECT_TRUE(tooltipsOf(dialog).contains(qb::ui::ProgramMessageText(kTipOptionNoLeadingBackslash)));

    dialog.show();
    control(dialog, "toolTipsBox")->click();
    ok(dialog)->click();
    EXPECT_FALSE(m_options.ShowTooltips);
    EXPECT_EQ(
        calls.join(QLatin1Char(' ')),
        QStringLiteral("InitialFoldersDialog FolderAliasDialog OptionsDialog MainWindow SourceFolderPane "
                       "SubfolderListPane TargetListPane OutputFolderPane HistoryPane "
                       "ArchiveListPane off"));
    EXPECT_TRUE(tooltipsOf(dialog).isEmpty());
    EXPECT_TRUE(tooltipsOf(aliasDialog).isEmpty());
    EXPECT_TRUE(tooltipsOf(defaults).isEmpty());

    // Applying without touching the switch calls nobody.
    calls.clear();
    dialog.show();
    control(dialog, "subfoldersBox")->click();
    ok(dialog)->click();
    EXPECT_TRUE(calls.isEmpty());

    dialog.show();
    control(dialog, "toolTipsBox")->click();
    ok(dialog)->click();
    EXPECT_TRUE(m_options.ShowTooltips);
    EXPECT_EQ(calls.size(), 11);
    EXPECT_EQ(calls.last(), QStringLiteral("on"));
    EXPECT_EQ(control(dialog, "okButton")->toolTip(), qb::ui::SharedMessageText(kSharedOkButtonTip));
    EXPECT_EQ(aliasDialog.findChild<QWidget*>(QStringLiteral("removeAllButton"))->toolTip(),
              qb::ui::SharedMessageText(kSharedDeleteAllTip));
}

TEST_F(OptionsDialogTest, CaptionsComeFromBothTables)
{
    OptionsDialog dialog(m_options, {});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Option"));
    EXPECT_EQ(control(dialog, "dropDriveBox")->text(),
              QStringLiteral("先頭の \\ を省く（ＬＺＨのみ有効）"));
    EXPECT_EQ(control(dialog, "copyHistoryBox")->text(), QStringLiteral("結果をクリップボートにコピー"));
    EXPECT_EQ(control(dialog, "defaultsButton")->text(), QStringLiteral("初期値"));
    EXPECT_EQ(control<QLabel>(dialog, "patternLabel")->text(),
              QStringLiteral("２重圧縮時のパターン"));
}

TEST_F(OptionsDialogTest, PositionIsCorrectedAndWrittenBack)
{
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Option_Left", "-5000");
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Option_Top", "1500");
    OptionsDialog dialog(m_options, {});
    EXPECT_EQ(dialog.pos().x(), qb::ui::TwipsToPixels(1000));
    EXPECT_EQ(dialog.pos().y(), qb::ui::TwipsToPixels(1500));
    dialog.show();
    dialog.close();
    EXPECT_EQ(stored("Option_Left"), "1000");
    EXPECT_EQ(stored("Option_Top"), "1500");
}

}  // namespace

TEST_F(OptionsDialogTest, TestAndSyncBoxesShowApplyAndResetTheirOptions)
{
    m_options.TestArchive = true;
    OptionsDialog dialog(m_options, {});
    dialog.show();
    EXPECT_TRUE(control(dialog, "testArchiveBox")->isChecked());
    EXPECT_FALSE(control(dialog, "syncArchiveBox")->isChecked());
    EXPECT_EQ(control(dialog, "testArchiveBox")->text(),
              QStringLiteral("作成後に圧縮ファイルをテストする"));
    EXPECT_EQ(control(dialog, "syncArchiveBox")->toolTip().toStdString(),
              ProgramMessage(kTipOptionSyncArchive));
    control(dialog, "syncArchiveBox")->click();
    ok(dialog)->click();
    EXPECT_TRUE(m_options.TestArchive);
    EXPECT_TRUE(m_options.SyncArchive);
    dialog.show();
    control(dialog, "defaultsButton")->click();
    ok(dialog)->click();
    EXPECT_FALSE(m_options.TestArchive);
    EXPECT_FALSE(m_options.SyncArchive);
}

TEST_F(OptionsDialogTest, NameCodeButtonsShowApplyResetAndKeepValuesBeyondThem)
{
    m_options.LzhNameCode = 1;
    bool zip = true;
    OptionsDialog dialog(m_options, {}, nullptr, [&zip] { return zip; });
    dialog.show();
    EXPECT_TRUE(control(dialog, "lzhNamesButton1")->isChecked());
    EXPECT_TRUE(control(dialog, "zipNamesButton0")->isChecked());
    EXPECT_EQ(control(dialog, "zipNamesButton1")->text(),
              QStringLiteral("ＣＰ９３２（古いＷｉｎｄｏｗｓ向け）"));
    EXPECT_EQ(control<QLabel>(dialog, "lzhNamesLabel")->text(),
              QStringLiteral("ＬＺＨのファイル名"));
    EXPECT_EQ(control(dialog, "lzhNamesButton0")->toolTip().toStdString(),
              ProgramMessage(kTipOptionLzhNamesAuto));
    control(dialog, "lzhNamesButton0")->click();
    control(dialog, "zipNamesButton1")->click();
    EXPECT_TRUE(ok(dialog)->isEnabled());
    ok(dialog)->click();
    EXPECT_EQ(m_options.LzhNameCode, 0);
    EXPECT_EQ(m_options.ZipNameCode, 1);

    // Values beyond the buttons show the first one, which is what they do, and survive an apply
    // of anything else, the defaults included; the other button replaces them.
    m_options.LzhNameCode = 7;
    m_options.ZipNameCode = -2;
    dialog.show();
    EXPECT_TRUE(control(dialog, "lzhNamesButton0")->isChecked());
    EXPECT_TRUE(control(dialog, "zipNamesButton0")->isChecked());
    control(dialog, "subfoldersBox")->click();
    ok(dialog)->click();
    EXPECT_EQ(m_options.LzhNameCode, 7);
    EXPECT_EQ(m_options.ZipNameCode, -2);
    dialog.show();
    control(dialog, "defaultsButton")->click();
    ok(dialog)->click();
    EXPECT_EQ(m_options.LzhNameCode, 7);
    dialog.show();
    control(dialog, "zipNamesButton1")->click();
    ok(dialog)->click();
    EXPECT_EQ(m_options.ZipNameCode, 1);
    dialog.show();
    control(dialog, "defaultsButton")->click();
    EXPECT_TRUE(control(dialog, "zipNamesButton0")->isChecked());
    ok(dialog)->click();
    EXPECT_EQ(m_options.ZipNameCode, 0);

    // Without the ZIP modules the ZIP names are greyed but keep their value.
    zip = false;
    m_options.ZipNameCode = 1;
    dialog.show();
    EXPECT_FALSE(control(dialog, "zipNamesButton1")->isEnabled());
    EXPECT_TRUE(control(dialog, "zipNamesButton1")->isChecked());
    EXPECT_TRUE(control(dialog, "lzhNamesButton1")->isEnabled());
    control(dialog, "cancelButton")->click();
    EXPECT_EQ(m_options.ZipNameCode, 1);
}
