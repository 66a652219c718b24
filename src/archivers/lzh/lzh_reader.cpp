#include "lzh_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
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
                m_error = "archive ends inside a member header";
                return m_final = WalkStatus::Damaged;
            }
            want = r.needed;
            continue;
        case HeaderStatus::Damaged:
            m_error = r.error;
            return m_final = WalkStatus::Damaged;
        case HeaderStatus::Ok:
            break;
        }
        std::uint64_t size = m_source.Size();
        if (member.dataOffset > size || member.packedSize > size - member.dataOffset) {
            m_error = "archive ends inside the data of " + member.Path();
            return m_final = WalkStatus::Damaged;
        }
        m_pos = member.dataOffset + member.packedSize;
        return WalkStatus::Member;
    }
}

bool ReadAllHeaders(ByteSource& source, std::vector<MemberHeader>& members, std::string& error,
                    unsigned threads)
{
    // First where each header lies, without decoding names: the list is then made once at its
    // size (growing it would, for a moment, hold the headers of a large archive one and a half
    // times over), and its parts can be read at the same time. Decoding names checks nothing
    // more, so this walk also finds where the archive ends or is damaged.
    std::vector<std::uint64_t> starts;
    WalkStatus end;
    {
        ArchiveReader layout(source, HeaderDetail::LayoutOnly);
        MemberHeader m;
        std::uint64_t at = 0;
        while ((end = layout.Next(m)) == WalkStatus::Member) {
            starts.push_back(at);
            at = m.dataOffset + m.packedSize;
        }
        error = layout.Error();
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

size_t FeedDecoder(void* buf, size_t len, void* user)
{
    auto* in = static_cast<PackedInput*>(user);
    if (in->at == in->end) {
        std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(in->buffer.size(), in->left));
        if (n == 0)
            return 0;
        long long got = in->source->ReadAt(in->pos, in->buffer.data(), n);
        if (got <= 0) {
            in->failed = true;
            return 0;
        }
        in->pos += static_cast<std::uint64_t>(got);
        in->left -= static_cast<std::uint64_t>(got);
        in->at = 0;
        in->end = static_cast<std::size_t>(got);
    }
    std::size_t n = std::min(len, in->end - in->at);
    std::memcpy(buf, in->buffer.data() + in->at, n);
    in->at += n;
    return n;
}

struct DecoderFree {
    void operator()(LHADecoder* d) const { lha_decoder_free(d); }
};

}  // namespace

DecodeStatus DecodeMember(ByteSource& source, const MemberHeader& member, const DecodeSink& sink)
{
    if (member.method == "-lhd-" || member.isSymlink)
        return DecodeStatus::Ok;
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
