// Shared ground of the engine tests: a sandbox with drives C: and D: in a temporary folder, the
// program's options at their defaults, a recording archiver table standing in for the modules,
// and a host that records history lines, created archives and message boxes.
#pragma once

#include "engine/JobFile.h"
#include "engine/Options.h"
#include "engine/PackRun.h"
#include "engine/ProgramArguments.h"
#include "engine/TargetList.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qbtest {

enum class Lib { Unlha, Zip, UnZip };

struct FakeCall {
    Lib lib;
    std::string command;
    std::string cwd;  // current directory of the call, in drive form
};

// The recording fake: every call is recorded; results are taken from a queue (0 when empty).
struct FakeArchivers {
    std::vector<FakeCall> calls;
    std::deque<int> results;
    bool lzhBusy = false;
    bool zipBusy = false;
    // Runs inside each call, e.g. to create the archive the command names.
    std::function<void(const FakeCall&)> onCall;
    // When set, each call reports progress once and returns 32800 if the report says cancel.
    bool reportProgress = false;
    // What each call writes into its output buffer.
    std::string output;
};

FakeArchivers& Fake();

// Installs the fake as the program's archiver table with the given availability.
void InstallFake(bool lzh = true, bool zip = true);

// Records what the engine reports.
class RecordingHost : public qb::engine::RunHost {
public:
    std::vector<std::string> history;
    std::vector<std::string> created;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<bool> answers;  // answers to AskYesNo; No when empty
    std::function<bool()> progressAnswer;  // what Progress returns; true when empty

    void HistoryAdd(const std::string& line) override { history.push_back(line); }
    void CreatedArchiveAdd(const std::string& path) override { created.push_back(path); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override;
    bool Progress(const std::string&, std::uint64_t, std::uint64_t) override
    {
        return progressAnswer ? progressAnswer() : true;
    }
};

// Panes and command-line host over a TargetList, recording folder changes.
class RecordingPanes : public qb::engine::JobPanes, public qb::engine::CommandLineHost {
public:
    std::string inDir = "C:\\";
    std::string outDir = "D:\\";
    qb::engine::TargetList list;
    std::vector<std::string> messages;
    std::deque<bool> answers;
    std::vector<std::string> questions;

    std::string SourceFolder() override { return inDir; }
    void SetSourceFolder(const std::string& d) override { inDir = d; }
    std::string OutputFolder() override { return outDir; }
    void SetOutputFolder(const std::string& d) override { outDir = d; }
    qb::engine::TargetList& Targets() override { return list; }
    void LoadJobFile() override;
    // What the command line (and the job file it opens) named but did not list.
    qb::engine::StartReport report;
    qb::engine::StartReport* Report() override { return &report; }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override;
};

// The sandbox (drives C: and D:, the settings, TMPDIR C:\TEMP) with D:\OUT made, and m_options
// at the defaults with TmpDir C:\TEMP\.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Host path of a drive path in the sandbox.
    std::string Host(const std::string& drivePath) const;
    // Creates a folder (and its parents) given as a drive path; returns the drive path.
    std::string MakeFolder(const std::string& drivePath);
    // Writes a file given as a drive path.
    void WriteFile(const std::string& drivePath, const std::string& bytes);
    bool Exists(const std::string& drivePath) const;
    std::string ReadFile(const std::string& drivePath) const;

    std::unique_ptr<Sandbox> m_sandbox;
    qb::engine::Options m_options;
    std::string m_root;  // the sandbox's host folder
};

}  // namespace qbtest
