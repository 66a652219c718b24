#include "SilentRun.h"

#include "ClipboardKeeper.h"
#include "ConsoleTexts.h"
#include "dialogs/UiSeams.h"
#include "engine/JobFile.h"
#include "engine/Options.h"
#include "engine/PackRun.h"
#include "engine/PaneStart.h"
#include "engine/ProgramArguments.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
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
class SilentPackHost : public qb::engine::RunHost {
public:
    explicit SilentPackHost(StartupMessages& messages)
        : m_messages(messages), m_drawProgress(::isatty(STDERR_FILENO) == 1)
    { }
    ~SilentPackHost() override { ClearProgress(); }

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
                          const std::string& outFolder, bool windowFollows)
{
    AutoStartResult result;
    try {
        StartupMessages messages;
        SilentPanes panes;
        SilentCommandHost commandHost(panes, messages);
        qb::engine::ParseCommandLine(commandText, commandHost);
        qb::engine::StartReport& report = *commandHost.Report();
        if (!outFolder.empty()) {
            panes.SetOutputFolder(outFolder);
            report.ForgetOutputFolder();
        }
        const int leftOut = report.FoldersLeftOut();
        // Folders named but none of them listed: the window tells that in its history, when
        // one follows; a run without a window tells it itself, as a run of nothing.
        if (panes.Targets().Count() == 0 && (leftOut == 0 || windowFollows))
            return result;

        TellLeftOut(report);
        if (panes.Targets().Count() == 0)
            std::fprintf(stderr, "%s\n", ConsoleMessage(ConsoleText::NothingToPack).c_str());
        InstallStopHandlers();
        SilentPackHost host(messages);
        for (const std::string& line : report.HistoryLines())
            host.HistoryAdd(line);
        const qb::engine::RunResult run = qb::engine::PackRun(
            panes.Targets(), panes.OutputFolder(),
            qb::engine::RunModeFromNumber(options.AutoRunMode), options, host, leftOut);
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
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGPIPE, SIG_DFL);
        result.ranOut = false;
    }
    return result;
}

}  // namespace qb::app
