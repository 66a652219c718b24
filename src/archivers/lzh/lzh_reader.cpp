#include "lzh_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

#include <lha_decoder.h>

#include "lzh_crc16.h"
#include "lzh_decode.h"

namespace lzh {

long long MemorySource::ReadAt(std::uint64_t offset, void* buf, std::size_t size)
{
    if (offset >= m_size)
        return 0;
    std::size_t n = std::min<std::uint64_t>(size, m_size - offset);
    std::memcpy(buf, m_data + offset, n);
    return static_cast<long long>(n);
}

FileSource::FileSource(int fd) : m_fd(fd)
{
    struct stat st { };
    if (fd >= 0 && fstat(fd, &st) == 0)
        m_size = static_cast<std::uint64_t>(st.st_size);
}

FileSource::~FileSource()
{
    if (m_fd >= 0)
        close(m_fd);
}

long long FileSource::ReadAt(std::uint64_t offset, void* buf, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = pread(m_fd, static_cast<char*>(buf) + done, size - done,
                          static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

// Points data at the archive from m_pos and returns how many bytes are there: at least want
// unless the archive ends first, -1 when it cannot be read. Reads ahead only a few KiB, so an
// archive of large members costs little more than reading the headers alone.
long long ArchiveReader::Window(std::size_t want, const std::uint8_t*& data)
{
    if (m_pos >= m_bufStart && m_pos - m_bufStart < m_bufLen &&
        m_bufLen - (m_pos - m_bufStart) >= want) {
        data = m_buf.data() + (m_pos - m_bufStart);
        return static_cast<long long>(m_bufLen - (m_pos - m_bufStart));
    }
    constexpr std::size_t kReadAhead = 8 * 1024;
    std::size_t size = std::max(want, kReadAhead);
    if (m_buf.size() < size)
        m_buf.resize(size);
    m_bufLen = 0;
    long long got = m_source.ReadAt(m_pos, m_buf.data(), size);
    if (got < 0)
        return -1;
    m_bufStart = m_pos;
    m_bufLen = static_cast<std::size_t>(got);
    data = m_buf.data();
    return got;
}

WalkStatus ArchiveReader::Next(MemberHeader& member)
{
    if (m_final != WalkStatus::Member)
        return m_final;
    std::size_t want = 64;
    for (;;) {
        const std::uint8_t* data = nullptr;
        long long got = Window(want, data);
        if (got < 0) {
            m_error = "cannot read the archive";
            return m_final = WalkStatus::ReadError;
        }
        if (got == 0)
            return m_final = WalkStatus::End;  // end of file at a member boundary is accepted
        HeaderParse r = ParseHeader(data, static_cast<std::size_t>(got), m_pos, member, m_detail);
        switch (r.status) {
        case HeaderStatus::EndOfArchive:
            return m_final = WalkStatus::End;  // whatever follows the marker is not ours
        case HeaderStatus::Incomplete:
            if (static_cast<std::size_t>(got) < want || r.needed <= static_cast<std::size_t>(got)) {
                m_error = "the archive ends inside the member header at byte " +
                          std::to_string(m_pos);
                return m_final = WalkStatus::Damaged;
            }
            want = r.needed;
            continue;
        case HeaderStatus::Damaged:
            m_error = "damaged member header at byte " + std::to_string(m_pos) + ": " + r.error;
            return m_final = WalkStatus::Damaged;
        case HeaderStatus::Ok:
            break;
        }
        std::uint64_t size = m_source.Size();
        if (member.dataOffset > size || member.packedSize > size - member.dataOffset) {
            m_error = "the archive ends inside the data of " +
                      (m_detail == HeaderDetail::Full
                           ? member.Path()
                           : "the member at byte " + std::to_string(member.headerOffset));
            m_dataCut = true;
            return m_final = WalkStatus::Damaged;
        }
        m_pos = member.dataOffset + member.packedSize;
        return WalkStatus::Member;
    }
}

namespace {

// The method field of a header as LHA, LArc and PMarc write it ("-pms-" is a string inside
// PMarc's self-extractor program, never a method).
bool LooksLikeMethod(const std::uint8_t* header)
{
    if (header[2] != '-' || header[6] != '-')
        return false;
    if (header[3] == 'l' && header[4] == 'h')
        return true;
    if (header[3] == 'l' && header[4] == 'z')
        return header[5] == '4' || header[5] == '5' || header[5] == 's';
    return header[3] == 'p' && header[4] == 'm' && header[5] != 's';
}

// True when an archive could begin at offset: a whole first member, followed by the end marker,
// the end of the file or another member. A program's bytes rarely pass all of that by chance.
bool ArchiveBeginsAt(ByteSource& source, std::uint64_t offset)
{
    ArchiveReader reader(source, HeaderDetail::LayoutOnly, offset);
    MemberHeader m;
    if (reader.Next(m) != WalkStatus::Member)
        return false;
    const WalkStatus next = reader.Next(m);
    return next == WalkStatus::Member || next == WalkStatus::End;
}

}  // namespace

ArchiveStart FindArchiveStart(ByteSource& source)
{
    ArchiveStart r;
    const std::uint64_t size = source.Size();
    if (size == 0) {
        r.error = "the file is empty, not an LZH archive";
        return r;
    }
    std::vector<std::uint8_t> lead;
    auto readLead = [&](std::uint64_t n) {
        lead.resize(static_cast<std::size_t>(std::min(size, n)));
        if (source.ReadAt(0, lead.data(), lead.size()) == static_cast<long long>(lead.size()))
            return true;
        r.kind = ArchiveStart::Kind::ReadError;
        r.error = "cannot read the archive";
        return false;
    };
    // The first bytes tell most archives; only a self-extractor needs the leading part read.
    if (!readLead(7))
        return r;
    if (lead[0] == 0 && size == 1) {
        r.kind = ArchiveStart::Kind::Empty;
        return r;
    }
    // A plain archive: whatever is wrong further on is damage, reported by the walk.
    if (lead[0] != 0 && lead.size() == 7 && LooksLikeMethod(lead.data())) {
        r.kind = ArchiveStart::Kind::Members;
        return r;
    }
    if (!readLead(kSelfExtractorSearch + 7))
        return r;
    for (std::size_t at = 1; at + 7 <= lead.size() && at < kSelfExtractorSearch; ++at) {
        if (lead[at] != 0 && LooksLikeMethod(lead.data() + at) && ArchiveBeginsAt(source, at)) {
            r.kind = ArchiveStart::Kind::Members;
            r.offset = at;
            return r;
        }
    }
    r.error = size > kSelfExtractorSearch
                  ? "not an LZH archive (no member header in its first " +
                        std::to_string(kSelfExtractorSearch / 1024) + " KiB)"
                  : std::string("not an LZH archive (no member header in it)");
    return r;
}

bool ReadAllHeaders(ByteSource& source, std::vector<MemberHeader>& members, std::string& error,
                    unsigned threads, std::uint64_t* start)
{
    const ArchiveStart found = FindArchiveStart(source);
    if (start)
        *start = found.offset;
    if (found.kind == ArchiveStart::Kind::Empty)
        return true;
    if (found.kind != ArchiveStart::Kind::Members) {
        error = found.error;
        return false;
    }
    // First where each header lies, without decoding names: the list is then made once at its
    // size (growing it would, for a moment, hold the headers of a large archive one and a half
    // times over), and its parts can be read at the same time. Decoding names checks nothing
    // more, so this walk also finds where the archive ends or is damaged.
    std::vector<std::uint64_t> starts;
    WalkStatus end;
    bool dataCut = false;
    {
        ArchiveReader layout(source, HeaderDetail::LayoutOnly, found.offset);
        MemberHeader m;
        std::uint64_t at = found.offset;
        while ((end = layout.Next(m)) == WalkStatus::Member) {
            starts.push_back(at);
            at = m.dataOffset + m.packedSize;
        }
        error = layout.Error();
        dataCut = layout.DataCut();
        if (end == WalkStatus::Damaged && dataCut) {
            // The layout walk does not decode names; the member whose data is cut is named.
            ArchiveReader named(source, HeaderDetail::Full, at);
            MemberHeader cut;
            named.Next(cut);
            error = named.Error();
        }
    }
    const std::size_t first = members.size();
    members.resize(first + starts.size());

    // Each part read by one thread; the first that fails (the archive changed under us, a read
    // error) ends the list there.
    constexpr std::size_t kPerThread = 4096;  // fewer are read sooner than a thread starts
    const std::size_t parts =
        std::clamp<std::size_t>(starts.size() / kPerThread, 1, std::max(threads, 1u));
    std::vector<std::size_t> failedAt(parts, starts.size());
    std::vector<std::string> errors(parts);
    // What a part threw (out of memory), thrown again here once every thread has ended.
    std::vector<std::exception_ptr> thrown(parts);
    auto readPart = [&](std::size_t part) {
        try {
            const std::size_t from = starts.size() * part / parts;
            const std::size_t to = starts.size() * (part + 1) / parts;
            if (from == to)
                return;
            ArchiveReader reader(source, HeaderDetail::Full, starts[from]);
            MemberHeader m;
            for (std::size_t k = from; k < to; ++k) {
                if (reader.Next(m) != WalkStatus::Member) {
                    failedAt[part] = k;
                    errors[part] = reader.Error();
                    return;
                }
                // A copy: its strings take only the room they need, where m's grew as they
                // were decoded.
                members[first + k] = m;
            }
        } catch (...) {
            thrown[part] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;  // joined at the end of this block
        helpers.reserve(parts - 1);
        try {
            for (std::size_t part = 1; part < parts; ++part)
                helpers.emplace_back(readPart, part);
        } catch (...) {
            // No thread to be had: the parts not started are read here.
            for (std::size_t part = helpers.size() + 1; part < parts; ++part)
                readPart(part);
        }
        readPart(0);
    }
    for (const std::exception_ptr& e : thrown) {
        if (e)
            std::rethrow_exception(e);
    }
    for (std::size_t part = 0; part < parts; ++part) {
        if (failedAt[part] < starts.size()) {
            members.resize(first + failedAt[part]);
            error = errors[part].empty() ? "cannot read the archive" : errors[part];
            return false;
        }
    }
    // A damaged header has no name to tell; the member before it places it.
    if (end == WalkStatus::Damaged && !dataCut && members.size() > first)
        error += " (after " + members.back().Path() + ")";
    return end == WalkStatus::End;
}

namespace {

// liblhasa asks for its input a few bytes at a time; reading those straight from the archive
// would cost one system call per few bytes. The packed data is read in large pieces instead.
struct PackedInput {
    ByteSource* source;
    std::uint64_t pos;  // next byte of the archive to read into the buffer
    std::uint64_t left;  // packed bytes not yet read into the buffer
    bool failed = false;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(64 * 1024);
    std::size_t at = 0, end = 0;  // unread part of the buffer
};

// liblhasa takes a read shorter than it asked for as the end of the data, so every read is
// filled whole as long as packed bytes are left.
size_t FeedDecoder(void* buf, size_t len, void* user)
{
    auto* in = static_cast<PackedInput*>(user);
    std::size_t done = 0;
    while (done < len) {
        if (in->at == in->end) {
            std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(in->buffer.size(), in->left));
            if (n == 0)
                break;
            long long got = in->source->ReadAt(in->pos, in->buffer.data(), n);
            if (got <= 0) {
                in->failed = true;
                break;
            }
            in->pos += static_cast<std::uint64_t>(got);
            in->left -= static_cast<std::uint64_t>(got);
            in->at = 0;
            in->end = static_cast<std::size_t>(got);
        }
        std::size_t n = std::min(len - done, in->end - in->at);
        std::memcpy(static_cast<std::uint8_t*>(buf) + done, in->buffer.data() + in->at, n);
        in->at += n;
        done += n;
    }
    return done;
}

struct DecoderFree {
    void operator()(LHADecoder* d) const { lha_decoder_free(d); }
};

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

bool AllZero(const std::uint8_t* p, std::size_t n)
{
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

// The MacBinary header Mac LHA puts before a member's file: 128 bytes holding the file's name,
// the lengths of its two forks and its times. It has no signature, so it is recognised by what
// must hold for one made for this very member: the reserved fields zero, the member's own name,
// lengths that add up to the member's size, and a modification time (local time, seconds since
// 1904) within the widest time-zone offset of the member's.
constexpr std::size_t kMacBinaryHeader = 128;

bool IsMacBinaryFor(const std::uint8_t* h, const MemberHeader& member)
{
    if (h[0] != 0 || h[0x4A] != 0 || h[0x52] != 0 || !AllZero(h + 0x63, kMacBinaryHeader - 0x63))
        return false;
    const std::string& path = member.storedPath.empty() ? member.Path() : member.storedPath;
    const std::string name = path.substr(path.rfind('/') + 1);
    const std::size_t nameLength = h[1];
    if (nameLength > 63 || nameLength != name.size() ||
        std::memcmp(h + 2, name.data(), nameLength) != 0 ||
        !AllZero(h + 2 + nameLength, 63 - nameLength))
        return false;
    const std::uint64_t data = BigEndian32(h + 0x53), resource = BigEndian32(h + 0x57);
    auto round = [](std::uint64_t n) { return (n + 127) & ~std::uint64_t{127}; };
    if (member.originalSize != round(kMacBinaryHeader + data + resource) &&
        member.originalSize != kMacBinaryHeader + round(data) + round(resource))
        return false;
    constexpr std::int64_t kMacEpoch = 2082844800;  // 1904-01-01 to 1970-01-01, in seconds
    constexpr std::int64_t kWidestZone = 14 * 3600;
    const std::int64_t modified = static_cast<std::int64_t>(BigEndian32(h + 0x5F)) - kMacEpoch;
    if (modified < 0)
        return false;
    return !member.hasDate || std::llabs(modified - member.mtime) <= kWidestZone;
}

// Passes a member's data on, without the MacBinary wrapper when it has one: the first 128 bytes
// are held back until it is known, then only the file's data fork (or its resource fork when
// the data fork is empty) goes on.
class MacBinaryFilter {
public:
    MacBinaryFilter(const MemberHeader& member, const DecodeSink& sink)
        : m_member(member), m_sink(sink)
    { }

    bool operator()(const std::uint8_t* data, std::size_t n)
    {
        if (m_held < kMacBinaryHeader) {
            std::size_t take = std::min(n, kMacBinaryHeader - m_held);
            std::memcpy(m_header + m_held, data, take);
            m_held += take;
            data += take;
            n -= take;
            if (m_held < kMacBinaryHeader)
                return true;
            if (IsMacBinaryFor(m_header, m_member)) {
                const std::uint32_t dataFork = BigEndian32(m_header + 0x53);
                m_left = dataFork > 0 ? dataFork : BigEndian32(m_header + 0x57);
            } else if (!m_sink(m_header, kMacBinaryHeader)) {
                return false;
            }
        }
        if (!m_left)
            return n == 0 || m_sink(data, n);
        std::size_t pass = static_cast<std::size_t>(std::min<std::uint64_t>(n, *m_left));
        *m_left -= pass;
        return pass == 0 || m_sink(data, pass);
    }

private:
    const MemberHeader& m_member;
    const DecodeSink& m_sink;
    std::uint8_t m_header[kMacBinaryHeader];
    std::size_t m_held = 0;
    std::optional<std::uint64_t> m_left;  // the fork's bytes still to pass, once unwrapped
};

}  // namespace

DecodeStatus DecodeMember(ByteSource& source, const MemberHeader& member, const DecodeSink& output)
{
    if (member.method == "-lhd-" || member.isSymlink)
        return DecodeStatus::Ok;
    std::optional<MacBinaryFilter> unwrap;
    if (member.osId == 'm' && member.originalSize >= kMacBinaryHeader)
        unwrap.emplace(member, output);
    const DecodeSink filtered = [&](const std::uint8_t* data, std::size_t n) {
        return (*unwrap)(data, n);
    };
    const DecodeSink& sink = unwrap ? filtered : output;
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<std::uint8_t> buf(kChunk);
    std::uint16_t crc = 0;
    std::uint64_t done = 0;

    if (member.method == "-lh0-" || member.method == "-lz4-") {
        if (member.packedSize != member.originalSize)
            return DecodeStatus::DataError;
        while (done < member.originalSize) {
            std::size_t n = static_cast<std::size_t>(
                std::min<std::uint64_t>(kChunk, member.originalSize - done));
            long long got = source.ReadAt(member.dataOffset + done, buf.data(), n);
            if (got < 0)
                return DecodeStatus::ReadError;
            if (static_cast<std::size_t>(got) != n)
                return DecodeStatus::DataError;
            crc = Crc16Update(crc, buf.data(), n);
            if (!sink(buf.data(), n))
                return DecodeStatus::Stopped;
            done += n;
        }
    } else if (int windowBits = LhWindowBits(member.method.c_str())) {
        std::uint64_t pos = member.dataOffset, left = member.packedSize;
        bool readFailed = false;
        LhDecodeResult r = LhDecode(
            windowBits, member.originalSize,
            [&](std::uint8_t* into, std::size_t size) -> long long {
                std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, left));
                if (n == 0)
                    return 0;
                long long got = source.ReadAt(pos, into, n);
                if (got <= 0) {
                    readFailed = got < 0;
                    return got < 0 ? -1 : 0;
                }
                pos += static_cast<std::uint64_t>(got);
                left -= static_cast<std::uint64_t>(got);
                return got;
            },
            [&](const std::uint8_t* data, std::size_t n) {
                crc = Crc16Update(crc, data, n);
                return sink(data, n);
            });
        switch (r) {
        case LhDecodeResult::Ok:
            break;
        case LhDecodeResult::Stopped:
            return DecodeStatus::Stopped;
        case LhDecodeResult::ReadError:
            return DecodeStatus::ReadError;
        case LhDecodeResult::DataError:
            return readFailed ? DecodeStatus::ReadError : DecodeStatus::DataError;
        }
    } else {
        std::string name = member.method;
        LHADecoderType* type = lha_decoder_for_name(name.data());
        if (!type)
            return DecodeStatus::Unsupported;
        PackedInput in{&source, member.dataOffset, member.packedSize};
        std::unique_ptr<LHADecoder, DecoderFree> decoder(
            lha_decoder_new(type, FeedDecoder, &in, static_cast<size_t>(member.originalSize)));
        if (!decoder)
            return DecodeStatus::ReadError;
        while (done < member.originalSize) {
            std::size_t n = lha_decoder_read(decoder.get(), buf.data(), kChunk);
            if (n == 0)
                break;
            crc = Crc16Update(crc, buf.data(), n);
            if (!sink(buf.data(), n))
                return DecodeStatus::Stopped;
            done += n;
        }
        if (in.failed)
            return DecodeStatus::ReadError;
        if (done != member.originalSize)
            return DecodeStatus::DataError;
    }
    if (member.hasCrc && crc != member.crc)
        return DecodeStatus::CrcError;
    return DecodeStatus::Ok;
}

const char* DecodeStatusText(DecodeStatus status)
{
    switch (status) {
    case DecodeStatus::Ok:
        return "OK";
    case DecodeStatus::CrcError:
        return "CRC error";
    case DecodeStatus::DataError:
        return "data error (damaged or truncated)";
    case DecodeStatus::ReadError:
        return "cannot read the archive";
    case DecodeStatus::Unsupported:
        return "unsupported method";
    case DecodeStatus::Stopped:
        return "stopped";
    }
    return "?";
}

}  // namespace lzh
