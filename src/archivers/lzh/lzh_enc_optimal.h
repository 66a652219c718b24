// Near-optimal parsing for the slower levels.
//
// Lazy matching decides one position at a time. Here a stretch of input (up to about 64 KB) is
// examined first: every position gets the list of matches the finder sees there, and a greedy
// parse of the stretch is counted on the side. The planner (lzh_enc_plan.h) cuts the stretch
// into blocks where the data changes character. Then, per block, a shortest-path search from
// the block's end backwards finds, for each position, the cheapest way to code everything after
// it, where a literal or a match of any usable length costs the bits its Huffman codes would
// take. The codes are not known before the block is parsed, so the first pass prices symbols
// with codes built from the greedy parse's counts of the same block (plus the counts of the
// block before), and each further pass prices them with the codes of the previous pass's result.
//
// Where the finder meets a long match, the positions inside it are not searched: on long runs
// the exact choice there hardly matters, and searching would make runs of identical bytes
// quadratic.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "lzh_bitwriter.h"
#include "lzh_enc_block.h"
#include "lzh_enc_plan.h"
#include "lzh_match.h"
#include "lzh_match_bt.h"

namespace lzh {

class OptimalParser {
public:
    // np is the size of the method's position alphabet; passes is at least 1; dataSize as for
    // the match finders.
    OptimalParser(unsigned windowSize, unsigned np, unsigned passes, std::size_t dataSize);

    // Parses input from pos towards stop and writes it to `out` as one or more blocks, through
    // `block` (which the caller passes empty). buf holds the data up to dataEnd, plus padding.
    // Returns the position reached.
    std::size_t ParseBlock(const std::uint8_t* buf, std::size_t pos, std::size_t stop,
                           std::size_t dataEnd, unsigned niceLength, unsigned maxDepth,
                           BlockEncoder& block, BitWriter& out);

    // Enters positions up to `to` into the match finder without parsing them (a history).
    void Learn(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd, unsigned niceLength,
               unsigned maxDepth)
    {
        m_finder.Skip(buf, to, dataEnd, niceLength, maxDepth);
    }

    // The buffer moved down by delta bytes (a multiple of the window size).
    void Rebase(std::size_t delta) { m_finder.Rebase(delta); }

    // The low bits of a path cost hold the length of the step (see the .cpp).
    static constexpr unsigned kStepBits = 9;
    static constexpr std::uint32_t kStepMask = (1u << kStepBits) - 1;

private:
    // Lengths are priced kLanes at a time.
    static constexpr unsigned kLanes = 4;

    // Bits per symbol under the current codes, as path-cost keys (bits << kStepBits, plus the
    // step's length for literals and lengths). Length keys are read kLanes at a time, so a few
    // unused ones follow the last.
    struct Keys {
        std::array<std::uint32_t, 256> literal;
        std::array<std::uint32_t, kMaxMatch + kLanes> length;
        std::array<std::uint32_t, kMaxPositionSymbols> position;
    };

    std::size_t Gather(const std::uint8_t* buf, std::size_t pos, std::size_t stop,
                       std::size_t dataEnd, unsigned niceLength, unsigned maxDepth);
    // Both work on the stretch's positions from `from` to `to`.
    void ShortestPath(const std::uint8_t* data, std::size_t from, std::size_t to);
    void PriceFromPath(const std::uint8_t* data, std::size_t from, std::size_t to);
    void PriceFromCounts(const std::uint32_t* cFreq, const std::uint32_t* pFreq);

    TreeMatchFinder m_finder;
    unsigned m_np;
    unsigned m_passes;
    Keys m_keys;
    // Symbol counts of the last block written.
    std::array<std::uint32_t, kNumC> m_lastC{};
    std::array<std::uint32_t, kMaxPositionSymbols> m_lastP{};
    BlockPlanner m_planner;
    std::vector<std::size_t> m_cuts;  // the planner's block ends
    std::vector<Match> m_matches;  // every position's matches, one after the other
    std::vector<std::uint32_t> m_first;  // index into m_matches of each position's first match
    std::vector<std::uint32_t> m_cost;  // keys: bits from each position to the end of its block
    std::vector<std::uint16_t> m_len;  // chosen step from each position: 1 = literal
    std::vector<std::uint16_t> m_dist;  // distance of the chosen match
};

}  // namespace lzh
