// Archives of other programs through the module, each extracted by it and by lhasa (the reference
// reader) and compared file by file: archives jlha makes in the test run at each header level,
// and hand-made ones for each variant (self-extractors, long -lz5- members, OS-9, Atari, Mac,
// Unix times, no date). Files that are no archive are refused by every command. Names of every
// kind in archives we write are read by lhasa, bsdtar, 7zz and jlha, and read back by us.
#include "LzhHandMade.h"
#include "UnlhaHarness.h"

#include "archiver_results.h"
#include "lzh_reader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <random>

namespace unlhatest {
namespace {

namespace fs = std::filesystem;
using namespace lzhtest;
using qb::arctest::ReadFile;
using qb::arctest::RunShell;

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Random(std::size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

std::string Repetitive(std::size_t size)
{
    std::string s;
    for (int i = 0; s.size() < size; ++i)
        s += "line " + std::to_string(i % 97) + " of a text that repeats itself\n";
    s.resize(size);
    return s;
}

// "" when both trees hold the same files with the same contents, else the first differences.
std::string TreeDifference(const Tree& ours, const Tree& theirs)
{
    std::string diff;
    for (const auto& [path, content] : ours) {
        auto it = theirs.find(path);
        if (it == theirs.end())
            diff += "only ours: " + path + "\n";
        else if (it->second != content)
            diff += "differs: " + path + " (" + std::to_string(content.size()) + " and " +
                    std::to_string(it->second.size()) + " bytes)\n";
    }
    for (const auto& [path, content] : theirs)
        if (!ours.count(path))
            diff += "only theirs: " + path + "\n";
    return diff;
}

class Foreign : public DrivesTest {
protected:
    // What our module and lhasa extract from the archive, each into a folder of its own.
    Tree OurFiles(const std::string& archive, const std::string& name)
    {
        const std::string target = D("ours/" + name);
        CallResult r = Unlha("x \"" + archive + "\" \"" + target + "/\"");
        EXPECT_EQ(r.rc, 0) << name << ": " << r.output;
        return ReadTree(target);
    }
    Tree LhasaFiles(const std::string& archive, const std::string& name)
    {
        const std::string target = D("lhasa/" + name);
        fs::create_directories(target);
        std::string out;
        EXPECT_EQ(RunShell("cd " + Quoted(target) + " && lhasa xq " + Quoted(archive) + " 2>&1",
                           &out),
                  0)
            << name << ": " << out;
        return ReadTree(target);
    }
    // Both readers give exactly the files expected.
    void ExtractsAsLhasaDoes(const std::string& name, const std::string& bytes,
                             const Tree& expected)
    {
        SCOPED_TRACE(name);
        const std::string archive = D("in/" + name);
        WriteBytes(archive, bytes);
        const Tree ours = OurFiles(archive, name);
        EXPECT_EQ(TreeDifference(ours, LhasaFiles(archive, name)), "");
        EXPECT_EQ(TreeDifference(ours, expected), "");
    }
};

TEST_F(Foreign, ArchivesJlhaMakesAtEachHeaderLevel)
{
    const Tree tree = {
        {"a.txt", "hello\n"},
        {"Mixed Case.txt", Repetitive(3000)},
        {"sub/", ""},
        {"sub/random.bin", Random(30000, 1)},
        {"sub/deep/", ""},
        {"sub/deep/text.txt", Repetitive(70000)},
        {"sub/deep/empty.txt", ""},
    };
    WriteTree(C("SRC"), tree);
    for (const char* options : {"a0", "a1", "a2", "a1o7", "a2o6", "a0z"}) {
        const std::string archive = D(std::string("jlha-") + options + ".lzh");
        std::string out;
        ASSERT_EQ(RunShell("cd " + Quoted(C("SRC")) + " && jlha " + options + " " +
                               Quoted(archive) +
                               " a.txt 'Mixed Case.txt' sub/random.bin sub/deep/text.txt "
                               "sub/deep/empty.txt 2>&1",
                           &out),
                  0)
            << out;
        const std::string name = options;
        Tree ours = OurFiles(archive, name);
        EXPECT_EQ(TreeDifference(ours, LhasaFiles(archive, name)), "") << name;
        EXPECT_EQ(TreeDifference(ours, tree), "") << name;
    }
}

TEST_F(Foreign, HandMadeVariantsExtractAsLhasaExtractsThem)
{
    const std::string text = "hello world\n";
    const std::string big = Repetitive(40000);
    const std::string plain = Archive({Level2(Stored("a.txt", text)), Level1(Stored("b.dat", big))});

    // A self-extractor: its program first. (lhasa takes the first method name it meets for a
    // header, so this program has none in it; our reader also passes over those, see its tests.)
    ExtractsAsLhasaDoes("sfx.exe", ProgramStub(30000, 3, false) + plain,
                        {{"a.txt", text}, {"b.dat", big}});

    // A long -lz5- member, with copies across the ends of the pieces read for the decoder.
    Lz5 lz5;
    for (unsigned seed = 1; seed < 50; ++seed) {
        lz5 = MakeLz5(200000, {65535, 131071}, seed);
        if (std::count(lz5.copies.begin(), lz5.copies.end(), 65535u) == 1)
            break;
    }
    Member lz = Stored("long.txt", "");
    lz.method = "-lz5-";
    lz.packed = lz5.packed;
    lz.originalSize = static_cast<std::uint32_t>(lz5.plain.size());
    lz.crc = Crc(lz5.plain);
    ExtractsAsLhasaDoes("lz5.lzh", Archive({Level1(lz)}), {{"long.txt", lz5.plain}});

    // OS-9/68k LHA's level-2 size, two bytes short.
    Member k = Stored("gpl2.txt", big);
    k.os = 'K';
    k.extended = {{0x50, std::string("\x1B\x00", 2)}};
    ExtractsAsLhasaDoes("os9.lzh", Archive({Level2(k, {.sizeAdjust = -2}), Level2(Stored("c", text))}),
                        {{"gpl2.txt", big}, {"c", text}});

    // Atari LHarc's level 2 without a header CRC.
    Member atari = Stored("Gpl2.txt", text);
    atari.os = 'a';
    ExtractsAsLhasaDoes("atari.lzh",
                        Archive({Level2(atari, {.headerCrc = false}), Level2(Stored("b", big))}),
                        {{"Gpl2.txt", text}, {"b", big}});

    // Mac LHA's MacBinary wrapper around a data fork.
    Member mac = Stored("Read Me", MacBinary("Read Me", big, "", 1300000000));
    mac.os = 'm';
    mac.time = 1300000000;
    ExtractsAsLhasaDoes("mac.lzh", Archive({Level2(mac)}), {{"Read Me", big}});

    // LHa for UNIX times in level 0 and 1, and a member without a date.
    Member u0 = Stored("u0.txt", text);
    u0.time = DosTime(2011, 12, 11, 18, 30, 36);
    u0.area = std::string("U\0", 2);
    Put32(u0.area, 1323628237);
    u0.area += std::string("\xA4\x81\xE8\x03\xE8\x03", 6);
    Member u1 = Stored("u1.txt", text);
    u1.time = u0.time;
    u1.os = 'U';
    std::string t;
    Put32(t, 1323628237);
    u1.extended = {{0x50, std::string("\xA4\x81", 2)}, {0x54, t}};
    Member undated = Stored("undated.txt", text);
    ExtractsAsLhasaDoes("unix.lzh", Archive({Level0(u0), Level1(u1), Level1(undated)}),
                        {{"u0.txt", text}, {"u1.txt", text}, {"undated.txt", text}});
    struct stat st { };
    ASSERT_EQ(stat(D("ours/unix.lzh/u1.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1323628237);  // to the second: not rounded like an MS-DOS time
    ASSERT_EQ(stat(D("ours/unix.lzh/undated.txt").c_str(), &st), 0);
    EXPECT_GT(st.st_mtime, 1600000000);  // left with the time it was made, not 1970 or 1980
    CallResult list = Unlha("l \"" + D("in/unix.lzh") + "\"");
    EXPECT_NE(list.output.find("                    -lh0- 9778 undated.txt"), std::string::npos)
        << list.output;
}

TEST_F(Foreign, FilesThatAreNoArchiveAreRefusedByEveryCommand)
{
    WriteTree(C("SRC"), {{"new.txt", "new\n"}});
    const std::pair<const char*, std::string> files[] = {
        {"empty.lzh", ""},
        {"zeros.lzh", std::string(4096, '\0')},
        {"text.lzh", "this is a text file\n"},
        {"zero-then-data.lzh", std::string(1, '\0') + "data after a zero byte"},
    };
    qb::arctest::ScopedCwd cwd(C("SRC"));
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const std::string path = D(name);
        WriteBytes(path, bytes);
        for (const char* command : {"t", "l", "x", "e"}) {
            CallResult r = Unlha(std::string(command) + " \"" + path + "\" \"" + D("OUT") + "/\"");
            EXPECT_EQ(r.rc, ARC_ERROR_BAD_ARCHIVE) << command << ": " << r.output;
            EXPECT_NE(r.output.find("not an LZH archive"), std::string::npos) << r.output;
        }
        for (const char* command : {"a", "u", "d"}) {
            CallResult r = Unlha(std::string(command) + " \"" + path + "\" new.txt");
            EXPECT_EQ(r.rc, ARC_ERROR_BAD_ARCHIVE) << command << ": " << r.output;
            EXPECT_NE(r.output.find("not an LZH archive"), std::string::npos) << r.output;
            EXPECT_EQ(ReadFile(path), bytes) << command;
        }
    }
    EXPECT_FALSE(qb::arctest::Exists(D("OUT")));
    // One zero byte is an empty archive: read as one, and added to.
    const std::string empty = D("empty-archive.lzh");
    WriteBytes(empty, std::string(1, '\0'));
    EXPECT_EQ(Unlha("t \"" + empty + "\"").rc, 0);
    EXPECT_EQ(Unlha("x \"" + empty + "\" \"" + D("OUT") + "/\"").rc, 0);
    ASSERT_EQ(Unlha("a \"" + empty + "\" new.txt").rc, 0);
    EXPECT_EQ(MemberNames(empty), std::set<std::string>{"new.txt"});
}

TEST_F(Foreign, SelfExtractorsAreReadButNotRewritten)
{
    const std::string sfx = D("setup.exe");
    const std::string bytes =
        ProgramStub(20000, 5) + Archive({Level2(Stored("a.txt", "a\n")), Level2(Stored("b.txt", "b\n"))});
    WriteBytes(sfx, bytes);
    CallResult r = Unlha("t \"" + sfx + "\"");
    EXPECT_EQ(r.rc, 0) << r.output;
    EXPECT_NE(r.output.find("OK    b.txt"), std::string::npos) << r.output;
    WriteTree(C("SRC"), {{"new.txt", "new\n"}});
    qb::arctest::ScopedCwd cwd(C("SRC"));
    for (const char* command : {"a \"%s\" new.txt", "u \"%s\" new.txt", "d \"%s\" a.txt"}) {
        char line[512];
        std::snprintf(line, sizeof line, command, sfx.c_str());
        r = Unlha(line);
        EXPECT_EQ(r.rc, ARC_ERROR_BAD_ARCHIVE) << line << ": " << r.output;
        EXPECT_NE(r.output.find("self-extracting"), std::string::npos) << r.output;
        EXPECT_EQ(ReadFile(sfx), bytes) << line;
    }
}

// Names of every kind: UTF-8 that fits CP932 and UTF-8 that does not, bytes that are CP932,
// bytes that are no text at all (in a folder name too), and a name holding 0xFF.
class Names : public Foreign { };

const std::string kCp932Bytes = "\x83\x65\x83\x58\x83\x67.txt";  // テスト in CP932
const std::string kLatin1Bytes = "d\xE9j\xE0.txt";  // déjà in Latin-1: neither UTF-8 nor CP932

Tree NameTree()
{
    return {
        {"ok.txt", "1\n"},
        {"日本語.txt", "2\n"},
        {"ǅ𐐀.txt", "3\n"},
        {kCp932Bytes, "4\n"},
        {kLatin1Bytes, "5\n"},
        {"x\xE9/", ""},
        {"x\xE9/in.txt", "6\n"},
        {"a\xFF" "b.txt", "7\n"},
    };
}

TEST_F(Names, EachNameInTheCodeItFitsAndEveryPeerReadsTheArchive)
{
    WriteTree(C("SRC"), NameTree());
    const std::string archive = D("names.lzh");
    {
        qb::arctest::ScopedCwd cwd(C("SRC"));
        CallResult r = Unlha("a -xr \"" + archive + "\" *.*");
        EXPECT_EQ(r.rc, ARC_ERROR_INCOMPLETE) << r.output;
        EXPECT_NE(r.output.find("skipped byte-ff-in-name a\\xFFb.txt"), std::string::npos)
            << r.output;
        EXPECT_NE(r.output.find("raw-name d\\xE9j\\xE0.txt"), std::string::npos) << r.output;
    }
    // The code page each member declares: CP932 wherever it fits, per member.
    lzh::FileSource source(open(archive.c_str(), O_RDONLY));
    std::vector<lzh::MemberHeader> members;
    std::string error;
    ASSERT_TRUE(lzh::ReadAllHeaders(source, members, error)) << error;
    std::map<std::string, lzh::NameCharset> charsets;
    for (const auto& m : members)
        charsets[m.Path()] = m.charset;
    const std::map<std::string, lzh::NameCharset> expected = {
        {"ok.txt", lzh::NameCharset::Cp932},    {"日本語.txt", lzh::NameCharset::Cp932},
        {"ǅ𐐀.txt", lzh::NameCharset::Utf8},     {"テスト.txt", lzh::NameCharset::Cp932},
        {"dΘjα.txt", lzh::NameCharset::Cp437}, {"xΘ", lzh::NameCharset::Cp437},
        {"xΘ/in.txt", lzh::NameCharset::Cp437},
    };
    EXPECT_EQ(charsets, expected);

    // Every peer lists and extracts every file.
    const std::size_t files = 6;
    EXPECT_EQ(PeersReject(archive, files), "");
    const std::pair<const char*, const char*> tools[] = {
        {"lhasa", "lhasa xq"},
        {"bsdtar", "LC_ALL=C.UTF-8 bsdtar xf"},
        {"7zz", "7zz x -y"},
        {"jlha", "jlha x"},
    };
    for (const auto& [tool, command] : tools) {
        const std::string target = D(std::string("peer/") + tool);
        fs::create_directories(target);
        std::string out;
        EXPECT_EQ(RunShell("cd " + Quoted(target) + " && " + command + " " + Quoted(archive) +
                               " 2>&1 </dev/null",
                           &out),
                  0)
            << tool << ": " << out;
        std::size_t found = 0;
        for (const auto& [path, content] : ReadTree(target))
            found += path.back() != '/';
        EXPECT_EQ(found, files) << tool << ": " << out;
    }
    std::string listing;
    EXPECT_EQ(RunShell("LC_ALL=C.UTF-8 bsdtar tf " + Quoted(archive) + " 2>&1", &listing), 0);
    EXPECT_NE(listing.find("テスト.txt"), std::string::npos) << listing;
    EXPECT_NE(listing.find("ǅ𐐀.txt"), std::string::npos) << listing;
}

TEST_F(Names, OurReaderReadsBackWhatWeWrote)
{
    WriteTree(C("SRC"), NameTree());
    const std::string archive = D("names.lzh");
    qb::arctest::ScopedCwd cwd(C("SRC"));
    ASSERT_EQ(Unlha("a -xr \"" + archive + "\" *.*").rc, ARC_ERROR_INCOMPLETE);
    const std::string before = ReadFile(archive);
    const Tree extracted = OurFiles(archive, "back");
    const Tree expected = {
        {"ok.txt", "1\n"},   {"日本語.txt", "2\n"}, {"ǅ𐐀.txt", "3\n"},   {"テスト.txt", "4\n"},
        {"dΘjα.txt", "5\n"}, {"xΘ/", ""},          {"xΘ/in.txt", "6\n"},
    };
    EXPECT_EQ(extracted, expected);
    // Updating with the same files finds every member by its stored name: nothing is added again.
    CallResult r = Unlha("u -xr \"" + archive + "\" *.*");
    EXPECT_EQ(r.rc, ARC_ERROR_INCOMPLETE) << r.output;
    EXPECT_EQ(ReadFile(archive), before);
    // With -names:utf8 every name that is text is UTF-8.
    ASSERT_EQ(Unlha("a -xr -names:utf8 \"" + D("utf8.lzh") + "\" *.*").rc, ARC_ERROR_INCOMPLETE);
    lzh::FileSource source(open(D("utf8.lzh").c_str(), O_RDONLY));
    std::vector<lzh::MemberHeader> members;
    std::string error;
    ASSERT_TRUE(lzh::ReadAllHeaders(source, members, error)) << error;
    for (const auto& m : members) {
        if (m.Path() == "ok.txt" || m.Path() == "日本語.txt") {
            EXPECT_EQ(m.charset, lzh::NameCharset::Utf8) << m.Path();
        }
    }
}

TEST_F(Names, ByteFFInAForeignNameStaysInTheName)
{
    // A member "a\xFFb" beside a real "a/b": each is its own file, neither overwrites the other.
    Member odd = Stored("a\xFF" "b", "odd\n");
    Member real = Stored("b", "real\n");
    real.extended = {{0x02, "a\xFF"}};
    const std::string archive = D("ff.lzh");
    WriteBytes(archive, Archive({Level2(real), Level2(odd)}));
    EXPECT_EQ(OurFiles(archive, "ff"), (Tree{{"a/", ""}, {"a/b", "real\n"}, {"a_b", "odd\n"}}));
}

}  // namespace
}  // namespace unlhatest
