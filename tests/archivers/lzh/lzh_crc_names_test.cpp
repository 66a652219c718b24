// CRC-16 vectors and the rules for stored names.
#include "lzh_crc16.h"
#include "lzh_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

using namespace lzh;

TEST(Crc16, KnownVectors)
{
    EXPECT_EQ(Crc16("123456789", 9), 0xBB3D);
    EXPECT_EQ(Crc16("hello world\n", 12), 0x9778);
    EXPECT_EQ(Crc16("", 0), 0x0000);
    std::ifstream in(QB_TESTDATA_DIR "/lzh/raw/lh0.bin", std::ios::binary);
    std::string gpl((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(gpl.size(), 18092u);
    EXPECT_EQ(Crc16(gpl.data(), gpl.size()), 0xA33A);
}

TEST(Crc16, PiecewiseEqualsWholeAtEveryLength)
{
    // The eight-byte fast path and the byte tail must agree for every split and alignment.
    std::string data;
    for (int i = 0; i < 100; ++i)
        data.push_back(static_cast<char>(i * 37 + 11));
    for (std::size_t len = 0; len <= data.size(); ++len) {
        std::uint16_t whole = Crc16(data.data(), len);
        std::uint16_t bytewise = 0;
        for (std::size_t i = 0; i < len; ++i)
            bytewise = Crc16Update(bytewise, data.data() + i, 1);
        ASSERT_EQ(whole, bytewise) << len;
        std::size_t half = len / 3;
        ASSERT_EQ(Crc16Update(Crc16(data.data(), half), data.data() + half, len - half), whole)
            << len;
        // Pieces read on different threads: the CRC of the whole from the CRCs of the parts.
        ASSERT_EQ(Crc16Combine(Crc16(data.data(), half), Crc16(data.data() + half, len - half),
                               len - half),
                  whole)
            << len;
    }
    // Lengths in the megabytes, where the combination takes its long steps.
    std::string big(5'000'003, 'a');
    for (std::size_t i = 0; i < big.size(); i += 977)
        big[i] = static_cast<char>(i);
    const std::size_t cut = 2'097'152;
    EXPECT_EQ(Crc16Combine(Crc16(big.data(), cut), Crc16(big.data() + cut, big.size() - cut),
                           big.size() - cut),
              Crc16(big.data(), big.size()));
}

TEST(Crc16, FoldingAgreesWithTheTables)
{
    if (!detail::Crc16HasClmul())
        GTEST_SKIP() << "no carry-less multiply on this processor";
    // Known values through each path on its own, short and long enough to fold.
    EXPECT_EQ(detail::Crc16UpdateClmul(0, "123456789", 9), 0xBB3D);
    std::ifstream in(QB_TESTDATA_DIR "/lzh/raw/lh0.bin", std::ios::binary);
    const std::string gpl((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(detail::Crc16UpdateClmul(0, gpl.data(), gpl.size()), 0xA33A);
    EXPECT_EQ(detail::Crc16UpdateTable(0, gpl.data(), gpl.size()), 0xA33A);
    std::mt19937_64 rng(16);
    std::vector<std::uint8_t> data(300 + 1'000'000 + 16);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(rng());
    // Every length around the folding threshold and the block edges, from every offset within a
    // 16-byte line, from start values that are not zero.
    for (std::size_t offset = 0; offset < 16; ++offset)
        for (std::size_t len = 0; len <= 300; ++len) {
            const auto start = static_cast<std::uint16_t>(rng());
            ASSERT_EQ(detail::Crc16UpdateClmul(start, data.data() + offset, len),
                      detail::Crc16UpdateTable(start, data.data() + offset, len))
                << offset << " " << len;
        }
    for (std::size_t len : {4096u, 65'535u, 65'536u, 1'000'003u}) {
        const std::uint16_t whole = detail::Crc16UpdateClmul(0x1234, data.data() + 3, len);
        EXPECT_EQ(whole, detail::Crc16UpdateTable(0x1234, data.data() + 3, len)) << len;
        // Pieces of odd sizes, each folded on its own, continue one another.
        std::uint16_t pieces = 0x1234;
        for (std::size_t at = 0, step = 1; at < len; at += step, step = step * 3 + 1)
            pieces =
                detail::Crc16UpdateClmul(pieces, data.data() + 3 + at, std::min(step, len - at));
        EXPECT_EQ(pieces, whole) << len;
    }
    // All ones and all zeros: every bit of the folded block set, and a nonzero start run through
    // nothing but zero bytes.
    std::vector<std::uint8_t> ones(777, 0xFF), zeros(777, 0);
    EXPECT_EQ(detail::Crc16UpdateClmul(0, ones.data(), ones.size()),
              detail::Crc16UpdateTable(0, ones.data(), ones.size()));
    EXPECT_EQ(detail::Crc16UpdateClmul(0xFFFF, zeros.data(), zeros.size()),
              detail::Crc16UpdateTable(0xFFFF, zeros.data(), zeros.size()));
}

TEST(Names, Cp932SecondByteBackslashStaysInsideTheCharacter)
{
    // 表示.txt in CP932 is 95 5C 8E A6 .txt; the 5C is not a separator.
    std::string raw = "\x95\x5C\x8E\xA6.txt";
    auto parts = SplitStoredPath("dir\\" + raw, NameCharset::Guess);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], "dir");
    EXPECT_EQ(DecodeComponent(parts[1], NameCharset::Guess), "表示.txt");
}

TEST(Names, Utf8PathsSplitOnEverySeparator)
{
    // UTF-8 continuation bytes look like CP932 lead bytes; a valid UTF-8 path must not be read as
    // CP932, or the backslash after あ (E3 81 82) would be swallowed.
    auto parts = SplitStoredPath("\\あ\\b/c\xFF"
                                 "d",
                                 NameCharset::Guess);
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0], "あ");
    EXPECT_EQ(parts[3], "d");
}

TEST(Names, ControlCharactersAndUndecodableBytesBecomeUnderscores)
{
    EXPECT_EQ(DecodeComponent("a\x1B]2;x\x07", NameCharset::Guess), "a_]2;x_");
    EXPECT_EQ(DecodeComponent("ok\x80", NameCharset::Utf8), "ok_");
    EXPECT_EQ(DecodeComponent("caf\xE9", NameCharset::Cp1252), "café");
}

TEST(Names, Utf8Validation)
{
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("日本語"));
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));  // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE6\x97"));  // cut short
    EXPECT_FALSE(IsValidUtf8("\x95\x5C"));  // CP932
}
