// Walking an LZH archive member by member, and reading member data back through liblhasa's
// decoders.
//
// The archive is read through a ByteSource (a file descriptor, or memory for tests and the fuzz
// harness) with positioned reads, so a member's data can be decoded or copied at any time
// without disturbing the walk.
#pragma once

#include "lzh_header.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lzh {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to size bytes at offset; returns the count (short only at the end), -1 on error.
    virtual long long ReadAt(std::uint64_t offset, void* buf, std::size_t size) = 0;
    virtual std::uint64_t Size() const = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size)
        : m_data(static_cast<const std::uint8_t*>(data)), m_size(size)
    { }
    long long ReadAt(std::uint64_t offset, void* buf, std::size_t size) override;
    std::uint64_t Size() const override { return m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// Owns an open file descriptor (closed on destruction).
class FileSource final : public ByteSource {
public:
    explicit FileSource(int fd);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    long long ReadAt(std::uint64_t offset, void* buf, std::size_t size) override;
    std::uint64_t Size() const override { return m_size; }
    int Fd() const { return m_fd; }

private:
    int m_fd;
    std::uint64_t m_size = 0;
};

// Where the members of an archive begin. Most archives start with their first member header; a
// self-extracting archive has its program first, and the first header is found by looking for
// one in the leading part of the file that reads as the start of an archive (a valid header
// whose member fits in the file, followed by another, by the end marker or by the end of the
// file). A file of exactly one zero byte is an empty archive. Anything else - an empty file, a
// text, zeros, a zero byte followed by data with no header - is not an archive.
struct ArchiveStart {
    enum class Kind { Members, Empty, NotArchive, ReadError };
    Kind kind = Kind::NotArchive;
    std::uint64_t offset = 0;  // Members: where the first header begins
    std::string error;  // NotArchive, ReadError: why, for people
};

// How far into a file the first header of a self-extracting archive is looked for.
constexpr std::uint64_t kSelfExtractorSearch = 256 * 1024;

ArchiveStart FindArchiveStart(ByteSource& source);

enum class WalkStatus { Member, End, Damaged, ReadError };

// Steps through the members. After End, Damaged or ReadError every further call returns the same.
class ArchiveReader {
public:
    // start: where the first header to read begins (a member boundary).
    explicit ArchiveReader(ByteSource& source, HeaderDetail detail = HeaderDetail::Full,
                           std::uint64_t start = 0)
        : m_source(source), m_detail(detail), m_pos(start)
    { }
    WalkStatus Next(MemberHeader& member);
    const std::string& Error() const { return m_error; }
    // After Damaged: the archive ends inside a member's data (not inside a header).
    bool DataCut() const { return m_dataCut; }

private:
    ByteSource& m_source;
    HeaderDetail m_detail;
    std::uint64_t m_pos;
    WalkStatus m_final = WalkStatus::Member;
    std::string m_error;
    bool m_dataCut = false;
    // Bytes of the archive from m_bufStart: the headers of small members lie close together, so
    // one read serves many of them instead of two system calls per header.
    std::vector<std::uint8_t> m_buf;
    std::uint64_t m_bufStart = 0;
    std::size_t m_bufLen = 0;

    long long Window(std::size_t want, const std::uint8_t*& data);
};

// Reads every member header, from where FindArchiveStart finds the first; false (with a message)
// when the file is not an archive, or the archive is damaged or unreadable, the members before
// the damage read. start, when given, receives where the members begin. Up to `threads` threads decode the headers of a large
// archive (the source must then allow reads from several threads at once).
bool ReadAllHeaders(ByteSource& source, std::vector<MemberHeader>& members, std::string& error,
                    unsigned threads = 1, std::uint64_t* start = nullptr);

enum class DecodeStatus { Ok, CrcError, DataError, ReadError, Unsupported, Stopped };

// Takes decoded bytes; returning false stops decoding (DecodeStatus::Stopped).
using DecodeSink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

// Decodes one member's data and checks its size and CRC. Stored members are copied directly,
// -lh5- to -lh7- go through our decoder, the other methods through liblhasa. Folder and link
// entries have no data (Ok at once). Members from Mac LHA (OS id 'm') usually carry their file
// in a MacBinary wrapper: when the first 128 bytes are such a wrapper made for this member, only
// the file's data (its data fork, else its resource fork) goes to the sink, while the CRC is
// still checked over everything stored.
DecodeStatus DecodeMember(ByteSource& source, const MemberHeader& member, const DecodeSink& sink);

const char* DecodeStatusText(DecodeStatus status);

}  // namespace lzh
