// The initial-folder dialog: the greyed apply button, the three uses of the Default menu,
// the free-space label, the check box and the fall-back to the working folder.

#include "support/DialogSandbox.h"

#include "common/PathHelpers.h"
#include "dialogs/FolderPicker.h"
#include "dialogs/FormPlacement.h"
#include "dialogs/InitialFoldersDialog.h"
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

class InitialFoldersDialogTest : public DialogSandbox {
protected:
    void SetUp() override
    {
        DialogSandbox::SetUp();
        makeFolder(QStringLiteral("C:\\Data\\Proj"));
        makeFolder(QStringLiteral("D:\\Out"));
        PathHelpers::SetFreeSpaceProvider([](const std::string&) { return std::uint64_t(512) << 20; });
    }
    template<typename T>
    T* control(InitialFoldersDialog& dialog, const char* name)
    {
        auto* found = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPushButton* ok(InitialFoldersDialog& d) { return control<QPushButton>(d, "okButton"); }
    QCheckBox* check(InitialFoldersDialog& d) { return control<QCheckBox>(d, "inForceBox"); }
    QLabel* label(InitialFoldersDialog& d) { return control<QLabel>(d, "folderLabel"); }

    // Runs Edit for one use while `inside` acts on the open dialog, then presses OK or Cancel.
    bool edit(InitialFoldersDialog& dialog, InitialFoldersDialog::Use use, QString& dir, bool& inForce,
              const std::function<void()>& inside, bool pressOk)
    {
        QTimer::singleShot(0, &dialog, [&] {
            inside();
            control<QPushButton>(dialog, pressOk ? "okButton" : "cancelButton")->click();
            if (dialog.isVisible()) {
                ADD_FAILURE() << "the dialog did not close";
                dialog.reject();
            }
        });
        return dialog.Edit(use, dir, inForce);
    }
};

TEST_F(InitialFoldersDialogTest, ApplyIsGreyedUntilSomethingChanges)
{
    InitialFoldersDialog dialog(m_options);
    QString dir = QStringLiteral("C:\\Data");
    bool inForce = true;
    bool wasEnabled = true;
    const bool result = edit(
        dialog, InitialFoldersDialog::Use::SourceFolder, dir, inForce,
        [&] {
            wasEnabled = ok(dialog)->isEnabled();
            check(dialog)->click();
            EXPECT_TRUE(ok(dialog)->isEnabled());
        },
        true);
    EXPECT_FALSE(wasEnabled);
    EXPECT_TRUE(result);
    EXPECT_FALSE(inForce);
    EXPECT_EQ(dir, QStringLiteral("C:\\Data"));
}

TEST_F(InitialFoldersDialogTest, FolderChangeEnablesApplyAndIsReturnedInItsOnDiskForm)
{
    InitialFoldersDialog dialog(m_options);
    QString dir = QStringLiteral("c:\\data");
    bool inForce = false;
    ASSERT_TRUE(edit(
        dialog, InitialFoldersDialog::Use::OutputFolder, dir, inForce,
        [&] {
            EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\Data"));
            auto* list = control<FolderList>(dialog, "folderList");
            ASSERT_EQ(list->ListCount(), 1);
            list->setCurrentRow(list->count() - 1);  // the subfolder Proj
            emit list->itemActivated(list->currentItem());  // as a double click does
            EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\Data\\Proj"));
            EXPECT_TRUE(ok(dialog)->isEnabled());
        },
        true));
    EXPECT_EQ(dir, QStringLiteral("C:\\Data\\Proj"));
    EXPECT_FALSE(inForce);
}

TEST_F(InitialFoldersDialogTest, CancelLeavesTheCallersValues)
{
    InitialFoldersDialog dialog(m_options);
    QString dir = QStringLiteral("C:\\Data");
    bool inForce = true;
    EXPECT_FALSE(edit(
        dialog, InitialFoldersDialog::Use::SourceFolder, dir, inForce,
        [&] {
            check(dialog)->click();
            dialog.SetFolder(QStringLiteral("D:\\Out"));
        },
        false));
    EXPECT_EQ(dir, QStringLiteral("C:\\Data"));
    EXPECT_TRUE(inForce);
    EXPECT_FALSE(dialog.okPressed);
}

TEST_F(InitialFoldersDialogTest, FreeSpaceOnlyForTheOutputAndTemporaryFolders)
{
    InitialFoldersDialog dialog(m_options);
    QString dir = QStringLiteral("D:\\Out");
    bool inForce = true;
    QString inLabel, outLabel, tmpLabel;
    edit(
        dialog, InitialFoldersDialog::Use::SourceFolder, dir, inForce, [&] { inLabel = label(dialog)->text(); }, false);
    edit(
        dialog, InitialFoldersDialog::Use::OutputFolder, dir, inForce, [&] { outLabel = label(dialog)->text(); },
        false);
    edit(
        dialog, InitialFoldersDialog::Use::TempFolder, dir, inForce, [&] { tmpLabel = label(dialog)->text(); },
        false);
    EXPECT_EQ(inLabel, QStringLiteral("圧縮フォルダ格納フォルダ名"));
    EXPECT_EQ(outLabel, QStringLiteral("圧縮ファイル格納フォルダ名 (512.0M Free)"));
    EXPECT_EQ(tmpLabel, QStringLiteral("テンポラリフォルダ名 (512.0M Free)"));
}

TEST_F(InitialFoldersDialogTest, TemporaryFolderHasNoCheckBoxAndStaysInForce)
{
    InitialFoldersDialog dialog(m_options);
    QString dir = QStringLiteral("D:\\Out\\");  // the temporary folder keeps its backslash
    bool inForce = false;
    bool checkVisible = true;
    int labelLeft = -1;
    edit(
        dialog, InitialFoldersDialog::Use::TempFolder, dir, inForce,
        [&] {
            EXPECT_EQ(dialog.Folder(), QStringLiteral("D:\\Out"));
            checkVisible = check(dialog)->isVisible();
            labelLeft = label(dialog)->x();
            EXPECT_TRUE(dialog.InForce());
            EXPECT_TRUE(control<QWidget>(dialog, "folderList")->isEnabled());
            dialog.SetFolder(QStringLiteral("C:\\Data"));
        },
        true);
    EXPECT_FALSE(checkVisible);
    EXPECT_EQ(labelLeft, qb::ui::TwipsToPixels(60));
    EXPECT_EQ(dir, QStringLiteral("C:\\Data"));
    EXPECT_TRUE(inForce);

    // The next use offers the box again, right of which the label moves.
    edit(
        dialog, InitialFoldersDialog::Use::SourceFolder, dir, inForce,
        [&] {
            checkVisible = check(dialog)->isVisible();
            labelLeft = label(dialog)->x();
        },
        false);
    EXPECT_TRUE(checkVisible);
    EXPECT_GT(labelLeft, qb::ui::TwipsToPixels(60));
}

TEST_F(InitialFoldersDialogTest, UncheckingGreysTheFolderControlsButKeepsTheFolder)
{
    InitialFoldersDialog dialog(m_options);
    QString dir = QStringLiteral("D:\\Out");
    bool inForce = true;
    ASSERT_TRUE(edit(
        dialog, InitialFoldersDialog::Use::OutputFolder, dir, inForce,
        [&] {
            check(dialog)->click();
            for (const char* name : {"folderLabel", "driveList", "folderList", "folderPathBox"})
                EXPECT_FALSE(control<QWidget>(dialog, name)->isEnabled()) << name;
        },
        true));
    EXPECT_EQ(dir, QStringLiteral("D:\\Out"));
    EXPECT_FALSE(inForce);
}

TEST_F(InitialFoldersDialogTest, MissingFoldersFallBackToTheWorkingFolder)
{
    InitialFoldersDialog dialog(m_options);
    dialog.SetFolder(QStringLiteral("C:\\No\\Such"));
    EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\"));
    dialog.SetFolder(QStringLiteral("D:\\Out"));
    dialog.SetFolder(QString());
    EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\"));

    // The temporary folder of the system gone: the copy lands in the working folder too.
    dialog.SetFolder(QStringLiteral("D:\\Out"));
    qputenv("TMPDIR", (sandboxRoot() + QStringLiteral("/c/gone")).toUtf8());
    dialog.findChild<QAction*>(QStringLiteral("copyTempAction"))->trigger();
    EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\"));
}

TEST_F(InitialFoldersDialogTest, PopupCopiesThePanesFolders)
{
    InitialFoldersDialog dialog(m_options);
    dialog.SourcePaneFolder = [] { return QStringLiteral("C:\\Data\\Proj"); };
    dialog.OutputPaneFolder = [] { return QStringLiteral("D:\\Out"); };
    dialog.findChild<QAction*>(QStringLiteral("copySourceAction"))->trigger();
    EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\Data\\Proj"));
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("folderPathBox"))->text(),
              QStringLiteral("C:\\Data\\Proj"));
    dialog.findChild<QAction*>(QStringLiteral("copyOutputAction"))->trigger();
    EXPECT_EQ(dialog.Folder(), QStringLiteral("D:\\Out"));
}

TEST_F(InitialFoldersDialogTest, EnterOpensTheHighlightedEntryBackspaceTheOneAbove)
{
    InitialFoldersDialog dialog(m_options);
    dialog.SetFolder(QStringLiteral("C:\\Data"));
    auto* list = control<FolderList>(dialog, "folderList");
    list->setCurrentRow(list->count() - 1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &enter);
    EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\Data\\Proj"));
    // The current folder highlighted: the entry above it is its parent.
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &back);
    EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\Data"));
    QCoreApplication::sendEvent(list, &back);
    EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\"));
    QCoreApplication::sendEvent(list, &back);
    EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\"));
}

TEST_F(InitialFoldersDialogTest, TooltipsComeFromTheHintsWhileTheSwitchIsOn)
{
    InitialFoldersDialog dialog(m_options);
    QString dir = QStringLiteral("C:\\Data");
    bool inForce = true;
    QString hint;
    edit(
        dialog, InitialFoldersDialog::Use::SourceFolder, dir, inForce,
        [&] { hint = control<QWidget>(dialog, "folderList")->toolTip(); }, false);
    EXPECT_EQ(hint, QStringLiteral("初期設定の圧縮フォルダ格納フォルダ名を設定します"));
    m_options.ShowTooltips = false;
    edit(
        dialog, InitialFoldersDialog::Use::SourceFolder, dir, inForce,
        [&] { hint = control<QWidget>(dialog, "folderList")->toolTip() + ok(dialog)->toolTip(); },
        false);
    EXPECT_TRUE(hint.isEmpty());
}

TEST_F(InitialFoldersDialogTest, PositionAndSizeAreKept)
{
    {
        InitialFoldersDialog dialog(m_options);
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

TEST_F(InitialFoldersDialogTest, ChoosingADriveOpensItsCurrentFolderOrStaysWhenItCannot)
{
    InitialFoldersDialog dialog(m_options);
    dialog.SetFolder(QStringLiteral("C:\\Data"));
    auto* drives = control<DriveList>(dialog, "driveList");
    ASSERT_EQ(drives->count(), 2);
    drives->setCurrentIndex(1);
    emit drives->activated(1);  // as the user's choice does
    EXPECT_EQ(dialog.Folder(), QStringLiteral("D:\\"));
    EXPECT_TRUE(drives->Drive().startsWith(QStringLiteral("d:")));

    // A drive whose folder is gone (a removable medium taken out) leaves everything as it was.
    dialog.SetFolder(QStringLiteral("C:\\Data"));
    ASSERT_TRUE(QDir(hostOf(QStringLiteral("D:\\"))).removeRecursively());
    drives->setCurrentIndex(1);
    emit drives->activated(1);
    EXPECT_EQ(dialog.Folder(), QStringLiteral("C:\\Data"));
    EXPECT_TRUE(drives->Drive().startsWith(QStringLiteral("c:")));
}

}  // namespace
