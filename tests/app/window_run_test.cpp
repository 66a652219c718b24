// The interactive run behind the run buttons: what it disables while it works, the history it
// writes, which folders leave the target list, cancelling between folders and inside an archive.

#include "support/WindowFixture.h"

#include "panes/HistoryList.h"
#include "panes/RunProgress.h"
#include "panes/TargetListPane.h"
#include "panes/SourceFolderPane.h"
#include "panes/OutputFolderPane.h"
#include "panes/ArchiveListPane.h"
#include "panes/HistoryPane.h"
#include "support/EngineFixture.h"

#include <QLabel>

#include <QEvent>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

using namespace qbtest;

namespace {

class RunTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        MakeFolder("D:\\OUT");
        for (const char* name : {"A", "B", "C"}) {
            MakeFolder(std::string("C:\\W\\") + name);
            WriteFile(std::string("C:\\W\\") + name + "\\file.txt", "data");
        }
    }

    void Prepare(std::initializer_list<const char*> folders)
    {
        Window();
        m_window->OutputPane()->SetFolder(QStringLiteral("D:\\OUT"));
        for (const char* f : folders)
            ASSERT_TRUE(m_window->TargetPane()->AddOutsidePath(QString::fromLatin1(f)));
        m_window->UpdateRunButtons();
    }

    QStringList History()
    {
        QStringList lines;
        const auto* list = m_window->LogPane()->historyList;
        for (int i = 0; i < list->count(); ++i)
            lines << list->text(i);
        return lines;
    }
    QStringList Targets() { return Items(m_window->TargetPane()->targetList); }
};

TEST_F(RunTest, ThreeFoldersWithTheSecondRefusedLeaveOnlyTheSecond)
{
    Prepare({"C:\\W\\A", "C:\\W\\B", "C:\\W\\C"});
    std::filesystem::remove_all(Host("C:\\W\\B"));
    m_window->runButtons[0]->click();

    EXPECT_EQ(History(),
              QStringList({"[ C:\\W\\A ]", Msg(kHistoryLzhPacking), Msg(kHistoryPacked),
                           Msg(kHistoryRefused),
                           QStringLiteral("　理由：このフォルダは存在しません（C:\\W\\B）"),
                           "[ C:\\W\\C ]", Msg(kHistoryLzhPacking), Msg(kHistoryPacked),
                           SharedMsg(kSharedRunFinished),
                           QStringLiteral("全 3 フォルダ中 2 フォルダを圧縮しました")}));
    EXPECT_EQ(Targets(), QStringList({"C:\\W\\B"}));
    // The box names the folder.
    EXPECT_EQ(TakeMessages(),
              QStringList({Msg(kTextFolderMissing) + QStringLiteral("\nC:\\W\\B")}));
    EXPECT_EQ(Fake().calls.size(), 2u);
    EXPECT_EQ(Items(m_window->ArchivePane()->archiveList),
              QStringList({"D:\\OUT\\A.LZH", "D:\\OUT\\C.LZH"}));
    // The remaining folder is no longer marked as pending, and the buttons are back.
    EXPECT_FALSE(m_window->TargetPane()->targetList->item(0)->isSelected());
    EXPECT_TRUE(m_window->runButtons[1]->isEnabled());
    EXPECT_FALSE(m_window->cancelButton->isEnabled());
}

TEST_F(RunTest, EverythingIsDisabledDuringTheRunAndEnabledAfterIt)
{
    Prepare({"C:\\W\\A"});
    bool checked = false;
    Fake().onCall = [&](const FakeCall&) {
        checked = true;
        for (QPushButton* b : m_window->runButtons)
            EXPECT_FALSE(b->isEnabled());
        EXPECT_TRUE(m_window->cancelButton->isEnabled());
        for (auto* pane : m_window->Panes()) {
            EXPECT_FALSE(pane->isEnabled()) << pane->objectName().toStdString();
            EXPECT_FALSE(pane->Menus().fileMenu->menuAction()->isEnabled());
            EXPECT_FALSE(pane->Menus().exitAction->isEnabled());
        }
        for (QAction* entry : m_window->menuBar()->actions())
            EXPECT_FALSE(entry->isEnabled()) << entry->text().toStdString();
        // The target being packed is still marked pending; the history was emptied first.
        EXPECT_TRUE(m_window->TargetPane()->targetList->item(0)->isSelected());
        EXPECT_EQ(History().first(), "[ C:\\W\\A ]");
    };
    m_window->LogPane()->AddLine(QStringLiteral("old line"));
    m_window->runButtons[0]->click();
    EXPECT_TRUE(checked);
    for (auto* pane : m_window->Panes()) {
        EXPECT_TRUE(pane->isEnabled());
        EXPECT_TRUE(pane->Menus().aboutAction->isEnabled());
    }
    EXPECT_TRUE(Targets().isEmpty());
    // An empty list leaves nothing to run.
    EXPECT_FALSE(m_window->runButtons[0]->isEnabled());
}

TEST_F(RunTest, CancelDuringTheFirstOfTwoFinishesItAndKeepsTheSecond)
{
    Prepare({"C:\\W\\A", "C:\\W\\B"});
    Fake().onCall = [&](const FakeCall&) { m_window->cancelButton->click(); };
    m_window->runButtons[0]->click();
    EXPECT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(History(), QStringList({"[ C:\\W\\A ]", Msg(kHistoryLzhPacking), Msg(kHistoryPacked),
                                      SharedMsg(kSharedRunAborted),
                                      QStringLiteral("全 2 フォルダ中 1 フォルダを圧縮しました")}));
    EXPECT_EQ(Targets(), QStringList({"C:\\W\\B"}));
    EXPECT_FALSE(m_window->CancelRequested);
    // The next run starts afresh.
    Fake().onCall = nullptr;
    m_window->runButtons[0]->click();
    EXPECT_EQ(History().last(), SharedMsg(kSharedRunFinished));
    EXPECT_TRUE(Targets().isEmpty());
}

TEST_F(RunTest, AReadOnlyDestinationStopsTheRunAndKeepsBothFolders)
{
    Prepare({"C:\\W\\A", "C:\\W\\B"});
    Fake().results = {32774};
    m_window->runButtons[1]->click();
    EXPECT_EQ(
        History(),
        QStringList(
            {"[ C:\\W\\A ]", Msg(kHistoryLzhStoring), Msg(kHistoryReadOnly), Msg(kHistoryNotPacked),
             QStringLiteral("　理由：書き込み先が読み取り専用か、書き込みが許可されていません"),
             SharedMsg(kSharedRunAborted),
             QStringLiteral("全 2 フォルダ中 0 フォルダを圧縮しました")}));
    EXPECT_EQ(Targets(), QStringList({"C:\\W\\A", "C:\\W\\B"}));
}

TEST_F(RunTest, FailedFoldersStayOnTheListWhileTheOthersArePacked)
{
    Prepare({"C:\\W\\A", "C:\\W\\B", "C:\\W\\C"});
    Fake().results = {0, 0x8001, 0};
    m_window->runButtons[0]->click();
    EXPECT_EQ(Targets(), QStringList({"C:\\W\\B"}));
    EXPECT_EQ(History().mid(History().size() - 2),
              QStringList({SharedMsg(kSharedRunFinished),
                           QStringLiteral("全 3 フォルダ中 2 フォルダを圧縮しました")}));
    EXPECT_EQ(History().count(Msg(kHistoryNotPacked)), 1);
}

TEST_F(RunTest, TheTargetListMarksWhatIsLeftAndKeepsTheFolderBeingPackedAtTheTop)
{
    // Enough folders that the list has to scroll to show the later ones.
    Window();
    m_window->OutputPane()->SetFolder(QStringLiteral("D:\\OUT"));
    for (int i = 0; i < 40; ++i) {
        const std::string folder = MakeFolder("C:\\MANY\\F" + std::to_string(10 + i));
        WriteFile(folder + "\\file.txt", "data");
        ASSERT_TRUE(m_window->TargetPane()->AddOutsidePath(QString::fromStdString(folder)));
    }
    m_window->UpdateRunButtons();
    QListWidget* list = m_window->TargetPane()->targetList;
    Fake().results = {0, 0x8001};  // the second folder fails
    QStringList marks;
    std::vector<int> tops;
    Fake().onCall = [&](const FakeCall&) {
        QString row;
        for (int i = 0; i < 4; ++i)
            row += list->item(i)->isSelected() ? QLatin1Char('x') : QLatin1Char('.');
        marks << row;
        tops.push_back(list->indexAt(QPoint(1, 1)).row());
    };
    m_window->runButtons[0]->click();
    // Selected: not yet packed, or failed. The packed ones lose the mark as they are done.
    EXPECT_EQ(marks.mid(0, 4), QStringList({"xxxx", ".xxx", ".xxx", ".x.x"}));
    ASSERT_GE(tops.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(tops[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(Targets(), QStringList({"C:\\MANY\\F11"}));
    EXPECT_FALSE(list->item(0)->isSelected());
}

TEST_F(RunTest, TheProgressWindowShowsDuringAnArchiveAndItsCancelStopsTheRun)
{
    qb::panes::RunProgress::SetShowDelayMs(0);
    Prepare({"C:\\W\\A", "C:\\W\\B"});
    Fake().reportProgress = true;
    struct ClickOnShow : QObject {
        QString run, folder;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (e->type() == QEvent::Show) {
                auto* progress = static_cast<qb::panes::RunProgress*>(o);
                run = progress->positionLabel->text();
                folder = progress->folderLabel->text();
                progress->cancelButton->click();
            }
            return false;
        }
    } clicker;
    m_window->Progress()->installEventFilter(&clicker);
    m_window->runButtons[0]->click();
    // The window shows the run as a whole besides the archive: which folder of how many.
    EXPECT_EQ(clicker.run, QStringLiteral("フォルダ 1 / 2"));
    EXPECT_EQ(clicker.folder, QStringLiteral("C:\\W\\A"));
    EXPECT_EQ(History(),
              QStringList({"[ C:\\W\\A ]", Msg(kHistoryLzhPacking), Msg(kHistoryCancelled),
                           Msg(kHistoryNotPacked), QStringLiteral("　理由：キャンセルされました"),
                           SharedMsg(kSharedRunAborted),
                           QStringLiteral("全 2 フォルダ中 0 フォルダを圧縮しました")}));
    EXPECT_EQ(Targets(), QStringList({"C:\\W\\A", "C:\\W\\B"}));
    EXPECT_FALSE(m_window->Progress()->isVisible());
}

TEST_F(RunTest, TheProgressWindowStaysUpThroughTheRunInsteadOfBlinkingPerFolder)
{
    qb::panes::RunProgress::SetShowDelayMs(0);
    Prepare({"C:\\W\\A", "C:\\W\\B", "C:\\W\\C"});
    Fake().reportProgress = true;
    struct CountShows : QObject {
        int shows = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show)
                ++shows;
            return false;
        }
    } counter;
    m_window->Progress()->installEventFilter(&counter);
    // Each archive call sees the window tell which folder of how many is being packed.
    QStringList seen;
    Fake().onCall = [&](const FakeCall&) {
        seen << m_window->Progress()->positionLabel->text() + QLatin1Char(' ') +
                    m_window->Progress()->folderLabel->text();
    };
    m_window->runButtons[0]->click();
    EXPECT_EQ(History().last(), SharedMsg(kSharedRunFinished));
    EXPECT_EQ(counter.shows, 1);
    EXPECT_EQ(seen, QStringList({QStringLiteral("フォルダ 1 / 3 C:\\W\\A"),
                                 QStringLiteral("フォルダ 2 / 3 C:\\W\\B"),
                                 QStringLiteral("フォルダ 3 / 3 C:\\W\\C")}));
    EXPECT_FALSE(m_window->Progress()->isVisible());
}

TEST_F(RunTest, CancelInTheProgressWindowBetweenFoldersStopsTheRun)
{
    qb::panes::RunProgress::SetShowDelayMs(0);
    Prepare({"C:\\W\\A", "C:\\W\\B"});
    Fake().reportProgress = true;
    // The click lands after the first archive is finished, while the window is still up.
    Fake().onCall = [&](const FakeCall&) {
        if (Fake().calls.size() == 1)
            QTimer::singleShot(0, m_window->Progress()->cancelButton, &QPushButton::click);
    };
    m_window->runButtons[0]->click();
    EXPECT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(History().mid(History().size() - 2),
              QStringList({SharedMsg(kSharedRunAborted),
                           QStringLiteral("全 2 フォルダ中 1 フォルダを圧縮しました")}));
    EXPECT_EQ(Targets(), QStringList({"C:\\W\\B"}));
}

TEST_F(RunTest, ClosingTheWindowDuringARunStopsItFirstAndThenCloses)
{
    Prepare({"C:\\W\\A", "C:\\W\\B"});
    Fake().onCall = [&](const FakeCall&) { m_window->close(); };
    m_window->runButtons[0]->click();
    EXPECT_EQ(Fake().calls.size(), 1u);
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(History().mid(History().size() - 2),
              QStringList({SharedMsg(kSharedRunAborted),
                           QStringLiteral("全 2 フォルダ中 1 フォルダを圧縮しました")}));
    // The shutdown saved the settings once the run was over.
    EXPECT_NE(
        Sandbox::ReadFile(m_sandbox->Config() + "/Brambleworks.ini").find("OldDir_Out=D:\\OUT"),
        std::string::npos);
    m_window.reset();
}

}  // namespace
