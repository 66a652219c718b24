#include "support/EngineFixture.h"

#include "engine/Archivers.h"
#include "engine/Options.h"
#include "platform/CurrentDir.h"
#include "platform/Drives.h"

#include <cstdio>
#include <cstdlib>

namespace qbtest {
namespace {

FakeCall Record(Lib lib, const char* command)
{
    FakeCall call{lib, command ? command : "", qb::platform::CurrentDirectory(0)};
    Fake().calls.push_back(call);
    return call;
}

ArchiverProgressProc g_progress[3] = {};
void* g_progressUser[3] = {};

int Run(Lib lib, const char* command)
{
    const FakeCall call = Record(lib, command);
    const int index = static_cast<int>(lib);
    if (Fake().reportProgress && g_progress[index] &&
        g_progress[index]("member.txt", 1, 2, g_progressUser[index]) == 0)
        return ARC_ERROR_USER_CANCEL;
    if (Fake().onCall)
        Fake().onCall(call);
    if (Fake().results.empty())
        return 0;
    const int r = Fake().results.front();
    Fake().results.pop_front();
    return r;
}

int Output(char* out, unsigned long n, int result)
{
    if (out && n)
        std::snprintf(out, n, "%s", Fake().output.c_str());
    return result;
}
int FakeUnlha(void*, const char* c, char* out, unsigned long n)
{
    return Output(out, n, Run(Lib::Unlha, c));
}
int FakeZip(void*, const char* c, char* out, unsigned long n)
{
    return Output(out, n, Run(Lib::Zip, c));
}
int FakeUnZip(void*, const char* c, char* out, unsigned long n)
{
    return Output(out, n, Run(Lib::UnZip, c));
}
int LzhRunning()
{
    return Fake().lzhBusy ? 1 : 0;
}
int ZipRunning()
{
    return Fake().zipBusy ? 1 : 0;
}
int NotRunning()
{
    return 0;
}
int Version()
{
    return 104;
}
void SetLzhProgress(ArchiverProgressProc p, void* u)
{
    g_progress[0] = p, g_progressUser[0] = u;
}
void SetZipProgress(ArchiverProgressProc p, void* u)
{
    g_progress[1] = p, g_progressUser[1] = u;
}
void SetUnZipProgress(ArchiverProgressProc p, void* u)
{
    g_progress[2] = p, g_progressUser[2] = u;
}

}  // namespace

FakeArchivers& Fake()
{
    static FakeArchivers fake;
    return fake;
}

void InstallFake(bool lzh, bool zip)
{
    Fake() = FakeArchivers{};
    qb::engine::ArchiverTable t;
    if (lzh) {
        t.Unlha.Command = &FakeUnlha;
        t.Unlha.GetRunning = &LzhRunning;
        t.Unlha.GetVersion = &Version;
        t.Unlha.SetProgressCallback = &SetLzhProgress;
    }
    if (zip) {
        t.Zip.Command = &FakeZip;
        t.Zip.GetRunning = &ZipRunning;
        t.Zip.GetVersion = &Version;
        t.Zip.SetProgressCallback = &SetZipProgress;
        t.UnZip.Command = &FakeUnZip;
        t.UnZip.GetRunning = &NotRunning;
        t.UnZip.GetVersion = &Version;
        t.UnZip.SetProgressCallback = &SetUnZipProgress;
    }
    qb::engine::InstallArchivers(t, lzh, zip);
}

// Records the question and takes the next queued answer; No when none is left.
static bool Answer(std::deque<bool>& answers, std::vector<std::string>& questions,
                   const std::string& text)
{
    questions.push_back(text);
    if (answers.empty())
        return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

bool RecordingHost::AskYesNo(const std::string& text)
{
    return Answer(answers, questions, text);
}

void RecordingPanes::LoadJobFile()
{
    qb::engine::LoadJobFile(qb::engine::CurrentJobFile, *this, *this, &report);
}

bool RecordingPanes::AskYesNo(const std::string& text)
{
    return Answer(answers, questions, text);
}

void EngineTest::SetUp()
{
    m_sandbox = std::make_unique<Sandbox>();
    m_root = m_sandbox->Root();
    MakeDirs(m_sandbox->D() + "/OUT");

    m_options = qb::engine::Options{};
    m_options.IncludeSubfolders = true;
    m_options.OmitDrive = true;
    m_options.UpperCaseNames = true;
    m_options.TempFolder = "C:\\TEMP\\";
    m_options.LzhCommandPrefix = "u -+";
    qb::engine::CurrentJobFile.clear();
    InstallFake();
}

void EngineTest::TearDown()
{
    m_sandbox.reset();
}

std::string EngineTest::Host(const std::string& drivePath) const
{
    return Sandbox::Host(drivePath);
}

std::string EngineTest::MakeFolder(const std::string& drivePath)
{
    MakeDirs(Host(drivePath));
    return drivePath;
}

void EngineTest::WriteFile(const std::string& drivePath, const std::string& bytes)
{
    qbtest::WriteFile(Host(drivePath), bytes);
}

bool EngineTest::Exists(const std::string& drivePath) const
{
    return qbtest::Exists(Host(drivePath));
}

std::string EngineTest::ReadFile(const std::string& drivePath) const
{
    return qbtest::ReadFile(Host(drivePath));
}

}  // namespace qbtest
