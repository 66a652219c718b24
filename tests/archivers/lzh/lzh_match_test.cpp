// Both match finders must only report real matches: the bytes agree for the whole length, the
// distance stays inside the window and never reaches before the first byte, and (for the tree
// finder's lists) each match is longer than the one before.
#include <gtest/gtest.h>

#include <cstring>

#include "lzh_enc_test_support.h"
#include "lzh_match.h"
#include "lzh_match_bt.h"

namespace {

lzh_test::Bytes Sample()
{
    lzh_test::Bytes data = lzh_test::TextLike(150000, 77);
    data.insert(data.end(), 3000, 'x');
    const auto noise = lzh_test::RandomBytes(20000, 78);
    data.insert(data.end(), noise.begin(), noise.end());
    const auto again = lzh_test::TextLike(60000, 77);  // repeats the start, far away
    data.insert(data.end(), again.begin(), again.end());
    data.insert(data.end(), 8, 0);  // readable padding past the end
    return data;
}

void ExpectReal(const lzh_test::Bytes& d, std::size_t pos, std::size_t end, const lzh::Match& m,
                unsigned window)
{
    ASSERT_GE(m.length, lzh::kMinMatch);
    ASSERT_LE(m.length, std::min<std::size_t>(lzh::kMaxMatch, end - pos));
    ASSERT_GE(m.distance, 1u);
    ASSERT_LE(m.distance, window - 1);
    ASSERT_LE(m.distance, pos);
    ASSERT_EQ(std::memcmp(&d[pos], &d[pos - m.distance], m.length), 0) << "at " << pos;
}

// Text, a run of one byte, noise, then text that repeats the start; 8 readable bytes past the end
// (not counted as data).
lzh_test::Bytes SmallSample(std::size_t text, std::size_t again)
{
    lzh_test::Bytes d = lzh_test::TextLike(text, 5);
    d.insert(d.end(), 300, 'x');
    const auto noise = lzh_test::RandomBytes(500, 6);
    d.insert(d.end(), noise.begin(), noise.end());
    const auto repeat = lzh_test::TextLike(again, 5);
    d.insert(d.end(), repeat.begin(), repeat.end());
    d.insert(d.end(), 8, 0);
    return d;
}

// The longest match at pos within the window (at most kMaxMatch), and the nearest of that
// length, by trying every distance.
lzh::Match NearestLongest(const lzh_test::Bytes& d, std::size_t pos, std::size_t end,
                          unsigned window)
{
    lzh::Match best;
    const std::size_t reach = std::min<std::size_t>(pos, window - 1);
    for (std::size_t dist = 1; dist <= reach; ++dist) {
        unsigned len = 0;
        while (len < lzh::kMaxMatch && pos + len < end && d[pos + len] == d[pos - dist + len])
            ++len;
        if (len > best.length) {
            best.length = len;
            best.distance = static_cast<unsigned>(dist);
        }
    }
    return best;
}

}  // namespace

TEST(LzhMatchFinder, ChainMatchesAreReal)
{
    const auto d = Sample();
    const std::size_t end = d.size() - 8;
    for (unsigned window : {8192u, 65536u}) {
        lzh::MatchFinder finder(window);
        std::size_t found = 0;
        for (std::size_t pos = 0; pos < end; ++pos) {
            const lzh::Match m = finder.Search(d.data(), pos, end - pos, 2, 256, 64);
            if (m.length == 0)
                continue;
            ++found;
            ExpectReal(d, pos, end, m, window);
        }
        EXPECT_GT(found, end / 2);
    }
}

TEST(LzhMatchFinder, TreeMatchListsAreRealAndGrowing)
{
    const auto d = Sample();
    const std::size_t end = d.size() - 8;
    for (unsigned window : {8192u, 65536u}) {
        lzh::TreeMatchFinder finder(window);
        std::vector<lzh::Match> list(lzh::TreeMatchFinder::kMaxFound);
        std::size_t longest = 0;
        for (std::size_t pos = 0; pos < end;) {
            const std::size_t n = finder.SearchAll(d.data(), pos, end - pos, 64, 32, list.data());
            ASSERT_LE(n, list.size());
            for (std::size_t k = 0; k < n; ++k) {
                ExpectReal(d, pos, end, list[k], window);
                if (k > 0) {
                    ASSERT_GT(list[k].length, list[k - 1].length);
                }
            }
            const lzh::Match best = n != 0 ? list[n - 1] : lzh::Match{};
            longest = std::max<std::size_t>(longest, best.length);
            // Skip over long matches as the parser does, so the tree also sees Skip().
            if (best.length >= 64) {
                finder.Skip(d.data(), pos + best.length, end, 64, 32);
                pos += best.length;
            } else {
                ++pos;
            }
        }
        EXPECT_EQ(longest, lzh::kMaxMatch);
    }
}

// Walks that look less far (a smaller nice length) leave the tree in order over fewer bytes;
// the searches after them must not take more of a prefix on trust than that.
TEST(LzhMatchFinder, TreeMatchesStayRealWhenSkipsLookLessFar)
{
    const auto d = Sample();
    const std::size_t end = d.size() - 8;
    lzh::TreeMatchFinder finder(65536);
    std::vector<lzh::Match> list(lzh::TreeMatchFinder::kMaxFound);
    for (std::size_t pos = 0; pos < end;) {
        const std::size_t n = finder.SearchAll(d.data(), pos, end - pos, 200, 64, list.data());
        for (std::size_t k = 0; k < n; ++k)
            ExpectReal(d, pos, end, list[k], 65536);
        const unsigned longest = n != 0 ? list[n - 1].length : 0;
        if (longest >= 12) {
            finder.Skip(d.data(), pos + longest, end, 4 + pos % 8, 64);
            pos += longest;
        } else {
            ++pos;
        }
    }
}

// With no bound on the walk, the chain finder's match of four bytes or more is the longest the
// window holds, and the nearest of that length: at the start and the end of the data, where
// bounds are tested, as much as in between, and with tables sized for a small input too.
TEST(LzhMatchFinder, UnboundedChainFindsTheNearestLongestMatch)
{
    const lzh_test::Bytes d = SmallSample(5000, 3000);
    const std::size_t end = d.size() - 8;
    struct Case {
        unsigned window;
        std::size_t dataSize;
    };
    for (const Case c : {Case{2048, SIZE_MAX}, Case{8192, end}, Case{65536, end}}) {
        lzh::MatchFinder finder(c.window, c.dataSize);
        for (std::size_t pos = 0; pos < end; ++pos) {
            const lzh::Match m = finder.Search(d.data(), pos, end - pos, 2, 256, ~0u);
            const lzh::Match want = NearestLongest(d, pos, end, c.window);
            if (want.length >= 4) {
                ASSERT_EQ(m.length, want.length) << "window " << c.window << " at " << pos;
                ASSERT_EQ(m.distance, want.distance) << "window " << c.window << " at " << pos;
            } else if (m.length != 0) {
                ExpectReal(d, pos, end, m, c.window);
            }
        }
    }
}

// The parser's way of using the chains: stretches of a match's positions entered by Skip (two
// per load, from odd and even starts alike, up to the end of the data), and searches that know
// a longest match fits before the end. With no bound on the walk, each search still finds the
// nearest longest match of four bytes or more.
TEST(LzhMatchFinder, SkippedStretchesAndRoomySearchesFindTheNearestLongest)
{
    const lzh_test::Bytes d = SmallSample(12000, 4000);
    const std::size_t end = d.size() - 8;
    lzh::MatchFinder finder(8192, end);
    lzh::HashChains chains = finder.Borrow();
    std::size_t pos = 0, searches = 0;
    for (unsigned step = 0; pos < end; ++step) {
        const std::size_t avail = end - pos;
        const lzh::Match m = avail >= lzh::HashChains::kRoom
                                 ? chains.Search<true>(d.data(), pos, avail, 2, 256, ~0u)
                                 : chains.Search(d.data(), pos, avail, 2, 256, ~0u);
        const lzh::Match want = NearestLongest(d, pos, end, 8192);
        if (want.length >= 4) {
            ASSERT_EQ(m.length, want.length) << "at " << pos;
            ASSERT_EQ(m.distance, want.distance) << "at " << pos;
        }
        ++searches;
        const std::size_t to = std::min(end, pos + 1 + step % 9);
        chains.Skip(d.data(), to, end);
        pos = to;
    }
    finder.GiveBack(chains);
    EXPECT_GT(searches, end / 6);
}
