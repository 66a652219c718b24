// Hash-chain match finder over a sliding window.
//
// Every position of the input is entered, by a hash of its first four bytes, at the head of a
// chain; the chain links each position to the previous one with the same hash. Looking for a
// match at a position walks its chain from the nearest candidate outwards, so the first match
// of a given length is also the closest, and the walk stops at the window limit, after a bounded
// number of steps, or as soon as a match is long enough ("nice") that searching further is not
// worth the time. The link table has one slot per window position, indexed by position modulo
// the window size: a slot is overwritten only when its position has left the window.
//
// Chains keyed on four bytes instead of three are much shorter on real data, where many
// positions share a 3-byte prefix but few share four. Three-byte matches (the shortest the
// format codes) come from a separate table that remembers only the newest position per 3-byte
// hash: a 3-byte match is worth taking only when it is near, and the newest is the nearest.
//
// Positions are indices into the caller's buffer. When the caller slides its buffer forward by
// a multiple of the window size it calls Rebase() so the stored positions follow the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace lzh {

constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 256;

struct Match {
    unsigned length = 0;  // 0 when nothing of at least kMinMatch bytes was found
    unsigned distance = 0;  // 1 = the byte just before
};

class MatchFinder {
public:
    // windowSize must be a power of two; matches reach at most windowSize - 1 bytes back.
    // dataSize: how many positions there will be, when the caller knows (sizes the tables).
    explicit MatchFinder(unsigned windowSize, std::size_t dataSize = SIZE_MAX);

    // Finds the longest match at pos that is longer than `longerThan` (the caller's current best,
    // at least kMinMatch - 1), using at most maxChain chain steps and stopping at niceLength.
    // avail is the number of bytes from pos to the end of the data. The buffer must hold 8
    // readable bytes past the end of the data. Inserts pos afterwards; positions must be inserted
    // in order (Search or Skip), each exactly once.
    Match Search(const std::uint8_t* buf, std::size_t pos, std::size_t avail, unsigned longerThan,
                 unsigned niceLength, unsigned maxChain);

    // Inserts the positions from the next uninserted one up to (not including) `to`.
    void Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd);

    // The buffer moved down by delta bytes (a multiple of the window size).
    void Rebase(std::size_t delta);

private:
    unsigned m_windowMask;
    unsigned m_maxDistance;
    unsigned m_hashShift;
    unsigned m_hash3Shift;
    std::vector<std::uint32_t>
        m_head;  // position + 1 of the newest entry per 4-byte hash, 0 = none
    std::vector<std::uint32_t> m_prev;  // position + 1 of the older entry with the same hash
    std::vector<std::uint32_t> m_head3;  // position + 1 of the newest entry per 3-byte hash
    std::size_t m_next = 0;
};

}  // namespace lzh
