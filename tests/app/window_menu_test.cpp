// Menu commands that the frame carries out itself or hands to the dialogs: folder creation in
// the output folder, the font for every window, the help page, the history copy.

#include "support/WindowFixture.h"

#include "app/HelpFile.h"
#include "dialogs/UiSeams.h"
#include "engine/Options.h"
#include "panes/HistoryList.h"
#include "panes/TargetListPane.h"
#include "panes/SourceFolderPane.h"
#include "panes/SubfolderListPane.h"
#include "panes/OutputFolderPane.h"
#include "panes/HistoryPane.h"

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
    m_window->SourcePane()->SetFolder(QStringLiteral("C:\\Out"));
    m_window->OutputPane()->SetFolder(QStringLiteral("C:\\Out"));
    qb::ui::test::QueueInput(QStringLiteral("New"));
    m_window->TargetPane()->CreateFolder();
    EXPECT_TRUE(Exists("C:\\Out\\New"));
    EXPECT_EQ(m_window->OutputPane()->Folder(), "C:\\Out\\New");
    // The source-holding pane showing the same parent lists the new folder at once.
    EXPECT_EQ(Items(m_window->SubfolderPane()->subfolderList), QStringList({"New"}));

    // Cancelling the name changes nothing.
    qb::ui::test::QueueInput(std::nullopt);
    m_window->CreateFolder();
    EXPECT_EQ(m_window->OutputPane()->Folder(), "C:\\Out\\New");
}

TEST_F(MenuTest, AChosenFontReachesEveryPaneAndANewSizeIsRoundedHalfToEven)
{
    Window();
    QFont chosen = m_window->TargetPane()->targetList->font();
    chosen.setPointSizeF(12.5);
    chosen.setBold(true);
    qb::ui::test::QueueFont(chosen);
    m_window->LogPane()->EditFont();
    EXPECT_EQ(m_options.FontSize, 12);
    EXPECT_TRUE(m_options.FontBold);
    EXPECT_TRUE(m_window->TargetPane()->targetList->font().bold());
    EXPECT_TRUE(m_window->runButtons[0]->font().bold());
    EXPECT_EQ(m_window->LogPane()->historyList->font().pointSize(), 12);

    // Cancelling the dialog re-applies nothing.
    QFont plain = m_window->TargetPane()->targetList->font();
    plain.setBold(false);
    m_window->TargetPane()->targetList->setFont(plain);
    qb::ui::test::QueueFont(std::nullopt);
    m_window->EditFont();
    EXPECT_FALSE(m_window->TargetPane()->targetList->font().bold());
}

TEST_F(MenuTest, HelpOpensTheManualBesideTheProgram)
{
    QUrl opened;
    qb::help::test::SetOpener([&](const QUrl& url) {
        opened = url;
        return true;
    });
    Window();
    m_window->SubfolderPane()->OpenHelp();
    qb::help::test::SetOpener({});
    EXPECT_TRUE(opened.isLocalFile());
    EXPECT_TRUE(opened.toLocalFile().endsWith(QStringLiteral("QUILLBOX2.html")))
        << opened.toString().toStdString();
}

TEST_F(MenuTest, HelpWithoutAViewerSaysWhereTheManualIs)
{
    qb::help::test::SetOpener([](const QUrl&) { return false; });
    Window();
    m_window->OpenHelp();
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
    m_window->LogPane()->AddLine(QStringLiteral("一行目"));
    m_window->SourcePane()->CopyHistory();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("一行目\r\n"));
}

}  // namespace
