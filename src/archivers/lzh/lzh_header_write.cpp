// Our own level-2 headers. Layout of the fixed part (26 bytes): size, method, packed size,
// original size, Unix time, attribute byte 0x20, level 2, data CRC, OS id, size of the first
// extended header. We write OS id 'M' like the Windows tools, so that every reader treats the
// names as Windows paths, and add the Unix mode for the tools that use it.
#include "lzh_header.h"

#include "lzh_crc16.h"

namespace lzh {
namespace {

void Put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x)
{
    v[at] = static_cast<std::uint8_t>(x);
    v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}
void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint64_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<std::uint8_t>(x >> (8 * i));
}
void Put64(std::vector<std::uint8_t>& v, std::size_t at, std::uint64_t x)
{
    for (int i = 0; i < 8; ++i)
        v[at + i] = static_cast<std::uint8_t>(x >> (8 * i));
}

// Appends one extended header: its size field was already written as the previous header's
// "next size"; here come type and data, then a fresh "next size" of 0 for the chain end.
// Returns the position of the data.
std::size_t AddExtended(std::vector<std::uint8_t>& h, std::size_t& nextSizePos, std::uint8_t type,
                        const void* data, std::size_t size)
{
    Put16(h, nextSizePos, static_cast<std::uint32_t>(size + 3));
    h.push_back(type);
    std::size_t dataPos = h.size();
    const auto* p = static_cast<const std::uint8_t*>(data);
    h.insert(h.end(), p, p + size);
    nextSizePos = h.size();
    h.push_back(0);
    h.push_back(0);
    return dataPos;
}

}  // namespace

std::vector<std::uint8_t> BuildLevel2Header(const NewMember& m)
{
    std::vector<std::uint8_t> h(26, 0);
    for (int i = 0; i < 5 && i < static_cast<int>(m.method.size()); ++i)
        h[2 + i] = static_cast<std::uint8_t>(m.method[i]);
    Put32(h, 7, m.packedSize & 0xFFFFFFFFu);
    Put32(h, 11, m.originalSize & 0xFFFFFFFFu);
    Put32(h, 15, static_cast<std::uint64_t>(m.mtime < 0 ? 0 : m.mtime) & 0xFFFFFFFFu);
    h[19] = 0x20;
    h[20] = 2;
    Put16(h, 21, m.crc);
    h[23] = 'M';
    std::size_t next = 24;

    if (m.codePage != 0) {
        const std::uint8_t codePage[4] = {static_cast<std::uint8_t>(m.codePage),
                                          static_cast<std::uint8_t>(m.codePage >> 8),
                                          static_cast<std::uint8_t>(m.codePage >> 16),
                                          static_cast<std::uint8_t>(m.codePage >> 24)};
        AddExtended(h, next, 0x46, codePage, 4);
    }
    AddExtended(h, next, 0x01, m.name.data(), m.name.size());
    if (!m.folders.empty()) {
        std::string folder;
        for (const auto& f : m.folders) {
            folder += f;
            folder.push_back('\xFF');
        }
        AddExtended(h, next, 0x02, folder.data(), folder.size());
    }
    if (m.attribute != 0x20) {
        const std::uint8_t attr[2] = {m.attribute, 0};
        AddExtended(h, next, 0x40, attr, 2);
    }
    if (m.fileTime) {
        // Creation, last write and last access all get the modification time: the others
        // would make the archive change each time the files are merely read.
        std::vector<std::uint8_t> times(24);
        for (int i = 0; i < 3; ++i)
            Put64(times, 8 * i, *m.fileTime);
        AddExtended(h, next, 0x41, times.data(), times.size());
    }
    const std::uint8_t mode[2] = {static_cast<std::uint8_t>(m.unixMode),
                                  static_cast<std::uint8_t>(m.unixMode >> 8)};
    AddExtended(h, next, 0x50, mode, 2);
    if (m.packedSize > 0xFFFFFFFFu || m.originalSize > 0xFFFFFFFFu) {
        std::vector<std::uint8_t> sizes(16);
        Put64(sizes, 0, m.packedSize);
        Put64(sizes, 8, m.originalSize);
        AddExtended(h, next, 0x42, sizes.data(), 16);
    }
    // The common header goes last, with an extra information byte when the size would otherwise
    // be a multiple of 256.
    std::uint8_t crcData[3] = {0, 0, 0};
    std::size_t crcLen = (h.size() + 5) % 256 == 0 ? 3 : 2;
    std::size_t crcPos = AddExtended(h, next, 0x00, crcData, crcLen);
    if (h.size() > 0xFFFF)
        return {};
    Put16(h, 0, static_cast<std::uint32_t>(h.size()));
    Put16(h, crcPos, Crc16(h.data(), h.size()));
    return h;
}

}  // namespace lzh
