// The run's own checks against the recording fake: archive names two targets share, modes
// beyond the buttons, and what the module says about left-out files and failed tests.
#include "support/EngineFixture.h"

#include "archivers/include/archiver_results.h"
#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "engine/ModuleReport.h"
#include "engine/Options.h"
#include "engine/PackFolder.h"
#include "engine/PackRun.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using namespace qbtest;
using Lines = std::vector<std::string>;
using qb::engine::FolderOutcome;
using qb::engine::RunMode;
using qb::engine::RunModeFromNumber;

namespace {

std::string L(int code)
{
    return ProgramMessage(code);
}
std::string R(const std::string& reason)
{
    return qb::engine::ReasonLine(reason);
}

class RunChecksTest : public EngineTest {
protected:
    RecordingHost host;
};

}  // namespace

TEST_F(RunChecksTest, ASecondTargetWithTheSameArchiveFailsBeforeAnyCall)
{
    struct Case {
        int mode, format, pattern;
        const char* archive;
    };
    for (const Case c :
         {Case{0, 0, 0, "ABC.LZH"}, Case{1, 1, 0, "ABC.ZIP"}, Case{2, 0, 1, "ABC.LZH.ZIP"}}) {
        SCOPED_TRACE(c.archive);
        InstallFake();
        host = RecordingHost();
        m_options.ArchiveFormat = c.format;
        m_options.DoublePattern = c.pattern;
        qb::engine::TargetList list;
        list.Append(MakeFolder("C:\\Work\\abc"));
        list.Append(MakeFolder("C:\\Old\\abc"));
        list.Append(MakeFolder("C:\\Work\\ABC"));
        list.Append(MakeFolder("C:\\Work\\xyz"));
        const auto r =
            qb::engine::PackRun(list, "D:\\OUT", RunModeFromNumber(c.mode), m_options, host);
        EXPECT_EQ(r.packed, 2);
        EXPECT_FALSE(r.aborted);
        const std::string clash =
            R("圧縮ファイル D:\\OUT\\" + std::string(c.archive) +
              " は、この実行で C:\\Work\\abc の圧縮ファイルになっています（名前の重複）");
        const Lines expected = {"[ C:\\Old\\abc ]",  L(kHistoryNotPacked), clash,
                                "[ C:\\Work\\ABC ]", L(kHistoryNotPacked), clash};
        EXPECT_NE(
            std::search(host.history.begin(), host.history.end(), expected.begin(), expected.end()),
            host.history.end());
        EXPECT_EQ(host.history.back(), "全 4 フォルダ中 2 フォルダを圧縮しました");
        // Calls were made for the first and the last folder only.
        for (const FakeCall& call : Fake().calls)
            EXPECT_EQ(call.cwd.find("Old"), std::string::npos) << call.cwd;
    }
}

TEST_F(RunChecksTest, AModeBeyondTheThreePacksNothingAndSaysSo)
{
    qb::engine::TargetList list;
    list.Append(MakeFolder("C:\\SRC\\A"));
    const auto r = qb::engine::PackRun(list, "D:\\OUT", RunModeFromNumber(7), m_options, host);
    EXPECT_EQ(r.packed, 0);
    EXPECT_TRUE(Fake().calls.empty());
    EXPECT_EQ(host.history,
              (Lines{L(kHistoryNotPacked),
                     R("圧縮方法 7 は通常圧縮・非圧縮圧縮・２重圧縮のどれでもありません"),
                     SharedMessage(kSharedRunFinished), "全 1 フォルダ中 0 フォルダを圧縮しました"}));
}

TEST_F(RunChecksTest, LeftOutFilesAreNamedAndTheFolderFailsWithoutItsArchiveListed)
{
    MakeFolder("C:\\SRC\\A");
    Fake().output =
        "adding x\nskipped link-outside etc\nraw-name caf\\xE9\nskipped unreadable secret\n";
    Fake().results = {ARC_ERROR_INCOMPLETE};
    EXPECT_EQ(qb::engine::PackFolder("C:\\SRC\\A", "D:\\OUT", RunMode::Normal, m_options, host),
              FolderOutcome::NotPacked);
    EXPECT_EQ(host.history,
              (Lines{"[ C:\\SRC\\A ]", L(kHistoryLzhPacking),
                     "　圧縮されなかったファイル：etc（フォルダの外を指すシンボリックリンクです）",
                     "　UTF-8 でない名前をそのまま格納しました：caf\\xE9",
                     "　圧縮されなかったファイル：secret（読み込みが許可されていません）",
                     L(kHistoryNotPacked),
                     R("圧縮されなかったファイルが 2 個あります（圧縮ファイルは作成済みです）")}));
    EXPECT_TRUE(host.created.empty());
}

TEST_F(RunChecksTest, FailedTestOfTheSecondStageGivesItsReason)
{
    MakeFolder("C:\\SRC\\A");
    m_options.TestArchive = true;
    Fake().results = {0, ARC_ERROR_TEST_FAILED};
    Fake().output = "failed test-failed A.LZH\n";
    EXPECT_EQ(qb::engine::PackFolder("C:\\SRC\\A", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::NotPacked);
    ASSERT_EQ(Fake().calls.size(), 2u);
    for (const FakeCall& call : Fake().calls)
        EXPECT_NE(call.command.find(" -test "), std::string::npos) << call.command;
    EXPECT_EQ(host.history.back(), R("作成した圧縮ファイルのテストで異常が見つかりました（A."
                                     "LZH）。元の圧縮ファイルはそのままです"));
}

TEST_F(RunChecksTest, SyncRebuildsWithoutTheUpdateExtraction)
{
    MakeFolder("C:\\SRC\\A");
    WriteFile("D:\\OUT\\A.LZH.LZH", "old");
    m_options.UpdateDoubleArchives = true;
    m_options.SyncArchive = true;
    EXPECT_EQ(qb::engine::PackFolder("C:\\SRC\\A", "D:\\OUT", RunMode::Double, m_options, host),
              FolderOutcome::Packed);
    ASSERT_EQ(Fake().calls.size(), 2u);
    for (const FakeCall& call : Fake().calls)
        EXPECT_NE(call.command.find(" -sync "), std::string::npos) << call.command;
    EXPECT_EQ(std::find(host.history.begin(), host.history.end(), L(kHistoryExtractingForUpdate)),
              host.history.end());
}

TEST_F(RunChecksTest, BesideTheirFoldersEachArchiveGoesToTheFoldersParent)
{
    m_options.DoublePattern = 1;
    qb::engine::TargetList list;
    list.Append(MakeFolder("C:\\Work\\abc"));
    list.Append(MakeFolder("D:\\Data\\sub\\def"));
    const auto r = qb::engine::PackRun(list, "D:\\OUT", RunMode::Double, m_options, host, 0,
                                       qb::engine::ArchivePlace::BesideFolder);
    EXPECT_EQ(r.packed, 2);
    EXPECT_EQ(host.created, (Lines{"C:\\Work\\ABC.LZH.ZIP", "D:\\Data\\sub\\DEF.LZH.ZIP"}));
    // The stored first stage still goes through the run's folder in TmpDir; nothing through the
    // output folder.
    ASSERT_EQ(Fake().calls.size(), 4u);
    EXPECT_NE(Fake().calls[0].command.find("C:\\TEMP\\"), std::string::npos)
        << Fake().calls[0].command;
    EXPECT_NE(Fake().calls[1].command.find("\"C:\\Work\\ABC.LZH.ZIP\""), std::string::npos)
        << Fake().calls[1].command;
    for (const FakeCall& call : Fake().calls)
        EXPECT_EQ(call.command.find("OUT"), std::string::npos) << call.command;
}

TEST_F(RunChecksTest, BesideTheirFoldersAParentThatCannotBeWrittenFailsOnlyItsFolder)
{
    qb::engine::TargetList list;
    list.Append(MakeFolder("C:\\Locked\\abc"));
    list.Append(MakeFolder("C:\\Work\\def"));
    ::chmod(Host("C:\\Locked").c_str(), 0555);
    if (::access(Host("C:\\Locked").c_str(), W_OK) == 0) {
        ::chmod(Host("C:\\Locked").c_str(), 0755);
        GTEST_SKIP() << "this user writes to any folder (root): the end-to-end test runs it as "
                        "an ordinary user";
    }
    const auto r = qb::engine::PackRun(list, "D:\\OUT", RunMode::Normal, m_options, host, 0,
                                       qb::engine::ArchivePlace::BesideFolder);
    ::chmod(Host("C:\\Locked").c_str(), 0755);
    EXPECT_EQ(r.packed, 1);
    EXPECT_FALSE(r.aborted);
    EXPECT_EQ(host.created, (Lines{"C:\\Work\\DEF.LZH"}));
    const Lines expected = {"[ C:\\Locked\\abc ]", L(kHistoryNotPacked),
                            R("フォルダ C:\\Locked に圧縮ファイルを作成できません（書き込み先が読"
                              "み取り専用か、書き込みが許可されていません）")};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), host.history.begin()));
    EXPECT_EQ(host.history.back(), "全 2 フォルダ中 1 フォルダを圧縮しました");
    ASSERT_EQ(Fake().calls.size(), 1u);
}
