#include "lzh_match.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace lzh {

namespace {

std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Length of the common prefix of a and b, at most limit. Reads whole words, so both may be
// read up to 7 bytes past limit.
unsigned CommonLength(const std::uint8_t* a, const std::uint8_t* b, unsigned limit) {
  unsigned len = 0;
  while (len < limit) {
    const std::uint64_t diff = Load64(a + len) ^ Load64(b + len);
    if (diff != 0) {
      if constexpr (std::endian::native == std::endian::little) {
        len += static_cast<unsigned>(__builtin_ctzll(diff)) >> 3;
      } else {
        len += static_cast<unsigned>(__builtin_clzll(diff)) >> 3;
      }
      return std::min(len, limit);
    }
    len += 8;
  }
  return limit;
}

}  // namespace

std::uint32_t Hash4(const std::uint8_t* p, unsigned shift) { return (Load32(p) * 0x1E35A7BDu) >> shift; }
std::uint32_t Hash3(const std::uint8_t* p, unsigned shift) {
  return ((Load32(p) & 0xFFFFFF) * 0x9E3779B1u) >> shift;
}

MatchFinder::MatchFinder(unsigned windowSize)
    : m_windowMask(windowSize - 1), m_maxDistance(windowSize - 1) {
  // About one bucket per window position keeps chains short without wasting memory.
  unsigned bits = 0;
  while ((1u << bits) < windowSize) ++bits;
  const unsigned bits4 = std::clamp(bits + 1, 14u, 16u);
  const unsigned bits3 = std::clamp(bits, 12u, 15u);
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

template <class OnLonger>
Match MatchFinder::Walk(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                        unsigned longerThan, unsigned niceLength, unsigned maxChain,
                        OnLonger onLonger) {
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
    onLonger(best);
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
      onLonger(best);
      if (len >= niceLength) break;
    }
  }
  return best;
}

Match MatchFinder::Search(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                          unsigned longerThan, unsigned niceLength, unsigned maxChain) {
  return Walk(buf, pos, avail, longerThan, niceLength, maxChain, [](const Match&) {});
}

Match MatchFinder::SearchAll(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                             unsigned niceLength, unsigned maxChain, std::vector<Match>& found) {
  return Walk(buf, pos, avail, kMinMatch - 1, niceLength, maxChain,
              [&found](const Match& m) { found.push_back(m); });
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
