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
#include <bit>
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

// The finder's working state: the tables as plain pointers, its settings and the next position
// to enter. Trivially copyable, so a parse loop can hold a copy in registers: stores into the
// tables then cannot make the compiler reload every setting, as they would if the loop reached
// them through the finder (a uint32_t store may alias any unsigned member).
class HashChains {
public:
    // Finds the longest match at pos that is longer than `longerThan` (the caller's current best,
    // at least kMinMatch - 1), using at most maxChain chain steps and stopping at niceLength.
    // avail is the number of bytes from pos to the end of the data. The buffer must hold 8
    // readable bytes past the end of the data. Inserts pos afterwards; positions must be inserted
    // in order (Search or Skip), each exactly once.
    // kRoomy: the caller knows that avail >= kRoom and niceLength <= kMaxMatch.
    static constexpr std::size_t kRoom = kMaxMatch + 8;
    template<bool kRoomy = false>
    [[gnu::always_inline]] Match Search(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                                        unsigned longerThan, unsigned niceLength,
                                        unsigned maxChain);

    // Inserts the positions from the next uninserted one up to (not including) `to`.
    [[gnu::always_inline]] void Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd);

    // Restates the window size the finder was made for, so that where it is a constant the
    // compiler can use it as one.
    void FixWindow(unsigned windowSize)
    {
        windowMask = windowSize - 1;
        maxDistance = windowSize - 1;
    }

    // Starts loading the table slots a search at pos will read (the bytes at pos must be there).
    void Prefetch(const std::uint8_t* buf, std::size_t pos) const
    {
        const std::uint32_t first4 = match_detail::Load32(buf + pos);
        Touch(&head[match_detail::Hash4Of(first4, hashShift)]);
        Touch(&head3[match_detail::Hash3Of(first4, hashShift)]);
    }

private:
    friend class MatchFinder;

    static void Touch(const std::uint32_t* slot)
    {
#if defined(__x86_64__) || defined(__i386__)
        // An asm statement, because the compiler drops a __builtin_prefetch in the parse loop.
        asm volatile("prefetcht0 %0" : : "m"(*slot));
#else
        __builtin_prefetch(slot);
#endif
    }

    // Stored positions (+ 1) above this one lie inside the window that ends at pos.
    std::uint32_t LowestLink(std::size_t pos) const
    {
        return pos > maxDistance ? static_cast<std::uint32_t>(pos - maxDistance) : 0;
    }
    // Enters pos into the tables; returns the newest earlier position with the same four
    // bytes' hash and the newest with the same three bytes' hash (position + 1, 0 = none).
    void Insert(std::size_t pos, std::uint32_t first4, std::uint32_t& link, std::uint32_t& near3)
    {
        const auto self = static_cast<std::uint32_t>(pos + 1);
        const std::uint32_t h3 = match_detail::Hash3Of(first4, hashShift);
        const std::uint32_t h4 = match_detail::Hash4Of(first4, hashShift);
        near3 = head3[h3];
        head3[h3] = self;
        link = head[h4];
        prev[pos & windowMask] = link;
        head[h4] = self;
    }
    // The search once pos is in the tables: the chain of 4-byte candidates, then, only when it
    // found nothing and the caller has no match yet, the nearest 3-byte match. (Were that one
    // four bytes long or more, it would have been the chain's first candidate.) Stored positions
    // are offset by one, so "link > lowestLink" means "inside the window" and also "not empty".
    Match SearchFrom(const std::uint8_t* buf, std::size_t pos, std::uint32_t first4,
                     std::uint32_t link, std::uint32_t near3, std::uint32_t lowestLink,
                     unsigned bestLen, unsigned limit, unsigned niceLength,
                     unsigned maxChain) const;
    // The search where the data ends within a longest match. Out of line and given a copy, so
    // that a loop's own copy need not leave the registers for it.
    static Match SearchNearEnd(HashChains chains, const std::uint8_t* buf, std::size_t pos,
                               std::size_t avail, unsigned longerThan, unsigned niceLength,
                               unsigned maxChain);

    std::uint32_t* head = nullptr;  // position + 1 of the newest entry per 4-byte hash, 0 = none
    std::uint32_t* prev = nullptr;  // position + 1 of the older entry with the same hash
    std::uint32_t* head3 = nullptr;  // position + 1 of the newest entry per 3-byte hash
    unsigned windowMask = 0;
    unsigned maxDistance = 0;
    unsigned hashShift = 0;  // both tables have 1 << (32 - hashShift) buckets
    std::size_t next = 0;
};

// Hash chains over a sliding window: owns the tables.
class MatchFinder {
public:
    // windowSize must be a power of two; matches reach at most windowSize - 1 bytes back.
    // dataSize: how many positions there will be, when the caller knows (sizes the tables).
    explicit MatchFinder(unsigned windowSize, std::size_t dataSize = SIZE_MAX);

    // As HashChains::Search and Skip.
    Match Search(const std::uint8_t* buf, std::size_t pos, std::size_t avail, unsigned longerThan,
                 unsigned niceLength, unsigned maxChain);
    void Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd);

    // A loop that searches at nearly every position works on a copy of the state, and hands it
    // back when done; nothing else may use the finder in between.
    HashChains Borrow() const { return m_chains; }
    void GiveBack(const HashChains& chains) { m_chains.next = chains.next; }

    // The buffer moved down by delta bytes (a multiple of the window size).
    void Rebase(std::size_t delta);

private:
    std::size_t m_tableSize;
    std::unique_ptr<std::uint32_t[]> m_head;
    std::unique_ptr<std::uint32_t[]> m_prev;
    std::unique_ptr<std::uint32_t[]> m_head3;
    HashChains m_chains;
};

template<bool kRoomy>
inline Match HashChains::Search(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                                unsigned longerThan, unsigned niceLength, unsigned maxChain)
{
    using namespace match_detail;
    // Away from the end of the data, where the longest match fits and no length needs a bound,
    // the search takes the short way.
    next = pos + 1;
    if constexpr (!kRoomy) {
        if (avail < kRoom || niceLength > kMaxMatch) [[unlikely]]
            return SearchNearEnd(*this, buf, pos, avail, longerThan, niceLength, maxChain);
    }
    const std::uint8_t* here = buf + pos;
    const std::uint32_t first4 = Load32(here);
    std::uint32_t link, near3;
    Insert(pos, first4, link, near3);
    // The next call most likely asks about the next position: start loading its table slots.
    Prefetch(buf, pos + 1);

    const unsigned bestLen = std::max(longerThan, kMinMatch - 1);
    return SearchFrom(buf, pos, first4, link, near3, LowestLink(pos), bestLen, kMaxMatch,
                      niceLength, maxChain);
}

[[gnu::always_inline]] inline Match
HashChains::SearchFrom(const std::uint8_t* buf, std::size_t pos, std::uint32_t first4,
                       std::uint32_t link, std::uint32_t near3, std::uint32_t lowestLink,
                       unsigned bestLen, unsigned limit, unsigned niceLength,
                       unsigned maxChain) const
{
    using namespace match_detail;
    Match best;
    const std::uint8_t* here = buf + pos;
    const bool wantsShort = bestLen < kMinMatch;
    auto shortMatch = [&] {
        if (wantsShort && near3 > lowestLink &&
            ((Load32(buf + near3 - 1) ^ first4) & 0xFFFFFF) == 0) {
            best.length = CommonLength(buf + near3 - 1, here, limit);
            best.distance = static_cast<unsigned>(pos - (near3 - 1));
        }
        return best;
    };
    if (limit < 4 || bestLen >= limit)
        return shortMatch();
    // Walks from the newest candidate back; each step is one dependent load. A longer match
    // must agree on the four bytes ending just past the best length: testing them first rejects
    // nearly every candidate that cannot win with one compare.
    unsigned tail = bestLen >= 3 ? bestLen - 3 : 0;
    std::uint32_t hereTail = Load32(here + tail);
    while (link > lowestLink && maxChain-- > 0) {
        const std::uint8_t* there = buf + link - 1;
        const std::uint32_t older = prev[(link - 1) & windowMask];
        if (Load32(there + tail) == hereTail && Load32(there) == first4) {
            const unsigned len = CommonLength(there, here, limit);
            if (len > bestLen) {
                bestLen = len;
                best.length = len;
                best.distance = static_cast<unsigned>(pos - (link - 1));
                if (len >= niceLength)
                    break;
                tail = bestLen - 3;
                hereTail = Load32(here + tail);
            }
        }
        link = older;
    }
    return best.length != 0 ? best : shortMatch();
}

inline void HashChains::Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd)
{
    using namespace match_detail;
    // The last two bytes of the data cannot start a match.
    const std::size_t stop = std::min(to, dataEnd >= 2 ? dataEnd - 2 : 0);
    auto enter = [&](std::size_t p, std::uint32_t first4) {
        const std::uint32_t h = Hash4Of(first4, hashShift);
        prev[p & windowMask] = head[h];
        head[h] = static_cast<std::uint32_t>(p + 1);
        head3[Hash3Of(first4, hashShift)] = static_cast<std::uint32_t>(p + 1);
    };
    // Two positions per step, their bytes from one load.
    std::size_t p = next;
    for (; std::endian::native == std::endian::little && p + 1 < stop; p += 2) {
        const std::uint64_t bytes = Load64(buf + p);
        enter(p, static_cast<std::uint32_t>(bytes));
        enter(p + 1, static_cast<std::uint32_t>(bytes >> 8));
    }
    for (; p < stop; ++p)
        enter(p, Load32(buf + p));
    next = std::max(next, to);
}

}  // namespace lzh
