// Deciding where the lazy parser's blocks end.
//
// Each block carries its own code tables, so a new block pays off where the data changes
// character (text followed by a table of numbers, code followed by strings) and costs its table
// headers where it does not. The splitter counts the parser's symbols in short pieces as they
// come. When the pieces make a full block (or the input ends), it cuts them, estimating a
// block's size as its symbols' entropy under the block's own statistics plus a price for its
// tables. Cutting is top-down: the cheapest single cut of a run of pieces is found from the
// costs of every prefix and every suffix of the run; if it beats the run as one block, both
// halves are cut in turn. That is nearly as good as the exact best split, at a cost that grows
// with the symbols times the depth of cutting rather than with the square of the pieces.
//
// Changes of character rarely fall on a piece's edge: before a cut is written, it moves to the
// place within a piece either way where the two blocks' entropy is least (MoveCut), tried
// every few symbols. That gains about as much again as the cutting itself.
//
// The caller writes every block but the last, which may well continue in the input not yet seen:
// its pieces stay and are cut again with the ones that follow.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "lzh_enc_block.h"

namespace lzh {

class BlockSplitter {
public:
    // Cuts fall between pieces of this many symbols (or at the end), before MoveCut. Finer
    // pieces find short blocks better, but the cost of cutting grows with their number: with
    // 128 the benchmark corpus packs only about 6 KB smaller, for a few percent more time.
    static constexpr std::size_t kPieceSymbols = 255;
    // Pieces that fit in one block.
    static constexpr std::size_t kMaxPieces = kMaxBlockSymbols / kPieceSymbols;

    // Counting is done symbol by symbol, as the parser produces them, as cheaply as can be: a
    // byte-sized counter per symbol (a piece is shorter than 256 symbols), sorted out per piece.
    void Literal(std::uint8_t c) { ++m_counts[c]; }
    void Match(unsigned length, unsigned distance)
    {
        ++m_counts[length + 253];
        ++m_counts[kPositionsAt + PositionSymbol(distance)];
    }
    // Closes the current piece, of `symbols` symbols; returns the number of pieces held.
    std::size_t EndPiece(unsigned symbols);

    // Splits the symbols counted, `symbols` in all, into blocks: cuts receives the end of each
    // block, ascending, the last being `symbols`.
    void Plan(std::size_t symbols, std::vector<std::size_t>& cuts);

    // Adds the counts of the symbols from `from` to `to`, both cuts (or 0) of the last Plan(),
    // to freq: kNumC counts of the C table, then those of the position table.
    static constexpr unsigned kCounts = kNumC + kMaxPositionSymbols;
    void AddCounts(std::size_t from, std::size_t to, std::uint32_t* freq) const;

    // Moves the cut at `cut` between the blocks from..cut and cut..to to where, within a piece
    // either way, the two cost least; their counts (as from AddCounts) follow. tokens: the
    // symbols in BlockEncoder's form. Returns the new cut.
    static std::size_t MoveCut(const std::uint32_t* tokens, std::size_t from, std::size_t cut,
                               std::size_t to, std::uint32_t* left, std::uint32_t* right);

    // Forgets the first `count` symbols, a cut of the last Plan().
    void Drop(std::size_t count);

private:
    // Symbols of the C table, then of the position table.
    static constexpr unsigned kSymbols = kNumC + kMaxPositionSymbols;
    // A symbol present in a piece, with its count there. Two 16-bit halves: each is one load.
    struct Entry {
        std::uint16_t symbol;
        std::uint16_t count;
    };
    static_assert(kPieceSymbols < 256);
    // The counters of the piece being counted: C symbols, padded to a whole number of groups of
    // 64, then position symbols.
    static constexpr unsigned kPositionsAt = 512;
    static constexpr unsigned kCounters = kPositionsAt + kMaxPositionSymbols;
    // Entries a piece can have: a distinct C symbol per symbol at most, and every position one
    // (plus one written and not kept).
    static constexpr std::size_t kMaxEntriesPerPiece = kPieceSymbols + kMaxPositionSymbols + 1;

    double Scan(unsigned from, unsigned to, bool forward);
    void Cut(unsigned from, unsigned to, bool prefixKnown, bool suffixKnown);

    alignas(16) std::array<std::uint8_t, kCounters> m_counts{};
    std::array<std::uint32_t, kSymbols> m_sum{};  // zero between uses

    // The pieces held: each one's distinct symbols with their counts, and its size.
    std::unique_ptr<Entry[]> m_entries;  // room for kMaxPieces pieces, left uninitialised
    std::vector<std::uint32_t> m_entriesEnd;  // per piece, the end of its run in m_entries
    std::vector<std::uint32_t> m_matches;  // per piece
    std::size_t m_total = 0;  // symbols in the pieces held (all but the last are full)

    std::vector<double> m_prefix;  // m_prefix[k]: cost of pieces from the run's start to k
    std::vector<double> m_suffix;  // m_suffix[k]: cost of pieces from k to the run's end
    std::vector<std::size_t>* m_cuts = nullptr;
};

}  // namespace lzh
