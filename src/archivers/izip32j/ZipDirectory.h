// The central directory of an existing ZIP archive, read by ourselves for an update.
//
// An update of a folder of 100,000 files must not hold the whole archive's bookkeeping several
// times over, so a member costs only what deciding and copying it needs: its name, sizes,
// offsets, CRC and times. The records themselves are read again from the old archive when the
// new directory is written (CopyCentral), so their other fields (comments, foreign extra fields)
// go over unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qb::izip {

struct OldMember {
    std::string raw;  // the name bytes as stored
    std::string converted;  // the UTF-8 name when it differs from raw (see NameFromRaw)
    uint64_t localOffset = 0;  // of the local header
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint64_t fileTime = 0;  // NTFS modification time (100-ns ticks), 0 when none
    int64_t unixTime = -1;  // extended timestamp (UTC seconds), -1 when none
    uint32_t crc = 0;
    uint32_t dosTime = 0;  // date << 16 | time, as stored
    uint16_t flags = 0;
    uint16_t method = 0;

    const std::string& Name() const { return converted.empty() ? raw : converted; }
};

class ZipDirectory {
public:
    // Reads the directory of the archive open as fd. Returns ARC_OK, or ARC_ERROR_BAD_ARCHIVE
    // with the reason in why.
    int Read(int fd, std::string& why);

    const std::vector<OldMember>& Members() const { return members_; }
    // The member of that UTF-8 name, or -1. byRaw: a name that is not text, matched by its bytes.
    int64_t Find(const std::string& name, bool byRaw) const;

    // Where member i's local header, data and data descriptor end, read from its local header;
    // false when that header does not match the directory.
    bool MemberEnd(size_t i, uint64_t& end, std::string& why) const;

    // Calls record(i, bytes) for every central record in order, bytes being the whole record
    // as stored. Returns false when the directory cannot be read again.
    using RecordSink = std::function<bool(size_t index, const unsigned char* bytes, size_t size)>;
    bool ForEachRecord(const RecordSink& record) const;

    int Fd() const { return fd_; }

private:
    bool ReadAt(uint64_t offset, void* data, size_t size) const;
    bool ReadRecords(std::string& why, const RecordSink& each) const;

    int fd_ = -1;
    uint64_t fileSize_ = 0;
    uint64_t centralOffset_ = 0, centralSize_ = 0, count_ = 0;
    std::vector<OldMember> members_;
    std::vector<uint32_t> byName_;  // member indexes sorted by Name()
};

}  // namespace qb::izip
