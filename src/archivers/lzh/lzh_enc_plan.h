// Where the near-optimal parser ends its blocks.
//
// Every block carries its own Huffman codes, so a block should end where the data changes
// character (text followed by a table of numbers, code followed by strings), and not elsewhere,
// because each block's tables cost about a hundred bytes. The planner watches a greedy parse of
// the stretch about to be parsed, counts its symbols in short pieces, and then chooses the cuts
// between pieces that minimise the estimated size: each block's symbols at their entropy under
// the block's own statistics, plus a fixed price per block for its tables. With at most a few
// dozen pieces, trying every split is cheap next to the parse itself.
//
// The same counts give the parser its first prices for each block: a greedy parse of the very
// block is a closer guess than the codes of the block before it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzh_enc_block.h"

namespace lzh {

class BlockPlanner {
public:
    static constexpr std::size_t kPieceBytes = 2048;

    // Starts counting a stretch of at most maxBytes.
    void Reset(std::size_t maxBytes);

    // One symbol of the greedy parse, at `offset` bytes into the stretch.
    void Literal(std::size_t offset, std::uint8_t c) { ++PieceAt(offset).c[c]; }
    void Match(std::size_t offset, unsigned length, unsigned distance)
    {
        Piece& piece = PieceAt(offset);
        ++piece.c[length + 253];
        ++piece.p[PositionSymbol(distance)];
    }

    // Splits the first n bytes of the stretch into blocks: cuts receives the end of each block,
    // ascending, the last being n.
    void Plan(std::size_t n, std::vector<std::size_t>& cuts);

    // Adds the greedy parse's symbol counts from `from` to `to` (block boundaries from Plan).
    void AddCounts(std::size_t from, std::size_t to, std::uint32_t* cFreq,
                   std::uint32_t* pFreq) const;

private:
    struct Piece {
        std::array<std::uint32_t, kNumC> c;
        std::array<std::uint32_t, kMaxPositionSymbols> p;
    };

    Piece& PieceAt(std::size_t offset) { return m_pieces[offset / kPieceBytes]; }

    std::vector<Piece> m_pieces;
    // Work space of Plan, kept to avoid allocations per stretch.
    struct Used {
        std::uint16_t symbol;  // C, then 510 + P
        std::uint32_t count;
    };
    std::vector<Used> m_used;  // the symbols present in each piece
    std::vector<std::uint32_t> m_usedEnd;  // per piece, the end of its run in m_used
    std::vector<double> m_best;
    std::vector<unsigned> m_from;
    std::array<std::uint32_t, kNumC + kMaxPositionSymbols> m_sum;
    std::array<double, kNumC + kMaxPositionSymbols> m_fLog;  // f log2 f of each m_sum
};

}  // namespace lzh
