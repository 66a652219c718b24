// Near-optimal parsing for the slower levels.
//
// Lazy matching decides one position at a time. Here a whole block's worth of input is examined
// first: every position gets the list of matches the finder sees there. Then a shortest-path
// search from the end of the block backwards finds, for each position, the cheapest way to code
// everything after it, where a literal or a match of any usable length costs the bits its
// Huffman codes would take. The codes are not known before the block is parsed, so the first
// pass prices symbols with the previous block's codes (or rough guesses at the start), and each
// further pass prices them with the codes of the previous pass's result.
//
// Where the finder meets a very long match, the positions inside it are only entered into the
// match finder, not searched: on long runs the exact choice there hardly matters, and searching
// would make runs of identical bytes quadratic.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "lzh_enc_block.h"
#include "lzh_enc_split.h"
#include "lzh_match.h"
#include "lzh_match_bt.h"

namespace lzh {

class OptimalParser {
public:
    // np is the size of the method's position alphabet; passes is at least 1.
    OptimalParser(unsigned windowSize, unsigned np, unsigned passes);

    // Parses input from pos towards stop (stopping early where the data changes character, see
    // BlockSplitter) into `block`, which the caller then writes. buf holds the data up to dataEnd,
    // plus padding. Returns the position reached.
    std::size_t ParseBlock(const std::uint8_t* buf, std::size_t pos, std::size_t stop,
                           std::size_t dataEnd, unsigned niceLength, unsigned maxDepth,
                           BlockEncoder& block);

    // Enters positions up to `to` into the match finder without parsing them (a history).
    void Learn(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd, unsigned niceLength,
               unsigned maxDepth)
    {
        m_finder.Skip(buf, to, dataEnd, niceLength, maxDepth);
    }

    // The buffer moved down by delta bytes (a multiple of the window size).
    void Rebase(std::size_t delta) { m_finder.Rebase(delta); }

private:
    // Bits per symbol under the current codes.
    struct Costs {
        std::array<std::uint32_t, 256> literal;
        std::array<std::uint32_t, kMaxMatch + 1> length;  // by match length
        std::array<std::uint32_t, kMaxPositionSymbols> position;  // code plus extra bits
    };

    std::size_t Gather(const std::uint8_t* buf, std::size_t pos, std::size_t stop,
                       std::size_t dataEnd, unsigned niceLength, unsigned maxDepth);
    void ShortestPath(const std::uint8_t* data, std::size_t n);
    void PriceFromPath(const std::uint8_t* data, std::size_t n);
    void SetDefaultCosts();

    TreeMatchFinder m_finder;
    unsigned m_np;
    unsigned m_passes;
    Costs m_costs;
    BlockSplitter m_splitter;
    std::vector<Match> m_matches;  // every position's matches, one after the other
    std::vector<std::uint32_t> m_first;  // index into m_matches of each position's first match
    std::vector<std::uint32_t> m_cost;  // bits from each position to the end of the block
    std::vector<std::uint16_t> m_len;  // chosen step from each position: 1 = literal
    std::vector<std::uint16_t> m_dist;  // distance of the chosen match
};

}  // namespace lzh
