#include "SilentRun.h"

#include "ActionProgress.h"
#include "ClipboardKeeper.h"
#include "ConsoleTexts.h"
#include "dialogs/UiSeams.h"
#include "engine/JobFile.h"
#include "engine/Options.h"
#include "engine/PackRun.h"
#include "engine/PaneStart.h"
#include "engine/ProgramArguments.h"
#include "platform/Drives.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace qb::app {
namespace {

using qb::engine::FolderPane;

// Ctrl-C or a termination request during the silent run: the archive being written is
// cancelled through its progress report, so the module cleans up and the run ends as aborted.
// A second request ends the program at once.
volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void RequestStop(int signal)
{
    if (g_stopRequested) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_stopRequested = 1;
}

void InstallStopHandlers()
{
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    // A reader of the history that goes away (`| head`) must not end the packing half-way.
    std::signal(SIGPIPE, SIG_IGN);
}

// After the run (or when no run comes), Ctrl-C and a termination request end the program at
// once again: nothing would look at the request while the outcome window waits for its OK.
void RemoveStopHandlers()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

// The two folder panes and the target list, as the silent run has them: no widgets, only the
// folders they would show.
class SilentPanes : public qb::engine::JobPanes {
public:
    SilentPanes()
        : m_in(qb::engine::StartingFolder(FolderPane::In)),
          m_out(qb::engine::StartingFolder(FolderPane::Out))
    { }
    std::string SourceFolder() override { return m_in; }
    void SetSourceFolder(const std::string& dir) override { m_in = qb::engine::ShownFolder(dir); }
    std::string OutputFolder() override { return m_out; }
    void SetOutputFolder(const std::string& dir) override { m_out = qb::engine::ShownFolder(dir); }
    qb::engine::TargetList& Targets() override { return m_targets; }

private:
    std::string m_in;
    std::string m_out;
    qb::engine::TargetList m_targets;
};

class SilentCommandHost : public qb::engine::CommandLineHost {
public:
    SilentCommandHost(SilentPanes& panes, StartupMessages& messages)
        : m_panes(panes), m_messages(messages)
    { }
    qb::engine::TargetList& Targets() override { return m_panes.Targets(); }
    void LoadJobFile() override
    {
        qb::engine::LoadJobFile(qb::engine::CurrentJobFile, m_panes, *this, &m_report);
    }
    qb::engine::StartReport* Report() override { return &m_report; }
    void ShowMessage(const std::string& text) override
    {
        // Every message while the command line is read means something named on it was not
        // taken (a full target list, a job file that could not be read).
        m_anyMessage = true;
        m_messages.ShowMessage(text);
    }
    bool AnyMessage() const { return m_anyMessage; }

private:
    SilentPanes& m_panes;
    StartupMessages& m_messages;
    qb::engine::StartReport m_report;
    bool m_anyMessage = false;
};

// The history goes to standard output line by line, so a script sees progress as it happens.
// A run started from a file manager shows its progress in a window instead (window not null).
class SilentPackHost : public qb::engine::RunHost {
public:
    // targets: the run's list (its folders for the window).
    SilentPackHost(StartupMessages& messages, const qb::engine::TargetList& targets,
                   ActionProgress* window)
        : m_messages(messages),
          m_targets(targets),
          m_window(window),
          m_drawProgress(::isatty(STDERR_FILENO) == 1)
    { }
    ~SilentPackHost() override { ClearProgress(); }

    bool BeforeFolder(int index) override
    {
        if (m_window) {
            if (!m_window->TakeEvents())
                return false;
            // Its name as the file manager shows it, not the drive form the history uses.
            const std::string host = qb::platform::ToHostPath(m_targets.Item(index));
            const std::size_t slash = host.find_last_of('/');
            m_window->BeginFolder(
                index, m_targets.Count(),
                QString::fromStdString(slash == std::string::npos || slash + 1 == host.size()
                                           ? host
                                           : host.substr(slash + 1)));
        }
        return !g_stopRequested;
    }
    void RunEnded(bool aborted) override
    {
        (void)aborted;
        if (m_window)
            m_window->Finish();
    }
    bool StopRequested() const override
    {
        return g_stopRequested || (m_window && m_window->Cancelled());
    }

    void HistoryAdd(const std::string& line) override
    {
        ClearProgress();
        m_history.push_back(line);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    void CreatedArchiveAdd(const std::string& path) override { m_created.push_back(path); }
    void ShowMessage(const std::string& text) override
    {
        ClearProgress();
        m_messages.ShowMessage(text);
    }
    bool Progress(const std::string& member, std::uint64_t done, std::uint64_t total) override
    {
        if (g_stopRequested)
            return false;
        if (m_window)
            return m_window->Report(QString::fromStdString(member), done, total);
        if (!m_drawProgress)
            return true;
        const unsigned percent = total ? static_cast<unsigned>(done * 100 / total) : 0;
        std::string shown = member;
        if (shown.size() > 60)
            shown = "..." + shown.substr(shown.size() - 57);
        std::fprintf(stderr, "\r\033[K%3u%% %s", percent, shown.c_str());
        std::fflush(stderr);
        m_progressShown = true;
        return true;
    }
    const std::vector<std::string>& History() const { return m_history; }
    const std::vector<std::string>& Created() const { return m_created; }

private:
    void ClearProgress()
    {
        if (m_progressShown) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
            m_progressShown = false;
        }
    }

    StartupMessages& m_messages;
    const qb::engine::TargetList& m_targets;
    ActionProgress* m_window;
    bool m_drawProgress;
    bool m_progressShown = false;
    std::vector<std::string> m_history;
    std::vector<std::string> m_created;
};

// LogCopy: every line followed by CR LF. An empty history leaves the clipboard alone.
void LogCopy(const std::vector<std::string>& history)
{
    if (history.empty() || IsOffscreen())
        return;  // the offscreen platform has no clipboard anyone else could read
    std::string text;
    for (const std::string& line : history)
        text += line + "\r\n";
    if (!KeepClipboardText(text))
        std::fputs("Quillbox2: the history could not be copied to the clipboard\n", stderr);
}

// What the command line named but the run will not pack, for a script's standard error (the
// history lines say it too, on standard output).
void TellLeftOut(const qb::engine::StartReport& report)
{
    for (const qb::engine::StartReport::Entry& e : report.Entries()) {
        const std::string text =
            e.outputFolder
                ? ConsoleMessage(ConsoleText::OutputFolderMissing, {e.path, e.usedFolder})
                : ConsoleMessage(ConsoleText::LeftOut, {e.path, ConsoleReason(e.why)});
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

}  // namespace

bool IsOffscreen()
{
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

void StartupMessages::ShowMessage(const std::string& text)
{
    if (IsOffscreen()) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return;
    }
    qb::ui::ShowMessage(nullptr, QString::fromStdString(text));
}

bool StartupMessages::AskYesNo(const std::string& text)
{
    if (!IsOffscreen())
        return qb::ui::AskYesNo(nullptr, QString::fromStdString(text));
    // Nobody can see a box: print the question, take an answer queued through the test seam,
    // and otherwise count it as No.
    std::fprintf(stderr, "%s\n", text.c_str());
    qb::ui::test::SetNeverShow(true);
    const bool yes = qb::ui::AskYesNo(nullptr, QString::fromStdString(text));
    qb::ui::test::SetNeverShow(false);
    return yes;
}

AutoStartResult AutoStart(const std::string& commandText, const qb::engine::Options& options,
                          const SilentRunChoices& choices)
{
    AutoStartResult result;
    try {
        StartupMessages messages;
        SilentPanes panes;
        SilentCommandHost commandHost(panes, messages);
        qb::engine::ParseCommandLine(commandText, commandHost);
        qb::engine::StartReport& report = *commandHost.Report();
        if (!choices.outFolder.empty()) {
            panes.SetOutputFolder(choices.outFolder);
            report.ForgetOutputFolder();
        }
        const int leftOut = report.FoldersLeftOut();
        // Folders named but none of them listed: the window tells that in its history, when
        // one follows; a run without a window tells it itself, as a run of nothing.
        if (panes.Targets().Count() == 0 && (leftOut == 0 || choices.windowFollows))
            return result;

        TellLeftOut(report);
        if (panes.Targets().Count() == 0)
            std::fprintf(stderr, "%s\n", ConsoleMessage(ConsoleText::NothingToPack).c_str());
        InstallStopHandlers();
        std::unique_ptr<ActionProgress> window;
        if (choices.progressWindow)
            window = std::make_unique<ActionProgress>();
        SilentPackHost host(messages, panes.Targets(), window.get());
        for (const std::string& line : report.HistoryLines())
            host.HistoryAdd(line);
        const qb::engine::RunResult run = qb::engine::PackRun(
            panes.Targets(), panes.OutputFolder(),
            qb::engine::RunModeFromNumber(options.AutoRunMode), options, host, leftOut,
            choices.besideFolders ? qb::engine::ArchivePlace::BesideFolder
                                  : qb::engine::ArchivePlace::OutputFolder);
        window.reset();
        RemoveStopHandlers();
        if (options.CopyHistoryAfterAutoRun)
            LogCopy(host.History());
        result.ranOut = true;
        result.history = host.History();
        result.created = host.Created();
        result.exitStatus = run.aborted ? kExitAborted
                            : run.failed > 0 || leftOut > 0 || commandHost.AnyMessage()
                                ? kExitSomeNotPacked
                                : kExitAllPacked;
    } catch (...) {
        // The window comes up after all: Ctrl-C and pipes behave as usual again.
        RemoveStopHandlers();
        std::signal(SIGPIPE, SIG_DFL);
        result.ranOut = false;
    }
    return result;
}

}  // namespace qb::app
