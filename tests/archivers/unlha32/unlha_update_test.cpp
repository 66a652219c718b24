// u and a on existing archives, d, and the double-archive cycle of the program: extract the
// inner archive from the outer one, update it, put it back.
#include "UnlhaHarness.h"

#include "archiver_results.h"
#include "lzh_crc16.h"
#include "lzh_header.h"

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <utime.h>

namespace unlhatest {
namespace {

const std::string kPack = "u -+ -xr  \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP "
                          "-jxPAGEFILE.SYS \"D:\\OUT\\NAME.LZH\" \"*.*\"";
const std::string kFirstStage = "u -+ -xr  -z1 \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP "
                                "-jxPAGEFILE.SYS \"C:\\TEMP\\NAME.LZH\" \"*.*\"";
const std::string kSecondStage = "u -+ \"-wC:\\TEMP\\\" \"D:\\OUT\\NAME.LZH.LZH\" \"NAME.LZH\"";
const std::string kUpdateExtract = "x -+ \"D:\\OUT\\NAME.LZH.LZH\" \"C:\\TEMP\\\" \"NAME.LZH\"";

void SetMtime(const std::string& path, time_t when)
{
    struct utimbuf t {
        when, when
    };
    ASSERT_EQ(utime(path.c_str(), &t), 0) << path;
}

time_t Mtime(const std::string& path)
{
    struct stat st { };
    stat(path.c_str(), &st);
    return st.st_mtime;
}

class Update : public DrivesTest {
protected:
    void SetUp() override
    {
        DrivesTest::SetUp();
        folder = C("DATA/PROJ");
        tree = MakeSourceTree(folder, 0);
        std::filesystem::create_directories(C("TEMP"));
        std::filesystem::create_directories(D("OUT"));
        // Every source file a minute old, so that "newer" is unambiguous.
        for (const auto& [rel, content] : tree)
            SetMtime(folder + "/" + rel, time(nullptr) - 60);
    }
    std::string folder;
    Tree tree;
};

TEST_F(Update, UnchangedFolderLeavesTheArchiveAsItWas)
{
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha(kPack).rc, 0);
    std::string archive = D("OUT/NAME.LZH");
    std::string before = qb::arctest::ReadFile(archive);
    SetMtime(archive, time(nullptr) - 30);
    time_t stamp = Mtime(archive);
    CallResult r = Unlha(kPack);
    ASSERT_EQ(r.rc, 0) << r.output;
    EXPECT_EQ(qb::arctest::ReadFile(archive), before);
    EXPECT_EQ(Mtime(archive), stamp) << "an unchanged archive is not even rewritten";
}

TEST_F(Update, OneChangedFileReplacesExactlyThatMember)
{
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha(kPack).rc, 0);
    std::string archive = D("OUT/NAME.LZH");
    auto before = RawMembers(archive);

    std::string changed = folder + "/sub/deep/nested.txt";
    std::ofstream(changed, std::ios::trunc) << "new content\n";
    std::ofstream(folder + "/added.txt") << "a new file\n";
    std::filesystem::remove(folder + "/readme.txt");  // gone from disk, kept in the archive
    CallResult r = Unlha(kPack);
    ASSERT_EQ(r.rc, 0) << r.output;

    auto after = RawMembers(archive);
    ASSERT_EQ(after.size(), before.size() + 1);
    for (const auto& [name, bytes] : before) {
        ASSERT_TRUE(after.count(name)) << name << " was lost";
        if (name == "sub/deep/nested.txt") {
            EXPECT_NE(after[name], bytes);
        } else {
            EXPECT_EQ(after[name], bytes) << name << " changed";
        }
    }
    ASSERT_EQ(Unlha("x \"D:\\OUT\\NAME.LZH\" \"D:\\CHECK\\\"").rc, 0);
    EXPECT_EQ(qb::arctest::ReadFile(D("CHECK/sub/deep/nested.txt")), "new content\n");
    EXPECT_EQ(qb::arctest::ReadFile(D("CHECK/added.txt")), "a new file\n");
    EXPECT_EQ(qb::arctest::ReadFile(D("CHECK/readme.txt")), tree["readme.txt"]);
}

TEST_F(Update, UKeepsNewerMembersButAReplacesThem)
{
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\A.LZH readme.txt").rc, 0);
    std::ofstream(folder + "/readme.txt", std::ios::trunc) << "older but different\n";
    SetMtime(folder + "/readme.txt", time(nullptr) - 3600);
    ASSERT_EQ(Unlha("u -x D:\\OUT\\A.LZH readme.txt").rc, 0);
    ASSERT_EQ(Unlha("e D:\\OUT\\A.LZH D:\\U\\").rc, 0);
    EXPECT_EQ(qb::arctest::ReadFile(D("U/readme.txt")), tree["readme.txt"]);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\A.LZH readme.txt").rc, 0);
    ASSERT_EQ(Unlha("e D:\\OUT\\A.LZH D:\\A\\").rc, 0);
    EXPECT_EQ(qb::arctest::ReadFile(D("A/readme.txt")), "older but different\n");
}

TEST_F(Update, ExactTimesTellChangesWithinTheSameSecond)
{
    qb::arctest::ScopedCwd cwd(folder);
    const time_t when = time(nullptr) - 30;
    auto setTime = [&](long nanoseconds) {
        struct timespec t[2] = {{when, nanoseconds}, {when, nanoseconds}};
        ASSERT_EQ(utimensat(AT_FDCWD, (folder + "/readme.txt").c_str(), t, 0), 0);
    };
    setTime(100000000);
    ASSERT_EQ(Unlha("a -x D:\\OUT\\A.LZH readme.txt").rc, 0);
    SetMtime(D("OUT/A.LZH"), when + 10);
    // Same size, saved again 0.5 s later within the same second: the exact time tells.
    std::string changed(tree["readme.txt"].size(), 'Q');
    std::ofstream(folder + "/readme.txt", std::ios::binary | std::ios::trunc) << changed;
    setTime(600000000);
    ASSERT_EQ(Unlha("u -x D:\\OUT\\A.LZH readme.txt").rc, 0);
    ASSERT_EQ(Unlha("e D:\\OUT\\A.LZH D:\\U\\").rc, 0);
    EXPECT_EQ(qb::arctest::ReadFile(D("U/readme.txt")), changed);
    struct stat st { };
    ASSERT_EQ(stat(D("U/readme.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, when);
    EXPECT_EQ(st.st_mtim.tv_nsec, 600000000) << "extraction gives the exact time back";

    // Equal exact times mean unchanged: the file is not even read (a change that kept both
    // time and size, which no editor makes, stays unseen).
    SetMtime(D("OUT/A.LZH"), when + 10);
    std::string before = qb::arctest::ReadFile(D("OUT/A.LZH"));
    std::ofstream(folder + "/readme.txt", std::ios::binary | std::ios::trunc)
        << std::string(changed.size(), 'R');
    setTime(600000000);
    ASSERT_EQ(Unlha("u -x D:\\OUT\\A.LZH readme.txt").rc, 0);
    EXPECT_EQ(qb::arctest::ReadFile(D("OUT/A.LZH")), before);

    // Unless the member was stored within the second before its archive was written: a file
    // saved again in the clock tick right after it was read keeps its time, so contents decide.
    SetMtime(D("OUT/A.LZH"), when);
    ASSERT_EQ(Unlha("u -x D:\\OUT\\A.LZH readme.txt").rc, 0);
    EXPECT_NE(qb::arctest::ReadFile(D("OUT/A.LZH")), before);
    EXPECT_EQ(PeersReject(D("OUT/A.LZH"), 1), "") << "0x41 headers pass every reader";
}

TEST_F(Update, OtherProgramsArchivesCompareContentsWithinTheSecond)
{
    // Archives without exact times (here: a level-1 archive of LHa for UNIX) keep whole seconds;
    // a file of the member's second with other contents is taken as changed.
    qb::arctest::ScopedCwd cwd(folder);
    std::filesystem::copy_file(QB_TESTDATA_DIR "/lzh/unix114i_h1_lh5.lzh", D("OUT/B.LZH"));
    auto members = MemberNames(D("OUT/B.LZH"));
    ASSERT_FALSE(members.empty());
    std::string name = *members.begin();
    ASSERT_EQ(Unlha("e D:\\OUT\\B.LZH D:\\V\\").rc, 0);
    std::string original = qb::arctest::ReadFile(D("V/" + name));
    time_t stored = Mtime(D("V/" + name));
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/" + name, std::ios::binary | std::ios::trunc)
        << std::string(original.size(), 'Z');
    SetMtime(folder + "/" + name, stored);
    ASSERT_EQ(Unlha("u D:\\OUT\\B.LZH " + name).rc, 0);
    ASSERT_EQ(Unlha("e D:\\OUT\\B.LZH D:\\W\\").rc, 0);
    EXPECT_EQ(qb::arctest::ReadFile(D("W/" + name)), std::string(original.size(), 'Z'));
}

TEST_F(Update, DeleteRemovesOnlyTheNamedMembers)
{
    qb::arctest::ScopedCwd cwd(folder);
    ASSERT_EQ(Unlha(kPack).rc, 0);
    std::string archive = D("OUT/NAME.LZH");
    auto before = RawMembers(archive);
    CallResult r = Unlha("d \"D:\\OUT\\NAME.LZH\" \"sub\\表示.txt\" \"*.dat\"");
    ASSERT_EQ(r.rc, 0) << r.output;
    auto after = RawMembers(archive);
    EXPECT_EQ(after.size(), before.size() - 2);
    EXPECT_FALSE(after.count("sub/表示.txt"));
    EXPECT_FALSE(after.count("sub/empty-in-sub.dat"));
    for (const auto& [name, bytes] : after)
        EXPECT_EQ(bytes, before[name]);
    EXPECT_EQ(Unlha("d \"D:\\OUT\\NAME.LZH\" \"no-such-member\"").rc, ARC_ERROR_MEMBER_MISSING);
    EXPECT_EQ(RawMembers(archive), after);
}

// Without their folders, two files of one name would be one member: the call refuses and
// names them. With their folders stored, both go in under their paths.
TEST_F(Update, SameNameInTwoFoldersNeedsTheFoldersStored)
{
    std::filesystem::create_directories(folder + "/one");
    std::filesystem::create_directories(folder + "/two");
    std::ofstream(folder + "/one/same.txt") << "first";
    std::ofstream(folder + "/two/same.txt") << "second";
    qb::arctest::ScopedCwd cwd(folder);
    CallResult r = Unlha("a -r \"D:\\OUT\\FLAT.LZH\" \"*.*\"");
    EXPECT_EQ(r.rc, ARC_ERROR_COMMAND_LINE);
    EXPECT_NE(r.output.find("two files would be stored as same.txt"), std::string::npos)
        << r.output;
    EXPECT_FALSE(std::filesystem::exists(D("OUT/FLAT.LZH")));
    r = Unlha("a -r -x \"D:\\OUT\\TREE.LZH\" \"*.*\"");
    ASSERT_EQ(r.rc, 0) << r.output;
    auto names = MemberNames(D("OUT/TREE.LZH"));
    EXPECT_TRUE(names.count("one/same.txt") && names.count("two/same.txt")) << r.output;
}

TEST_F(Update, ArchiveOfMoreThan65535Members)
{
    // Built directly (70,000 stored members of a few bytes); then tested, listed and updated.
    std::string bytes;
    for (int i = 0; i < 70000; ++i) {
        std::string content = "member " + std::to_string(i) + "\n";
        lzh::NewMember m;
        m.method = "-lh0-";
        m.folders = {"d" + std::to_string(i / 1000)};
        m.name = "f" + std::to_string(i) + ".txt";
        m.packedSize = m.originalSize = content.size();
        m.crc = lzh::Crc16(content.data(), content.size());
        m.mtime = time(nullptr) - 100;
        auto header = lzh::BuildLevel2Header(m);
        bytes.append(header.begin(), header.end());
        bytes += content;
    }
    bytes.push_back('\0');
    std::ofstream(D("OUT/MANY.LZH"), std::ios::binary) << bytes;
    ASSERT_EQ(Unlha("t D:\\OUT\\MANY.LZH").rc, 0);
    qb::arctest::ScopedCwd cwd(folder);
    CallResult r = Unlha("u -x D:\\OUT\\MANY.LZH readme.txt");
    ASSERT_EQ(r.rc, 0) << r.output;
    auto members = RawMembers(D("OUT/MANY.LZH"));
    EXPECT_EQ(members.size(), 70001u);
    EXPECT_TRUE(members.count("d69/f69999.txt"));
    EXPECT_EQ(qb::arctest::ReadFile(D("OUT/MANY.LZH")).substr(0, bytes.size() - 1),
              bytes.substr(0, bytes.size() - 1));
}

TEST_F(Update, ZipInsideLzhLinesOfTheProgram)
{
    // The second stage and the update extraction of .ZIP.LZH, verbatim; the inner archive is
    // only a file to this module.
    std::string inner;
    for (int i = 0; i < 5000; ++i)
        inner += "PK stored entry " + std::to_string(i % 97) + "\n";
    std::ofstream(C("TEMP/NAME.ZIP"), std::ios::binary) << inner;
    {
        qb::arctest::ScopedCwd cwd(C("TEMP"));
        CallResult r = Unlha("u -+ \"-wC:\\TEMP\\\" \"D:\\OUT\\NAME.ZIP.LZH\" \"NAME.ZIP\"");
        ASSERT_EQ(r.rc, 0) << r.output;
    }
    std::filesystem::remove(C("TEMP/NAME.ZIP"));
    EXPECT_EQ(MemberNames(D("OUT/NAME.ZIP.LZH")), (std::set<std::string>{"NAME.ZIP"}));
    qb::arctest::ScopedCwd cwd(folder);
    CallResult r = Unlha("x -+ \"D:\\OUT\\NAME.ZIP.LZH\" \"C:\\TEMP\\\" \"NAME.ZIP\"");
    ASSERT_EQ(r.rc, 0) << r.output;
    EXPECT_EQ(qb::arctest::ReadFile(C("TEMP/NAME.ZIP")), inner);
    EXPECT_EQ(PeersReject(D("OUT/NAME.ZIP.LZH"), 1), "");
}

TEST_F(Update, DoubleArchiveCycle)
{
    auto pack = [&] {
        // One run of the program's double compression with updates on (.LZH.LZH).
        if (qb::arctest::Exists(D("OUT/NAME.LZH.LZH"))) {
            qb::arctest::ScopedCwd cwd(folder);
            Unlha(kUpdateExtract);
        }
        {
            qb::arctest::ScopedCwd cwd(folder);
            CallResult r = Unlha(kFirstStage);
            ASSERT_EQ(r.rc, 0) << r.output;
        }
        {
            qb::arctest::ScopedCwd cwd(C("TEMP"));
            CallResult r = Unlha(kSecondStage);
            ASSERT_EQ(r.rc, 0) << r.output;
        }
    };
    pack();
    std::string inner = qb::arctest::ReadFile(C("TEMP/NAME.LZH"));
    std::filesystem::remove(C("TEMP/NAME.LZH"));
    EXPECT_EQ(MemberNames(D("OUT/NAME.LZH.LZH")), (std::set<std::string>{"NAME.LZH"}));
    auto innerMembers = RawMembers(C("TEMP/NAME.LZH"));

    // The update extraction restores exactly the stored archive of the last run.
    {
        qb::arctest::ScopedCwd cwd(folder);
        ASSERT_EQ(Unlha(kUpdateExtract).rc, 0);
    }
    EXPECT_EQ(qb::arctest::ReadFile(C("TEMP/NAME.LZH")), inner);
    auto firstMembers = RawMembers(C("TEMP/NAME.LZH"));

    // One file changes: the next run replaces that member of the inner archive only.
    std::ofstream(folder + "/sub/表示.txt", std::ios::trunc) << "表示が変わった\n";
    pack();
    auto secondMembers = RawMembers(C("TEMP/NAME.LZH"));
    ASSERT_EQ(secondMembers.size(), firstMembers.size());
    for (const auto& [name, bytes] : firstMembers) {
        if (name != "sub/表示.txt") {
            EXPECT_EQ(secondMembers[name], bytes) << name;
        }
    }
    EXPECT_NE(secondMembers["sub/表示.txt"], firstMembers["sub/表示.txt"]);
    std::filesystem::remove(C("TEMP/NAME.LZH"));

    // The final archive holds the new inner archive, which extracts to the current folder.
    ASSERT_EQ(Unlha("x \"D:\\OUT\\NAME.LZH.LZH\" \"D:\\CHECK\\\"").rc, 0);
    ASSERT_EQ(Unlha("x \"D:\\CHECK\\NAME.LZH\" \"D:\\CHECK\\TREE\\\"").rc, 0);
    Tree want = tree;
    want["sub/表示.txt"] = "表示が変わった\n";
    Tree back = ReadTree(D("CHECK/TREE"));
    EXPECT_EQ(back, [&] {
        Tree t;
        for (const auto& name : ExpectedMembers(want, true, false, ""))
            t[name] = want[name];
        return t;
    }());
    EXPECT_EQ(PeersReject(D("OUT/NAME.LZH.LZH"), 1), "");
    EXPECT_EQ(qb::arctest::FolderNames(C("TEMP")), std::vector<std::string>{});
}

}  // namespace
}  // namespace unlhatest
