// The INI-file settings store: reading with defaults, writing, deleting, odd files, and the
// places where it must refuse rather than damage what is stored.
#include "platform/SettingsStore.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <string>

using namespace qb::platform;
using qbtest::Sandbox;

namespace {
std::string IniOf(const Sandbox& box, const std::string& app)
{
    return Sandbox::ReadFile(box.Config() + "/" + app + ".ini");
}
}  // namespace

TEST(SettingsStore, MissingAnythingGivesTheDefault)
{
    Sandbox box;
    EXPECT_EQ(GetSetting("App", "Sec", "Key", "dflt"), "dflt");
    ASSERT_TRUE(SaveSetting("App", "Sec", "Key", "v"));
    EXPECT_EQ(GetSetting("App", "Other", "Key", "dflt"), "dflt");
    EXPECT_EQ(GetSetting("App", "Sec", "Other", "dflt"), "dflt");
    EXPECT_EQ(GetSetting("Nope", "Sec", "Key", ""), "");
    EXPECT_EQ(SettingsFilePath("App"), box.Config() + "/App.ini");
}

TEST(SettingsStore, WritingCreatesFolderFileSectionAndKey)
{
    Sandbox box;
    box.Save("XDG_CONFIG_HOME", box.Root() + "/fresh/config");
    ASSERT_TRUE(SaveSetting("Brambleworks", "Quillbox2", "TmpDir", "C:\\TEMP\\"));
    ASSERT_TRUE(SaveSetting("Brambleworks", "Quillbox2", "Font_Name", "ＭＳ 明朝"));
    ASSERT_TRUE(SaveSetting("Brambleworks", "Other", "A", "1"));
    EXPECT_EQ(Sandbox::ReadFile(box.Root() + "/fresh/config/Brambleworks.ini"),
              "[Quillbox2]\nTmpDir=C:\\TEMP\\\nFont_Name=ＭＳ 明朝\n\n[Other]\nA=1\n");
}

TEST(SettingsStore, SpellingKeptAndFoundWithoutRegardToCase)
{
    Sandbox box;
    ASSERT_TRUE(SaveSetting("App", "Quillbox2", "Dir_In_DirName0", "  My Folder = x "));
    EXPECT_EQ(GetSetting("App", "QUILLBOX2", "dir_in_dirname0", ""), "  My Folder = x ");
    ASSERT_TRUE(SaveSetting("App", "quillbox2", "DIR_IN_DIRNAME0", "new"));
    EXPECT_EQ(IniOf(box, "App"), "[Quillbox2]\nDir_In_DirName0=new\n");
    ASSERT_TRUE(SaveSetting("App", "Quillbox2", "Empty", ""));
    EXPECT_EQ(GetSetting("App", "Quillbox2", "Empty", "dflt"), "");
}

TEST(SettingsStore, DeletingSectionsAndApplications)
{
    Sandbox box;
    ASSERT_TRUE(SaveSetting("App", "One", "A", "1"));
    ASSERT_TRUE(SaveSetting("App", "Two", "B", "2"));
    ASSERT_TRUE(DeleteSection("App", "one"));
    EXPECT_EQ(GetSetting("App", "One", "A", "gone"), "gone");
    EXPECT_EQ(GetSetting("App", "Two", "B", ""), "2");
    EXPECT_TRUE(DeleteSection("App", "Missing"));
    ASSERT_TRUE(DeleteApplication("App"));
    EXPECT_FALSE(Sandbox::Exists(box.Config() + "/App.ini"));
    EXPECT_EQ(GetSetting("App", "Two", "B", "gone"), "gone");
    EXPECT_TRUE(DeleteApplication("App"));  // nothing there: nothing to do
}

TEST(SettingsStore, OddFilesAreReadForWhatIsValidAndKeptOtherwise)
{
    Sandbox box;
    const std::string odd = std::string("garbage line\r\n; comment=not a key\r\n[Quillbox2]\r\n") +
                            "SubDir=False\r\nno equals sign\r\n" + std::string("\x00\xff\xfe=", 4) +
                            "bin\r\n[broken\r\n  Pattern = 2\r\n=novalue\r\nTip=tr\xffue\r\n" +
                            "[Other]\nLast=yes";  // no final newline
    Sandbox::WriteFile(box.Config() + "/App.ini", odd);
    EXPECT_EQ(GetSetting("App", "Quillbox2", "SubDir", ""), "False");
    EXPECT_EQ(GetSetting("App", "Quillbox2", "Pattern", ""), " 2");  // value kept exactly
    EXPECT_EQ(GetSetting("App", "Quillbox2", "Tip", ""), "tr\xffue");
    EXPECT_EQ(GetSetting("App", "Quillbox2", std::string("\x00\xff\xfe", 3), ""), "bin");
    EXPECT_EQ(GetSetting("App", "Other", "Last", ""), "yes");
    EXPECT_EQ(GetSetting("App", "Quillbox2", "no equals sign", "d"), "d");

    ASSERT_TRUE(SaveSetting("App", "Quillbox2", "SubDir", "True"));
    const std::string after = IniOf(box, "App");
    // Only the changed line differs; every other line survives (line ends become LF).
    EXPECT_NE(after.find("garbage line\n; comment=not a key\n"), std::string::npos);
    EXPECT_NE(after.find(std::string("\x00\xff\xfe=bin\n", 8)), std::string::npos);
    EXPECT_NE(after.find("SubDir=True\nno equals sign\n"), std::string::npos);
    EXPECT_NE(after.find("[broken\n  Pattern = 2\n=novalue\n"), std::string::npos);
    EXPECT_EQ(GetSetting("App", "Other", "Last", ""), "yes");
}

TEST(SettingsStore, AByteOrderMarkBeforeTheFirstSectionIsSkipped)
{
    Sandbox box;
    Sandbox::WriteFile(box.Config() + "/App.ini", "\xEF\xBB\xBF[Quillbox2]\r\nAuto=True\r\n");
    EXPECT_EQ(GetSetting("App", "Quillbox2", "Auto", "False"), "True");
    ASSERT_TRUE(SaveSetting("App", "Quillbox2", "Tip", "False"));
    // One section, no second header added below the first.
    EXPECT_EQ(IniOf(box, "App"), "[Quillbox2]\nAuto=True\nTip=False\n");
}

TEST(SettingsStore, ASectionGivenTwiceIsReadAsOne)
{
    Sandbox box;
    Sandbox::WriteFile(box.Config() + "/App.ini", "[S]\nA=1\n\n[T]\nX=0\n[s]\nA=2\nB=3\n");
    EXPECT_EQ(GetSetting("App", "S", "A", ""), "1");
    EXPECT_EQ(GetSetting("App", "S", "B", ""), "3");
    ASSERT_TRUE(SaveSetting("App", "S", "C", "4"));  // joins the first occurrence
    EXPECT_EQ(IniOf(box, "App"), "[S]\nA=1\nC=4\n\n[T]\nX=0\n[s]\nA=2\nB=3\n");
    ASSERT_TRUE(DeleteSection("App", "S"));
    EXPECT_EQ(IniOf(box, "App"), "[T]\nX=0\n");
}

TEST(SettingsStore, RefusesWhatWouldBreakTheFile)
{
    Sandbox box;
    ASSERT_TRUE(SaveSetting("App", "S", "Key", "kept"));
    const std::string before = IniOf(box, "App");
    EXPECT_FALSE(SaveSetting("App", "S", "Key", "two\nlines"));
    EXPECT_FALSE(SaveSetting("App", "S", "Key", "cr\r"));
    EXPECT_FALSE(SaveSetting("App", "S", "K=ey", "v"));
    EXPECT_FALSE(SaveSetting("App", "S", "", "v"));
    EXPECT_FALSE(SaveSetting("App", "S", " Key", "v"));
    EXPECT_FALSE(SaveSetting("App", "S]", "Key", "v"));
    EXPECT_FALSE(SaveSetting("App", "", "Key", "v"));
    EXPECT_FALSE(SaveSetting("../App", "S", "Key", "v"));
    EXPECT_FALSE(SaveSetting("", "S", "Key", "v"));
    EXPECT_EQ(IniOf(box, "App"), before);
    EXPECT_EQ(GetSetting("App", "S", "Key", ""), "kept");
}

TEST(SettingsStore, UnwritableConfigurationFolderFailsQuietly)
{
    Sandbox box;
    Sandbox::WriteFile(box.Root() + "/plainfile", "x");
    box.Save("XDG_CONFIG_HOME",
             box.Root() + "/plainfile/config");  // cannot be created, even by root
    EXPECT_FALSE(SaveSetting("App", "S", "Key", "v"));
    EXPECT_EQ(GetSetting("App", "S", "Key", "dflt"), "dflt");
    EXPECT_TRUE(DeleteApplication("App"));
    EXPECT_EQ(Sandbox::ReadFile(box.Root() + "/plainfile"), "x");

    // A batch says which file failed and why, for the user to be told.
    SettingsBatch batch;
    SaveSetting("App", "S", "Key", "v");
    EXPECT_FALSE(batch.Commit());
    EXPECT_EQ(batch.FailedFile(), box.Root() + "/plainfile/config/App.ini");
    EXPECT_EQ(batch.Error(), ENOTDIR);
}

TEST(SettingsStore, AStoreThatCannotBeReadIsNeverOverwritten)
{
    Sandbox box;
    Sandbox::MakeDirs(box.Config() + "/App.ini");  // not a file
    EXPECT_FALSE(SaveSetting("App", "S", "Key", "v"));
    EXPECT_TRUE(Sandbox::Exists(box.Config() + "/App.ini"));
    {
        SettingsBatch batch;
        SaveSetting("App", "S", "Key", "v");
        EXPECT_FALSE(batch.Commit());
        EXPECT_EQ(batch.Error(), EISDIR);
    }
    if (::geteuid() != 0) {
        Sandbox::WriteFile(box.Config() + "/Locked.ini", "[S]\nKey=old\n");
        ::chmod((box.Config() + "/Locked.ini").c_str(), 0200);
        EXPECT_FALSE(SaveSetting("Locked", "S", "Other", "v"));
        ::chmod((box.Config() + "/Locked.ini").c_str(), 0600);
        EXPECT_EQ(IniOf(box, "Locked"), "[S]\nKey=old\n");
    }
}

TEST(SettingsStore, FileBehindALinkIsUpdatedWhereItLives)
{
    Sandbox box;
    Sandbox::MakeDirs(box.Root() + "/dotfiles");
    Sandbox::WriteFile(box.Root() + "/dotfiles/App.ini", "[S]\nA=1\n");
    ASSERT_EQ(
        ::symlink((box.Root() + "/dotfiles/App.ini").c_str(), (box.Config() + "/App.ini").c_str()),
        0);
    ASSERT_TRUE(SaveSetting("App", "S", "B", "2"));
    EXPECT_EQ(Sandbox::ReadFile(box.Root() + "/dotfiles/App.ini"), "[S]\nA=1\nB=2\n");
    struct stat st { };
    ASSERT_EQ(::lstat((box.Config() + "/App.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST(SettingsBatch, WritesOnceAtTheEndAndReadsItsOwnChanges)
{
    Sandbox box;
    ASSERT_TRUE(SaveSetting("App", "S", "Keep", "1"));
    const std::string before = IniOf(box, "App");
    struct stat first { };
    ::stat((box.Config() + "/App.ini").c_str(), &first);
    {
        SettingsBatch batch;
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(SaveSetting("App", "S", "K" + std::to_string(i), "v"));
        {
            SettingsBatch inner;
            ASSERT_TRUE(SaveSetting("App", "S", "Inner", "x"));
            EXPECT_TRUE(inner.Commit());  // inner batches leave the writing to the outer one
        }
        ASSERT_TRUE(DeleteSection("App", "Gone"));
        EXPECT_EQ(IniOf(box, "App"), before);  // nothing written yet
        EXPECT_EQ(GetSetting("App", "S", "K7", ""), "v");
        EXPECT_EQ(GetSetting("App", "S", "Inner", ""), "x");
    }
    const std::string after = IniOf(box, "App");
    EXPECT_NE(after.find("Keep=1\nK0=v\nK1=v\n"), std::string::npos);
    EXPECT_NE(after.find("K19=v\nInner=x\n"), std::string::npos);
    // Written again after the batch: a plain save goes straight to the file.
    ASSERT_TRUE(SaveSetting("App", "S", "After", "y"));
    EXPECT_NE(IniOf(box, "App").find("After=y"), std::string::npos);
}

TEST(SettingsBatch, DeletionWaitsForTheOtherWrites)
{
    Sandbox box;
    Sandbox::WriteFile(box.Config() + "/Old.ini", "[S]\nA=1\n");
    Sandbox::MakeDirs(box.Config() + "/New.ini");  // the new store cannot be written
    {
        SettingsBatch batch;
        SaveSetting("New", "S", "A", "1");
        DeleteApplication("Old");
        EXPECT_FALSE(batch.Commit());
    }
    EXPECT_EQ(IniOf(box, "Old"), "[S]\nA=1\n");
}
