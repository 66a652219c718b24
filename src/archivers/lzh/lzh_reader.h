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

private:
    ByteSource& m_source;
    HeaderDetail m_detail;
    std::uint64_t m_pos;
    WalkStatus m_final = WalkStatus::Member;
    std::string m_error;
    // Bytes of the archive from m_bufStart: the headers of small members lie close together, so
    // one read serves many of them instead of two system calls per header.
    std::vector<std::uint8_t> m_buf;
    std::uint64_t m_bufStart = 0;
    std::size_t m_bufLen = 0;

    long long Window(std::size_t want, const std::uint8_t*& data);
};

// Reads every member header; false (with a message) when the archive is damaged or unreadable,
// the members before the damage read. Up to `threads` threads decode the headers of a large
// archive (the source must then allow reads from several threads at once).
bool ReadAllHeaders(ByteSource& source, std::vector<MemberHeader>& members, std::string& error,
                    unsigned threads = 1);

enum class DecodeStatus { Ok, CrcError, DataError, ReadError, Unsupported, Stopped };

// Takes decoded bytes; returning false stops decoding (DecodeStatus::Stopped).
using DecodeSink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

// Decodes one member's data and checks its size and CRC. Stored members are copied directly,
// compressed ones go through liblhasa. Folder and link entries have no data (Ok at once).
DecodeStatus DecodeMember(ByteSource& source, const MemberHeader& member, const DecodeSink& sink);

const char* DecodeStatusText(DecodeStatus status);

}  // namespace lzh
