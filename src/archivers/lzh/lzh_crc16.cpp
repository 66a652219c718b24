// Table-driven CRC-16, eight bytes per step ("slicing by eight"): the fallback where the processor
// has no carry-less multiply, and the short inputs and tails of the folding code
// (lzh_crc16_clmul.cpp). Stored packing is bound by this loop, so it is worth the 4 KiB of tables.
#include "lzh_crc16.h"

#include <array>
#include <cstring>

namespace lzh {
namespace {

using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables MakeTables()
{
    Tables t{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t c = static_cast<std::uint16_t>(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001)
                        : static_cast<std::uint16_t>(c >> 1);
        t[0][i] = c;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s)
            t[s][i] = static_cast<std::uint16_t>((t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF]);
    return t;
}

constexpr Tables kTables = MakeTables();

}  // namespace

std::uint16_t detail::Crc16UpdateTable(std::uint16_t crc, const void* data, std::size_t size)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size >= 8) {
        std::uint32_t lo;
        std::memcpy(&lo, p, 4);  // little-endian host: byte 0 in the low bits
        lo ^= crc;
        crc = static_cast<std::uint16_t>(kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^
                                         kTables[5][(lo >> 16) & 0xFF] ^ kTables[4][lo >> 24] ^
                                         kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
                                         kTables[0][p[7]]);
        p += 8;
        size -= 8;
    }
    while (size--)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

std::uint16_t Crc16Update(std::uint16_t crc, const void* data, std::size_t size)
{
    // Asked once: every member's data and every header goes through here.
    static const bool clmul = detail::Crc16HasClmul();
    return clmul ? detail::Crc16UpdateClmul(crc, data, size)
                 : detail::Crc16UpdateTable(crc, data, size);
}

namespace {

// A 16x16 matrix over GF(2) as its columns: column i is the image of bit i.
using Matrix = std::array<std::uint16_t, 16>;

std::uint16_t Apply(const Matrix& m, std::uint16_t v)
{
    std::uint16_t r = 0;
    for (unsigned i = 0; v != 0; ++i, v >>= 1)
        if (v & 1)
            r ^= m[i];
    return r;
}

Matrix Square(const Matrix& m)
{
    Matrix r{};
    for (unsigned i = 0; i < 16; ++i)
        r[i] = Apply(m, m[i]);
    return r;
}

}  // namespace

// The CRC is linear: running it over B from the state crcA gives the CRC of B from zero, plus
// crcA run through as many zero bytes as B has. That last part is a matrix power, built by
// squaring, so the cost grows with the logarithm of the length.
std::uint16_t Crc16Combine(std::uint16_t crcA, std::uint16_t crcB, std::uint64_t lengthB)
{
    // A zero state stays zero through zero bytes: the first piece of every file needs no matrix.
    if (crcA == 0)
        return crcB;
    Matrix m{};  // one zero bit
    m[0] = 0xA001;
    for (unsigned i = 1; i < 16; ++i)
        m[i] = static_cast<std::uint16_t>(1u << (i - 1));
    for (int k = 0; k < 3; ++k)  // one zero byte
        m = Square(m);
    for (; lengthB != 0; lengthB >>= 1) {
        if (lengthB & 1)
            crcA = Apply(m, crcA);
        m = Square(m);
    }
    return static_cast<std::uint16_t>(crcA ^ crcB);
}

}  // namespace lzh
