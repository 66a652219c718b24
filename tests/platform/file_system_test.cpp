// Directory search, listings, free space, existence tests, folder creation, file deletion,
// and the temporary and system folders.
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdint>

using namespace qb::platform;
using qbtest::Sandbox;

TEST(FindEntryName, GivesTheStoredSpelling)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Program Files/Common");
    Sandbox::WriteFile(box.C() + "/Program Files/ReadMe.TXT", "x");
    EXPECT_EQ(FindEntryName("c:\\program files"), "Program Files");
    EXPECT_EQ(FindEntryName("C:\\PROGRAM FILES\\readme.txt"), "ReadMe.TXT");
    EXPECT_EQ(FindEntryName("C:\\Program Files\\COMMON"), "Common");
}

TEST(FindEntryName, FindsNothing)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Program Files");
    EXPECT_EQ(FindEntryName("C:\\Missing"), std::nullopt);
    EXPECT_EQ(FindEntryName("C:\\Program Files\\"), std::nullopt);  // trailing backslash
    EXPECT_EQ(FindEntryName("C:\\"), std::nullopt);  // a root has no entry
    EXPECT_EQ(FindEntryName("C:"), std::nullopt);
    EXPECT_EQ(FindEntryName("C:\\Prog*"), std::nullopt);  // no wildcards
    EXPECT_EQ(FindEntryName("Q:\\x"), std::nullopt);
    EXPECT_EQ(FindEntryName(""), std::nullopt);
}

TEST(ListFolder, SortedWithKindsAndUnwritableNamesLeftOut)
{
    Sandbox box;
    const std::string dir = box.C() + "/List";
    Sandbox::MakeDirs(dir + "/beta");
    Sandbox::MakeDirs(dir + "/.hidden");
    Sandbox::WriteFile(dir + "/Alpha.txt", "");
    Sandbox::WriteFile(dir + "/gamma", "");
    Sandbox::WriteFile(dir + "/back\\slash", "");
    Sandbox::WriteFile(dir + "/bad\xfe", "");
    ASSERT_EQ(::symlink((dir + "/beta").c_str(), (dir + "/link").c_str()), 0);

    const std::vector<DirEntry> entries = ListFolder("c:\\list");
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].name, ".hidden");
    EXPECT_TRUE(entries[0].isHidden);
    EXPECT_TRUE(entries[0].isFolder);
    EXPECT_EQ(entries[1].name, "Alpha.txt");
    EXPECT_FALSE(entries[1].isFolder);
    EXPECT_FALSE(entries[1].isHidden);
    EXPECT_EQ(entries[2].name, "beta");
    EXPECT_EQ(entries[3].name, "gamma");
    EXPECT_EQ(entries[4].name, "link");
    EXPECT_TRUE(entries[4].isFolder);
    EXPECT_TRUE(ListFolder("C:\\List\\Missing").empty());
    EXPECT_TRUE(ListFolder("C:\\List\\gamma").empty());
}

TEST(FreeBytes, AsksTheFolderItselfThenItsDriveRoot)
{
    Sandbox box;
    auto statvfsFree = [](const std::string& host) {
        struct statvfs vfs { };
        EXPECT_EQ(::statvfs(host.c_str(), &vfs), 0);
        return static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    };
    // A drive on another file system shows that file system's figure.
    const std::string shm = "/dev/shm";
    if (Sandbox::Exists(shm) && ::access(shm.c_str(), W_OK) == 0) {
        char pattern[] = "/dev/shm/qb-free-XXXXXX";
        const std::string other = ::mkdtemp(pattern);
        box.Save("QUILLBOX2_DRIVES", "C:=" + box.C() + ";E:=" + other);
        ReloadDrives();
        const auto onShm = FreeBytes("E:\\");
        ASSERT_TRUE(onShm.has_value());
        const std::uint64_t expected = statvfsFree(other);
        EXPECT_LE(*onShm > expected ? *onShm - expected : expected - *onShm, 64u << 20);
        ::rmdir(other.c_str());
    }
    const auto inFolder = FreeBytes("C:\\TEMP");
    const auto missing = FreeBytes("C:\\No\\Such\\Folder");
    ASSERT_TRUE(inFolder.has_value());
    ASSERT_TRUE(missing.has_value());
    const std::uint64_t expected = statvfsFree(box.C());
    EXPECT_LE(*missing > expected ? *missing - expected : expected - *missing, 64u << 20);
    EXPECT_EQ(FreeBytes("Q:\\"), std::nullopt);
}

TEST(FileChecks, FoldersFilesAndWhatCannotBeRead)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/Dir");
    Sandbox::WriteFile(box.C() + "/Dir/File.txt", "x");
    EXPECT_TRUE(IsFolder("c:\\dir"));
    EXPECT_FALSE(IsFolder("C:\\Dir\\File.txt"));
    EXPECT_FALSE(IsFolder("C:\\Nope"));
    EXPECT_TRUE(CanEnterFolder("C:\\Dir"));
    EXPECT_TRUE(IsReadableFile("c:\\DIR\\file.TXT"));
    EXPECT_FALSE(IsReadableFile("C:\\Dir"));
    EXPECT_FALSE(IsReadableFile("C:\\Dir\\Missing.txt"));
    if (::geteuid() != 0) {  // the superuser reads and enters everything
        ::chmod((box.C() + "/Dir/File.txt").c_str(), 0);
        EXPECT_FALSE(IsReadableFile("C:\\Dir\\File.txt"));
        ::chmod((box.C() + "/Dir").c_str(), 0600);
        EXPECT_TRUE(IsFolder("C:\\Dir"));
        EXPECT_FALSE(CanEnterFolder("C:\\Dir"));
    }
}

TEST(FileChanges, MakeFolderAndRemoveFile)
{
    Sandbox box;
    EXPECT_TRUE(MakeFolder("C:\\New Folder"));
    EXPECT_TRUE(Sandbox::Exists(box.C() + "/New Folder"));
    EXPECT_FALSE(MakeFolder("c:\\new folder"));  // exists already (any case)
    EXPECT_FALSE(MakeFolder("C:\\Missing\\Child"));  // no parent
    EXPECT_FALSE(MakeFolder("Q:\\x"));

    Sandbox::WriteFile(box.C() + "/New Folder/a.txt", "x");
    EXPECT_FALSE(RemoveFile("C:\\New Folder"));  // a folder is not a file
    EXPECT_TRUE(RemoveFile("C:\\NEW FOLDER\\A.TXT"));
    EXPECT_FALSE(Sandbox::Exists(box.C() + "/New Folder/a.txt"));
    EXPECT_FALSE(RemoveFile("C:\\New Folder\\a.txt"));
}

TEST(SpecialFolders, TemporaryFolder)
{
    Sandbox box;
    EXPECT_EQ(TempFolder(), "C:\\TEMP\\");
    box.Save("TMPDIR", box.D());
    EXPECT_EQ(TempFolder(), "D:\\");
    box.Unset("TMPDIR");  // /tmp, which no sandbox drive covers
    EXPECT_EQ(TempFolder(), "");
    box.Unset("QUILLBOX2_DRIVES");
    ReloadDrives();
    EXPECT_EQ(TempFolder(), "C:\\tmp\\");
}

TEST(SpecialFolders, SystemFolder)
{
    Sandbox box;
    Sandbox::MakeDirs(box.D() + "/Modules");
    box.Save("QUILLBOX2_SYSTEM_DIR", box.D() + "/Modules/");
    EXPECT_EQ(SystemFolder(), "D:\\Modules");
    // Without the variable, only what lies beside the program counts: this test program has
    // no modules there, and no build-tree or configure-time folder is tried in their place.
    box.Unset("QUILLBOX2_SYSTEM_DIR");
    box.Unset("QUILLBOX2_DRIVES");
    ReloadDrives();
    ASSERT_TRUE(Sandbox::Exists(QB_TEST_BUILD_SYSTEM_DIR));
    EXPECT_EQ(SystemFolder(), "");
}

TEST(SpecialFolders, SystemFolderOutsideEveryDriveStaysReachable)
{
    // A drive table that does not cover the modules' folder must not lose the modules.
    Sandbox box;
    Sandbox::MakeDirs(box.Root() + "/modules");
    box.Save("QUILLBOX2_SYSTEM_DIR", box.Root() + "//modules/");
    EXPECT_EQ(SystemFolder(), box.Root() + "/modules");
    EXPECT_EQ(ToHostPath(SystemFolder()), box.Root() + "/modules");
    // The build tree's folder, outside the sandbox drives, likewise.
    box.Save("QUILLBOX2_SYSTEM_DIR", QB_TEST_BUILD_SYSTEM_DIR);
    EXPECT_EQ(ToHostPath(SystemFolder()), QB_TEST_BUILD_SYSTEM_DIR);
}

TEST(ReplaceFileAtomically, ReplacesWholeKeepsRightsAndRefusesWhatIsNoFile)
{
    Sandbox box;
    const std::string file = box.C() + "/job.qbj";
    Sandbox::WriteFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    EXPECT_TRUE(ReplaceFileAtomically(file, "new contents"));
    EXPECT_EQ(Sandbox::ReadFile(file), "new contents");
    struct stat st { };
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(ReplaceFileAtomically(file, "given rights", 0600u));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    Sandbox::MakeDirs(box.C() + "/folder");
    const std::size_t entries = ListFolder("C:\\").size();
    EXPECT_FALSE(ReplaceFileAtomically(box.C() + "/folder", "x"));  // never over a folder
    EXPECT_FALSE(ReplaceFileAtomically(box.C() + "/missing/f", "x"));  // no folder to write in
    EXPECT_EQ(ListFolder("C:\\").size(), entries);  // no temporary file left
}

TEST(ReadRegularFile, ReadsFilesUpToTheLimitAndNeverWaitsOnAPipe)
{
    Sandbox box;
    const std::string file = box.C() + "/a.txt";
    Sandbox::WriteFile(file, "12345");
    EXPECT_EQ(ReadRegularFile(file, 5), "12345");
    EXPECT_EQ(ReadRegularFile(file, 4), std::nullopt);
    EXPECT_EQ(ReadRegularFile(box.C() + "/none", 100), std::nullopt);
    const std::string pipe = box.C() + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(ReadRegularFile(pipe, 100), std::nullopt);
    EXPECT_EQ(ReadRegularFile(box.C(), 100), std::nullopt);
}
