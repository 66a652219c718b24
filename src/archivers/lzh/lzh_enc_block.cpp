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
#include <bit>
#include <cstring>

#include "lzh_huff.h"

namespace lzh {

namespace {

constexpr unsigned kCountBitsT = 5;
constexpr unsigned kCountBitsC = 9;

struct TSymbol {
    std::uint8_t symbol;
    std::uint16_t extra;  // run length field after T symbols 1 and 2
};

// A C table's lengths as T symbols: at most one per length (a fixed array: no allocation per
// block).
struct TSymbols {
    std::array<TSymbol, kNumC> symbols;
    unsigned count = 0;
};

// Cheapest cover of a run of `run` zero lengths by T symbols 0 (one zero), 1 (3..18 zeros) and
// 2 (20..531 zeros), each at its price in bits (code plus run field): pushes the symbols.
template<class Push>
void CoverZeroRun(unsigned run, const std::array<unsigned, 3>& price, Push push)
{
    // One symbol 2 covers any run of 20 or more; otherwise m symbols 1 take up to 18 zeros
    // each and single zeros the rest.
    unsigned bestM = 0, bestCost = run * price[0];
    for (unsigned m = 1; 3 * m <= run; ++m) {
        const unsigned ones = run > 18 * m ? run - 18 * m : 0;
        const unsigned cost = m * price[1] + ones * price[0];
        if (cost < bestCost) {
            bestCost = cost;
            bestM = m;
        }
    }
    if (run >= 20 && price[2] < bestCost) {
        push(2, run - 20);
        return;
    }
    unsigned left = run;
    for (unsigned k = 0; k < bestM; ++k) {
        // Spread the zeros so every symbol 1 gets at least 3 and at most 18.
        const unsigned take = std::min(18u, left - 3 * (bestM - k - 1));
        push(1, take - 3);
        left -= take;
    }
    for (; left > 0; --left)
        push(0, 0);
}

// Eight lengths at once, the first in the lowest byte.
std::uint64_t LoadWord(const std::uint8_t* at)
{
    std::uint64_t w;
    std::memcpy(&w, at, sizeof w);
    if constexpr (std::endian::native == std::endian::big)
        w = __builtin_bswap64(w);
    return w;
}

// Zero lengths from `at` on, up to n of them. Long runs are common (a small block uses few of
// the 510 symbols), so they are passed over eight at a time.
unsigned ZeroRun(const std::uint8_t* at, unsigned n)
{
    unsigned k = 0;
    for (; k + 8 <= n; k += 8) {
        const std::uint64_t w = LoadWord(at + k);
        if (w != 0)
            return k + static_cast<unsigned>(std::countr_zero(w)) / 8;
    }
    while (k < n && at[k] == 0)
        ++k;
    return k;
}

// The number of lengths up to the last non-zero one.
unsigned UsedLength(const std::uint8_t* lengths, unsigned n)
{
    for (; n >= 8; n -= 8) {
        const std::uint64_t w = LoadWord(lengths + n - 8);
        if (w != 0)
            return n - static_cast<unsigned>(std::countl_zero(w)) / 8;
    }
    while (n > 0 && lengths[n - 1] == 0)
        --n;
    return n;
}

// Turns the C code lengths into T symbols: 0 = one zero, 1 = 3..18 zeros (4 more bits),
// 2 = 20..531 zeros (9 more bits), k >= 3 = length k - 2. Runs of zeros are cut as cheaply as
// the T code lengths `tLen` allow; without them (nullptr), by rough typical prices.
// Into seq only with kKeep: the symbols of a cut that loses are never written, so for a first
// guess their counts are enough.
template<bool kKeep>
void CodeLengthsAsT(const std::uint8_t* lengths, unsigned n, const std::uint8_t* tLen,
                    TSymbols& seq, std::array<std::uint32_t, kNumT>& freq)
{
    freq.fill(0);
    unsigned count = 0;  // not seq.count: a byte store could alias that, and it would be reloaded
    auto push = [&](unsigned sym, unsigned extra) {
        if constexpr (kKeep) {
            seq.symbols[count++] = {static_cast<std::uint8_t>(sym),
                                    static_cast<std::uint16_t>(extra)};
        }
        ++freq[sym];
    };
    // A symbol the code does not have yet would need one: price it high.
    auto price = [&](unsigned sym) { return tLen[sym] ? tLen[sym] : 7u; };
    std::array<unsigned, 3> runPrice{};
    if (tLen)
        runPrice = {price(0), price(1) + 4, price(2) + 9};
    unsigned i = 0;
    while (i < n) {
        if (lengths[i] != 0) {
            push(lengths[i] + 2u, 0);
            ++i;
            continue;
        }
        const unsigned run = 1 + ZeroRun(lengths + i + 1, n - i - 1);
        i += run;
        if (tLen) {
            CoverZeroRun(run, runPrice, push);
        } else if (run <= 2) {
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
    seq.count = count;
}

// A table of code lengths as the format stores it (the T table, and the position table): a
// count of entries, then each length in 3 bits, or 7 and one more bit per length above 7. The
// T table has a 2-bit count of zeros after its third entry. put(value, bits) receives the fields.
template<class Put>
void EmitTable(Put put, const std::uint8_t* lengths, unsigned n, unsigned countBits,
               bool skipAfterThird)
{
    const unsigned used = UsedLength(lengths, n);
    put(used, countBits);
    unsigned i = 0;
    while (i < used) {
        const unsigned len = lengths[i++];
        if (len <= 6) {
            put(len, 3);
        } else {
            // 111, then one 1 bit per length above 7, then a 0.
            put(7, 3);
            put(((1u << (len - 7)) - 1) << 1, len - 6);
        }
        if (skipAfterThird && i == 3) {
            unsigned zeros = 0;
            while (zeros < 3 && i < used && lengths[i] == 0) {
                ++zeros;
                ++i;
            }
            put(zeros, 2);
        }
    }
}

void WriteTable(BitWriter& out, const std::uint8_t* lengths, unsigned n, unsigned countBits,
                bool skipAfterThird)
{
    EmitTable([&](std::uint32_t v, unsigned bits) { out.Put(v, bits); }, lengths, n, countBits,
              skipAfterThird);
}

// The C table's lengths coded with T: the T table, then the T symbols with their run fields.
struct CTableCode {
    TSymbols seq;
    std::array<std::uint32_t, kNumT> freq;
    std::array<std::uint8_t, kNumT> len;

    // The counts, and the code for them; the symbols themselves only when keep is set (else
    // seq is left empty until Keep()).
    void Build(const std::uint8_t* cLen, unsigned used, const std::uint8_t* priceLen, bool keep)
    {
        m_cLen = cLen;
        m_used = used;
        m_priceLen = priceLen;
        seq.count = 0;
        if (keep)
            CodeLengthsAsT<true>(cLen, used, priceLen, seq, freq);
        else
            CodeLengthsAsT<false>(cLen, used, priceLen, seq, freq);
        BuildCodeLengths(freq.data(), kNumT, kMaxCodeLength, len.data());
    }

    // Makes the symbols of a Build() that did not keep them (the same counts again).
    void Keep() { CodeLengthsAsT<true>(m_cLen, m_used, m_priceLen, seq, freq); }

    std::uint64_t Bits() const
    {
        std::uint64_t bits = 0;
        EmitTable([&](std::uint32_t, unsigned b) { bits += b; }, len.data(), kNumT, kCountBitsT,
                  true);
        for (unsigned s = 0; s < kNumT; ++s)
            bits += std::uint64_t{freq[s]} * len[s];
        return bits + 4 * freq[1] + 9 * freq[2];
    }

private:
    const std::uint8_t* m_cLen = nullptr;
    unsigned m_used = 0;
    const std::uint8_t* m_priceLen = nullptr;
};

}  // namespace

BlockEncoder::BlockEncoder(unsigned np, unsigned pbit)
    : m_np(np), m_pbit(pbit), m_tokens(new std::uint32_t[kMaxBlockSymbols])
{ }

void BlockEncoder::Drop(std::size_t count)
{
    std::memmove(m_tokens.get(), m_tokens.get() + count, (m_size - count) * sizeof(std::uint32_t));
    m_size -= count;
}

void BlockEncoder::Write(BitWriter& out, std::size_t from, std::size_t to,
                         const std::uint32_t* cFreq, const std::uint32_t* pFreq)
{
    if (from >= to)
        return;
    std::array<std::uint8_t, kNumC> cLen;
    std::array<std::uint16_t, kNumC> cCode;
    BuildCode(cFreq, kNumC, kMaxCodeLength, cLen.data(), cCode.data());

    // Runs of zero lengths can be cut in several ways; the cheapest depends on the T code,
    // which depends on the cut. Cut once by rule, then again priced by the code that gave,
    // and keep whichever costs fewer bits.
    const unsigned cUsed = UsedLength(cLen.data(), kNumC);
    CTableCode tables[2];
    tables[0].Build(cLen.data(), cUsed, nullptr, false);
    tables[1].Build(cLen.data(), cUsed, tables[0].len.data(), true);
    const bool second = tables[1].Bits() < tables[0].Bits();
    if (!second)
        tables[0].Keep();
    const CTableCode& t = tables[second ? 1 : 0];
    std::array<std::uint16_t, kNumT> tCode;
    BuildCanonicalCodes(t.len.data(), kNumT, tCode.data());

    std::array<std::uint8_t, kMaxPositionSymbols> pLen{};
    std::array<std::uint16_t, kMaxPositionSymbols> pCode{};
    unsigned pUsed = 0, pOnly = 0;
    for (unsigned s = 0; s < m_np; ++s) {
        if (pFreq[s] != 0) {
            ++pUsed;
            pOnly = s;
        }
    }
    if (pUsed >= 2) {
        BuildCode(pFreq, m_np, kMaxCodeLength, pLen.data(), pCode.data());
    }

    out.Put(static_cast<std::uint32_t>(to - from), 16);
    WriteTable(out, t.len.data(), kNumT, kCountBitsT, true);
    out.Put(cUsed, kCountBitsC);
    // Each T symbol with its run field (4 bits after symbol 1, 9 after symbol 2) as one field.
    std::array<std::uint32_t, kNumT> tField;
    std::array<std::uint8_t, kNumT> tBits;
    for (unsigned s = 0; s < kNumT; ++s) {
        const unsigned runBits = s == 1 ? 4 : s == 2 ? 9 : 0;
        tField[s] = std::uint32_t{tCode[s]} << runBits;
        tBits[s] = static_cast<std::uint8_t>(t.len[s] + runBits);
    }
    const TSymbol* x = t.seq.symbols.data();
    const TSymbol* const xEnd = x + t.seq.count;
    while (x < xEnd) {
        const TSymbol* const stop =
            x + std::min<std::size_t>(xEnd - x, out.FieldsBeforeDrain(kMaxCodeLength + 9));
        BitWriter::Run run(out);
        for (; x < stop; ++x)
            run.Put(tField[x->symbol] | x->extra, tBits[x->symbol]);
    }
    if (pUsed >= 2) {
        WriteTable(out, pLen.data(), m_np, m_pbit, false);
    } else {
        out.Put(0, m_pbit);
        out.Put(pOnly, m_pbit);
    }

    WriteSymbols(out, from, to, cLen.data(), cCode.data(), pLen.data(), pCode.data());

    m_hasCodes = true;
    m_lastC = cLen;
    m_lastP = pLen;
    if (pUsed < 2)
        m_lastP[pOnly] = 1;  // the short form codes it in no bits; 0 would read as "lacked"
}

// A match goes out as one field: its length's code, its position's code and the position's extra
// bits (the leading 1 bit is implied by the symbol), at most 16 + 16 + 15 bits. A literal is the
// same field with a position part of no bits, so every symbol is written alike, without a branch
// on its kind that the mix of literals and matches would mispredict.
void BlockEncoder::WriteSymbols(BitWriter& out, std::size_t from, std::size_t to,
                                const std::uint8_t* cLen, const std::uint16_t* cCode,
                                const std::uint8_t* pLen, const std::uint16_t* pCode) const
{
    // Indexed by SignificantBits(token >> 9): a match's position symbol, or kLiteral. The
    // position part of the field is xored[p] ^ (token >> 9): the code above the extra bits, and
    // the distance's leading 1 bit cancelled (for a literal, the mark cancelled).
    constexpr unsigned kLiteral = 21;
    static_assert(kLiteralMark >> 9 == 1u << (kLiteral - 1));
    static_assert(std::uint64_t{kMaxBlockSymbols} << 9 < kLiteralMark);
    std::array<std::uint8_t, kLiteral + 1> bits{};
    std::array<std::uint32_t, kLiteral + 1> xored{};
    for (unsigned p = 0; p < m_np; ++p) {
        const unsigned extra = p > 1 ? p - 1 : 0;
        bits[p] = static_cast<std::uint8_t>(pLen[p] + extra);
        xored[p] = (std::uint32_t{pCode[p]} << extra) ^ (p == 0 ? 0 : 1u << extra);
    }
    xored[kLiteral] = kLiteralMark >> 9;

    constexpr unsigned kMaxFieldBits = 2 * kMaxCodeLength + kMaxPositionSymbols - 2;
    const std::uint32_t* token = m_tokens.get() + from;
    const std::uint32_t* const end = m_tokens.get() + to;
    while (token < end) {
        const std::size_t n =
            std::min<std::size_t>(end - token, out.FieldsBeforeDrain(kMaxFieldBits));
        const std::uint32_t* const stop = token + n;
        BitWriter::Run run(out);
        for (; token < stop; ++token) {
            const std::uint32_t c = *token & 0x1FF, o = *token >> 9;
            const unsigned p = SignificantBits(o);
            run.Put((std::uint64_t{cCode[c]} << bits[p]) | (xored[p] ^ o), cLen[c] + bits[p]);
        }
    }
}

}  // namespace lzh
