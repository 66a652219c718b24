#include "lzh_match.h"

#include <algorithm>

#include "lzh_match_util.h"

namespace lzh {

using namespace match_detail;

MatchFinder::MatchFinder(unsigned windowSize)
    : m_windowMask(windowSize - 1), m_maxDistance(windowSize - 1) {
  const unsigned bits4 = Hash4Bits(windowSize);
  const unsigned bits3 = Hash3Bits(windowSize);
  m_hashShift = 32 - bits4;
  m_hash3Shift = 32 - bits3;
  m_head.assign(std::size_t{1} << bits4, 0);
  m_head3.assign(std::size_t{1} << bits3, 0);
  m_prev.assign(windowSize, 0);
}

void MatchFinder::Insert(const std::uint8_t* buf, std::size_t pos) {
  const std::uint32_t h = Hash4(buf + pos, m_hashShift);
  m_prev[pos & m_windowMask] = m_head[h];
  m_head[h] = static_cast<std::uint32_t>(pos + 1);
  m_head3[Hash3(buf + pos, m_hash3Shift)] = static_cast<std::uint32_t>(pos + 1);
}

Match MatchFinder::Search(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                          unsigned longerThan, unsigned niceLength, unsigned maxChain) {
  Match best;
  m_next = pos + 1;
  if (avail < kMinMatch) return best;
  const std::uint8_t* here = buf + pos;
  const std::uint32_t h3 = Hash3(here, m_hash3Shift);
  const std::uint32_t near3 = m_head3[h3];
  m_head3[h3] = static_cast<std::uint32_t>(pos + 1);
  const std::uint32_t h = Hash4(here, m_hashShift);
  std::uint32_t link = m_head[h];
  m_prev[pos & m_windowMask] = link;
  m_head[h] = static_cast<std::uint32_t>(pos + 1);

  const unsigned limit = static_cast<unsigned>(std::min<std::size_t>(avail, kMaxMatch));
  niceLength = std::min(niceLength, limit);
  unsigned bestLen = std::max(longerThan, kMinMatch - 1);
  if (bestLen >= limit) return best;
  const std::size_t lowest = pos > m_maxDistance ? pos - m_maxDistance : 0;

  if (bestLen < kMinMatch && near3 != 0 && near3 - 1 >= lowest &&
      (Load32(buf + near3 - 1) & 0xFFFFFF) == (Load32(here) & 0xFFFFFF)) {
    bestLen = CommonLength(buf + near3 - 1, here, limit);
    best.length = bestLen;
    best.distance = static_cast<unsigned>(pos - (near3 - 1));
    if (bestLen >= niceLength) return best;
  }
  if (limit < 4) return best;

  const std::uint32_t first4 = Load32(here);
  while (link != 0 && maxChain-- > 0) {
    const std::size_t cand = link - 1;
    if (cand < lowest) break;
    const std::uint8_t* there = buf + cand;
    link = m_prev[cand & m_windowMask];
    if (there[bestLen] != here[bestLen] || Load32(there) != first4) continue;
    const unsigned len = CommonLength(there, here, limit);
    if (len > bestLen) {
      bestLen = len;
      best.length = len;
      best.distance = static_cast<unsigned>(pos - cand);
        if (len >= niceLength) break;
    }
  }
  return best;
}

void MatchFinder::Skip(const std::uint8_t* buf, std::size_t to, std::size_t dataEnd) {
  // The last two bytes of the data cannot start a match.
  const std::size_t stop = std::min(to, dataEnd >= 2 ? dataEnd - 2 : 0);
  for (std::size_t p = m_next; p < stop; ++p) Insert(buf, p);
  m_next = std::max(m_next, to);
}

void MatchFinder::Rebase(std::size_t delta) {
  const auto shift = [delta](std::uint32_t& v) { v = v > delta ? v - static_cast<std::uint32_t>(delta) : 0; };
  for (auto& v : m_head) shift(v);
  for (auto& v : m_prev) shift(v);
  for (auto& v : m_head3) shift(v);
  m_next -= delta;
}

}  // namespace lzh
