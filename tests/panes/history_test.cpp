// The execution history: the current-line rule and its cap, the clipboard copy and the log file.

#include "support/WindowFixture.h"

#include "dialogs/UiSeams.h"
#include "panes/HistoryList.h"
#include "panes/mdiStatus.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>

#include <filesystem>

using namespace qbtest;

namespace {

class HistoryTest : public WindowTest {
protected:
    mdiStatus& History() { return *m_window->Status(); }
    void Add(std::initializer_list<const char*> lines)
    {
        for (const char* l : lines)
            History().ListInAdd(QString::fromUtf8(l));
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
    m_window->mnuLogCopy_Click();
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
}

TEST_F(HistoryTest, NewLinesBecomeCurrentAndFollowAClickedLine)
{
    Window();
    Add({"1", "2", "3", "4", "5"});
    EXPECT_EQ(History().lstKekka->currentRow(), 4);
    History().lstKekka->setCurrentRow(1);
    Add({"6"});
    // Appended at the end, but the current line is the clicked one plus one.
    EXPECT_EQ(History().lstKekka->count(), 6);
    EXPECT_EQ(History().lstKekka->text(5), "6");
    EXPECT_EQ(History().lstKekka->currentRow(), 2);
}

TEST_F(HistoryTest, HistoryStaysAt30002LinesDroppingTheOldest)
{
    Window();
    for (int i = 0; i < 30002; ++i)
        History().ListInAdd(QString::number(i));
    ASSERT_EQ(History().lstKekka->count(), 30002);
    ASSERT_EQ(History().lstKekka->currentRow(), 30001);

    History().ListInAdd(QStringLiteral("new"));
    EXPECT_EQ(History().lstKekka->count(), 30002);
    EXPECT_EQ(History().lstKekka->text(0), "1");
    EXPECT_EQ(History().lstKekka->text(30001), "new");
    EXPECT_EQ(History().lstKekka->currentRow(), 30001);

    // With an earlier line current the list grows again until that line passes the limit.
    History().lstKekka->setCurrentRow(100);
    History().ListInAdd(QStringLiteral("more"));
    EXPECT_EQ(History().lstKekka->count(), 30003);
}

TEST_F(HistoryTest, SaveOfAnEmptyHistoryAsksForANameButWritesNothing)
{
    Window();
    qb::ui::test::QueueFileName(QStringLiteral("C:\\EMPTY.LOG"));
    m_window->mnuLogSave_Click();
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
    m_window->mnuLogSave_Click();
    EXPECT_EQ(Sandbox::ReadFile(Host("C:\\RUN.LOG")),
              "[ C:\\Work\\abc ]\r\n　圧縮正常終了しました\r\n");
    TakeRecord();

    WriteFile("C:\\RUN.LOG", "keep");
    qb::ui::test::QueueFileName(QStringLiteral("C:\\RUN.LOG"));
    qb::ui::test::QueueYesNo(false);
    m_window->mnuLogSave_Click();
    EXPECT_EQ(Sandbox::ReadFile(Host("C:\\RUN.LOG")), "keep");
    const QStringList record = TakeRecord();
    EXPECT_EQ(record.filter(QStringLiteral("question: ")),
              QStringList{"question: " + SharedMsg(kSharedOverwriteLog)});

    qb::ui::test::QueueFileName(QStringLiteral("C:\\RUN.LOG"));
    qb::ui::test::QueueYesNo(true);
    m_window->mnuLogSave_Click();
    EXPECT_EQ(Sandbox::ReadFile(Host("C:\\RUN.LOG")).substr(0, 4), "[ C:");
}

TEST_F(HistoryTest, AFailedSaveSays5101AndLeavesNoFileBehind)
{
    MakeFolder("C:\\LOGS.D");
    Window();
    Add({"A"});
    // A folder that is not there, and a name that is a folder: neither can take the log.
    qb::ui::test::QueueFileName(QStringLiteral("C:\\MISSING\\X.LOG"));
    m_window->mnuLogSave_Click();
    qb::ui::test::QueueFileName(QStringLiteral("C:\\LOGS.D"));
    m_window->mnuLogSave_Click();
    EXPECT_EQ(TakeMessages(),
              QStringList({SharedMsg(kSharedLogNotSaved), SharedMsg(kSharedLogNotSaved)}));
    EXPECT_FALSE(Exists("C:\\MISSING"));
    EXPECT_TRUE(std::filesystem::is_empty(Host("C:\\LOGS.D")));
}

TEST_F(HistoryTest, ClearEmptiesTheHistory)
{
    Window();
    Add({"A", "B"});
    History().mnuDel->trigger();
    EXPECT_EQ(History().lstKekka->count(), 0);
}

}  // namespace
