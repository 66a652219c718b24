// The file dialogs of the File and Log menus, shown for real (offscreen) and answered by hand:
// the folder they open in, the filter texts, names in any letter case.

#include "support/WindowFixture.h"

#include "dialogs/UiSeams.h"
#include "engine/Options.h"
#include "engine/ProgramArguments.h"
#include "panes/HistoryPane.h"
#include "platform/CurrentDir.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace qbtest;

namespace {

// What one showing of the real dialog offered.
struct Seen {
    QString folder;
    QStringList filters;
    QStringList names;  // the files the view lists under the first filter
    QString selectedName;
};

class FileDialogTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        m_sandbox->Save("HOME", Host(MakeFolder("C:\\home")));
        // Not empty, so that the dialog's view has something to list once it has read it.
        MakeFolder("C:\\home\\Documents");
        // The real dialog shows; nothing is queued for it.
        qb::ui::test::SetNeverShow(false);
    }

    // Runs `open`, which shows a file dialog; records what the dialog offers, then answers it
    // with `answer` (a name in the dialog's folder, or a full host path) typed into its name box,
    // or cancels it when `answer` is empty.
    Seen Answer(const std::function<void()>& open, const QString& answer)
    {
        Seen seen;
        bool handled = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QFileDialog* dialog = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                    dialog = d;
            if (!dialog || handled)
                return;
            handled = true;
            poll.stop();
            seen.folder = dialog->directory().absolutePath();
            auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; combo && i < combo->count(); ++i)
                seen.filters << combo->itemText(i);
            auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
            // The folder is read in the background; wait until its files are listed. An empty
            // folder never lists any, so running out of time is no failure here: the tests
            // that expect names compare them.
            (void)QTest::qWaitFor(
                [&] { return view && view->model()->rowCount(view->rootIndex()) > 0; }, 3000);
            for (int r = 0; view && r < view->model()->rowCount(view->rootIndex()); ++r)
                seen.names << view->model()->index(r, 0, view->rootIndex()).data().toString();
            seen.names.sort();
            const QStringList selected = dialog->selectedFiles();
            seen.selectedName =
                selected.isEmpty() ? QString() : QFileInfo(selected.first()).fileName();
            if (answer.isEmpty()) {
                dialog->reject();
            } else {
                // Typed into the name box, as a user does (a full path is taken too).
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (name)
                    name->setText(answer);
                QMetaObject::invokeMethod(dialog, "accept");
                // A dialog that did not take the answer must not keep the test waiting.
                if (dialog->isVisible()) {
                    ADD_FAILURE() << "the dialog did not take " << answer.toStdString();
                    dialog->reject();
                }
            }
        });
        poll.start();
        open();
        poll.stop();
        EXPECT_TRUE(handled) << "no file dialog was shown";
        return seen;
    }
};

TEST_F(FileDialogTest, LogSaveOpensAtHomeThenInTheFolderLastUsedForLogs)
{
    MakeFolder("D:\\Logs");
    WriteFile("D:\\Logs\\old.log", "x");
    WriteFile("D:\\Logs\\Mixed.Log", "x");
    WriteFile("D:\\Logs\\UPPER.LOG", "x");
    WriteFile("D:\\Logs\\notes.txt", "x");
    MakeFolder("C:\\Work");
    Window();
    // A run moves the process's working folder; the dialogs must not follow it.
    qb::platform::SetCurrentDirectory("C:\\Work");
    m_window->LogPane()->AddLine(QStringLiteral("line"));

    // First time: the home folder, the filter texts once each.
    Seen first = Answer([&] { m_window->SaveHistory(); }, QString());
    EXPECT_EQ(first.folder, QString::fromStdString(Host("C:\\home")));
    EXPECT_EQ(first.filters, QStringList({"LogFile(*.LOG)", "全てのファイル(*.*)"}));

    // Choose a file in D:\Logs by its host path: it is written there and the folder is kept.
    Answer([&] { m_window->SaveHistory(); },
           QString::fromStdString(Host("D:\\Logs")) + QStringLiteral("/run"));
    EXPECT_EQ(Sandbox::ReadFile(Host("D:\\Logs\\run.LOG")), "line\r\n");
    EXPECT_EQ(qb::platform::GetSetting("Brambleworks", "Quillbox2", "LastDir_LOG", ""), "D:\\Logs");

    // The next log dialog opens there and lists log files whatever the letter case of their
    // extension; the text file stays out under the log filter.
    Seen again = Answer([&] { m_window->SaveHistory(); }, QString());
    EXPECT_EQ(again.folder, QString::fromStdString(Host("D:\\Logs")));
    EXPECT_EQ(again.names, QStringList({"Mixed.Log", "UPPER.LOG", "old.log", "run.LOG"}));

    // Job files are another kind: their dialog still starts at home.
    Seen job = Answer([&] { m_window->OpenJobFile(); }, QString());
    EXPECT_EQ(job.folder, QString::fromStdString(Host("C:\\home")));
    EXPECT_EQ(job.filters, QStringList({"QuillboxFile(*.QBJ)"}));
}

TEST_F(FileDialogTest, JobDialogsOpenWhereTheCurrentJobLiesAndRememberTheFolder)
{
    MakeFolder("D:\\Jobs");
    WriteFile("D:\\Jobs\\week.qbj", "Quillbox2 QBJ FILE\r\nINDIR=C:\\\r\nOUTDIR=C:\\\r\n");
    Window();

    // Opening a job with a lower-case extension: it is listed and opens.
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "LastDir_QBJ", "D:\\Jobs");
    Seen open = Answer([&] { m_window->OpenJobFile(); }, QStringLiteral("week.qbj"));
    EXPECT_EQ(open.folder, QString::fromStdString(Host("D:\\Jobs")));
    EXPECT_EQ(open.names, QStringList({"week.qbj"}));
    EXPECT_EQ(qb::engine::CurrentJobFile, "D:\\Jobs\\week.qbj");

    // Save As starts in the current job's folder with its name filled in.
    Seen saveAs = Answer([&] { m_window->SaveJobFileAs(); }, QString());
    EXPECT_EQ(saveAs.folder, QString::fromStdString(Host("D:\\Jobs")));
    EXPECT_EQ(saveAs.selectedName, "week.qbj");

    // A remembered folder that is gone gives the home folder.
    qb::engine::CurrentJobFile.clear();
    qb::platform::SaveSetting("Brambleworks", "Quillbox2", "LastDir_QBJ", "D:\\Gone");
    Seen gone = Answer([&] { m_window->SaveJobFileAs(); }, QString());
    EXPECT_EQ(gone.folder, QString::fromStdString(Host("C:\\home")));
}

TEST(FileDialogFilter, PatternsMatchAnyCaseAndStarDotStarMeansEveryFile)
{
    EXPECT_EQ(qb::ui::ToQtFilter(QStringLiteral("LogFile(*.LOG)|*.LOG|全てのファイル(*.*)|*.*")),
              QStringLiteral("LogFile(*.LOG) (*.[Ll][Oo][Gg]);;全てのファイル(*.*) (*)"));
    EXPECT_EQ(qb::ui::CaseFreePattern(QStringLiteral("A?1_*.Qbj")),
              QStringLiteral("[Aa]?1_*.[Qq][Bb][Jj]"));
}

}  // namespace
