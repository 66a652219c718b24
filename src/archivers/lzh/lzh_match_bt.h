// Binary-tree match finder, for the near-optimal parser.
//
// The near-optimal parser wants, at every position, the matches of every useful length, and it
// searches every position instead of skipping most of them as lazy matching does. A hash chain
// then spends its time stepping over candidates that share only the hashed prefix. Here the
// positions with the same 4-byte hash form a binary search tree ordered by the bytes that follow
// them (lexicographically), newest at the root. Walking down from the root towards the current
// position's own bytes meets the candidates that share the longest prefixes with it, so a few
// dozen steps find what a chain finds in hundreds. The walk also re-roots the tree at the
// current position (splitting the old tree into the parts smaller and greater than it), so
// inserting a position and searching from it are the same operation.
//
// Each node has two child links stored at its position modulo the window size; a link to a
// position that has left the window ends the walk, which prunes old subtrees for free. The
// nearest 3-byte match comes from a small separate table, as in the chain finder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "lzh_match.h"

namespace lzh {

class TreeMatchFinder {
public:
    // dataSize as for MatchFinder.
    explicit TreeMatchFinder(unsigned windowSize, std::size_t dataSize = SIZE_MAX);

    // Writes to `found` each match longer than all before it (lengths increase), searching at
    // most maxDepth tree nodes and stopping at niceLength, and returns their number: the last is
    // the longest. `found` needs room for kMaxFound matches. avail is the number of bytes from
    // pos to the end of the data; the buffer must hold 8 readable bytes past it. Inserts pos;
    // positions must be inserted in order (SearchAll or Skip), each exactly once.
    static constexpr std::size_t kMaxFound = kMaxMatch - kMinMatch + 1;
    std::size_t SearchAll(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                          unsigned niceLength, unsigned maxDepth, Match* found);

    // Inserts the positions from the next uninserted one up to `to` without recording matches.
    void Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd, unsigned niceLength,
              unsigned maxDepth);

    void Rebase(std::size_t delta);

private:
    template<bool kRecord>
    std::size_t Advance(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                        unsigned niceLength, unsigned maxDepth, Match* found);

    unsigned m_windowMask;
    unsigned m_maxDistance;
    unsigned m_hashShift;  // both tables have 1 << (32 - m_hashShift) buckets
    std::vector<std::uint32_t> m_root;  // position + 1 of each 4-byte hash's tree root, 0 = none
    // [2 * slot] smaller, [2 * slot + 1] greater; position + 1
    std::unique_ptr<std::uint32_t[]> m_child;
    std::vector<std::uint32_t> m_head3;  // position + 1 of the newest entry per 3-byte hash
    std::size_t m_next = 0;
    // A walk that meets a string equal to the current one as far as it looks (its nice length)
    // hands that string's subtrees over unexamined, so the tree is only known to be in order over
    // the first m_ordered bytes: the shortest nice length any walk has used.
    unsigned m_ordered = kMaxMatch;
};

}  // namespace lzh
