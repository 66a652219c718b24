#include "lzh_enc_optimal.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "lzh_huff.h"

namespace lzh {

namespace {

// The longest stretch parsed at once: it must stay under the 65535-symbol limit of a block even
// when every symbol is a literal.
constexpr std::size_t kMaxBlockBytes = 65000;
static_assert(kMaxBlockBytes <= kMaxBlockSymbols, "a stretch's symbols must fit the block's buffer");
// Matches kept per stretch, to keep memory small on inputs where every position has many (2 MB).
constexpr std::size_t kMaxMatchesPerBlock = std::size_t{1} << 18;

// Prices for symbols the greedy parse did not use. A byte the greedy parse only met inside
// matches may well be worth a literal in the real parse: priced as if stored.
constexpr std::uint32_t kUnusedLiteral = 8;
constexpr std::uint32_t kUnusedLength = 11;
constexpr std::uint32_t kUnusedPosition = 9;

// The costs in the shortest-path search are keys: bits << kStepBits, plus the length of the
// step taken (1 for a literal) in the low bits. The smallest key then names the cheapest step
// and, among equally cheap ones, the shortest, so a plain minimum over a range of lengths does
// the whole choice and vectorises. A block's cost stays under 16 bits per byte, so its keys
// stay below 2^31 and compare correctly as signed numbers too.
static_assert((kMaxBlockBytes * kMaxCodeLength << OptimalParser::kStepBits) < (1u << 30));
static_assert(kMaxMatch <= OptimalParser::kStepMask);

using Vec = std::int32_t __attribute__((vector_size(16)));

Vec LoadVec(const std::uint32_t* p)
{
    Vec v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

OptimalParser::OptimalParser(unsigned windowSize, unsigned np, unsigned passes,
                             std::size_t dataSize)
    : m_finder(windowSize, dataSize), m_np(np), m_passes(std::max(passes, 1u))
{
}

std::size_t OptimalParser::Gather(const std::uint8_t* buf, std::size_t pos, std::size_t stop,
                                  std::size_t dataEnd, unsigned niceLength, unsigned maxDepth)
{
    m_first.clear();
    std::size_t used = 0;  // of m_matches, which only grows
    const std::size_t start = pos;
    const std::size_t limit = std::min(stop, start + kMaxBlockBytes);
    m_planner.Reset(limit - start);
    std::size_t observedTo = pos;  // the planner sees a greedy parse of the stretch
    while (pos < limit) {
        if (used + TreeMatchFinder::kMaxFound > kMaxMatchesPerBlock)
            break;
        if (m_matches.size() < used + TreeMatchFinder::kMaxFound)
            m_matches.resize(std::min(kMaxMatchesPerBlock, 2 * used + TreeMatchFinder::kMaxFound));
        m_first.push_back(static_cast<std::uint32_t>(used));
        const std::size_t found =
            m_finder.SearchAll(buf, pos, dataEnd - pos, niceLength, maxDepth, &m_matches[used]);
        used += found;
        const Match best = found != 0 ? m_matches[used - 1] : Match{};
        if (pos >= observedTo) {
            if (best.length != 0) {
                m_planner.Match(pos - start, best.length, best.distance);
                observedTo = pos + best.length;
            } else {
                m_planner.Literal(pos - start, buf[pos]);
            }
        }
        if (best.length >= niceLength) {
            const std::size_t to = std::min(pos + best.length, limit);
            m_first.insert(m_first.end(), to - pos - 1, static_cast<std::uint32_t>(used));
            m_finder.Skip(buf, to, dataEnd, niceLength, maxDepth);
            pos = to;
            continue;
        }
        ++pos;
    }
    m_first.push_back(static_cast<std::uint32_t>(used));
    return pos;
}

void OptimalParser::ShortestPath(const std::uint8_t* data, std::size_t from, std::size_t to)
{
    static_assert(sizeof(Vec) == kLanes * sizeof(std::uint32_t));
    const Vec lane{0, 1, 2, 3};
    const Vec none{INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX};
    const std::uint32_t* lengthKey = m_keys.length.data();
    m_cost[to] = 0;
    std::uint32_t next = 0;  // m_cost[i + 1], kept out of memory: it is needed at once
    for (std::size_t i = to; i-- > from;) {
        const std::uint32_t literal = m_keys.literal[data[i]] + next;
        const std::uint32_t first = m_first[i], last = m_first[i + 1];
        if (first == last) {
            next = literal & ~kStepMask;
            m_cost[i] = next;
            m_len[i] = 1;
            continue;
        }
        const std::uint32_t* after = m_cost.data() + i;
        const unsigned room = static_cast<unsigned>(std::min<std::size_t>(to - i, kMaxMatch));
        // Every length of every match, kLanes lengths at a time; each length is priced with the
        // nearest match that reaches it. Lanes past a match's last length are masked out.
        Vec best = none;
        unsigned len = kMinMatch;
        for (std::uint32_t k = first; k < last && len <= room; ++k) {
            const unsigned top = std::min(m_matches[k].length, room);
            const auto position =
                static_cast<std::int32_t>(m_keys.position[PositionSymbol(m_matches[k].distance)]);
            for (; len <= top; len += kLanes) {
                Vec v = LoadVec(lengthKey + len) + LoadVec(after + len) + position;
                v = lane > static_cast<std::int32_t>(top - len) ? none : v;
                best = v < best ? v : best;
            }
            len = top + 1;
        }
        Vec swapped = __builtin_shuffle(best, Vec{2, 3, 0, 1});
        best = swapped < best ? swapped : best;
        swapped = __builtin_shuffle(best, Vec{1, 0, 3, 2});
        best = swapped < best ? swapped : best;
        const std::uint32_t key = std::min(static_cast<std::uint32_t>(best[0]), literal);
        // The key names the length; the distance is that of the first match reaching it.
        const unsigned step = key & kStepMask;
        std::uint32_t k = first;
        while (step > 1 && m_matches[k].length < step)
            ++k;
        next = key & ~kStepMask;
        m_cost[i] = next;
        m_len[i] = static_cast<std::uint16_t>(step);
        m_dist[i] = static_cast<std::uint16_t>(step > 1 ? m_matches[k].distance : 0);
    }
}

void OptimalParser::PriceFromPath(const std::uint8_t* data, std::size_t from, std::size_t to)
{
    std::array<std::uint32_t, kNumC> cFreq{};
    std::array<std::uint32_t, kMaxPositionSymbols> pFreq{};
    for (std::size_t i = from; i < to; i += m_len[i]) {
        if (m_len[i] == 1) {
            ++cFreq[data[i]];
        } else {
            ++cFreq[m_len[i] + 253u];
            ++pFreq[PositionSymbol(m_dist[i])];
        }
    }
    PriceFromCounts(cFreq.data(), pFreq.data());
}

void OptimalParser::PriceFromCounts(const std::uint32_t* cFreq, const std::uint32_t* pFreq)
{
    std::array<std::uint8_t, kNumC> cLen;
    std::array<std::uint8_t, kMaxPositionSymbols> pLen{};
    BuildCodeLengths(cFreq, kNumC, kMaxCodeLength, cLen.data());
    BuildCodeLengths(pFreq, m_np, kMaxCodeLength, pLen.data());
    for (unsigned c = 0; c < 256; ++c)
        m_keys.literal[c] = ((cLen[c] ? cLen[c] : kUnusedLiteral) << kStepBits) | 1u;
    m_keys.length.fill(0);
    for (unsigned l = kMinMatch; l <= kMaxMatch; ++l) {
        const unsigned bits = cLen[l + 253] ? cLen[l + 253] : kUnusedLength;
        m_keys.length[l] = (bits << kStepBits) | l;
    }
    m_keys.position.fill(0);
    for (unsigned p = 0; p < m_np; ++p) {
        const unsigned bits = (pLen[p] ? pLen[p] : kUnusedPosition) + (p > 1 ? p - 1 : 0);
        m_keys.position[p] = bits << kStepBits;
    }
}

std::size_t OptimalParser::ParseBlock(const std::uint8_t* buf, std::size_t pos, std::size_t stop,
                                      std::size_t dataEnd, unsigned niceLength, unsigned maxDepth,
                                      BlockEncoder& block, BitWriter& out)
{
    const std::size_t end = Gather(buf, pos, stop, dataEnd, niceLength, maxDepth);
    const std::size_t n = end - pos;
    const std::uint8_t* data = buf + pos;
    // Grown to the longest stretch seen, so a small file pays only for what it uses.
    if (m_cost.size() < n + kLanes) {
        m_cost.resize(n + kLanes);
        m_len.resize(n + 1);
        m_dist.resize(n + 1);
    }
    m_planner.Plan(n, m_cuts);
    std::size_t from = 0;
    for (const std::size_t to : m_cuts) {
        // First prices: the greedy parse of this block, plus the real parse of the one before,
        // whose lengths are closer to what the shortest path will choose.
        std::array<std::uint32_t, kNumC> cFreq = m_lastC;
        std::array<std::uint32_t, kMaxPositionSymbols> pFreq = m_lastP;
        m_planner.AddCounts(from, to, cFreq.data(), pFreq.data());
        PriceFromCounts(cFreq.data(), pFreq.data());
        for (unsigned pass = 0; pass < m_passes; ++pass) {
            if (pass > 0)
                PriceFromPath(data, from, to);
            ShortestPath(data, from, to);
        }
        m_lastC.fill(0);
        m_lastP.fill(0);
        for (std::size_t i = from; i < to; i += m_len[i]) {
            if (m_len[i] == 1) {
                block.AddLiteral(data[i]);
                ++m_lastC[data[i]];
            } else {
                block.AddMatch(m_len[i], m_dist[i]);
                ++m_lastC[m_len[i] + 253u];
                ++m_lastP[PositionSymbol(m_dist[i])];
            }
        }
        // The counts just made are the block's: the writer need not count them again.
        block.Write(out, 0, block.size(), m_lastC.data(), m_lastP.data());
        block.Drop(block.size());
        from = to;
    }
    return end;
}

}  // namespace lzh
