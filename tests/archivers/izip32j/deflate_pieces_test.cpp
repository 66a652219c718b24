// Pieces compressed apart and joined into one stream must inflate to exactly the original, at
// every kind of boundary: pieces that compress well, that do not compress (stored blocks), tiny
// pieces and a piece whose data ends on an odd bit.
#include "DeflateJoin.h"
#include "DeflatePipeline.h"
#include "Sandbox.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <fstream>
#include <random>

using namespace qb::izip;

namespace {

std::vector<unsigned char> Compress(const std::string& data, int level)
{
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    std::vector<unsigned char> out(libdeflate_deflate_compress_bound(c, data.size()));
    out.resize(libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

std::string Inflate(const std::vector<unsigned char>& stream, size_t expected, int* rc)
{
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    std::string out(expected + 16, '\0');
    z.next_in = const_cast<unsigned char*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = reinterpret_cast<unsigned char*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    *rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

std::string Mixed(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] =
            (i / 3000) % 3 == 0 ? static_cast<char>(rng()) : static_cast<char>('a' + (rng() % 5));
    return s;
}

}  // namespace

TEST(DeflatePieces, JoinedPiecesInflateToTheWhole)
{
    const std::vector<std::vector<std::string>> cases = {
        {Mixed(100000, 1), Mixed(70000, 2), Mixed(5, 3)},
        {std::string(300000, 'x'), Mixed(1, 4), std::string(1, 'y')},
        {Mixed(200000, 5), std::string()},  // an empty last piece
    };
    for (int level : {1, 6, 9, 12}) {
        for (const auto& pieces : cases) {
            std::vector<unsigned char> joined;
            std::string whole;
            for (size_t i = 0; i < pieces.size(); ++i) {
                std::vector<unsigned char> stream = Compress(pieces[i], level);
                if (i + 1 < pieces.size()) {
                    ASSERT_TRUE(MakeNonFinal(stream));
                }
                joined.insert(joined.end(), stream.begin(), stream.end());
                whole += pieces[i];
            }
            int rc = 0;
            EXPECT_EQ(Inflate(joined, whole.size(), &rc), whole) << "level " << level;
            EXPECT_EQ(rc, Z_STREAM_END);
        }
    }
    // Random bytes are not a deflate stream: refused and left alone.
    std::vector<unsigned char> junk = {0xFF, 0xFE, 0x01, 0x02};
    EXPECT_FALSE(MakeNonFinal(junk));
    EXPECT_EQ(junk.size(), 4u);
}

TEST(DeflatePieces, PipelineCutsBigFilesAndKeepsOrder)
{
    qb::arctest::Sandbox box;
    std::string big = Mixed(static_cast<size_t>(kPieceSize * 2 + 12345), 9);
    std::ofstream(box.Path("big"), std::ios::binary) << big;
    std::ofstream(box.Path("small"), std::ios::binary) << "small";
    DeflatePipeline pipeline(6);
    const std::string paths[] = {box.Path("big"), box.Path("small"),
                                 box.Path("missing")};  // kept by reference
    size_t b = pipeline.Add(paths[0], big.size());
    size_t s = pipeline.Add(paths[1], 5);
    size_t gone = pipeline.Add(paths[2], 10);
    pipeline.Start();
    ASSERT_EQ(pipeline.PieceCount(b), 3u);
    ASSERT_EQ(pipeline.PieceCount(s), 1u);
    std::vector<unsigned char> joined;
    uLong crc = crc32(0, nullptr, 0);
    for (size_t i = pipeline.FirstPiece(b); i < pipeline.FirstPiece(b) + 3; ++i) {
        Piece& piece = pipeline.WaitPiece(i);
        ASSERT_EQ(piece.error, 0);
        joined.insert(joined.end(), piece.data.begin(), piece.data.end());
        crc = crc32_combine(crc, piece.crc, static_cast<z_off_t>(piece.length));
        pipeline.ReleasePiece(i);
    }
    int rc = 0;
    EXPECT_EQ(Inflate(joined, big.size(), &rc), big);
    EXPECT_EQ(crc,
              crc32(0, reinterpret_cast<const Bytef*>(big.data()), static_cast<uInt>(big.size())));
    pipeline.ReleasePiece(pipeline.FirstPiece(s));
    EXPECT_EQ(pipeline.WaitPiece(pipeline.FirstPiece(gone)).error, ENOENT);
}
