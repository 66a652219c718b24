// Blocks of an -lh5- family stream: the literals and matches chosen by the parser, held until
// written, and the code that turns a run of them into one block's tables and body.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "lzh_bitwriter.h"

namespace lzh {

constexpr unsigned kNumC = 510;  // literal bytes 0..255, match lengths 3..256
constexpr unsigned kNumT = 19;  // code-length alphabet of the C table
constexpr unsigned kMaxPositionSymbols = 17;
constexpr unsigned kMaxBlockSymbols = 0xFFFF;  // the block header counts symbols in 16 bits

// Position symbol of a match: the number of significant bits of distance - 1.
inline unsigned PositionSymbol(unsigned distance)
{
    const unsigned o = distance - 1;
    return o == 0 ? 0 : 32 - static_cast<unsigned>(__builtin_clz(o));
}

class BlockEncoder {
public:
    // np is the size of the position alphabet, pbit the width of its count field.
    BlockEncoder(unsigned np, unsigned pbit);

    void AddLiteral(std::uint8_t c) { m_tokens.push_back(c); }
    void AddMatch(unsigned length, unsigned distance)
    {
        m_tokens.push_back((length + 253) | ((distance - 1) << 9));
    }

    std::size_t size() const { return m_tokens.size(); }
    // The symbols held, each as c | (distance - 1) << 9 (c: the C table's symbol).
    const std::uint32_t* tokens() const { return m_tokens.data(); }

    // Bits of each symbol's code in the block written last (0 = the code had no such symbol);
    // empty before the first block.
    bool hasCodes() const { return m_hasCodes; }
    const std::array<std::uint8_t, kNumC>& lastCLengths() const { return m_lastC; }
    const std::array<std::uint8_t, kMaxPositionSymbols>& lastPLengths() const { return m_lastP; }

    // Writes every symbol held as one block (nothing when there are none) and forgets them.
    void Write(BitWriter& out);
    // Writes the symbols from `from` to `to` as one block, given their counts in the C and
    // position tables. They are kept until Drop().
    void Write(BitWriter& out, std::size_t from, std::size_t to, const std::uint32_t* cFreq,
               const std::uint32_t* pFreq);
    // Forgets the first `count` symbols.
    void Drop(std::size_t count);

private:
    unsigned m_np;
    unsigned m_pbit;
    std::vector<std::uint32_t> m_tokens;  // c | (distance - 1) << 9
    bool m_hasCodes = false;
    std::array<std::uint8_t, kNumC> m_lastC{};
    std::array<std::uint8_t, kMaxPositionSymbols> m_lastP{};
};

}  // namespace lzh
