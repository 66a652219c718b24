// UNZIP32.DLL: extraction of chosen members, testing and listing, and what it refuses: names
// leading outside the folder, links out of it, damaged and truncated archives.
#include "RawMembers.h"
#include "Sandbox.h"
#include "ZipCheck.h"
#include "ZipModules.h"
#include "archiver_results.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace fs = std::filesystem;
using namespace qb::ziptest;
using qb::arctest::FolderNames;
using qb::arctest::ReadFile;
using qb::arctest::Sandbox;

namespace {

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

class UnZip : public ::testing::Test {
protected:
    void SetUp() override
    {
        Modules();
        fs::create_directories(DriveD() + "/OUT");
        source = box.MakeFolder("src");
        MakeSourceTree(source, false);
        archive = box.Path("t.zip");
        ASSERT_EQ(Modules().Zip(source, " -r -S -9 " + Quoted(archive) + " \"*.*\""), 0)
            << Modules().output;
    }

    // Runs -x into a fresh folder of the sandbox.
    int Extract(const std::string& zip, const std::string& names, const std::string& folder)
    {
        return Modules().UnZip(box.Root(),
                               "-x " + Quoted(zip) + " " + Quoted(folder) + " " + names);
    }

    Sandbox box;
    std::string source;
    std::string archive;
};

}  // namespace

TEST_F(UnZip, ExtractsEverythingOrTheNamedMembers)
{
    std::string all = box.MakeFolder("all");
    ASSERT_EQ(Extract(archive, "", all), 0) << Modules().output;
    for (const std::string& member : ExpectedMembers(source, true, true, true)) {
        if (member.back() == '/')
            EXPECT_TRUE(fs::is_directory(all + "/" + member)) << member;
        else
            EXPECT_EQ(ReadFile(all + "/" + member), ReadFile(source + "/" + member)) << member;
    }
    // Names match without regard to case and may be wildcards; folders come along as needed.
    std::string some = box.MakeFolder("some");
    ASSERT_EQ(Extract(archive, R"("README.TXT" "日本語フォルダ\*.txt")", some), 0)
        << Modules().output;
    EXPECT_EQ(FolderNames(some), (std::vector<std::string>{"readme.txt", "日本語フォルダ"}));
    EXPECT_EQ(ReadFile(some + "/日本語フォルダ/名前.txt"), "日本語の中身\n");
    // An existing file is replaced.
    std::ofstream(some + "/readme.txt") << "old";
    ASSERT_EQ(Extract(archive, "readme.txt", some), 0);
    EXPECT_EQ(ReadFile(some + "/readme.txt"), ReadFile(source + "/readme.txt"));
    EXPECT_EQ(Extract(archive, "not-there.txt", some), ARC_ERROR_MEMBER_MISSING);
}

TEST_F(UnZip, ManyMembersAcrossTheReadBufferOfTheArchive)
{
    // The archive is read in pieces of 256 KiB: local headers, central directory entries and
    // member data fall across the seams of those pieces, and one member is read past them whole.
    std::string many = box.MakeFolder("many");
    std::mt19937 rng(5);
    std::map<std::string, std::string> files;
    for (int i = 0; i < 400; ++i) {
        std::string data(1 + rng() % 3000, '\0');
        for (char& c : data)
            c = static_cast<char>(rng() % 3 ? 'a' + rng() % 3 : rng());
        files["f" + std::to_string(i) + ".bin"] = data;
    }
    std::string big(700000, '\0');
    for (char& c : big)
        c = static_cast<char>(rng());
    files["big.bin"] = big;
    for (const auto& [name, data] : files)
        std::ofstream(many + "/" + name, std::ios::binary) << data;
    std::string zip = box.Path("many.zip");
    ASSERT_EQ(Modules().Zip(many, " -9 " + Quoted(zip) + " \"*.*\""), 0) << Modules().output;
    ASSERT_GT(fs::file_size(zip), 3u * (256u << 10));
    std::string out = box.MakeFolder("many-out");
    ASSERT_EQ(Extract(zip, "", out), 0) << Modules().output;
    for (const auto& [name, data] : files)
        ASSERT_EQ(ReadFile(out + "/" + name), data) << name;
    EXPECT_EQ(Modules().UnZip(box.Root(), "-t " + Quoted(zip)), 0) << Modules().output;
}

TEST_F(UnZip, TestsAndLists)
{
    EXPECT_EQ(Modules().UnZip(box.Root(), "-t " + Quoted(archive)), 0) << Modules().output;
    ASSERT_EQ(Modules().UnZip(box.Root(), "-l " + Quoted(archive)), 0);
    EXPECT_NE(Modules().output.find("日本語フォルダ/名前.txt"), std::string::npos);
    EXPECT_NE(Modules().output.find("with space/a file.txt"), std::string::npos);
}

TEST_F(UnZip, MissingArchiveOrFolderAndBadSwitches)
{
    EXPECT_EQ(Extract(box.Path("none.zip"), "", box.Root()), ARC_ERROR_ARCHIVE_MISSING);
    EXPECT_EQ(Extract(archive, "", box.Path("nofolder")), ARC_ERROR_FOLDER_MISSING);
    EXPECT_EQ(Modules().UnZip(box.Root(), "-q " + Quoted(archive)), ARC_ERROR_COMMAND_LINE);
    EXPECT_EQ(Modules().UnZip(box.Root(), "-x " + Quoted(archive)), ARC_ERROR_COMMAND_LINE);
}

TEST_F(UnZip, TruncatedAndDamagedArchivesFailCleanly)
{
    std::string whole = ReadFile(archive);
    for (size_t keep : {size_t{0}, size_t{10}, whole.size() / 2, whole.size() - 10}) {
        std::string cut = box.Path("cut.zip");
        std::ofstream(cut, std::ios::binary | std::ios::trunc) << whole.substr(0, keep);
        std::string into = box.MakeFolder("cut" + std::to_string(keep));
        EXPECT_EQ(Extract(cut, "", into), ARC_ERROR_BAD_ARCHIVE) << keep;
        EXPECT_TRUE(FolderNames(into).empty()) << keep;
        EXPECT_EQ(Modules().UnZip(box.Root(), "-t " + Quoted(cut)), ARC_ERROR_BAD_ARCHIVE) << keep;
    }

    // A flipped byte inside one member's data: that member fails its check and does not replace
    // the file already there; the others still come out.
    std::string damaged = box.Path("damaged.zip");
    std::map<std::string, std::string> members{{"a.txt", std::string(5000, 'a')}, {"b.txt", "bbb"}};
    WriteArchive(damaged, members);
    std::string bytes = ReadFile(damaged);
    size_t at = bytes.find("a.txt") + 5 + 20;  // inside a.txt's data, after its local header
    bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
    std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
    std::string into = box.MakeFolder("damaged");
    std::ofstream(into + "/a.txt") << "keep me";
    int result = Extract(damaged, "", into);
    EXPECT_TRUE(result == ARC_ERROR_CHECKSUM || result == ARC_ERROR_BAD_ARCHIVE) << result;
    EXPECT_EQ(ReadFile(into + "/a.txt"), "keep me");
    EXPECT_EQ(ReadFile(into + "/b.txt"), "bbb");
    EXPECT_EQ(FolderNames(into), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_NE(Modules().UnZip(box.Root(), "-t " + Quoted(damaged)), 0);
}

TEST_F(UnZip, NeverWritesOutsideTheFolder)
{
    std::string evil = box.Path("evil.zip");
    WriteArchive(evil, {{"../escaped.txt", "x"},
                        {"/absolute.txt", "x"},
                        {"inner/../../escaped2.txt", "x"},
                        {"C:escaped3.txt", "x"},
                        {"link/escaped4.txt", "x"},
                        {"fine/ok.txt", "ok"}});
    std::string into = box.MakeFolder("jail/into");
    std::string outside = box.MakeFolder("outside");
    fs::create_directory_symlink(outside, into + "/link");
    EXPECT_EQ(Extract(evil, "", into), ARC_ERROR_UNSAFE_PATH) << Modules().output;
    EXPECT_EQ(ReadFile(into + "/fine/ok.txt"), "ok");
    EXPECT_EQ(FolderNames(box.Path("jail")), std::vector<std::string>{"into"});
    EXPECT_EQ(FolderNames(into), (std::vector<std::string>{"fine", "link"}));
    EXPECT_TRUE(FolderNames(outside).empty());
    EXPECT_FALSE(fs::exists("/absolute.txt"));

    // A link standing where a file is extracted is replaced, never written through.
    std::string target = box.Path("outside/victim.txt");
    std::ofstream(target) << "untouched";
    fs::create_symlink(target, into + "/victim.txt");
    WriteArchive(box.Path("victim.zip"), {{"victim.txt", "new"}});
    ASSERT_EQ(Extract(box.Path("victim.zip"), "", into), 0) << Modules().output;
    EXPECT_EQ(ReadFile(target), "untouched");
    EXPECT_FALSE(fs::is_symlink(into + "/victim.txt"));
    EXPECT_EQ(ReadFile(into + "/victim.txt"), "new");
}

TEST_F(UnZip, NamesFromJapaneseWindowsAreRead)
{
    // "表示/ファイル.txt" in CP932 without the UTF-8 flag; 表 ends in 0x5C, a backslash byte.
    std::string archiveName = box.Path("cp932.zip");
    WriteArchive(archiveName, {{"\x95\x5c\x8e\xa6/\x83\x74\x83\x40\x83\x43\x83\x8b.txt", "sjis"}});
    std::string into = box.MakeFolder("cp932");
    ASSERT_EQ(Extract(archiveName, "", into), 0) << Modules().output;
    EXPECT_EQ(ReadFile(into + "/表示/ファイル.txt"), "sjis");
}

TEST_F(UnZip, TimesAndPermissionsComeBack)
{
    std::string file = box.Write("perm/run.sh", "#!/bin/sh\n");
    chmod(file.c_str(), 0750);
    struct timespec times[2] = {{1234567890, 0}, {1234567890, 0}};
    utimensat(AT_FDCWD, file.c_str(), times, 0);
    std::string zip = box.Path("perm.zip");
    ASSERT_EQ(Modules().Zip(box.Path("perm"), " -r -9 " + Quoted(zip) + " \"*.*\""), 0);
    std::string into = box.MakeFolder("perm-out");
    ASSERT_EQ(Extract(zip, "", into), 0) << Modules().output;
    struct stat info { };
    ASSERT_EQ(stat((into + "/run.sh").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0750u);
    EXPECT_EQ(info.st_mtime, 1234567890);
}
