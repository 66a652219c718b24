// Every archive of the shared test data (made by other LHA programs) read with our header reader
// and decoded through liblhasa: names as their makers meant them, sizes and CRCs as the README
// of the test data gives them.
#include "lzh_reader.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <map>
#include <memory>

using namespace lzh;

namespace {

const std::string kDir = QB_TESTDATA_DIR "/lzh/";

std::vector<std::string> ArchiveNames()
{
    std::vector<std::string> names;
    if (DIR* d = opendir(kDir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.substr(n.size() - 4) == ".lzh")
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct Opened {
    std::unique_ptr<FileSource> source;
    std::vector<MemberHeader> members;
    bool walked = false;
    std::string error;
};

Opened Open(const std::string& name)
{
    Opened o;
    const std::string path = kDir + name;
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        // A copy of the project without its test data fails here by name instead of crashing.
        ADD_FAILURE() << "test archive missing or unreadable: " << path;
        o.error = "cannot open " + path;
        return o;
    }
    o.source = std::make_unique<FileSource>(fd);
    o.walked = ReadAllHeaders(*o.source, o.members, o.error);
    return o;
}

// Element i, or "" when there are fewer (a missing archive lists nothing).
std::string Nth(const std::vector<std::string>& items, std::size_t i)
{
    return i < items.size() ? items[i] : std::string();
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return s;
}

// Payloads of the README: last name component (lower case) -> size and CRC.
const std::map<std::string, std::pair<std::uint64_t, std::uint16_t>> kPayloads = {
    {"gpl-2", {18092, 0xA33A}},  {"gpl-2.gz", {6829, 0xB6D5}}, {"long.txt", {1241658, 0x6A7C}},
    {"hello.txt", {12, 0x9778}}, {"テスト.txt", {36, 0xFE7D}}, {"表示.txt", {37, 0x2492}},
    {"empty.txt", {0, 0x0000}},
};

}  // namespace

TEST(TestData, EveryArchiveWalksAndEveryMemberDecodes)
{
    auto names = ArchiveNames();
    ASSERT_GE(names.size(), 80u);
    for (const auto& name : names) {
        if (name == "regression_truncated.lzh" || name == "morphos2717_h2_huge.lzh")
            continue;
        SCOPED_TRACE(name);
        Opened o = Open(name);
        ASSERT_TRUE(o.walked) << o.error;
        ASSERT_FALSE(o.members.empty());
        for (const auto& m : o.members) {
            SCOPED_TRACE(m.Path());
            std::uint64_t size = 0;
            DecodeStatus s = DecodeMember(*o.source, m, [&](const std::uint8_t*, std::size_t n) {
                size += n;
                return true;
            });
            EXPECT_EQ(s, DecodeStatus::Ok);
            if (m.isDirectory || m.isSymlink)
                continue;
            EXPECT_EQ(size, m.originalSize);
            auto it = kPayloads.find(Lower(m.components.back()));
            if (it != kPayloads.end() && name.rfind("libarchive_", 0) != 0) {
                EXPECT_EQ(m.originalSize, it->second.first);
                EXPECT_EQ(m.crc, it->second.second);
            }
        }
    }
}

TEST(TestData, NamesAsTheirMakersMeantThem)
{
    auto paths = [](const std::string& name) {
        std::vector<std::string> out;
        for (const auto& m : Open(name).members)
            out.push_back(m.Path() + (m.isDirectory ? "/" : "") +
                          (m.isSymlink ? " -> " + m.linkTarget : ""));
        return out;
    };
    using V = std::vector<std::string>;
    // CP932 names, one with 0x5C as its second byte, in level 0, 1 and 2 headers.
    EXPECT_EQ(paths("libarchive_filename_cp932.lzh"), (V{"漢字.txt", "表.txt"}));
    for (const char* jlha : {"jlha_h0_lh5.lzh", "jlha_h1_lh5.lzh", "jlha_h2_lh5.lzh"})
        EXPECT_EQ(paths(jlha), (V{"gpl-2", "empty.txt", "サブ/", "サブ/テスト.txt", "表示.txt"}))
            << jlha;
    // UTF-16 names win over the placeholder bytes.
    EXPECT_EQ(Nth(paths("libarchive_filename_utf16.lzh"), 1), "ÜÖÄüöä/");
    // Leading separators (LHMelt, Tascal) are dropped but remembered.
    auto lhmelt = Open("lhmelt16536_h2_subdir.lzh").members;
    EXPECT_EQ(lhmelt.empty() ? "" : lhmelt[0].Path(), "subdir/subdir2/hello.txt");
    EXPECT_TRUE(!lhmelt.empty() && lhmelt[0].hadLeadingSeparator);
    EXPECT_EQ(paths("tascal051h_abspath.lzh"), (V{"Mounted Volume/subdir/subdir2/hello.txt"}));
    // Folder entries of ExpLZH come first, with 0x5C paths in level 0.
    EXPECT_EQ(paths("explzh723_h0_subdir.lzh"),
              (V{"subdir/", "subdir/subdir2/", "subdir/subdir2/hello.txt"}));
    // Symbolic links are recognised, also when "link|target" is split over two headers.
    EXPECT_EQ(paths("unix114i_h1_symlink2.lzh"), (V{"symlink -> path/to/target"}));
    EXPECT_EQ(paths("regression_symlink2.lzh"), (V{"etc -> ../../etc", "etc/passwd"}));
    // ".." is kept for the extractor to refuse; control characters never reach a terminal.
    EXPECT_EQ(paths("regression_dotdot.lzh"), (V{"../evil1.txt", "foo/../../evil2.txt"}));
    EXPECT_EQ(paths("regression_badterm.lzh").size(), 1u);
    EXPECT_EQ(Nth(paths("regression_badterm.lzh"), 0).find('\x1B'), std::string::npos);
    // Level 3 (OS/2) and junk after the end marker.
    EXPECT_EQ(paths("os2_lha208_h3_lh5.lzh"), (V{"GPL-2"}));
    EXPECT_EQ(paths("libarchive_withjunk.lzh").size(), 6u);
}

TEST(TestData, HugeMemberSizeComesFromTheWideHeader)
{
    // 4,718,592,000 zero bytes; the base field holds only the low 32 bits. We decode a bounded
    // prefix: all of it would take minutes and prove nothing more about the header.
    Opened o = Open("morphos2717_h2_huge.lzh");
    ASSERT_TRUE(o.walked) << o.error;
    ASSERT_EQ(o.members.size(), 1u);
    EXPECT_EQ(o.members[0].originalSize, 4718592000ull);
    std::uint64_t seen = 0;
    bool allZero = true;
    DecodeStatus s =
        DecodeMember(*o.source, o.members[0], [&](const std::uint8_t* d, std::size_t n) {
            allZero = allZero && std::all_of(d, d + n, [](std::uint8_t b) { return b == 0; });
            seen += n;
            return seen < (16u << 20);
        });
    EXPECT_EQ(s, DecodeStatus::Stopped);
    EXPECT_TRUE(allZero);
    EXPECT_GE(seen, 16u << 20);
}

TEST(TestData, BrokenArchivesFailCleanly)
{
    Opened truncated = Open("regression_truncated.lzh");
    EXPECT_FALSE(truncated.walked);
    EXPECT_FALSE(truncated.error.empty());

    // A damaged data stream is a CRC or data error, never success.
    Opened o = Open("explzh723_h2_lh5.lzh");
    ASSERT_TRUE(o.walked);
    std::string bytes(o.source->Size(), '\0');
    o.source->ReadAt(0, bytes.data(), bytes.size());
    for (std::size_t at : {o.members[0].dataOffset + 10, o.members[0].dataOffset + 3000}) {
        std::string bad = bytes;
        bad[at] = static_cast<char>(bad[at] ^ 0x10);
        MemorySource src(bad.data(), bad.size());
        std::vector<MemberHeader> members;
        std::string error;
        ASSERT_TRUE(ReadAllHeaders(src, members, error));
        DecodeStatus s =
            DecodeMember(src, members[0], [](const std::uint8_t*, std::size_t) { return true; });
        EXPECT_NE(s, DecodeStatus::Ok) << at;
    }
}
