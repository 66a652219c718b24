// A file compressed as separate pieces, each primed with the data before it, and the pieces'
// streams joined bit by bit: the result must be one stream that an independent decoder reads
// back exactly, whatever the piece sizes (a piece of one byte, pieces ending on any bit).
#include <gtest/gtest.h>

#include "lzh_enc_test_support.h"
#include "lzh_join.h"

namespace {

using lzh_test::Bytes;

// The piece from..to of in, primed with everything before it.
Bytes CompressPiece(lzh::EncodeMethod method, const Bytes& in, std::size_t from, std::size_t to,
                    lzh::EncodeResult& r)
{
    lzh::EncodeOptions options;
    options.history = in.data();
    options.historySize = from;
    return lzh_test::CompressWith(method, in.data() + from, to - from, options, SIZE_MAX, &r);
}

// Compresses in at the given cuts and joins the pieces.
Bytes Joined(lzh::EncodeMethod method, const Bytes& in, const std::vector<std::size_t>& cuts,
             std::size_t& unprimedSize)
{
    std::vector<Bytes> pieces;
    std::vector<std::uint64_t> sizes;
    std::vector<unsigned> bits;
    unprimedSize = 0;
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
        lzh::EncodeResult r;
        pieces.push_back(CompressPiece(method, in, cuts[k], cuts[k + 1], r));
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.inputSize, cuts[k + 1] - cuts[k]);
        sizes.push_back(pieces.back().size());
        bits.push_back(r.lastByteBits);
        const Bytes alone(in.begin() + static_cast<std::ptrdiff_t>(cuts[k]),
                          in.begin() + static_cast<std::ptrdiff_t>(cuts[k + 1]));
        unprimedSize += lzh_test::Compress(method, alone).size();
    }
    Bytes out;
    lzh::StreamJoiner joiner([&](const std::uint8_t* data, std::size_t n) {
        out.insert(out.end(), data, data + n);
        return true;
    });
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        joiner.BeginPiece(pieces[k].size(), bits[k]);
        // In two chunks, as spill files hand them out.
        const std::size_t half = pieces[k].size() / 2;
        joiner.Add(pieces[k].data(), half);
        joiner.Add(pieces[k].data() + half, pieces[k].size() - half);
    }
    EXPECT_TRUE(joiner.Finish());
    EXPECT_EQ(out.size(), lzh::JoinedSize(sizes, bits));
    return out;
}

TEST(LzhEncoderPieces, JoinedStreamsDecodeAsOne)
{
    Bytes in = lzh_test::TextLike(600000, 3);
    const Bytes noise = lzh_test::RandomBytes(70000, 4);
    in.insert(in.begin() + 300000, noise.begin(), noise.end());
    for (auto method : {lzh::EncodeMethod::Lh5, lzh::EncodeMethod::Lh7}) {
        SCOPED_TRACE(lzh_test::MethodName(method));
        const std::vector<std::vector<std::size_t>> cutSets = {
            {0, in.size()},
            {0, 1, 2, 100003, in.size()},
            {0, 65536, 65537, 331111, 400000, in.size() - 1, in.size()},
        };
        for (const auto& cuts : cutSets) {
            std::size_t unprimed = 0;
            const Bytes stream = Joined(method, in, cuts, unprimed);
            const auto back = lzh_test::Decompress(lzh_test::MethodName(method), stream, in.size());
            ASSERT_TRUE(back.has_value());
            EXPECT_TRUE(*back == in);
        }
    }
}

TEST(LzhEncoderPieces, HistoryLetsMatchesReachBackAcrossTheCut)
{
    // The second half repeats the first: primed, the second piece is almost free.
    Bytes in = lzh_test::RandomBytes(6000, 9);
    in.insert(in.end(), in.begin(), in.end());
    std::size_t unprimed = 0;
    const Bytes stream = Joined(lzh::EncodeMethod::Lh5, in, {0, 6000, in.size()}, unprimed);
    EXPECT_LT(stream.size(), 6000u + 400u);
    EXPECT_GT(unprimed, 2 * 6000u);
    const auto back = lzh_test::Decompress("-lh5-", stream, in.size());
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(*back == in);
}

}  // namespace
