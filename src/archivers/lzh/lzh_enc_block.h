// Blocks of an -lh5- family stream: the literals and matches chosen by the parser, held until
// written, and the code that turns a run of them into one block's tables and body.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "lzh_bitwriter.h"

namespace lzh {

constexpr unsigned kNumC = 510;  // literal bytes 0..255, match lengths 3..256
constexpr unsigned kNumT = 19;  // code-length alphabet of the C table
constexpr unsigned kMaxPositionSymbols = 17;
constexpr unsigned kMaxBlockSymbols = 0xFFFF;  // the block header counts symbols in 16 bits

// The number of significant bits of o (0 for 0; o below 2^31), as one bit scan with no test for
// zero. 31 - clz is written as ^ 31, which compilers turn into the bare scan.
constexpr unsigned SignificantBits(std::uint32_t o)
{
    return static_cast<unsigned>(__builtin_clz((o << 1) | 1)) ^ 31u;
}

// Position symbol of a match: the number of significant bits of distance - 1.
inline unsigned PositionSymbol(unsigned distance)
{
    return SignificantBits(distance - 1);
}

class BlockEncoder {
public:
    // np is the size of the position alphabet, pbit the width of its count field.
    BlockEncoder(unsigned np, unsigned pbit);

    // At most kMaxBlockSymbols symbols are held at a time.
    void AddLiteral(std::uint8_t c)
    {
        assert(m_size < kMaxBlockSymbols);
        m_tokens[m_size++] = c | kLiteralMark;
    }
    void AddMatch(unsigned length, unsigned distance)
    {
        assert(m_size < kMaxBlockSymbols);
        m_tokens[m_size++] = (length + 253) | ((distance - 1) << 9);
    }

    std::size_t size() const { return m_size; }
    // The symbols held, each as c | (distance - 1) << 9 (c: the C table's symbol, below 256 for
    // a literal, which has kLiteralMark above it instead of a distance).
    const std::uint32_t* tokens() const { return m_tokens.get(); }
    // Far above any distance, so that a literal's position symbol (SignificantBits(token >> 9))
    // is one no match has: the writer looks it up in the same table, as a field of no bits.
    static constexpr std::uint32_t kLiteralMark = std::uint32_t{1} << 29;

    // Bits of each symbol's code in the block written last (0 = the code had no such symbol);
    // empty before the first block.
    bool hasCodes() const { return m_hasCodes; }
    const std::array<std::uint8_t, kNumC>& lastCLengths() const { return m_lastC; }
    const std::array<std::uint8_t, kMaxPositionSymbols>& lastPLengths() const { return m_lastP; }

    // Writes the symbols from `from` to `to` as one block, given their counts in the C and
    // position tables. They are kept until Drop().
    void Write(BitWriter& out, std::size_t from, std::size_t to, const std::uint32_t* cFreq,
               const std::uint32_t* pFreq);
    // Forgets the first `count` symbols.
    void Drop(std::size_t count);

private:
    void WriteSymbols(BitWriter& out, std::size_t from, std::size_t to, const std::uint8_t* cLen,
                      const std::uint16_t* cCode, const std::uint8_t* pLen,
                      const std::uint16_t* pCode) const;

    unsigned m_np;
    unsigned m_pbit;
    std::unique_ptr<std::uint32_t[]> m_tokens;  // kMaxBlockSymbols, as tokens() describes
    std::size_t m_size = 0;
    bool m_hasCodes = false;
    std::array<std::uint8_t, kNumC> m_lastC{};
    std::array<std::uint8_t, kMaxPositionSymbols> m_lastP{};
};

}  // namespace lzh
