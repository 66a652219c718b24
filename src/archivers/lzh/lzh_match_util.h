// Small helpers shared by the two match finders.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lzh::match_detail {

inline std::uint32_t Load32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t Load64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Length of the common prefix of a and b, at most limit. Reads whole words, so both may be
// read up to 7 bytes past limit.
inline unsigned CommonLength(const std::uint8_t* a, const std::uint8_t* b, unsigned limit)
{
    unsigned len = 0;
    while (len < limit) {
        const std::uint64_t diff = Load64(a + len) ^ Load64(b + len);
        if (diff != 0) {
            if constexpr (std::endian::native == std::endian::little) {
                len += static_cast<unsigned>(__builtin_ctzll(diff)) >> 3;
            } else {
                len += static_cast<unsigned>(__builtin_clzll(diff)) >> 3;
            }
            return std::min(len, limit);
        }
        len += 8;
    }
    return limit;
}

constexpr std::uint32_t kHash4Factor = 0x1E35A7BDu;
constexpr std::uint32_t kHash3Factor = 0x9E3779B1u;

// Hashes of the first four and the first three bytes, from the four bytes already loaded.
inline std::uint32_t Hash4Of(std::uint32_t first4, unsigned shift)
{
    return (first4 * kHash4Factor) >> shift;
}
inline std::uint32_t Hash3Of(std::uint32_t first4, unsigned shift)
{
    return (first4 * (kHash3Factor << 8)) >> shift;
}
inline std::uint32_t Hash4(const std::uint8_t* p, unsigned shift)
{
    return Hash4Of(Load32(p), shift);
}
inline std::uint32_t Hash3(const std::uint8_t* p, unsigned shift)
{
    return Hash3Of(Load32(p), shift);
}

// The caller's buffer moved down by delta bytes: stored positions (+ 1, 0 = none) follow it, and
// those that fell out of the buffer become "none".
inline void RebasePositions(std::uint32_t* links, std::size_t count, std::size_t delta)
{
    for (std::size_t k = 0; k < count; ++k)
        links[k] = links[k] > delta ? links[k] - static_cast<std::uint32_t>(delta) : 0;
}

// Hash table sizes: eight buckets per window position, up to 64 Ki. Far more buckets than
// positions, but a collision costs more than the cache misses of a larger table: in a chain it is
// a candidate walked for nothing, and in the 3-byte table, which keeps one position per bucket, it
// hides the nearest 3-byte match, and those matter for size. Data smaller than the window
// (dataSize, when known) gets two buckets per position: most files are small, clearing the large
// tables for each would cost more than packing it, and a small file loses little to collisions.
inline unsigned HashBits(unsigned windowSize, std::size_t dataSize)
{
    const bool small = dataSize < windowSize;
    const std::size_t reach = small ? std::max<std::size_t>(dataSize, 1) : windowSize;
    unsigned bits = 0;
    while ((std::size_t{1} << bits) < reach)
        ++bits;
    return std::clamp(bits + (small ? 1u : 3u), 10u, 16u);
}

}  // namespace lzh::match_detail
