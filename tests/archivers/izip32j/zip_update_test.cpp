// Updating an existing archive: what is unchanged stays byte for byte, what changed is replaced
// in place, nothing is lost; and the double-archive cycle (UnZip -x, then Zip into it again).
#include "RawMembers.h"
#include "Sandbox.h"
#include "ZipCheck.h"
#include "ZipModules.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace qb::ziptest;
using qb::arctest::ReadFile;

namespace {

void Touch(const std::string& path, std::time_t mtime)
{
    struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace

TEST(ZipUpdate, UnchangedFolderLeavesEveryMemberAsItWas)
{
    Modules();
    std::string source = DriveC() + "/UPD/SAME";
    MakeSourceTree(source, false);
    fs::create_directories(DriveD() + "/OUT");
    std::string archive = DriveD() + "/OUT/SAME.ZIP";
    fs::remove(archive);
    const char* command = R"( -r  -9 "D:\OUT\SAME.ZIP" "*.*")";
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    std::string before = ReadFile(archive);
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    EXPECT_EQ(ReadFile(archive), before);
    EXPECT_EQ(qb::arctest::FolderNames(DriveD() + "/OUT"), std::vector<std::string>{"SAME.ZIP"});
}

TEST(ZipUpdate, OneChangedFileIsExactlyReplacedAndNothingIsLost)
{
    Modules();
    std::string source = DriveC() + "/UPD/ONE";
    MakeSourceTree(source, false);
    fs::create_directories(DriveD() + "/OUT");
    std::string archive = DriveD() + "/OUT/ONE.ZIP";
    fs::remove(archive);
    const char* command = R"( -r  -9 "D:\OUT\ONE.ZIP" "*.*")";
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    auto before = RawMembers(archive);

    // Same size, new content and time: the size alone must not hide the change.
    std::string old = ReadFile(source + "/readme.txt");
    std::string changed(old.size(), 'Z');
    std::ofstream(source + "/readme.txt", std::ios::binary) << changed;
    Touch(source + "/readme.txt", std::time(nullptr) + 60);
    fs::remove(source + "/empty.dat");  // a file gone from the folder stays in the archive
    std::ofstream(source + "/sub/new.txt") << "new file\n";

    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    EXPECT_TRUE(PeersAccept(archive));
    auto after = RawMembers(archive);
    ASSERT_EQ(after.size(), before.size() + 1);
    for (const auto& [name, member] : before) {
        ASSERT_TRUE(after.count(name)) << name << " was lost";
        if (name == "readme.txt") {
            EXPECT_EQ(after[name].index, member.index);  // replaced in place
            EXPECT_NE(after[name].crc, member.crc);
        } else {
            EXPECT_EQ(after[name], member) << name << " changed";
        }
    }
    EXPECT_TRUE(after.count("sub/new.txt"));
    qb::arctest::Sandbox out;
    ASSERT_EQ(
        Modules().UnZip(out.Root(), R"(-x "D:\OUT\ONE.ZIP" ")" + out.Root() + R"(" "readme.txt")"),
        0)
        << Modules().output;
    EXPECT_EQ(ReadFile(out.Path("readme.txt")), changed);
}

TEST(ZipUpdate, FileSavedAgainWithinTheSameSecondIsStillReplaced)
{
    Modules();
    std::string source = DriveC() + "/UPD/QUICK";
    MakeSourceTree(source, false);
    fs::create_directories(DriveD() + "/OUT");
    std::string archive = DriveD() + "/OUT/QUICK.ZIP";
    fs::remove(archive);
    const std::time_t when = 1700000000;  // an even second: one DOS time step holds both saves
    Touch(source + "/readme.txt", when);
    const char* command = R"( -r  -0 "D:\OUT\QUICK.ZIP" "*.*")";
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;

    // Same size, same recorded time: only the contents differ.
    std::string changed(ReadFile(source + "/readme.txt").size(), 'Q');
    std::ofstream(source + "/readme.txt", std::ios::binary | std::ios::trunc) << changed;
    Touch(source + "/readme.txt", when + 1);
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    qb::arctest::Sandbox out;
    ASSERT_EQ(Modules().UnZip(out.Root(),
                              R"(-x "D:\OUT\QUICK.ZIP" ")" + out.Root() + R"(" "readme.txt")"),
              0)
        << Modules().output;
    EXPECT_EQ(ReadFile(out.Path("readme.txt")), changed);
}

TEST(ZipUpdate, ExactTimesDecideAndAChangeWithinTheSameTickIsCaught)
{
    Modules();
    std::string source = DriveC() + "/UPD/EXACT";
    fs::create_directories(source);
    fs::create_directories(DriveD() + "/OUT");
    std::string archive = DriveD() + "/OUT/EXACT.ZIP";
    fs::remove(archive);
    const char* command = R"( -r  -9 "D:\OUT\EXACT.ZIP" "*.*")";
    auto setTime = [&](const struct timespec& t) {
        struct timespec times[2] = {t, t};
        utimensat(AT_FDCWD, (source + "/a.txt").c_str(), times, 0);
    };
    auto save = [&](char fill, const struct timespec& t) {
        std::ofstream(source + "/a.txt", std::ios::binary | std::ios::trunc)
            << std::string(100, fill);
        setTime(t);
    };
    const struct timespec old = {1700000001, 555555500};
    save('a', old);
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    EXPECT_TRUE(PeersAccept(archive));
    std::string packed = ReadFile(archive);

    // Equal exact times, long before the archive was written: the file is not read again.
    save('b', old);
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    EXPECT_EQ(ReadFile(archive), packed);
    // 100 ns later, within the same second and DOS time step: replaced.
    save('c', {old.tv_sec, old.tv_nsec + 100});
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    EXPECT_NE(ReadFile(archive), packed);

    // Extraction gives the exact time back.
    qb::arctest::Sandbox out;
    ASSERT_EQ(Modules().UnZip(out.Root(), R"(-x "D:\OUT\EXACT.ZIP" ")" + out.Root() + "\""), 0)
        << Modules().output;
    struct stat info { };
    ASSERT_EQ(stat(out.Path("a.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, old.tv_sec);
    EXPECT_EQ(info.st_mtim.tv_nsec, old.tv_nsec + 100);
    EXPECT_EQ(ReadFile(out.Path("a.txt")), std::string(100, 'c'));

    // Packed in the same tick as the file's last save: equal times cannot tell a second save
    // within that tick, so the contents decide.
    struct timespec now { };
    clock_gettime(CLOCK_REALTIME, &now);
    save('d', now);
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    save('e', now);
    ASSERT_EQ(Modules().Zip(source, command), 0) << Modules().output;
    ASSERT_EQ(Modules().UnZip(out.Root(), R"(-x "D:\OUT\EXACT.ZIP" ")" + out.Root() + "\""), 0)
        << Modules().output;
    EXPECT_EQ(ReadFile(out.Path("a.txt")), std::string(100, 'e'));
    EXPECT_TRUE(PeersAccept(archive));
    EXPECT_EQ(qb::arctest::RunShell("bsdtar -tf '" + archive + "' >/dev/null 2>&1"), 0);
    EXPECT_EQ(qb::arctest::RunShell("zipinfo -v '" + archive + "' | grep -q 'PKWARE Win32'"), 0);
}

TEST(ZipUpdate, ArchivesOfOtherToolsAreUpdatedAndStayValid)
{
    // zip writing into a pipe puts sizes and CRC after the data (data descriptors); 7zz writes
    // its own extra fields. Kept members are copied as they are, the directory rewritten.
    Modules();
    qb::arctest::Sandbox box;
    std::string source = box.MakeFolder("src");
    box.Write("src/keep.txt", std::string(5000, 'k'));
    box.Write("src/change.txt", "before\n");
    struct Maker {
        const char* name;
        const char* command;
    };
    for (const Maker& maker : {Maker{"piped.zip", "zip -q - keep.txt change.txt | cat > "},
                               Maker{"7zz.zip", "7zz a -tzip -bd -bso0 "}}) {
        SCOPED_TRACE(maker.name);
        std::string archive = box.Path(maker.name);
        ASSERT_EQ(qb::arctest::RunShell(
                      "cd '" + source + "' && " + maker.command + "'" + archive + "'" +
                      (std::string(maker.name) == "7zz.zip" ? " keep.txt change.txt" : "")),
                  0);
        auto before = RawMembers(archive);
        box.Write("src/change.txt", std::string("after, longer than before: ") + maker.name + "\n");
        box.Write("src/new.txt", "new\n");
        ASSERT_EQ(Modules().Zip(source, " -9 \"" + archive + "\" \"*.*\""), 0) << Modules().output;
        EXPECT_TRUE(PeersAccept(archive));
        EXPECT_EQ(qb::arctest::RunShell("bsdtar -tf '" + archive + "' >/dev/null 2>&1"), 0);
        EXPECT_EQ(ExtractAndCompare(archive, source), "");
        auto after = RawMembers(archive);
        EXPECT_EQ(after.at("keep.txt"), before.at("keep.txt"));
        EXPECT_EQ(after.size(), 3u);
        box.Write("src/change.txt", "before\n");
        fs::remove(source + "/new.txt");
    }
}

TEST(ZipUpdate, DoubleArchiveCycle)
{
    Modules();
    std::string temp = DriveC() + "/TEMP";
    fs::create_directories(temp);
    fs::create_directories(DriveD() + "/OUT");
    std::string inner = temp + "/CYCLE.LZH";
    std::string outer = DriveD() + "/OUT/CYCLE.LZH.ZIP";
    fs::remove(outer);
    std::string first;
    for (int i = 0; i < 20000; ++i)
        first += "first version " + std::to_string(i) + "\n";
    std::ofstream(inner, std::ios::binary) << first;
    Touch(inner, 1500000000);
    ASSERT_EQ(Modules().Zip(temp, R"(-r -9 "D:\OUT\CYCLE.LZH.ZIP" "CYCLE.LZH")"), 0)
        << Modules().output;
    fs::remove(inner);

    // The update extraction brings the stored archive back, with its time.
    ASSERT_EQ(Modules().UnZip(temp, R"(-x "D:\OUT\CYCLE.LZH.ZIP" "C:\TEMP\" "CYCLE.LZH")"), 0)
        << Modules().output;
    EXPECT_EQ(ReadFile(inner), first);
    struct stat info { };
    ASSERT_EQ(stat(inner.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1500000000);

    // The first stage updates it; the second stage puts it back into the same outer archive.
    std::ofstream(inner, std::ios::binary | std::ios::app) << "appended by the update\n";
    ASSERT_EQ(Modules().Zip(temp, R"(-r -9 "D:\OUT\CYCLE.LZH.ZIP" "CYCLE.LZH")"), 0)
        << Modules().output;
    EXPECT_TRUE(PeersAccept(outer));
    EXPECT_EQ(ArchiveMembers(outer), std::vector<std::string>{"CYCLE.LZH"});
    EXPECT_EQ(ExtractAndCompare(outer, temp), "");
    fs::remove(inner);
}
