// Table-driven CRC-16, eight bytes per step ("slicing by eight"): stored packing is bound by this
// loop, so it is worth the 4 KiB of tables.
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
            c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : static_cast<std::uint16_t>(c >> 1);
        t[0][i] = c;
    }
    for (unsigned i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s)
            t[s][i] = static_cast<std::uint16_t>((t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF]);
    return t;
}

constexpr Tables kTables = MakeTables();

}  // namespace

std::uint16_t Crc16Update(std::uint16_t crc, const void* data, std::size_t size)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size >= 8) {
        std::uint32_t lo;
        std::memcpy(&lo, p, 4);  // little-endian host: byte 0 in the low bits
        lo ^= crc;
        crc = static_cast<std::uint16_t>(
            kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
            kTables[4][lo >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
            kTables[0][p[7]]);
        p += 8;
        size -= 8;
    }
    while (size--)
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

}  // namespace lzh
