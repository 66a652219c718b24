// Our table-driven -lh5-/-lh6-/-lh7- decoder against liblhasa, an independent decoder: the same
// bytes for every stream our encoder makes, the same verdict on damaged streams, and the edges
// that the usual decoders agree on (a match before the start, streams that end too early).
#include "lzh_bitwriter.h"
#include "lzh_decode.h"
#include "lzh_enc_test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include "lzh_reader.h"

using lzh_test::Bytes;

namespace {

struct Decoded {
    lzh::LhDecodeResult result;
    Bytes bytes;
};

Decoded Ours(int windowBits, const Bytes& stream, std::size_t size, std::size_t readPiece = 4096)
{
    std::size_t at = 0;
    Decoded d{};
    d.result = lzh::LhDecode(
        windowBits, size,
        [&](std::uint8_t* buf, std::size_t n) -> long long {
            n = std::min({n, readPiece, stream.size() - at});
            std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), n, buf);
            at += n;
            return static_cast<long long>(n);
        },
        [&](const std::uint8_t* data, std::size_t n) {
            d.bytes.insert(d.bytes.end(), data, data + n);
            return true;
        });
    return d;
}

int Bits(lzh::EncodeMethod m)
{
    return m == lzh::EncodeMethod::Lh5 ? 13 : m == lzh::EncodeMethod::Lh6 ? 15 : 16;
}

}  // namespace

TEST(LhDecoder, GivesBackWhatOurEncoderPacked)
{
    const std::vector<Bytes> inputs = {
        lzh_test::TextLike(1 << 20, 1),  // several output pieces, matches across their seams
        lzh_test::RandomBytes(70000, 2), Bytes(3 << 20, 0), Bytes{'x'}, Bytes{'a', 'b', 'c'},
        lzh_test::TextLike(300, 3),
    };
    for (auto method : {lzh::EncodeMethod::Lh5, lzh::EncodeMethod::Lh6, lzh::EncodeMethod::Lh7}) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            SCOPED_TRACE(std::string(lzh_test::MethodName(method)) + " input " + std::to_string(i));
            Bytes stream = lzh_test::Compress(method, inputs[i]);
            // Read in odd pieces too, so a code can straddle every refill of the input.
            for (std::size_t piece : {std::size_t{4096}, std::size_t{7}}) {
                Decoded d = Ours(Bits(method), stream, inputs[i].size(), piece);
                ASSERT_EQ(d.result, lzh::LhDecodeResult::Ok);
                ASSERT_TRUE(d.bytes == inputs[i]);
            }
        }
    }
}

TEST(LhDecoder, CopiesEveryDistanceAndLengthAcrossEveryInputSeam)
{
    // Repeats of every period from 1 to 40 (matches that overlap what they copy, in each of
    // the copy loops) with random lengths, between bits of noise; the packed data read in
    // pieces of 1, 7 and 4096 bytes, so that the decoding loop changes between its fast and its
    // careful form at every place of the stream.
    std::mt19937 rng(13);
    Bytes input;
    while (input.size() < 400000) {
        std::size_t period = 1 + rng() % 40;
        Bytes unit(period);
        for (auto& b : unit)
            b = static_cast<std::uint8_t>(rng() % 4 ? 'a' + rng() % 6 : rng());
        std::size_t length = period + rng() % 700;
        for (std::size_t k = 0; k < length; ++k)
            input.push_back(unit[k % period]);
        for (int k = rng() % 12; k > 0; --k)
            input.push_back(static_cast<std::uint8_t>(rng()));
    }
    for (auto method : {lzh::EncodeMethod::Lh5, lzh::EncodeMethod::Lh7}) {
        SCOPED_TRACE(lzh_test::MethodName(method));
        Bytes stream = lzh_test::Compress(method, input);
        auto theirs = lzh_test::Decompress(lzh_test::MethodName(method), stream, input.size());
        ASSERT_TRUE(theirs && *theirs == input);
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
            Decoded d = Ours(Bits(method), stream, input.size(), piece);
            ASSERT_EQ(d.result, lzh::LhDecodeResult::Ok);
            ASSERT_TRUE(d.bytes == input) << "read in pieces of " << piece;
        }
    }
}

TEST(LhDecoder, AgreesWithLiblhasaOnDamagedStreams)
{
    // Flipped bits, bytes set to 0 or 0xFF and cut-off ends in the tables and the body. Where we
    // decode the whole member, liblhasa gives the same bytes. We may refuse more: liblhasa reads
    // over-full codes and missing codes as some symbol, where we report the damage.
    std::mt19937 rng(7);
    int agreedFull = 0;
    for (auto method : {lzh::EncodeMethod::Lh5, lzh::EncodeMethod::Lh7}) {
        Bytes input = lzh_test::TextLike(20000, 11);
        Bytes good = lzh_test::Compress(method, input);
        for (int round = 0; round < 1500; ++round) {
            Bytes bad = good;
            std::size_t at =
                rng() % (rng() % 2 ? std::min<std::size_t>(bad.size(), 64) : bad.size());
            switch (rng() % 4) {
            case 0:
                bad[at] ^= static_cast<std::uint8_t>(1 << (rng() % 8));
                break;
            case 1:
                bad[at] = 0;
                break;
            case 2:
                bad[at] = 0xFF;
                break;
            default:
                bad.resize(at);
                break;
            }
            auto theirs = lzh_test::Decompress(lzh_test::MethodName(method), bad, input.size());
            Decoded ours = Ours(Bits(method), bad, input.size());
            SCOPED_TRACE("round " + std::to_string(round));
            if (!theirs) {
                ASSERT_NE(ours.result, lzh::LhDecodeResult::Ok);
            }
            if (ours.result == lzh::LhDecodeResult::Ok) {
                ASSERT_TRUE(*theirs == ours.bytes);
                ++agreedFull;
            }
        }
    }
    EXPECT_GT(agreedFull, 100);  // much damage leaves a decodable stream, with other bytes
}

TEST(LhDecoder, MatchBeforeTheStartGivesSpacesAndShortStreamsFail)
{
    // One block of one symbol: a match of length 3 at distance 3, before the first byte. Every
    // table is sent in its one-symbol form.
    Bytes stream;
    const lzh::BitWriter::Sink collect = [&](const std::uint8_t* d, std::size_t n) {
        stream.insert(stream.end(), d, d + n);
        return true;
    };
    lzh::BitWriter w(collect);
    w.Put(1, 16);  // block size
    w.Put(0, 5), w.Put(0, 5);  // code-length code: symbol 0 only
    w.Put(0, 9), w.Put(256, 9);  // literal/length code: length 3 only
    w.Put(0, 4), w.Put(2, 4);  // position code: symbol 2 only, one extra bit
    w.Put(0, 1);  // offset 2, distance 3
    w.Finish();
    auto theirs = lzh_test::Decompress("-lh5-", stream, 3);
    ASSERT_TRUE(theirs);
    Decoded ours = Ours(13, stream, 3);
    ASSERT_EQ(ours.result, lzh::LhDecodeResult::Ok);
    EXPECT_EQ(ours.bytes, (Bytes{' ', ' ', ' '}));
    EXPECT_EQ(ours.bytes, *theirs);

    // The same stream claimed to hold more, and a stream of zero bits (empty blocks without
    // end) claimed to hold a gigabyte: errors, at once.
    EXPECT_EQ(Ours(13, stream, 4).result, lzh::LhDecodeResult::DataError);
    EXPECT_EQ(Ours(16, Bytes(100, 0), 1u << 30).result, lzh::LhDecodeResult::DataError);

    // A sink that refuses stops the decoding.
    Bytes input = lzh_test::TextLike(600000, 5);
    Bytes packed = lzh_test::Compress(lzh::EncodeMethod::Lh5, input);
    std::size_t pieces = 0, at = 0;
    auto r = lzh::LhDecode(
        13, input.size(),
        [&](std::uint8_t* buf, std::size_t n) -> long long {
            n = std::min(n, packed.size() - at);
            std::copy_n(packed.begin() + static_cast<std::ptrdiff_t>(at), n, buf);
            at += n;
            return static_cast<long long>(n);
        },
        [&](const std::uint8_t*, std::size_t) { return ++pieces < 2; });
    EXPECT_EQ(r, lzh::LhDecodeResult::Stopped);
    EXPECT_EQ(pieces, 2u);
}
