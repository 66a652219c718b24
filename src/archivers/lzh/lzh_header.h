// Member headers of LZH archives: the parsed form, the parser for header levels 0 to 3 and the
// writer of our own level-2 headers.
//
// An LZH archive is a plain sequence of members, each a header followed by its packed data, ended
// by a single zero byte. Level 0 and 1 headers are protected by an 8-bit byte sum, level 2 and 3
// by a CRC-16 in the "common" extended header 0x00. Sizes, names, times and modes may sit in the
// fixed part or in a chain of extended headers, depending on the level and the writer; the
// parser gathers them into one MemberHeader. It reads what the writers of other systems made of
// the format as other readers do: OS-9/68k LHA's level-2 header size two bytes short, level-2
// headers of Atari LHarc without the header CRC, the Unix and OS-9 areas of level-0 headers,
// OS-9 rights, and empty date fields.
#pragma once

#include "lzh_names.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lzh {

struct MemberHeader {
    std::string method;  // "-lh5-", "-lhd-", ...
    int level = 0;
    std::uint8_t osId = 0;
    std::uint64_t packedSize = 0;
    std::uint64_t originalSize = 0;
    std::int64_t mtime = 0;  // Unix seconds (UTC); 0 when the header has no date
    bool hasDate = true;  // false: the date field is empty (or no real date), mtime means nothing
    bool dosTime = false;  // the time is an MS-DOS one: local time in two-second steps
    std::optional<std::uint64_t> fileTime;  // exact last-write time (0x41), FILETIME ticks
    std::uint8_t attribute = 0x20;  // MS-DOS attribute bits
    std::uint16_t crc = 0;  // CRC-16 of the original data
    bool hasCrc = true;  // false for very old level-0 headers without the field
    std::optional<std::uint16_t> unixMode;  // OS-9 rights are given in their Unix form
    NameCharset charset = NameCharset::Guess;

    std::vector<std::string> components;  // UTF-8 path components, safe to display
    bool hadLeadingSeparator = false;  // stored as an absolute path (the separator is dropped)
    bool isDirectory = false;
    bool isSymlink = false;
    std::string linkTarget;  // UTF-8, for symbolic links only
    std::string storedPath;  // the path bytes as stored, '/' separated (a 0xFF inside the
        // name itself is kept as it is), when they differ from Path()
        // (names that are not text are matched by these); empty otherwise

    std::uint64_t headerOffset = 0;  // where the header starts in the archive
    std::uint64_t headerSize = 0;  // bytes from headerOffset to the packed data
    std::uint64_t dataOffset = 0;  // where the packed data starts

    // The path with '/' separators, as listings show it.
    std::string Path() const;
    // The same, appended to `out` (a caller comparing many paths reuses one string).
    void AppendPath(std::string& out) const;
};

// Windows file times (FILETIME): 100-ns ticks since 1601-01-01 UTC. Times before 1970 are
// not kept (FileTimeFromUnix gives nothing for them).
constexpr std::uint64_t kFileTimeOfUnixEpoch = 116444736000000000ull;
std::optional<std::uint64_t> FileTimeFromUnix(std::int64_t seconds, long nanoseconds);
// Seconds and nanoseconds of a FILETIME of 1970 or later.
void UnixFromFileTime(std::uint64_t fileTime, std::int64_t& seconds, long& nanoseconds);

// Parser results. Incomplete means more bytes are needed than were given (Needed() tells how
// many); every other failure is a damaged header.
enum class HeaderStatus { Ok, EndOfArchive, Incomplete, Damaged };

struct HeaderParse {
    HeaderStatus status = HeaderStatus::Damaged;
    std::size_t needed = 0;  // for Incomplete: total bytes needed from the header start
    std::string error;  // for Damaged: what is wrong, for people
};

// What a parse fills in: everything, or only where the member lies (sizes and offsets, checks
// included), for a walk that counts the members and need not decode their names.
enum class HeaderDetail { Full, LayoutOnly };

// Parses one member header from the bytes at the start of buf (buf.size() may be less than the
// header; the parser then asks for more). offset is where buf starts in the archive, so that the
// offsets in the result are absolute. A zero first byte is the end of the archive.
HeaderParse ParseHeader(const std::uint8_t* buf, std::size_t size, std::uint64_t offset,
                        MemberHeader& out, HeaderDetail detail = HeaderDetail::Full);

// What our writer stores for one member. Names are stored as the bytes given, declared by the
// code page header (0x46) unless codePage is 0 (bytes of no known code).
struct NewMember {
    std::string method;  // "-lh0-", "-lh5-", "-lh6-", "-lh7-" or "-lhd-"
    std::vector<std::string> folders;  // folder part of the path (components, as stored)
    std::string name;  // file name (as stored); empty for folder entries
    std::uint32_t codePage = 65001;  // 65001 UTF-8, 932 CP932, 437, 0 none
    std::uint64_t packedSize = 0;
    std::uint64_t originalSize = 0;
    std::int64_t mtime = 0;  // Unix seconds
    std::optional<std::uint64_t> fileTime;  // exact modification time for 0x41, FILETIME ticks
    std::uint16_t crc = 0;
    std::uint16_t unixMode = 0100644;  // type and permission bits
    std::uint8_t attribute = 0x20;
};

// Builds a level-2 header: the fixed part, extended headers 0x46 (code page, unless 0), 0x01
// (name), 0x02 (folders), 0x40 (attribute, when not plain 0x20), 0x41 (the exact time as
// creation, last write and last access, when given), 0x50 (Unix mode), 0x42 (64-bit sizes, for
// members of 4 GiB and more) and last 0x00 with the CRC of the whole header. The size is never a
// multiple of 256, because its low byte is the first byte of the member and a zero there would
// read as the end of the archive; an extra byte in the 0x00 header avoids it rather than a pad
// after the chain, which some readers would take for data. Fails (empty result) when the header
// would exceed 64 KiB.
std::vector<std::uint8_t> BuildLevel2Header(const NewMember& member);

}  // namespace lzh
