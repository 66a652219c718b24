// UNZIP32.DLL on archives made by other programs: by the peer tools (bsdtar, zip, 7zz with
// Deflate and Deflate64), and by hand, byte by byte, for what those tools write only sometimes
// (sizes only in the directory, data before and after the archive, two members of one name,
// local and central fields that differ, links, the older time fields). Each is extracted by
// our module and by unzip, and the two folders compared file by file.
#include "Sandbox.h"
#include "ZipModules.h"
#include "archiver_output.h"
#include "archiver_results.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <filesystem>
#include <map>
#include <random>

namespace fs = std::filesystem;
using namespace qb::ziptest;
using qb::arctest::ReadFile;
using qb::arctest::RunShell;
using qb::arctest::Sandbox;

namespace {

std::string Quoted(const std::string& s)
{
    return "'" + s + "'";
}

bool HaveTool(const char* tool)
{
    return RunShell(std::string("command -v ") + tool + " >/dev/null 2>&1") == 0;
}

// Every file and folder below root with its content ("/" for folders), by relative path.
std::map<std::string, std::string> Tree(const std::string& root)
{
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::string relative = fs::relative(e.path(), root).string();
        tree[relative] = e.is_directory() ? "/" : ReadFile(e.path().string());
    }
    return tree;
}

// What differs between two extracted trees, or "".
std::string Compare(const std::string& ours, const std::string& theirs)
{
    auto a = Tree(ours), b = Tree(theirs);
    for (const auto& [name, content] : b) {
        auto it = a.find(name);
        if (it == a.end())
            return "missing in ours: " + name;
        if (it->second != content)
            return "differs: " + name;
    }
    for (const auto& [name, content] : a)
        if (!b.count(name))
            return "only in ours: " + name;
    return "";
}

void Put16(std::string& s, unsigned v)
{
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
std::string Field(unsigned id, const std::string& data)
{
    std::string f;
    Put16(f, id);
    Put16(f, static_cast<unsigned>(data.size()));
    return f + data;
}
std::string U32(uint32_t v)
{
    std::string s;
    Put32(s, v);
    return s;
}

std::string RawDeflate(const std::string& data)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// One member of a hand-made archive, and how its headers are written.
struct Member {
    std::string name;
    std::string data;
    bool deflate = true;
    bool descriptor = false;  // sizes and CRC only after the data and in the directory
    bool descriptorSignature = true;
    std::string localExtra{}, centralExtra{};  // {}: the cases may leave them out
    uint32_t external = 0;
    uint8_t system = 0;  // 3: Unix, so that external holds a Unix mode
    uint32_t dosTime = (44u << 25) | (5u << 21) | (6u << 16) | (7u << 11) | (8u << 5) | 9u;
};

// An archive of those members. prefix goes before it; relative: its offsets count from the
// archive's start (as self-extractors made by appending an archive to a program have them)
// rather than from the file's.
std::string HandMade(const std::vector<Member>& members, const std::string& prefix = "",
                     bool relative = false, const std::string& suffix = "")
{
    std::string file = prefix, central;
    const uint32_t base = relative ? static_cast<uint32_t>(prefix.size()) : 0;
    for (const Member& m : members) {
        const std::string packed = m.deflate ? RawDeflate(m.data) : m.data;
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
        const uint32_t offset = static_cast<uint32_t>(file.size()) - base;
        const unsigned flags = m.descriptor ? 8 : 0;
        const unsigned method = m.deflate ? 8 : 0;
        std::string local;
        Put32(local, 0x04034b50);
        Put16(local, 20);
        Put16(local, flags);
        Put16(local, method);
        Put32(local, m.dosTime);
        Put32(local, m.descriptor ? 0 : crc);
        Put32(local, m.descriptor ? 0 : static_cast<uint32_t>(packed.size()));
        Put32(local, m.descriptor ? 0 : static_cast<uint32_t>(m.data.size()));
        Put16(local, static_cast<unsigned>(m.name.size()));
        Put16(local, static_cast<unsigned>(m.localExtra.size()));
        file += local + m.name + m.localExtra + packed;
        if (m.descriptor) {
            if (m.descriptorSignature)
                Put32(file, 0x08074b50);
            Put32(file, crc);
            Put32(file, static_cast<uint32_t>(packed.size()));
            Put32(file, static_cast<uint32_t>(m.data.size()));
        }
        Put32(central, 0x02014b50);
        Put16(central, (static_cast<unsigned>(m.system) << 8) | 30);
        Put16(central, 20);
        Put16(central, flags);
        Put16(central, method);
        Put32(central, m.dosTime);
        Put32(central, crc);
        Put32(central, static_cast<uint32_t>(packed.size()));
        Put32(central, static_cast<uint32_t>(m.data.size()));
        Put16(central, static_cast<unsigned>(m.name.size()));
        Put16(central, static_cast<unsigned>(m.centralExtra.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, m.external);
        Put32(central, offset);
        central += m.name + m.centralExtra;
    }
    const uint32_t centralOffset = static_cast<uint32_t>(file.size()) - base;
    file += central;
    Put32(file, 0x06054b50);
    Put32(file, 0);
    Put16(file, static_cast<unsigned>(members.size()));
    Put16(file, static_cast<unsigned>(members.size()));
    Put32(file, static_cast<uint32_t>(central.size()));
    Put32(file, centralOffset);
    Put16(file, 0);
    return file + suffix;
}

class UnZipForeign : public ::testing::Test {
protected:
    void SetUp() override { Modules(); }

    int Ours(const std::string& zip, const std::string& into)
    {
        fs::create_directories(into);
        return Modules().UnZip(box.Root(), "-x \"" + zip + "\" \"" + into + "\"");
    }
    // Extracts with our module and with unzip (-n: a second member of a name does not
    // replace the first) and compares; "" when both give the same files.
    std::string BothExtract(const std::string& zip, const std::string& tag, int expected = ARC_OK)
    {
        const std::string ours = box.Path("ours-" + tag), theirs = box.Path("unzip-" + tag);
        if (int result = Ours(zip, ours); result != expected)
            return "our result " + std::to_string(result) + ": " + Modules().output;
        fs::create_directories(theirs);
        if (RunShell("unzip -qq -n " + Quoted(zip) + " -d " + Quoted(theirs) + " 2>/dev/null") > 1)
            return "unzip failed on " + zip;
        return Compare(ours, theirs);
    }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        return box.Write(name, bytes);
    }

    Sandbox box;
};

std::string MixedData(size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        if (rng() % 4 == 0 && s.size() > 70000) {
            // A long run copied from far back: distances past 32 KiB, long matches.
            size_t from = rng() % (s.size() - 66000), length = 3 + rng() % 65000;
            s += s.substr(from, length);
        } else if (rng() % 3 == 0) {
            s += std::string(rng() % 70000, static_cast<char>('a' + rng() % 3));
        } else {
            for (size_t n = rng() % 20000; n > 0; --n)
                s.push_back(static_cast<char>(rng() % 256));
        }
    }
    s.resize(size);
    return s;
}

}  // namespace

TEST_F(UnZipForeign, ArchivesOfThePeerToolsComeOutAsUnzipGivesThem)
{
    for (const char* tool : {"bsdtar", "zip", "7zz", "unzip"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " is not installed";
    const std::string source = box.MakeFolder("src");
    box.Write("src/small.txt", "hello world\n");
    box.Write("src/empty.txt", "");
    box.Write("src/sub/deeper/mixed.bin", MixedData(600000, 1));
    box.Write("src/sub/big.bin", MixedData(9 << 20, 2));  // past what is inflated in one call
    box.Write("src/日本語.txt", "日本語の中身\n");
    box.MakeFolder("src/empty folder");
    struct Maker {
        const char* name;
        std::string command;
    };
    const std::vector<Maker> makers = {
        {"bsdtar.zip", "bsdtar --format zip -cf OUT ."},
        {"zip.zip", "zip -q -r OUT ."},
        {"zip-piped.zip", "zip -q -r - . | cat > OUT"},  // data descriptors
        {"7zz.zip", "7zz a -tzip -bd -bso0 OUT ."},
        {"7zz-deflate64.zip", "7zz a -tzip -mm=Deflate64 -bd -bso0 OUT ."},
        {"7zz-store.zip", "7zz a -tzip -mm=Copy -bd -bso0 OUT ."},
    };
    for (const Maker& maker : makers) {
        SCOPED_TRACE(maker.name);
        const std::string zip = box.Path(maker.name);
        std::string command = maker.command;
        command.replace(command.find("OUT"), 3, Quoted(zip));
        ASSERT_EQ(RunShell("cd " + Quoted(source) + " && " + command), 0);
        EXPECT_EQ(BothExtract(zip, maker.name), "");
        EXPECT_EQ(Compare(box.Path(std::string("ours-") + maker.name), source), "");
        EXPECT_EQ(Modules().UnZip(box.Root(), "-t \"" + zip + "\""), ARC_OK) << Modules().output;
    }
    // 7zz really used Deflate64 (method 9) for the files it packed.
    EXPECT_EQ(RunShell("zipinfo -v " + Quoted(box.Path("7zz-deflate64.zip")) +
                       " | grep -q 'compression method:.*deflat.*64'"),
              0);
}

TEST_F(UnZipForeign, Deflate64DamageIsFoundAndNothingIsWritten)
{
    if (!HaveTool("7zz"))
        GTEST_SKIP() << "7zz is not installed";
    box.Write("d64/data.bin", MixedData(2 << 20, 3));
    const std::string zip = box.Path("d64.zip");
    ASSERT_EQ(RunShell("cd " + Quoted(box.Path("d64")) + " && 7zz a -tzip -mm=Deflate64 -bd -bso0 " +
                       Quoted(zip) + " data.bin"),
              0);
    const std::string whole = ReadFile(zip);
    const size_t data = 30 + 8 + static_cast<unsigned char>(whole[28]);  // after the local header
    std::mt19937 rng(4);
    int found = 0;
    for (int round = 0; round < 12; ++round) {
        std::string bytes = whole;
        bytes[data + 100 + rng() % 200000] ^= static_cast<char>(1 + rng() % 255);
        const std::string bad = Write("bad.zip", bytes);
        const std::string into = box.MakeFolder("bad" + std::to_string(round));
        const int result = Ours(bad, into);
        EXPECT_TRUE(result == ARC_ERROR_CHECKSUM || result == ARC_ERROR_BAD_ARCHIVE) << result;
        found += result != ARC_OK;
        EXPECT_TRUE(fs::is_empty(into)) << round;
    }
    EXPECT_EQ(found, 12);
}

TEST_F(UnZipForeign, HandMadeArchivesComeOutAsUnzipGivesThem)
{
    const std::string text = "some text that deflates, some text that deflates\n";
    // Sizes and CRC only in the directory and after the data (as bsdtar writes them), with and
    // without the descriptor's signature, stored and deflated.
    std::vector<Member> descriptors = {
        {"a.txt", text, true, true, true},
        {"b.txt", text + "b", true, true, false},
        {"c.bin", "stored\n", false, true, true},
    };
    const std::string plain = HandMade(descriptors);
    EXPECT_EQ(BothExtract(Write("descriptors.zip", plain), "descriptors"), "");
    EXPECT_EQ(ReadFile(box.Path("ours-descriptors/c.bin")), "stored\n");

    // Data before (a self-extractor's program) with offsets from the file's start or from the
    // archive's, and data after the archive.
    const std::string stub(5000, 'S');
    EXPECT_EQ(BothExtract(Write("sfx.zip", HandMade(descriptors, stub)), "sfx"), "");
    EXPECT_EQ(BothExtract(Write("sfx-rel.zip", HandMade(descriptors, stub, true)), "sfx-rel"), "");
    EXPECT_EQ(BothExtract(Write("tail.zip", plain + std::string(3000, 'T')), "tail"), "");
    EXPECT_EQ(Compare(box.Path("ours-sfx-rel"), box.Path("ours-descriptors")), "");
    EXPECT_EQ(Compare(box.Path("ours-tail"), box.Path("ours-descriptors")), "");

    // Local and central extra fields that differ: a time only in the local header, an unknown
    // field only in the directory, a field cut short.
    Member localOnly{"local-time.txt", text};
    localOnly.localExtra = Field(0x5455, std::string("\x03", 1) + U32(1300000000) + U32(1300000001));
    localOnly.centralExtra = Field(0xCAFE, "xyz");
    Member cutShort{"cut-field.txt", text};
    cutShort.centralExtra = Field(0x5455, std::string("\x01", 1) + U32(1200000000)) + "\x99\x99";
    cutShort.localExtra = "\x01";
    const std::string extras = Write("extras.zip", HandMade({localOnly, cutShort}));
    EXPECT_EQ(BothExtract(extras, "extras"), "");
    struct stat info { };
    ASSERT_EQ(stat(box.Path("ours-extras/local-time.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1300000000);
    ASSERT_EQ(stat(box.Path("ours-extras/cut-field.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1200000000);
}

TEST_F(UnZipForeign, TwoMembersOfOneNameAreBothExtracted)
{
    const std::string zip = Write(
        "dup.zip", HandMade({{"dir/same.txt", "first\n"},
                             {"dir/same.txt", "second\n"},
                             {"dir/same_1.txt", "a member of its own\n"},
                             {"noext", "one"},
                             {"noext", "two"},
                             {"dir/same.txt", "third\n"}}));
    // unzip -n keeps the first of each name: ours has the same files, and the later members
    // beside them.
    const std::string ours = box.Path("ours-dup");
    EXPECT_EQ(BothExtract(zip, "dup"), "only in ours: dir/same_2.txt");
    EXPECT_EQ(ReadFile(ours + "/dir/same.txt"), "first\n");
    EXPECT_EQ(ReadFile(ours + "/dir/same_1.txt"), "a member of its own\n");
    EXPECT_EQ(ReadFile(ours + "/dir/same_2.txt"), "second\n");
    EXPECT_EQ(ReadFile(ours + "/dir/same_3.txt"), "third\n");
    EXPECT_EQ(ReadFile(ours + "/noext"), "one");
    EXPECT_EQ(ReadFile(ours + "/noext_1"), "two");
    EXPECT_NE(Modules().output.find("dir/same.txt: a member of this name was extracted already; "
                                    "this one went to dir/same_2.txt"),
              std::string::npos)
        << Modules().output;
    // Extracting again gives the same files, not more.
    ASSERT_EQ(Ours(zip, ours), ARC_OK);
    EXPECT_EQ(Tree(ours).size(), 7u);
}

TEST_F(UnZipForeign, LinksAreLeftOutAndNamed)
{
    Member link{"link-to-passwd", "/etc/passwd", false};
    link.system = 3;
    link.external = 0120777u << 16;
    Member file{"file.txt", "content\n"};
    const std::string zip = Write("link.zip", HandMade({link, file}));
    const std::string into = box.Path("ours-link");
    EXPECT_EQ(Ours(zip, into), ARC_ERROR_INCOMPLETE) << Modules().output;
    EXPECT_NE(Modules().output.find(std::string(ARC_LINE_SKIPPED) + "symbolic-link link-to-passwd\n"),
              std::string::npos)
        << Modules().output;
    EXPECT_EQ(Tree(into), (std::map<std::string, std::string>{{"file.txt", "content\n"}}));
    // A link made by zip itself (-y stores the link, not its target).
    if (HaveTool("zip")) {
        box.Write("linked/target.txt", "target\n");
        fs::create_symlink("target.txt", box.Path("linked/link.txt"));
        const std::string zipped = box.Path("zipped-link.zip");
        ASSERT_EQ(RunShell("cd " + Quoted(box.Path("linked")) + " && zip -q -y " + Quoted(zipped) +
                           " target.txt link.txt"),
                  0);
        EXPECT_EQ(Ours(zipped, box.Path("ours-zipped")), ARC_ERROR_INCOMPLETE);
        EXPECT_EQ(Tree(box.Path("ours-zipped")),
                  (std::map<std::string, std::string>{{"target.txt", "target\n"}}));
    }
}

TEST_F(UnZipForeign, TimesOfEveryTimeFieldAndOfFoldersComeBack)
{
    auto unixField = [](unsigned id, uint32_t mtime) {
        return Field(id, U32(mtime - 50) + U32(mtime) + (id == 0x000d ? U32(0) : ""));
    };
    Member ux{"ux.txt", "x"}, pk{"pk.txt", "p"}, both{"both.txt", "b"}, dos{"dos.txt", "d"};
    ux.centralExtra = unixField(0x5855, 1100000000);
    pk.centralExtra = unixField(0x000d, 1000000000);
    // The extended timestamp wins over the older fields.
    both.centralExtra = unixField(0x000d, 900000000) +
                        Field(0x5455, std::string("\x01", 1) + U32(1400000000));
    Member folder{"folder/", "", false};
    folder.centralExtra = Field(0x5455, std::string("\x01", 1) + U32(1234567890));
    Member inside{"folder/inside.txt", "i"};
    const std::string zip = Write("times.zip", HandMade({folder, inside, ux, pk, both, dos}));
    const std::string into = box.Path("ours-times");
    ASSERT_EQ(Ours(zip, into), ARC_OK) << Modules().output;
    auto mtime = [&](const std::string& name) {
        struct stat info { };
        stat((into + "/" + name).c_str(), &info);
        return info.st_mtime;
    };
    EXPECT_EQ(mtime("ux.txt"), 1100000000);
    EXPECT_EQ(mtime("pk.txt"), 1000000000);
    EXPECT_EQ(mtime("both.txt"), 1400000000);
    EXPECT_EQ(mtime("folder"), 1234567890);  // set after the file inside was written
    struct tm tm { };
    tm.tm_year = 124;
    tm.tm_mon = 4;
    tm.tm_mday = 6;
    tm.tm_hour = 7;
    tm.tm_min = 8;
    tm.tm_sec = 18;
    tm.tm_isdst = -1;
    EXPECT_EQ(mtime("dos.txt"), mktime(&tm));
}

TEST_F(UnZipForeign, AnUpdateChecksWhatItKeepsAndLeavesADamagedArchiveAsItIs)
{
    const std::string source = box.MakeFolder("upd");
    box.Write("upd/keep.txt", std::string(4000, 'k'));
    box.Write("upd/other.txt", "other\n");
    const std::string zip = box.Path("upd.zip");
    ASSERT_EQ(Modules().Zip(source, " -9 \"" + zip + "\" \"*.*\""), 0) << Modules().output;
    // keep.txt's deflated data gets a changed byte: it no longer inflates to what it was.
    std::string bytes = ReadFile(zip);
    const size_t local = bytes.find("keep.txt") - 30;
    const size_t at = local + 30 + 8 + static_cast<unsigned char>(bytes[local + 28]) + 5;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x20);
    Write("upd.zip", bytes);
    box.Write("upd/new.txt", "new\n");
    EXPECT_EQ(Modules().Zip(source, " -9 \"" + zip + "\" \"*.*\""), ARC_ERROR_BAD_ARCHIVE);
    EXPECT_NE(Modules().output.find("failed damaged-archive "), std::string::npos)
        << Modules().output;
    EXPECT_NE(Modules().output.find("keep.txt"), std::string::npos) << Modules().output;
    EXPECT_EQ(ReadFile(zip), bytes);
    EXPECT_EQ(qb::arctest::FolderNames(box.Root()).size(), 2u);  // no temporary file left

    // An archive with data before it is read, but not rewritten: the update would drop it.
    Write("upd.zip", HandMade({{"keep.txt", std::string(4000, 'k')}}, std::string(100, 'S')));
    EXPECT_EQ(Modules().Zip(source, " -9 \"" + zip + "\" \"*.*\""), ARC_ERROR_BAD_ARCHIVE);
    EXPECT_NE(Modules().output.find("data before its first member"), std::string::npos)
        << Modules().output;

    // bsdtar's archives (sizes only in the directory) are updated, their members checked.
    if (HaveTool("bsdtar")) {
        fs::remove(box.Path("upd/new.txt"));
        ASSERT_EQ(RunShell("cd " + Quoted(source) + " && bsdtar --format zip -cf " + Quoted(zip) +
                           " keep.txt other.txt"),
                  0);
        box.Write("upd/new.txt", "new\n");
        EXPECT_EQ(Modules().Zip(source, " -9 \"" + zip + "\" \"*.*\""), ARC_OK) << Modules().output;
        EXPECT_EQ(BothExtract(zip, "bsdtar-updated"), "");
        EXPECT_EQ(Compare(box.Path("ours-bsdtar-updated"), source), "");
    }
}
