#include "DeflateJoin.h"

#include <zlib.h>

#include <cstdint>

namespace qb::izip {

bool MakeNonFinal(std::vector<unsigned char>& stream)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return false;
    std::vector<unsigned char> scratch(1 << 16);
    z.next_in = stream.data();
    z.avail_in = static_cast<uInt>(stream.size());
    uint64_t blockStart = 0;  // bit position where the block being decoded began
    uint64_t streamEnd = 0;  // bit position just after the final block
    bool ended = false;
    while (!ended) {
        z.next_out = scratch.data();
        z.avail_out = static_cast<uInt>(scratch.size());
        int rc = inflate(&z, Z_BLOCK);
        uint64_t bitPosition = static_cast<uint64_t>(z.total_in) * 8 - (z.data_type & 7);
        if (rc == Z_STREAM_END) {
            ended = true;
        } else if (rc != Z_OK) {
            inflateEnd(&z);
            return false;
        } else if (z.data_type & 128) {
            // Stopped right after a block. After the final one this is the exact end of the
            // data (zlib then skips the padding bits, so the end position must be taken here);
            // after any other, the next block starts here.
            if (z.data_type & 64)
                streamEnd = bitPosition;
            else
                blockStart = bitPosition;
        }
    }
    inflateEnd(&z);
    if (streamEnd == 0 || blockStart >= streamEnd)
        return false;

    // Clear the final bit (the first bit of the final block's header; bits go LSB first).
    stream[blockStart / 8] &= static_cast<unsigned char>(~(1u << (blockStart % 8)));
    // Keep the bits up to the end of that block, then an empty stored block: three zero header
    // bits (not final, stored), zero padding to the byte boundary, LEN 0000 and NLEN FFFF.
    uint64_t bits = streamEnd + 3;
    size_t bytes = static_cast<size_t>((bits + 7) / 8);
    stream.resize(bytes, 0);
    if (streamEnd % 8 != 0)
        stream[streamEnd / 8] &= static_cast<unsigned char>((1u << (streamEnd % 8)) - 1);
    for (size_t i = static_cast<size_t>((streamEnd + 7) / 8); i < bytes; ++i)
        stream[i] = 0;
    stream.insert(stream.end(), {0x00, 0x00, 0xFF, 0xFF});
    return true;
}

}  // namespace qb::izip
