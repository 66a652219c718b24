// Extraction with the module: every archive of the shared test data (made by other LHA
// programs), the hostile ones of it, and the flat and selective forms.
#include "UnlhaHarness.h"

#include "archiver_results.h"
#include "lzh_crc16.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace unlhatest {
namespace {

namespace fs = std::filesystem;
const std::string kData = QB_TESTDATA_DIR "/lzh/";

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// Payload CRCs of the test data's README, by file name.
const std::map<std::string, std::uint16_t> kPayloadCrc = {
    {"gpl-2", 0xA33A},      {"gpl-2.gz", 0xB6D5}, {"long.txt", 0x6A7C},  {"hello.txt", 0x9778},
    {"テスト.txt", 0xFE7D}, {"表示.txt", 0x2492}, {"empty.txt", 0x0000},
};

bool AnySymlinkBelow(const std::string& folder)
{
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         it != fs::recursive_directory_iterator(); ++it)
        if (it->is_symlink())
            return true;
    return false;
}

class Extract : public DrivesTest { };

TEST_F(Extract, EveryTestArchiveExtractsWithTheRightContent)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(kData))
        if (e.path().extension() == ".lzh")
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    int checked = 0;
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        // The listing names every member our reader finds.
        CallResult list = Unlha("l \"" + kData + name + "\"");
        EXPECT_EQ(list.rc, name == "regression_truncated.lzh" ? ARC_ERROR_BAD_ARCHIVE : 0)
            << list.output;
        for (const auto& member : MemberNames(kData + name)) {
            if (member[0] != '<') {
                EXPECT_NE(list.output.find(member), std::string::npos) << member;
            }
        }
        if (name == "morphos2717_h2_huge.lzh")
            continue;  // 4.7 GB of zeros: its size is checked below
        std::string target = D("X/" + name);
        CallResult r = Unlha("x \"" + kData + name + "\" \"" + target + "/\"");
        bool broken = name == "regression_truncated.lzh";
        bool unsafe = name == "regression_dotdot.lzh";
        int expected = broken ? ARC_ERROR_BAD_ARCHIVE : unsafe ? ARC_ERROR_UNSAFE_PATH : 0;
        EXPECT_EQ(r.rc, expected) << r.output;
        EXPECT_FALSE(AnySymlinkBelow(target)) << "links from an archive are never made";
        // (A truncated archive with nothing to extract makes no folder.)
        std::error_code noFolder;
        for (auto it = fs::recursive_directory_iterator(target, noFolder);
             it != fs::recursive_directory_iterator(); ++it) {
            if (!it->is_regular_file())
                continue;
            std::string base = it->path().filename().string();
            EXPECT_NE(base[0], '.') << "temporary file left: " << it->path();
            auto crc = kPayloadCrc.find(Lower(base));
            if (crc == kPayloadCrc.end() || name.rfind("libarchive_", 0) == 0)
                continue;
            std::string content = qb::arctest::ReadFile(it->path().string());
            EXPECT_EQ(lzh::Crc16(content.data(), content.size()), crc->second) << it->path();
            ++checked;
        }
    }
    EXPECT_GT(checked, 70);
    EXPECT_FALSE(qb::arctest::Exists(D("X/evil1.txt")));
    EXPECT_FALSE(qb::arctest::Exists(D("X/evil2.txt")));
    EXPECT_FALSE(qb::arctest::Exists(D("X/regression_dotdot.lzh/foo/evil2.txt")));
    // Nothing was written outside the target folders.
    EXPECT_EQ(qb::arctest::FolderNames(DriveD()), std::vector<std::string>{"X"});
    EXPECT_EQ(qb::arctest::FolderNames(DriveC()), std::vector<std::string>{});
}

TEST_F(Extract, NamesOfOtherProgramsBecomeTheRightFiles)
{
    ASSERT_EQ(Unlha("x \"" + kData + "libarchive_filename_cp932.lzh\" D:\\A\\").rc, 0);
    EXPECT_EQ(qb::arctest::FolderNames(D("A")), (std::vector<std::string>{"漢字.txt", "表.txt"}));
    ASSERT_EQ(Unlha("x \"" + kData + "jlha_h0_lh5.lzh\" D:\\B\\").rc, 0);
    EXPECT_TRUE(qb::arctest::Exists(D("B/表示.txt")));
    EXPECT_TRUE(qb::arctest::Exists(D("B/サブ/テスト.txt")));
    // A leading separator (LHMelt) does not make the member absolute.
    ASSERT_EQ(Unlha("x \"" + kData + "lhmelt16536_h2_subdir.lzh\" D:\\C\\").rc, 0);
    EXPECT_EQ(qb::arctest::ReadFile(D("C/subdir/subdir2/hello.txt")), "hello world\n");
    // The terminal escape in a name is not written into the file system.
    ASSERT_EQ(Unlha("x \"" + kData + "regression_badterm.lzh\" D:\\E\\").rc, 0);
    for (auto it = fs::recursive_directory_iterator(D("E"));
         it != fs::recursive_directory_iterator(); ++it)
        EXPECT_EQ(it->path().string().find('\x1B'), std::string::npos);
}

TEST_F(Extract, LinksInTheTargetFolderAreNotFollowedOut)
{
    // A link already in the target folder pointing outside must not carry a member out.
    fs::create_directories(D("T"));
    fs::create_directories(D("OUTSIDE"));
    ASSERT_EQ(symlink(D("OUTSIDE").c_str(), D("T/etc").c_str()), 0);
    CallResult r = Unlha("x \"" + kData + "regression_symlink2.lzh\" D:\\T\\");
    EXPECT_EQ(r.rc, ARC_ERROR_UNSAFE_PATH) << r.output;
    EXPECT_EQ(qb::arctest::FolderNames(D("OUTSIDE")), std::vector<std::string>{});
    // Archive members that are links are skipped; the file behind one lands in a real folder.
    r = Unlha("x \"" + kData + "regression_symlink3.lzh\" D:\\U\\");
    EXPECT_EQ(r.rc, 0) << r.output;
    struct stat st { };
    ASSERT_EQ(lstat(D("U/etc").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_TRUE(qb::arctest::Exists(D("U/etc/passwd")));
}

TEST_F(Extract, FlatAndSelectiveExtraction)
{
    std::string arc = "\"" + kData + "explzh723_h2_subdir.lzh\"";
    ASSERT_EQ(Unlha("e " + arc + " D:\\F\\").rc, 0);
    EXPECT_EQ(qb::arctest::FolderNames(D("F")), std::vector<std::string>{"hello.txt"});
    ASSERT_EQ(Unlha("x " + arc + " D:\\S\\ \"*.txt\"").rc, 0);
    EXPECT_TRUE(qb::arctest::Exists(D("S/subdir/subdir2/hello.txt")));
    EXPECT_EQ(Unlha("x " + arc + " D:\\N\\ nothing.here").rc, ARC_ERROR_MEMBER_MISSING);
    // Flat extraction never lets one member overwrite another of the same name.
    WriteTree(C("SRC"), {{"same.txt", "top\n"}, {"sub/same.txt", "below\n"}});
    {
        qb::arctest::ScopedCwd src(C("SRC"));
        ASSERT_EQ(Unlha("a -xr D:\\SAME.LZH *.*").rc, 0);
    }
    EXPECT_EQ(Unlha("e D:\\SAME.LZH D:\\G\\").rc, ARC_ERROR_WRITE);
    EXPECT_EQ(qb::arctest::ReadFile(D("G/same.txt")), "top\n");
    // Without a target folder the working directory receives the members.
    fs::create_directories(D("W"));
    qb::arctest::ScopedCwd cwd(D("W"));
    ASSERT_EQ(Unlha("x " + arc).rc, 0);
    EXPECT_EQ(qb::arctest::ReadFile(D("W/subdir/subdir2/hello.txt")), "hello world\n");
}

TEST_F(Extract, HugeMemberListsWithItsFullSize)
{
    CallResult r = Unlha("l \"" + kData + "morphos2717_h2_huge.lzh\"");
    ASSERT_EQ(r.rc, 0) << r.output;
    EXPECT_NE(r.output.find("4718592000"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("zero.bin"), std::string::npos);
}

TEST_F(Extract, ListingNamesEveryMemberAndFitsTheBuffer)
{
    CallResult r = Unlha("l \"" + kData + "jlha_h2_lh5.lzh\"");
    ASSERT_EQ(r.rc, 0);
    for (const char* name : {"gpl-2", "empty.txt", "サブ/", "サブ/テスト.txt", "表示.txt"})
        EXPECT_NE(r.output.find(name), std::string::npos) << name;
    // A small buffer is filled and terminated, never overrun.
    char small[40];
    std::memset(small, 'Z', sizeof small);
    std::string line = "l \"" + kData + "jlha_h2_lh5.lzh\"";
    EXPECT_EQ(UnlhaWithBuffer(line, small, 16), 0);
    EXPECT_EQ(std::strlen(small), 15u);
    EXPECT_EQ(small[16], 'Z');
}

}  // namespace
}  // namespace unlhatest
