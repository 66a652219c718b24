// The real program with the real modules: runs that never mix folders or lose files silently —
// two runs at once in one temporary folder, two targets with one archive name, files the modules
// left out, runs killed half-way, and the reasons and counts a failed run ends with.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const std::string kFailed = "　圧縮できませんでした\n";

class RunSafetyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
    }

    // The files of an archive, extracted by 7-Zip after the format's own tester passed it.
    std::map<std::string, std::string> Extract(const std::string& archive)
    {
        const bool lzh = archive.substr(archive.size() - 4) == ".LZH";
        EXPECT_EQ(Shell((lzh ? "lhasa t " : "unzip -t ") + Quote(archive)), 0) << archive;
        const std::string dir = box.Root() + "/x" + std::to_string(++m_extracted);
        fs::create_directories(dir);
        EXPECT_EQ(Shell("7zz x -y -o" + Quote(dir) + " " + Quote(archive)), 0) << archive;
        return Tree(dir);
    }

    // A double archive's inner stored archive, extracted in turn.
    std::map<std::string, std::string> ExtractDouble(const std::string& archive)
    {
        const auto outer = Extract(archive);
        EXPECT_EQ(outer.size(), 1u) << archive;
        if (outer.size() != 1)
            return {};
        const std::string inner = box.Root() + "/inner" + std::to_string(m_extracted) + "." +
                                  outer.begin()->first.substr(outer.begin()->first.size() - 3);
        WriteBytes(inner, outer.begin()->second);
        return Extract(inner);
    }

    static int Entries(const std::string& folder)
    {
        return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
    }

    Sandbox box;
    int m_extracted = 0;
};

}  // namespace

TEST_F(RunSafetyTest, TwoTargetsWithOneArchiveNameTheSecondFailsWithTheClash)
{
    MakeSourceTree(box.C("WORK/abc"), 1);
    MakeSourceTree(box.C("OLD/abc"), 2);
    MakeSourceTree(box.C("WORK/ABC"), 3);
    MakeSourceTree(box.C("WORK/other"), 4);
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> settings;
        std::vector<std::string> folders;
        std::string archive;  // the file both would be packed into
        std::string formed;  // the name the second folder's archive is given
    };
    const Case cases[] = {
        {"LZH",
         {{"AutoExe", "0"}},
         {"C:\\WORK\\abc", "C:\\OLD\\abc", "C:\\WORK\\other"},
         "ABC.LZH",
         "ABC.LZH"},
        {"ZIP",
         {{"AutoExe", "1"}, {"AshukuExe", "1"}},
         {"C:\\WORK\\abc", "C:\\OLD\\abc", "C:\\WORK\\other"},
         "ABC.ZIP",
         "ABC.ZIP"},
        {"double",
         {{"AutoExe", "2"}, {"Pattern", "1"}},
         {"C:\\WORK\\abc", "C:\\OLD\\abc", "C:\\WORK\\other"},
         "ABC.LZH.ZIP",
         "ABC.LZH.ZIP"},
        {"letter case",
         {{"AutoExe", "0"}},
         {"C:\\WORK\\abc", "C:\\WORK\\ABC", "C:\\WORK\\other"},
         "ABC.LZH",
         "ABC.LZH"},
        // Without upper-casing, abc.LZH is made first, and ABC.LZH would reach it as Windows
        // finds names.
        {"letter case kept",
         {{"AutoExe", "0"}, {"UCase", "False"}},
         {"C:\\WORK\\abc", "C:\\WORK\\ABC", "C:\\WORK\\other"},
         "abc.LZH",
         "ABC.LZH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(box.C("OUT"));
        fs::create_directories(box.C("OUT"));
        auto settings = c.settings;
        settings.insert(settings.end(),
                        {{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\TMP\\"}});
        box.WriteSettings(settings);
        const RunResult r = box.Run(c.folders);
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        const std::string clash = kFailed + "　理由：圧縮ファイル C:\\OUT\\" + c.formed +
                                  " は、この実行で " + c.folders[0] +
                                  " の圧縮ファイルになっています（名前の重複）\n";
        EXPECT_NE(r.out.find("[ " + c.folders[1] + " ]\n" + clash), std::string::npos) << r.out;
        // The run went on with the third folder, and ends by counting.
        EXPECT_NE(r.out.find("[ C:\\WORK\\other ]"), std::string::npos) << r.out;
        EXPECT_TRUE(r.out.size() > 0 && r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1) ==
                                            "全 3 フォルダ中 2 フォルダを圧縮しました\n")
            << r.out;
        const std::string archive = box.C("OUT/" + c.archive);
        const auto files =
            std::string(c.what) == "double" ? ExtractDouble(archive) : Extract(archive);
        std::string first = c.folders[0].substr(3);
        std::replace(first.begin(), first.end(), '\\', '/');
        EXPECT_EQ(files, Tree(box.C(first)));
        EXPECT_EQ(Entries(box.C("OUT")), 2);
        EXPECT_EQ(Entries(box.C("TMP")), 0);
    }
}

TEST_F(RunSafetyTest, TwoDoubleRunsAtOnceInOneTemporaryFolderKeepTheirOwnFolders)
{
    // Large enough that both runs are at work at the same time.
    for (const char* side : {"1", "2"}) {
        std::string big(24u << 20, '\0');
        unsigned state = side[0];
        for (char& ch : big) {
            state = state * 1103515245u + 12345u;
            ch = static_cast<char>(state >> 24);
        }
        WriteBytes(box.C(std::string("SRC") + side + "/PROJ/big.bin"), big);
        WriteBytes(box.C(std::string("SRC") + side + "/PROJ/side.txt"), side);
        fs::create_directories(box.C(std::string("OUT") + side));
        WriteBytes(
            box.Root() + "/config" + side + "/Brambleworks.ini",
            std::string("[Quillbox2]\nAuto=True\nAutoExe=2\nTmpDir=C:\\TMP\\\nDir_Out=C:\\OUT") +
                side + "\n");
    }
    const int a =
        box.StartTagged("1", {"C:\\SRC1\\PROJ"}, {{"XDG_CONFIG_HOME", box.Root() + "/config1"}});
    const int b =
        box.StartTagged("2", {"C:\\SRC2\\PROJ"}, {{"XDG_CONFIG_HOME", box.Root() + "/config2"}});
    const RunResult ra = box.Wait(a, "1", 300);
    const RunResult rb = box.Wait(b, "2", 300);
    EXPECT_EQ(ra.status, 0) << ra.out << ra.err;
    EXPECT_EQ(rb.status, 0) << rb.out << rb.err;
    // Compared as a whole: a diff of 24 MiB files would be of no help.
    EXPECT_TRUE(ExtractDouble(box.C("OUT1/PROJ.LZH.LZH")) == Tree(box.C("SRC1/PROJ")));
    EXPECT_TRUE(ExtractDouble(box.C("OUT2/PROJ.LZH.LZH")) == Tree(box.C("SRC2/PROJ")));
    EXPECT_EQ(Entries(box.C("TMP")), 0);
}

TEST_F(RunSafetyTest, KilledRunsLeaveNothingTheNextRunKeepsAndTheOldArchiveStaysWhole)
{
    auto randomFile = [&](unsigned seed) {
        std::string big(48u << 20, '\0');
        unsigned state = seed;
        for (char& ch : big) {
            state = state * 1103515245u + 12345u;
            ch = static_cast<char>(state >> 24);
        }
        WriteBytes(box.C("SRC/PROJ/big.bin"), big);
    };
    randomFile(7);
    MakeSourceTree(box.C("SRC/PROJ/tree"), 5);
    for (const int mode : {0, 2}) {
        SCOPED_TRACE(mode);
        fs::remove_all(box.C("OUT"));
        fs::create_directories(box.C("OUT"));
        box.WriteSettings({{"Auto", "True"},
                           {"AutoExe", std::to_string(mode)},
                           {"Dir_Out", "C:\\OUT"},
                           {"TmpDir", "C:\\TMP\\"}});
        const std::string archive = box.C(mode == 0 ? "OUT/PROJ.LZH" : "OUT/PROJ.LZH.LZH");
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(box.Run({"C:\\SRC\\PROJ"}).status, 0);
        // The killed runs do the same work: their points are parts of this run's time, so that
        // they fall early, in the middle and late on a fast machine and on a busy one alike.
        const auto full = std::chrono::steady_clock::now() - start;
        std::string old = ReadBytes(archive);
        // A change the killed runs have to pack again in full.
        randomFile(8 + mode);
        int killedAtWork = 0;
        for (const int percent : {10, 40, 80}) {
            const int pid = box.StartTagged("k", {"C:\\SRC\\PROJ"});
            ASSERT_GT(pid, 0);  // never kill(-1)
            std::this_thread::sleep_for(full * percent / 100);
            int status = 0;
            const bool running = ::waitpid(pid, &status, WNOHANG) == 0;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            const std::string now = ReadBytes(archive);
            if (!running || now != old) {
                // It put its archive in place before it died (a run still lives for a few
                // milliseconds after that): the archive is then the new one, and whole.
                const auto files = mode == 0 ? Extract(archive) : ExtractDouble(archive);
                EXPECT_TRUE(files == Tree(box.C("SRC/PROJ")))
                    << "the archive changed under a run killed at " << percent << "%";
                old = now;
                continue;
            }
            ++killedAtWork;
        }
        EXPECT_GT(killedAtWork, 0);
        // The next run finishes the job and nothing of the killed ones stays behind.
        const RunResult r = box.Run({"C:\\SRC\\PROJ"});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(Entries(box.C("TMP")), 0);
        EXPECT_EQ(Entries(box.C("OUT")), 1);
        const auto files = mode == 0 ? Extract(archive) : ExtractDouble(archive);
        EXPECT_TRUE(files == Tree(box.C("SRC/PROJ")));
    }
}

TEST_F(RunSafetyTest, FilesLeftOutAreNamedWithTheirReasonAndTheFolderFails)
{
    MakeSourceTree(box.C("SRC/PROJ"), 1);
    WriteBytes(box.C("SRC/PROJ/a\\b.txt"), "a backslash in the name\n");
    WriteBytes(box.C("SECRET/key.txt"), "outside the folder\n");
    fs::create_directory_symlink(box.C("SECRET"), box.C("SRC/PROJ/outside"));
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r = box.Run({"C:\\SRC\\PROJ"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("　圧縮されなかったファイル：a\\x5Cb.txt（名前に \\ が含まれています）\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(
        r.out.find(
            "　圧縮されなかったファイル：outside（フォルダの外を指すシンボリックリンクです）\n"),
        std::string::npos)
        << r.out;
    EXPECT_NE(
        r.out.find(
            kFailed +
            "　理由：圧縮されなかったファイルが 2 個あります（圧縮ファイルは作成済みです）\n"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("全 1 フォルダ中 0 フォルダを圧縮しました\n"), std::string::npos) << r.out;
    // The archive that was written stays, with everything else in it.
    auto expected = Tree(box.C("SRC/PROJ"));
    expected.erase("a\\b.txt");
    expected.erase("outside/key.txt");
    EXPECT_EQ(Extract(box.C("OUT/PROJ.LZH")), expected);
}

TEST_F(RunSafetyTest, ANameThatIsNotUtf8IsStoredAsItsBytesAndSaidSo)
{
    MakeSourceTree(box.C("SRC/PROJ"), 1);
    WriteBytes(box.C("SRC/PROJ/caf\xE9.txt"), "latin-1 name\n");
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r = box.Run({"C:\\SRC\\PROJ"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("　UTF-8 でない名前をそのまま格納しました：caf\\xE9.txt\n"),
              std::string::npos)
        << r.out;
    // In the archive, under its bytes (lhasa shows the byte it cannot print as '?').
    EXPECT_EQ(Shell("lhasa t " + Quote(box.C("OUT/PROJ.LZH"))), 0);
    EXPECT_EQ(Shell("lhasa l " + Quote(box.C("OUT/PROJ.LZH")) + " | grep -q 'caf.\\.txt'"), 0);
}

TEST_F(RunSafetyTest, AFailureSaysWhyAndTheRunEndsWithTheCount)
{
    MakeSourceTree(box.C("SRC/A"), 1);
    MakeSourceTree(box.C("SRC/B"), 2);
    MakeSourceTree(box.C("SRC/C"), 3);
    // B's archive is there but damaged: the update cannot read it and leaves it alone.
    WriteBytes(box.C("OUT/B.LZH"), std::string(300, 'x'));
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r = box.Run({"C:\\SRC\\A", "C:\\SRC\\B", "C:\\SRC\\C"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("[ C:\\SRC\\B ]\n　ＬＺＨ圧縮中です\n" + kFailed +
                         "　理由：既存の圧縮ファイル "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("が壊れています（元のまま残しました）\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("全て終了しました\n全 3 フォルダ中 2 フォルダを圧縮しました\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(ReadBytes(box.C("OUT/B.LZH")), std::string(300, 'x'));

    // All packed: no count.
    const RunResult ok = box.Run({"C:\\SRC\\A", "C:\\SRC\\C"});
    EXPECT_EQ(ok.status, 0) << ok.out;
    EXPECT_EQ(ok.out.find("フォルダを圧縮しました"), std::string::npos) << ok.out;
}

TEST_F(RunSafetyTest, SettingsOutsideTheButtonsAreUsedAsTheyAreStored)
{
    MakeSourceTree(box.C("SRC/A"), 1);
    struct Case {
        std::vector<std::pair<std::string, std::string>> settings;
        const char* archive;
    };
    // A pattern outside 0..3 gives ZIP for both stages; a format other than 0 gives ZIP.
    const Case cases[] = {{{{"AutoExe", "2"}, {"Pattern", "7"}}, "A.ZIP.ZIP"},
                          {{{"AutoExe", "2"}, {"Pattern", "-7"}}, "A.ZIP.ZIP"},
                          {{{"AutoExe", "0"}, {"AshukuExe", "2"}}, "A.ZIP"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        fs::remove_all(box.C("OUT"));
        fs::create_directories(box.C("OUT"));
        auto settings = c.settings;
        settings.insert(settings.end(),
                        {{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}, {"TmpDir", "C:\\TMP\\"}});
        box.WriteSettings(settings);
        const RunResult r = box.Run({"C:\\SRC\\A"});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        const std::string archive = box.C(std::string("OUT/") + c.archive);
        EXPECT_EQ(std::string(c.archive).size() > 6 ? ExtractDouble(archive) : Extract(archive),
                  Tree(box.C("SRC/A")));
    }
    // A mode outside the three runs nothing and says so.
    fs::remove_all(box.C("OUT"));
    fs::create_directories(box.C("OUT"));
    box.WriteSettings({{"Auto", "True"}, {"AutoExe", "7"}, {"Dir_Out", "C:\\OUT"}});
    const std::string settings = ReadBytes(box.SettingsFile());
    const RunResult r = box.Run({"C:\\SRC\\A"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(
        r.out.find(kFailed +
                   "　理由：圧縮方法 7 は通常圧縮・非圧縮圧縮・２重圧縮のどれでもありません\n"),
        std::string::npos)
        << r.out;
    EXPECT_EQ(Entries(box.C("OUT")), 0);
    EXPECT_EQ(ReadBytes(box.SettingsFile()), settings);
}

TEST_F(RunSafetyTest, UpdateExtractionTakesOnlyTheExpectedMember)
{
    MakeSourceTree(box.C("SRC/PROJ"), 1);
    // An outer archive whose only member lies in a folder: tmp/PROJ.LZH.
    fs::create_directories(box.C("OUT"));
    WriteBytes(box.Root() + "/craft/tmp/PROJ.LZH", "not the stored archive of this folder\n");
    ASSERT_EQ(Shell("cd " + Quote(box.Root() + "/craft") + " && jlha a " +
                    Quote(box.C("OUT/PROJ.LZH.LZH")) + " tmp/PROJ.LZH"),
              0);
    box.WriteSettings({{"Auto", "True"},
                       {"AutoExe", "2"},
                       {"Double", "True"},
                       {"Dir_Out", "C:\\OUT"},
                       {"TmpDir", "C:\\TMP\\"}});
    const RunResult r = box.Run({"C:\\SRC\\PROJ"});
    EXPECT_NE(r.out.find("　更新のため２重圧縮ファイル解凍中です"), std::string::npos) << r.out;
    EXPECT_EQ(Entries(box.C("TMP")), 0);
    EXPECT_FALSE(fs::exists(box.C("TMP/tmp")));
}

// Writes gigabytes: run with QB_BIG_TESTS=1. A sparse file just over 4 GiB, packed by the real
// LZH module in stored mode (the quickest): the archive holds it whole (bsdtar reads the 64-bit
// size header and gives back the same bytes), and the history says that many LZH readers
// cannot read it.
TEST_F(RunSafetyTest, AnLzhMemberOver4GiBIsPackedWholeAndTheHistorySaysSo)
{
    const char* big = std::getenv("QB_BIG_TESTS");
    if (!big || std::string(big) != "1")
        GTEST_SKIP() << "set QB_BIG_TESTS=1 to pack a file over 4 GiB";
    const std::string huge = box.C("SRC/PROJ/huge.img");
    WriteBytes(box.C("SRC/PROJ/small.txt"), "small\n");
    WriteBytes(huge, "head");
    const long long size = (4LL << 30) + (100LL << 20);  // 4.1 GiB
    {
        std::fstream f(huge, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(size - 4);
        f << "tail";
    }
    ASSERT_EQ(static_cast<long long>(fs::file_size(huge)), size);
    box.WriteSettings({{"Auto", "True"}, {"AutoExe", "1"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r = box.Run({"C:\\SRC\\PROJ"}, {}, 1800);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(
        r.out.find("　4GiB を超えるファイル huge.img があります。多くの LZH 解凍ソフト（lhasa、"
                   "7-Zip など）はこの圧縮ファイルを読めません（ZIP なら読めます）\n"),
        std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("small.txt があります"), std::string::npos) << r.out;
    const std::string archive = Quote(box.C("OUT/PROJ.LZH"));
    EXPECT_EQ(Shell("bsdtar -xOf " + archive + " huge.img | cmp -s - " + Quote(huge)), 0);
    EXPECT_EQ(Shell("bsdtar -xOf " + archive + " small.txt | cmp -s - " +
                    Quote(box.C("SRC/PROJ/small.txt"))),
              0);
}

// A rebuild (SyncArchive) of a folder with a file that is there but cannot be read keeps that
// file's old copy in the archive: the only stored copy is not thrown away. The history names
// it as not updated, and the folder counts as not fully packed. A file that is gone goes.
TEST_F(RunSafetyTest, ASyncKeepsTheOldCopyOfAFileThatCannotBeRead)
{
    MakeSourceTree(box.C("SRC/PROJ"), 3);
    WriteBytes(box.C("SRC/PROJ/secret.txt"), "the only stored copy\n");
    WriteBytes(box.C("SRC/PROJ/gone.txt"), "soon gone\n");
    if (!box.RunAsOrdinaryUser())
        GTEST_SKIP() << "root reads every file, and no ordinary user to run as";
    struct Case {
        const char* format;
        std::vector<std::pair<std::string, std::string>> settings;
        const char* archive;
    };
    const Case cases[] = {{"LZH", {{"AutoExe", "0"}}, "OUT/PROJ.LZH"},
                          {"ZIP", {{"AutoExe", "0"}, {"AshukuExe", "1"}}, "OUT/PROJ.ZIP"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        fs::permissions(box.C("SRC/PROJ/secret.txt"),
                        fs::perms::owner_read | fs::perms::owner_write);
        WriteBytes(box.C("SRC/PROJ/gone.txt"), "soon gone\n");
        auto settings = c.settings;
        settings.insert(settings.end(), {{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
        box.WriteSettings(settings);
        ASSERT_EQ(box.Run({"C:\\SRC\\PROJ"}).status, 0);
        fs::remove(box.C("SRC/PROJ/gone.txt"));
        fs::permissions(box.C("SRC/PROJ/secret.txt"), fs::perms::none);
        settings.push_back({"SyncArchive", "True"});
        box.WriteSettings(settings);
        const RunResult r = box.Run({"C:\\SRC\\PROJ"});
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_NE(
            r.out.find("　更新されなかったファイル：secret.txt（読み込みが許可されていません。"
                       "前の内容のまま残しました）\n" +
                       kFailed +
                       "　理由：更新されなかったファイルが 1 個あります（前の内容のまま"
                       "圧縮ファイルに残しました）\n"),
            std::string::npos)
            << r.out;
        EXPECT_EQ(r.out.find("圧縮されなかったファイル"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("全 1 フォルダ中 0 フォルダを圧縮しました\n"), std::string::npos)
            << r.out;
        fs::permissions(box.C("SRC/PROJ/secret.txt"), fs::perms::owner_read);
        auto files = Extract(box.C(c.archive));
        EXPECT_EQ(files.count("gone.txt"), 0u);
        EXPECT_EQ(files, Tree(box.C("SRC/PROJ")));
        EXPECT_EQ(files["secret.txt"], "the only stored copy\n");
        fs::remove(box.C(c.archive));
    }
}

// An update of a double archive first unpacks the stored archive from the final one. A run
// killed while it writes that file leaves its temporary file; the next run leaves nothing.
TEST_F(RunSafetyTest, ARunKilledWhileItUnpacksForAnUpdateLeavesNothingTheNextRunKeeps)
{
    std::string text(64u << 20, ' ');
    unsigned state = 11;
    for (char& ch : text) {
        state = state * 1103515245u + 12345u;
        ch = static_cast<char>('a' + (state >> 24) % 8);  // packs well, unpacks for a while
    }
    WriteBytes(box.C("SRC/PROJ/text.txt"), text);
    MakeSourceTree(box.C("SRC/PROJ/tree"), 6);
    box.WriteSettings({{"Auto", "True"},
                       {"AutoExe", "2"},
                       {"Double", "True"},
                       {"Dir_Out", "C:\\OUT"},
                       {"TmpDir", "C:\\TMP\\"}});
    ASSERT_EQ(box.Run({"C:\\SRC\\PROJ"}).status, 0);
    const std::string archive = box.C("OUT/PROJ.LZH.LZH");
    std::string old = ReadBytes(archive);
    WriteBytes(box.C("SRC/PROJ/new.txt"), "a change to pack\n");

    // The stored archive's file in the run's folder while it is written: unnamed, open in the
    // program (or, where unnamed files are refused, under a temporary name).
    const std::string tmpFolder = fs::canonical(box.C("TMP")).string() + "/";
    auto unpacking = [&](int pid) -> std::string {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
            const std::string link = fs::read_symlink(fd.path(), ec).string();
            if (!ec && link.rfind(tmpFolder, 0) == 0 && link.find("/#") != std::string::npos &&
                link.find(" (deleted)") != std::string::npos)
                return link;
        }
        for (const auto& run : fs::directory_iterator(box.C("TMP"), ec)) {
            bool stored = fs::exists(run.path() / "PROJ.LZH", ec);
            for (const auto& e : fs::directory_iterator(run.path(), ec)) {
                const std::string name = e.path().filename().string();
                if (!stored && name.rfind(".PROJ.LZH.", 0) == 0 && name.size() > 6 &&
                    name.substr(name.size() - 6) == ".qbtmp")
                    return e.path().string();
            }
        }
        return {};
    };
    bool killedUnpacking = false;
    for (int attempt = 0; attempt < 5 && !killedUnpacking; ++attempt) {
        const int pid = box.StartTagged("k", {"C:\\SRC\\PROJ"});
        ASSERT_GT(pid, 0);  // never kill(-1)
        std::string temp;
        int status = 0;
        while (temp.empty() && ::waitpid(pid, &status, WNOHANG) == 0)
            temp = unpacking(pid);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        if (temp.empty()) {
            old = ReadBytes(archive);  // it may have finished: that is the archive now
            continue;  // it unpacked before it was seen: again
        }
        killedUnpacking = temp.find(" (deleted)") != std::string::npos || fs::exists(temp);
        EXPECT_TRUE(ReadBytes(archive) == old);
    }
    ASSERT_TRUE(killedUnpacking) << "no run was killed while it unpacked";
    const RunResult r = box.Run({"C:\\SRC\\PROJ"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Entries(box.C("TMP")), 0);
    EXPECT_EQ(Entries(box.C("OUT")), 1);
    EXPECT_TRUE(ExtractDouble(archive) == Tree(box.C("SRC/PROJ")));
}
