// What other programs write, read with our reader: self-extracting archives and files that are no
// archive at all, the header variants of OS-9, Atari, LHa for UNIX and Mac LHA, members without
// a date and 0xFF inside names. Every archive is built byte by byte. (The module's tests compare
// what it extracts from such archives with what lhasa extracts.)
#include "LzhHandMade.h"
#include "lzh_reader.h"

#include <gtest/gtest.h>

using namespace lzh;
using namespace lzhtest;

namespace {

ArchiveStart StartOf(const std::string& bytes)
{
    MemorySource source(bytes.data(), bytes.size());
    return FindArchiveStart(source);
}

struct Read {
    bool complete = false;
    std::string error;
    std::vector<MemberHeader> members;
    std::uint64_t start = 0;
};

Read ReadAll(const std::string& bytes)
{
    MemorySource source(bytes.data(), bytes.size());
    Read r;
    r.complete = ReadAllHeaders(source, r.members, r.error, 1, &r.start);
    return r;
}

MemberHeader Only(const std::string& archive)
{
    Read r = ReadAll(archive);
    EXPECT_TRUE(r.complete) << r.error;
    EXPECT_EQ(r.members.size(), 1u);
    return r.members.empty() ? MemberHeader{} : r.members[0];
}

HeaderStatus StatusOf(const std::string& header)
{
    MemberHeader h;
    return ParseHeader(reinterpret_cast<const std::uint8_t*>(header.data()), header.size(), 0, h)
        .status;
}

std::string Decoded(const std::string& archive, const MemberHeader& m, DecodeStatus& status)
{
    MemorySource source(archive.data(), archive.size());
    std::string out;
    status = DecodeMember(source, m, [&](const std::uint8_t* data, std::size_t n) {
        out.append(reinterpret_cast<const char*>(data), n);
        return true;
    });
    return out;
}

const std::string kText = "hello world\n";

}  // namespace

TEST(ArchiveStart, PlainAndSelfExtractingArchivesAreFound)
{
    const std::string plain = Archive({Level2(Stored("a.txt", kText))});
    ArchiveStart s = StartOf(plain);
    EXPECT_EQ(s.kind, ArchiveStart::Kind::Members);
    EXPECT_EQ(s.offset, 0u);

    // The program's own method names are passed over; the archive after it is found.
    for (std::size_t stub : {1000u, 70000u, 200000u}) {
        const std::string sfx = ProgramStub(stub, static_cast<unsigned>(stub)) + plain;
        Read r = ReadAll(sfx);
        ASSERT_TRUE(r.complete) << stub << ": " << r.error;
        EXPECT_EQ(r.start, stub);
        ASSERT_EQ(r.members.size(), 1u);
        EXPECT_EQ(r.members[0].Path(), "a.txt");
        EXPECT_EQ(r.members[0].headerOffset, stub);
    }
    // Beyond the part searched, no archive is found.
    EXPECT_EQ(StartOf(ProgramStub(kSelfExtractorSearch + 10, 1) + plain).kind,
              ArchiveStart::Kind::NotArchive);

    // A valid-looking header in the program whose member runs past the end is no start.
    Member decoy = Stored("x", kText);
    decoy.packed.clear();
    std::string fake = Level0(decoy);
    Put32At(fake, 7, 0x7FFFFFFF);
    fake[1] = static_cast<char>(ByteSum(fake.substr(0, fake.size()), 2));
    Read r = ReadAll(ProgramStub(500, 7) + fake + ProgramStub(300, 8) + plain);
    ASSERT_TRUE(r.complete) << r.error;
    EXPECT_EQ(r.start, 800u + fake.size());
}

TEST(ArchiveStart, OnlyOneZeroByteIsAnEmptyArchive)
{
    EXPECT_EQ(StartOf(std::string(1, '\0')).kind, ArchiveStart::Kind::Empty);
    Read empty = ReadAll(std::string(1, '\0'));
    EXPECT_TRUE(empty.complete);
    EXPECT_TRUE(empty.members.empty());

    const std::string notArchives[] = {
        "",
        std::string(5000, '\0'),
        "a text file, not an archive\n",
        std::string(1, '\0') + "data after a zero byte",
        std::string(2, '\0'),
    };
    for (const std::string& bytes : notArchives) {
        Read r = ReadAll(bytes);
        EXPECT_FALSE(r.complete) << bytes.size();
        EXPECT_NE(r.error.find("not an LZH archive"), std::string::npos) << r.error;
    }
}

TEST(ForeignHeaders, Os9RightsBecomeUnixModes)
{
    // OS-9 rights: owner read/write/execute in bits 0-2, others in bits 3-5.
    Member k0 = Stored("k0", kText);
    k0.area = "K";
    k0.area += '\0';
    Put32(k0.area, 1300000000);
    Put32(k0.area, 1300000000);  // OS-9/68k LHA writes the time twice
    Put16(k0.area, 0x0B);  // owner rw, others r
    Put16(k0.area, 0);
    Put16(k0.area, 0);
    MemberHeader h = Only(Archive({Level0(k0)}));
    ASSERT_TRUE(h.unixMode);
    EXPECT_EQ(*h.unixMode & 0777, 0644);
    EXPECT_EQ(h.mtime, 1300000000);

    Member n0 = Stored("n0", kText);
    n0.area = std::string("9\x2F\x00", 3) + std::string(6, '\0') + "\xCC" + std::string(7, '\0') +
              std::string("\x2F\x00", 2) + std::string(3, '\0');  // all for the owner, r-x else
    h = Only(Archive({Level0(n0)}));
    ASSERT_TRUE(h.unixMode);
    EXPECT_EQ(*h.unixMode & 0777, 0755);

    Member k2 = Stored("k2", kText);
    k2.os = 'K';
    k2.extended = {{0x01, "k2"}, {0x50, std::string("\x09\x00", 2)}};  // owner r, others r
    h = Only(Archive({Level2(k2, {.sizeAdjust = -2})}));
    ASSERT_TRUE(h.unixMode);
    EXPECT_EQ(*h.unixMode & 0777, 0444);
    // Only OS-9/68k's size is taken two bytes short; from elsewhere the header CRC then fails.
    k2.os = 'M';
    EXPECT_EQ(StatusOf(Level2(k2, {.sizeAdjust = -2})), HeaderStatus::Damaged);

    Member c1 = Stored("c1", kText);
    c1.os = '9';
    c1.extended = {{0xCC, std::string(7, '\0') + std::string("\x07\x00", 2)}};
    h = Only(Archive({Level1(c1)}));
    ASSERT_TRUE(h.unixMode);
    EXPECT_EQ(*h.unixMode & 0777, 0700);
}

TEST(ForeignHeaders, AtariLevelTwoWithoutHeaderCrc)
{
    Member m = Stored("", kText);
    m.os = 'a';
    m.extended = {{0x01, "gpl2"}};
    EXPECT_EQ(Only(Archive({Level2(m, {.headerCrc = false})})).Path(), "gpl2");
    // From anywhere else a header without its CRC is refused: a damaged type byte could hide it.
    m.os = 'M';
    EXPECT_EQ(StatusOf(Level2(m, {.headerCrc = false})), HeaderStatus::Damaged);
}

TEST(ForeignHeaders, UnixTimesOfLevelZeroAndOne)
{
    Member dos = Stored("dos", kText);
    dos.time = DosTime(2011, 12, 11, 18, 30, 36);
    MemberHeader h = Only(Archive({Level1(dos)}));
    EXPECT_TRUE(h.hasDate);
    EXPECT_TRUE(h.dosTime);

    Member unix1 = dos;
    unix1.os = 'U';
    std::string t;
    Put32(t, 1323628237);  // an odd second, which MS-DOS times cannot hold
    unix1.extended = {{0x50, std::string("\xA4\x81", 2)}, {0x54, t}};
    h = Only(Archive({Level1(unix1)}));
    EXPECT_EQ(h.mtime, 1323628237);
    EXPECT_FALSE(h.dosTime);

    Member unix0 = dos;
    unix0.area = std::string("U\0", 2) + t + std::string("\xA4\x81\xE8\x03\xE8\x03", 6);
    h = Only(Archive({Level0(unix0)}));
    EXPECT_EQ(h.mtime, 1323628237);
    EXPECT_FALSE(h.dosTime);
}

TEST(ForeignHeaders, MembersWithoutADate)
{
    EXPECT_FALSE(Only(Archive({Level0(Stored("a", kText))})).hasDate);
    EXPECT_FALSE(Only(Archive({Level2(Stored("b", kText))})).hasDate);
    Member dated = Stored("c", kText);
    dated.extended = {{0x41, std::string(8, '\0') + std::string("\x00\x80\x3E\xD5\xDE\xB1\x9D\x01", 8) +
                                 std::string(8, '\0')}};
    MemberHeader h = Only(Archive({Level2(dated)}));
    EXPECT_TRUE(h.hasDate);
    EXPECT_EQ(h.mtime, 0);  // 1970-01-01 exactly: a real date all the same
}

TEST(ForeignHeaders, ByteFFSeparatesFoldersOnlyInTheFolderHeader)
{
    Member inName = Stored("", kText);
    inName.extended = {{0x02, "d1\xFF" "d2\xFF"}, {0x01, "a\xFF" "b"}};
    MemberHeader h = Only(Archive({Level2(inName)}));
    EXPECT_EQ(h.Path(), "d1/d2/a_b");
    EXPECT_EQ(h.storedPath, "d1/d2/a\xFF" "b");

    Member level0 = Stored("dir\\x\xFF" "y", kText);
    h = Only(Archive({Level0(level0)}));
    EXPECT_EQ(h.components, (std::vector<std::string>{"dir", "x_y"}));
}

TEST(ForeignData, MacBinaryWrapperIsTakenOff)
{
    const std::uint32_t time = 1300000000;
    auto mac = [&](const std::string& name, const std::string& wrapped, std::uint8_t os) {
        Member m = Stored("", wrapped);
        m.os = os;
        m.time = time;
        m.extended = {{0x01, name}};
        return Archive({Level2(m)});
    };
    const std::string data(300, 'd'), resource(200, 'r');
    struct Case {
        std::string name, wrappedName, dataFork, resourceFork;
        std::uint8_t os;
        bool unwrapped;
        std::string expected;
    } cases[] = {
        {"Read Me", "Read Me", data, "", 'm', true, data},
        {"Read Me", "Read Me", "", resource, 'm', true, resource},
        {"Read Me", "Read Me", data, resource, 'm', true, data},
        {"Read Me", "Other", data, "", 'm', false, ""},  // a MacBinary file kept as it is
        {"Read Me", "Read Me", data, "", 'M', false, ""},  // not from a Mac
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wrappedName + " " + static_cast<char>(c.os));
        const std::string wrapped = MacBinary(c.wrappedName, c.dataFork, c.resourceFork, time);
        const std::string archive = mac(c.name, wrapped, c.os);
        DecodeStatus status;
        const std::string out = Decoded(archive, Only(archive), status);
        EXPECT_EQ(status, DecodeStatus::Ok);
        EXPECT_TRUE(out == (c.unwrapped ? c.expected : wrapped)) << out.size();
    }
    // The whole stored data is still checked: a damaged wrapper fails its CRC.
    std::string damaged = mac("Read Me", MacBinary("Read Me", data, "", time), 'm');
    damaged[damaged.size() - 10] ^= 1;
    DecodeStatus status;
    Decoded(damaged, Only(damaged), status);
    EXPECT_EQ(status, DecodeStatus::CrcError);
}
