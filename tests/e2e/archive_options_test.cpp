// The real program with the real modules: testing each new archive, rebuilding instead of
// updating, and the code of the names, each asked for by its switch for one run. A test that
// fails is provoked by a real fault: a preloaded shim changes one byte of the archive on its way
// to the disk, so the module reads back something other than what it wrote.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const std::string kFailed = "　圧縮できませんでした\n";
const std::string kTestFailed = "　理由：作成した圧縮ファイルのテストで異常が見つかりました（";
const std::string kKept = "）。元の圧縮ファイルはそのままです\n";

// What a shell command prints on standard output.
std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

bool IsLzh(const std::string& archive)
{
    return archive.size() > 4 && archive.substr(archive.size() - 4) == ".LZH";
}

// The independent tester of the archive's format: 0 when it finds the archive sound.
int ToolTest(const std::string& archive)
{
    return Shell((IsLzh(archive) ? "lhasa t " : "unzip -t ") + Quote(archive));
}

class ArchiveOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
        MakeSourceTree(box.C("SRC/A"), 1);
    }

    void Settings(std::vector<std::pair<std::string, std::string>> keys)
    {
        keys.insert(keys.end(),
                    {{"Auto", "False"}, {"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\TMP\\"}});
        box.WriteSettings(keys);
    }

    // Every temporary file of the modules and every run folder left anywhere in the sandbox.
    std::vector<std::string> Leftovers() const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(box.C("")))
            if (entry.path().extension() == ".qbtmp" ||
                entry.path().filename().string().rfind("quillbox2-run.", 0) == 0)
                found.push_back(entry.path().string());
        return found;
    }

    // The one member of a double archive, written out as a file of its own.
    std::string InnerOf(const std::string& archive)
    {
        const std::string dir = box.Root() + "/inner";
        fs::remove_all(dir);
        fs::create_directories(dir);
        EXPECT_EQ(Shell("7zz x -y -o" + Quote(dir) + " " + Quote(archive)), 0) << archive;
        for (const auto& entry : fs::directory_iterator(dir))
            return entry.path().string();
        return "";
    }

    Sandbox box;
};

struct Corruption {
    const char* name;
    std::vector<std::string> switches;
    const char* archive;  // what the run makes in OUT
    const char* corrupted;  // the archive whose byte the disk changes (one of the two stages)
    const char* stage;  // the history line of the stage that fails
};

void PrintTo(const Corruption& c, std::ostream* os)
{
    *os << c.name;
}

class FailedTest : public ArchiveOptionsTest, public ::testing::WithParamInterface<Corruption> { };

}  // namespace

// The old archive is made whole first; then the folder gains a file and the disk changes one
// byte of the new archive. With the test the folder fails with its reason and the old archive
// stays; without it the damaged archive would have replaced the old one, as the tools show.
TEST_P(FailedTest, TheFolderFailsWithItsReasonAndTheOldArchiveStaysByteForByte)
{
    const Corruption& c = GetParam();
    const std::string archive = box.C(std::string("OUT/") + c.archive);
    Settings({{"TestArchive", "False"}});
    auto args = c.switches;
    args.insert(args.end(), {"--silent", "C:\\SRC\\A"});
    RunResult r = box.Run(args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string old = ReadBytes(archive);
    WriteBytes(box.C("SRC/A/new.txt"), "a file the old archive does not hold\n");
    const std::map<std::string, std::string> fault = {
        {"LD_PRELOAD", QB_DISK_FAULTS},
        {"QB_CORRUPT_ARCHIVES", c.corrupted},
        {"QB_CORRUPT_OFFSET", std::to_string(old.size() / 2)}};

    auto tested = args;
    tested.insert(tested.begin(), "--test");
    const std::string settings = ReadBytes(box.SettingsFile());
    r = box.Run(tested, fault);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("[ C:\\SRC\\A ]\n"), std::string::npos) << r.out;
    const std::size_t reason = r.out.find(std::string(c.stage) + "\n" + kFailed + kTestFailed);
    ASSERT_NE(reason, std::string::npos) << r.out;
    EXPECT_NE(r.out.find(kKept, reason), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("全て終了しました\n全 1 フォルダ中 0 フォルダを圧縮しました\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(ReadBytes(archive), old);
    EXPECT_EQ(ToolTest(archive), 0);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    EXPECT_EQ(ReadBytes(box.SettingsFile()), settings);  // --test was for this run only

    // Stored on, switched off for one run: the fault goes through unseen.
    Settings({{"TestArchive", "True"}});
    auto untested = args;
    untested.insert(untested.begin(), "--no-test");
    r = box.Run(untested, fault);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(ReadBytes(archive), old);
    const bool outerStage = std::string(c.corrupted) == c.archive;
    EXPECT_NE(ToolTest(outerStage ? archive : InnerOf(archive)), 0) << "the byte was not changed";
}

INSTANTIATE_TEST_SUITE_P(
    EachFormatAndStage, FailedTest,
    ::testing::Values(Corruption{"Lzh", {}, "A.LZH", "A.LZH", "　ＬＺＨ圧縮中です"},
                      Corruption{
                          "Zip", {"--format", "zip"}, "A.ZIP", "A.ZIP", "　ＺＩＰ圧縮中です"},
                      Corruption{"DoubleFirstStageLzh",
                                 {"--mode", "double", "--pattern", "1"},
                                 "A.LZH.ZIP",
                                 "A.LZH",
                                 "　１重目ＬＺＨ圧縮中（非圧縮）です"},
                      Corruption{"DoubleSecondStageZip",
                                 {"--mode", "double", "--pattern", "1"},
                                 "A.LZH.ZIP",
                                 "A.LZH.ZIP",
                                 "　２重目ＺＩＰ圧縮中です"},
                      Corruption{"DoubleFirstStageZip",
                                 {"--mode", "double", "--pattern", "2"},
                                 "A.ZIP.LZH",
                                 "A.ZIP",
                                 "　１重目ＺＩＰ圧縮中（非圧縮）です"},
                      Corruption{"DoubleSecondStageLzh",
                                 {"--mode", "double", "--pattern", "2"},
                                 "A.ZIP.LZH",
                                 "A.ZIP.LZH",
                                 "　２重目ＬＺＨ圧縮中です"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ArchiveOptionsTest, SyncRebuildsSoThatADeletedFileLeavesTheArchive)
{
    for (const char* format : {"lzh", "zip"}) {
        SCOPED_TRACE(format);
        MakeSourceTree(box.C("SRC/A"), 1);
        const std::string archive = box.C(format == std::string("lzh") ? "OUT/A.LZH" : "OUT/A.ZIP");
        const std::string list = std::string("7zz l -ba ") + Quote(archive);
        Settings({{"SyncArchive", "True"}});
        ASSERT_EQ(box.Run({"--format", format, "C:\\SRC\\A"}).status, 0);
        ASSERT_NE(Output(list).find("readme.txt"), std::string::npos) << Output(list);

        // Stored on, switched off: the update keeps what the folder no longer holds.
        fs::remove(box.C("SRC/A/readme.txt"));
        RunResult r = box.Run({"--no-sync", "--format", format, "C:\\SRC\\A"});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_NE(Output(list).find("readme.txt"), std::string::npos) << Output(list);

        Settings({{"SyncArchive", "False"}});
        r = box.Run({"--sync", "--format", format, "C:\\SRC\\A"});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(ToolTest(archive), 0);
        EXPECT_EQ(Output(list).find("readme.txt"), std::string::npos) << Output(list);
        EXPECT_NE(Output(list).find("random.bin"), std::string::npos) << Output(list);
        EXPECT_EQ(Leftovers(), std::vector<std::string>{});

        // Stored after normal: an update keeps the unchanged members compressed, a rebuild
        // stores every one.
        const bool lzh = format == std::string("lzh");
        // Folder entries (-lhd- in LZH) have no data to pack.
        const std::string methods =
            "7zz l -slt " + Quote(archive) + " | grep '^Method = ' | grep -v -- -lhd-";
        const std::string stored = lzh ? "Method = -lh0-" : "Method = Store";
        ASSERT_EQ(box.Run({"--format", format, "--mode", "stored", "C:\\SRC\\A"}).status, 0);
        EXPECT_NE(Output(methods + " | grep -v -- '" + stored + "'"), "") << Output(methods);
        r = box.Run({"--sync", "--format", format, "--mode", "stored", "C:\\SRC\\A"});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(ToolTest(archive), 0);
        EXPECT_EQ(Output(methods + " | grep -v -- '" + stored + "'"), "") << Output(methods);
        EXPECT_NE(Output(methods), "");
    }
}

// 日本語.txt: its name in CP932 and in UTF-8.
const std::string kNameCp932 = "\x93\xfa\x96\x7b\x8c\xea.txt";
const std::string kNameUtf8 = "日本語.txt";

TEST_F(ArchiveOptionsTest, NameCodeSwitchesChooseTheBytesOfTheNames)
{
    WriteBytes(box.C("SRC/A/" + kNameUtf8), "名前の文字コード\n");
    const std::string lzh = box.C("OUT/A.LZH");
    const std::string zip = box.C("OUT/A.ZIP");
    const std::string bsdtar = "LC_ALL=C.UTF-8 bsdtar -tf ";

    // LZH, stored UTF-8, switched to auto: CP932, and the header says so (bsdtar reads it).
    Settings({{"LzhNameCode", "1"}, {"ZipNameCode", "0"}});
    RunResult r = box.Run({"--lzh-names", "auto", "C:\\SRC\\A"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(ToolTest(lzh), 0);
    std::string bytes = ReadBytes(lzh);
    EXPECT_NE(bytes.find(kNameCp932), std::string::npos);
    EXPECT_EQ(bytes.find(kNameUtf8), std::string::npos);
    EXPECT_NE(Output(bsdtar + Quote(lzh)).find(kNameUtf8 + "\n"), std::string::npos)
        << Output(bsdtar + Quote(lzh));

    // LZH, stored auto, switched to UTF-8: 7-Zip and bsdtar both show the name.
    fs::remove(lzh);
    Settings({{"LzhNameCode", "0"}, {"ZipNameCode", "1"}});
    r = box.Run({"--lzh-names=utf8", "C:\\SRC\\A"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    bytes = ReadBytes(lzh);
    EXPECT_NE(bytes.find(kNameUtf8), std::string::npos);
    EXPECT_EQ(bytes.find(kNameCp932), std::string::npos);
    EXPECT_NE(Output(bsdtar + Quote(lzh)).find(kNameUtf8 + "\n"), std::string::npos);
    EXPECT_NE(Output("LC_ALL=C.UTF-8 7zz l -ba " + Quote(lzh)).find(kNameUtf8), std::string::npos);

    // ZIP, stored CP932, switched to UTF-8: the name in UTF-8 with its flag.
    r = box.Run({"--zip-names", "utf8", "--format", "zip", "C:\\SRC\\A"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(ToolTest(zip), 0);
    bytes = ReadBytes(zip);
    EXPECT_NE(bytes.find(kNameUtf8), std::string::npos);
    EXPECT_EQ(bytes.find(kNameCp932), std::string::npos);
    EXPECT_NE(Output(bsdtar + Quote(zip)).find(kNameUtf8 + "\n"), std::string::npos);

    // ZIP, stored UTF-8, switched to CP932: no flag, so readers must be told the code.
    fs::remove(zip);
    Settings({{"LzhNameCode", "0"}, {"ZipNameCode", "0"}});
    r = box.Run({"--zip-names=cp932", "--format=zip", "C:\\SRC\\A"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(ToolTest(zip), 0);
    bytes = ReadBytes(zip);
    EXPECT_NE(bytes.find(kNameCp932), std::string::npos);
    EXPECT_EQ(bytes.find(kNameUtf8), std::string::npos);
    EXPECT_NE(Output("LC_ALL=C.UTF-8 bsdtar --options hdrcharset=CP932 -tf " + Quote(zip))
                  .find(kNameUtf8 + "\n"),
              std::string::npos);
}
