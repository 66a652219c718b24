// The real program with the real modules: what a silent run tells about what it could not do —
// folders named that are not there, a job file's missing output folder, a settings file it could
// not use or change — on standard output (the history), standard error and the notification.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class RunReportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
        MakeSourceTree(box.C("SRC/A"), 1);
        MakeSourceTree(box.C("SRC/B"), 2);
    }

    Sandbox box;
};

}  // namespace

TEST_F(RunReportsTest, JobFileFoldersThatAreNotThereAreNamedAndGiveStatusOne)
{
    WriteBytes(box.C("SRC/FILE.TXT"), "a file, not a folder\n");
    WriteBytes(box.C("JOB.QBJ"),
               "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=C:\\OUT\r\n"
               "C:\\SRC\\A\r\nC:\\SRC\\GONE\r\nC:\\SRC\\FILE.TXT\r\n\r\nC:\\SRC\\B\r\n");
    box.WriteSettings({{"Auto", "True"}});
    const RunResult r = box.Run({box.C("JOB.QBJ")});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("left out: C:\\SRC\\GONE (no such folder)\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("left out: C:\\SRC\\FILE.TXT (not a folder)\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("left out:  ("), std::string::npos)
        << "an empty line is no folder: " << r.err;
    // The history says it too, before the run, and counts them at its end.
    EXPECT_EQ(r.out.rfind("[ C:\\SRC\\GONE ]\n　圧縮しません\n　理由：このフォルダは存在しません\n"
                          "[ C:\\SRC\\FILE.TXT ]\n　圧縮しません\n　理由：フォルダではありません\n"
                          "[ C:\\SRC\\A ]\n",
                          0),
              0u)
        << r.out;
    EXPECT_TRUE(EndsWith(r.out, "全て終了しました\n全 4 フォルダ中 2 フォルダを圧縮しました\n"))
        << r.out;
    EXPECT_TRUE(fs::exists(box.C("OUT/A.LZH")));
    EXPECT_TRUE(fs::exists(box.C("OUT/B.LZH")));

    // The older format (output folder first) is read the same way; all there means status 0.
    WriteBytes(box.C("OLD.QBJ"), "C:\\OUT\r\nC:\\SRC\\A\r\n");
    const RunResult ok = box.Run({box.C("OLD.QBJ")});
    EXPECT_EQ(ok.status, 0) << ok.out << ok.err;
    EXPECT_EQ(ok.err.find("left out"), std::string::npos) << ok.err;
    WriteBytes(box.C("OLD.QBJ"), "C:\\OUT\r\nC:\\SRC\\A\r\nC:\\SRC\\NOPE\r\n");
    const RunResult missing = box.Run({box.C("OLD.QBJ")});
    EXPECT_EQ(missing.status, 1) << missing.out << missing.err;
    EXPECT_NE(missing.err.find("left out: C:\\SRC\\NOPE"), std::string::npos) << missing.err;
}

// Nothing named could be listed: a run asked to be silent still runs, of nothing, so that its
// history names every folder and why; a job file's output folder that is not there is named
// before the archives go where they always went (the working folder).
TEST_F(RunReportsTest, ASilentRunWhoseFoldersAreAllMissingNamesThemAndSaysNoneWasPacked)
{
    const RunResult r = box.Run({"--silent", "C:\\SRC\\GONE", "SRC/A"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.out, "[ C:\\SRC\\GONE ]\n　圧縮しません\n　理由：このフォルダは存在しません\n"
                     "[ SRC/A ]\n　圧縮しません\n　理由：フルパスではありません\n"
                     "全て終了しました\n全 2 フォルダ中 0 フォルダを圧縮しました\n");
    EXPECT_NE(r.err.find("Quillbox2: left out: SRC/A (not a full path)\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Quillbox2: no folder to pack\n"), std::string::npos) << r.err;

    WriteBytes(box.C("JOB.QBJ"), "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=C:\\NOOUT\r\n"
                                 "C:\\SRC\\GONE1\r\nC:\\SRC\\GONE2\r\n");
    const RunResult job = box.Run({"--silent", box.C("JOB.QBJ")});
    EXPECT_EQ(job.status, 1) << job.out << job.err;
    EXPECT_EQ(job.out.find("圧縮ファイル格納フォルダ C:\\NOOUT は存在しません。C:\\ に作成します\n"
                           "[ C:\\SRC\\GONE1 ]\n"),
              0u)
        << job.out;
    EXPECT_TRUE(EndsWith(job.out, "全 2 フォルダ中 0 フォルダを圧縮しました\n")) << job.out;
    EXPECT_NE(job.err.find("left out: C:\\SRC\\GONE2 (no such folder)"), std::string::npos)
        << job.err;

    // With a folder that is there, it is packed where the pane falls back to, as before.
    WriteBytes(box.C("JOB.QBJ"), "Quillbox2 QBJ FILE\r\nINDIR=C:\\SRC\r\nOUTDIR=C:\\NOOUT\r\n"
                                 "C:\\SRC\\A\r\n");
    const RunResult fallback = box.Run({"--silent", box.C("JOB.QBJ")});
    EXPECT_EQ(fallback.status, 0) << fallback.out << fallback.err;
    EXPECT_EQ(
        fallback.out.find("圧縮ファイル格納フォルダ C:\\NOOUT は存在しません。C:\\ に作成します\n"),
        0u)
        << fallback.out;
    EXPECT_NE(fallback.err.find("the job file's output folder C:\\NOOUT does not exist; the "
                                "archives go to C:\\"),
              std::string::npos)
        << fallback.err;
    EXPECT_TRUE(fs::exists(box.C("A.LZH")));
}

// Standard error speaks Japanese under a Japanese locale (LC_ALL, then LC_MESSAGES, then LANG),
// English otherwise; the history is the same in both.
TEST_F(RunReportsTest, StandardErrorFollowsTheLocale)
{
    struct Case {
        std::map<std::string, std::string> env;
        const char* said;
    };
    const Case cases[] = {
        {{{"LANG", "ja_JP.UTF-8"}},
         "Quillbox2: 圧縮しません: C:\\SRC\\GONE（このフォルダは存在しません）"},
        {{{"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "C"}}, "圧縮しません: C:\\SRC\\GONE"},
        {{{"LC_ALL", "C"}, {"LC_MESSAGES", "ja_JP.UTF-8"}},
         "left out: C:\\SRC\\GONE (no such folder)"},
        {{{"LC_ALL", "ja_JP"}, {"LANG", "en_US.UTF-8"}}, "圧縮しません: C:\\SRC\\GONE"},
    };
    for (const Case& c : cases) {
        const RunResult r = box.Run({"--silent", "C:\\SRC\\A", "C:\\SRC\\GONE"}, c.env);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << c.said << "\n" << r.err;
        EXPECT_TRUE(EndsWith(r.out, "全 2 フォルダ中 1 フォルダを圧縮しました\n")) << r.out;
    }
}

// The desktop's run (--notify) shows the history in a window when something was left out; on
// the offscreen platform its lines go to standard error.
TEST_F(RunReportsTest, TheNotificationsHistoryWindowNamesTheFoldersLeftOut)
{
    const RunResult r = box.Run({"--notify", "C:\\SRC\\GONE", "C:\\SRC\\A"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    for (const char* line : {"[ C:\\SRC\\GONE ]", "　理由：このフォルダは存在しません",
                             "全 2 フォルダ中 1 フォルダを圧縮しました"})
        EXPECT_NE(r.err.find(std::string("history: ") + line + "\n"), std::string::npos)
            << line << "\n"
            << r.err;
}

// A read-only configuration folder: the silent run writes no settings and is not disturbed; /U
// cannot delete them and says so on standard error instead of ending as if it had.
TEST_F(RunReportsTest, AReadOnlySettingsFolderIsNamedWhenSettingsCannotBeChanged)
{
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    if (!box.RunAsOrdinaryUser())
        GTEST_SKIP() << "root writes into read-only folders, and no ordinary user to run as";
    const std::string settings = ReadBytes(box.SettingsFile());
    fs::permissions(box.Root() + "/config", fs::perms::owner_read | fs::perms::owner_exec);

    const RunResult run = box.Run({"C:\\SRC\\A"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(fs::exists(box.C("OUT/A.LZH")));
    EXPECT_EQ(run.err.find("settings"), std::string::npos) << run.err;

    const RunResult u = box.Run({"/U"}, {{"QUILLBOX2_TEST_ANSWERS", "yes"}});
    EXPECT_NE(u.err.find("Quillbox2: the settings in " + box.SettingsFile() +
                         " could not be deleted: Permission denied"),
              std::string::npos)
        << u.err;
    EXPECT_EQ(ReadBytes(box.SettingsFile()), settings);
    fs::permissions(box.Root() + "/config", fs::perms::owner_all);
}

TEST_F(RunReportsTest, ASettingsFileThatCannotBeUsedIsNamedOnStandardError)
{
    struct Case {
        const char* what;
        std::string bytes;
        const char* said;
    };
    const Case cases[] = {
        {"no section", "Auto=True\nDir_Out=C:\\OUT\n", "has no [Quillbox2] section"},
        {"zeroed by a crash", std::string(4096, '\0'),
         "holds NUL bytes and no [Quillbox2] section"},
        {"too large", "[Quillbox2]\nAuto=True\n" + std::string(17u << 20, 'x'),
         "is larger than 16 MiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(box.SettingsFile(), c.bytes);
        // Auto is off by default, so nothing is packed: the window start follows, and without a
        // display it ends; the word about the settings file comes first.
        const RunResult r = box.Run({"C:\\SRC\\A"}, {{"QT_QPA_PLATFORM", ""}}, 30);
        ASSERT_FALSE(r.timedOut);
        EXPECT_NE(
            r.err.find("the settings file " + box.SettingsFile() + " was not used: it " + c.said),
            std::string::npos)
            << r.err;
        EXPECT_FALSE(fs::exists(box.C("OUT/A.LZH")));
    }

    // Under a Japanese locale, in Japanese.
    WriteBytes(box.SettingsFile(), "Auto=True\n");
    const RunResult ja =
        box.Run({"C:\\SRC\\A"}, {{"QT_QPA_PLATFORM", ""}, {"LANG", "ja_JP.UTF-8"}}, 30);
    EXPECT_NE(ja.err.find("設定ファイル " + box.SettingsFile() +
                          " は使われませんでした（[Quillbox2] セクションがありません）"),
              std::string::npos)
        << ja.err;

    // A usable file (and no file at all) gives no such word.
    box.WriteSettings({{"Auto", "True"}, {"Dir_Out", "C:\\OUT"}});
    RunResult r = box.Run({"C:\\SRC\\A"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("settings file"), std::string::npos) << r.err;
    fs::remove(box.SettingsFile());
    r = box.Run({"C:\\SRC\\A"}, {{"QT_QPA_PLATFORM", ""}}, 30);
    EXPECT_EQ(r.err.find("settings file"), std::string::npos) << r.err;
}
