#include "MemberReader.h"

#include "ArchiveSource.h"
#include "AtomicOutput.h"
#include "Inflate64.h"
#include "ZipFormat.h"
#include "archiver_results.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <new>

namespace qb::izip {

using namespace zipfmt;

namespace {

constexpr size_t kStreamPiece = 1u << 18;
constexpr uint16_t kFlagEncrypted = 0x0001;

}  // namespace

MemberReader::MemberReader(const ZipDirectory& directory, std::string path,
                           ReadProgress& progress, arc::OutputText& out)
    : directory_(directory), path_(std::move(path)), progress_(progress), out_(out),
      decompressor_(libdeflate_alloc_decompressor())
{
    if (!decompressor_)
        throw std::bad_alloc();
}

MemberReader::~MemberReader()
{
    libdeflate_free_decompressor(decompressor_);
}

char* MemberReader::Buffer(std::unique_ptr<char[]>& buffer, size_t& capacity, size_t size)
{
    if (capacity < size || !buffer) {
        buffer.reset();
        capacity = std::max<size_t>(size, 1u << 16);
        buffer.reset(new char[capacity]);
    }
    return buffer.get();
}

int MemberReader::Damaged(const std::string& name, const std::string& why)
{
    out_.Line(name + ": " + why);
    return ARC_ERROR_BAD_ARCHIVE;
}

int MemberReader::SizeMismatch(const std::string& name, uint64_t got, uint64_t declared)
{
    out_.Line(name + ": " + std::to_string(got) + " bytes of data, " + std::to_string(declared) +
              " declared");
    out_.Failed("size-mismatch", name);
    return ARC_ERROR_BAD_ARCHIVE;
}

void CheckedData::WriteTo(arc::OutputText& out, const std::string& name) const
{
    if (!line.empty())
        out.Line(line);
    if (failed)
        out.Failed(failed, name);
}

CheckedData InflateWhole(libdeflate_decompressor* decompressor, const std::string& name,
                         const char* packed, size_t packedSize, char* out, size_t size,
                         uint32_t crc)
{
    auto mismatch = [&](uint64_t got) {
        return CheckedData{ARC_ERROR_BAD_ARCHIVE,
                           name + ": " + std::to_string(got) + " bytes of data, " +
                               std::to_string(size) + " declared",
                           "size-mismatch"};
    };
    size_t actual = 0;
    libdeflate_result r =
        libdeflate_deflate_decompress(decompressor, packed, packedSize, out, size, &actual);
    if (r == LIBDEFLATE_INSUFFICIENT_SPACE)
        return mismatch(size + 1);  // at least one byte more than declared
    if (r != LIBDEFLATE_SUCCESS)
        return {ARC_ERROR_BAD_ARCHIVE, name + ": the packed data is damaged", nullptr};
    if (actual != size)
        return mismatch(actual);
    if (libdeflate_crc32(0, out, size) != crc)
        return {ARC_ERROR_CHECKSUM, name + ": CRC error", nullptr};
    return {};
}

bool MemberReader::IsWhole(const OldMember& m)
{
    return m.method == 8 && !(m.flags & kFlagEncrypted) && m.size <= kWholeMember &&
           m.compressedSize <= kWholeMember;
}

int MemberReader::Locate(size_t i, const std::string& name, LocalFields& local, bool strict)
{
    const OldMember& m = directory_.Members()[i];
    unsigned char header[kLocalSize];
    if (arc::ReadFullAt(directory_.Fd(), header, sizeof header, m.localOffset) !=
            static_cast<ssize_t>(sizeof header) ||
        Get32(header) != kLocalSig)
        return Damaged(name, "its local header is missing");
    const size_t nameLength = Get16(header + 26), extraLength = Get16(header + 28);
    std::string rest(nameLength + extraLength, '\0');
    if (arc::ReadFullAt(directory_.Fd(), rest.data(), rest.size(), m.localOffset + kLocalSize) !=
        static_cast<ssize_t>(rest.size()))
        return Damaged(name, "the archive ends inside its local header");
    const auto* extra = reinterpret_cast<const unsigned char*>(rest.data()) + nameLength;
    ReadTimeFields(extra, extraLength, local.fileTime, local.unixTime);
    local.data = m.localOffset + kLocalSize + nameLength + extraLength;
    if (local.data > directory_.FileSize() ||
        m.compressedSize > directory_.FileSize() - local.data)
        return Damaged(name, "the archive ends inside the member");
    if (strict) {
        // Other readers take the directory's word; an update that copies the member needs both
        // headers to say the same, or the copy would carry a contradiction on.
        const uint16_t flags = Get16(header + 6);
        const uint32_t packed32 = Get32(header + 18), size32 = Get32(header + 22);
        bool agrees = rest.compare(0, nameLength, m.raw) == 0 && Get16(header + 8) == m.method;
        if (!(flags & kFlagDescriptor))
            agrees = agrees && Get32(header + 14) == m.crc &&
                     (packed32 == kMax32 || packed32 == m.compressedSize) &&
                     (size32 == kMax32 || size32 == m.size);
        if (!agrees)
            return Damaged(name, "its local header does not match the directory");
    }
    return ARC_OK;
}

int MemberReader::ReadPacked(const OldMember& m, const std::string& name,
                             const LocalFields& local, char* packed)
{
    const size_t want = static_cast<size_t>(m.compressedSize);
    if (arc::ReadFullAt(directory_.Fd(), packed, want, local.data) != static_cast<ssize_t>(want))
        return Damaged(name, "the archive ends inside the member");
    return ARC_OK;
}

int MemberReader::Read(size_t i, const std::string& name, const Sink& sink, LocalFields* local,
                       bool strict)
{
    const OldMember& m = directory_.Members()[i];
    LocalFields own;
    LocalFields& fields = local ? *local : own;
    if (m.flags & kFlagEncrypted) {
        out_.Line(name + ": it is encrypted, and no password can be given");
        return ARC_ERROR_UNSUPPORTED;
    }
    if (int result = Locate(i, name, fields, strict); result != ARC_OK)
        return result;
    if (IsWhole(m))
        return ReadWhole(m, name, fields, sink);
    switch (m.method) {
    case 0:
        return ReadStored(m, name, fields, sink);
    case 8:
        return ReadInflated(m, name, fields, sink);
    case 9:
        return ReadDeflate64(m, name, fields, sink);
    default:
        return ReadThroughLibzip(i, m, name, sink);
    }
}

// The packed bytes as they are, inflated in one call into a buffer of the declared size: more
// data than declared does not fit and fails, less is counted.
int MemberReader::ReadWhole(const OldMember& m, const std::string& name,
                            const LocalFields& local, const Sink& sink)
{
    const size_t packed = static_cast<size_t>(m.compressedSize);
    char* in = Buffer(in_, inCapacity_, packed);
    if (int result = ReadPacked(m, name, local, in); result != ARC_OK)
        return result;
    const size_t size = static_cast<size_t>(m.size);
    char* data = Buffer(data_, dataCapacity_, size);
    CheckedData checked = InflateWhole(decompressor_, name, in, packed, data, size, m.crc);
    if (checked.result != ARC_OK) {
        checked.WriteTo(out_, name);
        return checked.result;
    }
    if (int result = sink(data, size); result != ARC_OK)
        return result;
    progress_.done += size;
    return progress_.Report(name.c_str()) ? ARC_OK : ARC_ERROR_USER_CANCEL;
}

int MemberReader::ReadStored(const OldMember& m, const std::string& name,
                             const LocalFields& local, const Sink& sink)
{
    if (m.compressedSize != m.size)
        return SizeMismatch(name, m.compressedSize, m.size);
    char* buffer = Buffer(data_, dataCapacity_, kStreamPiece);
    uint32_t crc = 0;
    for (uint64_t done = 0; done < m.size;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kStreamPiece, m.size - done));
        if (arc::ReadFullAt(directory_.Fd(), buffer, n, local.data + done) !=
            static_cast<ssize_t>(n))
            return Damaged(name, "the archive ends inside the member");
        crc = libdeflate_crc32(crc, buffer, n);
        done += n;
        if (done == m.size && crc != m.crc)
            break;  // the last piece is not handed on: the file is not written at all
        if (int result = sink(buffer, n); result != ARC_OK)
            return result;
        progress_.done += n;
        if (!progress_.Report(name.c_str()))
            return ARC_ERROR_USER_CANCEL;
    }
    if (crc != m.crc) {
        out_.Line(name + ": CRC error");
        return ARC_ERROR_CHECKSUM;
    }
    return ARC_OK;
}

// Large deflated members through zlib, a piece of input and of output at a time.
int MemberReader::ReadInflated(const OldMember& m, const std::string& name,
                               const LocalFields& local, const Sink& sink)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return ARC_ERROR_NO_MEMORY;
    struct End {
        z_stream& z;
        ~End() { inflateEnd(&z); }
    } end{z};
    char* in = Buffer(in_, inCapacity_, kStreamPiece);
    char* out = Buffer(data_, dataCapacity_, kStreamPiece);
    uint64_t read = 0, got = 0;
    uint32_t crc = 0;
    for (;;) {
        if (z.avail_in == 0 && read < m.compressedSize) {
            const size_t n =
                static_cast<size_t>(std::min<uint64_t>(kStreamPiece, m.compressedSize - read));
            if (arc::ReadFullAt(directory_.Fd(), in, n, local.data + read) !=
                static_cast<ssize_t>(n))
                return Damaged(name, "the archive ends inside the member");
            read += n;
            z.next_in = reinterpret_cast<Bytef*>(in);
            z.avail_in = static_cast<uInt>(n);
        }
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = static_cast<uInt>(kStreamPiece);
        const int rc = inflate(&z, Z_NO_FLUSH);
        const size_t n = kStreamPiece - z.avail_out;
        if (rc == Z_MEM_ERROR)
            return ARC_ERROR_NO_MEMORY;
        if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && n > 0))
            return Damaged(name, "the packed data is damaged");
        got += n;
        if (got > m.size)
            return SizeMismatch(name, got, m.size);
        crc = libdeflate_crc32(crc, out, n);
        const bool last = rc == Z_STREAM_END;
        if (last && (got != m.size || crc != m.crc))
            break;
        if (n > 0) {
            if (int result = sink(out, n); result != ARC_OK)
                return result;
            progress_.done += n;
            if (!progress_.Report(name.c_str()))
                return ARC_ERROR_USER_CANCEL;
        }
        if (last)
            return ARC_OK;
        if (n == 0 && z.avail_in == 0 && read >= m.compressedSize)
            return Damaged(name, "the packed data ends before its end mark");
    }
    if (got != m.size)
        return SizeMismatch(name, got, m.size);
    out_.Line(name + ": CRC error");
    return ARC_ERROR_CHECKSUM;
}

int MemberReader::ReadDeflate64(const OldMember& m, const std::string& name,
                                const LocalFields& local, const Sink& sink)
{
    uint64_t read = 0, got = 0;
    uint32_t crc = 0;
    int failure = ARC_OK;
    bool readFailed = false;
    Inflate64 decoder;
    Inflate64::Result r = decoder.Run(
        [&](unsigned char* buffer, size_t capacity) -> size_t {
            const size_t n =
                static_cast<size_t>(std::min<uint64_t>(capacity, m.compressedSize - read));
            if (n > 0 && arc::ReadFullAt(directory_.Fd(), buffer, n, local.data + read) !=
                             static_cast<ssize_t>(n)) {
                readFailed = true;
                return 0;
            }
            read += n;
            return n;
        },
        [&](const unsigned char* data, size_t n) {
            got += n;
            crc = libdeflate_crc32(crc, data, n);
            // The last piece is held back until the CRC is known to be right.
            if (got > m.size || (got == m.size && crc != m.crc))
                return false;
            failure = sink(reinterpret_cast<const char*>(data), n);
            if (failure != ARC_OK)
                return false;
            progress_.done += n;
            if (!progress_.Report(name.c_str())) {
                failure = ARC_ERROR_USER_CANCEL;
                return false;
            }
            return true;
        });
    if (readFailed)
        return Damaged(name, "the archive ends inside the member");
    if (failure != ARC_OK)
        return failure;
    if (got > m.size || (r == Inflate64::Result::Done && got != m.size))
        return SizeMismatch(name, got, m.size);
    if (r != Inflate64::Result::Done)
        return Damaged(name, "the packed data is damaged");
    if (crc != m.crc) {
        out_.Line(name + ": CRC error");
        return ARC_ERROR_CHECKSUM;
    }
    return ARC_OK;
}

// libzip sees the archive as it lies in the file, without what comes before and after it, and
// numbers the members in the order of the directory, as we do.
int MemberReader::ReadThroughLibzip(size_t i, const OldMember& m, const std::string& name,
                                    const Sink& sink)
{
    if (!libzipTried_) {
        libzipTried_ = true;
        int zipError = 0;
        libzip_ = OpenArchiveForReading(path_, directory_.Start(), directory_.End(), zipError);
        if (libzip_ && zip_get_num_entries(libzip_.get(), 0) !=
                           static_cast<zip_int64_t>(directory_.Members().size()))
            libzip_.reset();
    }
    auto unsupported = [&] {
        out_.Line(name + ": packed with method " + std::to_string(m.method) +
                  ", which cannot be read here");
        return ARC_ERROR_UNSUPPORTED;
    };
    if (!libzip_ || !zip_compression_method_supported(static_cast<zip_int32_t>(m.method), 0))
        return unsupported();
    ZipFileHandle file(zip_fopen_index(libzip_.get(), i, 0));
    if (!file) {
        const int code = zip_error_code_zip(zip_get_error(libzip_.get()));
        if (code == ZIP_ER_COMPNOTSUPP || code == ZIP_ER_ENCRNOTSUPP)
            return unsupported();
        return Damaged(name, zip_strerror(libzip_.get()));
    }
    char* buffer = Buffer(data_, dataCapacity_, kStreamPiece);
    uint64_t got = 0;
    uint32_t crc = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), buffer, kStreamPiece);
        if (n < 0) {
            const int code = zip_error_code_zip(zip_file_get_error(file.get()));
            out_.Line(name + ": " + zip_file_strerror(file.get()));
            return code == ZIP_ER_CRC ? ARC_ERROR_CHECKSUM : ARC_ERROR_BAD_ARCHIVE;
        }
        if (n == 0)
            break;
        got += static_cast<uint64_t>(n);
        if (got > m.size)
            return SizeMismatch(name, got, m.size);
        crc = libdeflate_crc32(crc, buffer, static_cast<size_t>(n));
        if (got == m.size && crc != m.crc)
            break;
        if (int result = sink(buffer, static_cast<size_t>(n)); result != ARC_OK)
            return result;
        progress_.done += static_cast<uint64_t>(n);
        if (!progress_.Report(name.c_str()))
            return ARC_ERROR_USER_CANCEL;
    }
    if (got != m.size)
        return SizeMismatch(name, got, m.size);
    if (crc != m.crc) {
        out_.Line(name + ": CRC error");
        return ARC_ERROR_CHECKSUM;
    }
    return ARC_OK;
}

}  // namespace qb::izip
