// PackFolder and the silent run loop against the recording fake: history lines in order, the
// archiver calls made (command and current directory), stop codes, pre-checks and names.
#include "support/EngineFixture.h"

#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "engine/Archivers.h"
#include "engine/ModuleReport.h"
#include "engine/Options.h"
#include "engine/PackFolder.h"
#include "engine/PackRun.h"
#include "platform/CurrentDir.h"

#include <filesystem>
#include <regex>

using namespace qbtest;
using qb::engine::PackFolder;
using Lines = std::vector<std::string>;
using qb::engine::FolderOutcome;
using qb::engine::RunMode;

namespace {

std::string L(int code)
{
    return ProgramMessage(code);
}
// The reason line after a failure.
std::string R(const std::string& reason)
{
    return qb::engine::ReasonLine(reason);
}
std::string R(int code)
{
    return R(ProgramMessage(code));
}

// A run works in a private folder of a random name inside TmpDir; commands and directories
// are compared with that name written as RUN.
std::string Norm(const std::string& text)
{
    static const std::regex run("quillbox2-run\\.[A-Za-z0-9]{6}");
    return std::regex_replace(text, run, "RUN");
}

class PackFolderTest : public EngineTest {
protected:
    RecordingHost host;
};

}  // namespace

TEST_F(PackFolderTest, ThreeFoldersWithTheSecondRefused)
{
    qb::engine::TargetList list;
    list.Append(MakeFolder("C:\\SRC\\A"));
    list.Append("C:\\SRC\\GONE");  // does not exist
    list.Append(MakeFolder("C:\\SRC\\C"));

    const auto r = qb::engine::PackRun(list, "D:\\OUT", RunMode::Normal, m_options, host);

    EXPECT_EQ(host.history,
              (Lines{"[ C:\\SRC\\A ]", L(kHistoryLzhPacking), L(kHistoryPacked), L(kHistoryRefused),
                     R(L(kTextFolderMissing) + "（C:\\SRC\\GONE）"), "[ C:\\SRC\\C ]",
                     L(kHistoryLzhPacking), L(kHistoryPacked), SharedMessage(kSharedRunFinished),
                     "全 3 フォルダ中 2 フォルダを圧縮しました"}));
    // The box names the folder that is not there.
    EXPECT_EQ(host.messages, (Lines{L(kTextFolderMissing) + "\nC:\\SRC\\GONE"}));
    EXPECT_EQ(host.created, (Lines{"D:\\OUT\\A.LZH", "D:\\OUT\\C.LZH"}));
    EXPECT_EQ(r.packed, 2);
    EXPECT_EQ(r.failed, 1);
    EXPECT_FALSE(r.aborted);
    ASSERT_EQ(Fake().calls.size(), 2u);
    EXPECT_EQ(Fake().calls[0].cwd, "C:\\SRC\\A");
    EXPECT_EQ(Fake().calls[1].cwd, "C:\\SRC\\C");
}

TEST_F(PackFolderTest, FoldersLeftOutBeforeTheRunCountInItsLastLine)
{
    qb::engine::TargetList list;
    list.Append(MakeFolder("C:\\SRC\\A"));
    // Every folder listed is packed, yet two named ones never reached the list.
    auto r = qb::engine::PackRun(list, "D:\\OUT", RunMode::Normal, m_options, host, 2);
    EXPECT_EQ(r.packed, 1);
    EXPECT_EQ(
        Lines(host.history.end() - 2, host.history.end()),
        (Lines{SharedMessage(kSharedRunFinished), "全 3 フォルダ中 1 フォルダを圧縮しました"}));

    // None reached it: a run of nothing still ends with both lines.
    host.history.clear();
    qb::engine::TargetList none;
    r = qb::engine::PackRun(none, "D:\\OUT", RunMode::Normal, m_options, host, 2);
    EXPECT_EQ(host.history, (Lines{SharedMessage(kSharedRunFinished),
                                   "全 2 フォルダ中 0 フォルダを圧縮しました"}));
}

TEST_F(PackFolderTest, CancelDuringTheFirstOfTwoStopsBeforeTheSecond)
{
    qb::engine::TargetList list;
    list.Append(MakeFolder("C:\\SRC\\A"));
    list.Append(MakeFolder("C:\\SRC\\B"));
    Fake().reportProgress = true;
    host.progressAnswer = [] { return false; };  // the user cancels in the progress report

    const auto r = qb::engine::PackRun(list, "D:\\OUT", RunMode::Normal, m_options, host);

    EXPECT_TRUE(r.aborted);
    EXPECT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(host.history,
              (Lines{"[ C:\\SRC\\A ]", L(kHistoryLzhPacking), L(kHistoryCancelled),
                     L(kHistoryNotPacked), R(kReasonCancelled), SharedMessage(kSharedRunAborted),
                     "全 2 フォルダ中 0 フォルダを圧縮しました"}));
    EXPECT_TRUE(host.created.empty());
}

TEST_F(PackFolderTest, ReadOnlyDestinationOnTheFirstOfTwoStopsTheRun)
{
    qb::engine::TargetList list;
    list.Append(MakeFolder("C:\\SRC\\A"));
    list.Append(MakeFolder("C:\\SRC\\B"));
    Fake().results = {32774};

    const auto r = qb::engine::PackRun(list, "D:\\OUT", RunMode::Normal, m_options, host);

    EXPECT_TRUE(r.aborted);
    EXPECT_EQ(r.failed, 2);
    EXPECT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(host.history,
              (Lines{"[ C:\\SRC\\A ]", L(kHistoryLzhPacking), L(kHistoryReadOnly),
                     L(kHistoryNotPacked), R(kReasonReadOnly), SharedMessage(kSharedRunAborted),
                     "全 2 フォルダ中 0 フォルダを圧縮しました"}));
}

TEST_F(PackFolderTest, ResultCodesAreJudgedAsStopFailOrSuccess)
{
    EXPECT_EQ(qb::engine::ReportArchiverResult(0, host), FolderOutcome::Packed);
    EXPECT_EQ(qb::engine::ReportArchiverResult(32773, host), FolderOutcome::StopRun);
    EXPECT_EQ(qb::engine::ReportArchiverResult(32774, host), FolderOutcome::StopRun);
    EXPECT_EQ(qb::engine::ReportArchiverResult(32800, host), FolderOutcome::StopRun);
    EXPECT_EQ(host.history,
              (Lines{L(kHistoryDiskFull), L(kHistoryReadOnly), L(kHistoryCancelled)}));
    host.history.clear();
    for (int code : {-1, 1, 32799, 32772, 32801})
        EXPECT_EQ(qb::engine::ReportArchiverResult(code, host), FolderOutcome::NotPacked) << code;
    EXPECT_TRUE(host.history.empty());
}

TEST_F(PackFolderTest, OutputOrTemporaryFolderInsideTheFolderIsRefused)
{
    MakeFolder("C:\\DATA\\OUT");
    MakeFolder("C:\\DATA2");
    EXPECT_FALSE(qb::engine::CheckPackTarget("C:\\DATA", "C:\\DATA\\OUT", "C:\\TEMP\\",
                                             m_options.IncludeSubfolders, host));
    EXPECT_FALSE(qb::engine::CheckPackTarget("C:\\DATA", "c:\\data\\out", "C:\\TEMP\\",
                                             m_options.IncludeSubfolders, host));
    // A plain text prefix: a sibling whose name begins the same way counts as inside.
    EXPECT_FALSE(
        qb::engine::CheckPackTarget("C:\\DATA", "C:\\DATA2", "C:\\TEMP\\", m_options.IncludeSubfolders, host));
    EXPECT_FALSE(qb::engine::CheckPackTarget("C:\\DATA", "D:\\OUT", "C:\\DATA\\TMP\\",
                                             m_options.IncludeSubfolders, host));
    EXPECT_EQ(host.messages,
              (Lines{L(kTextFolderHoldsOutputFolder), L(kTextFolderHoldsOutputFolder),
                     L(kTextFolderHoldsOutputFolder), L(kTextFolderHoldsTempFolder)}));

    m_options.IncludeSubfolders = false;
    host.messages.clear();
    EXPECT_TRUE(qb::engine::CheckPackTarget("C:\\DATA", "C:\\DATA\\OUT", "C:\\TEMP\\",
                                            m_options.IncludeSubfolders, host));
    EXPECT_EQ(qb::platform::CurrentDirectory(0), "C:\\DATA");
    EXPECT_FALSE(
        qb::engine::CheckPackTarget("C:\\DATA", "C:\\DATA", "C:\\TEMP\\", m_options.IncludeSubfolders, host));
    EXPECT_EQ(host.messages, (Lines{L(kTextFolderHoldsOutputFolder)}));
}

TEST_F(PackFolderTest, WithSubDirOffTheFolderHoldingTheOutputIsPacked)
{
    MakeFolder("C:\\DATA\\OUT");
    EXPECT_EQ(PackFolder("C:\\DATA", "C:\\DATA\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::NotPacked);
    EXPECT_EQ(host.history, (Lines{L(kHistoryRefused), R(kTextFolderHoldsOutputFolder)}));
    m_options.IncludeSubfolders = false;
    host.history.clear();
    EXPECT_EQ(PackFolder("C:\\DATA", "C:\\DATA\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::Packed);
    EXPECT_EQ(host.created, (Lines{"C:\\DATA\\OUT\\DATA.LZH"}));
    ASSERT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(Fake().calls[0].command.substr(0, 7), "u -+ -x");
}

TEST_F(PackFolderTest, HeaderShortensFiveComponentsAndNameIsUpperCased)
{
    MakeFolder("C:\\Work\\Projects\\Old\\abc");
    MakeFolder("C:\\Work\\abc");
    EXPECT_EQ(
        PackFolder("C:\\Work\\Projects\\Old\\abc", "D:\\OUT", RunMode::Normal, m_options, host),
        FolderOutcome::Packed);
    EXPECT_EQ(PackFolder("C:\\Work\\abc", "D:\\OUT\\", RunMode::Normal, m_options, host),
              FolderOutcome::Packed);
    EXPECT_EQ(host.history,
              (Lines{"[ C:\\Work\\...\\Old\\abc ]", L(kHistoryLzhPacking), L(kHistoryPacked),
                     "[ C:\\Work\\abc ]", L(kHistoryLzhPacking), L(kHistoryPacked)}));
    EXPECT_EQ(host.created, (Lines{"D:\\OUT\\ABC.LZH", "D:\\OUT\\ABC.LZH"}));
    // The current directory is back at the folder afterwards.
    EXPECT_EQ(qb::platform::CurrentDirectory(0), "C:\\Work\\abc");

    m_options.UpperCaseNames = false;
    EXPECT_EQ(PackFolder("C:\\Work\\abc", "D:\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::Packed);
    EXPECT_EQ(host.created.back(), "D:\\OUT\\abc.LZH");
}

TEST_F(PackFolderTest, DriveRootHasNoNameAndIsNotPacked)
{
    EXPECT_EQ(qb::engine::ArchiveBaseName("C:\\"), "");
    EXPECT_EQ(qb::engine::ArchiveBaseName("\\abc"), "");
    EXPECT_EQ(qb::engine::ArchiveBaseName("abc"), "");
    EXPECT_EQ(qb::engine::ArchiveBaseName("C:\\A\\b c"), "b c");

    m_options.TempFolder = MakeFolder("D:\\TMP\\");  // else C:\ would hold the temporary folder
    EXPECT_EQ(PackFolder("C:\\", "D:\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::NotPacked);
    EXPECT_TRUE(Fake().calls.empty());
    EXPECT_EQ(host.history, (Lines{L(kHistoryNotPacked), R(kReasonNoName)}));
}

TEST_F(PackFolderTest, AQuoteInAPathFailsTheFolderWithoutACall)
{
    // The quote would end the quoted archive path early: Q"X would turn into "QX.LZH *.*".
    MakeFolder("C:\\SRC\\Q\"X");
    MakeFolder("C:\\SRC\\B");
    EXPECT_EQ(PackFolder("C:\\SRC\\Q\"X", "D:\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::NotPacked);
    EXPECT_TRUE(Fake().calls.empty());
    EXPECT_EQ(host.history,
              (Lines{"[ C:\\SRC\\Q\"X ]", L(kHistoryNotPacked), R(kReasonQuoteInPath)}));
    EXPECT_TRUE(host.created.empty());

    // An output folder with a quote fails every folder the same way, and nothing is called.
    host.history.clear();
    MakeFolder("D:\\O\"UT");
    EXPECT_EQ(PackFolder("C:\\SRC\\B", "D:\\O\"UT", RunMode::Normal, m_options, host),
              FolderOutcome::NotPacked);
    EXPECT_TRUE(Fake().calls.empty());

    // The same folder without the quote is packed as usual.
    EXPECT_EQ(PackFolder("C:\\SRC\\B", "D:\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::Packed);
    EXPECT_EQ(Fake().calls.size(), 1u);
}

TEST_F(PackFolderTest, StoringTheFolderPathPacksFromTheDriveRoot)
{
    MakeFolder("C:\\DATA\\PROJ");
    m_options.StoreFolderPath = true;
    EXPECT_EQ(PackFolder("C:\\DATA\\PROJ", "D:\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::Packed);
    ASSERT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(Fake().calls[0].cwd, "C:\\");
    EXPECT_NE(Fake().calls[0].command.find("\"DATA\\PROJ\\*.*\""), std::string::npos);
    EXPECT_EQ(qb::platform::CurrentDirectory(0), "C:\\DATA\\PROJ");
}

TEST_F(PackFolderTest, ZipModesAndMissingZip)
{
    MakeFolder("C:\\SRC\\A");
    m_options.ArchiveFormat = 1;
    EXPECT_EQ(PackFolder("C:\\SRC\\A", "D:\\OUT", RunMode::Stored, m_options, host),
              FolderOutcome::Packed);
    ASSERT_EQ(Fake().calls.size(), 1u);
    EXPECT_EQ(Fake().calls[0].lib, Lib::Zip);
    EXPECT_EQ(Fake().calls[0].command, " -r  -0 \"D:\\OUT\\A.ZIP\" \"*.*\"");
    EXPECT_EQ(host.history, (Lines{"[ C:\\SRC\\A ]", L(kHistoryZipStoring), L(kHistoryPacked)}));

    InstallFake(true, false);
    host.history.clear();
    EXPECT_EQ(PackFolder("C:\\SRC\\A", "D:\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::NotPacked);
    EXPECT_TRUE(Fake().calls.empty());
    EXPECT_EQ(host.history, (Lines{L(kHistoryNotPacked), R("ZIP32J.DLL が見つかりません")}));
}

TEST_F(PackFolderTest, BusyModuleShowsItsMessageAndFailsTheFolder)
{
    MakeFolder("C:\\SRC\\A");
    Fake().lzhBusy = true;
    EXPECT_EQ(PackFolder("C:\\SRC\\A", "D:\\OUT", RunMode::Stored, m_options, host),
              FolderOutcome::NotPacked);
    EXPECT_TRUE(Fake().calls.empty());
    EXPECT_EQ(host.messages, (Lines{L(kTextLzhModuleBusy)}));
    EXPECT_EQ(host.history, (Lines{"[ C:\\SRC\\A ]", L(kHistoryLzhStoring), L(kHistoryNotPacked),
                                   R("UNLHA32.DLL は使用中です")}));
}

// Double compression: the fake makes the archive each packing command names, so the stored
// archive exists between the stages as it would with the real modules.
class DoubleTest : public PackFolderTest {
protected:
    void SetUp() override
    {
        PackFolderTest::SetUp();
        MakeFolder("C:\\SRC\\NAME");
        Fake().onCall = [this](const FakeCall& call) {
            if (call.lib == Lib::UnZip || call.command.rfind("x -+", 0) == 0)
                return;
            static const std::regex stored(
                "\"(C:\\\\TEMP\\\\quillbox2-run\\.[^\\\\\"]+\\\\NAME\\.(LZH|ZIP))\"");
            std::smatch m;
            if (std::regex_search(call.command, m, stored))
                WriteFile(m[1], "stored");
        };
    }

    // Nothing of the run is left in the temporary folder.
    bool TempEmpty() const { return std::filesystem::is_empty(Host("C:\\TEMP")); }
};

TEST_F(DoubleTest, PatternOneMakesLzhThenZipAndRemovesTheStoredArchive)
{
    m_options.DoublePattern = 1;
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::Packed);
    EXPECT_EQ(host.history, (Lines{"[ C:\\SRC\\NAME ]", L(kHistoryLzhFirstStage),
                                   L(kHistoryZipSecondStage), L(kHistoryPacked)}));
    EXPECT_EQ(host.created, (Lines{"D:\\OUT\\NAME.LZH.ZIP"}));
    ASSERT_EQ(Fake().calls.size(), 2u);
    EXPECT_EQ(Fake().calls[0].lib, Lib::Unlha);
    EXPECT_EQ(Fake().calls[0].cwd, "C:\\SRC\\NAME");
    EXPECT_EQ(Fake().calls[1].lib, Lib::Zip);
    EXPECT_EQ(Norm(Fake().calls[0].command),
              "u -+ -xr  -z1 \"-wC:\\TEMP\\RUN\\\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "
              "\"C:\\TEMP\\RUN\\NAME.LZH\" \"*.*\"");
    EXPECT_EQ(Fake().calls[1].command, "-r -9 \"D:\\OUT\\NAME.LZH.ZIP\" \"NAME.LZH\"");
    EXPECT_EQ(Norm(Fake().calls[1].cwd), "C:\\TEMP\\RUN");
    EXPECT_TRUE(TempEmpty());
    EXPECT_EQ(qb::platform::CurrentDirectory(0), "C:\\SRC\\NAME");
}

TEST_F(DoubleTest, PatternThreeWithDoubleUpdatesAnExistingArchive)
{
    m_options.DoublePattern = 3;
    m_options.UpdateDoubleArchives = true;
    WriteFile("D:\\OUT\\NAME.ZIP.ZIP", "old");
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::Packed);
    EXPECT_EQ(host.history,
              (Lines{"[ C:\\SRC\\NAME ]", L(kHistoryExtractingForUpdate), L(kHistoryZipFirstStage),
                     L(kHistoryZipSecondStage), L(kHistoryPacked)}));
    ASSERT_EQ(Fake().calls.size(), 3u);
    EXPECT_EQ(Fake().calls[0].lib, Lib::UnZip);
    EXPECT_EQ(Norm(Fake().calls[0].command),
              "-x \"D:\\OUT\\NAME.ZIP.ZIP\" \"C:\\TEMP\\RUN\\\" \"NAME.ZIP\"");
    EXPECT_EQ(Norm(Fake().calls[1].command), " -r  -0 \"C:\\TEMP\\RUN\\NAME.ZIP\" \"*.*\"");
    EXPECT_EQ(Fake().calls[2].command, "-r -9 \"D:\\OUT\\NAME.ZIP.ZIP\" \"NAME.ZIP\"");
}

TEST_F(DoubleTest, UpdateOnlyWithDoubleOnAndTheFinalArchivePresent)
{
    m_options.UpdateDoubleArchives = true;  // final archive absent
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::Packed);
    EXPECT_EQ(host.history, (Lines{"[ C:\\SRC\\NAME ]", L(kHistoryLzhFirstStage),
                                   L(kHistoryLzhSecondStage), L(kHistoryPacked)}));
    EXPECT_EQ(Fake().calls.size(), 2u);

    m_options.UpdateDoubleArchives = false;  // final archive present
    WriteFile("D:\\OUT\\NAME.LZH.LZH", "old");
    Fake().calls.clear();
    host.history.clear();
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::Packed);
    EXPECT_EQ(host.history, (Lines{"[ C:\\SRC\\NAME ]", L(kHistoryLzhFirstStage),
                                   L(kHistoryLzhSecondStage), L(kHistoryPacked)}));
    ASSERT_EQ(Fake().calls.size(), 2u);
    EXPECT_EQ(Norm(Fake().calls[1].command),
              "u -+ \"-wC:\\TEMP\\RUN\\\" \"D:\\OUT\\NAME.LZH.LZH\" \"NAME.LZH\"");

    m_options.UpdateDoubleArchives = true;  // both: the outer LZH is unpacked with Unlha
    Fake().calls.clear();
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::Packed);
    ASSERT_EQ(Fake().calls.size(), 3u);
    EXPECT_EQ(Norm(Fake().calls[0].command),
              "x -+ \"D:\\OUT\\NAME.LZH.LZH\" \"C:\\TEMP\\RUN\\\" \"NAME.LZH\"");
}

TEST_F(DoubleTest, FailingFirstStageSkipsTheSecondAndTheRunGoesOn)
{
    qb::engine::TargetList list;
    list.Append("C:\\SRC\\NAME");
    list.Append(MakeFolder("C:\\SRC\\NEXT"));
    Fake().results = {32783};
    const auto r = qb::engine::PackRun(list, "D:\\OUT", RunMode::Double, m_options, host);
    EXPECT_FALSE(r.aborted);
    EXPECT_EQ(r.packed, 1);
    EXPECT_EQ(host.history,
              (Lines{"[ C:\\SRC\\NAME ]", L(kHistoryLzhFirstStage), L(kHistoryNotPacked),
                     R("圧縮ソフトがエラー 32783 で終了しました"), "[ C:\\SRC\\NEXT ]",
                     L(kHistoryLzhFirstStage), L(kHistoryLzhSecondStage), L(kHistoryPacked),
                     SharedMessage(kSharedRunFinished), "全 2 フォルダ中 1 フォルダを圧縮しました"}));
    EXPECT_EQ(Fake().calls.size(), 3u);
    EXPECT_TRUE(TempEmpty());
}

TEST_F(DoubleTest, StopCodeOfTheFirstStageIsReportedTwice)
{
    Fake().results = {32773};
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::StopRun);
    EXPECT_EQ(host.history,
              (Lines{"[ C:\\SRC\\NAME ]", L(kHistoryLzhFirstStage), L(kHistoryDiskFull),
                     L(kHistoryDiskFull), L(kHistoryNotPacked), R(kReasonDiskFull)}));
}

TEST_F(DoubleTest, MissingZipModuleStopsTheRun)
{
    InstallFake(true, false);
    m_options.DoublePattern = 1;
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::StopRun);
    EXPECT_EQ(host.history.back(), R("ZIP32J.DLL が見つかりません"));
}

TEST_F(DoubleTest, StoredArchivesLiveInTheRunsOwnFolder)
{
    // A file of the same name in the temporary folder (another run's, or one left by an older
    // version) is neither used nor touched.
    WriteFile("C:\\TEMP\\NAME.LZH", "left over from an earlier run");
    std::string storedAt;
    Fake().onCall = [&](const FakeCall& call) {
        if (call.command.find("-z1") != std::string::npos)
            storedAt = Norm(call.command);
    };
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::Packed);
    EXPECT_NE(storedAt.find("\"C:\\TEMP\\RUN\\NAME.LZH\""), std::string::npos) << storedAt;
    EXPECT_EQ(ReadFile("C:\\TEMP\\NAME.LZH"), "left over from an earlier run");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Host("C:\\TEMP")), {}), 1);
}

TEST_F(DoubleTest, UpdateExtractionKeepsOnlyTheStoredArchiveAtTheTop)
{
    m_options.UpdateDoubleArchives = true;
    WriteFile("D:\\OUT\\NAME.LZH.LZH", "old");
    // The outer archive holds NAME.LZH only inside a folder: the extraction brings tmp\NAME.LZH.
    bool strayGone = false;
    Fake().onCall = [&](const FakeCall& call) {
        static const std::regex work("C:\\\\TEMP\\\\quillbox2-run\\.[A-Za-z0-9]{6}");
        std::smatch m;
        if (!std::regex_search(call.command, m, work))
            return;
        const std::string runFolder = m[0];
        if (call.command.rfind("x -+", 0) == 0) {
            MakeFolder(runFolder + "\\tmp");
            WriteFile(runFolder + "\\tmp\\NAME.LZH", "stray");
            WriteFile(runFolder + "\\NAME.LZH", "stored");
        } else if (call.command.find("-z1") != std::string::npos) {
            // The first stage updates the stored archive from the top, and nothing else is there.
            strayGone =
                !Exists(runFolder + "\\tmp") && ReadFile(runFolder + "\\NAME.LZH") == "stored";
        }
    };
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::Packed);
    EXPECT_TRUE(strayGone);
    EXPECT_TRUE(TempEmpty());
}

TEST_F(DoubleTest, NoTemporaryFolderStopsBeforeAnyArchiverCall)
{
    // Happens when the temporary folder lies outside every drive.
    m_options.TempFolder = "";
    EXPECT_EQ(PackFolder("C:\\SRC\\NAME", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::StopRun);
    EXPECT_TRUE(Fake().calls.empty());
    EXPECT_EQ(host.history,
              (Lines{"[ C:\\SRC\\NAME ]", L(kHistoryNotPacked), R(kReasonNoTempFolder)}));
    EXPECT_FALSE(Exists("C:\\NAME.LZH"));
}

TEST_F(PackFolderTest, NoOutputFolderStopsTheRunWithoutWritingAnything)
{
    qb::engine::TargetList list;
    list.Append(MakeFolder("C:\\SRC\\A"));
    list.Append(MakeFolder("C:\\SRC\\B"));
    const auto r = qb::engine::PackRun(list, "", RunMode::Normal, m_options, host);
    EXPECT_TRUE(r.aborted);
    EXPECT_TRUE(Fake().calls.empty());
    EXPECT_EQ(host.history,
              (Lines{L(kHistoryNotPacked), R(kReasonNoOutputFolder), SharedMessage(kSharedRunAborted),
                     "全 2 フォルダ中 0 フォルダを圧縮しました"}));
}
