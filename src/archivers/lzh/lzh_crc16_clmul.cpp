// CRC-16 by folding with carry-less multiplication (x86-64 PCLMULQDQ), several times faster than
// the tables on long runs. The package targets baseline x86-64, so this code is compiled for the
// instruction on its own and only called where the processor reports it.
//
// How it works. With the CRC's polynomial P = x^16 + x^15 + x^2 + 1, a start value of 0 and no
// final XOR, the CRC of a message M (read as a polynomial, first bit highest) is M * x^16 mod P.
// Only M's class modulo P matters, so a leading piece of the message may be replaced by anything
// congruent to it. A 128-bit block X followed by the next block B is X * x^128 + B; writing X as
// H * x^64 + L (H its first 64 bits) that is H * x^192 + L * x^128 + B, congruent to
//     H * (x^192 mod P) + L * (x^128 mod P) + B,
// which has fewer than 80 bits and so again fits in one block: two multiplications fold a block
// into the next. Four blocks side by side fold over 512 bits each step, hiding the multiply's
// latency. What is left at the end is one block and a tail shorter than 16 bytes; the block's
// CRC and then the tail go through the table code, which also takes inputs too short to fold.
//
// The bits are reflected: the first bit of the message is bit 0 of the first byte, so a
// little-endian load holds the block with its highest coefficient in bit 0. A 64-bit lane v then
// stands for the polynomial with the coefficient of x^(63-i) in bit i, and the carry-less product
// of two such lanes is the 128-bit reflected form of their product times x (bit i+j carries
// x^(63-i) * x^(63-j) = x^(127-(i+j)) / x). The constants therefore are x^(k-1) mod P rather than
// x^k mod P, computed below at compile time, in reflected form: the 16-bit remainder sits in the
// top 16 bits of its lane.
//
// A start value other than 0 is the same as XORing it into the first two bytes, as in the tables.
#include "lzh_crc16.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QB_CRC16_CLMUL 1
#include <immintrin.h>
#endif

namespace lzh {

#ifdef QB_CRC16_CLMUL
namespace {

// x^k mod P, as a 16-bit polynomial with the coefficient of x^j in bit j.
constexpr std::uint16_t XPowModP(unsigned k)
{
    std::uint32_t r = 1;
    for (unsigned i = 0; i < k; ++i) {
        r <<= 1;
        if (r & 0x10000)
            r ^= 0x18005;
    }
    return static_cast<std::uint16_t>(r);
}

// A remainder in the lane form: the coefficient of x^j in bit 63-j.
constexpr std::uint64_t Lane(std::uint16_t r)
{
    std::uint64_t v = 0;
    for (unsigned j = 0; j < 16; ++j)
        if (r >> j & 1)
            v |= std::uint64_t{1} << (63 - j);
    return v;
}

// The pair of multipliers that moves a block forward by `bits`: its first half (the low lane)
// stands `bits + 64` bits before the end, its second half `bits`.
struct FoldConstants {
    std::uint64_t first, second;
};

constexpr FoldConstants Fold(unsigned bits)
{
    return {Lane(XPowModP(bits + 64 - 1)), Lane(XPowModP(bits - 1))};
}

constexpr FoldConstants kFold512 = Fold(512);
constexpr FoldConstants kFold128 = Fold(128);

// Checks of the arithmetic against values worked out by hand: x^16 = x^15 + x^2 + 1 (mod P),
// and x^17 = x^16 + x^3 + x = x^15 + x^3 + x^2 + x + 1.
static_assert(XPowModP(15) == 0x8000 && XPowModP(16) == 0x8005 && XPowModP(17) == 0x800F);
static_assert(Lane(0x8005) == 0xA001ull << 48);

__attribute__((target("pclmul"))) inline __m128i FoldInto(__m128i x, __m128i k, __m128i next)
{
    const __m128i a = _mm_clmulepi64_si128(x, k, 0x00);  // first half times its constant
    const __m128i b = _mm_clmulepi64_si128(x, k, 0x11);  // second half times its constant
    return _mm_xor_si128(_mm_xor_si128(a, b), next);
}

inline __m128i Load(const std::uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Below this the table code is as fast: folding has a fixed cost at its start and end.
constexpr std::size_t kMinFold = 128;

}  // namespace

bool detail::Crc16HasClmul()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul");
}

__attribute__((target("pclmul"))) std::uint16_t
detail::Crc16UpdateClmul(std::uint16_t crc, const void* data, std::size_t size)
{
    if (size < kMinFold)
        return Crc16UpdateTable(crc, data, size);
    const auto* p = static_cast<const std::uint8_t*>(data);
    const __m128i k512 = _mm_set_epi64x(static_cast<long long>(kFold512.second),
                                        static_cast<long long>(kFold512.first));
    const __m128i k128 = _mm_set_epi64x(static_cast<long long>(kFold128.second),
                                        static_cast<long long>(kFold128.first));
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(crc));
    __m128i x1 = Load(p + 16);
    __m128i x2 = Load(p + 32);
    __m128i x3 = Load(p + 48);
    p += 64;
    size -= 64;
    while (size >= 64) {
        x0 = FoldInto(x0, k512, Load(p));
        x1 = FoldInto(x1, k512, Load(p + 16));
        x2 = FoldInto(x2, k512, Load(p + 32));
        x3 = FoldInto(x3, k512, Load(p + 48));
        p += 64;
        size -= 64;
    }
    __m128i x = FoldInto(x0, k128, x1);
    x = FoldInto(x, k128, x2);
    x = FoldInto(x, k128, x3);
    for (; size >= 16; p += 16, size -= 16)
        x = FoldInto(x, k128, Load(p));
    alignas(16) std::uint8_t block[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(block), x);
    return Crc16UpdateTable(Crc16UpdateTable(0, block, 16), p, size);
}

#else

bool detail::Crc16HasClmul()
{
    return false;
}

std::uint16_t detail::Crc16UpdateClmul(std::uint16_t crc, const void* data, std::size_t size)
{
    return Crc16UpdateTable(crc, data, size);
}

#endif

}  // namespace lzh
