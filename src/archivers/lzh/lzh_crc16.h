// CRC-16 as LHA archives use it, for member data and for the level-2 header checksum: the
// reflected form of polynomial 0x8005 (constant 0xA001), starting at 0, no final XOR.
// "123456789" gives 0xBB3D.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lzh {

// Continues a CRC over more bytes; start with crc = 0.
std::uint16_t Crc16Update(std::uint16_t crc, const void* data, std::size_t size);

// The CRC of A followed by B from the CRCs of A and B and the length of B: for pieces of one
// file read on different threads.
std::uint16_t Crc16Combine(std::uint16_t crcA, std::uint16_t crcB, std::uint64_t lengthB);

inline std::uint16_t Crc16(const void* data, std::size_t size)
{
    return Crc16Update(0, data, size);
}

// The two ways Crc16Update computes, reachable on their own so they can be checked against each
// other; Crc16Update picks one by the processor it runs on.
namespace detail {

// Lookup tables, eight bytes a step: runs on every processor.
std::uint16_t Crc16UpdateTable(std::uint16_t crc, const void* data, std::size_t size);

// True when this processor has carry-less multiplication (x86-64 PCLMULQDQ).
bool Crc16HasClmul();

// Folds 64-byte blocks with carry-less multiplication; only valid when Crc16HasClmul() is true
// (elsewhere it is the table code).
std::uint16_t Crc16UpdateClmul(std::uint16_t crc, const void* data, std::size_t size);

}  // namespace detail

}  // namespace lzh
