#include "lzh_match_bt.h"

#include <algorithm>

#include "lzh_match_util.h"

namespace lzh {

using namespace match_detail;

TreeMatchFinder::TreeMatchFinder(unsigned windowSize, std::size_t dataSize)
    : m_windowMask(windowSize - 1), m_maxDistance(windowSize - 1)
{
    const unsigned bits = HashBits(windowSize, dataSize);
    m_hashShift = 32 - bits;
    m_root.assign(std::size_t{1} << bits, 0);
    m_head3.assign(std::size_t{1} << bits, 0);
    // Left uninitialised: a position's links are written when it is inserted, before anything
    // can lead to it, so a small file touches only the pages its positions use.
    m_child.reset(new std::uint32_t[std::size_t{2} * windowSize]);
}

template<bool kRecord>
std::size_t TreeMatchFinder::Advance(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                                     unsigned niceLength, unsigned maxDepth, Match* found)
{
    std::size_t count = 0;
    m_next = pos + 1;
    if (avail < kMinMatch)
        return count;
    const std::uint8_t* here = buf + pos;
    const unsigned maxLen = static_cast<unsigned>(std::min<std::size_t>(avail, kMaxMatch));
    niceLength = std::min(niceLength, maxLen);
    m_ordered = std::min(m_ordered, niceLength);
    const std::size_t lowest = pos > m_maxDistance ? pos - m_maxDistance : 0;
    const auto self = static_cast<std::uint32_t>(pos + 1);

    unsigned bestLen = kMinMatch - 1;
    const std::uint32_t h3 = Hash3(here, m_hashShift);
    const std::uint32_t near3 = m_head3[h3];
    m_head3[h3] = self;
    if (kRecord && near3 != 0 && near3 - 1 >= lowest &&
        (Load32(buf + near3 - 1) & 0xFFFFFF) == (Load32(here) & 0xFFFFFF)) {
        bestLen = CommonLength(buf + near3 - 1, here, maxLen);
        found[count++] = {bestLen, static_cast<unsigned>(pos - (near3 - 1))};
    }

    // The next searches will want their table entries: fetch them while this one walks.
    __builtin_prefetch(&m_root[Hash4(here + 2, m_hashShift)]);
    __builtin_prefetch(&m_head3[Hash3(here + 2, m_hashShift)]);

    const std::uint32_t h = Hash4(here, m_hashShift);
    std::uint32_t node = m_root[h];
    m_root[h] = self;
    // Where the next node found to sort below (resp. above) the current position gets linked.
    std::uint32_t* lessLink = &m_child[2 * (pos & m_windowMask)];
    std::uint32_t* greaterLink = lessLink + 1;
    // Common prefix lengths with the nearest nodes known to sort below and above: every node
    // further down shares at least the smaller of the two.
    unsigned lessLen = 0, greaterLen = 0, len = 0;
    for (unsigned depth = maxDepth; node != 0 && node - 1 >= lowest && depth > 0; --depth) {
        const std::size_t cand = node - 1;
        const std::uint8_t* there = buf + cand;
        std::uint32_t* links = &m_child[2 * (cand & m_windowMask)];
        if (there[len] == here[len]) {
            len += 1 + CommonLength(there + len + 1, here + len + 1, maxLen - len - 1);
            if (kRecord && len > bestLen) {
                bestLen = len;
                found[count++] = {len, static_cast<unsigned>(pos - cand)};
            }
            if (len >= niceLength) {
                // Equal as far as we look: the candidate's subtrees become ours and it drops out.
                *lessLink = links[0];
                *greaterLink = links[1];
                return count;
            }
        }
        if (there[len] < here[len]) {
            *lessLink = node;
            lessLink = &links[1];
            node = *lessLink;
            lessLen = len;
            len = std::min({len, greaterLen, m_ordered});
        } else {
            *greaterLink = node;
            greaterLink = &links[0];
            node = *greaterLink;
            greaterLen = len;
            len = std::min({len, lessLen, m_ordered});
        }
    }
    *lessLink = 0;
    *greaterLink = 0;
    return count;
}

std::size_t TreeMatchFinder::SearchAll(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                                       unsigned niceLength, unsigned maxDepth, Match* found)
{
    return Advance<true>(buf, pos, avail, niceLength, maxDepth, found);
}

void TreeMatchFinder::Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd,
                           unsigned niceLength, unsigned maxDepth)
{
    const std::size_t stop = std::min(to, dataEnd >= 2 ? dataEnd - 2 : 0);
    for (std::size_t p = m_next; p < stop; ++p)
        Advance<false>(buf, p, dataEnd - p, niceLength, maxDepth, nullptr);
    m_next = std::max(m_next, to);
}

void TreeMatchFinder::Rebase(std::size_t delta)
{
    RebasePositions(m_root.data(), m_root.size(), delta);
    // Every slot has been written by now: the buffer only slides once two windows are behind.
    RebasePositions(m_child.get(), std::size_t{2} * (m_windowMask + 1), delta);
    RebasePositions(m_head3.data(), m_head3.size(), delta);
    m_next -= delta;
}

}  // namespace lzh
