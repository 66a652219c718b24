// Deflate64 streams built bit by bit for what 7-Zip's encoder never writes: length code 285 with
// its 16 extra bits (7-Zip stops its matches at 257 bytes), at both ends of its range, and a
// stream cut short.
#include "Inflate64.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using qb::izip::Inflate64;

namespace {

struct Bits {
    std::vector<unsigned char> bytes;
    int used = 8;
    void Put(uint32_t value, int count)  // least significant bit first
    {
        for (int i = 0; i < count; ++i, value >>= 1) {
            if (used == 8)
                bytes.push_back(0), used = 0;
            bytes.back() |= static_cast<unsigned char>((value & 1) << used++);
        }
    }
    void Code(uint32_t code, int length)  // Huffman codes go most significant bit first
    {
        for (int i = length - 1; i >= 0; --i)
            Put((code >> i) & 1, 1);
    }
};

// A fixed-code block: 'a', then one match of `length` at distance 1, then the end.
std::vector<unsigned char> LongMatch(uint32_t length)
{
    Bits b;
    b.Put(1, 1);  // final block
    b.Put(1, 2);  // fixed codes
    b.Code(0x30 + 'a', 8);
    b.Code(0xC0 + (285 - 280), 8);
    b.Put(length - 3, 16);
    b.Code(0, 5);  // distance code 0: distance 1
    b.Code(0, 7);  // end of block
    return b.bytes;
}

Inflate64::Result Decode(const std::vector<unsigned char>& packed, std::string& out)
{
    size_t at = 0;
    Inflate64 decoder;
    return decoder.Run(
        [&](unsigned char* buffer, size_t capacity) {
            const size_t n = std::min(capacity, packed.size() - at);
            std::memcpy(buffer, packed.data() + at, n);
            at += n;
            return n;
        },
        [&](const unsigned char* data, size_t n) {
            out.append(reinterpret_cast<const char*>(data), n);
            return true;
        });
}

}  // namespace

TEST(Inflate64, LengthCode285TakesSixteenExtraBits)
{
    for (uint32_t length : {3u, 258u, 40000u, 65538u}) {
        std::string out;
        ASSERT_EQ(Decode(LongMatch(length), out), Inflate64::Result::Done) << length;
        EXPECT_EQ(out, std::string(1 + length, 'a')) << length;
    }
    // Cut anywhere before its end mark, the stream is damaged, never done.
    const std::vector<unsigned char> whole = LongMatch(65538);
    for (size_t keep = 0; keep + 1 < whole.size(); ++keep) {
        std::string out;
        EXPECT_EQ(Decode({whole.begin(), whole.begin() + static_cast<long>(keep)}, out),
                  Inflate64::Result::BadData)
            << keep;
    }
}
