// The folder browser panes: the folder list's keys, fall-backs, the shortened text, the output
// pane's free space, the popup copy, and the starting folder rules.

#include "support/WindowFixture.h"

#include "common/PathHelpers.h"
#include "dialogs/FolderPicker.h"
#include "engine/Options.h"
#include "panes/SourceFolderPane.h"
#include "panes/SubfolderListPane.h"
#include "panes/OutputFolderPane.h"
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
    SourceFolderPane& In() { return *m_window->SourcePane(); }
    OutputFolderPane& Out() { return *m_window->OutputPane(); }
    void TearDown() override
    {
        PathHelpers::SetFreeSpaceProvider(nullptr);
        WindowTest::TearDown();
    }
};

TEST_F(FolderPaneTest, BackspaceOpensTheParentAndDoesNothingAtADriveRoot)
{
    MakeFolder("C:\\A\\B");
    Window();
    In().SetFolder(QStringLiteral("C:\\A\\B"));
    EXPECT_EQ(In().folderList->ListIndex(), -1);
    QTest::keyClick(In().folderList, Qt::Key_Backspace);
    EXPECT_EQ(In().Folder(), "C:\\A");
    QTest::keyClick(In().folderList, Qt::Key_Backspace);
    EXPECT_EQ(In().Folder(), "C:\\");
    QTest::keyClick(In().folderList, Qt::Key_Backspace);
    EXPECT_EQ(In().Folder(), "C:\\");
    // Enter opens the highlighted subfolder, and the subfolder list follows.
    In().folderList->setCurrentRow(In().folderList->count() - 1);
    QTest::keyClick(In().folderList, Qt::Key_Return);
    EXPECT_EQ(In().Folder(), "C:\\TEMP");
    EXPECT_EQ(m_window->SubfolderPane()->Folder(), "C:\\TEMP");
}

TEST_F(FolderPaneTest, AFolderThatCannotBeShownFallsBackToTheWorkingFolderSilently)
{
    MakeFolder("C:\\Work\\sub");
    qb::platform::SetCurrentDirectory("C:\\Work");
    Window();
    In().SetFolder(QStringLiteral("C:\\Gone"));
    EXPECT_EQ(In().Folder(), "C:\\Work");
    EXPECT_EQ(Items(m_window->SubfolderPane()->subfolderList), QStringList({"sub"}));
    In().SetFolder(QString());
    EXPECT_EQ(In().Folder(), "C:\\Work");
    In().SetFolder(QStringLiteral("Q:\\Nowhere"));
    EXPECT_EQ(In().Folder(), "C:\\Work");
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(FolderPaneTest, AWorkingFolderOutsideEveryDriveFallsBackToTheCurrentDrive)
{
    MakeFolder("C:\\Work");
    qb::platform::SetCurrentDirectory("C:\\Work");
    std::filesystem::current_path(m_sandbox->Root());  // no drive covers the sandbox's top
    Window();
    In().SetFolder(QStringLiteral("C:\\Gone"));
    EXPECT_EQ(In().Folder(), "C:\\Work");
    EXPECT_EQ(m_window->SubfolderPane()->Folder(), "C:\\Work");
}

TEST_F(FolderPaneTest, DeepFoldersAreShortenedInTheTextButNotInTheFolder)
{
    MakeFolder("C:\\A\\B\\C\\D");
    Window();
    In().SetFolder(QStringLiteral("c:\\a\\b\\c\\d"));
    EXPECT_EQ(In().folderPathBox->text(), "C:\\A\\...\\C\\D");
    EXPECT_EQ(In().Folder(), "C:\\A\\B\\C\\D");
}

TEST_F(FolderPaneTest, CopyMakesTheOutputPaneShowTheFolderWithItsFreeSpace)
{
    MakeFolder("D:\\Data");
    PathHelpers::SetFreeSpaceProvider([](const std::string&) {
        return std::optional<std::uint64_t>(static_cast<std::uint64_t>(1234.5 * 1048576));
    });
    Window();
    In().SetFolder(QStringLiteral("D:\\Data"));
    In().CopyToOtherPane();
    EXPECT_EQ(Out().Folder(), "D:\\Data");
    EXPECT_EQ(Out().windowTitle(), Msg(kCaptionOutputFolder) + " (1,234.5M Free)");
    EXPECT_EQ(In().windowTitle(), Msg(kCaptionSourceFolder));
    // Where the free space cannot be told, the title is the caption alone.
    PathHelpers::SetFreeSpaceProvider(
        [](const std::string&) { return std::optional<std::uint64_t>(); });
    Out().Reload();
    EXPECT_EQ(Out().windowTitle(), Msg(kCaptionOutputFolder));
    // And the other way round.
    MakeFolder("C:\\Back");
    Out().SetFolder(QStringLiteral("C:\\Back"));
    Out().CopyToOtherPane();
    EXPECT_EQ(In().Folder(), "C:\\Back");
}

TEST_F(FolderPaneTest, TheDriveListShowsEachDriveWithItsHostFolder)
{
    Window();
    ASSERT_EQ(In().driveList->count(), 2);
    EXPECT_EQ(In().driveList->itemText(0), QString::fromStdString("c: [" + m_sandbox->C() + "]"));
    EXPECT_EQ(In().driveList->itemText(1), QString::fromStdString("d: [" + m_sandbox->D() + "]"));
    // Choosing drive D: opens that drive's current folder.
    In().driveList->setCurrentIndex(1);
    In().driveList->activated(1);
    EXPECT_EQ(In().Folder(), "D:\\");
}

TEST_F(FolderPaneTest, TheRightButtonOpensThePopupExceptOnTheDriveList)
{
    Window();
    QTest::mouseClick(In().folderList->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(In().popupMenu->isVisible());
    In().popupMenu->hide();
    QTest::mouseClick(In().driveList, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(In().popupMenu->isVisible());
    // The alias entries follow the copy and refresh items.
    QStringList names;
    for (QAction* a : In().popupMenu->actions())
        names << a->objectName();
    EXPECT_EQ(names.mid(0, 2), QStringList({"copyToOtherAction", "refreshAction"}));
    EXPECT_EQ(In().popupMenu->actions().size(), 2 + 3 + 10);
}

TEST_F(FolderPaneTest, TheFolderTextOffersThePanePopupNotAnEditingMenu)
{
    Window();
    QTest::mouseClick(In().folderPathBox, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(In().popupMenu->isVisible());
    In().popupMenu->hide();
    // The platform follows the press with a context-menu request; the text box must not answer
    // it with its own cut-and-paste menu in place of the pane's.
    bool foreignMenu = false;
    QTimer::singleShot(100, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            foreignMenu = popup != In().popupMenu;
            popup->close();
        }
    });
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                              In().folderPathBox->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(In().folderPathBox, &request);
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
    EXPECT_EQ(In().Folder(), "C:\\Last");
    EXPECT_EQ(Out().Folder(), "C:\\");  // Dir_Out is gone: the working folder
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
    EXPECT_EQ(In().Folder(), "C:\\NewStart");
}

}  // namespace
