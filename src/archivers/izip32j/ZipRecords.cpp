#include "ZipRecords.h"

#include "ZipFormat.h"
#include "ZipOutput.h"

namespace qb::izip {

using namespace zipfmt;

namespace {

constexpr uint16_t kMadeBy = (3 << 8) | 63;  // Unix, format version 6.3
constexpr uint16_t kNeeds = 20;
constexpr uint16_t kNeedsZip64 = 45;

// The time fields, the same in local and central records.
std::string TimeExtras(const NewRecord& r)
{
    std::string e;
    if (r.unixTime >= 0 && r.unixTime <= INT32_MAX) {
        Put16(e, 0x5455);
        Put16(e, 5);
        e.push_back(1);
        Put32(e, static_cast<uint32_t>(r.unixTime));
    }
    if (r.fileTime != 0) {
        // Linux keeps no creation time, and the access time changes with every read: all three
        // are the modification time.
        Put16(e, 0x000a);
        Put16(e, 32);
        Put32(e, 0);
        Put16(e, 1);
        Put16(e, 24);
        for (int i = 0; i < 3; ++i)
            Put64(e, r.fileTime);
    }
    return e;
}

// The ZIP64 field of a central record: the values whose 32-bit fields say 0xFFFFFFFF.
std::string CentralZip64(uint64_t size, uint64_t compressedSize, uint64_t offset)
{
    std::string values;
    if (size >= kMax32)
        Put64(values, size);
    if (compressedSize >= kMax32)
        Put64(values, compressedSize);
    if (offset >= kMax32)
        Put64(values, offset);
    if (values.empty())
        return values;
    std::string e;
    Put16(e, kZip64Field);
    Put16(e, static_cast<uint16_t>(values.size()));
    return e + values;
}

uint32_t Clip(uint64_t v)
{
    return v >= kMax32 ? kMax32 : static_cast<uint32_t>(v);
}

}  // namespace

std::string LocalHeader(const NewRecord& r)
{
    std::string extra;
    if (r.zip64) {
        Put16(extra, kZip64Field);
        Put16(extra, 16);
        Put64(extra, r.size);
        Put64(extra, r.compressedSize);
    }
    extra += TimeExtras(r);
    std::string h;
    Put32(h, kLocalSig);
    Put16(h, r.zip64 ? kNeedsZip64 : kNeeds);
    Put16(h, r.flags);
    Put16(h, r.method);
    Put32(h, r.dosTime);
    Put32(h, r.crc);
    Put32(h, r.zip64 ? kMax32 : static_cast<uint32_t>(r.compressedSize));
    Put32(h, r.zip64 ? kMax32 : static_cast<uint32_t>(r.size));
    Put16(h, static_cast<uint16_t>(r.name.size()));
    Put16(h, static_cast<uint16_t>(extra.size()));
    return h + r.name + extra;
}

int PatchLocal(const NewRecord& r, ZipOutput& out)
{
    std::string bytes;
    Put32(bytes, r.crc);
    if (!r.zip64) {
        Put32(bytes, static_cast<uint32_t>(r.compressedSize));
        Put32(bytes, static_cast<uint32_t>(r.size));
        return out.Patch(r.offset + 14, bytes.data(), bytes.size());
    }
    if (int err = out.Patch(r.offset + 14, bytes.data(), bytes.size()))
        return err;
    bytes.clear();
    Put64(bytes, r.size);
    Put64(bytes, r.compressedSize);
    return out.Patch(r.offset + kLocalSize + r.name.size() + 4, bytes.data(), bytes.size());
}

std::string CentralRecord(const NewRecord& r)
{
    std::string extra = CentralZip64(r.size, r.compressedSize, r.offset) + TimeExtras(r);
    bool zip64 = !extra.empty() &&
                 Get16(reinterpret_cast<const unsigned char*>(extra.data())) == kZip64Field;
    std::string c;
    Put32(c, kCentralSig);
    Put16(c, kMadeBy);
    Put16(c, zip64 ? kNeedsZip64 : kNeeds);
    Put16(c, r.flags);
    Put16(c, r.method);
    Put32(c, r.dosTime);
    Put32(c, r.crc);
    Put32(c, Clip(r.compressedSize));
    Put32(c, Clip(r.size));
    Put16(c, static_cast<uint16_t>(r.name.size()));
    Put16(c, static_cast<uint16_t>(extra.size()));
    Put16(c, 0);  // comment
    Put16(c, 0);  // disk
    Put16(c, 0);  // internal attributes
    Put32(c, r.external);
    Put32(c, Clip(r.offset));
    return c + r.name + extra;
}

std::string MovedCentralRecord(const unsigned char* old, size_t size, uint64_t compressedSize,
                               uint64_t originalSize, uint64_t newOffset)
{
    size_t nameLength = Get16(old + 28), extraLength = Get16(old + 30),
           commentLength = Get16(old + 32);
    const unsigned char* extraStart = old + kCentralSize + nameLength;
    std::string extra = CentralZip64(originalSize, compressedSize, newOffset);
    for (size_t pos = 0; pos + 4 <= extraLength;) {
        size_t length = Get16(extraStart + pos + 2);
        if (pos + 4 + length > extraLength) {
            extra.append(reinterpret_cast<const char*>(extraStart + pos), extraLength - pos);
            break;
        }
        if (Get16(extraStart + pos) != kZip64Field)
            extra.append(reinterpret_cast<const char*>(extraStart + pos), 4 + length);
        pos += 4 + length;
    }
    std::string c(reinterpret_cast<const char*>(old), kCentralSize + nameLength);
    Set32(c, 20, Clip(compressedSize));
    Set32(c, 24, Clip(originalSize));
    Set32(c, 42, Clip(newOffset));
    if (!extra.empty() &&
        Get16(reinterpret_cast<const unsigned char*>(extra.data())) == kZip64Field &&
        Get16(old + 6) < kNeedsZip64) {
        c[6] = static_cast<char>(kNeedsZip64);
        c[7] = 0;
    }
    c[30] = static_cast<char>(extra.size());
    c[31] = static_cast<char>(extra.size() >> 8);
    (void)size;
    return c + extra +
           std::string(reinterpret_cast<const char*>(extraStart + extraLength), commentLength);
}

std::string EndRecords(uint64_t count, uint64_t centralOffset, uint64_t centralSize)
{
    std::string e;
    bool zip64 = count >= kMax16 || centralOffset >= kMax32 || centralSize >= kMax32;
    if (zip64) {
        uint64_t end64 = centralOffset + centralSize;
        Put32(e, kZip64EndSig);
        Put64(e, kZip64EndSize - 12);
        Put16(e, kMadeBy);
        Put16(e, kNeedsZip64);
        Put32(e, 0);
        Put32(e, 0);
        Put64(e, count);
        Put64(e, count);
        Put64(e, centralSize);
        Put64(e, centralOffset);
        Put32(e, kZip64LocatorSig);
        Put32(e, 0);
        Put64(e, end64);
        Put32(e, 1);
    }
    Put32(e, kEndSig);
    Put16(e, 0);
    Put16(e, 0);
    Put16(e, count >= kMax16 ? kMax16 : static_cast<uint16_t>(count));
    Put16(e, count >= kMax16 ? kMax16 : static_cast<uint16_t>(count));
    Put32(e, Clip(centralSize));
    Put32(e, Clip(centralOffset));
    Put16(e, 0);
    return e;
}

}  // namespace qb::izip
