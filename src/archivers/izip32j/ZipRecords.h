// The headers our writer stores for a member: the local header before its data and the central
// directory record, with the extended timestamp (UTC seconds), the NTFS times (100 ns) and, only
// where a size or offset needs it, the ZIP64 field. Also the central record of a kept member,
// rebuilt from the old one with its new offset, and the end records.
#pragma once

#include <cstdint>
#include <string>

namespace qb::izip {

class ZipOutput;

struct NewRecord {
    std::string name;  // as stored (UTF-8, or CP932 / raw bytes without the UTF-8 flag)
    uint64_t offset = 0;  // of the local header
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint64_t fileTime = 0;  // NTFS ticks, 0: none
    int64_t unixTime = -1;  // extended timestamp, -1: none
    uint32_t crc = 0;
    uint32_t dosTime = 0;
    uint32_t external = 0;  // Unix mode << 16 | MS-DOS attributes
    uint16_t flags = 0;
    uint16_t method = 0;
    bool zip64 = false;  // the local header carries a ZIP64 field (sizes may pass 4 GiB)
};

// The local header; its CRC and sizes are patched in after the data (PatchLocal).
std::string LocalHeader(const NewRecord& r);
// Writes the final CRC and sizes into the local header at r.offset. Returns 0 or an errno.
int PatchLocal(const NewRecord& r, ZipOutput& out);

std::string CentralRecord(const NewRecord& r);

// old: a whole central record as stored; the same record pointing to newOffset, its ZIP64
// field rewritten to what the new place needs.
std::string MovedCentralRecord(const unsigned char* old, size_t size, uint64_t compressedSize,
                               uint64_t originalSize, uint64_t newOffset);

// The end of the archive: ZIP64 end record and locator when needed, then the end record.
std::string EndRecords(uint64_t count, uint64_t centralOffset, uint64_t centralSize);

}  // namespace qb::izip
