// Writing a block: a 16-bit symbol count, the code-length table of the C table (the "T"
// pre-tree), the C table's lengths coded with it, the position table, then the symbols.
//
// Two interoperability choices are made here. The T and C tables are always sent as real codes
// of at least two entries, never in the one-symbol short form, because some decoders misread
// that form in the last block of a stream; a lone symbol is paired with an unused neighbour and
// costs one bit per use. The position table does use the short form when a block has at most
// one distinct position symbol, which every decoder reads correctly.
#include "lzh_enc_block.h"

#include <algorithm>

#include "lzh_huff.h"

namespace lzh {

namespace {

constexpr unsigned kCountBitsT = 5;
constexpr unsigned kCountBitsC = 9;

struct TSymbol {
    std::uint8_t symbol;
    std::uint16_t extra;  // run length field after T symbols 1 and 2
};

// Turns the C code lengths into T symbols: 0 = one zero, 1 = 3..18 zeros (4 more bits),
// 2 = 20..531 zeros (9 more bits), k >= 3 = length k - 2.
unsigned CodeLengthsAsT(const std::uint8_t* lengths, unsigned n, std::vector<TSymbol>& seq,
                        std::array<std::uint32_t, kNumT>& freq)
{
    seq.clear();
    freq.fill(0);
    auto push = [&](unsigned sym, unsigned extra) {
        seq.push_back({static_cast<std::uint8_t>(sym), static_cast<std::uint16_t>(extra)});
        ++freq[sym];
    };
    unsigned i = 0;
    while (i < n) {
        if (lengths[i] != 0) {
            push(lengths[i] + 2u, 0);
            ++i;
            continue;
        }
        unsigned run = 1;
        while (i + run < n && lengths[i + run] == 0)
            ++run;
        i += run;
        if (run <= 2) {
            for (unsigned k = 0; k < run; ++k)
                push(0, 0);
        } else if (run <= 18) {
            push(1, run - 3);
        } else if (run == 19) {
            push(0, 0);
            push(1, 15);
        } else {
            push(2, run - 20);
        }
    }
    return n;
}

unsigned UsedLength(const std::uint8_t* lengths, unsigned n)
{
    while (n > 0 && lengths[n - 1] == 0)
        --n;
    return n;
}

}  // namespace

BlockEncoder::BlockEncoder(unsigned np, unsigned pbit) : m_np(np), m_pbit(pbit)
{
    m_tokens.reserve(kMaxBlockSymbols);
}

void BlockEncoder::WriteTable(BitWriter& out, const std::uint8_t* lengths, unsigned n,
                              unsigned countBits, bool skipAfterThird)
{
    const unsigned used = UsedLength(lengths, n);
    out.Put(used, countBits);
    unsigned i = 0;
    while (i < used) {
        const unsigned len = lengths[i++];
        if (len <= 6) {
            out.Put(len, 3);
        } else {
            // 111, then one 1 bit per length above 7, then a 0.
            out.Put(7, 3);
            out.Put(((1u << (len - 7)) - 1) << 1, len - 6);
        }
        if (skipAfterThird && i == 3) {
            unsigned zeros = 0;
            while (zeros < 3 && i < used && lengths[i] == 0) {
                ++zeros;
                ++i;
            }
            out.Put(zeros, 2);
        }
    }
}

void BlockEncoder::Write(BitWriter& out, std::size_t count)
{
    count = std::min(count, m_tokens.size());
    if (count == 0)
        return;
    // Symbols held back for the next block leave this block's statistics.
    std::array<std::uint32_t, kNumC> restC{};
    std::array<std::uint32_t, kMaxPositionSymbols> restP{};
    for (std::size_t k = count; k < m_tokens.size(); ++k) {
        const unsigned c = m_tokens[k] & 0x1FF;
        ++restC[c];
        if (c >= 256)
            ++restP[PositionSymbol((m_tokens[k] >> 9) + 1)];
    }
    for (unsigned c = 0; c < kNumC; ++c)
        m_cFreq[c] -= restC[c];
    for (unsigned p = 0; p < kMaxPositionSymbols; ++p)
        m_pFreq[p] -= restP[p];

    std::array<std::uint8_t, kNumC> cLen;
    std::array<std::uint16_t, kNumC> cCode;
    BuildCodeLengths(m_cFreq.data(), kNumC, kMaxCodeLength, cLen.data());
    BuildCanonicalCodes(cLen.data(), kNumC, cCode.data());

    std::vector<TSymbol> tSeq;
    tSeq.reserve(kNumC);
    std::array<std::uint32_t, kNumT> tFreq;
    CodeLengthsAsT(cLen.data(), UsedLength(cLen.data(), kNumC), tSeq, tFreq);
    std::array<std::uint8_t, kNumT> tLen;
    std::array<std::uint16_t, kNumT> tCode;
    BuildCodeLengths(tFreq.data(), kNumT, kMaxCodeLength, tLen.data());
    BuildCanonicalCodes(tLen.data(), kNumT, tCode.data());

    std::array<std::uint8_t, kMaxPositionSymbols> pLen{};
    std::array<std::uint16_t, kMaxPositionSymbols> pCode{};
    unsigned pUsed = 0, pOnly = 0;
    for (unsigned s = 0; s < m_np; ++s) {
        if (m_pFreq[s] != 0) {
            ++pUsed;
            pOnly = s;
        }
    }
    if (pUsed >= 2) {
        BuildCodeLengths(m_pFreq.data(), m_np, kMaxCodeLength, pLen.data());
        BuildCanonicalCodes(pLen.data(), m_np, pCode.data());
    }

    out.Put(static_cast<std::uint32_t>(count), 16);
    WriteTable(out, tLen.data(), kNumT, kCountBitsT, true);
    out.Put(UsedLength(cLen.data(), kNumC), kCountBitsC);
    for (const TSymbol& t : tSeq) {
        out.Put(tCode[t.symbol], tLen[t.symbol]);
        if (t.symbol == 1)
            out.Put(t.extra, 4);
        if (t.symbol == 2)
            out.Put(t.extra, 9);
    }
    if (pUsed >= 2) {
        WriteTable(out, pLen.data(), m_np, m_pbit, false);
    } else {
        out.Put(0, m_pbit);
        out.Put(pOnly, m_pbit);
    }

    // A position's code and its extra bits (the leading 1 bit is implied by the symbol) go out
    // as one field of at most 16 + 16 bits.
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t token = m_tokens[k];
        const unsigned c = token & 0x1FF;
        out.Put(cCode[c], cLen[c]);
        if (c < 256)
            continue;
        const unsigned o = token >> 9;
        const unsigned p = o == 0 ? 0 : 32 - static_cast<unsigned>(__builtin_clz(o));
        const unsigned extra = p > 1 ? p - 1 : 0;
        out.Put((std::uint32_t{pCode[p]} << extra) | (o & ((1u << extra) - 1)), pLen[p] + extra);
    }

    m_tokens.erase(m_tokens.begin(), m_tokens.begin() + static_cast<std::ptrdiff_t>(count));
    m_cFreq = restC;
    m_pFreq = restP;
}

}  // namespace lzh
