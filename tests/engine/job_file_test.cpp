// Job files: the exact bytes written, the comma reader, the older format, files from Windows in
// CP932, and failures that must leave the list and the file on disk as they were.
#include "support/EngineFixture.h"

#include "common/ProgramMessages.h"

#include <csignal>
#include <filesystem>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace qbtest;
using qb::engine::LoadJobFile;
using qb::engine::SplitJobItems;
using qb::engine::WriteJobFile;
using Lines = std::vector<std::string>;

namespace {

class JobFileTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        MakeFolder("C:\\Data\\abc");
        MakeFolder("C:\\Data\\表");  // 0x95 0x5C in CP932: a backslash as second byte
        panes.list.Append("stale");
    }
    RecordingPanes panes;
};

std::string ToCp932(const std::string& utf8)
{
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    char* o = out.data();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

TEST(JobItems, CommaReaderRules)
{
    EXPECT_EQ(SplitJobItems("a\r\n  b c\r\nd,e\r\n"), (Lines{"a", "b c", "d", "e"}));
    EXPECT_EQ(SplitJobItems("\"x, y\" tail,z\r\n"), (Lines{"x, y", "z"}));
    EXPECT_EQ(SplitJobItems("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitJobItems("a,\r\nb\n"), (Lines{"a", "", "b"}));
    EXPECT_TRUE(SplitJobItems("").empty());
}

TEST_F(JobFileTest, WrittenBytesAndRoundTrip)
{
    panes.inDir = "C:\\Data";
    panes.outDir = "D:\\OUT";
    panes.list.Clear();
    panes.list.Append("C:\\Data\\abc");
    panes.list.Append("C:\\Data\\表");
    ASSERT_TRUE(WriteJobFile("C:\\JOB.QBJ", panes, panes));
    EXPECT_EQ(ReadFile("C:\\JOB.QBJ"),
              "Quillbox2 QBJ "
              "FILE\r\nINDIR=C:\\Data\r\nOUTDIR=D:\\OUT\r\nC:\\Data\\abc\r\nC:\\Data\\表\r\n");

    RecordingPanes other;
    other.list.Append("stale");
    EXPECT_TRUE(LoadJobFile("C:\\JOB.QBJ", other, other));
    EXPECT_EQ(other.inDir, "C:\\Data");
    EXPECT_EQ(other.outDir, "D:\\OUT");
    EXPECT_EQ(other.list.Items(), (Lines{"C:\\Data\\abc", "C:\\Data\\表"}));
    EXPECT_TRUE(other.messages.empty());
}

TEST_F(JobFileTest, EmptyTargetListGivesThreeLinesAndEmptiesOnOpen)
{
    panes.list.Clear();
    ASSERT_TRUE(WriteJobFile("C:\\EMPTY.QBJ", panes, panes));
    EXPECT_EQ(ReadFile("C:\\EMPTY.QBJ"), "Quillbox2 QBJ FILE\r\nINDIR=C:\\\r\nOUTDIR=D:\\\r\n");
    RecordingPanes other;
    other.list.Append("stale");
    EXPECT_TRUE(LoadJobFile("C:\\EMPTY.QBJ", other, other));
    EXPECT_EQ(other.list.Count(), 0);
}

TEST_F(JobFileTest, OlderFormatSetsOnlyTheOutputFolder)
{
    WriteFile("C:\\OLD.QBJ", "D:\\OUT\r\nC:\\Data\\abc\r\n\r\nC:\\Data\\missing\r\n");
    panes.inDir = "C:\\KEEP";
    EXPECT_TRUE(LoadJobFile("C:\\OLD.QBJ", panes, panes));
    EXPECT_EQ(panes.outDir, "D:\\OUT");
    EXPECT_EQ(panes.inDir, "C:\\KEEP");
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\Data\\abc"}));
}

TEST_F(JobFileTest, MalformedFilesFailWithMessage202AndKeepTheList)
{
    const std::string header = "Quillbox2 QBJ FILE\r\n";
    WriteFile("C:\\LOWER.QBJ", header + "indir=C:\\Data\r\nOUTDIR=D:\\OUT\r\nC:\\Data\\abc\r\n");
    WriteFile("C:\\NOOUT.QBJ", header + "INDIR=C:\\Data\r\nC:\\Data\\abc\r\n");
    WriteFile("C:\\EMPTYFILE.QBJ", "");
    for (const char* job :
         {"C:\\LOWER.QBJ", "C:\\NOOUT.QBJ", "C:\\EMPTYFILE.QBJ", "C:\\MISSING.QBJ"})
        EXPECT_FALSE(LoadJobFile(job, panes, panes)) << job;
    EXPECT_EQ(panes.messages, Lines(4, ProgramMessage(kTextJobNotRead)));
    EXPECT_EQ(panes.list.Items(), (Lines{"stale"}));
    EXPECT_EQ(panes.inDir, "C:\\Data");  // the INDIR= line was taken before OUTDIR= was missed
}

TEST_F(JobFileTest, CommaInAPathComesBackAsTwoItems)
{
    MakeFolder("C:\\a,b");
    MakeFolder("C:\\a");
    panes.list.Clear();
    panes.list.Append("C:\\a,b");
    ASSERT_TRUE(WriteJobFile("C:\\COMMA.QBJ", panes, panes));
    RecordingPanes other;
    EXPECT_TRUE(LoadJobFile("C:\\COMMA.QBJ", other, other));
    EXPECT_EQ(other.list.Items(), (Lines{"C:\\a"}));  // "b" is no folder
}

TEST_F(JobFileTest, Cp932FileFromWindowsOpens)
{
    WriteFile(
        "C:\\WIN.QBJ",
        ToCp932("Quillbox2 QBJ FILE\r\nINDIR=C:\\Data\r\nOUTDIR=D:\\OUT\r\nC:\\Data\\表\r\n"));
    ASSERT_NE(ReadFile("C:\\WIN.QBJ").find("\x95\x5C"), std::string::npos);
    EXPECT_TRUE(LoadJobFile("C:\\WIN.QBJ", panes, panes));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\Data\\表"}));
}

TEST_F(JobFileTest, MoreFoldersThanTheListTakesStopAtTheLimit)
{
    std::string text = "Quillbox2 QBJ FILE\r\nINDIR=C:\\\r\nOUTDIR=D:\\OUT\r\n";
    for (int i = 0; i < 1005; ++i) {
        MakeFolder("C:\\MANY\\F" + std::to_string(i));
        text += "C:\\MANY\\F" + std::to_string(i) + "\r\n";
    }
    WriteFile("C:\\MANY.QBJ", text);
    qb::engine::StartReport report;
    EXPECT_TRUE(LoadJobFile("C:\\MANY.QBJ", panes, panes, &report));
    EXPECT_EQ(panes.list.Count(), 1000);
    EXPECT_EQ(panes.list.Item(999), "C:\\MANY\\F999");
    EXPECT_EQ(panes.messages, (Lines{ProgramMessage(kTextTargetListFull)}));
    // The five beyond the limit are named, the one the list refused and the four never read.
    ASSERT_EQ(report.FoldersLeftOut(), 5);
    EXPECT_EQ(report.Entries().front().path, "C:\\MANY\\F1000");
    EXPECT_EQ(report.Entries().back().path, "C:\\MANY\\F1004");
    for (const auto& e : report.Entries())
        EXPECT_EQ(e.why, qb::engine::PathOutcome::ListFull) << e.path;
}

TEST_F(JobFileTest, FoldersNotTakenAndAMissingOutputFolderAreReportedInOrder)
{
    using qb::engine::PathOutcome;
    WriteFile("C:\\Data\\file.txt", "a file");
    WriteFile("C:\\JOB.QBJ", "Quillbox2 QBJ FILE\r\nINDIR=C:\\Data\r\nOUTDIR=D:\\GONE\r\n"
                             "C:\\Data\\abc\r\nC:\\Data\\missing\r\n\r\nC:\\Data\\file.txt\r\n"
                             "Data\\abc\r\n/srv/x\r\n");
    qb::engine::StartReport report;
    EXPECT_TRUE(LoadJobFile("C:\\JOB.QBJ", panes, panes, &report));
    EXPECT_EQ(panes.list.Items(), (Lines{"C:\\Data\\abc"}));
    const auto entries = report.Entries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_TRUE(entries[0].outputFolder);
    EXPECT_EQ(entries[0].path, "D:\\GONE");
    EXPECT_EQ(entries[0].usedFolder, panes.outDir);  // what the pane shows instead
    const std::vector<std::pair<std::string, PathOutcome>> expected = {
        {"C:\\Data\\missing", PathOutcome::Missing},
        {"C:\\Data\\file.txt", PathOutcome::NotFolder},
        {"Data\\abc", PathOutcome::Relative},
        {"/srv/x", PathOutcome::OutsideDrives}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i + 1].path, expected[i].first);
        EXPECT_EQ(entries[i + 1].why, expected[i].second) << expected[i].first;
    }
    // The empty line names nothing; the output folder is no folder to count.
    EXPECT_EQ(report.FoldersLeftOut(), 4);
    const Lines lines = report.HistoryLines();
    ASSERT_EQ(lines.size(), 1u + 4 * 3);
    EXPECT_EQ(lines[0], "圧縮ファイル格納フォルダ D:\\GONE は存在しません。" + panes.outDir +
                            " に作成します");
    EXPECT_EQ(
        Lines(lines.begin() + 1, lines.begin() + 7),
        (Lines{"[ C:\\Data\\missing ]", "　圧縮しません", "　理由：このフォルダは存在しません",
               "[ C:\\Data\\file.txt ]", "　圧縮しません", "　理由：フォルダではありません"}));

    // An output folder that is there, or an empty OUTDIR=, says nothing.
    for (const char* out : {"D:\\OUT", ""}) {
        WriteFile("C:\\OK.QBJ", std::string("Quillbox2 QBJ FILE\r\nINDIR=C:\\Data\r\nOUTDIR=") +
                                    out + "\r\nC:\\Data\\abc\r\n");
        qb::engine::StartReport quiet;
        EXPECT_TRUE(LoadJobFile("C:\\OK.QBJ", panes, panes, &quiet));
        EXPECT_TRUE(quiet.Empty()) << out;
    }
}

TEST_F(JobFileTest, OverwriteIsAskedEveryTimeAndNoKeepsTheFile)
{
    WriteFile("C:\\JOB.QBJ", "original");
    panes.answers = {false};
    EXPECT_FALSE(WriteJobFile("C:\\JOB.QBJ", panes, panes));
    EXPECT_EQ(ReadFile("C:\\JOB.QBJ"), "original");
    panes.answers = {true};
    EXPECT_TRUE(WriteJobFile("C:\\JOB.QBJ", panes, panes));
    EXPECT_EQ(panes.questions, Lines(2, ProgramMessage(kTextOverwriteJob)));
    EXPECT_TRUE(panes.messages.empty());
}

TEST_F(JobFileTest, FailedSaveLeavesTheOldFileWholeAndNoTemporaryFile)
{
    // A file-size limit makes the write fail part-way, as a full disk would (also for root).
    MakeFolder("C:\\JOBS");
    WriteFile("C:\\JOBS\\JOB.QBJ", "original");
    panes.list.Clear();
    for (int i = 0; i < 50; ++i)
        panes.list.Append("C:\\Data\\abc" + std::to_string(i));
    panes.answers = {true};
    struct rlimit old { };
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 64;
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool written = WriteJobFile("C:\\JOBS\\JOB.QBJ", panes, panes);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile("C:\\JOBS\\JOB.QBJ"), "original");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Host("C:\\JOBS")), {}), 1);
    EXPECT_EQ(panes.messages, (Lines{ProgramMessage(kTextJobNotSaved)}));
}

TEST_F(JobFileTest, SavingOverAFolderFails)
{
    MakeFolder("C:\\DIR.QBJ");
    panes.answers = {true};
    EXPECT_FALSE(WriteJobFile("C:\\DIR.QBJ", panes, panes));
    EXPECT_EQ(panes.messages, (Lines{ProgramMessage(kTextJobNotSaved)}));
}

TEST_F(JobFileTest, NamedPipeIsNoJobFileAndDoesNotHang)
{
    ASSERT_EQ(::mkfifo(Host("C:\\PIPE.QBJ").c_str(), 0644), 0);
    EXPECT_FALSE(LoadJobFile("C:\\PIPE.QBJ", panes, panes));
    EXPECT_EQ(panes.messages, (Lines{ProgramMessage(kTextJobNotRead)}));
    EXPECT_EQ(panes.list.Items(), (Lines{"stale"}));
}
