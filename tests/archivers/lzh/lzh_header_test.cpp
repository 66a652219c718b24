// Our level-2 headers read back with our parser, and damaged headers refused.
#include "lzh_header.h"
#include "lzh_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>

using namespace lzh;

namespace {

NewMember SampleFile(const std::string& name)
{
    NewMember m;
    m.method = "-lh5-";
    m.folders = {"DATA", "プロジェクト"};
    m.name = name;
    m.packedSize = 1234;
    m.originalSize = 5678;
    m.mtime = 1262322000;
    m.crc = 0xA33A;
    m.unixMode = 0100640;
    return m;
}

MemberHeader Parse(const std::vector<std::uint8_t>& bytes)
{
    MemberHeader h;
    HeaderParse r = ParseHeader(bytes.data(), bytes.size(), 100, h);
    EXPECT_EQ(r.status, HeaderStatus::Ok) << r.error;
    return h;
}

}  // namespace

TEST(Level2Header, RoundTripKeepsEveryField)
{
    auto bytes = BuildLevel2Header(SampleFile("表示 with space.txt"));
    MemberHeader h = Parse(bytes);
    EXPECT_EQ(h.level, 2);
    EXPECT_EQ(h.method, "-lh5-");
    EXPECT_EQ(h.Path(), "DATA/プロジェクト/表示 with space.txt");
    EXPECT_EQ(h.packedSize, 1234u);
    EXPECT_EQ(h.originalSize, 5678u);
    EXPECT_EQ(h.mtime, 1262322000);
    EXPECT_EQ(h.crc, 0xA33A);
    ASSERT_TRUE(h.unixMode);
    EXPECT_EQ(*h.unixMode, 0100640);
    EXPECT_EQ(h.charset, NameCharset::Utf8);
    EXPECT_EQ(h.headerOffset, 100u);
    EXPECT_EQ(h.dataOffset, 100u + bytes.size());
    EXPECT_FALSE(h.isDirectory);
}

TEST(Level2Header, CommentAfterANulIsNotPartOfTheName)
{
    MemberHeader h = Parse(BuildLevel2Header(SampleFile(std::string("file.txt\0a comment", 18))));
    EXPECT_EQ(h.Path(), "DATA/プロジェクト/file.txt");
}

TEST(Level2Header, FolderEntry)
{
    NewMember m;
    m.method = "-lhd-";
    m.folders = {"a", "b"};
    m.attribute = 0x10;
    m.unixMode = 040755;
    MemberHeader h = Parse(BuildLevel2Header(m));
    EXPECT_TRUE(h.isDirectory);
    EXPECT_EQ(h.Path(), "a/b");
    EXPECT_EQ(h.attribute, 0x10);
}

TEST(Level2Header, SizesOfFourGibibytesAndMoreUseTheWideHeader)
{
    NewMember m = SampleFile("huge.bin");
    m.originalSize = 0x1'1940'0000ull;  // 4.7 GB
    m.packedSize = 0x1'0000'0001ull;
    MemberHeader h = Parse(BuildLevel2Header(m));
    EXPECT_EQ(h.originalSize, 0x1'1940'0000ull);
    EXPECT_EQ(h.packedSize, 0x1'0000'0001ull);

    m.originalSize = 0xFFFFFFFFull;  // the largest size the base fields hold
    m.packedSize = 10;
    auto narrow = BuildLevel2Header(m);
    EXPECT_EQ(Parse(narrow).originalSize, 0xFFFFFFFFull);
    EXPECT_LT(narrow.size(), BuildLevel2Header(SampleFile("huge.bin")).size() + 19);
}

TEST(Level2Header, SizeIsNeverAMultipleOf256)
{
    // The low byte of the size is the first byte of the member: zero would end the archive.
    for (std::size_t len = 1; len < 700; ++len) {
        auto bytes = BuildLevel2Header(SampleFile(std::string(len, 'n')));
        ASSERT_NE(bytes.size() % 256, 0u) << len;
        MemberHeader h = Parse(bytes);
        ASSERT_EQ(h.components.back().size(), len);
        ASSERT_EQ(h.dataOffset - h.headerOffset, bytes.size());
    }
}

TEST(Level2Header, AnyFlippedByteIsCaught)
{
    auto good = BuildLevel2Header(SampleFile("x.txt"));
    for (std::size_t i = 0; i < good.size(); ++i) {
        auto bad = good;
        bad[i] ^= 0x41;
        MemberHeader h;
        HeaderParse r = ParseHeader(bad.data(), bad.size(), 0, h);
        // The header CRC covers every byte: the parser must not accept a changed header.
        EXPECT_NE(r.status, HeaderStatus::Ok) << "byte " << i;
    }
}

TEST(Level2Header, TooLongNameIsRefusedByTheWriter)
{
    EXPECT_TRUE(BuildLevel2Header(SampleFile(std::string(70000, 'a'))).empty());
}

TEST(ArchiveWalk, EndMarkerJunkAndTruncation)
{
    auto header = BuildLevel2Header([] {
        NewMember m;
        m.method = "-lh0-";
        m.name = "a.txt";
        m.packedSize = m.originalSize = 3;
        return m;
    }());
    std::vector<std::uint8_t> archive = header;
    archive.insert(archive.end(), {'a', 'b', 'c', 0, 'j', 'u', 'n', 'k'});
    {
        MemorySource src(archive.data(), archive.size());
        std::vector<MemberHeader> members;
        std::string error;
        ASSERT_TRUE(ReadAllHeaders(src, members, error)) << error;
        ASSERT_EQ(members.size(), 1u);
    }
    for (std::size_t cut = 1; cut < header.size() + 3; ++cut) {
        MemorySource src(archive.data(), cut);
        std::vector<MemberHeader> members;
        std::string error;
        EXPECT_FALSE(ReadAllHeaders(src, members, error)) << cut;
    }
    // Plain end of file at a member boundary is accepted (some writers omit the marker).
    MemorySource noMarker(archive.data(), header.size() + 3);
    std::vector<MemberHeader> members;
    std::string error;
    EXPECT_TRUE(ReadAllHeaders(noMarker, members, error));
}

// A large archive's headers are decoded by several threads: the list is the same as one thread
// makes, and a read that fails in a later part (after the walk that found the members) ends the
// list where that part failed, with the members before it.
TEST(ArchiveWalk, SeveralThreadsReadTheSameListAsOne)
{
    std::vector<std::uint8_t> archive;
    for (int i = 0; i < 10000; ++i) {
        NewMember m = SampleFile("f" + std::to_string(i) + ".txt");
        m.method = "-lh0-";
        m.packedSize = m.originalSize = 1;
        auto header = BuildLevel2Header(m);
        archive.insert(archive.end(), header.begin(), header.end());
        archive.push_back(static_cast<std::uint8_t>(i));
    }
    archive.push_back(0);
    MemorySource memory(archive.data(), archive.size());
    std::vector<MemberHeader> one, several;
    std::string error;
    ASSERT_TRUE(ReadAllHeaders(memory, one, error, 1)) << error;
    ASSERT_TRUE(ReadAllHeaders(memory, several, error, 3)) << error;
    ASSERT_EQ(one.size(), 10000u);
    ASSERT_EQ(several.size(), one.size());
    for (std::size_t k = 0; k < one.size(); ++k) {
        ASSERT_EQ(several[k].Path(), one[k].Path()) << k;
        ASSERT_EQ(several[k].headerOffset, one[k].headerOffset) << k;
    }

    // Reads past member 7000 fail once the first walk is done (as many reads as a walk alone
    // takes, counted with nothing failing).
    struct Failing final : ByteSource {
        MemorySource& inner;
        std::uint64_t failFrom = UINT64_MAX;
        std::atomic<int> calls{0};
        int firstWalk = 0;
        explicit Failing(MemorySource& m) : inner(m) { }
        long long ReadAt(std::uint64_t offset, void* buf, std::size_t size) override
        {
            if (++calls > firstWalk && offset >= failFrom)
                return -1;
            return inner.ReadAt(offset, buf, size);
        }
        std::uint64_t Size() const override { return inner.Size(); }
    } failing(memory);
    {
        ArchiveReader walk(failing, HeaderDetail::LayoutOnly);
        MemberHeader m;
        while (walk.Next(m) == WalkStatus::Member) { }
        failing.firstWalk = failing.calls.exchange(0);
        failing.failFrom = one[7000].headerOffset;
    }
    std::vector<MemberHeader> cut;
    EXPECT_FALSE(ReadAllHeaders(failing, cut, error, 2));
    EXPECT_FALSE(error.empty());
    // Member 7000 and a few after it may come with the last read that succeeded.
    EXPECT_GE(cut.size(), 7000u);
    EXPECT_LT(cut.size(), 7500u);
    for (std::size_t k = 0; k < cut.size(); ++k)
        ASSERT_EQ(cut[k].Path(), one[k].Path()) << k;

    // Running out of memory in a later part reaches the caller as on one thread.
    struct Throwing final : ByteSource {
        Failing& inner;
        explicit Throwing(Failing& f) : inner(f) { }
        long long ReadAt(std::uint64_t offset, void* buf, std::size_t size) override
        {
            const long long n = inner.ReadAt(offset, buf, size);
            if (n < 0)
                throw std::bad_alloc();
            return n;
        }
        std::uint64_t Size() const override { return inner.Size(); }
    } throwing(failing);
    failing.calls = 0;
    std::vector<MemberHeader> none;
    EXPECT_THROW(ReadAllHeaders(throwing, none, error, 2), std::bad_alloc);
}

// Headers are read through a window of a few KiB: headers that straddle its end, headers longer
// than it, and a cut anywhere in the last header must all read as if byte by byte.
TEST(ArchiveWalk, ManyMembersAcrossTheReadWindow)
{
    std::vector<std::uint8_t> archive;
    std::vector<std::uint64_t> offsets;
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i) {
        NewMember m;
        m.method = "-lh0-";
        m.name = std::to_string(i) + std::string(i % 50 == 7 ? 9000 : (i * 37) % 300, 'n');
        m.packedSize = m.originalSize = static_cast<std::uint64_t>((i * 131) % 700);
        auto header = BuildLevel2Header(m);
        ASSERT_FALSE(header.empty());
        offsets.push_back(archive.size() + header.size());
        names.push_back(m.name);
        archive.insert(archive.end(), header.begin(), header.end());
        archive.insert(archive.end(), m.packedSize, 'd');
    }
    MemorySource src(archive.data(), archive.size());
    std::vector<MemberHeader> members;
    std::string error;
    ASSERT_TRUE(ReadAllHeaders(src, members, error)) << error;
    ASSERT_EQ(members.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(members[i].Path(), names[i]) << i;
        EXPECT_EQ(members[i].dataOffset, offsets[i]) << i;
    }
    std::uint64_t lastHeader = offsets.back() - members.back().headerSize;
    for (std::uint64_t cut = lastHeader + 1; cut < offsets.back(); ++cut) {
        MemorySource part(archive.data(), cut);
        std::vector<MemberHeader> some;
        EXPECT_FALSE(ReadAllHeaders(part, some, error)) << cut;
    }
}
