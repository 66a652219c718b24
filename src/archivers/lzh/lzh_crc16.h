// CRC-16 as LHA archives use it, for member data and for the level-2 header checksum: the
// reflected form of polynomial 0x8005 (constant 0xA001), starting at 0, no final XOR.
// "123456789" gives 0xBB3D.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lzh {

// Continues a CRC over more bytes; start with crc = 0.
std::uint16_t Crc16Update(std::uint16_t crc, const void* data, std::size_t size);

inline std::uint16_t Crc16(const void* data, std::size_t size) { return Crc16Update(0, data, size); }

}  // namespace lzh
