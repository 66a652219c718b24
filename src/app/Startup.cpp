#include "Startup.h"

#include "ConsoleTexts.h"
#include "FileManagerActions.h"
#include "QtTranslations.h"
#include "RunOutcome.h"
#include "SilentRun.h"
#include "app/MainWindow.h"
#include "common/MessageFormat.h"
#include "common/PathHelpers.h"
#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "dialogs/UiSeams.h"
#include "engine/Archivers.h"
#include "engine/Options.h"
#include "engine/PaneStart.h"
#include "platform/Drives.h"
#include "platform/InstallLayout.h"
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
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (display && *display) || (wayland && *wayland);
}

// The answers a headless test gives to the Yes/No questions (see Startup.h).
void QueueTestAnswers()
{
    const char* answers = std::getenv("QUILLBOX2_TEST_ANSWERS");
    if (!answers)
        return;
    for (const QString& word :
         QString::fromUtf8(answers).split(QLatin1Char(','), Qt::SkipEmptyParts))
        qb::ui::test::QueueYesNo(
            word.trimmed().compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0);
}

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// /U: deletes every setting of the program after a Yes. Nothing else is read or written.
// A deletion that fails (a read-only configuration folder) is said, in a box or, without a
// display, on standard error, as the user would otherwise believe the settings gone.
int Uninstall(StartupMessages& messages)
{
    // The program's own table has no text for code 0, so the question is message 20 alone.
    const std::string question = ProgramMessage(kTextNone) + SharedMessage(kSharedUninstallQuestion);
    if (!messages.AskYesNo(question))
        return 0;
    qb::platform::SettingsBatch batch;
    qb::platform::DeleteSection(qb::engine::kSettingsApp, qb::engine::kSettingsSection);
    if (batch.Commit())
        return 0;
    const std::string file = batch.FailedFile();
    const std::string reason = SystemReason(batch.Error());
    if (IsOffscreen())
        std::fprintf(stderr, "%s\n",
                     ConsoleMessage(ConsoleText::SettingsNotDeleted, {file, reason}).c_str());
    else
        messages.ShowMessage(FormatText(ProgramMessage(kTextSettingsNotDeleted), {file, reason}));
    return 0;
}

// A settings file that is there but cannot be used leaves every option at its default. Nothing
// in a silent run would show that, so standard error says which file and why.
void ReportUnusableSettings()
{
    using namespace qb::engine;
    if (qb::platform::GetSetting(kOldSettingsApp, kSettingsSection, "Version", "0.00") != "0.00")
        return;  // the older location is read instead, and it was readable
    int error = 0;
    const qb::platform::SettingsProblem problem =
        qb::platform::SettingsFileProblem(kSettingsApp, kSettingsSection, &error);
    if (problem != qb::platform::SettingsProblem::None)
        std::fprintf(stderr, "%s\n",
                     ConsoleMessage(ConsoleText::SettingsNotUsed,
                                    {qb::platform::SettingsFilePath(kSettingsApp),
                                     SettingsProblemText(problem, error, kSettingsSection)})
                         .c_str());
}

// --install-file-manager-actions and --remove-file-manager-actions: each file looked at is
// named on standard output, each thing that could not be done on standard error. 0 when all
// went well, 1 otherwise.
int FileManagerActions(bool install)
{
    const std::string program = qb::platform::ProgramFolderHost() + "/quillbox2";
    const bool japanese = JapaneseLocale();
    const ActionsOutcome outcome = install ? InstallFileManagerActions(program, japanese)
                                           : RemoveFileManagerActions(program, japanese);
    for (const std::string& line : outcome.report)
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    for (const std::string& error : outcome.errors)
        std::fprintf(stderr, "Quillbox2: %s\n", error.c_str());
    return outcome.errors.empty() ? 0 : 1;
}

// --out as a drive path of an existing folder; a relative host path counts from the working
// folder. "" when it names no folder.
std::string OutputFolder(const std::string& given)
{
    std::string path = given;
    const bool drivePath = path.size() >= 2 && path[1] == ':';
    if (!drivePath && path[0] != '/')
        path = qb::platform::ToHostPath(qb::engine::WorkingFolder()) + "/" + path;
    if (path[0] == '/')
        path = qb::platform::ToDrivePath(path);
    const std::string onDisk = path.empty() ? std::string() : PathHelpers::OnDiskPath(path);
    return !onDisk.empty() && PathHelpers::FolderExists(onDisk) ? onDisk : std::string();
}

// The run options in place of the stored values, for this run only (nothing saves them).
void ApplyRunOptions(const RunOptions& run, qb::engine::Options& options)
{
    if (run.format)
        options.ArchiveFormat = *run.format;
    if (run.mode)
        options.AutoRunMode = *run.mode;
    if (run.pattern)
        options.DoublePattern = *run.pattern;
    if (run.testArchive)
        options.TestArchive = *run.testArchive;
    if (run.syncArchive)
        options.SyncArchive = *run.syncArchive;
    if (run.lzhNameCode)
        options.LzhNameCode = *run.lzhNameCode;
    if (run.zipNameCode)
        options.ZipNameCode = *run.zipNameCode;
    // A run started from a file manager (--notify) tells its outcome on the desktop. The user's
    // clipboard is not its to take, nor may a keeper of it outlive the run: AutoLog is for the
    // automatic run a user starts from a shortcut.
    if (run.notify)
        options.CopyHistoryAfterAutoRun = false;
}

int ShowMainWindow(const std::string& commandText, qb::engine::Options& options,
                   bool forcedOffscreen)
{
    if (forcedOffscreen) {
        std::fprintf(stderr, "%s\n", ConsoleMessage(ConsoleText::NoDisplay).c_str());
        return kExitStartupFailed;
    }
    MainWindow window(QString::fromStdString(commandText), options);
    window.show();
    return QApplication::exec();
}

}  // namespace

int RunProgram(char** argv, const std::string& commandText, const RunOptions& run)
{
    bool forcedOffscreen = false;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!HasDisplay() && !(platform && *platform)) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        forcedOffscreen = true;
    }

    // Qt sees the program's name only: every argument was parsed already, and a folder given
    // after "--" (such as "-platform") must not be taken by Qt as one of its own options.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    InstallQtTranslations(app);
    QueueTestAnswers();
    StartupMessages messages;

    if (run.installActions || run.removeActions)
        return FileManagerActions(run.installActions);
    if (Upper(commandText) == "/U" && !run.Silent())
        return Uninstall(messages);

    std::string outFolder;
    if (run.out) {
        outFolder = OutputFolder(*run.out);
        if (outFolder.empty()) {
            std::fprintf(stderr, "%s\n%s",
                         ConsoleMessage(ConsoleText::OutFolderMissing, {*run.out}).c_str(),
                         UsageText(JapaneseLocale()).c_str());
            return kExitUsage;
        }
    }

    qb::engine::Options options;
    try {
        ReportUnusableSettings();
        qb::engine::LoadSettings(options);
        ApplyRunOptions(run, options);
        qb::engine::DetectArchivers();
        if (!qb::engine::Modules.LzhAvailable) {
            messages.ShowMessage(ProgramMessage(kTextNoLzhModule));
            return kExitStartupFailed;
        }
        if (qb::engine::Modules.LzhVersion < 104)
            messages.ShowMessage(ProgramMessage(kTextLzhModuleTooOld));

        if (!commandText.empty() && (options.AutoRun || run.Silent())) {
            SilentRunChoices choices;
            choices.outFolder = outFolder;
            // What a file manager's "pack this folder" is expected to do, unless --out says
            // otherwise.
            choices.besideFolders = run.beside || (run.notify && !run.out);
            choices.progressWindow = run.notify;
            choices.windowFollows = !run.Silent();
            const AutoStartResult result = AutoStart(commandText, options, choices);
            if (result.ranOut) {
                if (run.notify)
                    ReportOutcome(result.exitStatus == kExitAllPacked, result.history,
                                  result.created);
                return result.exitStatus;
            }
        }
        if (run.Silent()) {
            // Asked to run without a window, so none is shown: there was nothing to pack.
            const std::string text = ConsoleMessage(ConsoleText::NothingToPack);
            std::fprintf(stderr, "%s\n", text.c_str());
            if (run.notify)
                ReportOutcome(false, {text}, {});
            return kExitSomeNotPacked;
        }
    } catch (...) {
        messages.ShowMessage("Quillbox2 frmQuillbox MDIForm_Load ERR");
        return kExitStartupFailed;
    }
    return ShowMainWindow(commandText, options, forcedOffscreen);
}

}  // namespace qb::app
