// Menu commands that the frame carries out itself or hands to the dialogs: folder creation in
// the output folder, the font for every window, the help page, the history copy.

#include "support/WindowFixture.h"

#include "app/HelpFile.h"
#include "dialogs/UiSeams.h"
#include "engine/Options.h"
#include "panes/HistoryList.h"
#include "panes/mdiFile.h"
#include "panes/mdiInDir.h"
#include "panes/mdiInFile.h"
#include "panes/mdiOutDir.h"
#include "panes/mdiStatus.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>

using namespace qbtest;

namespace {

class MenuTest : public WindowTest { };

TEST_F(MenuTest, MkdirMakesAFolderInTheOutputFolderAndMovesThePaneThere)
{
    MakeFolder("C:\\Out");
    Window();
    m_window->InDir()->SetDirName(QStringLiteral("C:\\Out"));
    m_window->OutDir()->SetDirName(QStringLiteral("C:\\Out"));
    qb::ui::test::QueueInput(QStringLiteral("New"));
    m_window->File()->mnuMkdir_Click();
    EXPECT_TRUE(Exists("C:\\Out\\New"));
    EXPECT_EQ(m_window->OutDir()->DirName(), "C:\\Out\\New");
    // The source-holding pane showing the same parent lists the new folder at once.
    EXPECT_EQ(Items(m_window->InFile()->lstDir), QStringList({"New"}));

    // Cancelling the name changes nothing.
    qb::ui::test::QueueInput(std::nullopt);
    m_window->mnuMkdir_Click();
    EXPECT_EQ(m_window->OutDir()->DirName(), "C:\\Out\\New");
}

TEST_F(MenuTest, AChosenFontReachesEveryPaneAndANewSizeIsRoundedHalfToEven)
{
    Window();
    QFont chosen = m_window->File()->lstFile->font();
    chosen.setPointSizeF(12.5);
    chosen.setBold(true);
    qb::ui::test::QueueFont(chosen);
    m_window->Status()->mnuFont_Click();
    EXPECT_EQ(m_options.Font_Size, 12);
    EXPECT_TRUE(m_options.Font_Bold);
    EXPECT_TRUE(m_window->File()->lstFile->font().bold());
    EXPECT_TRUE(m_window->btnExe[0]->font().bold());
    EXPECT_EQ(m_window->Status()->lstKekka->font().pointSize(), 12);

    // Cancelling the dialog re-applies nothing.
    QFont plain = m_window->File()->lstFile->font();
    plain.setBold(false);
    m_window->File()->lstFile->setFont(plain);
    qb::ui::test::QueueFont(std::nullopt);
    m_window->mnuFont_Click();
    EXPECT_FALSE(m_window->File()->lstFile->font().bold());
}

TEST_F(MenuTest, HelpOpensTheManualBesideTheProgram)
{
    QUrl opened;
    qb::help::test::SetOpener([&](const QUrl& url) {
        opened = url;
        return true;
    });
    Window();
    m_window->InFile()->mnuHelp_Click();
    qb::help::test::SetOpener({});
    EXPECT_TRUE(opened.isLocalFile());
    EXPECT_TRUE(opened.toLocalFile().endsWith(QStringLiteral("QUILLBOX2.html")))
        << opened.toString().toStdString();
}

TEST_F(MenuTest, HelpWithoutAViewerSaysWhereTheManualIs)
{
    qb::help::test::SetOpener([](const QUrl&) { return false; });
    Window();
    m_window->mnuHelp_Click();
    qb::help::test::SetOpener({});
    const QStringList messages = TakeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].endsWith(QStringLiteral("QUILLBOX2.html")))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("マニュアル")));
}

TEST_F(MenuTest, LogCopyFromAnyPaneCopiesTheHistory)
{
    Window();
    m_window->Status()->ListInAdd(QStringLiteral("一行目"));
    m_window->InDir()->mnuLogCopy_Click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("一行目\r\n"));
}

}  // namespace
