// The current drive and the per-drive current directory, and that changing it really moves
// the process (so relative names given to the archiver modules land in the right folder).
#include "platform/CurrentDir.h"
#include "platform/Drives.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace qb::platform;
using qbtest::Sandbox;

namespace {
std::string RealCwd()
{
    return std::filesystem::current_path().string();
}
}  // namespace

TEST(CurrentDir, StartsFromTheProcessWorkingDirectory)
{
    Sandbox box;
    Sandbox::MakeDirs(box.D() + "/Out Dir");
    std::filesystem::current_path(box.D() + "/Out Dir");
    ReloadDrives();
    EXPECT_EQ(CurrentDrive(), 'D');
    EXPECT_EQ(CurrentDirectory(), "D:\\Out Dir");
    EXPECT_EQ(CurrentDirectory('c'), "C:\\");  // never visited: its root
    EXPECT_EQ(CurrentDirectory('Q'), "");
}

TEST(CurrentDir, OutsideEveryDriveStartsAtTheFirstRoot)
{
    Sandbox box;
    std::filesystem::current_path(box.Root());
    ReloadDrives();
    EXPECT_EQ(CurrentDrive(), 'C');
    EXPECT_EQ(CurrentDirectory(), "C:\\");
}

TEST(CurrentDir, ChangingTheCurrentDrivesFolderMovesTheProcess)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Work/Sub");
    ASSERT_TRUE(SetCurrentDirectory("c:\\WORK\\sub"));
    EXPECT_EQ(CurrentDirectory(), "C:\\Work\\Sub");  // stored spelling
    EXPECT_EQ(RealCwd(), box.C() + "/Work/Sub");
    // A relative name now lands in that folder.
    {
        std::ofstream("made-here.txt") << "x";
    }
    EXPECT_TRUE(Sandbox::Exists(box.C() + "/Work/Sub/made-here.txt"));

    ASSERT_TRUE(SetCurrentDirectory(".."));
    EXPECT_EQ(CurrentDirectory(), "C:\\Work");
    ASSERT_TRUE(SetCurrentDirectory("SUB"));
    EXPECT_EQ(CurrentDirectory(), "C:\\Work\\Sub");
    ASSERT_TRUE(SetCurrentDirectory("\\"));
    EXPECT_EQ(CurrentDirectory(), "C:\\");
    EXPECT_EQ(RealCwd(), box.C());
    ASSERT_TRUE(SetCurrentDirectory(box.C() + "/Work"));  // a host path
    EXPECT_EQ(CurrentDirectory(), "C:\\Work");
}

TEST(CurrentDir, AnotherDrivesFolderIsRememberedWithoutMoving)
{
    Sandbox box;
    Sandbox::MakeDirs(box.D() + "/Out/Deep");
    ASSERT_EQ(CurrentDrive(), 'C');
    ASSERT_TRUE(SetCurrentDirectory("D:\\out"));
    EXPECT_EQ(CurrentDrive(), 'C');
    EXPECT_EQ(RealCwd(), box.C());
    EXPECT_EQ(CurrentDirectory('D'), "D:\\Out");
    ASSERT_TRUE(SetCurrentDirectory("d:deep"));  // relative to D:'s own folder
    EXPECT_EQ(CurrentDirectory('D'), "D:\\Out\\Deep");

    ASSERT_TRUE(SetCurrentDrive('d'));
    EXPECT_EQ(CurrentDrive(), 'D');
    EXPECT_EQ(RealCwd(), box.D() + "/Out/Deep");
    EXPECT_EQ(CurrentDirectory(), "D:\\Out\\Deep");
    ASSERT_TRUE(SetCurrentDrive('C'));
    EXPECT_EQ(RealCwd(), box.C());
}

TEST(CurrentDir, ADriveNamedExplicitlyKeepsItsLetter)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/mnt/usb");
    box.Save("QUILLBOX2_DRIVES", "C:=" + box.C() + ";E:=" + box.C() + "/mnt/usb");
    std::filesystem::current_path(box.C());
    ReloadDrives();
    ASSERT_TRUE(SetCurrentDirectory("C:\\mnt\\usb"));
    EXPECT_EQ(CurrentDirectory('C'), "C:\\mnt\\usb");
    EXPECT_EQ(CurrentDirectory('E'), "E:\\");
}

TEST(CurrentDir, RefusalsChangeNothing)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Work");
    Sandbox::WriteFile(box.C() + "/file.txt", "x");
    ASSERT_TRUE(SetCurrentDirectory("C:\\Work"));
    EXPECT_FALSE(SetCurrentDirectory("C:\\Missing"));
    EXPECT_FALSE(SetCurrentDirectory("C:\\file.txt"));
    EXPECT_FALSE(SetCurrentDirectory("Q:\\"));
    EXPECT_FALSE(SetCurrentDirectory("\\\\server\\share"));
    EXPECT_FALSE(SetCurrentDirectory(""));
    EXPECT_FALSE(SetCurrentDirectory(box.Root()));  // a host folder outside every drive
    EXPECT_FALSE(SetCurrentDrive('Q'));
    EXPECT_EQ(CurrentDirectory(), "C:\\Work");
    EXPECT_EQ(RealCwd(), box.C() + "/Work");
}

TEST(CurrentDir, DriveWhoseFolderWasRemovedFallsBackToItsRoot)
{
    Sandbox box;
    Sandbox::MakeDirs(box.D() + "/Gone");
    ASSERT_TRUE(SetCurrentDirectory("D:\\Gone"));
    std::filesystem::remove(box.D() + "/Gone");
    ASSERT_TRUE(SetCurrentDrive('D'));
    EXPECT_EQ(CurrentDirectory(), "D:\\");
    EXPECT_EQ(RealCwd(), box.D());
}

TEST(CurrentDir, ResolvesRelativeForms)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Work");
    Sandbox::MakeDirs(box.D() + "/Out");
    ASSERT_TRUE(SetCurrentDirectory("C:\\Work"));
    ASSERT_TRUE(SetCurrentDirectory("D:\\Out"));
    EXPECT_EQ(ResolveHostPath("a.txt"), box.C() + "/Work/a.txt");
    EXPECT_EQ(ResolveHostPath("\\a.txt"), box.C() + "/a.txt");
    EXPECT_EQ(ResolveHostPath("D:a.txt"), box.D() + "/Out/a.txt");
    EXPECT_EQ(ResolveHostPath("D:"), box.D() + "/Out");
    EXPECT_EQ(ResolveHostPath("D:\\"), box.D());
    EXPECT_EQ(ResolveHostPath("Q:a"), "");
}
