// Huffman code construction with a length limit.
//
// The used symbols are sorted by frequency, and an ordinary Huffman tree is built over them with
// the two-queue method: leaves come from the sorted list, internal nodes are created in
// non-decreasing weight order, so the two lightest nodes are always at the head of one queue or
// the other. The tree itself is never materialised beyond one parent index per internal node.
//
// Instead of giving leaves their tree depth and repairing over-long codes afterwards, the code
// is grown from the root: start with two leaves at depth 1, then walk the internal nodes from
// the root down, and for each one turn one leaf at its depth into two leaves one level deeper.
// Whenever a node would sit at the length limit or below, it splits instead the deepest leaf
// that is still above the limit. Every split keeps the Kraft sum at exactly one, so the result
// is always complete and never deeper than the limit; when the limit is not reached it is the
// plain Huffman code. The lengths are then handed out, longest to the rarest symbols.
#include "lzh_huff.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace lzh {

namespace {

constexpr unsigned kMaxSymbols = 1024;
constexpr unsigned kSymbolBits = 10;  // symbol index packed under the frequency for sorting

// One stable counting pass of a radix sort: by the byte of the key at `shift`.
void RadixPass(const std::uint64_t* from, std::uint64_t* to, unsigned m, unsigned shift)
{
    std::array<unsigned, 257> start{};
    for (unsigned k = 0; k < m; ++k)
        ++start[((from[k] >> shift) & 0xFF) + 1];
    for (unsigned b = 1; b < start.size(); ++b)
        start[b] += start[b - 1];
    for (unsigned k = 0; k < m; ++k)
        to[start[(from[k] >> shift) & 0xFF]++] = from[k];
}

// Sorts the leaves (frequency above the symbol, made in symbol order) by frequency, then symbol.
// A block's frequencies fit in 16 bits, and a byte-wise radix sort of a few hundred of them
// beats comparison sorting by a wide margin (a block's tables are built once per block).
void SortLeaves(std::uint64_t* leaves, unsigned m, std::uint32_t maxFreq)
{
    if (m < 64 || maxFreq >= (1u << 16)) {
        std::sort(leaves, leaves + m);
        return;
    }
    std::array<std::uint64_t, kMaxSymbols> spare;
    RadixPass(leaves, spare.data(), m, kSymbolBits);
    if (maxFreq < (1u << 8)) {
        std::copy_n(spare.data(), m, leaves);
        return;
    }
    RadixPass(spare.data(), leaves, m, kSymbolBits + 8);
}

// The used symbols' leaves (frequency above the symbol), in symbol order; their largest
// frequency into maxFreq.
unsigned CollectLeaves(const std::uint32_t* freq, unsigned n, std::uint64_t* leaves,
                       std::uint32_t& maxFreq)
{
    unsigned m = 0;
    maxFreq = 0;
    auto take = [&](unsigned s) {
        leaves[m] = (std::uint64_t{freq[s]} << kSymbolBits) | s;  // kept only if used
        m += freq[s] != 0;
        maxFreq = std::max(maxFreq, freq[s]);
    };
    ForCountsInUse(freq, n, take);
    return m;
}

// The lengths of the symbols of freq (see BuildCodeLengths). used receives the used symbols in
// ascending order, count the number of them with each length (when there are at least two).
unsigned Lengths(const std::uint32_t* freq, unsigned n, unsigned maxLength, std::uint8_t* lengths,
                 std::uint16_t* used, std::array<unsigned, kMaxCodeLength + 2>& count)
{
    assert(n >= 2 && n <= kMaxSymbols && maxLength >= 1 && maxLength <= kMaxCodeLength);
    std::fill_n(lengths, n, 0);
    std::array<std::uint64_t, kMaxSymbols> leaves;
    std::uint32_t maxFreq;
    const unsigned m = CollectLeaves(freq, n, leaves.data(), maxFreq);
    for (unsigned k = 0; k < m; ++k)
        used[k] = static_cast<std::uint16_t>(leaves[k] & (kMaxSymbols - 1));
    if (m == 0) {
        count.fill(0);
        return 0;
    }
    if (m == 1) {
        const unsigned one = used[0], partner = one == 0 ? 1 : one - 1;
        lengths[one] = 1;
        lengths[partner] = 1;
        used[0] = static_cast<std::uint16_t>(std::min(one, partner));
        used[1] = static_cast<std::uint16_t>(std::max(one, partner));
        count.fill(0);
        count[1] = 2;
        return 2;
    }
    SortLeaves(leaves.data(), m, maxFreq);

    // Two-queue Huffman: internal node i has weight weight[i] and parent parent[i].
    std::array<std::uint64_t, kMaxSymbols> weight;
    std::array<std::uint16_t, kMaxSymbols> parent;
    // Which queue's head is lighter depends on the data: chosen without a branch (an empty
    // queue's head weighs more than anything). The parent of the node at the head is set either
    // way; a node not taken now gets its real parent when it is.
    unsigned nextLeaf = 0, nextNode = 0, nodes = 0;
    constexpr std::uint64_t kNone = ~std::uint64_t{0};
    auto takeLightest = [&]() -> std::uint64_t {
        const std::uint64_t leaf = nextLeaf < m ? leaves[nextLeaf] >> kSymbolBits : kNone;
        const std::uint64_t node = nextNode < nodes ? weight[nextNode] : kNone;
        const bool leafFirst = leaf <= node;
        parent[nextNode] = static_cast<std::uint16_t>(nodes);
        nextLeaf += leafFirst;
        nextNode += !leafFirst;
        return leafFirst ? leaf : node;
    };
    for (unsigned k = 0; k + 1 < m; ++k) {
        const std::uint64_t a = takeLightest();
        const std::uint64_t b = takeLightest();
        weight[nodes++] = a + b;
    }

    // Depth of every internal node; parents always have higher indices than their children.
    const unsigned root = nodes - 1;
    std::array<std::uint8_t, kMaxSymbols> depth;
    depth[root] = 0;
    count.fill(0);
    count[1] = 2;
    for (int i = static_cast<int>(root) - 1; i >= 0; --i) {
        const unsigned d = depth[parent[i]] + 1u;
        depth[i] = static_cast<std::uint8_t>(std::min(d, 255u));
        unsigned at = std::min(d, maxLength - 1);
        while (count[at] == 0)
            --at;  // never reaches 0: fewer leaves than 2^maxLength
        --count[at];
        count[at + 1] += 2;
    }

    // Longest lengths to the rarest symbols (the front of the sorted list).
    unsigned next = 0;
    for (unsigned len = maxLength; len >= 1; --len) {
        for (unsigned k = 0; k < count[len]; ++k) {
            lengths[leaves[next++] & (kMaxSymbols - 1)] = static_cast<std::uint8_t>(len);
        }
    }
    assert(next == m);
    return m;
}

}  // namespace

unsigned BuildCodeLengths(const std::uint32_t* freq, unsigned n, unsigned maxLength,
                          std::uint8_t* lengths)
{
    std::array<std::uint16_t, kMaxSymbols> used;
    std::array<unsigned, kMaxCodeLength + 2> count;
    return Lengths(freq, n, maxLength, lengths, used.data(), count);
}

unsigned BuildCode(const std::uint32_t* freq, unsigned n, unsigned maxLength, std::uint8_t* lengths,
                   std::uint16_t* codes)
{
    std::array<std::uint16_t, kMaxSymbols> used;
    std::array<unsigned, kMaxCodeLength + 2> count;
    const unsigned m = Lengths(freq, n, maxLength, lengths, used.data(), count);
    // As BuildCanonicalCodes does, walking only the symbols that have a length.
    std::array<std::uint32_t, kMaxCodeLength + 1> next{};
    std::uint32_t code = 0;
    for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    for (unsigned k = 0; k < m; ++k)
        codes[used[k]] = static_cast<std::uint16_t>(next[lengths[used[k]]]++);
    return m;
}

void BuildCanonicalCodes(const std::uint8_t* lengths, unsigned n, std::uint16_t* codes)
{
    std::array<unsigned, kMaxCodeLength + 1> count{};
    for (unsigned s = 0; s < n; ++s)
        ++count[lengths[s]];
    count[0] = 0;
    std::array<std::uint32_t, kMaxCodeLength + 2> next{};
    std::uint32_t code = 0;
    for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    for (unsigned s = 0; s < n; ++s) {
        if (lengths[s] != 0)
            codes[s] = static_cast<std::uint16_t>(next[lengths[s]]++);
    }
}

}  // namespace lzh
