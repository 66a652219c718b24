#include "lzh_match.h"

#include <algorithm>

#include "lzh_match_util.h"

namespace lzh {

using namespace match_detail;

MatchFinder::MatchFinder(unsigned windowSize, std::size_t dataSize)
{
    const unsigned bits = HashBits(windowSize, dataSize);
    m_tableSize = std::size_t{1} << bits;
    m_head.reset(new std::uint32_t[m_tableSize]());
    m_head3.reset(new std::uint32_t[m_tableSize]());
    // The link table is left uninitialised: most files are small, and clearing it would cost
    // more than packing one. A slot is read only for a position inside the window, which was
    // entered (and wrote its slot) before; by the first Rebase every slot has been written, the
    // buffer holding two windows of entered positions by then.
    m_prev.reset(new std::uint32_t[windowSize]);
    m_chains.head = m_head.get();
    m_chains.head3 = m_head3.get();
    m_chains.prev = m_prev.get();
    m_chains.windowMask = windowSize - 1;
    m_chains.maxDistance = windowSize - 1;
    m_chains.hashShift = 32 - bits;
}

Match MatchFinder::Search(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                          unsigned longerThan, unsigned niceLength, unsigned maxChain)
{
    return m_chains.Search(buf, pos, avail, longerThan, niceLength, maxChain);
}

void MatchFinder::Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd)
{
    m_chains.Skip(buf, to, dataEnd);
}

Match HashChains::SearchNearEnd(HashChains chains, const std::uint8_t* buf, std::size_t pos,
                                std::size_t avail, unsigned longerThan, unsigned niceLength,
                                unsigned maxChain)
{
    Match best;
    if (avail < kMinMatch)
        return best;
    const std::uint32_t first4 = Load32(buf + pos);
    std::uint32_t link, near3;
    chains.Insert(pos, first4, link, near3);

    const unsigned limit = avail < kMaxMatch ? static_cast<unsigned>(avail) : kMaxMatch;
    niceLength = std::min(niceLength, limit);
    unsigned bestLen = std::max(longerThan, kMinMatch - 1);
    if (bestLen >= limit)
        return best;
    return chains.SearchFrom(buf, pos, first4, link, near3, chains.LowestLink(pos), bestLen, limit,
                             niceLength, maxChain);
}

void MatchFinder::Rebase(std::size_t delta)
{
    RebasePositions(m_head.get(), m_tableSize, delta);
    RebasePositions(m_prev.get(), std::size_t{m_chains.windowMask} + 1, delta);
    RebasePositions(m_head3.get(), m_tableSize, delta);
    m_chains.next -= delta;
}

}  // namespace lzh
