// Length-limited canonical Huffman codes for the three tables of an -lh5- block.
#pragma once

#include <cstdint>
#include <cstring>

namespace lzh {

constexpr unsigned kMaxCodeLength = 16;

// Calls each(s) for the n counts from `counts` on, in order, but passes over runs of eight zero
// counts at once (a block or a piece uses few of the 510 C symbols, most of the long match
// lengths not at all): each() must accept zero counts too.
template<class Each>
void ForCountsInUse(const std::uint32_t* counts, unsigned n, Each each)
{
    unsigned s = 0;
    for (; s + 8 <= n; s += 8) {
        std::uint64_t w[4];
        std::memcpy(w, counts + s, sizeof w);
        if ((w[0] | w[1] | w[2] | w[3]) == 0)
            continue;
        for (unsigned k = s; k < s + 8; ++k)
            each(k);
    }
    for (; s < n; ++s)
        each(s);
}

// Computes code lengths for symbols 0..n-1 from their frequencies so that no length exceeds
// maxLength and the lengths form a complete prefix code (Kraft sum exactly one). Symbols with
// frequency 0 get length 0. With a single used symbol that symbol gets length 1 and one unused
// neighbour gets length 1 too, because strict decoders reject an incomplete one-entry code.
// n must be at most 1024 and at least 2. Returns the number of symbols with a non-zero length.
unsigned BuildCodeLengths(const std::uint32_t* freq, unsigned n, unsigned maxLength,
                          std::uint8_t* lengths);

// BuildCodeLengths, then the codes BuildCanonicalCodes would give, at once (codes of unused
// symbols are left alone).
unsigned BuildCode(const std::uint32_t* freq, unsigned n, unsigned maxLength, std::uint8_t* lengths,
                   std::uint16_t* codes);

// Assigns canonical codes: shorter codes first, equal lengths in increasing symbol order, each
// code one more than the previous (shifted left when the length grows).
void BuildCanonicalCodes(const std::uint8_t* lengths, unsigned n, std::uint16_t* codes);

}  // namespace lzh
