// The initial-folder dialog: the greyed apply button, the three uses of the Default menu,
// the free-space label, the check box and the fall-back to the working folder.

#include "support/DialogSandbox.h"

#include "common/basQuill.h"
#include "dialogs/FolderPicker.h"
#include "dialogs/FormPlacement.h"
#include "dialogs/frmDefault.h"
#include "engine/Options.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

class DefaultDialog : public DialogSandbox {
protected:
    void SetUp() override
    {
        DialogSandbox::SetUp();
        makeFolder(QStringLiteral("C:\\Data\\Proj"));
        makeFolder(QStringLiteral("D:\\Out"));
        basQuill::SetFreeSpaceProvider([](const std::string&) { return std::uint64_t(512) << 20; });
    }
    template<typename T>
    T* control(frmDefault& dialog, const char* name)
    {
        auto* found = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPushButton* ok(frmDefault& d) { return control<QPushButton>(d, "btnOk"); }
    QCheckBox* check(frmDefault& d) { return control<QCheckBox>(d, "cbxDrive"); }
    QLabel* label(frmDefault& d) { return control<QLabel>(d, "lblDrive"); }

    // Runs Edit for one use while `inside` acts on the open dialog, then presses OK or Cancel.
    bool edit(frmDefault& dialog, frmDefault::Use use, QString& dir, bool& yuko,
              const std::function<void()>& inside, bool pressOk)
    {
        QTimer::singleShot(0, &dialog, [&] {
            inside();
            control<QPushButton>(dialog, pressOk ? "btnOk" : "btnCancel")->click();
            if (dialog.isVisible()) {
                ADD_FAILURE() << "the dialog did not close";
                dialog.reject();
            }
        });
        return dialog.Edit(use, dir, yuko);
    }
};

TEST_F(DefaultDialog, ApplyIsGreyedUntilSomethingChanges)
{
    frmDefault dialog(m_options);
    QString dir = QStringLiteral("C:\\Data");
    bool yuko = true;
    bool wasEnabled = true;
    const bool result = edit(
        dialog, frmDefault::Use::InDir, dir, yuko,
        [&] {
            wasEnabled = ok(dialog)->isEnabled();
            check(dialog)->click();
            EXPECT_TRUE(ok(dialog)->isEnabled());
        },
        true);
    EXPECT_FALSE(wasEnabled);
    EXPECT_TRUE(result);
    EXPECT_FALSE(yuko);
    EXPECT_EQ(dir, QStringLiteral("C:\\Data"));
}

TEST_F(DefaultDialog, FolderChangeEnablesApplyAndIsReturnedInItsOnDiskForm)
{
    frmDefault dialog(m_options);
    QString dir = QStringLiteral("c:\\data");
    bool yuko = false;
    ASSERT_TRUE(edit(
        dialog, frmDefault::Use::OutDir, dir, yuko,
        [&] {
            EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\Data"));
            auto* list = control<FolderList>(dialog, "dlbDir");
            ASSERT_EQ(list->ListCount(), 1);
            list->setCurrentRow(list->count() - 1);  // the subfolder Proj
            emit list->itemActivated(list->currentItem());  // as a double click does
            EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\Data\\Proj"));
            EXPECT_TRUE(ok(dialog)->isEnabled());
        },
        true));
    EXPECT_EQ(dir, QStringLiteral("C:\\Data\\Proj"));
    EXPECT_FALSE(yuko);
}

TEST_F(DefaultDialog, CancelLeavesTheCallersValues)
{
    frmDefault dialog(m_options);
    QString dir = QStringLiteral("C:\\Data");
    bool yuko = true;
    EXPECT_FALSE(edit(
        dialog, frmDefault::Use::InDir, dir, yuko,
        [&] {
            check(dialog)->click();
            dialog.SetDirName(QStringLiteral("D:\\Out"));
        },
        false));
    EXPECT_EQ(dir, QStringLiteral("C:\\Data"));
    EXPECT_TRUE(yuko);
    EXPECT_FALSE(dialog.pblnOk);
}

TEST_F(DefaultDialog, FreeSpaceOnlyForTheOutputAndTemporaryFolders)
{
    frmDefault dialog(m_options);
    QString dir = QStringLiteral("D:\\Out");
    bool yuko = true;
    QString inLabel, outLabel, tmpLabel;
    edit(
        dialog, frmDefault::Use::InDir, dir, yuko, [&] { inLabel = label(dialog)->text(); }, false);
    edit(
        dialog, frmDefault::Use::OutDir, dir, yuko, [&] { outLabel = label(dialog)->text(); },
        false);
    edit(
        dialog, frmDefault::Use::TmpDir, dir, yuko, [&] { tmpLabel = label(dialog)->text(); },
        false);
    EXPECT_EQ(inLabel, QStringLiteral("圧縮フォルダ格納フォルダ名"));
    EXPECT_EQ(outLabel, QStringLiteral("圧縮ファイル格納フォルダ名 (512.0M Free)"));
    EXPECT_EQ(tmpLabel, QStringLiteral("テンポラリフォルダ名 (512.0M Free)"));
}

TEST_F(DefaultDialog, TemporaryFolderHasNoCheckBoxAndStaysInForce)
{
    frmDefault dialog(m_options);
    QString dir = QStringLiteral("D:\\Out\\");  // the temporary folder keeps its backslash
    bool yuko = false;
    bool checkVisible = true;
    int labelLeft = -1;
    edit(
        dialog, frmDefault::Use::TmpDir, dir, yuko,
        [&] {
            EXPECT_EQ(dialog.DirName(), QStringLiteral("D:\\Out"));
            checkVisible = check(dialog)->isVisible();
            labelLeft = label(dialog)->x();
            EXPECT_TRUE(dialog.Yuko());
            EXPECT_TRUE(control<QWidget>(dialog, "dlbDir")->isEnabled());
            dialog.SetDirName(QStringLiteral("C:\\Data"));
        },
        true);
    EXPECT_FALSE(checkVisible);
    EXPECT_EQ(labelLeft, qb::ui::TwipsToPixels(60));
    EXPECT_EQ(dir, QStringLiteral("C:\\Data"));
    EXPECT_TRUE(yuko);

    // The next use offers the box again, right of which the label moves.
    edit(
        dialog, frmDefault::Use::InDir, dir, yuko,
        [&] {
            checkVisible = check(dialog)->isVisible();
            labelLeft = label(dialog)->x();
        },
        false);
    EXPECT_TRUE(checkVisible);
    EXPECT_GT(labelLeft, qb::ui::TwipsToPixels(60));
}

TEST_F(DefaultDialog, UncheckingGreysTheFolderControlsButKeepsTheFolder)
{
    frmDefault dialog(m_options);
    QString dir = QStringLiteral("D:\\Out");
    bool yuko = true;
    ASSERT_TRUE(edit(
        dialog, frmDefault::Use::OutDir, dir, yuko,
        [&] {
            check(dialog)->click();
            for (const char* name : {"lblDrive", "drvDrive", "dlbDir", "txtDir"})
                EXPECT_FALSE(control<QWidget>(dialog, name)->isEnabled()) << name;
        },
        true));
    EXPECT_EQ(dir, QStringLiteral("D:\\Out"));
    EXPECT_FALSE(yuko);
}

TEST_F(DefaultDialog, MissingFoldersFallBackToTheWorkingFolder)
{
    frmDefault dialog(m_options);
    dialog.SetDirName(QStringLiteral("C:\\No\\Such"));
    EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\"));
    dialog.SetDirName(QStringLiteral("D:\\Out"));
    dialog.SetDirName(QString());
    EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\"));

    // The temporary folder of the system gone: the copy lands in the working folder too.
    dialog.SetDirName(QStringLiteral("D:\\Out"));
    qputenv("TMPDIR", (sandboxRoot() + QStringLiteral("/c/gone")).toUtf8());
    dialog.findChild<QAction*>(QStringLiteral("mnuTmp"))->trigger();
    EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\"));
}

TEST_F(DefaultDialog, PopupCopiesThePanesFolders)
{
    frmDefault dialog(m_options);
    dialog.InDirSource = [] { return QStringLiteral("C:\\Data\\Proj"); };
    dialog.OutDirSource = [] { return QStringLiteral("D:\\Out"); };
    dialog.findChild<QAction*>(QStringLiteral("mnuInDir"))->trigger();
    EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\Data\\Proj"));
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("txtDir"))->text(),
              QStringLiteral("C:\\Data\\Proj"));
    dialog.findChild<QAction*>(QStringLiteral("mnuOutDir"))->trigger();
    EXPECT_EQ(dialog.DirName(), QStringLiteral("D:\\Out"));
}

TEST_F(DefaultDialog, EnterOpensTheHighlightedEntryBackspaceTheOneAbove)
{
    frmDefault dialog(m_options);
    dialog.SetDirName(QStringLiteral("C:\\Data"));
    auto* list = control<FolderList>(dialog, "dlbDir");
    list->setCurrentRow(list->count() - 1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &enter);
    EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\Data\\Proj"));
    // The current folder highlighted: the entry above it is its parent.
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &back);
    EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\Data"));
    QCoreApplication::sendEvent(list, &back);
    EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\"));
    QCoreApplication::sendEvent(list, &back);
    EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\"));
}

TEST_F(DefaultDialog, TooltipsComeFromTheHintsWhileTheSwitchIsOn)
{
    frmDefault dialog(m_options);
    QString dir = QStringLiteral("C:\\Data");
    bool yuko = true;
    QString hint;
    edit(
        dialog, frmDefault::Use::InDir, dir, yuko,
        [&] { hint = control<QWidget>(dialog, "dlbDir")->toolTip(); }, false);
    EXPECT_EQ(hint, QStringLiteral("初期設定の圧縮フォルダ格納フォルダ名を設定します"));
    m_options.Tip = false;
    edit(
        dialog, frmDefault::Use::InDir, dir, yuko,
        [&] { hint = control<QWidget>(dialog, "dlbDir")->toolTip() + ok(dialog)->toolTip(); },
        false);
    EXPECT_TRUE(hint.isEmpty());
}

TEST_F(DefaultDialog, PositionAndSizeAreKept)
{
    {
        frmDefault dialog(m_options);
        EXPECT_EQ(dialog.width(), qb::ui::TwipsToPixels(5000));
        dialog.resize(qb::ui::TwipsToPixels(6000), qb::ui::TwipsToPixels(4500));
        dialog.SavePosition();
    }
    EXPECT_EQ(stored("Default_Left"), "1000");
    EXPECT_EQ(stored("Default_Width"), "6000");
    EXPECT_EQ(stored("Default_Height"), "4500");
}

}  // namespace

namespace {

TEST_F(DefaultDialog, ChoosingADriveOpensItsCurrentFolderOrStaysWhenItCannot)
{
    frmDefault dialog(m_options);
    dialog.SetDirName(QStringLiteral("C:\\Data"));
    auto* drives = control<DriveList>(dialog, "drvDrive");
    ASSERT_EQ(drives->count(), 2);
    drives->setCurrentIndex(1);
    emit drives->activated(1);  // as the user's choice does
    EXPECT_EQ(dialog.DirName(), QStringLiteral("D:\\"));
    EXPECT_TRUE(drives->Drive().startsWith(QStringLiteral("d:")));

    // A drive whose folder is gone (a removable medium taken out) leaves everything as it was.
    dialog.SetDirName(QStringLiteral("C:\\Data"));
    ASSERT_TRUE(QDir(hostOf(QStringLiteral("D:\\"))).removeRecursively());
    drives->setCurrentIndex(1);
    emit drives->activated(1);
    EXPECT_EQ(dialog.DirName(), QStringLiteral("C:\\Data"));
    EXPECT_TRUE(drives->Drive().startsWith(QStringLiteral("c:")));
}

}  // namespace
