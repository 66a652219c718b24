// End to end: an option changed in the options dialog of the real main window is in the
// settings file after quitting, and the next start of the real program works with it.
//
// The change: automatic run on, clipboard copy off, upper-case names off. The next start gets
// a folder on its command line, so it must pack it silently (no window) and name the archive
// in the folder's own letter case.

#include "support/DialogSandbox.h"

#include "app/OptionsDialog.h"
#include "app/MainWindow.h"
#include "engine/Archivers.h"
#include "engine/Options.h"
#include "platform/Drives.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <unistd.h>

namespace {

class OptionRoundTrip : public DialogSandbox {
protected:
    void SetUp() override
    {
        DialogSandbox::SetUp();
        const QString root = sandboxRoot();
        // The archiver modules, in a system folder that a sandbox drive covers.
        const QDir built(QStringLiteral(QB_SYSTEM_DIR_OF_BUILD));
        QDir().mkpath(root + QStringLiteral("/c/system"));
        for (const char* module : {"UNLHA32.DLL", "ZIP32J.DLL", "IZIP32J.DLL", "UNZIP32.DLL"}) {
            const QString from = built.filePath(QLatin1String(module));
            if (!QFile::exists(from))
                GTEST_SKIP() << "archiver modules not built: " << from.toStdString();
            ASSERT_TRUE(
                QFile::copy(from, root + QStringLiteral("/c/system/") + QLatin1String(module)));
        }
        qputenv("QUILLBOX2_SYSTEM_DIR", (root + QStringLiteral("/c/system")).toUtf8());
        makeFolder(QStringLiteral("C:\\out"));
        makeFolder(QStringLiteral("C:\\src\\Folder1\\sub"));
        QFile file(hostOf(QStringLiteral("C:\\src\\Folder1\\sub\\note.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("quillbox2 end-to-end\n");
        file.close();
        // The output pane starts in the working folder on a clean store.
        ASSERT_EQ(::chdir((root + QStringLiteral("/c/out")).toUtf8().constData()), 0);
        qb::platform::ReloadDrives();
    }
};

TEST_F(OptionRoundTrip, AnAppliedOptionIsStoredAndInEffectAtTheNextStart)
{
    qb::engine::LoadSettings(m_options);
    qb::engine::DetectArchivers();
    ASSERT_TRUE(qb::engine::Modules.LzhAvailable);
    ASSERT_TRUE(m_options.UpperCaseNames);
    ASSERT_FALSE(m_options.AutoRun);
    {
        MainWindow window(QString{}, m_options);
        window.show();
        // Acts on the options dialog once it is up; the dialog is closed in every case, so a
        // failure cannot leave the test waiting in the dialog's event loop.
        QTimer poll;
        poll.setInterval(20);
        int tries = 0;
        QObject::connect(&poll, &QTimer::timeout, &window, [&] {
            auto* dialog = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
            if (!dialog && ++tries < 250)
                return;
            poll.stop();
            if (!dialog) {
                ADD_FAILURE() << "the options dialog did not show";
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
                return;
            }
            for (const char* name : {"autoRunBox", "copyHistoryBox", "upperCaseBox", "okButton"})
                dialog->findChild<QAbstractButton*>(QLatin1String(name))->click();
            if (dialog->isVisible()) {
                ADD_FAILURE() << "apply did not close the dialog";
                dialog->reject();
            }
        });
        poll.start();
        window.EditOptions();
        EXPECT_TRUE(m_options.AutoRun);
        EXPECT_FALSE(m_options.UpperCaseNames);
        window.close();
    }
    EXPECT_EQ(stored("Auto"), "True");
    EXPECT_EQ(stored("AutoLog"), "False");
    EXPECT_EQ(stored("UCase"), "False");
    EXPECT_EQ(stored("Version"), "1.02");
    EXPECT_EQ(stored("Dir_Out"), "C:\\out");
    // Every dialog wrote its position at shutdown.
    for (const char* key : {"Option_Left", "About_Left", "Default_Left", "MenuMente_Top"})
        EXPECT_EQ(stored(key), "1000") << key;
    EXPECT_EQ(stored("Default_Width"), "5000");

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(sandboxRoot() + QStringLiteral("/c"));
    program.start(QStringLiteral(QB_PROGRAM), {QStringLiteral("C:\\src\\Folder1")});
    ASSERT_TRUE(program.waitForFinished(120000)) << "the silent run did not end";
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();

    const QStringList made = QDir(hostOf(QStringLiteral("C:\\out"))).entryList(QDir::Files);
    EXPECT_EQ(made, QStringList{QStringLiteral("Folder1.LZH")});
    // The silent run ends without saving: the options stay as the dialog left them.
    EXPECT_EQ(stored("Auto"), "True");
}

}  // namespace
