// The lazy parser's block splitter: symbols of one character stay one block, a change of
// character gets a cut at the piece where it happens, the counts handed back are those of the
// block asked for, and dropping written blocks leaves the rest to be cut again.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "lzh_enc_split.h"

namespace {

constexpr std::size_t kPiece = lzh::BlockSplitter::kPieceSymbols;

// Feeds symbols as the encoder does, closing each piece as it fills; counts them in `fed`.
struct Feeder {
    lzh::BlockSplitter& splitter;
    std::size_t fed = 0;
    std::array<std::uint32_t, lzh::BlockSplitter::kCounts> counts{};

    void Literal(std::uint8_t c)
    {
        splitter.Literal(c);
        ++counts[c];
        Next();
    }
    void Match(unsigned length, unsigned distance)
    {
        splitter.Match(length, distance);
        ++counts[length + 253];
        ++counts[lzh::kNumC + lzh::PositionSymbol(distance)];
        Next();
    }
    void Next()
    {
        if (++fed % kPiece == 0)
            splitter.EndPiece(kPiece);
    }

    // Text-like: lower-case letters and short, near matches.
    void Text(std::size_t symbols, std::mt19937& rng)
    {
        for (std::size_t k = 0; k < symbols; ++k) {
            if (rng() % 3 == 0)
                Match(4 + rng() % 5, 1 + rng() % 200);
            else
                Literal(static_cast<std::uint8_t>('a' + rng() % 26));
        }
    }
    // Binary-like: literals of every byte value, long far matches.
    void Binary(std::size_t symbols, std::mt19937& rng)
    {
        for (std::size_t k = 0; k < symbols; ++k) {
            if (rng() % 8 == 0)
                Match(40, 2000 + rng() % 6000);
            else
                Literal(static_cast<std::uint8_t>(rng()));
        }
    }
};

}  // namespace

TEST(LzhBlockSplitter, OneCharacterStaysOneBlock)
{
    std::mt19937 rng(1);
    std::vector<std::size_t> cuts;
    for (const std::size_t n : {std::size_t{1}, kPiece - 1, kPiece, kPiece + 1, std::size_t{20000},
                                lzh::BlockSplitter::kMaxPieces * kPiece}) {
        lzh::BlockSplitter splitter;
        Feeder feed{splitter};
        feed.Text(n, rng);
        splitter.Plan(n, cuts);
        EXPECT_EQ(cuts, std::vector<std::size_t>{n}) << n;
    }
}

TEST(LzhBlockSplitter, ChangeOfCharacterGetsACutAtItsPiece)
{
    std::mt19937 rng(2);
    std::vector<std::size_t> cuts;
    {
        lzh::BlockSplitter splitter;
        Feeder feed{splitter};
        feed.Text(30 * kPiece, rng);
        feed.Binary(40 * kPiece + 17, rng);
        splitter.Plan(feed.fed, cuts);
        EXPECT_EQ(cuts, (std::vector<std::size_t>{30 * kPiece, feed.fed}));
    }
    {
        // Text, binary, text, with changes inside pieces: a cut next to each change and none
        // elsewhere (the piece that holds a change may become a block of its own).
        lzh::BlockSplitter splitter;
        Feeder feed{splitter};
        feed.Text(10000, rng);
        feed.Binary(10000, rng);
        feed.Text(10000, rng);
        splitter.Plan(feed.fed, cuts);
        ASSERT_GE(cuts.size(), 3u);
        EXPECT_EQ(cuts.back(), 30000u);
        auto near = [](std::size_t cut, std::size_t change) {
            return cut + kPiece >= change && cut <= change + kPiece;
        };
        for (const std::size_t change : {10000u, 20000u}) {
            EXPECT_TRUE(std::any_of(cuts.begin(), cuts.end() - 1,
                                    [&](std::size_t cut) { return near(cut, change); }))
                << change << " " << testing::PrintToString(cuts);
        }
        for (auto cut = cuts.begin(); cut != cuts.end() - 1; ++cut)
            EXPECT_TRUE(near(*cut, 10000) || near(*cut, 20000)) << *cut;
    }
}

TEST(LzhBlockSplitter, CountsOfEachBlockAndDroppingWrittenOnes)
{
    std::mt19937 rng(3);
    lzh::BlockSplitter splitter;
    Feeder feed{splitter};
    feed.Text(20 * kPiece, rng);
    const auto textCounts = feed.counts;
    feed.Binary(20 * kPiece, rng);
    std::vector<std::size_t> cuts;
    splitter.Plan(feed.fed, cuts);
    ASSERT_EQ(cuts, (std::vector<std::size_t>{20 * kPiece, 40 * kPiece}));

    std::array<std::uint32_t, lzh::BlockSplitter::kCounts> first{}, both{};
    splitter.AddCounts(0, cuts[0], first.data());
    EXPECT_EQ(first, textCounts);
    splitter.AddCounts(0, cuts[0], both.data());
    splitter.AddCounts(cuts[0], cuts[1], both.data());
    EXPECT_EQ(both, feed.counts);
    EXPECT_EQ(std::accumulate(both.begin(), both.begin() + lzh::kNumC, 0u), 40 * kPiece);

    // The text block is written and dropped; the binary one, kept, goes on as binary and is
    // still one block, whose counts no longer include the text.
    splitter.Drop(cuts[0]);
    feed.fed -= cuts[0];
    feed.Binary(10 * kPiece + 5, rng);
    splitter.Plan(feed.fed, cuts);
    EXPECT_EQ(cuts, std::vector<std::size_t>{30 * kPiece + 5});
    std::array<std::uint32_t, lzh::BlockSplitter::kCounts> rest{};
    splitter.AddCounts(0, cuts[0], rest.data());
    for (unsigned s = 0; s < rest.size(); ++s)
        EXPECT_EQ(rest[s], feed.counts[s] - textCounts[s]) << s;

    // Everything dropped: a fresh start.
    splitter.Drop(cuts[0]);
    splitter.Plan(0, cuts);
    EXPECT_TRUE(cuts.empty());
}

// A cut at a piece's edge moves to the change of character near it, and the counts handed in
// follow it to stay those of the two blocks.
TEST(LzhBlockSplitter, CutMovesToTheChangeAndCountsFollow)
{
    std::mt19937 rng(4);
    std::vector<std::uint32_t> tokens;
    for (std::size_t k = 0; k < 3000; ++k) {
        if (k < 1900) {
            tokens.push_back(rng() % 3 == 0 ? (4 + rng() % 5 + 253) | ((rng() % 200) << 9)
                                            : 'a' + rng() % 26);
        } else {
            tokens.push_back(rng() % 8 == 0 ? (40 + 253) | ((2000 + rng() % 6000) << 9)
                                            : rng() % 256);
        }
    }
    using Counts = std::array<std::uint32_t, lzh::BlockSplitter::kCounts>;
    auto countOf = [&](std::size_t from, std::size_t to) {
        Counts counts{};
        for (std::size_t k = from; k < to; ++k) {
            const unsigned c = tokens[k] & 0x1FF;
            ++counts[c];
            if (c >= 256)
                ++counts[lzh::kNumC + lzh::PositionSymbol((tokens[k] >> 9) + 1)];
        }
        return counts;
    };
    for (const std::size_t cut : {1900 - kPiece + 40, std::size_t{1900}, 1900 + kPiece - 40}) {
        Counts left = countOf(0, cut), right = countOf(cut, tokens.size());
        const std::size_t moved = lzh::BlockSplitter::MoveCut(tokens.data(), 0, cut, tokens.size(),
                                                              left.data(), right.data());
        EXPECT_LE(moved > 1900 ? moved - 1900 : 1900 - moved, 16u) << cut;
        EXPECT_EQ(left, countOf(0, moved)) << cut;
        EXPECT_EQ(right, countOf(moved, tokens.size())) << cut;
    }
    // Blocks too short to move in stay as they are.
    Counts left = countOf(0, 10), right = countOf(10, 20);
    EXPECT_EQ(lzh::BlockSplitter::MoveCut(tokens.data(), 0, 10, 20, left.data(), right.data()),
              10u);
}
