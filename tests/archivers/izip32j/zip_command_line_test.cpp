// The ZIP command lines the program sends, run through the real modules on a tree full of
// awkward names, and the archives checked by unzip and 7-Zip, by member list and by content.
#include "RawMembers.h"
#include "Sandbox.h"
#include "ZipCheck.h"
#include "ZipModules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace qb::ziptest;

namespace {

struct Case {
    const char* name;
    const char* cwd;  // relative to drive C:
    const char* commandLine;
    const char* archive;  // relative to the drive sandbox root
    bool recurse, hidden, folderEntries;
    const char* prefix;
};

const Case kCases[] = {
    // The examples for the default options (SubDir on, Hiddn off, Jibun off).
    {"Mode0", "SRC/NAME", R"( -r  -9 "D:\OUT\NAME.ZIP" "*.*")", "D/OUT/NAME.ZIP", true, false, true,
     ""},
    {"Mode1", "SRC/NAME", R"( -r  -0 "D:\OUT\NAME.ZIP" "*.*")", "D/OUT/NAME.ZIP", true, false, true,
     ""},
    {"Pattern2FirstStage", "SRC/NAME", R"( -r  -0 "C:\TEMP\NAME.ZIP" "*.*")", "C/TEMP/NAME.ZIP",
     true, false, true, ""},
    // SubDir and Hiddn.
    {"SubDirHidden", "SRC/NAME", R"( -r -S  -9 "D:\OUT\NAME.ZIP" "*.*")", "D/OUT/NAME.ZIP", true,
     true, true, ""},
    {"NoSubDirHidden", "SRC/NAME", R"( -D -S  -9 "D:\OUT\NAME.ZIP" "*.*")", "D/OUT/NAME.ZIP", false,
     true, false, ""},
    {"NoSubDirNoHidden", "SRC/NAME", R"( -D  -0 "D:\OUT\NAME.ZIP" "*.*")", "D/OUT/NAME.ZIP", false,
     false, false, ""},
    // Jibun: run from the drive root with the folder in the file pattern.
    {"FolderPathWithoutDrive", "", R"( -r  -9 "D:\OUT\NAME.ZIP" "SRC\NAME\*.*")", "D/OUT/NAME.ZIP", true,
     false, true, "SRC/NAME/"},
    {"FolderPathWithDrive", "", R"( -r  -0 "D:\OUT\NAME.ZIP" "C:\SRC\NAME\*.*")", "D/OUT/NAME.ZIP", true,
     false, true, "SRC/NAME/"},
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class ZipCommandLine : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite()
    {
        Modules();  // drives first, then the tree inside them
        fs::create_directories(DriveD() + "/OUT");
        fs::create_directories(DriveC() + "/TEMP");
        MakeSourceTree(DriveC() + "/SRC/NAME", true);
    }
};

}  // namespace

TEST_P(ZipCommandLine, MakesAnArchiveThePeersAccept)
{
    const Case& c = GetParam();
    std::string root = fs::path(DriveC()).parent_path().string();
    std::string archive = root + "/" + c.archive;
    fs::remove(archive);
    ASSERT_EQ(Modules().Zip(DriveC() + "/" + c.cwd, c.commandLine), 0) << Modules().output;
    EXPECT_TRUE(PeersAccept(archive));
    std::string source = DriveC() + "/SRC/NAME";
    std::vector<std::string> expected =
        ExpectedMembers(source, c.recurse, c.hidden, c.folderEntries, c.prefix);
    EXPECT_EQ(ArchiveMembers(archive), expected);
    EXPECT_EQ(ExtractAndCompare(archive, source, c.prefix), "");
    // Names beyond ASCII carry the UTF-8 flag, so that every reader knows their encoding.
    if (c.recurse) {
        int flags = CentralFlags(archive, std::string(c.prefix) + "日本語フォルダ/名前.txt");
        ASSERT_NE(flags, -1);
        EXPECT_TRUE(flags & 0x800);
    }
    // No temporary file is left beside the archive (they are the hidden names there).
    for (const std::string& name : qb::arctest::FolderNames(fs::path(archive).parent_path()))
        EXPECT_NE(name[0], '.') << name;
    fs::remove(archive);
}

INSTANTIATE_TEST_SUITE_P(Examples, ZipCommandLine, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ZipSecondStage, CompressesTheStoredArchiveFromTheTemporaryFolder)
{
    Modules();
    fs::create_directories(DriveC() + "/TEMP");
    fs::create_directories(DriveD() + "/OUT");
    qb::arctest::Sandbox scratch;
    std::string inner = DriveC() + "/TEMP/NAME.LZH";
    std::string content;
    for (int i = 0; i < 50000; ++i)
        content += "stored member " + std::to_string(i) + "\n";
    std::ofstream(inner, std::ios::binary) << content;
    std::string outer = DriveD() + "/OUT/NAME.LZH.ZIP";
    fs::remove(outer);
    ASSERT_EQ(Modules().Zip(DriveC() + "/TEMP", R"(-r -9 "D:\OUT\NAME.LZH.ZIP" "NAME.LZH")"), 0)
        << Modules().output;
    EXPECT_TRUE(PeersAccept(outer));
    EXPECT_EQ(ArchiveMembers(outer), std::vector<std::string>{"NAME.LZH"});
    EXPECT_EQ(ExtractAndCompare(outer, DriveC() + "/TEMP"), "");
    EXPECT_LT(fs::file_size(outer), content.size() / 3);  // really compressed
    fs::remove(outer);
    fs::remove(inner);
}
