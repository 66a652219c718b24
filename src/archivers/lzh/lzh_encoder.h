// The -lh5-, -lh6- and -lh7- compressor: LZSS over a sliding window, coded in blocks that each
// carry their own static Huffman tables. This is the one entry point of the encoder library; the
// archive writer wraps the stream in member headers and computes the CRC-16 of the data itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace lzh {

// Dictionary sizes: 8 KiB, 32 KiB, 64 KiB.
enum class EncodeMethod { Lh5 = 5, Lh6 = 6, Lh7 = 7 };

struct EncodeIo {
    // Fill buf with up to size bytes; return the count, 0 at the end, -1 on error (stops encoding).
    std::function<std::ptrdiff_t(std::uint8_t* buf, std::size_t size)> read;
    // Take compressed bytes; returning false stops encoding (write failure or cancel).
    std::function<bool(const std::uint8_t* data, std::size_t size)> write;
};

struct EncodeResult {
    bool ok = false;  // false when read() failed, write() refused, or memory ran out
    std::uint64_t inputSize = 0;  // bytes taken from read()
    std::uint64_t packedSize = 0;  // bytes handed to write()
    // Bits of the last byte that belong to the stream (1..8, from the top; 0 for an empty
    // stream). The rest are zero padding, which a joiner of pieces overwrites (JoinStreams).
    unsigned lastByteBits = 0;
};

// Compresses everything read() gives into one -lhN- bit stream. Streams: memory stays bounded
// (a few MB) whatever the input size; thread-safe (no globals), so members can be compressed on
// several threads at once. Empty input gives an empty stream (packedSize 0); the caller stores
// such members (and any whose packed size is not smaller than the input) as -lh0- instead.
EncodeResult Encode(EncodeMethod method, EncodeIo& io);

// Tuning for callers that trade speed for size (benchmarks, tests). level 1 is fastest, 9 packs
// tightest; 1-7 parse greedily or lazily, 8 and 9 near-optimally (about three times slower).
// 0 picks the default of the method, which is what Encode() above uses: 6 for -lh5-, the
// everyday method, and 9 for -lh6- and -lh7-, which are chosen for size.
//
// history: the bytes just before the input, for a piece of a larger file compressed on its own
// (see lzh_join.h). Matches may reach back into them, but they are not coded. Only the last
// window's worth is used.
struct EncodeOptions {
    int level = 0;
    const std::uint8_t* history = nullptr;
    std::size_t historySize = 0;
};
EncodeResult Encode(EncodeMethod method, EncodeIo& io, const EncodeOptions& options);

}  // namespace lzh
