#include "lzh_decode.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

namespace lzh {
namespace {

constexpr int kNC = 510;  // literal/length alphabet
constexpr int kNT = 19;  // code-length alphabet
constexpr int kMaxCodeLength = 16;
constexpr std::size_t kWindow = 1 << 16;  // the largest window (-lh7-)
constexpr std::size_t kOutput = 256 * 1024;  // decoded bytes handed on at a time
constexpr std::size_t kSlack = 512;  // room for one match copied past the mark
constexpr std::size_t kInput = 64 * 1024;

// Eight bytes of the stream at once, the first in the most significant bits.
inline std::uint64_t Load64(const std::uint8_t* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap64(v);
    return v;
}

// The bit buffer of the decoding loop as plain locals, so that it stays in registers: only used
// while at least eight bytes of input are left, so a refill is always one load.
struct FastBits {
    std::uint64_t bits;
    unsigned count;
    std::size_t pos;
    std::size_t limit;  // refills are possible while pos <= limit
    const std::uint8_t* buf;

    bool CanRefill() const { return pos <= limit; }
    void Refill()
    {
        bits |= Load64(buf + pos) >> count;
        pos += (63 - count) >> 3;
        count |= 56;
    }
    std::uint32_t Peek(unsigned n) const { return static_cast<std::uint32_t>(bits >> (64 - n)); }
    void Skip(unsigned n)
    {
        bits <<= n;
        count -= n;
    }
    // n from 1 to 32.
    std::uint32_t Get(unsigned n)
    {
        std::uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
};

// Bits are taken from the most significant end of a 64-bit buffer. After Refill the buffer
// holds at least 56 bits, enough for one literal/length code, one position code and its extra
// bits. Past the end of the packed data it is filled with zero bits, which are counted: a
// stream that used any of them was cut short.
class BitReader {
public:
    BitReader(const PackedReader& read, std::uint8_t* buffer) : m_read(read), m_buf(buffer) { }

    void Refill()
    {
        if (m_end - m_pos >= 8) [[likely]] {
            Take8();
            return;
        }
        RefillNearTheEnd();
    }
    void Ensure(unsigned n)
    {
        if (m_count < n)
            Refill();
    }
    // n from 1 to 32.
    std::uint32_t Peek(unsigned n) const { return static_cast<std::uint32_t>(m_bits >> (64 - n)); }
    void Skip(unsigned n)
    {
        m_bits <<= n;
        m_count -= n;
    }
    // n from 0 to 32; the caller made sure that n bits are there.
    std::uint32_t Get(unsigned n)
    {
        if (n == 0)
            return 0;
        std::uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
    std::uint32_t Read(unsigned n)
    {
        Ensure(n);
        return Get(n);
    }
    // The state for the decoding loop, and back from it.
    FastBits Fast() const { return {m_bits, m_count, m_pos, m_end >= 8 ? m_end - 8 : 0, m_buf}; }
    bool FastPossible() const { return m_end >= 8 && m_pos <= m_end - 8; }
    void Back(const FastBits& f)
    {
        m_bits = f.bits;
        m_count = f.count;
        m_pos = f.pos;
    }

    // True when more bits were taken than the packed data holds.
    bool Overrun() const { return m_padding > m_count; }
    bool Failed() const { return m_failed; }

private:
    // Eight bytes at once; the bits below the new count are the next ones of the stream and are
    // loaded again, identically, by the next refill.
    void Take8()
    {
        m_bits |= Load64(m_buf + m_pos) >> m_count;
        m_pos += (63 - m_count) >> 3;
        m_count |= 56;
    }

    [[gnu::noinline]] void RefillNearTheEnd()
    {
        if (!m_eof)
            Load();
        if (m_end - m_pos >= 8) {
            Take8();
            return;
        }
        while (m_count <= 56) {
            if (m_pos < m_end)
                m_bits |= static_cast<std::uint64_t>(m_buf[m_pos++]) << (56 - m_count);
            else
                m_padding += 8;
            m_count += 8;
        }
    }

    void Load()
    {
        std::size_t left = m_end - m_pos;
        std::memmove(m_buf, m_buf + m_pos, left);
        m_pos = 0;
        m_end = left;
        while (m_end < kInput) {
            long long got = m_read(m_buf + m_end, kInput - m_end);
            if (got <= 0) {
                m_failed = got < 0;
                m_eof = true;
                return;
            }
            m_end += static_cast<std::size_t>(got);
        }
    }

    const PackedReader& m_read;
    std::uint8_t* m_buf;  // kInput bytes
    std::size_t m_pos = 0, m_end = 0;
    bool m_eof = false, m_failed = false;
    std::uint64_t m_bits = 0;
    unsigned m_count = 0;
    std::uint64_t m_padding = 0;
};

// A canonical Huffman code given by its code lengths. Codes up to kPrimary bits long are found
// with one look-up of the next kPrimary bits; longer ones by the usual canonical search, which
// also tells a code the table does not have.
template<unsigned kPrimary, int kSymbols>
class HuffTable {
public:
    static constexpr std::uint32_t kLong = 0xFFFFFFFF;

    // Every code is the one symbol, in zero bits.
    void Single(int symbol)
    {
        std::fill(std::begin(m_primary), std::end(m_primary), static_cast<std::uint32_t>(symbol));
    }

    // False when the lengths describe more codes than there is room for.
    bool Build(const std::uint8_t* lengths)
    {
        std::uint16_t count[kMaxCodeLength + 1] = {};
        for (int s = 0; s < kSymbols; ++s)
            ++count[lengths[s]];
        count[0] = 0;
        std::uint32_t room = 0;
        for (int l = 1; l <= kMaxCodeLength; ++l)
            room += static_cast<std::uint32_t>(count[l]) << (kMaxCodeLength - l);
        if (room > (1u << kMaxCodeLength))
            return false;
        std::uint32_t code = 0;
        std::uint16_t next[kMaxCodeLength + 1];
        std::uint16_t at = 0;
        for (int l = 1; l <= kMaxCodeLength; ++l) {
            m_first[l] = code;
            m_count[l] = count[l];
            m_offset[l] = at;
            next[l] = at;
            at = static_cast<std::uint16_t>(at + count[l]);
            code = (code + count[l]) << 1;
        }
        for (int s = 0; s < kSymbols; ++s)
            if (lengths[s])
                m_sorted[next[lengths[s]]++] = static_cast<std::uint16_t>(s);
        std::fill(std::begin(m_primary), std::end(m_primary), kLong);
        for (unsigned l = 1; l <= kPrimary; ++l) {
            for (unsigned i = 0; i < m_count[l]; ++i) {
                std::uint32_t first = (m_first[l] + i) << (kPrimary - l);
                std::uint32_t entry = (l << 16) | m_sorted[m_offset[l] + i];
                std::fill(m_primary + first, m_primary + first + (1u << (kPrimary - l)), entry);
            }
        }
        return true;
    }

    // The next symbol, or -1 for a code the table does not have. Needs 16 bits in the reader.
    template<class Bits>
    int Decode(Bits& in) const
    {
        std::uint32_t e = m_primary[in.Peek(kPrimary)];
        if (e != kLong) {
            in.Skip(e >> 16);
            return static_cast<int>(e & 0xFFFF);
        }
        std::uint32_t bits = in.Peek(kMaxCodeLength);
        for (unsigned l = kPrimary + 1; l <= kMaxCodeLength; ++l) {
            std::uint32_t index = (bits >> (kMaxCodeLength - l)) - m_first[l];
            if (index < m_count[l]) {
                in.Skip(l);
                return m_sorted[m_offset[l] + index];
            }
        }
        return -1;
    }

private:
    std::uint32_t m_primary[1u << kPrimary];
    std::uint32_t m_first[kMaxCodeLength + 1] = {};
    std::uint16_t m_count[kMaxCodeLength + 1] = {};
    std::uint16_t m_offset[kMaxCodeLength + 1] = {};
    std::uint16_t m_sorted[kSymbols] = {};
};

using CTable = HuffTable<12, kNC>;
using PTable = HuffTable<8, 32>;  // the code-length and position codes (at most 19 symbols)

// Code lengths of the code-length code and of the position code: a count, then each length in
// three bits, 7 and up continued in unary; the code-length code has a two-bit run of zeros after
// its third length. With a count of 0 the one symbol follows, used in zero bits.
bool ReadSmallTable(BitReader& in, PTable& table, int symbols, unsigned countBits, int zerosAfter,
                    int& single)
{
    int n = static_cast<int>(in.Read(countBits));
    single = -1;
    if (n == 0) {
        single = static_cast<int>(in.Read(countBits));
        table.Single(single);
        return true;
    }
    if (n > symbols)
        return false;
    std::uint8_t lengths[32] = {};
    int i = 0;
    while (i < n) {
        in.Ensure(32);
        unsigned c = in.Get(3);
        if (c == 7) {
            while (in.Peek(1)) {
                in.Skip(1);
                if (++c > kMaxCodeLength)
                    return false;
            }
            in.Skip(1);
        }
        lengths[i++] = static_cast<std::uint8_t>(c);
        if (i == zerosAfter) {
            unsigned zeros = in.Get(2);
            while (zeros-- > 0 && i < n)
                lengths[i++] = 0;
        }
    }
    return table.Build(lengths);
}

bool ReadLiteralTable(BitReader& in, const PTable& lengthCode, int lengthSingle, CTable& table)
{
    int n = static_cast<int>(in.Read(9));
    if (n == 0) {
        table.Single(static_cast<int>(in.Read(9)));
        return true;
    }
    if (n > kNC)
        return false;
    std::uint8_t lengths[kNC] = {};
    int i = 0;
    while (i < n) {
        in.Ensure(32);
        int c = lengthSingle >= 0 ? lengthSingle : lengthCode.Decode(in);
        if (c < 0)
            return false;
        if (c <= 2) {
            int run = c == 0   ? 1
                      : c == 1 ? static_cast<int>(in.Get(4)) + 3
                               : static_cast<int>(in.Get(9)) + 20;
            while (run-- > 0 && i < n)
                lengths[i++] = 0;
        } else {
            if (c - 2 > kMaxCodeLength)
                return false;
            lengths[i++] = static_cast<std::uint8_t>(c - 2);
        }
    }
    return table.Build(lengths);
}

// What one decoding needs besides a few locals, kept from member to member of a thread: most
// members are small, and fresh buffers for each would cost more than decoding them.
struct Workspace {
    PTable lengthCode;
    CTable literals;
    PTable positions;
    int positionSingle = -1;
    std::uint8_t input[kInput];
    // The window comes first, then the output; when a piece of output is full it goes to the
    // sink and its last 64 KiB become the window of the next piece.
    std::uint8_t output[kWindow + kOutput + kSlack];
};

// One symbol of a block: a literal, or a match copied from the output before it. The reader
// holds 56 bits. False for a code the tables do not have or a position beyond the window.
template<class Bits>
[[gnu::always_inline]] inline bool DecodeSymbol(Bits& in, const Workspace& tables,
                                                int positionSymbols, std::uint8_t*& out,
                                                std::uint64_t& left, std::uint64_t& room)
{
    int c = tables.literals.Decode(in);
    if (c < 256) {
        if (c < 0)
            return false;
        *out++ = static_cast<std::uint8_t>(c);
        --left;
        --room;
        return true;
    }
    int p = tables.positions.Decode(in);
    if (p < 0 || p >= positionSymbols)
        return false;
    std::size_t distance =
        (p <= 1 ? static_cast<std::size_t>(p) : (std::size_t{1} << (p - 1)) + in.Get(p - 1)) + 1;
    std::size_t length = std::min<std::uint64_t>(static_cast<std::size_t>(c - 253), left);
    const std::uint8_t* from = out - distance;
    // Whole blocks at a time where the distance allows; a copy may run up to 15 bytes past its
    // end into the slack, which later output overwrites.
    if (distance >= 16) {
        for (std::size_t k = 0; k < length; k += 16)
            std::memcpy(out + k, from + k, 16);
    } else if (distance >= 8) {
        for (std::size_t k = 0; k < length; k += 8)
            std::memcpy(out + k, from + k, 8);
    } else if (distance == 1) {
        std::memset(out, *from, length);
    } else {
        for (std::size_t k = 0; k < length; ++k)
            out[k] = from[k];
    }
    out += length;
    left -= length;
    room = length < room ? room - length : 0;
    return true;
}

}  // namespace

int LhWindowBits(const char* method)
{
    if (std::strcmp(method, "-lh5-") == 0)
        return 13;
    if (std::strcmp(method, "-lh6-") == 0)
        return 15;
    if (std::strcmp(method, "-lh7-") == 0)
        return 16;
    return 0;
}

LhDecodeResult LhDecode(int windowBits, std::uint64_t originalSize, const PackedReader& read,
                        const PlainSink& sink)
{
    if (windowBits < 13 || windowBits > 16)
        return LhDecodeResult::DataError;
    const int positionSymbols = windowBits + 1;
    const unsigned positionBits = windowBits == 13 ? 4 : 5;
    thread_local std::unique_ptr<Workspace> workspace;
    if (!workspace)
        workspace = std::make_unique<Workspace>();
    Workspace* tables = workspace.get();
    BitReader in(read, tables->input);
    // A match reaching before the start of the data yields spaces, as the traditional decoders
    // fill their window with them.
    std::uint8_t* const buffer = tables->output;
    std::memset(buffer + kWindow - (std::size_t{1} << windowBits), 0x20,
                std::size_t{1} << windowBits);
    std::uint8_t* const start = buffer + kWindow;
    std::uint8_t* const mark = start + kOutput;
    std::uint8_t* out = start;
    std::uint64_t left = originalSize;
    unsigned blockLeft = 0;

    auto flush = [&]() {
        std::size_t n = static_cast<std::size_t>(out - start);
        if (n == 0)
            return true;
        if (!sink(start, n))
            return false;
        std::memmove(buffer, out - kWindow, kWindow);
        out = start;
        return true;
    };

    while (left > 0) {
        if (blockLeft == 0) {
            blockLeft = in.Read(16);
            int lengthSingle = -1;
            if (!ReadSmallTable(in, tables->lengthCode, kNT, 5, 3, lengthSingle) ||
                !ReadLiteralTable(in, tables->lengthCode, lengthSingle, tables->literals) ||
                !ReadSmallTable(in, tables->positions, positionSymbols, positionBits, -1,
                                tables->positionSingle))
                return in.Failed() ? LhDecodeResult::ReadError : LhDecodeResult::DataError;
            if (in.Overrun())
                return in.Failed() ? LhDecodeResult::ReadError : LhDecodeResult::DataError;
            continue;
        }
        // Symbols of this block until it ends, the member is complete or the piece is full:
        // from local state while the input buffer holds eight bytes, else one at a time
        // through the reader, which loads more input.
        std::uint64_t room = static_cast<std::uint64_t>(mark - out);
        while (blockLeft > 0 && left > 0 && room > 0) {
            if (in.FastPossible()) {
                FastBits f = in.Fast();
                bool ok = true;
                while (blockLeft > 0 && left > 0 && room > 0 && f.CanRefill()) {
                    f.Refill();
                    --blockLeft;
                    if (!DecodeSymbol(f, *tables, positionSymbols, out, left, room)) {
                        ok = false;
                        break;
                    }
                }
                in.Back(f);
                if (!ok)
                    return LhDecodeResult::DataError;
                continue;
            }
            in.Ensure(56);
            --blockLeft;
            if (!DecodeSymbol(in, *tables, positionSymbols, out, left, room))
                return LhDecodeResult::DataError;
        }
        if (in.Overrun())
            return in.Failed() ? LhDecodeResult::ReadError : LhDecodeResult::DataError;
        if (out >= mark && !flush())
            return LhDecodeResult::Stopped;
    }
    if (!flush())
        return LhDecodeResult::Stopped;
    return in.Overrun() ? (in.Failed() ? LhDecodeResult::ReadError : LhDecodeResult::DataError)
                        : LhDecodeResult::Ok;
}

}  // namespace lzh
