#include "lzh_enc_split.h"

#include "lzh_enc_entropy.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lzh {

namespace {

// The estimated cost of one block's tables, in bits: about 75 bytes. (A price growing with the
// symbols a block uses was tried too: it hardly mattered, and counting them costs time.)
constexpr double kBlockBits = 600;

// The non-zero counters among the 64 from `at`, one bit each.
std::uint64_t NonZero(const std::uint8_t* at)
{
#if defined(__SSE2__)
    std::uint64_t mask = 0;
    for (unsigned q = 0; q < 64; q += 16) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(at + q));
        const auto zero =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
        mask |= std::uint64_t{~zero & 0xFFFFu} << q;
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (unsigned q = 0; q < 64; ++q)
        mask |= std::uint64_t{at[q] != 0} << q;
    return mask;
#endif
}

}  // namespace

std::size_t BlockSplitter::EndPiece(unsigned symbols)
{
    if (!m_entries)
        m_entries.reset(new Entry[kMaxPieces * kMaxEntriesPerPiece]);
    const std::uint32_t first = m_entriesEnd.empty() ? 0 : m_entriesEnd.back();
    Entry* entry = m_entries.get() + first;
    for (unsigned group = 0; group < kPositionsAt; group += 64) {
        for (std::uint64_t nonZero = NonZero(m_counts.data() + group); nonZero != 0;
             nonZero &= nonZero - 1) {
            const unsigned c = group + static_cast<unsigned>(std::countr_zero(nonZero));
            *entry++ = {static_cast<std::uint16_t>(c), m_counts[c]};
        }
    }
    // Few position symbols: each is stored, and kept if its count is not zero.
    std::uint32_t matches = 0;
    for (unsigned p = 0; p < kMaxPositionSymbols; ++p) {
        const std::uint8_t f = m_counts[kPositionsAt + p];
        *entry = {static_cast<std::uint16_t>(kNumC + p), f};
        entry += f != 0;
        matches += f;
    }
    m_counts.fill(0);
    m_entriesEnd.push_back(static_cast<std::uint32_t>(entry - m_entries.get()));
    m_matches.push_back(matches);
    m_total += symbols;
    return m_entriesEnd.size();
}

// The cost of every prefix (forward) or every suffix of the pieces from..to-1, into m_prefix or
// m_suffix; returns the cost of them all.
double BlockSplitter::Scan(unsigned from, unsigned to, bool forward)
{
    const float* table = FLogTable();
    std::uint32_t* sum = m_sum.data();
    const Entry* entries = m_entries.get();
    double fLogF = 0.0, cost = 0.0;
    std::uint32_t symbols = 0, matches = 0;
    for (unsigned step = from; step < to; ++step) {
        const unsigned k = forward ? step : to - 1 - (step - from);
        // Four sums, so that each addition need not wait for the one before.
        float delta[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        const Entry* entry = entries + (k == 0 ? 0 : m_entriesEnd[k - 1]);
        const Entry* const end = entries + m_entriesEnd[k];
        const Entry* const end4 = entry + ((end - entry) & ~std::ptrdiff_t{3});
        auto add = [&](unsigned lane) {
            const unsigned s = entry[lane].symbol;
            const std::uint32_t before = sum[s], after = before + entry[lane].count;
            sum[s] = after;
            delta[lane] += table[after] - table[before];
        };
        for (; entry < end4; entry += 4) {
            add(0);
            add(1);
            add(2);
            add(3);
        }
        for (; entry < end; ++entry)
            add(0);
        fLogF += (delta[0] + delta[1]) + (delta[2] + delta[3]);
        symbols +=
            static_cast<std::uint32_t>(std::min(m_total, (std::size_t{k} + 1) * kPieceSymbols) -
                                       std::size_t{k} * kPieceSymbols);
        matches += m_matches[k];
        cost = table[symbols] + table[matches] - fLogF + kBlockBits;
        if (forward)
            m_prefix[k + 1] = cost;
        else
            m_suffix[k] = cost;
    }
    m_sum.fill(0);
    return cost;
}

// Cuts the pieces from..to-1. m_prefix holds the costs of prefixes of this run when
// prefixKnown, m_suffix those of its suffixes when suffixKnown: a half keeps one of its parent's.
void BlockSplitter::Cut(unsigned from, unsigned to, bool prefixKnown, bool suffixKnown)
{
    if (to - from >= 2) {
        const double whole = prefixKnown ? m_prefix[to] : Scan(from, to, true);
        if (!suffixKnown)
            Scan(from, to, false);
        double best = whole;
        unsigned at = 0;
        for (unsigned k = from + 1; k < to; ++k) {
            if (m_prefix[k] + m_suffix[k] < best) {
                best = m_prefix[k] + m_suffix[k];
                at = k;
            }
        }
        if (at != 0) {
            Cut(from, at, true, false);
            Cut(at, to, false, true);
            return;
        }
    }
    m_cuts->push_back(std::min(m_total, std::size_t{to} * kPieceSymbols));
}

void BlockSplitter::Plan(std::size_t symbols, std::vector<std::size_t>& cuts)
{
    cuts.clear();
    if (symbols > m_total)
        EndPiece(static_cast<unsigned>(symbols - m_total));
    const auto pieces = static_cast<unsigned>(m_entriesEnd.size());
    if (pieces == 0)
        return;
    m_prefix.resize(pieces + 1);
    m_suffix.resize(pieces + 1);
    m_cuts = &cuts;
    Cut(0, pieces, false, false);
}

void BlockSplitter::AddCounts(std::size_t from, std::size_t to, std::uint32_t* freq) const
{
    const std::size_t end = (to + kPieceSymbols - 1) / kPieceSymbols;
    // Bounds as pointers, loaded once: a store into freq could alias m_entriesEnd's elements.
    const Entry* entry = m_entries.get() + (from == 0 ? 0 : m_entriesEnd[from / kPieceSymbols - 1]);
    const Entry* const last = m_entries.get() + m_entriesEnd[end - 1];
    for (; entry < last; ++entry)
        freq[entry->symbol] += entry->count;
}

namespace {

// Two blocks' symbol counts as a cut between them moves, with the part of their estimated cost
// that changes: the entropy of each, without the price of its tables.
class MovingCut {
public:
    MovingCut(std::uint32_t* left, std::uint32_t* right) : m_left(left), m_right(right)
    {
        for (unsigned s = 0; s < kNumC; ++s) {
            m_totals[0] += left[s];
            m_totals[2] += right[s];
        }
        for (unsigned s = kNumC; s < BlockSplitter::kCounts; ++s) {
            m_totals[1] += left[s];
            m_totals[3] += right[s];
        }
    }

    // The token at the end of the left block goes to the right one, or the reverse.
    void ToRight(std::uint32_t token) { Move(token, m_left, m_right, 0, 2); }
    void ToLeft(std::uint32_t token) { Move(token, m_right, m_left, 2, 0); }

    // Cost in bits, up to a constant.
    double Cost() const
    {
        double totals = 0.0;
        for (const std::size_t t : m_totals)
            totals += m_table[t];
        return totals - m_fLogF;
    }

private:
    void Move(std::uint32_t token, std::uint32_t* from, std::uint32_t* to, unsigned fromTotal,
              unsigned toTotal)
    {
        const unsigned c = token & 0x1FF;
        Shift(from, to, c);
        --m_totals[fromTotal];
        ++m_totals[toTotal];
        if (c >= 256) {
            Shift(from, to, kNumC + PositionSymbol((token >> 9) + 1));
            --m_totals[fromTotal + 1];
            ++m_totals[toTotal + 1];
        }
    }
    void Shift(std::uint32_t* from, std::uint32_t* to, unsigned s)
    {
        m_fLogF += m_table[from[s] - 1] - m_table[from[s]] + m_table[to[s] + 1] - m_table[to[s]];
        --from[s];
        ++to[s];
    }

    const float* m_table = FLogTable();
    std::uint32_t* m_left;
    std::uint32_t* m_right;
    // C and position symbols, left then right. Not 32-bit: a store into the counts could alias
    // them, and they would be reloaded after each.
    std::array<std::size_t, 4> m_totals{};
    double m_fLogF = 0.0;  // the change of the sum of f log2 f over both blocks
};

std::array<std::uint32_t, BlockSplitter::kCounts> ToArray(const std::uint32_t* counts)
{
    std::array<std::uint32_t, BlockSplitter::kCounts> a;
    std::copy_n(counts, a.size(), a.begin());
    return a;
}

}  // namespace

std::size_t BlockSplitter::MoveCut(const std::uint32_t* tokens, std::size_t from, std::size_t cut,
                                   std::size_t to, std::uint32_t* left, std::uint32_t* right)
{
    // Positions are tried every few symbols, and each block keeps one at least.
    constexpr std::size_t kStep = 16;
    const std::size_t reachLeft = std::min(kPieceSymbols, cut - from - 1) / kStep * kStep;
    const std::size_t reachRight = std::min(kPieceSymbols, to - cut - 1) / kStep * kStep;
    if (reachLeft == 0 && reachRight == 0)
        return cut;
    // Left as far as it goes, then right from the start again; then to the best place.
    const std::array<std::uint32_t, kCounts> startLeft = ToArray(left), startRight = ToArray(right);
    const MovingCut start(left, right);
    MovingCut moving = start;
    double best = moving.Cost();
    std::size_t bestCut = cut;
    for (std::size_t k = 1; k <= reachLeft; ++k) {
        moving.ToRight(tokens[cut - k]);
        if (k % kStep == 0 && moving.Cost() < best) {
            best = moving.Cost();
            bestCut = cut - k;
        }
    }
    auto restart = [&] {
        std::copy(startLeft.begin(), startLeft.end(), left);
        std::copy(startRight.begin(), startRight.end(), right);
        moving = start;
    };
    restart();
    for (std::size_t k = 1; k <= reachRight; ++k) {
        moving.ToLeft(tokens[cut + k - 1]);
        if (k % kStep == 0 && moving.Cost() < best) {
            best = moving.Cost();
            bestCut = cut + k;
        }
    }
    restart();
    for (std::size_t at = cut; at > bestCut;)
        moving.ToRight(tokens[--at]);
    for (std::size_t at = cut; at < bestCut;)
        moving.ToLeft(tokens[at++]);
    return bestCut;
}

void BlockSplitter::Drop(std::size_t count)
{
    const std::size_t pieces =
        std::min(m_entriesEnd.size(), (count + kPieceSymbols - 1) / kPieceSymbols);
    if (pieces == 0)
        return;
    const std::uint32_t gone = m_entriesEnd[pieces - 1];
    std::memmove(m_entries.get(), m_entries.get() + gone,
                 (m_entriesEnd.back() - gone) * sizeof(Entry));
    m_entriesEnd.erase(m_entriesEnd.begin(),
                       m_entriesEnd.begin() + static_cast<std::ptrdiff_t>(pieces));
    for (std::uint32_t& end : m_entriesEnd)
        end -= gone;
    m_matches.erase(m_matches.begin(), m_matches.begin() + static_cast<std::ptrdiff_t>(pieces));
    m_total -= std::min(m_total, pieces * kPieceSymbols);
}

}  // namespace lzh
