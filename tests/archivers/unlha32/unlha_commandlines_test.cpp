// The LZH command lines the program builds for its packing modes, run through the real module
// with the program's own example drive paths: each archive must hold exactly the expected members, pass
// every other LHA program, and extract back to the same bytes.
#include "UnlhaHarness.h"

#include "archiver_results.h"
#include "lzh_reader.h"

#include <fcntl.h>
#include <unistd.h>

namespace unlhatest {
namespace {

const std::string kExclude = "-jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS";

// The switch set of the first packing step, as the program forms it from its options.
std::string SwitchSet(bool subDir, bool hidden)
{
    return std::string("u -+") +
           (subDir ? (hidden ? " -xra " : " -xr ") : (hidden ? " -xa " : " -x "));
}

std::string Quote(const std::string& s)
{
    return "\"" + s + "\"";
}

std::string PackLine(int mode, bool subDir, bool hidden, const std::string& archive,
                     const std::string& spec)
{
    std::string s = SwitchSet(subDir, hidden);
    if (mode == 1)
        s += " -z1 ";
    if (mode == 2)
        s += " -z1";
    return s + " " + Quote("-wC:\\TEMP\\") + "  " + kExclude + " " + Quote(archive) + " " +
           Quote(spec);
}

struct Case {
    const char* name;
    int mode;  // 0 normal, 1 stored, 2 first stage of double compression
    bool subDir, hidden, withFolderPath, withoutDrive;
    std::size_t bigSize;
};

class CommandLines : public DrivesTest, public ::testing::WithParamInterface<Case> { };

TEST(CommandLineText, BuilderGivesTheExampleLinesExactly)
{
    EXPECT_EQ(PackLine(0, true, false, "D:\\OUT\\NAME.LZH", "*.*"),
              "u -+ -xr  \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "
              "\"D:\\OUT\\NAME.LZH\" \"*.*\"");
    EXPECT_EQ(PackLine(1, true, false, "D:\\OUT\\NAME.LZH", "*.*"),
              "u -+ -xr  -z1  \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "
              "\"D:\\OUT\\NAME.LZH\" \"*.*\"");
    EXPECT_EQ(PackLine(2, true, false, "C:\\TEMP\\NAME.LZH", "*.*"),
              "u -+ -xr  -z1 \"-wC:\\TEMP\\\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "
              "\"C:\\TEMP\\NAME.LZH\" \"*.*\"");
}

TEST_P(CommandLines, ArchiveHoldsTheExpectedMembersAndPassesEveryReader)
{
    const Case& c = GetParam();
    std::string folder = C("DATA/PROJ");
    Tree tree = MakeSourceTree(folder, c.bigSize);
    std::filesystem::create_directories(C("TEMP"));
    std::filesystem::create_directories(D("OUT"));

    std::string spec = !c.withFolderPath ? "*.*" : c.withoutDrive ? "DATA\\PROJ\\*.*" : "C:\\DATA\\PROJ\\*.*";
    std::string archive = c.mode == 2 ? "C:\\TEMP\\NAME.LZH" : "D:\\OUT\\NAME.LZH";
    std::string archiveHost = c.mode == 2 ? C("TEMP/NAME.LZH") : D("OUT/NAME.LZH");
    qb::arctest::ScopedCwd cwd(c.withFolderPath ? DriveC() : folder);

    std::string line = PackLine(c.mode, c.subDir, c.hidden, archive, spec);
    CallResult r = Unlha(line);
    ASSERT_EQ(r.rc, 0) << line << "\n" << r.output;

    std::string prefix = c.withFolderPath ? "DATA/PROJ/" : "";
    std::set<std::string> expected = ExpectedMembers(tree, c.subDir, c.hidden, prefix);
    EXPECT_EQ(MemberNames(archiveHost), expected) << line;

    // Methods: stored modes store everything; the normal mode compresses text.
    lzh::FileSource src(open(archiveHost.c_str(), O_RDONLY));
    std::vector<lzh::MemberHeader> members;
    std::string error;
    ASSERT_TRUE(lzh::ReadAllHeaders(src, members, error));
    std::size_t files = 0;
    for (const auto& m : members) {
        EXPECT_EQ(m.level, 2);
        if (m.isDirectory)
            continue;
        ++files;
        if (c.mode != 0 || m.originalSize == 0) {
            EXPECT_EQ(m.method, "-lh0-") << m.Path();
        } else if (m.components.back() == "readme.txt") {
            EXPECT_EQ(m.method, "-lh5-");
        }
    }

    EXPECT_EQ(PeersReject(archiveHost, files), "");

    // Our own extraction gives back the same bytes under the same names.
    CallResult x = Unlha("x -+ " + Quote(archive) + " " + Quote("D:\\CHECK\\"));
    ASSERT_EQ(x.rc, 0) << x.output;
    Tree back = ReadTree(D("CHECK"));
    Tree want;
    for (const auto& name : expected) {
        std::string rel = name.substr(prefix.size());
        want[name] = tree.at(rel);
    }
    for (std::size_t p = prefix.find('/'); p != std::string::npos; p = prefix.find('/', p + 1))
        want[prefix.substr(0, p + 1)] = "";
    EXPECT_TRUE(back == want) << "extracted tree differs";

    // No temporary file is left in the work folder or beside the archive.
    EXPECT_EQ(qb::arctest::FolderNames(C("TEMP")),
              c.mode == 2 ? std::vector<std::string>{"NAME.LZH"} : std::vector<std::string>{});
    EXPECT_EQ(qb::arctest::FolderNames(D("OUT")),
              c.mode == 2 ? std::vector<std::string>{} : std::vector<std::string>{"NAME.LZH"});
}

constexpr std::size_t k50MB = 50u << 20;

INSTANTIATE_TEST_SUITE_P(
    ProgramExamples, CommandLines,
    ::testing::Values(Case{"Mode0Default", 0, true, false, false, false, k50MB},
                      Case{"Mode1Stored", 1, true, false, false, false, k50MB},
                      Case{"Mode2FirstStage", 2, true, false, false, false, k50MB},
                      Case{"SubDirHidden", 0, true, true, false, false, 0},
                      Case{"HiddenOnly", 0, false, true, false, false, 0},
                      Case{"NeitherSubDirNorHidden", 0, false, false, false, false, 0},
                      Case{"StoredNoSubDir", 1, false, false, false, false, 0},
                      Case{"FolderPathWithDrive", 0, true, false, true, false, 0},
                      Case{"FolderPathWithoutDrive", 0, true, false, true, true, k50MB},
                      Case{"FolderPathWithoutDriveHiddenStored", 1, true, true, true, true, 0}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST_F(DrivesTest, JapaneseNamesReadRightInOtherPrograms)
{
    std::string folder = C("DATA/PROJ");
    MakeSourceTree(folder, 0);
    std::filesystem::create_directories(D("OUT"));
    qb::arctest::ScopedCwd cwd(folder);
    // By default every name fits CP932, so the names are CP932, as Japanese Windows tools write
    // them; -names:utf8 writes UTF-8. Both are declared in the code page header.
    ASSERT_EQ(Unlha("a -xr D:\\OUT\\J.LZH *.*").rc, 0);
    ASSERT_EQ(Unlha("a -xr -names:utf8 D:\\OUT\\U.LZH *.*").rc, 0);
    std::string raw = qb::arctest::ReadFile(D("OUT/J.LZH"));
    ASSERT_EQ(Unlha("u -xr D:\\OUT\\J.LZH *.*").rc, 0);  // finds every CP932 name again
    EXPECT_TRUE(qb::arctest::ReadFile(D("OUT/J.LZH")) == raw);
    EXPECT_NE(raw.find("\x95\x5C\x8E\xA6.txt"), std::string::npos) << "表示.txt in CP932";
    EXPECT_NE(raw.find(std::string("\x46\xA4\x03\0\0", 5)), std::string::npos)
        << "code page 932 declared";
    EXPECT_EQ(MemberNames(D("OUT/J.LZH")), MemberNames(D("OUT/U.LZH")));
    EXPECT_TRUE(MemberNames(D("OUT/J.LZH")).count("sub/deep/サブ フォルダ/ファイル.bin"));
    std::string out;
    qb::arctest::RunShell("7zz l '" + D("OUT/U.LZH") + "'", &out);
    EXPECT_NE(out.find("sub/deep/サブ フォルダ/ファイル.bin"), std::string::npos) << out;
    for (const char* name : {"J.LZH", "U.LZH"}) {
        out.clear();
        qb::arctest::RunShell("bsdtar tf '" + D("OUT/") + name + "'", &out);
        EXPECT_NE(out.find("sub/deep/サブ フォルダ/ファイル.bin"), std::string::npos)
            << name << out;
        std::size_t files = 0;
        for (const std::string& m : MemberNames(D("OUT/") + name))
            files += m.back() != '/';
        EXPECT_EQ(PeersReject(D("OUT/") + name, files), "") << name;
    }
    // lhasa prints no non-ASCII names in listings, but it writes them as stored.
    for (const char* name : {"J.LZH", "U.LZH"}) {
        std::filesystem::remove_all(D("LHASA"));
        std::filesystem::create_directories(D("LHASA"));
        ASSERT_EQ(qb::arctest::RunShell("cd '" + D("LHASA") + "' && lhasa xq '" + D("OUT/") + name +
                                        "' >/dev/null 2>&1"),
                  0);
        std::string stored = name[0] == 'J' ? "\x95\x5C\x8E\xA6.txt" : "表示.txt";
        EXPECT_EQ(qb::arctest::ReadFile(D("LHASA/sub/") + stored), "表示\n") << name;
    }
}

}  // namespace
}  // namespace unlhatest

namespace unlhatest {
namespace {

TEST_F(DrivesTest, MethodAndSwitchSpellings)
{
    std::string folder = C("SRC");
    Tree tree = MakeSourceTree(folder, 0);
    WriteTree(folder, {{"PageFile.sys", "swap\n"}, {"sub/win386.swp", "swap\n"}});
    std::filesystem::create_directories(D("OUT"));
    qb::arctest::ScopedCwd cwd(folder);
    const std::string exclude = " -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS ";
    struct Variant {
        const char* switches;
        const char* method;
        bool hidden;
    };
    for (const Variant& v :
         {Variant{"-x1 -r2 -o5", "-lh5-", false}, Variant{"-xra -o6", "-lh6-", true},
          Variant{"-x -r -a1 -o7", "-lh7-", true}, Variant{"-r2 -x1 -z1", "-lh0-", false}}) {
        SCOPED_TRACE(v.switches);
        std::filesystem::remove(D("OUT/M.LZH"));
        CallResult r = Unlha(std::string("a ") + v.switches + exclude + "D:\\OUT\\M.LZH *.*");
        ASSERT_EQ(r.rc, 0) << r.output;
        // The swap files are left out whatever their case; everything else is there.
        EXPECT_EQ(MemberNames(D("OUT/M.LZH")), ExpectedMembers(tree, true, v.hidden, ""));
        lzh::FileSource src(open(D("OUT/M.LZH").c_str(), O_RDONLY));
        std::vector<lzh::MemberHeader> members;
        std::string error;
        ASSERT_TRUE(lzh::ReadAllHeaders(src, members, error));
        std::size_t files = 0;
        for (const auto& m : members) {
            files += m.isDirectory ? 0 : 1;
            if (m.components.back() == "readme.txt") {
                EXPECT_EQ(m.method, v.method);
            }
        }
        EXPECT_EQ(PeersReject(D("OUT/M.LZH"), files), "");
    }
    // Without -x only names are stored; two files of one name would lose one, so that fails.
    std::filesystem::remove(D("OUT/M.LZH"));
    EXPECT_EQ(Unlha("a -r D:\\OUT\\M.LZH *.txt").rc, 0);
    for (const auto& name : MemberNames(D("OUT/M.LZH")))
        EXPECT_EQ(name.find('/'), std::string::npos) << name;
    WriteTree(folder, {{"sub/readme.txt", "a second readme\n"}});
    EXPECT_EQ(Unlha("a -r D:\\OUT\\M2.LZH *.txt").rc, ARC_ERROR_COMMAND_LINE);
    EXPECT_EQ(Unlha("a -q D:\\OUT\\M2.LZH *.txt").rc, ARC_ERROR_COMMAND_LINE);
    EXPECT_FALSE(qb::arctest::Exists(D("OUT/M2.LZH")));
}

}  // namespace
}  // namespace unlhatest
