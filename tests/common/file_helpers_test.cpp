// The helpers that look at the file system: on-disk form, existence tests, free-space text,
// temporary and system folders. Each test runs in its own sandbox of drives.
#include "common/PathHelpers.h"
#include "platform/CurrentDir.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace PathHelpers;
using qbtest::Sandbox;

TEST(OnDiskPath, GivesTheStoredSpelling)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Program Files/Sub Dir");
    Sandbox::WriteFile(box.C() + "/Program Files/Sub Dir/Data.TXT", "x");
    EXPECT_EQ(OnDiskPath("c:\\program files\\"), "C:\\Program Files");
    EXPECT_EQ(OnDiskPath("c:\\program files"), "C:\\Program Files");
    EXPECT_EQ(OnDiskPath("c:\\PROGRAM FILES\\sub dir\\data.txt"),
              "C:\\Program Files\\Sub Dir\\Data.TXT");
    EXPECT_EQ(OnDiskPath("c:\\"), "C:\\");
    EXPECT_EQ(OnDiskPath("d:\\"), "D:\\");
}

TEST(OnDiskPath, EmptyWhenNotFoundOrNotADrivePath)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Program Files");
    EXPECT_EQ(OnDiskPath("C:\\Program Files\\Missing"), "");
    EXPECT_EQ(OnDiskPath("C:\\Missing\\Program Files"), "");
    EXPECT_EQ(OnDiskPath("\\\\server\\share"), "");
    EXPECT_EQ(OnDiskPath("C:"), "");
    EXPECT_EQ(OnDiskPath("C:Program Files"), "");
    EXPECT_EQ(OnDiskPath("Program Files"), "");
    EXPECT_EQ(OnDiskPath(box.C() + "/Program Files"), "");  // host paths are converted first
    EXPECT_EQ(OnDiskPath("C:\\Program Files\\\\"), "");  // an empty component
    EXPECT_EQ(OnDiskPath("Q:\\Program Files"), "");
    EXPECT_EQ(OnDiskPath("C:\\Prog*"), "");
}

TEST(FreeSpaceText, FormatsMegabytesWithOneDecimal)
{
    Sandbox box;
    std::string asked;
    std::optional<std::uint64_t> figure;
    SetFreeSpaceProvider([&](const std::string& path) {
        asked = path;
        return figure;
    });
    figure = static_cast<std::uint64_t>(1234.56 * 1048576);
    EXPECT_EQ(FreeSpaceText("C:\\DATA\\PROJ"), " (1,234.6M Free)");
    EXPECT_EQ(asked, "C:\\DATA\\PROJ");  // the folder itself is asked, not only its drive
    figure = 5ull << 29;  // 2.5 GiB: beyond what 32 bits hold
    EXPECT_EQ(FreeSpaceText("C:\\"), " (2,560.0M Free)");
    figure = (5ull << 40) + (3ull << 20);  // 5 TiB and 3 MiB
    EXPECT_EQ(FreeSpaceText("C:\\"), " (5,242,883.0M Free)");
    figure = UINT64_MAX;
    EXPECT_EQ(FreeSpaceText("C:\\"), " (17,592,186,044,416.0M Free)");
    figure = 52429;  // just over 0.05 MiB rounds up, just under rounds down
    EXPECT_EQ(FreeSpaceText("C:\\"), " (0.1M Free)");
    figure = 52428;
    EXPECT_EQ(FreeSpaceText("C:\\"), " (0.0M Free)");
    figure = 1;
    EXPECT_EQ(FreeSpaceText("C:\\"), " (0.0M Free)");
    figure = 999ull << 20;
    EXPECT_EQ(FreeSpaceText("C:\\"), " (999.0M Free)");
    figure = 0;
    EXPECT_EQ(FreeSpaceText("C:\\"), "");
    figure = std::nullopt;
    EXPECT_EQ(FreeSpaceText("C:\\"), "");
    figure = 1ull << 20;
    EXPECT_EQ(FreeSpaceText("C"), "");
    SetFreeSpaceProvider(nullptr);
}

TEST(FreeSpaceText, AsksTheRealFileSystem)
{
    Sandbox box;
    SetFreeSpaceProvider(nullptr);
    const std::string text = FreeSpaceText("C:\\TEMP");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.rfind(" (", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 7), "M Free)");
    EXPECT_EQ(FreeSpaceText("Q:\\"), "");
}

TEST(ExistenceTests, FilesAndFolders)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Work/Sub");
    Sandbox::WriteFile(box.C() + "/Work/a.txt", "x");
    EXPECT_FALSE(FolderExists("C:\\Work\\a.txt"));
    EXPECT_TRUE(FolderExists("C:\\Work"));
    EXPECT_TRUE(FolderExists("c:\\work\\"));
    EXPECT_TRUE(FolderExists("C:\\"));
    EXPECT_TRUE(FolderExists("C:"));
    EXPECT_FALSE(FolderExists("C:\\Missing"));
    EXPECT_FALSE(FolderExists("Q:\\"));
    EXPECT_FALSE(FolderExists(""));
    ASSERT_TRUE(qb::platform::SetCurrentDirectory("C:\\Work"));
    EXPECT_TRUE(FolderExists("Sub"));  // relative to the current folder
    EXPECT_EQ(qb::platform::CurrentDirectory(), "C:\\Work");  // left where it was

    EXPECT_TRUE(FileExists("C:\\Work\\a.txt"));
    EXPECT_TRUE(FileExists("a.txt"));
    EXPECT_FALSE(FileExists("C:\\Work"));
    EXPECT_FALSE(FileExists("C:\\Work\\b.txt"));
    EXPECT_FALSE(FileExists(""));
}

TEST(SpecialFolders, TemporaryAndSystemFolders)
{
    Sandbox box;
    EXPECT_EQ(GetTempFolder(), "C:\\TEMP\\");
    Sandbox::MakeDirs(box.D() + "/System");
    box.Save("QUILLBOX2_SYSTEM_DIR", box.D() + "/System");
    EXPECT_EQ(GetSystemFolder(), "D:\\System");
}
