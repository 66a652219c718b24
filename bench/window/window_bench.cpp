// Benchmark of the main window's own share of a run, and of a long history.
//
//   bench_window [folders] [lines]     (defaults 1000 and 30000; offscreen unless told otherwise)
//
// The archiver is a stand-in that returns success at once, so the figures are the program's
// own: the engine's work per folder (checks, names, command line, current directory) measured
// alone, and the same folders run through the window (selection marks, scrolling, repaints, the
// pass of pending events, the refresh of both folder panes after each folder).

#include "app/MainWindow.h"
#include "engine/Archivers.h"
#include "engine/Options.h"
#include "engine/PackRun.h"
#include "engine/TargetList.h"
#include "panes/TargetListPane.h"
#include "panes/OutputFolderPane.h"
#include "panes/HistoryPane.h"
#include "support/Sandbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

int DoNothing(void*, const char*, char* out, unsigned long n)
{
    if (out && n)
        out[0] = '\0';
    return 0;
}
int NotRunning()
{
    return 0;
}
int Version()
{
    return 104;
}
void NoProgress(ArchiverProgressProc, void*) { }

class QuietHost : public qb::engine::RunHost {
public:
    void HistoryAdd(const std::string&) override { }
    void CreatedArchiveAdd(const std::string&) override { }
    void ShowMessage(const std::string& text) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
};

std::string folderName(int i)
{
    return "C:\\SRC\\F" + std::to_string(10000 + i);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int folders = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 30000;

    qbtest::Sandbox sandbox;
    qb::engine::Options options;
    qb::engine::LoadSettings(options);
    options.TempFolder = "C:\\TEMP\\";
    qb::engine::ArchiverTable table;
    table.Unlha.Command = &DoNothing;
    table.Unlha.GetRunning = &NotRunning;
    table.Unlha.GetVersion = &Version;
    table.Unlha.SetProgressCallback = &NoProgress;
    qb::engine::InstallArchivers(table, true, false);
    for (int i = 0; i < folders; ++i) {
        std::filesystem::create_directories(sandbox.C() + "/SRC/F" + std::to_string(10000 + i));
        qbtest::Sandbox::WriteFile(sandbox.C() + "/SRC/F" + std::to_string(10000 + i) + "/a.txt",
                                   "a");
    }
    std::filesystem::create_directories(sandbox.D() + "/OUT");

    // The engine alone.
    QuietHost host;
    qb::engine::TargetList list;
    for (int i = 0; i < folders; ++i)
        list.Append(folderName(i));
    QElapsedTimer clock;
    clock.start();
    qb::engine::PackRun(list, "D:\\OUT", qb::engine::RunMode::Normal, options, host);
    const double engineMs = clock.nsecsElapsed() / 1e6;

    // The same folders through the window.
    MainWindow window(QString{}, options);
    window.resize(1024, 768);
    window.show();
    QApplication::processEvents();
    window.OutputPane()->SetFolder(QStringLiteral("D:\\OUT"));
    for (int i = 0; i < folders; ++i)
        window.TargetPane()->AddTarget(QString::fromStdString(folderName(i)));
    clock.restart();
    window.StartRun(0);
    const double windowMs = clock.nsecsElapsed() / 1e6;
    const int left = window.Targets().Count();

    // A long history, appended line by line as a run does (each line painted at once).
    window.LogPane()->Clear();
    clock.restart();
    for (int i = 0; i < lines; ++i)
        window.LogPane()->AddLine(QStringLiteral("　ＬＺＨ圧縮中です %1").arg(i));
    const double historyMs = clock.nsecsElapsed() / 1e6;

    std::printf("run over %d folders: engine alone %.1f ms, through the window %.1f ms (%d left on "
                "the list)\n",
                folders, engineMs, windowMs, left);
    std::printf("window share per folder: %.3f ms\n", (windowMs - engineMs) / folders);
    std::printf("history: %d lines in %.1f ms (%.3f ms a line)\n", lines, historyMs,
                historyMs / lines);
    window.close();
    return 0;
}
