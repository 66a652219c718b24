#include "Startup.h"

#include "QtTranslations.h"
#include "SilentRun.h"
#include "app/frmQuillbox.h"
#include "common/resQuill.h"
#include "common/resQuillbox.h"
#include "dialogs/UiSeams.h"
#include "engine/Archivers.h"
#include "engine/Options.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace qb::app {
namespace {

bool HasDisplay()
{
    const char *display = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    return (display && *display) || (wayland && *wayland);
}

// The answers a headless test gives to the Yes/No questions (see Startup.h).
void QueueTestAnswers()
{
    const char *answers = std::getenv("QUILLBOX2_TEST_ANSWERS");
    if (!answers)
        return;
    for (const QString &word : QString::fromUtf8(answers).split(QLatin1Char(','), Qt::SkipEmptyParts))
        qb::ui::test::QueueYesNo(word.trimmed().compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0);
}

std::string Upper(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// /U: deletes every setting of the program after a Yes. Nothing else is read or written.
int Uninstall(StartupMessages &messages)
{
    // The program's own table has no text for code 0, so the question is message 20 alone.
    const std::string question = resQuillbox(kTextNone) + resQuill(kSharedUninstallQuestion);
    if (messages.AskYesNo(question))
        qb::platform::DeleteSection(qb::engine::kSettingsApp, qb::engine::kSettingsSection);
    return 0;
}

// A settings file that is there but cannot be used leaves every option at its default. Nothing
// in a silent run would show that, so standard error says which file and why.
void ReportUnusableSettings()
{
    using namespace qb::engine;
    if (qb::platform::GetSetting(kOldSettingsApp, kSettingsSection, "Version", "0.00") != "0.00")
        return;  // the older location is read instead, and it was readable
    const std::string problem = qb::platform::SettingsFileProblem(kSettingsApp, kSettingsSection);
    if (!problem.empty())
        std::fprintf(stderr,
                     "Quillbox2: the settings file %s was not used: it %s; the defaults apply\n",
                     qb::platform::SettingsFilePath(kSettingsApp).c_str(), problem.c_str());
}

int ShowMainWindow(const std::string& commandText, qb::engine::Options& options,
                   bool forcedOffscreen)
{
    if (forcedOffscreen) {
        std::fputs("Quillbox2: no display (DISPLAY or WAYLAND_DISPLAY) to show the window on\n", stderr);
        return kExitStartupFailed;
    }
    frmQuillbox window(QString::fromStdString(commandText), options);
    window.show();
    return QApplication::exec();
}

} // namespace

int RunProgram(int &argc, char **argv, const std::string &commandText)
{
    bool forcedOffscreen = false;
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (!HasDisplay() && !(platform && *platform)) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        forcedOffscreen = true;
    }

    QApplication app(argc, argv);
    InstallQtTranslations(app);
    QueueTestAnswers();
    StartupMessages messages;

    if (Upper(commandText) == "/U")
        return Uninstall(messages);

    qb::engine::Options options;
    try {
        ReportUnusableSettings();
        qb::engine::LoadSettings(options);
        qb::engine::DetectArchivers();
        if (!qb::engine::Modules.LzhAvailable) {
            messages.ShowMessage(resQuillbox(kTextNoLzhModule));
            return kExitStartupFailed;
        }
        if (qb::engine::Modules.LzhVersion < 104)
            messages.ShowMessage(resQuillbox(kTextLzhModuleTooOld));

        if (!commandText.empty() && options.Auto) {
            const AutoStartResult run = AutoStart(commandText, options);
            if (run.ranOut)
                return run.exitStatus;
        }
    } catch (...) {
        messages.ShowMessage("Quillbox2 frmQuillbox MDIForm_Load ERR");
        return kExitStartupFailed;
    }
    return ShowMainWindow(commandText, options, forcedOffscreen);
}

} // namespace qb::app
