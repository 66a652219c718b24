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

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "lzh_match_util.h"

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
                 unsigned niceLength, unsigned maxChain)
    {
        // The parser asks once or twice for nearly every input byte: away from the end of the
        // data, where the longest match fits and no length needs a bound, the search is inlined
        // into its loop.
        if (avail >= kMaxMatch + 8 && niceLength <= kMaxMatch)
            return SearchInside(buf, pos, longerThan, niceLength, maxChain);
        return SearchNearEnd(buf, pos, avail, longerThan, niceLength, maxChain);
    }

    // Inserts the positions from the next uninserted one up to (not including) `to`.
    void Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd);

    // The buffer moved down by delta bytes (a multiple of the window size).
    void Rebase(std::size_t delta);

private:
    Match SearchInside(const std::uint8_t* buf, std::size_t pos, unsigned longerThan,
                       unsigned niceLength, unsigned maxChain);
    Match SearchNearEnd(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                        unsigned longerThan, unsigned niceLength, unsigned maxChain);
    // Enters pos into the tables; returns the newest earlier position with the same four
    // bytes' hash and the newest with the same three bytes' hash (position + 1, 0 = none).
    void Insert(std::size_t pos, std::uint32_t first4, std::uint32_t& link, std::uint32_t& near3)
    {
        const auto self = static_cast<std::uint32_t>(pos + 1);
        const std::uint32_t h3 = match_detail::Hash3Of(first4, m_hashShift);
        const std::uint32_t h4 = match_detail::Hash4Of(first4, m_hashShift);
        near3 = m_head3[h3];
        m_head3[h3] = self;
        link = m_head[h4];
        m_prev[pos & m_windowMask] = link;
        m_head[h4] = self;
    }
    // The search once pos is in the tables: the nearest 3-byte match when the caller has none
    // yet, then the chain of 4-byte candidates. Stored positions are offset by one, so
    // "link > lowestLink" means "inside the window" and also "not empty".
    Match SearchFrom(const std::uint8_t* buf, std::size_t pos, std::uint32_t first4,
                     std::uint32_t link, std::uint32_t near3, std::uint32_t lowestLink,
                     unsigned bestLen, unsigned limit, unsigned niceLength,
                     unsigned maxChain) const;
    // Walks the chain from link for a match longer than bestLen, which is at least 3 or there
    // is no near3 candidate left to try.
    Match WalkChain(const std::uint8_t* buf, std::size_t pos, std::uint32_t link,
                    std::uint32_t lowestLink, unsigned bestLen, Match best, unsigned limit,
                    unsigned niceLength, unsigned maxChain) const;

    unsigned m_windowMask;
    unsigned m_maxDistance;
    unsigned m_hashShift;  // both tables have 1 << (32 - m_hashShift) buckets
    std::size_t m_tableSize;
    // position + 1 of the newest entry per 4-byte hash, 0 = none
    std::unique_ptr<std::uint32_t[]> m_head;
    std::unique_ptr<std::uint32_t[]> m_prev;  // position + 1 of the older entry with the same hash
    std::unique_ptr<std::uint32_t[]> m_head3;  // position + 1 of the newest entry per 3-byte hash
    std::size_t m_next = 0;
};

[[gnu::always_inline]] inline Match MatchFinder::SearchInside(const std::uint8_t* buf,
                                                              std::size_t pos, unsigned longerThan,
                                                              unsigned niceLength,
                                                              unsigned maxChain)
{
    using namespace match_detail;
    m_next = pos + 1;
    const std::uint8_t* here = buf + pos;
    const std::uint32_t first4 = Load32(here);
    std::uint32_t link, near3;
    Insert(pos, first4, link, near3);
    // The next call most likely asks about the next position: start loading its table slots.
    const std::uint32_t next4 = Load32(here + 1);
    __builtin_prefetch(&m_head[Hash4Of(next4, m_hashShift)]);
    __builtin_prefetch(&m_head3[Hash3Of(next4, m_hashShift)]);

    const unsigned bestLen = std::max(longerThan, kMinMatch - 1);
    const std::uint32_t lowestLink =
        pos > m_maxDistance ? static_cast<std::uint32_t>(pos - m_maxDistance) : 0;
    return SearchFrom(buf, pos, first4, link, near3, lowestLink, bestLen, kMaxMatch, niceLength,
                      maxChain);
}

[[gnu::always_inline]] inline Match
MatchFinder::SearchFrom(const std::uint8_t* buf, std::size_t pos, std::uint32_t first4,
                        std::uint32_t link, std::uint32_t near3, std::uint32_t lowestLink,
                        unsigned bestLen, unsigned limit, unsigned niceLength,
                        unsigned maxChain) const
{
    using namespace match_detail;
    Match best;
    if (bestLen < kMinMatch && near3 > lowestLink &&
        ((Load32(buf + near3 - 1) ^ first4) & 0xFFFFFF) == 0) {
        bestLen = CommonLength(buf + near3 - 1, buf + pos, limit);
        best.length = bestLen;
        best.distance = static_cast<unsigned>(pos - (near3 - 1));
        if (bestLen >= niceLength)
            return best;
    }
    if (limit < 4 || link <= lowestLink || bestLen >= limit)
        return best;
    return WalkChain(buf, pos, link, lowestLink, bestLen, best, limit, niceLength, maxChain);
}

}  // namespace lzh
