// Setting up and removing the file-manager actions with the real program, in a sandbox home with
// its own system folders: nothing the user or the system had is hidden, lost or overwritten, and
// removing gives back the home exactly as it was.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

// The system's actions as Thunar ships them (shortened).
const char* const kSystemActions =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n"
    "\t<icon>utilities-terminal</icon>\n\t<name>Open Terminal Here</name>\n"
    "\t<unique-id>1234567890123456-1</unique-id>\n"
    "\t<command>exo-open --working-directory %f --launch TerminalEmulator</command>\n"
    "\t<patterns>*</patterns>\n\t<directories/>\n</action>\n</actions>\n";

const char* const kTheirAction =
    "<action>\n\t<icon>gimp</icon>\n\t<name>Edit in GIMP</name>\n"
    "\t<unique-id>1700000000000000-7</unique-id>\n\t<command>gimp %F</command>\n"
    "\t<patterns>*.png</patterns>\n\t<image-files/>\n</action>\n";

class FileManagerInstallTest : public ::testing::Test {
protected:
    FileManagerInstallTest()
    {
        // Two system folders before the one that has Thunar's actions, and one after it.
        for (const char* dir : {"sys/empty", "sys/other"})
            fs::create_directories(box.Root() + "/" + dir);
        WriteBytes(box.Root() + "/sys/other/Thunar/accels.scm", "; not the actions\n");
        WriteBytes(box.Root() + "/sys/xdg/Thunar/uca.xml", kSystemActions);
        WriteBytes(box.Root() + "/sys/late/Thunar/uca.xml", "<actions/>\n");
        env = {{"XDG_CONFIG_DIRS", box.Root() + "/sys/empty:relative/dir:" + box.Root() +
                                       "/sys/other:" + box.Root() + "/sys/xdg:" + box.Root() +
                                       "/sys/late"}};
    }

    RunResult Install(std::map<std::string, std::string> extra = {}) const
    {
        extra.insert(env.begin(), env.end());
        return box.Run({"--install-file-manager-actions"}, extra);
    }
    RunResult Remove() const { return box.Run({"--remove-file-manager-actions"}, env); }
    // The same with a copy of the program elsewhere, as after a move or an upgrade.
    int RunCopy(const std::string& program, const std::string& option) const
    {
        return Shell("env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen HOME=" +
                     Quote(box.Root() + "/home") +
                     " XDG_CONFIG_HOME=" + Quote(box.Root() + "/config") + " XDG_CONFIG_DIRS=" +
                     Quote(env.at("XDG_CONFIG_DIRS")) + " " + Quote(program) + " " + option);
    }

    // Every folder and file of the home and the configuration, with contents and the owner's
    // execute bit: what "exactly as it was" means.
    std::map<std::string, std::string> Home() const
    {
        std::map<std::string, std::string> all;
        for (const char* top : {"home", "config"})
            for (const auto& e : fs::recursive_directory_iterator(box.Root() + "/" + top)) {
                const std::string name = e.path().string().substr(box.Root().size());
                if (e.is_directory())
                    all[name + "/"] = "";
                else
                    all[name] = ReadBytes(e.path()) + ((e.status().permissions() &
                                                        fs::perms::owner_exec) != fs::perms::none
                                                           ? "[x]"
                                                           : "");
            }
        return all;
    }

    std::string Uca() const { return box.Root() + "/config/Thunar/uca.xml"; }
    std::string Data(const std::string& relative) const
    {
        return box.Root() + "/home/.local/share/" + relative;
    }

    Sandbox box;
    std::map<std::string, std::string> env;
};

TEST_F(FileManagerInstallTest, WithoutAUserThunarFileTheSystemsActionsStayAndAllGoesAwayAgain)
{
    const auto before = Home();
    RunResult r = Install();
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    // The new file is the first system file with our two actions added before its end.
    const std::string made = ReadBytes(Uca());
    const std::string head =
        std::string(kSystemActions).substr(0, std::string(kSystemActions).size() - 11);
    EXPECT_EQ(made.substr(0, head.size()), head) << made;
    EXPECT_EQ(made.substr(made.size() - 11), "</actions>\n");
    EXPECT_NE(made.find("<unique-id>quillbox2-pack-lzh</unique-id>"), std::string::npos);
    EXPECT_NE(made.find("<unique-id>quillbox2-pack-zip</unique-id>"), std::string::npos);
    EXPECT_NE(r.out.find(Uca()), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(box.Root() + "/sys/xdg/Thunar/uca.xml"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(Data("kio/servicemenus/quillbox2-pack.desktop")));

    // Set up twice: nothing changes; then removed: the home is as it was, folders included.
    const auto installed = Home();
    r = Install();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Home(), installed);
    r = Remove();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Home(), before) << r.out;
    EXPECT_FALSE(fs::exists(Uca()));

    // With no system file at all the same holds.
    fs::remove(box.Root() + "/sys/xdg/Thunar/uca.xml");
    fs::remove(box.Root() + "/sys/late/Thunar/uca.xml");
    ASSERT_EQ(Install().status, 0);
    EXPECT_NE(ReadBytes(Uca()).find("quillbox2-pack-zip"), std::string::npos);
    EXPECT_EQ(Remove().status, 0);
    EXPECT_EQ(Home(), before);
}

TEST_F(FileManagerInstallTest, TheUsersOwnThunarActionsAreKeptAtBothSteps)
{
    // A file of the user's, written by Thunar: ours go in and out around their bytes, and the
    // file is replaced by a rename, never written over in place.
    const std::string theirs =
        std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n") + kTheirAction +
        "</actions>\n";
    WriteBytes(Uca(), theirs);
    const auto before = Home();
    struct stat old { };
    ASSERT_EQ(::stat(Uca().c_str(), &old), 0);
    RunResult r = Install();
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string edited = ReadBytes(Uca());
    EXPECT_EQ(edited.substr(0, theirs.size() - 11), theirs.substr(0, theirs.size() - 11));
    EXPECT_EQ(edited.find("Open Terminal Here"), std::string::npos)
        << "the user's own file is theirs: nothing of the system's is added";
    struct stat now { };
    ASSERT_EQ(::stat(Uca().c_str(), &now), 0);
    EXPECT_NE(now.st_ino, old.st_ino);
    r = Remove();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Home(), before);

    // A file made from the system's, to which the user added an action afterwards: removing
    // takes out only ours and keeps the file, saying so.
    fs::remove(Uca());
    ASSERT_EQ(Install().status, 0);
    std::string made = ReadBytes(Uca());
    made.insert(made.find("<action>"), kTheirAction);
    WriteBytes(Uca(), made);
    r = Remove();
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string left = ReadBytes(Uca());
    EXPECT_NE(left.find(kTheirAction), std::string::npos) << left;
    EXPECT_NE(left.find("Open Terminal Here"), std::string::npos) << left;
    EXPECT_EQ(left.find("quillbox2"), std::string::npos) << left;
    EXPECT_NE(r.out.find("kept: " + Uca()), std::string::npos) << r.out;
}

TEST_F(FileManagerInstallTest, AThunarFileThatIsNotWellFormedIsNeverRewritten)
{
    const std::string broken =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n<action>\n\t<name>Half</name>\n";
    WriteBytes(Uca(), broken);
    RunResult r = Install();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(Uca() + " is not a well-formed list of Thunar actions"), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(Uca()), broken);
    EXPECT_EQ(qbtest::FolderNames(box.Root() + "/config/Thunar"),
              std::vector<std::string>{"uca.xml"});
    // The other file managers are set up all the same, and removed all the same.
    EXPECT_TRUE(fs::exists(Data("nautilus/scripts/Quillbox2 - pack each folder as LZH")));
    r = Remove();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("were not removed"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(Uca()), broken);
    EXPECT_FALSE(fs::exists(Data("nautilus/scripts/Quillbox2 - pack each folder as LZH")));

    // A system file that is not well formed is not copied: no user file hides it.
    fs::remove(Uca());
    WriteBytes(box.Root() + "/sys/xdg/Thunar/uca.xml", "<actions><action></actions>\n");
    r = Install({{"LANG", "ja_JP.UTF-8"}});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Thunar のアクションの一覧として正しくありません"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(Uca()));
}

TEST_F(FileManagerInstallTest, TheOtherFileManagersKeepTheUsersFilesAndTheirOwnNames)
{
    const std::string scripts = Data("nautilus/scripts/");
    WriteBytes(scripts + "Mine", "#!/bin/sh\necho mine\n");
    fs::permissions(scripts + "Mine", fs::perms::owner_all);
    const std::string theirLzh = scripts + "Quillbox2 - pack each folder as LZH";
    WriteBytes(theirLzh, "#!/bin/sh\nexec my-own-packer lzh \"$@\"\n");
    WriteBytes(Data("kio/servicemenus/mine.desktop"), "[Desktop Entry]\nType=Service\n");
    const std::string theirNemo = Data("nemo/actions/quillbox2-pack-zip.nemo_action");
    WriteBytes(theirNemo, "[Nemo Action]\nName=My own ZIP\n");
    const auto before = Home();

    RunResult r = Install();
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    for (const std::string& theirs : {theirLzh, theirNemo})
        EXPECT_NE(r.err.find(theirs + " was not set up by Quillbox2, so it was left as it is"),
                  std::string::npos)
            << r.err;
    EXPECT_EQ(ReadBytes(theirLzh), "#!/bin/sh\nexec my-own-packer lzh \"$@\"\n");
    EXPECT_EQ(ReadBytes(theirNemo), "[Nemo Action]\nName=My own ZIP\n");
    const std::string ourZip = scripts + "Quillbox2 - pack each folder as ZIP";
    EXPECT_NE(ReadBytes(ourZip).find(" --silent --notify --format zip -- "), std::string::npos);
    EXPECT_NE(fs::status(ourZip).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_NE(fs::status(Data("kio/servicemenus/quillbox2-pack.desktop")).permissions() &
                  fs::perms::owner_exec,
              fs::perms::none);
    EXPECT_TRUE(fs::exists(Data("nemo/actions/quillbox2-pack-lzh.nemo_action")));

    r = Remove();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("kept: " + theirLzh + " ("), std::string::npos) << r.out;
    EXPECT_EQ(Home(), before) << r.out;
}

TEST_F(FileManagerInstallTest, AMovedProgramReplacesAndRemovesWhatAnEarlierOneSetUp)
{
    // Set up by the program in one place, then by a copy elsewhere (the actions now run the
    // copy), then removed by the first: each knows the other's files as the program's own.
    const std::string copy = box.Root() + "/My Apps/quillbox2";
    fs::create_directories(box.Root() + "/My Apps");
    fs::copy_file(QB_PROGRAM, copy);
    const auto before = Home();
    ASSERT_EQ(Install().status, 0);
    ASSERT_EQ(RunCopy(copy, "--install-file-manager-actions"), 0);
    const std::string script = Data("nautilus/scripts/Quillbox2 - pack each folder as ZIP");
    EXPECT_NE(ReadBytes(script).find("exec \"" + copy + "\" --silent"), std::string::npos)
        << ReadBytes(script);
    EXPECT_NE(ReadBytes(Uca()).find("<command>\"" + copy + "\" --silent"), std::string::npos);
    const RunResult r = Remove();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(Home(), before) << r.out;
}

}  // namespace
