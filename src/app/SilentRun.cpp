#include "SilentRun.h"

#include "ClipboardKeeper.h"
#include "common/PathHelpers.h"
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
    void LoadJobFile() override { qb::engine::LoadJobFile(qb::engine::CurrentJobFile, m_panes, *this); }
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

// True when some item of the list is path's on-disk form.
bool Listed(const std::string& path, const qb::engine::TargetList& targets)
{
    const std::string onDisk = PathHelpers::OnDiskPath(path);
    if (onDisk.empty())
        return false;
    for (int i = 0; i < targets.Count(); ++i)
        if (targets.Item(i) == onDisk)
            return true;
    return false;
}

// The folders of the command line, or of the job file it opened, that never reached the target
// list (missing, a file, outside every drive). The window would simply not list them; a script
// is told on standard error, and the run counts them as not packed instead of reporting success.
std::vector<std::string> LeftOutTargets(const std::string& commandText,
                                        const qb::engine::TargetList& targets)
{
    std::vector<std::string> named;
    if (qb::engine::CurrentJobFile.empty()) {
        named = qb::engine::SplitCommandText(commandText);
    } else {
        // What follows a job file on the command line is ignored by design; the job's own
        // lines are what it asks for.
        const std::optional<std::string> text = qb::engine::ReadJobText(qb::engine::CurrentJobFile);
        const std::vector<std::string> items =
            text ? qb::engine::SplitJobItems(*text) : std::vector<std::string>{};
        if (const std::optional<std::size_t> start = qb::engine::JobTargetsStart(items))
            for (std::size_t i = *start; i < items.size(); ++i)
                if (!items[i].empty())
                    named.push_back(items[i]);
    }
    std::vector<std::string> leftOut;
    for (const std::string& path : named)
        if (!Listed(path, targets))
            leftOut.push_back(path);
    return leftOut;
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
                          const std::string& outFolder)
{
    AutoStartResult result;
    try {
        StartupMessages messages;
        SilentPanes panes;
        SilentCommandHost commandHost(panes, messages);
        qb::engine::ParseCommandLine(commandText, commandHost);
        if (!outFolder.empty())
            panes.SetOutputFolder(outFolder);
        if (panes.Targets().Count() == 0)
            return result;

        const std::vector<std::string> leftOut = LeftOutTargets(commandText, panes.Targets());
        for (const std::string& path : leftOut) {
            // A folder that exists but is not on the list was refused by the full list (its
            // message has been shown); anything else is not there.
            const char* why =
                PathHelpers::FolderExists(path) ? "the target list is full" : "no such folder";
            std::fprintf(stderr, "Quillbox2: %s, left out: %s\n", why, path.c_str());
        }

        InstallStopHandlers();
        SilentPackHost host(messages);
        const qb::engine::RunResult run =
            qb::engine::PackRun(panes.Targets(), panes.OutputFolder(),
                                qb::engine::RunModeFromNumber(options.AutoRunMode), options, host);
        if (options.CopyHistoryAfterAutoRun)
            LogCopy(host.History());
        result.ranOut = true;
        result.history = host.History();
        result.created = host.Created();
        result.exitStatus = run.aborted ? kExitAborted
                            : run.failed > 0 || !leftOut.empty() || commandHost.AnyMessage()
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
