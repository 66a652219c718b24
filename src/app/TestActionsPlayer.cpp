// A small script for end-to-end tests of the real program, which runs without anyone to click:
// QUILLBOX2_TEST_ACTIONS holds comma-separated steps, performed in order once the window has
// been shown for the first time. Message boxes are then answered "OK"/"No" without being shown,
// and their texts are printed, so that nothing waits for a person.
//
//   list      prints "target: <folder>" for every folder on the target list
//   dirs      prints "indir: <folder>" and "outdir: <folder>" of the two folder panes
//   history   prints "history: <line>" for every line of the history
//   run0|run1|run2   presses the run button of that mode
//   close     closes the window (the normal shutdown, which saves the settings)
//
// Nothing else reads the variable, and only the development build of the program compiles this
// file (QB_TEST_ACTIONS, TestActions.h).

#include "app/MainWindow.h"
#include "app/TestActions.h"
#include "dialogs/UiSeams.h"
#include "panes/HistoryList.h"
#include "panes/TargetListPane.h"
#include "panes/SourceFolderPane.h"
#include "panes/OutputFolderPane.h"
#include "panes/HistoryPane.h"

#include <QListWidget>

#include <cstdio>

namespace {

void print(const char* label, const QString& text)
{
    std::printf("%s: %s\n", label, text.toUtf8().constData());
}

void printMessages()
{
    for (const QString& line : qb::ui::test::TakeRecord())
        std::printf("%s\n", line.toUtf8().constData());
}

}  // namespace

void MainWindow::StartTestActions()
{
    const QString script = qEnvironmentVariable("QUILLBOX2_TEST_ACTIONS");
    if (script.isEmpty())
        return;
    qb::ui::test::SetNeverShow(true);
    QMetaObject::invokeMethod(
        this,
        [this, script] {
            for (const QString& step : script.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                if (step == QLatin1String("list")) {
                    for (int i = 0; i < m_targetListPane->targetList->count(); ++i)
                        print("target", m_targetListPane->targetList->item(i)->text());
                } else if (step == QLatin1String("dirs")) {
                    print("indir", m_sourceFolderPane->Folder());
                    print("outdir", m_outputFolderPane->Folder());
                } else if (step == QLatin1String("history")) {
                    for (int i = 0; i < m_historyPane->historyList->count(); ++i)
                        print("history", m_historyPane->historyList->text(i));
                } else if (step.startsWith(QLatin1String("run")) && step.size() == 4) {
                    StartRun(step.at(3).digitValue());
                } else if (step == QLatin1String("close")) {
                    printMessages();
                    std::fflush(stdout);
                    close();
                    // What closing itself said (a settings save that failed).
                    printMessages();
                    std::fflush(stdout);
                    return;
                }
                printMessages();
            }
            std::fflush(stdout);
        },
        Qt::QueuedConnection);
}

void EnableTestActionsPlayer()
{
    MainWindow::s_testActionsPlayer = [](MainWindow& window) { window.StartTestActions(); };
}
