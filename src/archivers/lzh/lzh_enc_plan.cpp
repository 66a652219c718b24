#include "lzh_enc_plan.h"

#include "lzh_enc_entropy.h"
#include "lzh_huff.h"

#include <algorithm>
#include <cmath>

namespace lzh {

namespace {

// The estimated cost of one block's tables, in bits: about a hundred bytes.
constexpr double kBlockHeaderBits = 800;

// f * log2(f); from the table for the small counts that most symbols have, exactly otherwise.
double FLog(const float* table, std::uint32_t f)
{
    return f < 4096 ? table[f] : f * std::log2(static_cast<double>(f));
}

}  // namespace

void BlockPlanner::Reset(std::size_t maxBytes)
{
    const std::size_t pieces = (maxBytes + kPieceBytes - 1) / kPieceBytes;
    m_pieces.resize(std::max<std::size_t>(pieces, 1));
    for (Piece& piece : m_pieces) {
        piece.c.fill(0);
        piece.p.fill(0);
    }
}

void BlockPlanner::Plan(std::size_t n, std::vector<std::size_t>& cuts)
{
    cuts.clear();
    const auto pieces = static_cast<unsigned>((n + kPieceBytes - 1) / kPieceBytes);
    if (pieces <= 1) {
        cuts.push_back(n);
        return;
    }
    // The symbols present in each piece with their counts, so sums over runs of pieces touch
    // only those.
    const std::size_t most = std::size_t{pieces} * (kNumC + kMaxPositionSymbols);
    if (m_used.size() < most)
        m_used.resize(most);
    m_usedEnd.assign(pieces, 0);
    std::vector<std::uint32_t> totalC(pieces), totalP(pieces);
    Used* used = m_used.data();
    for (unsigned k = 0; k < pieces; ++k) {
        const Piece& piece = m_pieces[k];
        // Each count is stored, and kept if it is not zero.
        std::uint32_t c = 0, p = 0;
        ForCountsInUse(piece.c.data(), kNumC, [&](unsigned s) {
            *used = {static_cast<std::uint16_t>(s), piece.c[s]};
            used += piece.c[s] != 0;
            c += piece.c[s];
        });
        ForCountsInUse(piece.p.data(), kMaxPositionSymbols, [&](unsigned s) {
            *used = {static_cast<std::uint16_t>(kNumC + s), piece.p[s]};
            used += piece.p[s] != 0;
            p += piece.p[s];
        });
        totalC[k] = c;
        totalP[k] = p;
        m_usedEnd[k] = static_cast<std::uint32_t>(used - m_used.data());
    }
    // best[j]: the cheapest split of the first j pieces; from[j]: where its last block starts.
    const float* const table = FLogTable();
    m_best.assign(pieces + 1, 0.0);
    m_from.assign(pieces + 1, 0);
    for (unsigned j = 1; j <= pieces; ++j) {
        // Grow the last block backwards one piece at a time, keeping sum f log2 f current; each
        // symbol's own f log2 f is kept too, so only its new one is looked up.
        m_sum.fill(0);
        m_fLog.fill(0.0);
        double fLogF = 0.0;
        std::uint64_t symbols = 0, matches = 0;
        double best = 0.0;
        for (unsigned i = j; i-- > 0;) {
            const Used* const end = m_used.data() + m_usedEnd[i];
            for (const Used* u = m_used.data() + (i == 0 ? 0 : m_usedEnd[i - 1]); u < end; ++u) {
                const std::uint32_t sum = m_sum[u->symbol] + u->count;
                const double fLog = FLog(table, sum);
                fLogF += fLog - m_fLog[u->symbol];
                m_fLog[u->symbol] = fLog;
                m_sum[u->symbol] = sum;
            }
            symbols += totalC[i];
            matches += totalP[i];
            const double bits = FLog(table, static_cast<std::uint32_t>(symbols)) +
                                FLog(table, static_cast<std::uint32_t>(matches)) - fLogF;
            const double cost = m_best[i] + kBlockHeaderBits + bits;
            if (i == j - 1 || cost < best) {
                best = cost;
                m_from[j] = i;
            }
        }
        m_best[j] = best;
    }
    for (unsigned j = pieces; j > 0; j = m_from[j])
        cuts.push_back(std::min(n, std::size_t{j} * kPieceBytes));
    std::reverse(cuts.begin(), cuts.end());
}

void BlockPlanner::AddCounts(std::size_t from, std::size_t to, std::uint32_t* cFreq,
                             std::uint32_t* pFreq) const
{
    const std::size_t end = std::min((to + kPieceBytes - 1) / kPieceBytes, m_pieces.size());
    for (std::size_t k = from / kPieceBytes; k < end; ++k) {
        const Piece& piece = m_pieces[k];
        ForCountsInUse(piece.c.data(), kNumC, [&](unsigned s) { cFreq[s] += piece.c[s]; });
        for (unsigned s = 0; s < kMaxPositionSymbols; ++s)
            pFreq[s] += piece.p[s];
    }
}

}  // namespace lzh
