// The central directory of an existing ZIP archive, read by ourselves: for an update, and for
// UnZip's extracting, testing and listing.
//
// Reading is as forgiving as other readers are where no data is at stake: the end record is
// looked for among the last 64 KiB as they look for it, so data may follow the archive; data
// before it (a self-extractor's program) is found from where the directory really lies, even
// when the offsets count from the start of the archive and not of the file; a directory whose
// count disagrees with its records is read by its records. An update is strict instead: it
// rewrites the archive, so one that is not exactly an archive from its first byte to its last
// is left as it is.
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
    uint32_t external = 0;  // external attributes: Unix mode << 16 when made on Unix
    uint16_t flags = 0;
    uint16_t method = 0;
    uint8_t system = 0;  // the system that made it (3: Unix)

    const std::string& Name() const { return converted.empty() ? raw : converted; }
};

// The times a member's extra fields hold, central or local: NTFS ticks (0: none), and Unix
// seconds from the extended timestamp (0x5455), Info-ZIP's older Unix field (0x5855) or
// PKWARE's (0x000d), in that order of preference (-1: none).
void ReadTimeFields(const unsigned char* extra, size_t size, uint64_t& fileTime,
                    int64_t& unixTime);

class ZipDirectory {
public:
    enum class Mode { Update, Extract };

    // Reads the directory of the archive open as fd. Returns ARC_OK, or ARC_ERROR_BAD_ARCHIVE
    // with the reason in why. Member offsets are those in the file (data before the archive
    // counted in).
    int Read(int fd, std::string& why, Mode mode = Mode::Update);

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
    uint64_t FileSize() const { return fileSize_; }
    // Where the archive lies in the file: offsets in the archive count from Start(), and it
    // ends at End() (after its end record and comment).
    uint64_t Start() const { return shift_; }
    uint64_t End() const { return end_; }
    // Where the central directory starts in the file: no member's data reaches past it.
    uint64_t CentralStart() const { return centralOffset_ + shift_; }

private:
    bool ReadAt(uint64_t offset, void* data, size_t size) const;
    bool ReadRecords(std::string& why, const RecordSink& each) const;
    bool FindEnd(std::string& why, Mode mode);
    bool ReadEnd(const unsigned char* end, uint64_t endOffset, bool strict);
    int ReadMembers(std::string& why, Mode mode);

    int fd_ = -1;
    uint64_t fileSize_ = 0;
    uint64_t centralOffset_ = 0, centralSize_ = 0, count_ = 0;
    uint64_t shift_ = 0;  // bytes before the archive that its offsets do not count
    uint64_t end_ = 0;
    bool byRecords_ = false;  // count_ not trusted: records are read while the directory lasts
    std::vector<OldMember> members_;
    std::vector<uint32_t> byName_;  // member indexes sorted by Name()
};

}  // namespace qb::izip
