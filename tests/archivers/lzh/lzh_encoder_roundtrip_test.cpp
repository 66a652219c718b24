// Round trips through liblhasa's decoders: whatever the encoder writes must decode to exactly
// the input, for every method, across sizes that straddle the window, the buffer refill and the
// block limits, and for data that drives the encoder into its corner cases.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "lzh_enc_test_support.h"

using lzh::EncodeMethod;
using lzh_test::Bytes;

namespace {

constexpr EncodeMethod kMethods[] = {EncodeMethod::Lh5, EncodeMethod::Lh6, EncodeMethod::Lh7};

void ExpectRoundTrip(EncodeMethod method, const Bytes& in, int level = 0,
                     std::size_t readChunk = SIZE_MAX)
{
    lzh::EncodeResult r;
    const Bytes packed = lzh_test::Compress(method, in, level, readChunk, &r);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.inputSize, in.size());
    EXPECT_EQ(r.packedSize, packed.size());
    const auto out = lzh_test::Decompress(lzh_test::MethodName(method), packed, in.size());
    ASSERT_TRUE(out.has_value()) << "decoder stopped short";
    // Compare without dumping megabytes on failure.
    const auto diff = std::mismatch(in.begin(), in.end(), out->begin());
    EXPECT_TRUE(diff.first == in.end())
        << "first difference at byte " << (diff.first - in.begin()) << " of " << in.size();
}

}  // namespace

TEST(LzhEncoderRoundTrip, TinyInputs)
{
    for (EncodeMethod m : kMethods) {
        SCOPED_TRACE(lzh_test::MethodName(m));
        lzh::EncodeResult r;
        EXPECT_TRUE(lzh_test::Compress(m, {}, 0, SIZE_MAX, &r).empty());
        EXPECT_TRUE(r.ok);
        for (const Bytes& in : {Bytes{'A'}, Bytes{0, 0}, Bytes{'a', 'b', 'c'}, Bytes{7, 7, 7, 7},
                                Bytes{'a', 'b', 'a', 'b', 'a', 'b', 'a'}}) {
            ExpectRoundTrip(m, in);
        }
    }
}

// Sizes just around the window, the 1 MiB read-ahead chunk and the longest match.
TEST(LzhEncoderRoundTrip, SizesAroundBoundaries)
{
    const Bytes text = lzh_test::TextLike((1 << 20) + 70000, 3);
    for (EncodeMethod m : kMethods) {
        SCOPED_TRACE(lzh_test::MethodName(m));
        for (std::size_t n : {255u, 256u, 257u, 258u, 8191u, 8192u, 8193u, 32767u, 32769u, 65535u,
                              65536u, 65537u, (1u << 20) - 1, (1u << 20) + 65536u + 300u}) {
            SCOPED_TRACE(n);
            ExpectRoundTrip(m, Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n)));
        }
    }
}

// Long runs: maximal matches at distance 1, blocks full of matches, and a repeat of exactly
// the window size (which must not be matched at a distance the method cannot code).
TEST(LzhEncoderRoundTrip, RunsAndWindowSizedRepeats)
{
    for (EncodeMethod m : kMethods) {
        SCOPED_TRACE(lzh_test::MethodName(m));
        ExpectRoundTrip(m, Bytes(3 << 20, 0));
        Bytes runs;
        for (int i = 0; i < 4000; ++i)
            runs.insert(runs.end(), 1 + (i * 37) % 700, static_cast<std::uint8_t>(i));
        ExpectRoundTrip(m, runs);
        for (std::size_t period : {8191u, 8192u, 8193u, 32768u, 65535u, 65536u}) {
            const Bytes unit = lzh_test::RandomBytes(period, static_cast<unsigned>(period));
            Bytes rep;
            for (int k = 0; k < 4; ++k)
                rep.insert(rep.end(), unit.begin(), unit.end());
            ExpectRoundTrip(m, rep);
        }
    }
}

TEST(LzhEncoderRoundTrip, RandomAndMixedData)
{
    const Bytes random = lzh_test::RandomBytes(300000, 1);
    Bytes mixed = lzh_test::TextLike(200000, 5);
    mixed.insert(mixed.end(), random.begin(), random.begin() + 100000);
    const Bytes more = lzh_test::TextLike(200000, 6);
    mixed.insert(mixed.end(), more.begin(), more.end());
    for (EncodeMethod m : kMethods) {
        SCOPED_TRACE(lzh_test::MethodName(m));
        ExpectRoundTrip(m, random);
        ExpectRoundTrip(m, mixed);
    }
}

// Every level takes its own path through the parser; small and odd-sized reads exercise the
// refill logic.
TEST(LzhEncoderRoundTrip, EveryLevelAndReadSize)
{
    const Bytes text = lzh_test::TextLike(400000, 9);
    for (EncodeMethod m : kMethods) {
        SCOPED_TRACE(lzh_test::MethodName(m));
        for (int level = 1; level <= 9; ++level) {
            SCOPED_TRACE(level);
            ExpectRoundTrip(m, text, level);
        }
        ExpectRoundTrip(m, text, 0, 1);
        ExpectRoundTrip(m, text, 0, 4093);
    }
}

TEST(LzhEncoderRoundTrip, MultiMegabyteText)
{
    const Bytes text = lzh_test::TextLike(5 << 20, 11);
    for (EncodeMethod m : kMethods) {
        SCOPED_TRACE(lzh_test::MethodName(m));
        ExpectRoundTrip(m, text);
    }
}

// The reference streams made by another LHA program decode to the GPL text with liblhasa, and
// our own stream of the same text is no larger than theirs.
TEST(LzhEncoderRoundTrip, ReferenceStreamsAndSize)
{
    const std::string raw = std::string(QB_TESTDATA_DIR) + "/lzh/raw/";
    const Bytes plain = lzh_test::ReadFile(raw + "lh0.bin");
    ASSERT_EQ(plain.size(), 18092u);
    for (EncodeMethod m : kMethods) {
        const std::string name = std::string("lh") + std::to_string(static_cast<int>(m)) + ".bin";
        SCOPED_TRACE(name);
        const Bytes reference = lzh_test::ReadFile(raw + name);
        ASSERT_FALSE(reference.empty());
        const auto decoded = lzh_test::Decompress(lzh_test::MethodName(m), reference, plain.size());
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(*decoded, plain);
        ExpectRoundTrip(m, plain);
        EXPECT_LE(lzh_test::Compress(m, plain).size(), reference.size());
    }
}

// Matches at both edges of every position symbol's range (distance 1, 2, 3, 4, 5, 7, 8, 9, ...,
// the window): each symbol's code, extra bits and implied leading bit, in blocks with many
// position symbols and in blocks with a single one (the table's short form).
TEST(LzhEncoderRoundTrip, MatchesAtEveryPositionSymbolEdge)
{
    for (EncodeMethod m : kMethods) {
        SCOPED_TRACE(lzh_test::MethodName(m));
        const std::size_t window = m == EncodeMethod::Lh5   ? 8192
                                   : m == EncodeMethod::Lh6 ? 32768
                                                            : 65536;
        Bytes mixed = lzh_test::RandomBytes(window, 3);
        for (std::size_t top = 1; top <= window; top *= 2) {
            for (const std::size_t d : {top - 1, top, top + 1}) {
                if (d == 0 || d > window)
                    continue;
                const std::size_t from = mixed.size() - d;
                for (std::size_t k = 0; k < 12; ++k)
                    mixed.push_back(mixed[from + k]);
                const Bytes noise = lzh_test::RandomBytes(20, static_cast<unsigned>(d));
                mixed.insert(mixed.end(), noise.begin(), noise.end());

                // One distance only, repeated far beyond a block.
                Bytes single = lzh_test::RandomBytes(d, static_cast<unsigned>(d));
                while (single.size() < 200000)
                    single.push_back(single[single.size() - d]);
                ExpectRoundTrip(m, single);
            }
        }
        ExpectRoundTrip(m, mixed);
    }
}

// Random mixtures of the shapes above (runs, repeats at random distances, noise, text) with
// random sizes, levels and read sizes: a cheap search for the case nobody thought of.
TEST(LzhEncoderRoundTrip, RandomisedMixtures)
{
    std::mt19937 rng(2024);
    for (int round = 0; round < 60; ++round) {
        Bytes in;
        const std::size_t target = rng() % 3 == 0 ? rng() % 300 : rng() % 200000;
        while (in.size() < target) {
            const unsigned kind = rng() % 4;
            const std::size_t len = 1 + rng() % 3000;
            if (kind == 0) {
                in.insert(in.end(), len, static_cast<std::uint8_t>(rng()));
            } else if (kind == 1 && !in.empty()) {
                const std::size_t from =
                    in.size() - 1 - rng() % std::min<std::size_t>(in.size(), 70000);
                for (std::size_t k = 0; k < len; ++k)
                    in.push_back(in[from + k]);
            } else if (kind == 2) {
                const Bytes noise = lzh_test::RandomBytes(len % 500, static_cast<unsigned>(rng()));
                in.insert(in.end(), noise.begin(), noise.end());
            } else {
                const Bytes text = lzh_test::TextLike(len, static_cast<unsigned>(rng()));
                in.insert(in.end(), text.begin(), text.end());
            }
        }
        in.resize(target);
        const EncodeMethod m = kMethods[rng() % 3];
        const int level = static_cast<int>(rng() % 10);
        SCOPED_TRACE(testing::Message()
                     << "round " << round << " size " << in.size() << " level " << level);
        ExpectRoundTrip(m, in, level, rng() % 2 ? SIZE_MAX : 1 + rng() % 70000);
    }
}
