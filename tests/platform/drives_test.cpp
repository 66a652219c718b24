// The drive table and the conversions between drive paths and host paths.
#include "platform/Drives.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

using namespace qb::platform;
using qbtest::Sandbox;

TEST(DriveTable, DefaultIsOneDriveAtTheHostRoot)
{
    Sandbox box;
    box.Unset("QUILLBOX2_DRIVES");
    ReloadDrives();
    ASSERT_EQ(Drives().size(), 1u);
    EXPECT_EQ(Drives()[0].letter, 'C');
    EXPECT_EQ(Drives()[0].root, "/");
    EXPECT_EQ(ToDrivePath("/home/me/work"), "C:\\home\\me\\work");
    EXPECT_EQ(ToHostPath("C:\\"), "/");
}

TEST(DriveTable, LettersInAnyCaseAndRootsCleaned)
{
    Sandbox box;
    box.Save("QUILLBOX2_DRIVES", " d:=" + box.D() + "/ ; c:=" + box.C() + "//./ ;;");
    ReloadDrives();
    ASSERT_EQ(Drives().size(), 2u);
    EXPECT_EQ(Drives()[0].letter, 'C');
    EXPECT_EQ(Drives()[0].root, box.C());
    EXPECT_EQ(Drives()[1].letter, 'D');
    EXPECT_EQ(Drives()[1].root, box.D());
    EXPECT_EQ(DriveRoot('d'), box.D());
    EXPECT_EQ(DriveRoot('E'), "");
}

TEST(DriveTable, BadEntriesAreReportedOnceAndSkipped)
{
    Sandbox box;
    box.Save("QUILLBOX2_DRIVES", "=/x;CD:=" + box.C() + ";E:=relative/dir;F:=" + box.Root() +
                                     "/missing;C:=" + box.C() + ";c:=" + box.D() + ";G" +
                                     ";D:=" + box.D());
    testing::internal::CaptureStderr();
    ReloadDrives();
    ASSERT_EQ(Drives().size(), 2u);
    Drives();
    ToHostPath("C:\\");
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 6) << report;
    EXPECT_NE(report.find("relative/dir"), std::string::npos);
    EXPECT_NE(report.find("missing"), std::string::npos);
    EXPECT_EQ(DriveRoot('C'), box.C());  // the first C: wins
    EXPECT_EQ(DriveRoot('D'), box.D());

    // Another copy of the table in the same process (an archiver module's) keeps quiet.
    testing::internal::CaptureStderr();
    ReloadDrives();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Drives().size(), 2u);
}

TEST(DriveTable, NothingUsableFallsBackToTheDefault)
{
    Sandbox box;
    box.Save("QUILLBOX2_DRIVES", "C:=nowhere");
    testing::internal::CaptureStderr();
    ReloadDrives();
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(Drives().size(), 1u);
    EXPECT_EQ(Drives()[0].root, "/");
}

TEST(ToHostPath, ResolvesEachComponentLikeWindows)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Program Files/Sub");
    Sandbox::MakeDirs(box.C() + "/abc");
    Sandbox::MakeDirs(box.C() + "/ABC");
    Sandbox::MakeDirs(box.C() + "/ärger/ａｂｃ");
    EXPECT_EQ(ToHostPath("c:\\program files\\SUB"), box.C() + "/Program Files/Sub");
    EXPECT_EQ(ToHostPath("C:/Program Files/sub/"), box.C() + "/Program Files/Sub");
    // The exact name wins; otherwise the first match in name order.
    EXPECT_EQ(ToHostPath("C:\\abc"), box.C() + "/abc");
    EXPECT_EQ(ToHostPath("C:\\ABC"), box.C() + "/ABC");
    EXPECT_EQ(ToHostPath("C:\\Abc"), box.C() + "/ABC");
    // Letter case beyond ASCII.
    EXPECT_EQ(ToHostPath("C:\\ÄRGER\\ＡＢＣ"), box.C() + "/ärger/ａｂｃ");
    // Missing components are taken as given, and everything after them too.
    EXPECT_EQ(ToHostPath("C:\\PROGRAM FILES\\New\\sub"), box.C() + "/Program Files/New/sub");
}

TEST(ToHostPath, RootsAndDotsStayInsideTheDrive)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Work");
    EXPECT_EQ(ToHostPath("C:"), box.C());
    EXPECT_EQ(ToHostPath("c:\\"), box.C());
    EXPECT_EQ(ToHostPath("C:\\work\\.\\..\\WORK"), box.C() + "/Work");
    EXPECT_EQ(ToHostPath("C:\\..\\..\\etc\\passwd"), box.C() + "/etc/passwd");
    EXPECT_EQ(ToHostPath("D:\\x"), box.D() + "/x");
    EXPECT_EQ(ToHostPath("/a/./b//../c/"), "/a/c");
}

TEST(ToHostPath, NotConvertible)
{
    Sandbox box;
    EXPECT_EQ(ToHostPath(""), "");
    EXPECT_EQ(ToHostPath("Q:\\x"), "");  // unknown drive
    EXPECT_EQ(ToHostPath("\\\\server\\share"), "");  // UNC
    EXPECT_EQ(ToHostPath("relative\\path"), "");
    EXPECT_EQ(ToHostPath("C:relative"), "");
    EXPECT_EQ(ToHostPath("1:\\x"), "");
    EXPECT_EQ(ToHostPath(std::string("C:\\a\0b", 6)), "");  // a NUL would cut the name short
    EXPECT_EQ(ToDrivePath(std::string("/a\0b", 4)), "");
}

TEST(ToDrivePath, LongestRootWins)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/mnt/usb");
    Sandbox::MakeDirs(box.C() + "/mnt/usbx");
    box.Save("QUILLBOX2_DRIVES", "C:=" + box.C() + ";D:=" + box.C() + "/mnt/usb");
    ReloadDrives();
    EXPECT_EQ(ToDrivePath(box.C()), "C:\\");
    EXPECT_EQ(ToDrivePath(box.C() + "/"), "C:\\");
    EXPECT_EQ(ToDrivePath(box.C() + "/mnt/usb"), "D:\\");
    EXPECT_EQ(ToDrivePath(box.C() + "/mnt/usb/a/b"), "D:\\a\\b");
    EXPECT_EQ(ToDrivePath(box.C() + "/mnt/usbx/a"), "C:\\mnt\\usbx\\a");
    EXPECT_EQ(ToDrivePathOn('c', box.C() + "/mnt/usb/a"), "C:\\mnt\\usb\\a");
    EXPECT_EQ(ToDrivePathOn('D', box.C() + "/mnt/usbx"), "");
    EXPECT_EQ(ToDrivePath(box.Root()), "");  // not under any drive
    EXPECT_EQ(ToDrivePath("relative/x"), "");
}

TEST(ToDrivePath, NamesThatCannotBeWrittenAsDrivePaths)
{
    Sandbox box;
    EXPECT_EQ(ToDrivePath(box.C() + "/back\\slash"), "");
    EXPECT_EQ(ToDrivePath(box.C() + "/bad\xff"
                                    "name/x"),
              "");
    EXPECT_EQ(ToDrivePath(box.C() + "/日本語"), "C:\\日本語");
    EXPECT_TRUE(IsDrivePathComponent("名前.txt"));
    EXPECT_FALSE(IsDrivePathComponent(""));
    EXPECT_FALSE(IsDrivePathComponent("a\\b"));
    EXPECT_FALSE(IsDrivePathComponent("\xc3\x28"));
}

TEST(ToDrivePath, RootReachedThroughALink)
{
    Sandbox box;
    Sandbox::MakeDirs(box.Root() + "/real/Work");
    ASSERT_EQ(::symlink((box.Root() + "/real").c_str(), (box.Root() + "/link").c_str()), 0);
    box.Save("QUILLBOX2_DRIVES", "E:=" + box.Root() + "/link");
    ReloadDrives();
    EXPECT_EQ(ToDrivePath(box.Root() + "/link/Work"), "E:\\Work");
    EXPECT_EQ(ToDrivePath(box.Root() + "/real/Work"), "E:\\Work");
}
