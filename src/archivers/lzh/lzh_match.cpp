#include "lzh_match.h"

#include <algorithm>

#include "lzh_match_util.h"

namespace lzh {

using namespace match_detail;

MatchFinder::MatchFinder(unsigned windowSize, std::size_t dataSize)
    : m_windowMask(windowSize - 1), m_maxDistance(windowSize - 1)
{
    const unsigned bits = HashBits(windowSize, dataSize);
    m_hashShift = 32 - bits;
    m_tableSize = std::size_t{1} << bits;
    m_head.reset(new std::uint32_t[m_tableSize]());
    m_head3.reset(new std::uint32_t[m_tableSize]());
    m_prev.reset(new std::uint32_t[windowSize]());
}

Match MatchFinder::SearchNearEnd(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                                 unsigned longerThan, unsigned niceLength, unsigned maxChain)
{
    Match best;
    m_next = pos + 1;
    if (avail < kMinMatch)
        return best;
    const std::uint32_t first4 = Load32(buf + pos);
    std::uint32_t link, near3;
    Insert(pos, first4, link, near3);

    const unsigned limit = avail < kMaxMatch ? static_cast<unsigned>(avail) : kMaxMatch;
    niceLength = std::min(niceLength, limit);
    unsigned bestLen = std::max(longerThan, kMinMatch - 1);
    if (bestLen >= limit)
        return best;
    const std::uint32_t lowestLink =
        pos > m_maxDistance ? static_cast<std::uint32_t>(pos - m_maxDistance) : 0;
    return SearchFrom(buf, pos, first4, link, near3, lowestLink, bestLen, limit, niceLength,
                      maxChain);
}

Match MatchFinder::WalkChain(const std::uint8_t* buf, std::size_t pos, std::uint32_t link,
                             std::uint32_t lowestLink, unsigned bestLen, Match best, unsigned limit,
                             unsigned niceLength, unsigned maxChain) const
{
    // Walks from the newest candidate back; each step is one dependent load. A longer match
    // must agree on the four bytes ending just past the best length: testing them first rejects
    // nearly every candidate that cannot win with one compare.
    const std::uint32_t* const prev = m_prev.get();
    const unsigned mask = m_windowMask;
    const std::uint8_t* here = buf + pos;
    const std::uint32_t first4 = Load32(here);
    unsigned tail = bestLen >= 3 ? bestLen - 3 : 0;
    std::uint32_t hereTail = Load32(here + tail);
    while (link > lowestLink && maxChain-- > 0) {
        const std::uint8_t* there = buf + link - 1;
        const std::uint32_t older = prev[(link - 1) & mask];
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
    return best;
}

void MatchFinder::Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd)
{
    // The last two bytes of the data cannot start a match.
    const std::size_t stop = std::min(to, dataEnd >= 2 ? dataEnd - 2 : 0);
    std::uint32_t* const head = m_head.get();
    std::uint32_t* const head3 = m_head3.get();
    std::uint32_t* const prev = m_prev.get();
    const unsigned shift = m_hashShift, mask = m_windowMask;
    for (std::size_t p = m_next; p < stop; ++p) {
        const std::uint32_t h = Hash4(buf + p, shift);
        prev[p & mask] = head[h];
        head[h] = static_cast<std::uint32_t>(p + 1);
        head3[Hash3(buf + p, shift)] = static_cast<std::uint32_t>(p + 1);
    }
    m_next = std::max(m_next, to);
}

void MatchFinder::Rebase(std::size_t delta)
{
    RebasePositions(m_head.get(), m_tableSize, delta);
    RebasePositions(m_prev.get(), std::size_t{m_windowMask} + 1, delta);
    RebasePositions(m_head3.get(), m_tableSize, delta);
    m_next -= delta;
}

}  // namespace lzh
