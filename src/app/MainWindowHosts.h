#pragma once
// The main window's side of the engine's interfaces: what a packing run reports to, and what
// job files and the command line read and fill. Private to the main window's sources.

#include "app/MainWindow.h"
#include "engine/JobFile.h"
#include "engine/PackRun.h"
#include "engine/ProgramArguments.h"

// The window's run: between folders it takes events (the cancel button's click among them),
// shows which folder of how many is being packed, and refreshes the folder panes. The target list
// follows the run by itself (PackRun marks it), and its pane shows that.
class MainWindow::RunHost : public qb::engine::RunHost {
public:
    explicit RunHost(MainWindow& frame) : m_frame(frame) { }
    bool BeforeFolder(int index) override;
    void AfterFolder(int index, qb::engine::FolderOutcome outcome) override;
    void RunEnded(bool aborted) override;
    bool StopRequested() const override { return m_frame.CancelRequested; }
    void HistoryAdd(const std::string& line) override;
    void CreatedArchiveAdd(const std::string& path) override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool Progress(const std::string& member, std::uint64_t done, std::uint64_t total) override;

private:
    MainWindow& m_frame;
};

class MainWindow::JobHost : public qb::engine::JobPanes, public qb::engine::CommandLineHost {
public:
    explicit JobHost(MainWindow& frame) : m_frame(frame) { }
    std::string SourceFolder() override;
    void SetSourceFolder(const std::string& dir) override;
    std::string OutputFolder() override;
    void SetOutputFolder(const std::string& dir) override;
    qb::engine::TargetList& Targets() override;
    void LoadJobFile() override { m_frame.LoadJobFile(); }
    qb::engine::StartReport* Report() override { return &m_frame.m_startReport; }
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;

private:
    MainWindow& m_frame;
};
