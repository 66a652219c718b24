// The run a file manager starts, in process against the recording fake: its progress window
// (when it comes up, what it shows, its cancel) and the window that tells a failed run.
#include "support/EngineFixture.h"
#include "support/WindowFixture.h"

#include "app/ActionProgress.h"
#include "app/RunOutcome.h"
#include "app/SilentRun.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace qbtest;
using qb::app::ActionProgress;

namespace {

class ActionRunTest : public WindowTest {
protected:
    void TearDown() override
    {
        ActionProgress::SetShowDelayMs(1000);
        WindowTest::TearDown();
    }
};

ActionProgress* ShownProgress()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<ActionProgress*>(w); p && p->isVisible())
            return p;
    return nullptr;
}

}  // namespace

TEST_F(ActionRunTest, TheProgressWindowFollowsTheRunAndItsCancelStopsItAsTheWindowsCancelDoes)
{
    for (const char* folder : {"C:\\W\\A", "C:\\W\\B", "C:\\W\\C"})
        MakeFolder(folder);
    ActionProgress::SetShowDelayMs(0);
    Fake().reportProgress = true;
    QString position, name, member;
    int value = -1;
    Fake().onCall = [&](const FakeCall&) {
        ActionProgress* p = ShownProgress();
        ASSERT_NE(p, nullptr);
        position = p->positionLabel->text();
        name = p->folderLabel->text();
        member = p->memberLabel->text();
        value = p->progressBar->value();
        // Clicked while the first archive is being finished: the run stops before the next.
        QTimer::singleShot(0, p->cancelButton, &QPushButton::click);
    };
    qb::app::SilentRunChoices choices;
    choices.besideFolders = true;
    choices.progressWindow = true;
    const auto r = qb::app::AutoStart("C:\\W\\A C:\\W\\B C:\\W\\C", m_options, choices);
    EXPECT_TRUE(r.ranOut);
    EXPECT_EQ(r.exitStatus, qb::app::kExitAborted);
    EXPECT_EQ(position, QStringLiteral("フォルダ 1 / 3"));
    EXPECT_EQ(name, QStringLiteral("A"));
    EXPECT_EQ(member, QStringLiteral("member.txt"));
    EXPECT_EQ(value, 500);  // one of two bytes
    EXPECT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(r.created, (std::vector<std::string>{"C:\\W\\A.LZH"}));
    ASSERT_GE(r.history.size(), 2u);
    EXPECT_EQ(r.history[r.history.size() - 2], SharedMessage(kSharedRunAborted));
    EXPECT_EQ(r.history.back(), "全 3 フォルダ中 1 フォルダを圧縮しました");
    EXPECT_EQ(ShownProgress(), nullptr) << "the window goes with the run";
}

TEST_F(ActionRunTest, TheProgressWindowWaitsForASlowRunAndClosingItCancels)
{
    ActionProgress::SetShowDelayMs(60000);
    ActionProgress progress;
    progress.BeginFolder(0, 2, QStringLiteral("写真"));
    EXPECT_TRUE(progress.Report(QStringLiteral("a.jpg"), 1, 10));
    EXPECT_FALSE(progress.isVisible()) << "a quick run shows nothing but its outcome";

    ActionProgress::SetShowDelayMs(0);
    const QString longName = QString(300, QLatin1Char('x')) + QStringLiteral(".jpg");
    progress.BeginFolder(1, 2, QStringLiteral("旅行"));
    EXPECT_TRUE(progress.Report(longName, 15, 10));  // a total passed is still at most 100%
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.progressBar->value(), 1000);
    EXPECT_EQ(progress.positionLabel->text(), QStringLiteral("フォルダ 2 / 2"));
    // A long member name is shortened in the middle; the window keeps its width.
    EXPECT_TRUE(progress.memberLabel->text().endsWith(QStringLiteral(".jpg")));
    EXPECT_LT(progress.memberLabel->text().size(), longName.size());
    EXPECT_EQ(progress.width(), progress.minimumWidth());

    progress.close();
    EXPECT_TRUE(progress.Cancelled());
    EXPECT_FALSE(progress.cancelButton->isEnabled());
    EXPECT_FALSE(progress.TakeEvents());
    EXPECT_FALSE(progress.Report(QStringLiteral("b.jpg"), 1, 10));
    progress.Finish();
    EXPECT_FALSE(progress.isVisible());
}

TEST_F(ActionRunTest, TheHistoryWindowOfAFailedRunPutsItsSummaryFirst)
{
    const std::vector<std::string> history = {"[ C:\\W\\A ]", Msg(kHistoryNotPacked).toStdString(),
                                              SharedMessage(kSharedRunFinished),
                                              "全 2 フォルダ中 1 フォルダを圧縮しました"};
    qb::app::RunOutcomeWindow window(history);
    EXPECT_EQ(window.summaryLabel->text(), QStringLiteral("全 2 フォルダ中 1 フォルダを圧縮しました"));
    EXPECT_EQ(window.layout()->indexOf(window.summaryLabel), 0);
    EXPECT_LT(window.layout()->indexOf(window.summaryLabel),
              window.layout()->indexOf(window.historyText));
    EXPECT_EQ(window.historyText->toPlainText().toStdString(),
              history[0] + "\n" + history[1] + "\n" + history[2] + "\n" + history[3]);
}
