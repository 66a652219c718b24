#include "lzh_enc_optimal.h"

#include <algorithm>

#include "lzh_huff.h"

namespace lzh {

namespace {

// The longest block parsed at once: it must stay under the 65535-symbol limit even when every
// symbol is a literal.
constexpr std::size_t kMaxBlockBytes = 65000;
// Matches kept per block, to keep memory small on inputs where every position has many (2 MB).
constexpr std::size_t kMaxMatchesPerBlock = std::size_t{1} << 18;

// Prices for symbols the previous codes did not have: rare, so fairly expensive.
constexpr std::uint32_t kUnusedLiteral = 13;
constexpr std::uint32_t kUnusedLength = 14;
constexpr std::uint32_t kUnusedPosition = 9;

}  // namespace

OptimalParser::OptimalParser(unsigned windowSize, unsigned np, unsigned passes)
    : m_finder(windowSize), m_np(np), m_passes(std::max(passes, 1u))
{
    SetDefaultCosts();
}

void OptimalParser::SetDefaultCosts()
{
    // Rough prices for the very first block: literals a byte, lengths a little less, positions
    // their extra bits plus a short code.
    m_costs.literal.fill(8);
    for (unsigned l = 0; l <= kMaxMatch; ++l)
        m_costs.length[l] = l < 10 ? 6 : 9;
    for (unsigned p = 0; p < kMaxPositionSymbols; ++p)
        m_costs.position[p] = 3 + (p > 1 ? p - 1 : 0);
}

std::size_t OptimalParser::Gather(const std::uint8_t* buf, std::size_t pos, std::size_t stop,
                                  std::size_t dataEnd, unsigned niceLength, unsigned maxDepth)
{
    m_matches.clear();
    m_first.clear();
    m_splitter.Reset();
    const std::size_t start = pos;
    const std::size_t limit = std::min(stop, start + kMaxBlockBytes);
    std::size_t observedTo = pos;  // the splitter sees a greedy parse of the block
    while (pos < limit) {
        if (m_splitter.readyToCheck() && m_splitter.ShouldEnd(pos - start))
            break;
        if (m_matches.size() + kMaxMatch > kMaxMatchesPerBlock)
            break;
        m_first.push_back(static_cast<std::uint32_t>(m_matches.size()));
        const Match best =
            m_finder.SearchAll(buf, pos, dataEnd - pos, niceLength, maxDepth, m_matches);
        if (pos >= observedTo) {
            if (best.length != 0) {
                m_splitter.Match(best.length);
                observedTo = pos + best.length;
            } else {
                m_splitter.Literal(buf[pos]);
            }
        }
        if (best.length >= niceLength) {
            const std::size_t to = std::min(pos + best.length, limit);
            for (std::size_t k = pos + 1; k < to; ++k)
                m_first.push_back(static_cast<std::uint32_t>(m_matches.size()));
            m_finder.Skip(buf, to, dataEnd, niceLength, maxDepth);
            pos = to;
            continue;
        }
        ++pos;
    }
    m_first.push_back(static_cast<std::uint32_t>(m_matches.size()));
    return pos;
}

void OptimalParser::ShortestPath(const std::uint8_t* data, std::size_t n)
{
    m_cost[n] = 0;
    for (std::size_t i = n; i-- > 0;) {
        std::uint32_t best = m_costs.literal[data[i]] + m_cost[i + 1];
        unsigned bestLen = 1, bestDist = 0;
        const unsigned room = static_cast<unsigned>(std::min<std::size_t>(n - i, kMaxMatch));
        unsigned len = kMinMatch;
        for (std::uint32_t k = m_first[i]; k < m_first[i + 1] && len <= room; ++k) {
            const Match& m = m_matches[k];
            const std::uint32_t positionCost = m_costs.position[PositionSymbol(m.distance)];
            const unsigned top = std::min(m.length, room);
            // Without branches: which length wins is close to random, so a branch would mispredict.
            const std::uint32_t* lengthCost = m_costs.length.data();
            const std::uint32_t* after = m_cost.data() + i;
            unsigned winner = 0;
            for (; len <= top; ++len) {
                const std::uint32_t c = lengthCost[len] + positionCost + after[len];
                const bool better = c < best;
                best = better ? c : best;
                winner = better ? len : winner;
            }
            if (winner != 0) {
                bestLen = winner;
                bestDist = m.distance;
            }
        }
        m_cost[i] = best;
        m_len[i] = static_cast<std::uint16_t>(bestLen);
        m_dist[i] = static_cast<std::uint16_t>(bestDist);
    }
}

void OptimalParser::PriceFromPath(const std::uint8_t* data, std::size_t n)
{
    std::array<std::uint32_t, kNumC> cFreq{};
    std::array<std::uint32_t, kMaxPositionSymbols> pFreq{};
    for (std::size_t i = 0; i < n; i += m_len[i]) {
        if (m_len[i] == 1) {
            ++cFreq[data[i]];
        } else {
            ++cFreq[m_len[i] + 253u];
            ++pFreq[PositionSymbol(m_dist[i])];
        }
    }
    std::array<std::uint8_t, kNumC> cLen;
    std::array<std::uint8_t, kMaxPositionSymbols> pLen{};
    BuildCodeLengths(cFreq.data(), kNumC, kMaxCodeLength, cLen.data());
    BuildCodeLengths(pFreq.data(), m_np, kMaxCodeLength, pLen.data());
    for (unsigned c = 0; c < 256; ++c)
        m_costs.literal[c] = cLen[c] ? cLen[c] : kUnusedLiteral;
    for (unsigned l = kMinMatch; l <= kMaxMatch; ++l) {
        m_costs.length[l] = cLen[l + 253] ? cLen[l + 253] : kUnusedLength;
    }
    for (unsigned p = 0; p < m_np; ++p) {
        m_costs.position[p] = (pLen[p] ? pLen[p] : kUnusedPosition) + (p > 1 ? p - 1 : 0);
    }
}

std::size_t OptimalParser::ParseBlock(const std::uint8_t* buf, std::size_t pos, std::size_t stop,
                                      std::size_t dataEnd, unsigned niceLength, unsigned maxDepth,
                                      BlockEncoder& block)
{
    const std::size_t end = Gather(buf, pos, stop, dataEnd, niceLength, maxDepth);
    const std::size_t n = end - pos;
    const std::uint8_t* data = buf + pos;
    // Grown to the largest block seen, so a small file pays only for what it uses.
    if (m_cost.size() < n + 1) {
        m_cost.resize(n + 1);
        m_len.resize(n + 1);
        m_dist.resize(n + 1);
    }
    for (unsigned pass = 0; pass < m_passes; ++pass) {
        ShortestPath(data, n);
        // Reprice with this pass's codes: for the next pass, or for the next block.
        PriceFromPath(data, n);
    }
    for (std::size_t i = 0; i < n; i += m_len[i]) {
        if (m_len[i] == 1) {
            block.AddLiteral(data[i]);
        } else {
            block.AddMatch(m_len[i], m_dist[i]);
        }
    }
    return end;
}

}  // namespace lzh
