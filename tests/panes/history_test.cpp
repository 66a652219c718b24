// The execution history: the current-line rule and its cap, the clipboard copy and the log file.

#include "support/WindowFixture.h"

#include "dialogs/UiSeams.h"
#include "panes/HistoryList.h"
#include "panes/HistoryPane.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>

#include <filesystem>

using namespace qbtest;

namespace {

class HistoryTest : public WindowTest {
protected:
    HistoryPane& History() { return *m_window->LogPane(); }
    void Add(std::initializer_list<const char*> lines)
    {
        for (const char* l : lines)
            History().AddLine(QString::fromUtf8(l));
    }
};

TEST_F(HistoryTest, CopyPutsCrLfAfterEveryLineTheLastToo)
{
    Window();
    Add({"A", "B", "C"});
    History().LogCopy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("A\r\nB\r\nC\r\n"));
}

TEST_F(HistoryTest, CopyOfAnEmptyHistoryLeavesTheClipboardEmpty)
{
    Window();
    QApplication::clipboard()->setText(QStringLiteral("old"));
    m_window->CopyHistory();
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
}

TEST_F(HistoryTest, NewLinesBecomeCurrentAndFollowAClickedLine)
{
    Window();
    Add({"1", "2", "3", "4", "5"});
    EXPECT_EQ(History().historyList->currentRow(), 4);
    History().historyList->setCurrentRow(1);
    Add({"6"});
    // Appended at the end, but the current line is the clicked one plus one.
    EXPECT_EQ(History().historyList->count(), 6);
    EXPECT_EQ(History().historyList->text(5), "6");
    EXPECT_EQ(History().historyList->currentRow(), 2);
}

TEST_F(HistoryTest, HistoryStaysAt30002LinesDroppingTheOldest)
{
    Window();
    for (int i = 0; i < 30002; ++i)
        History().AddLine(QString::number(i));
    ASSERT_EQ(History().historyList->count(), 30002);
    ASSERT_EQ(History().historyList->currentRow(), 30001);

    History().AddLine(QStringLiteral("new"));
    EXPECT_EQ(History().historyList->count(), 30002);
    EXPECT_EQ(History().historyList->text(0), "1");
    EXPECT_EQ(History().historyList->text(30001), "new");
    EXPECT_EQ(History().historyList->currentRow(), 30001);

    // With an earlier line current the list grows again until that line passes the limit.
    History().historyList->setCurrentRow(100);
    History().AddLine(QStringLiteral("more"));
    EXPECT_EQ(History().historyList->count(), 30003);
}

TEST_F(HistoryTest, SaveOfAnEmptyHistoryAsksForANameButWritesNothing)
{
    Window();
    qb::ui::test::QueueFileName(QStringLiteral("C:\\EMPTY.LOG"));
    m_window->SaveHistory();
    const QStringList record = TakeRecord();
    ASSERT_EQ(record.size(), 1);
    EXPECT_TRUE(record[0].startsWith(QStringLiteral("save: ")));
    EXPECT_FALSE(Exists("C:\\EMPTY.LOG"));
}

TEST_F(HistoryTest, SaveWritesUtf8LinesAndAsksBeforeReplacingAFile)
{
    Window();
    Add({"[ C:\\Work\\abc ]", "　圧縮正常終了しました"});
    qb::ui::test::QueueFileName(QStringLiteral("C:\\RUN"));  // the default extension is added
    m_window->SaveHistory();
    EXPECT_EQ(Sandbox::ReadFile(Host("C:\\RUN.LOG")),
              "[ C:\\Work\\abc ]\r\n　圧縮正常終了しました\r\n");
    TakeRecord();

    WriteFile("C:\\RUN.LOG", "keep");
    qb::ui::test::QueueFileName(QStringLiteral("C:\\RUN.LOG"));
    qb::ui::test::QueueYesNo(false);
    m_window->SaveHistory();
    EXPECT_EQ(Sandbox::ReadFile(Host("C:\\RUN.LOG")), "keep");
    const QStringList record = TakeRecord();
    EXPECT_EQ(record.filter(QStringLiteral("question: ")),
              QStringList{"question: " + SharedMsg(kSharedOverwriteLog)});

    qb::ui::test::QueueFileName(QStringLiteral("C:\\RUN.LOG"));
    qb::ui::test::QueueYesNo(true);
    m_window->SaveHistory();
    EXPECT_EQ(Sandbox::ReadFile(Host("C:\\RUN.LOG")).substr(0, 4), "[ C:");
}

TEST_F(HistoryTest, AFailedSaveSays5101AndLeavesNoFileBehind)
{
    MakeFolder("C:\\LOGS.D");
    Window();
    Add({"A"});
    // A folder that is not there, and a name that is a folder: neither can take the log.
    qb::ui::test::QueueFileName(QStringLiteral("C:\\MISSING\\X.LOG"));
    m_window->SaveHistory();
    qb::ui::test::QueueFileName(QStringLiteral("C:\\LOGS.D"));
    m_window->SaveHistory();
    EXPECT_EQ(TakeMessages(),
              QStringList({SharedMsg(kSharedLogNotSaved), SharedMsg(kSharedLogNotSaved)}));
    EXPECT_FALSE(Exists("C:\\MISSING"));
    EXPECT_TRUE(std::filesystem::is_empty(Host("C:\\LOGS.D")));
}

TEST_F(HistoryTest, ClearEmptiesTheHistory)
{
    Window();
    Add({"A", "B"});
    History().clearAction->trigger();
    EXPECT_EQ(History().historyList->count(), 0);
}

}  // namespace
