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

MatchFinder::MatchFinder(unsigned windowSize)
    : m_windowMask(windowSize - 1), m_maxDistance(windowSize - 1) {
  // One hash bucket per window position keeps chains short without wasting memory.
  unsigned bits = 0;
  while ((1u << bits) < windowSize) ++bits;
  bits = std::clamp(bits, 13u, 16u);
  m_hashShift = 32 - bits;
  m_head.assign(std::size_t{1} << bits, 0);
  m_prev.assign(windowSize, 0);
}

void MatchFinder::Insert(const std::uint8_t* buf, std::size_t pos) {
  const std::uint32_t h = ((Load32(buf + pos) & 0xFFFFFF) * 0x9E3779B1u) >> m_hashShift;
  m_prev[pos & m_windowMask] = m_head[h];
  m_head[h] = static_cast<std::uint32_t>(pos + 1);
}

Match MatchFinder::Search(const std::uint8_t* buf, std::size_t pos, std::size_t avail,
                          unsigned longerThan, unsigned niceLength, unsigned maxChain) {
  Match best;
  m_next = pos + 1;
  if (avail < kMinMatch) return best;
  const std::uint32_t h = ((Load32(buf + pos) & 0xFFFFFF) * 0x9E3779B1u) >> m_hashShift;
  std::uint32_t link = m_head[h];
  m_prev[pos & m_windowMask] = link;
  m_head[h] = static_cast<std::uint32_t>(pos + 1);

  const unsigned limit = static_cast<unsigned>(std::min<std::size_t>(avail, kMaxMatch));
  niceLength = std::min(niceLength, limit);
  unsigned bestLen = std::max(longerThan, kMinMatch - 1);
  if (bestLen >= limit) return best;
  const std::size_t lowest = pos > m_maxDistance ? pos - m_maxDistance : 0;
  const std::uint8_t* here = buf + pos;
  const std::uint32_t first3 = Load32(here) & 0xFFFFFF;
  while (link != 0 && maxChain-- > 0) {
    const std::size_t cand = link - 1;
    if (cand < lowest) break;
    const std::uint8_t* there = buf + cand;
    link = m_prev[cand & m_windowMask];
    if (there[bestLen] != here[bestLen] || (Load32(there) & 0xFFFFFF) != first3) continue;
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
  // The last two bytes of the data cannot start a match; hashing them would read past it.
  const std::size_t stop = std::min(to, dataEnd >= 2 ? dataEnd - 2 : 0);
  for (std::size_t p = m_next; p < stop; ++p) Insert(buf, p);
  m_next = std::max(m_next, to);
}

void MatchFinder::Rebase(std::size_t delta) {
  const auto shift = [delta](std::uint32_t& v) { v = v > delta ? v - static_cast<std::uint32_t>(delta) : 0; };
  for (auto& v : m_head) shift(v);
  for (auto& v : m_prev) shift(v);
  m_next -= delta;
}

}  // namespace lzh
