// Members are written strictly in archive order by the calling thread. A stored member's header
// goes out before its data with the size the file had when it was collected, and is rewritten in
// place once the data is copied and its CRC known; this reads every file once.
#include "MemberWriter.h"

#include "ErrorCodes.h"
#include "UnlhaInternal.h"
#include "archiver_results.h"
#include "lzh_crc16.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace unlha {

int CopyRawMember(lzh::ByteSource& source, const lzh::MemberHeader& m, ArchiveWriter& out,
                  std::vector<std::uint8_t>& buf)
{
    if (buf.size() < kCopyBuffer)
        buf.resize(kCopyBuffer);
    std::uint64_t pos = m.headerOffset;
    std::uint64_t end = m.dataOffset + m.packedSize;
    while (pos < end) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), end - pos));
        long long got = source.ReadAt(pos, buf.data(), n);
        if (got < 0)
            return ARC_ERROR_READ_SOURCE;
        if (static_cast<std::size_t>(got) != n)
            return ARC_ERROR_BAD_ARCHIVE;
        if (!out.Write(buf.data(), n))
            return ARC_OK;
        pos += n;
    }
    return ARC_OK;
}

int WriteFailure(const ArchiveWriter& out)
{
    return qb::arc::ResultFromErrno(out.Error(), qb::arc::ErrorSide::Destination, ARC_ERROR_WRITE);
}

namespace {

std::vector<std::string> SplitMember(const std::string& member)
{
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= member.size()) {
        std::size_t slash = member.find('/', pos);
        if (slash == std::string::npos)
            slash = member.size();
        if (slash > pos)
            parts.push_back(member.substr(pos, slash - pos));
        pos = slash + 1;
    }
    return parts;
}

}  // namespace

lzh::NewMember Describe(const NewFile& f)
{
    const qb::arc::FileInfo& st = f.entry->info;
    lzh::NewMember m;
    // Converted here rather than kept: a copy of every name would cost the memory of large trees.
    const bool convert = f.codePage == 932 && !f.entry->rawName;
    std::vector<std::string> parts =
        SplitMember(convert ? lzh::Utf8ToCp932(f.Member()).value_or(f.Member()) : f.Member());
    m.codePage = f.codePage;
    m.mtime = st.st_mtime;
    // The exact time too, so that an update can tell a file changed within the same second.
    m.fileTime = lzh::FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    if (f.entry->isFolder) {
        m.method = "-lhd-";
        m.folders = parts;
        m.attribute = 0x10;
        m.unixMode = static_cast<std::uint16_t>(040000 | (st.st_mode & 0777));
    } else {
        m.name = parts.empty() ? std::string() : parts.back();
        if (!parts.empty())
            parts.pop_back();
        m.folders = parts;
        m.unixMode = static_cast<std::uint16_t>(0100000 | (st.st_mode & 0777));
        m.attribute = (st.st_mode & S_IWUSR) ? 0x20 : 0x21;
    }
    return m;
}

int MemberWriter::Folder(const NewFile& f)
{
    std::vector<std::uint8_t> header = lzh::BuildLevel2Header(Describe(f));
    if (header.empty())
        return NameTooLong(f);
    m_out.Write(header.data(), header.size());
    return ARC_OK;
}

int MemberWriter::Stored(const NewFile& f, const PackedMember* expect)
{
    int fd = OpenSourceFile(f.entry->hostPath);
    if (fd < 0) {
        m_call.Out().Line("cannot open " + f.entry->hostPath);
        m_call.Out().Failed("unreadable", f.Member());
        return qb::arc::ResultFromErrno(errno, qb::arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE);
    }
    lzh::NewMember m = Describe(f);
    m.method = "-lh0-";
    m.packedSize = m.originalSize =
        expect ? expect->inputSize : static_cast<std::uint64_t>(f.entry->info.st_size);
    std::vector<std::uint8_t> header = lzh::BuildLevel2Header(m);
    if (header.empty()) {
        close(fd);
        return NameTooLong(f);
    }
    std::uint64_t headerAt = m_out.Offset();
    m_out.Write(header.data(), header.size());
    std::uint16_t crc = 0;
    std::uint64_t size = 0;
    bool cancelled = false;
    int err = ReadFileChunks(fd, m_buffer, [&](const std::uint8_t* data, std::size_t n) {
        crc = lzh::Crc16Update(crc, data, n);
        size += n;
        if (!expect)
            m_storedBytes += n;
        if (!m_out.Write(data, n))
            return false;
        if (!m_tick(f.Member())) {
            cancelled = true;
            return false;
        }
        return true;
    });
    close(fd);
    if (cancelled)
        return ARC_ERROR_USER_CANCEL;
    if (m_out.Error())
        return WriteFailure(m_out);
    if (err) {
        m_call.Out().Line("cannot read " + f.entry->hostPath);
        m_call.Out().Failed("unreadable", f.Member());
        return qb::arc::ResultFromErrno(err, qb::arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE);
    }
    if (expect && (size != expect->inputSize || crc != expect->crc)) {
        m_call.Out().Line(f.Member() + " changed while it was being packed");
        m_call.Out().Failed("changed", f.Member());
        return ARC_ERROR_SOURCE_CHANGED;
    }
    m.packedSize = m.originalSize = size;
    m.crc = crc;
    std::vector<std::uint8_t> final = lzh::BuildLevel2Header(m);
    if (final.size() != header.size()) {
        m_call.Out().Line(f.Member() + " changed size while it was being packed");
        m_call.Out().Failed("changed", f.Member());
        return ARC_ERROR_SOURCE_CHANGED;
    }
    if (!m_out.PatchAt(headerAt, final.data(), final.size()))
        return WriteFailure(m_out);
    return ARC_OK;
}

int MemberWriter::Compressed(const NewFile& f, const PackedMember& packed, lzh::EncodeMethod method,
                             Compressor& compressor, std::size_t index)
{
    lzh::NewMember m = Describe(f);
    m.method = method == lzh::EncodeMethod::Lh7   ? "-lh7-"
               : method == lzh::EncodeMethod::Lh6 ? "-lh6-"
                                                  : "-lh5-";
    m.packedSize = packed.packedSize;
    m.originalSize = packed.inputSize;
    m.crc = packed.crc;
    std::vector<std::uint8_t> header = lzh::BuildLevel2Header(m);
    if (header.empty())
        return NameTooLong(f);
    m_out.Write(header.data(), header.size());
    std::uint64_t before = m_out.Offset();
    if (int err = compressor.CopyTo(index, m_out))
        return qb::arc::ResultFromErrno(err, qb::arc::ErrorSide::Destination, ARC_ERROR_WRITE);
    if (m_out.Error())
        return WriteFailure(m_out);
    if (m_out.Offset() - before != packed.packedSize) {
        m_call.Out().Line("the compressed data of " + f.Member() + " was not read back whole");
        return ARC_ERROR_INTERNAL;
    }
    return ARC_OK;
}

int MemberWriter::NameTooLong(const NewFile& f)
{
    m_call.Out().Line("name too long: " + f.Member());
    m_call.Out().Failed("name-too-long", f.Member());
    return ARC_ERROR_COMMAND_LINE;
}

}  // namespace unlha
