// The command line in Linux conventions: help and version, bad options, the run options that
// override the stored settings for one run, "--", and the file-manager actions with the very
// commands they run.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
        MakeSourceTree(box.C("SRC/A"), 1);
        fs::create_directories(box.C("OUT2"));
        box.WriteSettings({{"Auto", "False"},
                           {"AshukuExe", "0"},
                           {"Dir_Out", "C:\\OUT"},
                           {"TmpDir", "C:\\TMP\\"}});
    }

    // A notify-send that records its arguments, first on the PATH.
    std::map<std::string, std::string> FakeNotifySend()
    {
        const std::string bin = box.Root() + "/fakebin";
        fs::create_directories(bin);
        WriteBytes(bin + "/notify-send",
                   "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + box.Root() + "/notified'\n");
        fs::permissions(bin + "/notify-send", fs::perms::owner_all);
        return {{"PATH", bin + ":/usr/bin:/bin"}};
    }

    Sandbox box;
};

TEST_F(OptionsTest, HelpAndVersionPrintInTheLocalesLanguageAndExitZero)
{
    RunResult r = box.Run({"--help"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("--format lzh|zip"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("usage: quillbox2"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
    r = box.Run({"--help"}, {{"LANG", "ja_JP.UTF-8"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("使い方: quillbox2"), std::string::npos) << r.out;
    r = box.Run({"--version"}, {{"LC_ALL", "ja_JP.UTF-8"}, {"LANG", "C"}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Quillbox2 ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("圧縮ファイルにします"), std::string::npos) << r.out;
    r = box.Run({"--version"});
    EXPECT_NE(r.out.find("Packs many folders"), std::string::npos) << r.out;
    // The short forms print the same, even after folders.
    const std::string version = r.out;
    r = box.Run({"C:\\SRC\\A", "-V"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, version);
    r = box.Run({"-h"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, box.Run({"--help"}).out);
    EXPECT_FALSE(fs::exists(box.C("OUT/A.LZH")));
}

TEST_F(OptionsTest, ABadOptionGivesAMessageTheUsageAndItsOwnStatus)
{
    const std::vector<std::vector<std::string>> bad = {{"--frobnicate", "C:\\SRC\\A"},
                                                       {"--format", "rar", "C:\\SRC\\A"},
                                                       {"--pattern", "4", "C:\\SRC\\A"},
                                                       {"--mode=fast", "C:\\SRC\\A"},
                                                       {"C:\\SRC\\A", "--out"},
                                                       {"--silent=yes", "C:\\SRC\\A"},
                                                       {"--out", box.C("NOPE"), "C:\\SRC\\A"},
                                                       {"-x", "C:\\SRC\\A"},
                                                       {"C:\\SRC\\A", "-platform", "offscreen"},
                                                       {"-", "C:\\SRC\\A"}};
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const RunResult r = box.Run(args);
        EXPECT_EQ(r.status, 64) << r.out << r.err;
        EXPECT_NE(r.err.find("quillbox2: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("usage: quillbox2 [OPTION]..."), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(box.C("OUT/A.LZH")));
}

TEST_F(OptionsTest, RunOptionsPackSilentlyAndAreNotSaved)
{
    const std::string settings = ReadBytes(box.SettingsFile());
    RunResult r = box.Run({"--format", "zip", "--out", box.C("OUT2"), "C:\\SRC\\A"});
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_TRUE(fs::exists(box.C("OUT2/A.ZIP")));
    EXPECT_EQ(Shell("unzip -t " + Quote(box.C("OUT2/A.ZIP"))), 0);

    r = box.Run({"--mode=double", "--pattern=3", "--out=C:\\OUT2", "--", box.C("SRC/A")});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Shell("7zz t " + Quote(box.C("OUT2/A.ZIP.ZIP"))), 0);

    r = box.Run({"--silent", "--mode", "stored", "C:\\SRC\\A"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Shell("lhasa t " + Quote(box.C("OUT/A.LZH"))), 0);
    EXPECT_EQ(ReadBytes(box.SettingsFile()), settings);
}

TEST_F(OptionsTest, DoubleDashEndsTheOptionsAndASilentRunWithNothingToPackShowsNoWindow)
{
    // "--help" after "--" is a folder name (that does not exist), not the option.
    const RunResult r = box.Run({"--silent", "--", "--help"});
    ASSERT_FALSE(r.timedOut) << "a silent run must never wait in a window";
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.out.find("usage"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("no folder to pack"), std::string::npos) << r.err;

    // What follows "--" is never read by Qt either: "-platform" there is a (relative, so
    // unusable) folder name, not Qt's switch that would take the next folder as its plugin.
    const RunResult qt = box.Run({"--silent", "--", "-platform", box.C("SRC/A")});
    ASSERT_FALSE(qt.timedOut);
    EXPECT_TRUE(qt.status == 0 || qt.status == 1) << qt.status << qt.out << qt.err;
    EXPECT_TRUE(fs::exists(box.C("OUT/A.LZH"))) << qt.out << qt.err;
}

TEST_F(OptionsTest, TheNemoAndDolphinCommandNotifiesWhenAllWerePackedAndShowsTheHistoryOtherwise)
{
    // The command line of the installed action, with the program and the selection filled in.
    std::string exec;
    std::ifstream action(QB_FM_DIR "/quillbox2-pack-zip.nemo_action");
    for (std::string line; std::getline(action, line);)
        if (line.rfind("Exec=", 0) == 0)
            exec = line.substr(5);
    ASSERT_EQ(exec, "quillbox2 --silent --notify --format zip -- %F");
    std::vector<std::string> args = {"--silent", "--notify", "--format", "zip", "--"};

    const auto env = FakeNotifySend();
    args.push_back(box.C("SRC/A"));
    RunResult r = box.Run(args, env);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Shell("unzip -t " + Quote(box.C("SRC/A.ZIP"))), 0);
    const std::string notified = ReadBytes(box.Root() + "/notified");
    EXPECT_NE(notified.find("Quillbox2\n全て終了しました\n保存先：" + box.C("SRC") + "\nA.ZIP"),
              std::string::npos)
        << notified;

    fs::remove(box.Root() + "/notified");
    args.push_back(box.C("SRC/GONE"));
    r = box.Run(args, env);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_FALSE(fs::exists(box.Root() + "/notified")) << "a failed run is not told as a success";
    EXPECT_NE(r.err.find("Quillbox2 history: 全て終了しました"), std::string::npos) << r.err;
}

TEST_F(OptionsTest, FileManagerActionsAreSetUpAndRemovedWithoutTouchingTheUsersOwn)
{
    const std::string uca = box.Root() + "/config/Thunar/uca.xml";
    const std::string mine =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n\t<icon>x</icon>\n"
        "\t<name>Mine</name>\n\t<unique-id>1234-5</unique-id>\n\t<command>true %f</command>\n"
        "</action>\n</actions>\n";
    WriteBytes(uca, mine);
    const std::map<std::string, std::string> env = {{"XDG_DATA_HOME", box.Root() + "/data"}};
    for (int twice = 0; twice < 2; ++twice) {
        const RunResult r = box.Run({"--install-file-manager-actions"}, env);
        ASSERT_EQ(r.status, 0) << r.out << r.err;
    }
    const std::string script =
        box.Root() + "/data/nautilus/scripts/Quillbox2 - pack each folder as ZIP";
    ASSERT_TRUE(fs::exists(script));
    EXPECT_NE(fs::status(script).permissions() & fs::perms::owner_exec, fs::perms::none);
    const std::string edited = ReadBytes(uca);
    EXPECT_NE(edited.find("<unique-id>1234-5</unique-id>"), std::string::npos) << edited;
    EXPECT_EQ(edited.find("quillbox2-pack-zip"), edited.rfind("quillbox2-pack-zip"))
        << "set up twice: " << edited;
    EXPECT_NE(edited.find(std::string(QB_PROGRAM) + " --silent --notify --format lzh -- %F"),
              std::string::npos)
        << edited;
    // Run from the build tree, the program's share folder is nowhere a desktop looks: Dolphin
    // and Nemo get per-user copies.
    EXPECT_TRUE(fs::exists(box.Root() + "/data/kio/servicemenus/quillbox2-pack.desktop"));
    EXPECT_TRUE(fs::exists(box.Root() + "/data/nemo/actions/quillbox2-pack-lzh.nemo_action"));

    // The Nautilus script packs what Nautilus hands it, names with blanks included.
    MakeSourceTree(box.C("SRC/B C"), 2);
    const std::string run =
        "env -i PATH=" + box.Root() + "/fakebin:/usr/bin:/bin HOME=" + box.Root() +
        "/home QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=" + box.Root() +
        "/config QUILLBOX2_DRIVES=C:=" + box.Root() + "/c QUILLBOX2_SYSTEM_DIR=" + box.Root() +
        "/c/SYSTEM NAUTILUS_SCRIPT_SELECTED_FILE_PATHS=" +
        Quote(box.C("SRC/A") + "\n" + box.C("SRC/B C") + "\n") + " " + Quote(script);
    FakeNotifySend();
    EXPECT_EQ(Shell(run), 0);
    EXPECT_EQ(Shell("unzip -t " + Quote(box.C("SRC/B C.ZIP"))), 0);
    EXPECT_TRUE(fs::exists(box.C("SRC/A.ZIP")));

    const RunResult r = box.Run({"--remove-file-manager-actions"}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(uca), mine);
    EXPECT_FALSE(fs::exists(script));
    EXPECT_FALSE(fs::exists(box.Root() + "/data/kio/servicemenus/quillbox2-pack.desktop"));
    EXPECT_FALSE(fs::exists(box.Root() + "/data/nemo/actions/quillbox2-pack-zip.nemo_action"));
}

}  // namespace
