// Our own decoder of the -lh5-, -lh6- and -lh7- bit stream (LZSS with static Huffman blocks).
//
// Codes are decoded through lookup tables (the first 12 bits of a literal/length code, the first
// 8 of the others, in one step) instead of walking a tree bit by bit, and the output is produced
// in one linear buffer, so that extraction is bound by the disk rather than by decoding. It
// accepts what the usual decoders accept: a match reaching before the start of the data yields
// spaces (the traditional window fill), zero runs that overrun a table are cut at its end, and
// an incomplete code is an error only when the stream actually uses one of its missing codes.
// Anything else that is wrong (an over-full code, a count beyond a table, data that ends before
// the member does) ends decoding with an error; no input makes it read or write out of bounds
// or loop without consuming input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace lzh {

// Window bits of the methods this decoder handles: 13 (-lh5-), 15 (-lh6-), 16 (-lh7-); 0 for
// every other method.
int LhWindowBits(const char* method);

// Supplies packed bytes: fills up to size bytes at buf and returns the count, 0 at the end of
// the packed data, -1 on a read error.
using PackedReader = std::function<long long(std::uint8_t* buf, std::size_t size)>;

// Takes decoded bytes; returning false stops decoding.
using PlainSink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

enum class LhDecodeResult { Ok, DataError, ReadError, Stopped };

// Decodes originalSize bytes of a stream with the given window bits, handing them to sink in
// pieces of about 256 KiB. Does not check the CRC: the caller sees every byte. Each thread keeps
// one workspace of about 400 KiB for its decodings, so a sink must not start another decoding.
LhDecodeResult LhDecode(int windowBits, std::uint64_t originalSize, const PackedReader& read,
                        const PlainSink& sink);

}  // namespace lzh
