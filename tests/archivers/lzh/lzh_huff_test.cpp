// Code construction: every table must be a complete prefix code no longer than 16 bits, or the
// stricter LHA decoders refuse the block.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lzh_huff.h"

namespace {

// Kraft sum in units of 2^-16; a complete code sums to exactly 65536.
std::uint64_t KraftSum(const std::vector<std::uint8_t>& len)
{
    std::uint64_t sum = 0;
    for (auto l : len)
        if (l)
            sum += std::uint64_t{1} << (16 - l);
    return sum;
}

std::vector<std::uint8_t> Lengths(const std::vector<std::uint32_t>& freq, unsigned maxLen = 16)
{
    std::vector<std::uint8_t> len(freq.size());
    lzh::BuildCodeLengths(freq.data(), static_cast<unsigned>(freq.size()), maxLen, len.data());
    return len;
}

}  // namespace

// Fibonacci frequencies give a plain Huffman tree as deep as there are symbols.
TEST(LzhHuffman, DeepTreeIsLimitedAndComplete)
{
    for (unsigned n : {19u, 30u, 510u}) {
        std::vector<std::uint32_t> freq(n, 0);
        std::uint32_t a = 1, b = 1;
        for (unsigned s = 0; s < std::min(n, 24u); ++s) {
            freq[s] = a;
            const std::uint32_t c = a + b;
            a = b;
            b = c;
        }
        const auto len = Lengths(freq);
        EXPECT_EQ(KraftSum(len), 65536u) << n;
        for (unsigned s = 0; s < n; ++s) {
            EXPECT_LE(len[s], 16) << s;
            EXPECT_EQ(len[s] != 0, freq[s] != 0) << s;
        }
        // Limiting keeps the order: a rarer symbol never gets a shorter code.
        for (unsigned s = 1; s < std::min(n, 24u); ++s)
            EXPECT_GE(len[s - 1], len[s]);
    }
}

TEST(LzhHuffman, OptimalWhenNoLimitIsHit)
{
    // Frequencies 1,1,2,4: Huffman lengths 3,3,2,1.
    EXPECT_EQ(Lengths({1, 1, 2, 4}), (std::vector<std::uint8_t>{3, 3, 2, 1}));
    // Equal frequencies over 8 symbols: all length 3.
    EXPECT_EQ(Lengths(std::vector<std::uint32_t>(8, 5)), std::vector<std::uint8_t>(8, 3));
}

TEST(LzhHuffman, OneOrNoSymbolUsed)
{
    std::vector<std::uint32_t> freq(510, 0);
    EXPECT_EQ(KraftSum(Lengths(freq)), 0u);
    freq[0] = 9;
    auto len = Lengths(freq);
    EXPECT_EQ(len[0], 1);
    EXPECT_EQ(KraftSum(len), 65536u);
    freq[0] = 0;
    freq[509] = 3;
    len = Lengths(freq);
    EXPECT_EQ(len[509], 1);
    EXPECT_EQ(KraftSum(len), 65536u);
}

TEST(LzhHuffman, RandomTablesAreCompleteAndPrefixFree)
{
    std::mt19937 rng(42);
    for (int round = 0; round < 300; ++round) {
        const unsigned n = 2 + rng() % 509;
        std::vector<std::uint32_t> freq(n);
        for (auto& f : freq)
            f = rng() % 4 == 0 ? 0 : (1u << (rng() % 16)) + rng() % 7;
        freq[rng() % n] = 1 + rng() % 3;
        const auto len = Lengths(freq, 1 + rng() % 16 < 9 ? 9 : 16);
        EXPECT_EQ(KraftSum(len), 65536u);
        std::vector<std::uint16_t> code(n);
        lzh::BuildCanonicalCodes(len.data(), n, code.data());
        // No code is a prefix of another (checked by left-aligning to 16 bits and comparing ranges).
        std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;
        for (unsigned s = 0; s < n; ++s) {
            if (!len[s])
                continue;
            const std::uint32_t lo = std::uint32_t{code[s]} << (16 - len[s]);
            ranges.push_back({lo, lo + (1u << (16 - len[s]))});
        }
        std::sort(ranges.begin(), ranges.end());
        for (std::size_t k = 1; k < ranges.size(); ++k)
            ASSERT_LE(ranges[k - 1].second, ranges[k].first);
    }
}

// The one-pass code builder gives the lengths and codes of the two-step one, on tables from
// nearly empty (one symbol, at either end) to full, with long unused runs, and sizes that are no
// multiple of the eight symbols it passes over at once.
TEST(LzhHuffman, OnePassCodeMatchesLengthsThenCanonicalCodes)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 400; ++round) {
        const unsigned n = round % 4 == 0 ? 510 : 2 + rng() % 509;
        std::vector<std::uint32_t> freq(n, 0);
        const unsigned used = round % 5 == 0 ? 1 : 1 + rng() % n;
        for (unsigned k = 0; k < used; ++k)
            freq[round % 7 == 0 ? n - 1 - k % n : rng() % n] =
                1 + rng() % (rng() % 2 ? 200 : 70000);
        const unsigned maxLen = rng() % 3 == 0 ? 9 : 16;
        std::vector<std::uint8_t> len(n), oneLen(n);
        std::vector<std::uint16_t> code(n), oneCode(n);
        const unsigned m = lzh::BuildCodeLengths(freq.data(), n, maxLen, len.data());
        lzh::BuildCanonicalCodes(len.data(), n, code.data());
        EXPECT_EQ(lzh::BuildCode(freq.data(), n, maxLen, oneLen.data(), oneCode.data()), m);
        ASSERT_EQ(oneLen, len) << "round " << round;
        for (unsigned s = 0; s < n; ++s) {
            if (freq[s] != 0 || m > 2) {
                ASSERT_EQ(len[s] != 0, freq[s] != 0) << "round " << round << " symbol " << s;
            }
            if (len[s] != 0) {
                ASSERT_EQ(oneCode[s], code[s]) << "round " << round << " symbol " << s;
            }
        }
    }
}
