#include "ZipDirectory.h"

#include "AtomicOutput.h"
#include "MemberName.h"
#include "ZipFormat.h"
#include "archiver_results.h"

#include "platform/Utf8.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace qb::izip {

using namespace zipfmt;

namespace {

constexpr size_t kChunk = 1u << 20;
constexpr uint16_t kUnicodePath = 0x7075;

// Info-ZIP's Unicode path field: the UTF-8 name of a member whose stored name is in a local
// code page, valid while the CRC of the stored name matches.
void ReadUnicodePath(const unsigned char* data, size_t length, OldMember& m)
{
    if (length < 6 || data[0] != 1 || (m.flags & kFlagUtf8))
        return;
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(m.raw.data()), static_cast<uInt>(m.raw.size())));
    if (Get32(data + 1) != crc)
        return;
    std::string name(reinterpret_cast<const char*>(data + 5), length - 5);
    if (!name.empty() && platform::IsValidUtf8(name) && name != m.raw)
        m.converted = std::move(name);
}

// The fields of a central record's extra data that we use.
void ReadExtras(const unsigned char* p, size_t size, OldMember& m, uint32_t size32,
                uint32_t packed32, uint32_t offset32)
{
    ReadTimeFields(p, size, m.fileTime, m.unixTime);
    for (size_t pos = 0; pos + 4 <= size;) {
        uint16_t id = Get16(p + pos);
        size_t length = Get16(p + pos + 2);
        const unsigned char* data = p + pos + 4;
        if (pos + 4 + length > size)
            break;
        if (id == kZip64Field) {
            size_t at = 0;
            if (size32 == kMax32 && at + 8 <= length)
                m.size = Get64(data + at), at += 8;
            if (packed32 == kMax32 && at + 8 <= length)
                m.compressedSize = Get64(data + at), at += 8;
            if (offset32 == kMax32 && at + 8 <= length)
                m.localOffset = Get64(data + at);
        } else if (id == kUnicodePath) {
            ReadUnicodePath(data, length, m);
        }
        pos += 4 + length;
    }
}

}  // namespace

void ReadTimeFields(const unsigned char* p, size_t size, uint64_t& fileTime, int64_t& unixTime)
{
    int rank = 0;  // of the Unix time taken so far: 3 extended timestamp, 2 and 1 the older ones
    for (size_t pos = 0; pos + 4 <= size;) {
        uint16_t id = Get16(p + pos);
        size_t length = Get16(p + pos + 2);
        const unsigned char* data = p + pos + 4;
        if (pos + 4 + length > size)
            break;
        if (id == 0x000a && length >= 4 && fileTime == 0) {
            for (size_t t = 4; t + 4 <= length;) {
                uint16_t tag = Get16(data + t);
                size_t tagSize = Get16(data + t + 2);
                if (t + 4 + tagSize > length)
                    break;
                if (tag == 1 && tagSize >= 24)
                    fileTime = Get64(data + t + 4);
                t += 4 + tagSize;
            }
        } else if (id == 0x5455 && length >= 5 && (data[0] & 1) && rank < 3) {
            unixTime = Get32(data + 1), rank = 3;
        } else if (id == 0x5855 && length >= 8 && rank < 2) {
            unixTime = Get32(data + 4), rank = 2;  // access time, then modification time
        } else if (id == 0x000d && length >= 8 && rank < 1) {
            unixTime = Get32(data + 4), rank = 1;
        }
        pos += 4 + length;
    }
}

bool ZipDirectory::ReadAt(uint64_t offset, void* data, size_t size) const
{
    return arc::ReadFullAt(fd_, data, size, offset) == static_cast<ssize_t>(size);
}

// Takes the end record at endOffset (end: its 22 bytes) and the ZIP64 records it calls for;
// false when they do not lead to a central directory. Without strict the directory may lie
// further on than the record says, by the data before the archive.
bool ZipDirectory::ReadEnd(const unsigned char* end, uint64_t endOffset, bool strict)
{
    if (Get16(end + 4) != 0 || Get16(end + 6) != 0)
        return false;  // split over several disks
    count_ = Get16(end + 10);
    centralSize_ = Get32(end + 12);
    centralOffset_ = Get32(end + 16);
    uint64_t directoryEnd = endOffset;  // where the central directory must end
    if (count_ == kMax16 || centralSize_ == kMax32 || centralOffset_ == kMax32) {
        unsigned char locator[kZip64LocatorSize];
        unsigned char end64[kZip64EndSize];
        if (endOffset < kZip64LocatorSize ||
            !ReadAt(endOffset - kZip64LocatorSize, locator, sizeof locator) ||
            Get32(locator) != kZip64LocatorSig)
            return false;
        uint64_t at = Get64(locator + 8);
        if (!ReadAt(at, end64, sizeof end64) || Get32(end64) != kZip64EndSig) {
            // Data before the archive moves the record too; it usually sits just before the
            // locator.
            at = endOffset - kZip64LocatorSize - kZip64EndSize;
            if (strict || endOffset < kZip64LocatorSize + kZip64EndSize ||
                !ReadAt(at, end64, sizeof end64) || Get32(end64) != kZip64EndSig)
                return false;
        }
        count_ = Get64(end64 + 32);
        centralSize_ = Get64(end64 + 40);
        centralOffset_ = Get64(end64 + 48);
        directoryEnd = at;
    }
    if (centralSize_ > directoryEnd)
        return false;
    auto centralAt = [&](uint64_t offset) {
        unsigned char sig[4];
        return (count_ == 0 && centralSize_ == 0) ||
               (offset + kCentralSize <= fileSize_ && ReadAt(offset, sig, 4) &&
                Get32(sig) == kCentralSig);
    };
    shift_ = 0;
    if (centralOffset_ <= directoryEnd - centralSize_ && centralAt(centralOffset_))
        return true;
    const uint64_t real = directoryEnd - centralSize_;
    if (strict || real < centralOffset_ || !centralAt(real))
        return false;
    shift_ = real - centralOffset_;
    return true;
}

// The end record sits in the last 22 bytes plus at most a 65,535-byte comment. Other readers
// take the last record there that leads to a directory, with whatever follows it; an update
// takes only a record that ends the file with its comment.
bool ZipDirectory::FindEnd(std::string& why, Mode mode)
{
    const bool strict = mode == Mode::Update;
    size_t tail = static_cast<size_t>(std::min<uint64_t>(fileSize_, kEndSize + kMax16));
    std::string buffer(tail, '\0');
    why = "it has no end record";
    if (tail < kEndSize || !ReadAt(fileSize_ - tail, buffer.data(), tail))
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(buffer.data());
    for (size_t at = tail - kEndSize + 1; at-- > 0;) {
        if (Get32(b + at) != kEndSig)
            continue;
        const size_t comment = Get16(b + at + 20);
        if (strict && at + kEndSize + comment != tail)
            continue;
        const uint64_t endOffset = fileSize_ - tail + at;
        if (!ReadEnd(b + at, endOffset, strict)) {
            why = "its end record does not lead to a central directory";
            continue;
        }
        end_ = std::min<uint64_t>(fileSize_, endOffset + kEndSize + comment);
        return true;
    }
    return false;
}

int ZipDirectory::Read(int fd, std::string& why, Mode mode)
{
    fd_ = fd;
    struct stat info { };
    if (fstat(fd, &info) != 0) {
        why = "it cannot be read";
        return ARC_ERROR_BAD_ARCHIVE;
    }
    fileSize_ = static_cast<uint64_t>(info.st_size);
    if (!FindEnd(why, mode))
        return ARC_ERROR_BAD_ARCHIVE;
    if (centralOffset_ > fileSize_ || centralSize_ > fileSize_ - centralOffset_ ||
        (mode == Mode::Update && count_ > centralSize_ / kCentralSize)) {
        why = "its central directory lies outside the file";
        return ARC_ERROR_BAD_ARCHIVE;
    }
    byRecords_ = mode == Mode::Extract;
    return ReadMembers(why, mode);
}

int ZipDirectory::ReadMembers(std::string& why, Mode mode)
{
    members_.clear();
    members_.reserve(static_cast<size_t>(std::min<uint64_t>(count_, centralSize_ / kCentralSize)));
    const uint64_t centralStart = CentralStart();
    uint64_t firstOffset = UINT64_MAX;
    bool ok = ReadRecords(why, [&](size_t, const unsigned char* r, size_t) {
        OldMember m;
        m.system = r[5];
        m.flags = Get16(r + 8);
        m.method = Get16(r + 10);
        m.dosTime = Get32(r + 12);
        m.crc = Get32(r + 16);
        uint32_t packed32 = Get32(r + 20), size32 = Get32(r + 24), offset32 = Get32(r + 42);
        m.external = Get32(r + 38);
        m.compressedSize = packed32;
        m.size = size32;
        m.localOffset = offset32;
        size_t nameLength = Get16(r + 28), extraLength = Get16(r + 30);
        m.raw.assign(reinterpret_cast<const char*>(r + kCentralSize), nameLength);
        ReadExtras(r + kCentralSize + nameLength, extraLength, m, size32, packed32, offset32);
        // A member that lies outside the archive fails on its own when it is read; an update
        // keeps nothing it cannot copy.
        if (mode == Mode::Update &&
            (m.localOffset >= centralStart || m.compressedSize > centralStart - m.localOffset)) {
            why = "a member lies outside the file: " + m.raw;
            return false;
        }
        m.localOffset += shift_;
        firstOffset = std::min(firstOffset, m.localOffset);
        if (m.converted.empty()) {
            std::string name = NameFromRaw(m.raw);
            if (name != m.raw)
                m.converted = std::move(name);
        }
        members_.push_back(std::move(m));
        return true;
    });
    if (!ok)
        return ARC_ERROR_BAD_ARCHIVE;
    if (mode == Mode::Update && !members_.empty() && firstOffset != 0) {
        why = "it has data before its first member";
        return ARC_ERROR_BAD_ARCHIVE;
    }
    byName_.resize(members_.size());
    for (size_t i = 0; i < byName_.size(); ++i)
        byName_[i] = static_cast<uint32_t>(i);
    std::stable_sort(byName_.begin(), byName_.end(), [&](uint32_t a, uint32_t b) {
        return members_[a].Name() < members_[b].Name();
    });
    return ARC_OK;
}

// Reads count_ records; or, when reading by records, the records that fill the directory, so
// that a count that wrapped past 65,535 without ZIP64 records still finds every member.
bool ZipDirectory::ReadRecords(std::string& why, const RecordSink& each) const
{
    std::unique_ptr<unsigned char[]> chunk(new unsigned char[kChunk + kCentralSize + 3 * kMax16]);
    const uint64_t start = CentralStart(), end = start + centralSize_;
    uint64_t pos = start, consumed = 0;
    size_t have = 0, used = 0;  // bytes in chunk, and consumed of them
    for (uint64_t i = 0; byRecords_ ? consumed < centralSize_ : i < count_; ++i) {
        // Keep at least one whole record (at most 46 + 3 * 65,535 bytes) in the buffer.
        if (have - used < kCentralSize + 3 * kMax16 && pos < end) {
            std::copy(chunk.get() + used, chunk.get() + have, chunk.get());
            have -= used;
            used = 0;
            size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, end - pos));
            if (!ReadAt(pos, chunk.get() + have, n)) {
                why = "its central directory cannot be read";
                return false;
            }
            have += n;
            pos += n;
        }
        const unsigned char* r = chunk.get() + used;
        if (have - used < kCentralSize || Get32(r) != kCentralSig) {
            if (byRecords_ && i >= count_)
                return true;  // what follows the records the end record counts is not ours
            why = "its central directory is damaged";
            return false;
        }
        size_t size = kCentralSize + Get16(r + 28) + Get16(r + 30) + Get16(r + 32);
        if (have - used < size || (!byRecords_ && Get16(r + 34) != 0)) {
            why = "its central directory is damaged";
            return false;
        }
        if (!each(static_cast<size_t>(i), r, size))
            return false;
        used += size;
        consumed += size;
    }
    return true;
}

bool ZipDirectory::ForEachRecord(const RecordSink& record) const
{
    std::string why;
    return ReadRecords(why, record);
}

int64_t ZipDirectory::Find(const std::string& name, bool byRaw) const
{
    if (byRaw) {
        for (size_t i = 0; i < members_.size(); ++i)
            if (!members_[i].converted.empty() && members_[i].raw == name)
                return static_cast<int64_t>(i);
        return -1;
    }
    auto it =
        std::lower_bound(byName_.begin(), byName_.end(), name,
                         [&](uint32_t a, const std::string& n) { return members_[a].Name() < n; });
    if (it == byName_.end() || members_[*it].Name() != name)
        return -1;
    return *it;
}

bool ZipDirectory::MemberEnd(size_t i, uint64_t& end, std::string& why) const
{
    const OldMember& m = members_[i];
    unsigned char local[kLocalSize];
    if (!ReadAt(m.localOffset, local, sizeof local) || Get32(local) != kLocalSig ||
        Get16(local + 26) != m.raw.size()) {
        why = "the local header of " + m.Name() + " does not match the directory";
        return false;
    }
    end = m.localOffset + kLocalSize + Get16(local + 26) + Get16(local + 28) + m.compressedSize;
    if (m.flags & kFlagDescriptor) {
        unsigned char sig[4];
        bool zip64 = m.size >= kMax32 || m.compressedSize >= kMax32;
        if (!ReadAt(end, sig, sizeof sig)) {
            why = "the data of " + m.Name() + " is cut short";
            return false;
        }
        end += (Get32(sig) == kDescriptorSig ? 4 : 0) + (zip64 ? 20 : 12);
    }
    if (end > centralOffset_) {
        why = "the data of " + m.Name() + " runs into the directory";
        return false;
    }
    return true;
}

}  // namespace qb::izip
