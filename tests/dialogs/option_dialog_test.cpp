// The options dialog: what it shows, what apply and cancel do to the options in memory, the
// ZIP fallback, the hidden-but-kept boxes and the tooltip switch reaching every window.

#include "DialogSandbox.h"

#include "app/frmOption.h"
#include "common/resQuill.h"
#include "common/resQuillbox.h"
#include "dialogs/FormPlacement.h"
#include "dialogs/Messages.h"
#include "dialogs/frmDefault.h"
#include "dialogs/frmMenuMente.h"
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
    return std::make_tuple(o.SubDir, o.Hiddn, o.Jibun, o.Habuku, o.UCase, o.Double, o.Auto,
                           o.AutoExe, o.AutoLog, o.Pattern, o.AshukuExe, o.Resize, o.Tip);
}

class OptionDialog : public DialogSandbox {
protected:
    template<typename T = QAbstractButton>
    T* control(frmOption& dialog, const char* name)
    {
        auto* found = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPushButton* ok(frmOption& dialog) { return control<QPushButton>(dialog, "btnOk"); }
};

TEST_F(OptionDialog, OpensWithCurrentValuesAndApplyGreyedUntilAChange)
{
    m_options.SubDir = false;
    m_options.Hiddn = true;
    m_options.AutoExe = 2;
    m_options.Pattern = 1;
    frmOption dialog(m_options, {});
    dialog.show();
    EXPECT_FALSE(control(dialog, "ckbSubDir")->isChecked());
    EXPECT_TRUE(control(dialog, "ckbHiddn")->isChecked());
    EXPECT_TRUE(control(dialog, "obtExe2")->isChecked());
    EXPECT_TRUE(control(dialog, "obtPattern1")->isChecked());
    EXPECT_FALSE(ok(dialog)->isEnabled());
    control(dialog, "ckbUCase")->click();
    EXPECT_TRUE(ok(dialog)->isEnabled());

    // Each showing starts again from the options and greys the button again.
    dialog.hide();
    dialog.show();
    EXPECT_FALSE(ok(dialog)->isEnabled());
    EXPECT_EQ(control(dialog, "ckbUCase")->isChecked(), m_options.UCase);
}

TEST_F(OptionDialog, OutOfRangeChoicesShowTheFirstButton)
{
    m_options.AutoExe = 7;
    m_options.Pattern = -1;
    m_options.AshukuExe = 2;
    frmOption dialog(m_options, {});
    dialog.show();
    EXPECT_TRUE(control(dialog, "obtExe0")->isChecked());
    EXPECT_TRUE(control(dialog, "obtPattern0")->isChecked());
    EXPECT_TRUE(control(dialog, "obtAshukuExe0")->isChecked());
}

TEST_F(OptionDialog, CancelAndTheCloseBoxChangeNothing)
{
    m_options.Pattern = 3;
    m_options.AshukuExe = 1;
    const auto before = optionSnapshot(m_options);
    frmOption dialog(m_options, {});
    for (bool closeBox : {false, true}) {
        dialog.show();
        for (const char* name : {"ckbSubDir", "ckbHiddn", "ckbJibun", "ckbUCase", "ckbDouble",
                                 "ckbAuto", "ckbResize", "ckbTip", "obtPattern0", "obtAshukuExe0"})
            control(dialog, name)->click();
        if (closeBox)
            dialog.close();
        else
            control(dialog, "btnCancel")->click();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(optionSnapshot(m_options), before);
    }
}

TEST_F(OptionDialog, DefaultsThenCancelChangeNothingDefaultsThenApplySetThem)
{
    m_options.SubDir = false;
    m_options.Hiddn = true;
    m_options.Jibun = true;
    m_options.Habuku = false;
    m_options.UCase = false;
    m_options.Double = true;
    m_options.Auto = true;
    m_options.AutoExe = 1;
    m_options.AutoLog = false;
    m_options.Pattern = 2;
    m_options.AshukuExe = 1;
    m_options.Resize = false;
    const auto before = optionSnapshot(m_options);
    frmOption dialog(m_options, {});
    dialog.show();
    control(dialog, "btnInit")->click();
    EXPECT_TRUE(ok(dialog)->isEnabled());
    EXPECT_TRUE(control(dialog, "ckbHabuku")->isHidden());  // Jibun reset to off
    control(dialog, "btnCancel")->click();
    EXPECT_EQ(optionSnapshot(m_options), before);

    dialog.show();
    control(dialog, "btnInit")->click();
    ok(dialog)->click();
    EXPECT_EQ(optionSnapshot(m_options), std::make_tuple(true, false, false, true, true, false,
                                                         false, 0, true, 0, 0, true, true));
}

TEST_F(OptionDialog, HiddenBoxesKeepAndApplyTheirValues)
{
    m_options.Jibun = true;
    m_options.Habuku = false;
    m_options.Auto = true;
    m_options.AutoExe = 2;
    m_options.AutoLog = false;
    frmOption dialog(m_options, {});
    dialog.show();
    auto* habuku = control(dialog, "ckbHabuku");
    auto* autoPanel = dialog.findChild<QWidget*>(QStringLiteral("pnlAuto"));
    auto* log = control(dialog, "ckbLog");
    EXPECT_FALSE(habuku->isHidden());
    EXPECT_FALSE(autoPanel->isHidden());

    control(dialog, "ckbJibun")->click();
    control(dialog, "ckbAuto")->click();
    EXPECT_TRUE(habuku->isHidden());
    EXPECT_TRUE(autoPanel->isHidden());
    EXPECT_TRUE(log->isHidden());
    EXPECT_FALSE(habuku->isChecked());

    ok(dialog)->click();
    EXPECT_FALSE(m_options.Jibun);
    EXPECT_FALSE(m_options.Habuku);  // kept as it was, not reset by being hidden
    EXPECT_FALSE(m_options.Auto);
    EXPECT_EQ(m_options.AutoExe, 2);
    EXPECT_FALSE(m_options.AutoLog);

    // Checking the box again shows it with the same value.
    dialog.show();
    control(dialog, "ckbJibun")->click();
    EXPECT_FALSE(habuku->isHidden());
    EXPECT_FALSE(habuku->isChecked());
}

TEST_F(OptionDialog, WithoutZipModulesZipChoicesAreGreyedAndForcedToLzh)
{
    m_options.Pattern = 3;
    m_options.AshukuExe = 1;
    bool zip = false;
    frmOption dialog(m_options, {}, nullptr, [&zip] { return zip; });
    dialog.show();
    // Forced as soon as it shows, whether applied or not.
    EXPECT_EQ(m_options.Pattern, 0);
    EXPECT_EQ(m_options.AshukuExe, 0);
    EXPECT_TRUE(control(dialog, "obtPattern0")->isChecked());
    EXPECT_TRUE(control(dialog, "obtAshukuExe0")->isChecked());
    for (const char* name : {"obtPattern1", "obtPattern2", "obtPattern3", "obtAshukuExe1"})
        EXPECT_FALSE(control(dialog, name)->isEnabled()) << name;
    EXPECT_TRUE(control(dialog, "obtPattern0")->isEnabled());
    control(dialog, "btnCancel")->click();
    EXPECT_EQ(m_options.Pattern, 0);

    // With the modules the choices are offered and the stored values kept.
    zip = true;
    m_options.Pattern = 3;
    m_options.AshukuExe = 1;
    dialog.show();
    EXPECT_TRUE(control(dialog, "obtPattern3")->isChecked());
    EXPECT_TRUE(control(dialog, "obtPattern3")->isEnabled());
    EXPECT_TRUE(control(dialog, "obtAshukuExe1")->isEnabled());
    EXPECT_EQ(m_options.Pattern, 3);
}

TEST_F(OptionDialog, EngineFlagDecidesWhenNoCheckIsGiven)
{
    qb::engine::Modules.ZipAvailable = false;
    m_options.Pattern = 2;
    frmOption dialog(m_options, {});
    dialog.show();
    EXPECT_EQ(m_options.Pattern, 0);
}

TEST_F(OptionDialog, ApplyTurnsTooltipsOffAndOnEverywhereInOrder)
{
    frmDefault defaults(m_options);
    frmMenuMente mente(m_options);
    QStringList calls;
    frmOption* self = nullptr;
    auto everywhere = [&](bool on) {
        calls << QStringLiteral("frmDefault") << QStringLiteral("frmMenuMente")
              << QStringLiteral("frmOption");
        defaults.SetToolTip(on);
        mente.SetToolTip(on);
        self->SetToolTip(on);
        calls << QStringLiteral("frmQuillbox") << QStringLiteral("mdiInDir")
              << QStringLiteral("mdiInFile") << QStringLiteral("mdiFile")
              << QStringLiteral("mdiOutDir") << QStringLiteral("mdiStatus")
              << QStringLiteral("mdiOutFile");
        calls << (on ? QStringLiteral("on") : QStringLiteral("off"));
    };
    frmOption dialog(m_options, everywhere);
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
    EXPECT_TRUE(tooltipsOf(dialog).contains(qb::ui::Quillbox(kTipOptionHabuku)));

    dialog.show();
    control(dialog, "ckbTip")->click();
    ok(dialog)->click();
    EXPECT_FALSE(m_options.Tip);
    EXPECT_EQ(
        calls.join(QLatin1Char(' ')),
        QStringLiteral("frmDefault frmMenuMente frmOption frmQuillbox mdiInDir mdiInFile mdiFile "
                       "mdiOutDir mdiStatus mdiOutFile off"));
    EXPECT_TRUE(tooltipsOf(dialog).isEmpty());
    EXPECT_TRUE(tooltipsOf(mente).isEmpty());
    EXPECT_TRUE(tooltipsOf(defaults).isEmpty());

    // Applying without touching the switch calls nobody.
    calls.clear();
    dialog.show();
    control(dialog, "ckbSubDir")->click();
    ok(dialog)->click();
    EXPECT_TRUE(calls.isEmpty());

    dialog.show();
    control(dialog, "ckbTip")->click();
    ok(dialog)->click();
    EXPECT_TRUE(m_options.Tip);
    EXPECT_EQ(calls.size(), 11);
    EXPECT_EQ(calls.last(), QStringLiteral("on"));
    EXPECT_EQ(control(dialog, "btnOk")->toolTip(), qb::ui::Quill(kSharedOkButtonTip));
    EXPECT_EQ(mente.findChild<QWidget*>(QStringLiteral("btnDelAll"))->toolTip(),
              qb::ui::Quill(kSharedDeleteAllTip));
}

TEST_F(OptionDialog, CaptionsComeFromBothTables)
{
    frmOption dialog(m_options, {});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Option"));
    EXPECT_EQ(control(dialog, "ckbHabuku")->text(),
              QStringLiteral("先頭の \\ を省く（ＬＺＨのみ有効）"));
    EXPECT_EQ(control(dialog, "ckbLog")->text(), QStringLiteral("結果をクリップボートにコピー"));
    EXPECT_EQ(control(dialog, "btnInit")->text(), QStringLiteral("初期値"));
    EXPECT_EQ(control<QLabel>(dialog, "lblPattern")->text(),
              QStringLiteral("２重圧縮時のパターン"));
}

TEST_F(OptionDialog, PositionIsCorrectedAndWrittenBack)
{
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Option_Left", "-5000");
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "Option_Top", "1500");
    frmOption dialog(m_options, {});
    EXPECT_EQ(dialog.pos().x(), qb::ui::TwipsToPixels(1000));
    EXPECT_EQ(dialog.pos().y(), qb::ui::TwipsToPixels(1500));
    dialog.show();
    dialog.close();
    EXPECT_EQ(stored("Option_Left"), "1000");
    EXPECT_EQ(stored("Option_Top"), "1500");
}

}  // namespace

TEST_F(OptionDialog, TestAndSyncBoxesShowApplyAndResetTheirOptions)
{
    m_options.TestArchive = true;
    frmOption dialog(m_options, {});
    dialog.show();
    EXPECT_TRUE(control(dialog, "ckbTestArchive")->isChecked());
    EXPECT_FALSE(control(dialog, "ckbSyncArchive")->isChecked());
    EXPECT_EQ(control(dialog, "ckbTestArchive")->text(),
              QStringLiteral("作成後に圧縮ファイルをテストする"));
    EXPECT_EQ(control(dialog, "ckbSyncArchive")->toolTip().toStdString(),
              resQuillbox(kTipOptionSyncArchive));
    control(dialog, "ckbSyncArchive")->click();
    ok(dialog)->click();
    EXPECT_TRUE(m_options.TestArchive);
    EXPECT_TRUE(m_options.SyncArchive);
    dialog.show();
    control(dialog, "btnInit")->click();
    ok(dialog)->click();
    EXPECT_FALSE(m_options.TestArchive);
    EXPECT_FALSE(m_options.SyncArchive);
}

TEST_F(OptionDialog, NameCodeButtonsShowApplyResetAndKeepValuesBeyondThem)
{
    m_options.LzhNameCode = 1;
    bool zip = true;
    frmOption dialog(m_options, {}, nullptr, [&zip] { return zip; });
    dialog.show();
    EXPECT_TRUE(control(dialog, "obtLzhNameCode1")->isChecked());
    EXPECT_TRUE(control(dialog, "obtZipNameCode0")->isChecked());
    EXPECT_EQ(control(dialog, "obtZipNameCode1")->text(),
              QStringLiteral("ＣＰ９３２（古いＷｉｎｄｏｗｓ向け）"));
    EXPECT_EQ(control<QLabel>(dialog, "lblLzhNameCode")->text(),
              QStringLiteral("ＬＺＨのファイル名"));
    EXPECT_EQ(control(dialog, "obtLzhNameCode0")->toolTip().toStdString(),
              resQuillbox(kTipOptionLzhNamesAuto));
    control(dialog, "obtLzhNameCode0")->click();
    control(dialog, "obtZipNameCode1")->click();
    EXPECT_TRUE(ok(dialog)->isEnabled());
    ok(dialog)->click();
    EXPECT_EQ(m_options.LzhNameCode, 0);
    EXPECT_EQ(m_options.ZipNameCode, 1);

    // Values beyond the buttons show the first one, which is what they do, and survive an apply
    // of anything else, the defaults included; the other button replaces them.
    m_options.LzhNameCode = 7;
    m_options.ZipNameCode = -2;
    dialog.show();
    EXPECT_TRUE(control(dialog, "obtLzhNameCode0")->isChecked());
    EXPECT_TRUE(control(dialog, "obtZipNameCode0")->isChecked());
    control(dialog, "ckbSubDir")->click();
    ok(dialog)->click();
    EXPECT_EQ(m_options.LzhNameCode, 7);
    EXPECT_EQ(m_options.ZipNameCode, -2);
    dialog.show();
    control(dialog, "btnInit")->click();
    ok(dialog)->click();
    EXPECT_EQ(m_options.LzhNameCode, 7);
    dialog.show();
    control(dialog, "obtZipNameCode1")->click();
    ok(dialog)->click();
    EXPECT_EQ(m_options.ZipNameCode, 1);
    dialog.show();
    control(dialog, "btnInit")->click();
    EXPECT_TRUE(control(dialog, "obtZipNameCode0")->isChecked());
    ok(dialog)->click();
    EXPECT_EQ(m_options.ZipNameCode, 0);

    // Without the ZIP modules the ZIP names are greyed but keep their value.
    zip = false;
    m_options.ZipNameCode = 1;
    dialog.show();
    EXPECT_FALSE(control(dialog, "obtZipNameCode1")->isEnabled());
    EXPECT_TRUE(control(dialog, "obtZipNameCode1")->isChecked());
    EXPECT_TRUE(control(dialog, "obtLzhNameCode1")->isEnabled());
    control(dialog, "btnCancel")->click();
    EXPECT_EQ(m_options.ZipNameCode, 1);
}
