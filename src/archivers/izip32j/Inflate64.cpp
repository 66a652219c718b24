#include "Inflate64.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qb::izip {
namespace {

constexpr size_t kWindow = 1u << 16;
constexpr size_t kMaxMatch = 65538;
constexpr size_t kFlushAt = kWindow + (256u << 10);  // output handed on in pieces of this much
constexpr size_t kInput = 1u << 16;
constexpr int kMaxBits = 15;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr uint32_t kDistanceBase[32] = {
    1,    2,    3,    4,    5,    7,     9,     13,    17,    25,    33,
    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025,  1537,
    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistanceExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                        7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

// A canonical Huffman code as one lookup table indexed by the next `bits` bits of the stream
// (least significant first); each entry holds the symbol and its code length, 0 for no code.
struct Code {
    std::vector<uint32_t> table;
    int bits = 0;

    // False for lengths that do not form a code. A code of a single symbol (or none) is allowed
    // for distances, as zlib allows it.
    bool Build(const uint8_t* lengths, size_t count, bool partialAllowed)
    {
        int counts[kMaxBits + 1] = {};
        bits = 0;
        for (size_t i = 0; i < count; ++i) {
            ++counts[lengths[i]];
            bits = std::max<int>(bits, lengths[i]);
        }
        counts[0] = 0;
        int left = 1;
        for (int len = 1; len <= kMaxBits; ++len) {
            left = (left << 1) - counts[len];
            if (left < 0)
                return false;  // more codes than the lengths have room for
        }
        int used = 0;
        for (int len = 1; len <= kMaxBits; ++len)
            used += counts[len];
        if (left > 0 && !(partialAllowed && used <= 1))
            return false;
        if (bits == 0)
            bits = 1;
        table.assign(size_t{1} << bits, 0);
        uint32_t next[kMaxBits + 2] = {};
        uint32_t code = 0;
        for (int len = 1; len <= kMaxBits; ++len) {
            code = (code + static_cast<uint32_t>(counts[len - 1])) << 1;
            next[len] = code;
        }
        for (size_t symbol = 0; symbol < count; ++symbol) {
            const int len = lengths[symbol];
            if (len == 0)
                continue;
            uint32_t c = next[len]++;
            uint32_t reversed = 0;
            for (int i = 0; i < len; ++i, c >>= 1)
                reversed = (reversed << 1) | (c & 1);
            for (uint32_t at = reversed; at < table.size(); at += 1u << len)
                table[at] = static_cast<uint32_t>(symbol << 4) | static_cast<uint32_t>(len);
        }
        return true;
    }
};

}  // namespace

struct Inflate64::State {
    const Input* input = nullptr;
    const Output* output = nullptr;
    std::vector<unsigned char> in = std::vector<unsigned char>(kInput);
    size_t inPos = 0, inEnd = 0;
    bool inputDone = false;
    uint64_t bitBuffer = 0;
    int bitCount = 0;
    int phantom = 0;  // zero bits added past the end of the input to fill a lookup
    std::vector<unsigned char> window = std::vector<unsigned char>(kFlushAt + kMaxMatch);
    size_t pos = 0, flushed = 0;
    uint64_t produced = 0;  // bytes of output so far, for the distance check
    bool stopped = false;
    Code literals, distances;

    bool Refill()
    {
        if (inputDone)
            return false;
        inEnd = (*input)(in.data(), in.size());
        inPos = 0;
        if (inEnd == 0)
            inputDone = true;
        return inEnd > 0;
    }

    // Makes at least n bits (n <= 32) available; past the end of the input zero bits are
    // added and counted, so that a lookup near the end works and overreading is noticed.
    void Need(int n)
    {
        while (bitCount < n) {
            if (inPos == inEnd && !Refill()) {
                phantom += 8;
                bitCount += 8;
                continue;
            }
            bitBuffer |= static_cast<uint64_t>(in[inPos++]) << bitCount;
            bitCount += 8;
        }
    }
    uint32_t Bits(int n)
    {
        if (n == 0)
            return 0;
        Need(n);
        uint32_t v = static_cast<uint32_t>(bitBuffer & ((uint64_t{1} << n) - 1));
        bitBuffer >>= n;
        bitCount -= n;
        return v;
    }
    bool Overread() const { return phantom > bitCount; }

    // The next symbol of code, or -1 for bits that are no code.
    int Decode(const Code& code)
    {
        Need(code.bits);
        uint32_t entry = code.table[bitBuffer & ((uint64_t{1} << code.bits) - 1)];
        int len = static_cast<int>(entry & 15);
        if (len == 0)
            return -1;
        bitBuffer >>= len;
        bitCount -= len;
        return static_cast<int>(entry >> 4);
    }

    bool Flush()
    {
        if (pos > flushed && !(*output)(window.data() + flushed, pos - flushed)) {
            stopped = true;
            return false;
        }
        flushed = pos;
        return true;
    }
    // Keeps the window's last 64 KiB at the front once enough output has gathered.
    bool Room()
    {
        if (pos < kFlushAt)
            return true;
        if (!Flush())
            return false;
        std::memmove(window.data(), window.data() + pos - kWindow, kWindow);
        pos = flushed = kWindow;
        return true;
    }

    Result Stored()
    {
        Bits(bitCount & 7);  // to the byte boundary
        uint32_t length = Bits(16);
        uint32_t check = Bits(16);
        if (Overread() || (length ^ 0xFFFF) != check)
            return Result::BadData;
        while (length > 0) {
            if (!Room())
                return Result::Stopped;
            // Whole bytes still in the bit buffer first, then straight from the input.
            unsigned char* to = window.data() + pos;
            size_t n = 0;
            if (bitCount >= 8) {
                *to = static_cast<unsigned char>(Bits(8));
                n = 1;
                if (Overread())
                    return Result::BadData;
            } else {
                if (inPos == inEnd && !Refill())
                    return Result::BadData;
                n = std::min<size_t>({length, inEnd - inPos, kFlushAt + kMaxMatch - pos});
                std::memcpy(to, in.data() + inPos, n);
                inPos += n;
            }
            pos += n;
            produced += n;
            length -= static_cast<uint32_t>(n);
        }
        return Result::Done;
    }

    Result Dynamic()
    {
        const uint32_t nLiterals = Bits(5) + 257, nDistances = Bits(5) + 1, nCodes = Bits(4) + 4;
        if (nLiterals > 286)
            return Result::BadData;
        uint8_t lengths[286 + 32] = {};
        uint8_t codeLengths[19] = {};
        for (uint32_t i = 0; i < nCodes; ++i)
            codeLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(Bits(3));
        Code lengthCode;
        if (Overread() || !lengthCode.Build(codeLengths, 19, false))
            return Result::BadData;
        for (uint32_t i = 0; i < nLiterals + nDistances;) {
            int symbol = Decode(lengthCode);
            if (symbol < 0 || Overread())
                return Result::BadData;
            if (symbol < 16) {
                lengths[i++] = static_cast<uint8_t>(symbol);
                continue;
            }
            uint8_t value = 0;
            uint32_t repeat;
            if (symbol == 16) {
                if (i == 0)
                    return Result::BadData;
                value = lengths[i - 1];
                repeat = 3 + Bits(2);
            } else if (symbol == 17) {
                repeat = 3 + Bits(3);
            } else {
                repeat = 11 + Bits(7);
            }
            if (i + repeat > nLiterals + nDistances)
                return Result::BadData;
            while (repeat-- > 0)
                lengths[i++] = value;
        }
        if (lengths[256] == 0)
            return Result::BadData;  // no end-of-block code
        if (!literals.Build(lengths, nLiterals, false) ||
            !distances.Build(lengths + nLiterals, nDistances, true))
            return Result::BadData;
        return Codes();
    }

    Result Fixed()
    {
        uint8_t lengths[288 + 32];
        std::fill(lengths, lengths + 144, 8);
        std::fill(lengths + 144, lengths + 256, 9);
        std::fill(lengths + 256, lengths + 280, 7);
        std::fill(lengths + 280, lengths + 288, 8);
        std::fill(lengths + 288, lengths + 320, 5);
        literals.Build(lengths, 288, false);
        distances.Build(lengths + 288, 32, false);
        return Codes();
    }

    Result Codes()
    {
        for (;;) {
            if (!Room())
                return Result::Stopped;
            int symbol = Decode(literals);
            if (symbol < 0 || Overread())
                return Result::BadData;
            if (symbol < 256) {
                window[pos++] = static_cast<unsigned char>(symbol);
                ++produced;
                continue;
            }
            if (symbol == 256)
                return Result::Done;
            symbol -= 257;
            if (symbol >= 29)
                return Result::BadData;
            const size_t length = kLengthBase[symbol] + Bits(kLengthExtra[symbol]);
            int d = Decode(distances);
            if (d < 0 || d >= 32)
                return Result::BadData;
            const uint64_t distance = kDistanceBase[d] + Bits(kDistanceExtra[d]);
            if (Overread() || distance > produced || distance > kWindow)
                return Result::BadData;
            unsigned char* to = window.data() + pos;
            const unsigned char* from = to - distance;
            if (distance >= length) {
                std::memcpy(to, from, length);
            } else {
                for (size_t i = 0; i < length; ++i)
                    to[i] = from[i];
            }
            pos += length;
            produced += length;
        }
    }
};

Inflate64::Inflate64() : state_(std::make_unique<State>()) { }
Inflate64::~Inflate64() = default;

Inflate64::Result Inflate64::Run(const Input& input, const Output& output)
{
    State& s = *state_;
    s.input = &input;
    s.output = &output;
    bool last = false;
    while (!last) {
        last = s.Bits(1) != 0;
        const uint32_t type = s.Bits(2);
        if (s.Overread())
            return Result::BadData;
        Result r = type == 0   ? s.Stored()
                   : type == 1 ? s.Fixed()
                   : type == 2 ? s.Dynamic()
                               : Result::BadData;
        if (s.stopped)
            return Result::Stopped;
        if (r != Result::Done)
            return r;
    }
    return s.Flush() ? Result::Done : Result::Stopped;
}

}  // namespace qb::izip
