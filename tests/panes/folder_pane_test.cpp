// The folder browser panes: the folder list's keys, fall-backs, the shortened text, the output
// pane's free space, the popup copy, and the starting folder rules.

#include "support/WindowFixture.h"

#include "common/basQuill.h"
#include "dialogs/FolderPicker.h"
#include "engine/Options.h"
#include "panes/mdiInDir.h"
#include "panes/mdiInFile.h"
#include "panes/mdiOutDir.h"
#include "platform/CurrentDir.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <filesystem>

using namespace qbtest;

namespace {

class FolderPaneTest : public WindowTest {
protected:
    mdiInDir& In() { return *m_window->InDir(); }
    mdiOutDir& Out() { return *m_window->OutDir(); }
    void TearDown() override
    {
        basQuill::SetFreeSpaceProvider(nullptr);
        WindowTest::TearDown();
    }
};

TEST_F(FolderPaneTest, BackspaceOpensTheParentAndDoesNothingAtADriveRoot)
{
    MakeFolder("C:\\A\\B");
    Window();
    In().SetDirName(QStringLiteral("C:\\A\\B"));
    EXPECT_EQ(In().dlbDir->ListIndex(), -1);
    QTest::keyClick(In().dlbDir, Qt::Key_Backspace);
    EXPECT_EQ(In().DirName(), "C:\\A");
    QTest::keyClick(In().dlbDir, Qt::Key_Backspace);
    EXPECT_EQ(In().DirName(), "C:\\");
    QTest::keyClick(In().dlbDir, Qt::Key_Backspace);
    EXPECT_EQ(In().DirName(), "C:\\");
    // Enter opens the highlighted subfolder, and the subfolder list follows.
    In().dlbDir->setCurrentRow(In().dlbDir->count() - 1);
    QTest::keyClick(In().dlbDir, Qt::Key_Return);
    EXPECT_EQ(In().DirName(), "C:\\TEMP");
    EXPECT_EQ(m_window->InFile()->DirName(), "C:\\TEMP");
}

TEST_F(FolderPaneTest, AFolderThatCannotBeShownFallsBackToTheWorkingFolderSilently)
{
    MakeFolder("C:\\Work\\sub");
    qb::platform::SetCurrentDirectory("C:\\Work");
    Window();
    In().SetDirName(QStringLiteral("C:\\Gone"));
    EXPECT_EQ(In().DirName(), "C:\\Work");
    EXPECT_EQ(Items(m_window->InFile()->lstDir), QStringList({"sub"}));
    In().SetDirName(QString());
    EXPECT_EQ(In().DirName(), "C:\\Work");
    In().SetDirName(QStringLiteral("Q:\\Nowhere"));
    EXPECT_EQ(In().DirName(), "C:\\Work");
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(FolderPaneTest, AWorkingFolderOutsideEveryDriveFallsBackToTheCurrentDrive)
{
    MakeFolder("C:\\Work");
    qb::platform::SetCurrentDirectory("C:\\Work");
    std::filesystem::current_path(m_sandbox->Root());  // no drive covers the sandbox's top
    Window();
    In().SetDirName(QStringLiteral("C:\\Gone"));
    EXPECT_EQ(In().DirName(), "C:\\Work");
    EXPECT_EQ(m_window->InFile()->DirName(), "C:\\Work");
}

TEST_F(FolderPaneTest, DeepFoldersAreShortenedInTheTextButNotInDirName)
{
    MakeFolder("C:\\A\\B\\C\\D");
    Window();
    In().SetDirName(QStringLiteral("c:\\a\\b\\c\\d"));
    EXPECT_EQ(In().txtDir->text(), "C:\\A\\...\\C\\D");
    EXPECT_EQ(In().DirName(), "C:\\A\\B\\C\\D");
}

TEST_F(FolderPaneTest, CopyMakesTheOutputPaneShowTheFolderWithItsFreeSpace)
{
    MakeFolder("D:\\Data");
    basQuill::SetFreeSpaceProvider([](const std::string&) {
        return std::optional<std::uint64_t>(static_cast<std::uint64_t>(1234.5 * 1048576));
    });
    Window();
    In().SetDirName(QStringLiteral("D:\\Data"));
    In().mnuCopy_Click();
    EXPECT_EQ(Out().DirName(), "D:\\Data");
    EXPECT_EQ(Out().windowTitle(), Msg(kCaptionOutDir) + " (1,234.5M Free)");
    EXPECT_EQ(In().windowTitle(), Msg(kCaptionInDir));
    // Where the free space cannot be told, the title is the caption alone.
    basQuill::SetFreeSpaceProvider(
        [](const std::string&) { return std::optional<std::uint64_t>(); });
    Out().RefreshForm();
    EXPECT_EQ(Out().windowTitle(), Msg(kCaptionOutDir));
    // And the other way round.
    MakeFolder("C:\\Back");
    Out().SetDirName(QStringLiteral("C:\\Back"));
    Out().mnuCopy_Click();
    EXPECT_EQ(In().DirName(), "C:\\Back");
}

TEST_F(FolderPaneTest, TheDriveListShowsEachDriveWithItsHostFolder)
{
    Window();
    ASSERT_EQ(In().drvDrive->count(), 2);
    EXPECT_EQ(In().drvDrive->itemText(0), QString::fromStdString("c: [" + m_sandbox->C() + "]"));
    EXPECT_EQ(In().drvDrive->itemText(1), QString::fromStdString("d: [" + m_sandbox->D() + "]"));
    // Choosing drive D: opens that drive's current folder.
    In().drvDrive->setCurrentIndex(1);
    In().drvDrive->activated(1);
    EXPECT_EQ(In().DirName(), "D:\\");
}

TEST_F(FolderPaneTest, TheRightButtonOpensThePopupExceptOnTheDriveList)
{
    Window();
    QTest::mouseClick(In().dlbDir->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(In().mnuPopup->isVisible());
    In().mnuPopup->hide();
    QTest::mouseClick(In().drvDrive, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(In().mnuPopup->isVisible());
    // The alias entries follow the copy and refresh items.
    QStringList names;
    for (QAction* a : In().mnuPopup->actions())
        names << a->objectName();
    EXPECT_EQ(names.mid(0, 2), QStringList({"mnuCopy", "mnuRefresh"}));
    EXPECT_EQ(In().mnuPopup->actions().size(), 2 + 3 + 10);
}

TEST_F(FolderPaneTest, TheFolderTextOffersThePanePopupNotAnEditingMenu)
{
    Window();
    QTest::mouseClick(In().txtDir, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(In().mnuPopup->isVisible());
    In().mnuPopup->hide();
    // The platform follows the press with a context-menu request; the text box must not answer
    // it with its own cut-and-paste menu in place of the pane's.
    bool foreignMenu = false;
    QTimer::singleShot(100, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            foreignMenu = popup != In().mnuPopup;
            popup->close();
        }
    });
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                              In().txtDir->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(In().txtDir, &request);
    QTest::qWait(200);
    EXPECT_FALSE(foreignMenu);
}

TEST_F(FolderPaneTest, StartingFoldersFollowTheInForceFlags)
{
    MakeFolder("C:\\Initial");
    MakeFolder("C:\\Last");
    for (auto [key, value] : {std::pair{"Dir_In", "C:\\Initial"},
                              {"Dir_In_Yuko", "False"},
                              {"OldDir_In", "C:\\Last"},
                              {"Dir_Out", "C:\\Deleted"},
                              {"Dir_Out_Yuko", "True"}})
        qb::platform::SaveSetting("Brambleworks", "Quillbox2", key, value);
    Window();
    EXPECT_EQ(In().DirName(), "C:\\Last");
    EXPECT_EQ(Out().DirName(), "C:\\");  // Dir_Out is gone: the working folder
    EXPECT_EQ(In().InitialDir(), "C:\\Initial");
    CloseWindow();
    EXPECT_EQ(qb::platform::GetSetting("Brambleworks", "Quillbox2", "Dir_In", ""), "C:\\Initial");
    EXPECT_EQ(qb::platform::GetSetting("Brambleworks", "Quillbox2", "Dir_Out", ""), "C:\\Deleted");
}

TEST_F(FolderPaneTest, TheDefaultMenuChangesTheInitialFolderKeptForShutdown)
{
    MakeFolder("C:\\NewStart");
    Window();
    In().SetInitialDir(QStringLiteral("C:\\NewStart"), true);
    CloseWindow();
    EXPECT_EQ(qb::platform::GetSetting("Brambleworks", "Quillbox2", "Dir_In", ""), "C:\\NewStart");
    EXPECT_EQ(qb::platform::GetSetting("Brambleworks", "Quillbox2", "Dir_In_Yuko", ""), "True");
    Window();
    EXPECT_EQ(In().DirName(), "C:\\NewStart");
}

}  // namespace
