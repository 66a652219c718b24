// The file managers' "pack each folder", run as their installed actions run it: every action's
// own command on a real X server, with an output folder stored elsewhere. The archives land
// beside the folders, the user's clipboard stays as it was, no process of the run is left, and
// the notification says where the archives are and opens that folder on request. Also --beside
// for scripts, a parent folder that cannot be written, and the progress window of a long run.
#include "Sandbox.h"
#include "XServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// One installed action: where it was read from and what it runs. command holds %F for the
// selected folders; a Nautilus script is run itself instead (script).
struct Action {
    std::string from;
    std::string command;
    std::string script;
    std::string Format() const
    {
        const std::string text = command.empty() ? ReadBytes(script) : command;
        return text.find("--format zip") != std::string::npos ? "ZIP" : "LZH";
    }
};

std::vector<std::string> LinesStartingWith(const std::string& file, const std::string& key)
{
    std::vector<std::string> found;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0)
            found.push_back(line.substr(key.size()));
    return found;
}

std::string XmlUnescaped(std::string text)
{
    for (const auto& [from, to] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""},
                                   {"&apos;", "'"}, {"&amp;", "&"}})
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + 1))
            text.replace(at, std::string(from).size(), to);
    return text;
}

// The processes whose environment holds entry (NAME=VALUE).
std::vector<std::string> ProcessesWith(const std::string& entry)
{
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator("/proc")) {
        const std::string pid = e.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string environ = ReadBytes("/proc/" + pid + "/environ");
        if (environ.rfind(entry + '\0', 0) == 0 ||
            environ.find('\0' + entry + '\0') != std::string::npos)
            found.push_back(pid + " " + ReadBytes("/proc/" + pid + "/cmdline"));
    }
    return found;
}

template<typename Check>
bool WaitFor(Check check, int ms = 5000)
{
    for (int i = 0; i < ms / 50; ++i) {
        if (check())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return check();
}

class ActionRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Sandbox::ModulesBuilt())
            GTEST_SKIP() << "the archiver modules are not built into " << QB_SYSTEM_DIR_OF_BUILD;
        // A user who lets the program copy its history (the default) and store its archives
        // in one folder: the file managers' runs must do neither.
        box.WriteSettings({{"Auto", "True"},
                           {"AutoLog", "True"},
                           {"AshukuExe", "0"},
                           {"Dir_Out", "C:\\OUT"},
                           {"TmpDir", "C:\\TMP\\"}});
        const std::string bin = box.Root() + "/fakebin";
        fs::create_directories(bin);
        // notify-send as a notification service with buttons: it writes down what it is asked
        // to show and presses the button at once.
        WriteBytes(bin + "/notify-send",
                   "#!/bin/sh\nprintf '%s\\n' \"$@\" -- >> '" + box.Root() +
                       "/notified'\nfor a do case $a in --action=open=*) echo open ;; esac; done\n");
        WriteBytes(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + box.Root() +
                                          "/opened'\n");
        fs::permissions(bin + "/notify-send", fs::perms::owner_all);
        fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
        // The system-wide actions call the program by its name, as on an installed system.
        fs::create_symlink(QB_PROGRAM, bin + "/quillbox2");
        path = bin + ":/usr/bin:/bin";
    }

    // "env -i NAME=VALUE..." for a shell command run as a file manager runs an action.
    std::string Env(const std::map<std::string, std::string>& extra) const
    {
        std::map<std::string, std::string> all = {{"PATH", path},
                                                  {"XDG_DATA_HOME", box.Root() + "/data"}};
        for (const auto& [k, v] : extra)
            all[k] = v;
        std::string env = "env -i";
        for (const std::string& entry : box.Environment(all))
            env += " " + Quote(entry);
        return env;
    }

    std::string DrivesEntry() const { return "QUILLBOX2_DRIVES=C:=" + box.Root() + "/c"; }

    // Every action the program sets up or the package installs.
    std::vector<Action> InstalledActions()
    {
        const RunResult r = box.Run({"--install-file-manager-actions"},
                                    {{"XDG_DATA_HOME", box.Root() + "/data"}});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        std::vector<Action> actions;
        const std::string data = box.Root() + "/data";
        for (const std::string& file :
             {std::string(QB_FM_DIR "/quillbox2-pack.desktop"),
              std::string(QB_FM_DIR "/quillbox2-pack-lzh.nemo_action"),
              std::string(QB_FM_DIR "/quillbox2-pack-zip.nemo_action"),
              data + "/kio/servicemenus/quillbox2-pack.desktop",
              data + "/nemo/actions/quillbox2-pack-lzh.nemo_action",
              data + "/nemo/actions/quillbox2-pack-zip.nemo_action"})
            for (const std::string& exec : LinesStartingWith(file, "Exec="))
                actions.push_back({file, exec, ""});
        const std::string uca = box.Root() + "/config/Thunar/uca.xml";
        for (std::string line : LinesStartingWith(uca, "\t<command>")) {
            line = line.substr(0, line.find("</command>"));
            actions.push_back({uca, XmlUnescaped(line), ""});
        }
        for (const auto& e : fs::directory_iterator(data + "/nautilus/scripts"))
            actions.push_back({e.path().string(), "", e.path().string()});
        return actions;
    }

    Sandbox box;
    std::string path;
};

TEST_F(ActionRunTest, EveryInstalledActionPacksBesideTheFoldersAndLeavesNothingBehind)
{
    if (Shell("command -v Xvfb") != 0 || Shell("command -v xclip") != 0)
        GTEST_SKIP() << "needs Xvfb and xclip";
    XServer x;
    if (!x.Ready())
        GTEST_SKIP() << "Xvfb did not start";
    const std::string display = "DISPLAY=" + x.Display();

    const std::vector<Action> actions = InstalledActions();
    // Dolphin and Nemo, system-wide and per user; Thunar; Nautilus: two formats each.
    ASSERT_EQ(actions.size(), 12u);
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const Action& action = actions[i];
        SCOPED_TRACE(action.from + ": " + (action.command.empty() ? "script" : action.command));
        const std::string parent = box.C("W" + std::to_string(i) + "/P");
        MakeSourceTree(parent + "/A", 1);
        MakeSourceTree(parent + "/B C", 2);
        fs::remove(box.Root() + "/notified");
        fs::remove(box.Root() + "/opened");

        // Something the user copied, served by xclip in the background.
        const std::string mine = "mine " + std::to_string(i);
        ASSERT_EQ(Shell("printf %s " + Quote(mine) + " | " + display +
                        " xclip -selection clipboard"),
                  0);
        const std::string paste = display + " timeout 10 xclip -o -selection clipboard";
        ASSERT_TRUE(WaitFor([&] { return Capture(paste) == mine; }));

        std::string run;
        if (action.command.empty()) {
            run = Env({{"QT_QPA_PLATFORM", "xcb"},
                       {"DISPLAY", x.Display()},
                       {"NAUTILUS_SCRIPT_SELECTED_FILE_PATHS", parent + "/A\n" + parent + "/B C\n"}}) +
                  " " + Quote(action.script);
        } else {
            std::string command = action.command;
            command.replace(command.find("%F"), 2, Quote(parent + "/A") + " " + Quote(parent + "/B C"));
            run = Env({{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", x.Display()}}) + " sh -c " +
                  Quote(command);
        }
        // The file managers start it in the folder they show.
        EXPECT_EQ(Shell("cd " + Quote(parent) + " && timeout 120 " + run), 0);

        const std::string ext = action.Format();
        EXPECT_TRUE(fs::exists(parent + "/A." + ext));
        EXPECT_TRUE(fs::exists(parent + "/B C." + ext));
        EXPECT_TRUE(fs::is_empty(box.C("OUT"))) << "the stored output folder was used";
        EXPECT_EQ(Capture(paste), mine) << "the clipboard was taken";
        std::vector<std::string> left;
        EXPECT_TRUE(WaitFor([&] { return (left = ProcessesWith(DrivesEntry())).empty(); }))
            << left.front();

        const std::string notified = ReadBytes(box.Root() + "/notified");
        EXPECT_NE(notified.find("全て終了しました\n保存先：" + parent + "\nA." + ext + "\nB C." +
                                ext + "\n"),
                  std::string::npos)
            << notified;
        EXPECT_NE(notified.find("--action=open=フォルダを開く\n"), std::string::npos) << notified;
        // The button was pressed: the folder opens in the file manager.
        EXPECT_TRUE(WaitFor([&] { return ReadBytes(box.Root() + "/opened") == parent + "\n"; }))
            << ReadBytes(box.Root() + "/opened");
    }
}

TEST_F(ActionRunTest, BesideForScriptsAndAnOutputFolderThatOverridesIt)
{
    MakeSourceTree(box.C("SRC/A"), 1);
    fs::create_directories(box.C("OUT2"));
    RunResult r = box.Run({"--silent", "--beside", "C:\\SRC\\A"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Shell("lhasa t " + Quote(box.C("SRC/A.LZH"))), 0);
    EXPECT_TRUE(fs::is_empty(box.C("OUT")));

    r = box.Run({"--beside", "--out", "C:\\OUT2", "C:\\SRC\\A"});
    EXPECT_EQ(r.status, 64);
    EXPECT_NE(r.err.find("--beside and --out"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(box.C("OUT2")));

    // An action's run told where to put its archives puts them there.
    r = box.Run({"--notify", "--format", "zip", "--out", "C:\\OUT2", "--", box.C("SRC/A")},
                {{"PATH", path}});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Shell("unzip -tq " + Quote(box.C("OUT2/A.ZIP"))), 0);
    EXPECT_FALSE(fs::exists(box.C("SRC/A.ZIP")));
}

TEST_F(ActionRunTest, WithoutButtonsOrWithAnOlderNotifySendTheNotificationStillComes)
{
    MakeSourceTree(box.C("SRC/A"), 1);
    const std::string record = "printf '%s\\n' \"$@\" -- >> '" + box.Root() + "/notified'\n";
    struct Case {
        const char* what;
        std::string onAction;  // what the stand-in does when asked for a button
        int calls;  // notify-send calls the run makes
        bool told;  // the notification counts as shown
    };
    const Case cases[] = {
        {"a service without buttons",
         "echo 'Actions are not supported by this notifications server. Displaying "
         "non-interactively.' >&2; exit 1",
         1, true},
        {"a notify-send without --action", "echo \"Unknown option $a\" >&2; exit 1", 2, true},
        {"no service at all",
         "echo 'Actions are not supported by this notifications server. Displaying "
         "non-interactively.' >&2; echo 'GDBus.Error: ServiceUnknown' >&2; exit 1",
         2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(box.Root() + "/notified");
        fs::remove(box.C("SRC/A.LZH"));
        // Without a button a notify-send that cannot reach any service fails as well.
        const std::string plain = c.told ? "exit 0" : "echo 'GDBus.Error: ServiceUnknown' >&2; exit 1";
        WriteBytes(box.Root() + "/fakebin/notify-send",
                   "#!/bin/sh\n" + record + "for a do case $a in --action=*) " + c.onAction +
                       " ;; esac; done\n" + plain + "\n");
        const RunResult r = box.Run({"--silent", "--notify", "--", box.C("SRC/A")}, {{"PATH", path}});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        const std::string notified = ReadBytes(box.Root() + "/notified");
        int calls = 0;
        for (std::size_t at = notified.find("\n--\n"); at != std::string::npos;
             at = notified.find("\n--\n", at + 1))
            ++calls;
        EXPECT_EQ(calls, c.calls) << notified;
        EXPECT_NE(notified.rfind("保存先：" + box.C("SRC")), std::string::npos) << notified;
        // Not told on the desktop: the history is shown instead (here on standard error).
        EXPECT_EQ(r.err.find("Quillbox2 history: 全て終了しました") != std::string::npos, !c.told)
            << r.err;
        EXPECT_FALSE(fs::exists(box.Root() + "/opened"));
    }
}

TEST_F(ActionRunTest, AParentThatCannotBeWrittenFailsOnlyItsFolder)
{
    MakeSourceTree(box.C("RO/X"), 1);
    MakeSourceTree(box.C("RW/Y"), 2);
    if (!box.RunAsOrdinaryUser())
        GTEST_SKIP() << "cannot run as an ordinary user here";
    fs::permissions(box.C("RO"), fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    const RunResult r = box.Run(
        {"--silent", "--notify", "--format", "lzh", "--", box.C("RO/X"), box.C("RW/Y")},
        {{"PATH", path}});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_FALSE(fs::exists(box.C("RO/X.LZH")));
    EXPECT_EQ(Shell("lhasa t " + Quote(box.C("RW/Y.LZH"))), 0);
    EXPECT_TRUE(fs::is_empty(box.C("OUT")));
    EXPECT_NE(r.out.find("[ C:\\RO\\X ]\n　圧縮できませんでした\n　理由：フォルダ C:\\RO "
                         "に圧縮ファイルを作成できません（書き込み先が読み取り専用か、書き込みが"
                         "許可されていません）\n[ C:\\RW\\Y ]"),
              std::string::npos)
        << r.out;
    // Told as a failed run: the history (here on standard error), its summary first, and no
    // notification of success.
    EXPECT_EQ(r.err.rfind("Quillbox2: 全 2 フォルダ中 1 フォルダを圧縮しました\n", 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(box.Root() + "/notified"));
}

TEST_F(ActionRunTest, ALongRunShowsItsProgressWindow)
{
    if (Shell("command -v Xvfb") != 0 || Shell("command -v xwininfo") != 0)
        GTEST_SKIP() << "needs Xvfb and xwininfo";
    XServer x;
    if (!x.Ready())
        GTEST_SKIP() << "Xvfb did not start";
    // A slow disk takes 300 ms for each write of the archives, whatever the machine: at least
    // one for each of six members of each folder.
    for (const char* name : {"P/A", "P/B"})
        ASSERT_EQ(Shell("mkdir -p " + Quote(box.C(name)) + " && cd " + Quote(box.C(name)) +
                        " && for i in $(seq 6); do head -c 200000 /dev/urandom > f$i; done"),
                  0);
    const auto started = std::chrono::steady_clock::now();
    const int pid = box.StartTagged("", {"--silent", "--notify", "--", box.C("P/A"), box.C("P/B")},
                                    {{"QT_QPA_PLATFORM", "xcb"},
                                     {"DISPLAY", x.Display()},
                                     {"PATH", path},
                                     {"LD_PRELOAD", QB_DISK_FAULTS},
                                     {"QB_CORRUPT_ARCHIVES", "A.LZH,B.LZH"},
                                     {"QB_SLOW_WRITE_MS", "300"}});
    ASSERT_GT(pid, 0);
    const std::string windows = "DISPLAY=" + x.Display() + " xwininfo -root -tree";
    bool seen = false;
    // Running until it is a zombie, which Wait then collects.
    const auto running = [pid] {
        const std::string stat = ReadBytes("/proc/" + std::to_string(pid) + "/stat");
        const std::size_t close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
    };
    while (!seen && running()) {
        seen = Capture(windows).find("\"Quillbox2\": (\"quillbox2\"") != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const RunResult r = box.Wait(pid, "");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    if (!seen && seconds < 2)
        GTEST_SKIP() << "the run took " << seconds << " s: too short for its window here";
    EXPECT_TRUE(seen) << "no progress window in a run of " << seconds << " s";
    EXPECT_TRUE(fs::exists(box.C("P/A.LZH")) && fs::exists(box.C("P/B.LZH")));
}

}  // namespace
