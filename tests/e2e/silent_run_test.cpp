// The real program with the real modules: the silent automatic run in every mode and format,
// start-up's own endings (missing module, /U), the window start when nothing could be packed,
// and double compression run twice over the same archive.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const std::string kAllFinished = "全て終了しました";

class E2ETest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
        MakeSourceTree(box.C("SRC/A"), 1);
        MakeSourceTree(box.C("SRC/B C"), 2);
    }

    // Tests the archive with the independent tools of its format and extracts it into dir.
    void CheckAndExtract(const std::string& archive, const std::string& dir)
    {
        ASSERT_TRUE(fs::exists(archive)) << archive;
        const bool lzh = archive.size() > 4 && archive.substr(archive.size() - 4) == ".LZH";
        if (lzh)
            EXPECT_EQ(Shell("lhasa t " + Quote(archive)), 0) << archive;
        else
            EXPECT_EQ(Shell("unzip -t " + Quote(archive)), 0) << archive;
        EXPECT_EQ(Shell("7zz t " + Quote(archive)), 0) << archive;
        fs::create_directories(dir);
        ASSERT_EQ(Shell("7zz x -y -o" + Quote(dir) + " " + Quote(archive)), 0) << archive;
    }

    // The folder's archive (single or double) holds exactly the files of the source folder.
    void ExpectArchiveHolds(const std::string& archive,
                            const std::map<std::string, std::string>& files)
    {
        const std::string dir = box.Root() + "/x/" + fs::path(archive).filename().string();
        CheckAndExtract(archive, dir);
        const std::string name = fs::path(archive).filename().string();
        const std::size_t dots = std::count(name.begin(), name.end(), '.');
        if (dots == 2) {
            // A double archive holds the one stored archive named without the outer extension.
            const std::string inner = name.substr(0, name.rfind('.'));
            ASSERT_EQ(Tree(dir).size(), 1u) << archive;
            ExpectArchiveHolds(dir + "/" + inner, files);
            return;
        }
        EXPECT_EQ(Tree(dir), files) << archive;
    }

    Sandbox box;
};

struct RunConfig {
    int autoExe;
    int format;
    int pattern;
    const char* ext;
};

class SilentRunTest : public E2ETest, public ::testing::WithParamInterface<RunConfig> { };

// Named by the mode and the archive it makes: Normal_LZH, Stored_ZIP, Double_LZH_ZIP...
std::string RunName(const ::testing::TestParamInfo<RunConfig>& info)
{
    static const char* const kModes[] = {"Normal", "Stored", "Double"};
    std::string name = kModes[info.param.autoExe];
    for (const char* c = info.param.ext; *c; ++c)
        name += *c == '.' ? '_' : *c;
    return name;
}

}  // namespace

TEST_P(SilentRunTest, PacksBothFoldersEndsAndLeavesTheSettingsAlone)
{
    const RunConfig c = GetParam();
    box.WriteSettings({{"Auto", "True"},
                       {"AutoExe", std::to_string(c.autoExe)},
                       {"AshukuExe", std::to_string(c.format)},
                       {"Pattern", std::to_string(c.pattern)},
                       {"Dir_Out", "C:\\OUT"},
                       {"TmpDir", "C:\\TMP\\"}});
    const std::string settings = ReadBytes(box.SettingsFile());

    const RunResult r = box.Run({"C:\\SRC\\A", "C:\\SRC\\B C"});

    ASSERT_FALSE(r.timedOut) << "the silent run did not end by itself";
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(kAllFinished), std::string::npos) << r.out;
    EXPECT_EQ(ReadBytes(box.SettingsFile()), settings);
    ExpectArchiveHolds(box.C("OUT/A") + c.ext, Tree(box.C("SRC/A")));
    ExpectArchiveHolds(box.C("OUT/B C") + c.ext, Tree(box.C("SRC/B C")));
    // Nothing is left in the temporary folder, and nothing else lands in the output folder.
    for (const auto& e : fs::directory_iterator(box.C("TMP")))
        ADD_FAILURE() << "left in the temporary folder: " << e.path();
    EXPECT_EQ(std::distance(fs::directory_iterator(box.C("OUT")), {}), 2);
}

INSTANTIATE_TEST_SUITE_P(EveryModeAndFormat, SilentRunTest,
                         ::testing::Values(RunConfig{0, 0, 0, ".LZH"}, RunConfig{0, 1, 0, ".ZIP"},
                                           RunConfig{1, 0, 0, ".LZH"}, RunConfig{1, 1, 0, ".ZIP"},
                                           RunConfig{2, 0, 0, ".LZH.LZH"},
                                           RunConfig{2, 0, 1, ".LZH.ZIP"},
                                           RunConfig{2, 1, 2, ".ZIP.LZH"},
                                           RunConfig{2, 1, 3, ".ZIP.ZIP"}),
                         RunName);

TEST_F(E2ETest, HostPathArgumentWorksTheSame)
{
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r = box.Run({box.C("SRC/A"), box.C("SRC/B C")});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("[ C:\\SRC\\B C ]"), std::string::npos) << r.out;
    ExpectArchiveHolds(box.C("OUT/A.LZH"), Tree(box.C("SRC/A")));
    ExpectArchiveHolds(box.C("OUT/B C.LZH"), Tree(box.C("SRC/B C")));
}

TEST_F(E2ETest, SomeFoldersNotPackedGivesStatusOne)
{
    fs::create_directories(box.C("OUT/INNER"));
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT\\INNER"}});
    // C:\OUT holds the output folder, so it is refused (with its message on standard error).
    const RunResult r = box.Run({"C:\\SRC\\A", "C:\\OUT"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("圧縮フォルダが圧縮ファイルフォルダを含んでいます"), std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::exists(box.C("OUT/INNER/A.LZH")));
}

TEST_F(E2ETest, AFolderThatIsNotThereIsNamedAndGivesStatusOne)
{
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    // A folder missing in the middle, and a host folder that no drive covers.
    const RunResult r = box.Run({"C:\\SRC\\A", "C:\\NOPE", "/proc/self", "C:\\SRC\\B C"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("C:\\NOPE"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("/proc/self"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(box.C("OUT/A.LZH")));
    EXPECT_TRUE(fs::exists(box.C("OUT/B C.LZH")));

    // Every folder there and packed: status 0 and nothing on standard error about left-out ones.
    const RunResult ok = box.Run({"C:\\SRC\\A", "c:\\src\\b c"});
    ASSERT_FALSE(ok.timedOut);
    EXPECT_EQ(ok.status, 0) << ok.out << ok.err;
    EXPECT_EQ(ok.err.find("left out"), std::string::npos) << ok.err;
}

TEST_F(E2ETest, MissingFoldersDoNotEndTheProgram)
{
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    const std::string settings = ReadBytes(box.SettingsFile());
    const int pid = box.Start({"C:\\NOPE", "C:\\SRC\\MISSING"});
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    int status = 0;
    const bool stillRunning = ::waitpid(pid, &status, WNOHANG) == 0;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(stillRunning) << "the program ended instead of showing its window";
    EXPECT_EQ(std::distance(fs::directory_iterator(box.C("OUT")), {}), 0);
}

TEST_F(E2ETest, MissingLzhModuleGivesMessage205AndEnds)
{
    box.RemoveModule("UNLHA32.DLL");
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r = box.Run({"C:\\SRC\\A"}, {}, 30);
    ASSERT_FALSE(r.timedOut);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("UNLHA32.DLLが無いか異常です。実行できません。"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(box.C("OUT/A.LZH")));
}

TEST_F(E2ETest, UninstallRemovesTheSectionOnlyOnYes)
{
    const std::string text = "[Other]\nKeep=1\n[Quillbox2]\nAuto=True\nDir_Out=C:\\OUT\n";
    WriteBytes(box.SettingsFile(), text);

    RunResult r = box.Run({"/u"}, {{"QUILLBOX2_TEST_ANSWERS", "no"}}, 30);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("で使用したレジストリを全て削除します"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(box.SettingsFile()), text);

    r = box.Run({"/U"}, {{"QUILLBOX2_TEST_ANSWERS", "yes"}}, 30);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0);
    const std::string after = ReadBytes(box.SettingsFile());
    EXPECT_EQ(after.find("Quillbox2"), std::string::npos) << after;
    EXPECT_NE(after.find("Keep=1"), std::string::npos) << after;
}

TEST_F(E2ETest, DoubleCompressionTwiceUpdatesAndLosesNothing)
{
    // Sources an hour old, so that the changed file below is clearly newer.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& e : fs::recursive_directory_iterator(box.C("SRC/A")))
        if (e.is_regular_file())
            fs::last_write_time(e.path(), old);
    for (int pattern : {0, 3}) {
        SCOPED_TRACE(pattern);
        fs::remove_all(box.C("OUT"));
        fs::create_directories(box.C("OUT"));
        box.WriteSettings({{"Auto", "True"},
                           {"AutoExe", "2"},
                           {"Pattern", std::to_string(pattern)},
                           {"Double", "True"},
                           {"Dir_Out", "C:\\OUT"},
                           {"TmpDir", "C:\\TMP\\"}});
        auto expected = Tree(box.C("SRC/A"));
        RunResult r = box.Run({"C:\\SRC\\A"});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.out.find("更新のため"), std::string::npos);  // nothing to update yet

        // Between the runs: one file goes, one is new, one changes.
        const std::string gone = box.Root() + "/readme.keep";
        fs::rename(box.C("SRC/A/readme.txt"), gone);
        WriteBytes(box.C("SRC/A/new.txt"), "added later\n");
        WriteBytes(box.C("SRC/A/docs/long.txt"), "changed\n");
        expected["new.txt"] = "added later\n";
        expected["docs/long.txt"] = "changed\n";

        r = box.Run({"C:\\SRC\\A"});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_NE(r.out.find("　更新のため２重圧縮ファイル解凍中です"), std::string::npos) << r.out;
        ExpectArchiveHolds(box.C(pattern == 0 ? "OUT/A.LZH.LZH" : "OUT/A.ZIP.ZIP"), expected);

        // Back as it was for the next pattern.
        fs::remove(box.C("SRC/A/new.txt"));
        fs::rename(gone, box.C("SRC/A/readme.txt"));
        WriteBytes(box.C("SRC/A/docs/long.txt"), expected["docs/long.txt"]);
        MakeSourceTree(box.C("SRC/A"), 1);
        for (const auto& e : fs::recursive_directory_iterator(box.C("SRC/A")))
            if (e.is_regular_file())
                fs::last_write_time(e.path(), old);
    }
}

TEST_F(E2ETest, InterruptCancelsTheArchiveAndEndsAsAborted)
{
    // Large enough that the archiver is still at work when the interrupt arrives.
    std::string big(100u << 20, '\0');
    unsigned state = 12345;
    for (char& c : big) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    WriteBytes(box.C("SRC/BIG/big.bin"), big);
    big.clear();
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\TMP\\"}});

    const int pid = box.Start({"C:\\SRC\\BIG", "C:\\SRC\\A"});
    ASSERT_GT(pid, 0);
    const std::string out = box.Root() + "/stdout.txt";
    for (int i = 0; i < 500 && ReadBytes(out).find("ＬＺＨ圧縮中です") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2) << ReadBytes(out);
    EXPECT_NE(ReadBytes(out).find("中断しました"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(box.C("OUT")), {}), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(box.C("TMP")), {}), 0);
}

TEST_F(E2ETest, JobFileOnTheCommandLinePacksIntoItsOutputFolder)
{
    fs::create_directories(box.C("JOBOUT"));
    WriteBytes(box.C("JOB.QBJ"), "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=C:\\JOBOUT\r\n"
                                 "C:\\SRC\\A\r\nC:\\SRC\\B C\r\n");
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r = box.Run({box.C("JOB.QBJ")});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    ExpectArchiveHolds(box.C("JOBOUT/A.LZH"), Tree(box.C("SRC/A")));
    ExpectArchiveHolds(box.C("JOBOUT/B C.LZH"), Tree(box.C("SRC/B C")));
    EXPECT_EQ(std::distance(fs::directory_iterator(box.C("OUT")), {}), 0);
}

TEST_F(E2ETest, JobFileBeyondTheListLimitPacksTheFirstThousandAndSaysNotAll)
{
    fs::create_directories(box.C("JOBOUT"));
    std::string job = "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=C:\\JOBOUT\r\n";
    for (int i = 0; i < 1001; ++i) {
        const std::string name = "F" + std::to_string(i);
        fs::create_directories(box.C("MANY/" + name));
        WriteBytes(box.C("MANY/" + name + "/x.txt"), name);
        job += "C:\\MANY\\" + name + "\r\n";
    }
    WriteBytes(box.C("JOB.QBJ"), job);
    box.WriteSettings({{"Auto", "True"}, {"AutoExe", "1"}});
    const RunResult r = box.Run({box.C("JOB.QBJ")}, {}, 300);
    ASSERT_FALSE(r.timedOut);
    // The 1001st folder never reached the list: the run is not a full success.
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(box.C("JOBOUT")), {}), 1000);
    EXPECT_FALSE(fs::exists(box.C("JOBOUT/F1000.LZH")));
}

TEST_F(E2ETest, WithoutADisplayTheSilentRunWorksAndTheWindowStartEnds)
{
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    const std::map<std::string, std::string> noDisplay = {
        {"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
    RunResult r = box.Run({"C:\\SRC\\A"}, noDisplay);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(box.C("OUT/A.LZH")));

    // Nothing to pack: the window would be needed, and there is nowhere to show it.
    r = box.Run({"C:\\NOPE"}, noDisplay, 30);
    ASSERT_FALSE(r.timedOut) << "the window start hung without a display";
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
}

#ifdef QB_FAKE_UNLHA32
TEST_F(E2ETest, OldLzhModuleGivesMessage206AndCarriesOn)
{
    box.ReplaceModule("UNLHA32.DLL", QB_FAKE_UNLHA32);
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r = box.Run({"C:\\SRC\\A"}, {{"QB_FAKE_LZH_VERSION", "103"}}, 30);
    ASSERT_FALSE(r.timedOut);
    EXPECT_NE(r.err.find("UNLHA32.DLLのバージョンは１．０４以降をご利用ください。"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("全て終了しました"), std::string::npos);
}
#endif
