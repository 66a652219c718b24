// The block planner: a stretch of one character stays one block, a change of character gets a
// cut at (or next to) the piece where it happens, and the counts handed back as first prices
// are those of the block asked for.
#include <gtest/gtest.h>

#include <random>

#include "lzh_enc_plan.h"

namespace {

constexpr std::size_t kPiece = lzh::BlockPlanner::kPieceBytes;

// A greedy parse of text-like data: lower-case letters and short, near matches.
void FeedText(lzh::BlockPlanner& planner, std::size_t from, std::size_t to, std::mt19937& rng)
{
    for (std::size_t pos = from; pos < to;) {
        if (rng() % 3 == 0 && pos + 8 <= to) {
            planner.Match(pos, 4 + rng() % 5, 1 + rng() % 200);
            pos += 8;
        } else {
            planner.Literal(pos++, static_cast<std::uint8_t>('a' + rng() % 26));
        }
    }
}

// Binary data: literals of every byte value, long far matches.
void FeedBinary(lzh::BlockPlanner& planner, std::size_t from, std::size_t to, std::mt19937& rng)
{
    for (std::size_t pos = from; pos < to;) {
        if (rng() % 8 == 0 && pos + 40 <= to) {
            planner.Match(pos, 40, 20000 + rng() % 40000);
            pos += 40;
        } else {
            planner.Literal(pos++, static_cast<std::uint8_t>(rng()));
        }
    }
}

}  // namespace

TEST(LzhBlockPlanner, OneCharacterStaysOneBlock)
{
    std::mt19937 rng(1);
    lzh::BlockPlanner planner;
    std::vector<std::size_t> cuts;
    for (std::size_t n : {std::size_t{1}, kPiece - 1, kPiece + 1, std::size_t{65000}}) {
        planner.Reset(n);
        FeedText(planner, 0, n, rng);
        planner.Plan(n, cuts);
        EXPECT_EQ(cuts, std::vector<std::size_t>{n}) << n;
    }
}

TEST(LzhBlockPlanner, ChangeOfCharacterGetsACut)
{
    std::mt19937 rng(2);
    lzh::BlockPlanner planner;
    std::vector<std::size_t> cuts;
    const std::size_t n = 60000, change = 25000;
    planner.Reset(n);
    FeedText(planner, 0, change, rng);
    FeedBinary(planner, change, n, rng);
    planner.Plan(n, cuts);
    ASSERT_EQ(cuts.size(), 2u);
    EXPECT_EQ(cuts[0] % kPiece, 0u);
    EXPECT_LE(cuts[0], change + kPiece);
    EXPECT_GE(cuts[0] + kPiece, change);
    EXPECT_EQ(cuts[1], n);

    // Text, binary, text: two cuts, and a new stretch forgets the old one's counts.
    planner.Reset(n);
    FeedText(planner, 0, 20000, rng);
    FeedBinary(planner, 20000, 40000, rng);
    FeedText(planner, 40000, n, rng);
    planner.Plan(n, cuts);
    EXPECT_EQ(cuts.size(), 3u);
}

TEST(LzhBlockPlanner, CountsAreThoseOfTheBlockAskedFor)
{
    lzh::BlockPlanner planner;
    planner.Reset(3 * kPiece);
    planner.Literal(0, 'x');
    planner.Literal(kPiece - 1, 'x');
    planner.Match(kPiece, 10, 300);  // position symbol 9
    planner.Literal(2 * kPiece + 5, 'y');
    std::array<std::uint32_t, lzh::kNumC> c{};
    std::array<std::uint32_t, lzh::kMaxPositionSymbols> p{};
    planner.AddCounts(0, kPiece, c.data(), p.data());
    EXPECT_EQ(c['x'], 2u);
    EXPECT_EQ(c[10 + 253], 0u);
    planner.AddCounts(kPiece, 3 * kPiece, c.data(), p.data());
    EXPECT_EQ(c['x'], 2u);
    EXPECT_EQ(c[10 + 253], 1u);
    EXPECT_EQ(p[9], 1u);
    EXPECT_EQ(c['y'], 1u);

    planner.Reset(kPiece);
    c.fill(0);
    planner.AddCounts(0, kPiece, c.data(), p.data());
    EXPECT_EQ(c['x'], 0u);
}
