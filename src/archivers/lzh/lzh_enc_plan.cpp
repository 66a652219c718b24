#include "lzh_enc_plan.h"

#include "lzh_enc_entropy.h"

#include <algorithm>
#include <cmath>

namespace lzh {

namespace {

// The estimated cost of one block's tables, in bits: about a hundred bytes.
constexpr double kBlockHeaderBits = 800;

// f * log2(f); from the table for the small counts that most symbols have, exactly otherwise.
double FLog(std::uint32_t f)
{
    static const float* const table = FLogTable();
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
    // The symbols present in each piece, so sums over runs of pieces touch only those.
    m_used.clear();
    m_usedEnd.assign(pieces, 0);
    std::vector<std::uint32_t> totalC(pieces), totalP(pieces);
    for (unsigned k = 0; k < pieces; ++k) {
        const Piece& piece = m_pieces[k];
        for (unsigned s = 0; s < kNumC; ++s) {
            if (piece.c[s] != 0) {
                m_used.push_back(static_cast<std::uint16_t>(s));
                totalC[k] += piece.c[s];
            }
        }
        for (unsigned s = 0; s < kMaxPositionSymbols; ++s) {
            if (piece.p[s] != 0) {
                m_used.push_back(static_cast<std::uint16_t>(kNumC + s));
                totalP[k] += piece.p[s];
            }
        }
        m_usedEnd[k] = static_cast<std::uint32_t>(m_used.size());
    }
    // best[j]: the cheapest split of the first j pieces; from[j]: where its last block starts.
    m_best.assign(pieces + 1, 0.0);
    m_from.assign(pieces + 1, 0);
    for (unsigned j = 1; j <= pieces; ++j) {
        // Grow the last block backwards one piece at a time, keeping sum f log2 f current.
        m_sum.fill(0);
        double fLogF = 0.0;
        std::uint64_t symbols = 0, matches = 0;
        double best = 0.0;
        for (unsigned i = j; i-- > 0;) {
            const Piece& piece = m_pieces[i];
            for (std::uint32_t u = i == 0 ? 0 : m_usedEnd[i - 1]; u < m_usedEnd[i]; ++u) {
                const unsigned s = m_used[u];
                const std::uint32_t add = s < kNumC ? piece.c[s] : piece.p[s - kNumC];
                fLogF += FLog(m_sum[s] + add) - FLog(m_sum[s]);
                m_sum[s] += add;
            }
            symbols += totalC[i];
            matches += totalP[i];
            const double bits = FLog(static_cast<std::uint32_t>(symbols)) +
                                FLog(static_cast<std::uint32_t>(matches)) - fLogF;
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
        for (unsigned s = 0; s < kNumC; ++s)
            cFreq[s] += piece.c[s];
        for (unsigned s = 0; s < kMaxPositionSymbols; ++s)
            pFreq[s] += piece.p[s];
    }
}

}  // namespace lzh
