#include "MemberReader.h"

#include "ZipHandle.h"
#include "archiver_results.h"

#include <libdeflate.h>

#include <algorithm>
#include <new>

namespace qb::izip {
namespace {

constexpr size_t kStreamPiece = 1u << 18;
constexpr zip_uint64_t kWholeFields = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC |
                                      ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;

}  // namespace

MemberReader::MemberReader(zip_t* archive, ReadProgress& progress, arc::OutputText& out)
    : archive_(archive), progress_(progress), out_(out),
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

int MemberReader::OpenFailure(const std::string& name)
{
    out_.Line(name + ": " + zip_strerror(archive_));
    int code = zip_error_code_zip(zip_get_error(archive_));
    return code == ZIP_ER_COMPNOTSUPP || code == ZIP_ER_ENCRNOTSUPP ? ARC_ERROR_UNSUPPORTED
                                                                    : ARC_ERROR_BAD_ARCHIVE;
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

bool MemberReader::IsWhole(const zip_stat_t& st)
{
    return (st.valid & kWholeFields) == kWholeFields && st.comp_method == ZIP_CM_DEFLATE &&
           st.encryption_method == ZIP_EM_NONE && st.size <= kWholeMember &&
           st.comp_size <= kWholeMember;
}

int MemberReader::Read(zip_uint64_t index, const std::string& name, const Sink& sink)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive_, index, 0, &st) != 0)
        return OpenFailure(name);
    if (IsWhole(st))
        return ReadWhole(index, name, st, sink);
    return ReadStream(index, name, st, sink);
}

int MemberReader::ReadPacked(zip_uint64_t index, const std::string& name, const zip_stat_t& st,
                             char* packed)
{
    ZipFileHandle file(zip_fopen_index(archive_, index, ZIP_FL_COMPRESSED));
    if (!file)
        return OpenFailure(name);
    size_t want = static_cast<size_t>(st.comp_size);
    size_t got = 0;
    while (got < want) {
        zip_int64_t n = zip_fread(file.get(), packed + got, want - got);
        if (n < 0) {
            out_.Line(name + ": " + zip_file_strerror(file.get()));
            return ARC_ERROR_BAD_ARCHIVE;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (got != want) {
        out_.Line(name + ": the archive ends inside the member");
        return ARC_ERROR_BAD_ARCHIVE;
    }
    return ARC_OK;
}

// The packed bytes as they are, inflated in one call into a buffer of the declared size: more
// data than declared does not fit and fails, less is counted.
int MemberReader::ReadWhole(zip_uint64_t index, const std::string& name, const zip_stat_t& st,
                            const Sink& sink)
{
    size_t packed = static_cast<size_t>(st.comp_size);
    char* in = Buffer(in_, inCapacity_, packed);
    if (int result = ReadPacked(index, name, st, in); result != ARC_OK)
        return result;
    size_t size = static_cast<size_t>(st.size);
    char* data = Buffer(data_, dataCapacity_, size);
    CheckedData checked = InflateWhole(decompressor_, name, in, packed, data, size, st.crc);
    if (checked.result != ARC_OK) {
        checked.WriteTo(out_, name);
        return checked.result;
    }
    if (int result = sink(data, size); result != ARC_OK)
        return result;
    progress_.done += size;
    return progress_.Report(name.c_str()) ? ARC_OK : ARC_ERROR_USER_CANCEL;
}

// libzip inflates (or copies) and checks the CRC when the end is reached.
int MemberReader::ReadStream(zip_uint64_t index, const std::string& name, const zip_stat_t& st,
                             const Sink& sink)
{
    ZipFileHandle file(zip_fopen_index(archive_, index, 0));
    if (!file)
        return OpenFailure(name);
    bool knowsSize = st.valid & ZIP_STAT_SIZE;
    char* buffer = Buffer(data_, dataCapacity_, kStreamPiece);
    zip_uint64_t got = 0;
    for (;;) {
        zip_int64_t n = zip_fread(file.get(), buffer, kStreamPiece);
        if (n < 0) {
            int code = zip_error_code_zip(zip_file_get_error(file.get()));
            out_.Line(name + ": " + zip_file_strerror(file.get()));
            return code == ZIP_ER_CRC ? ARC_ERROR_CHECKSUM : ARC_ERROR_BAD_ARCHIVE;
        }
        if (n == 0)
            return knowsSize && got != st.size ? SizeMismatch(name, got, st.size) : ARC_OK;
        got += static_cast<zip_uint64_t>(n);
        if (knowsSize && got > st.size)
            return SizeMismatch(name, got, st.size);
        if (int result = sink(buffer, static_cast<size_t>(n)); result != ARC_OK)
            return result;
        progress_.done += static_cast<uint64_t>(n);
        if (!progress_.Report(name.c_str()))
            return ARC_ERROR_USER_CANCEL;
    }
}

}  // namespace qb::izip
