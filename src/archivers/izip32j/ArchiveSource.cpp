#include "ArchiveSource.h"

#include "AtomicOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace qb::izip {
namespace {

constexpr size_t kBuffer = 256u << 10;

class ArchiveFile {
public:
    ArchiveFile(int fd, const struct stat& st, zip_uint64_t start, zip_uint64_t end)
        : fd_(fd), start_(start), size_(end - start), mtime_(st.st_mtime)
    {
        zip_error_init(&error_);
    }
    ~ArchiveFile()
    {
        zip_error_fini(&error_);
        close(fd_);
    }
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    static zip_int64_t Call(void* state, void* data, zip_uint64_t length, zip_source_cmd_t cmd)
    {
        return static_cast<ArchiveFile*>(state)->Command(data, length, cmd);
    }

private:
    zip_int64_t Command(void* data, zip_uint64_t length, zip_source_cmd_t cmd);
    zip_int64_t Read(char* into, zip_uint64_t length);
    // pread until size bytes or the end; -1 on an error.
    zip_int64_t ReadAt(zip_uint64_t offset, char* into, size_t size);

    int fd_;
    zip_uint64_t start_;  // of the archive in the file
    zip_uint64_t size_;
    time_t mtime_;
    zip_uint64_t pos_ = 0;
    std::vector<char> buffer_;
    zip_uint64_t bufferStart_ = 0;
    size_t bufferLength_ = 0;
    zip_error_t error_;
};

zip_int64_t ArchiveFile::Command(void* data, zip_uint64_t length, zip_source_cmd_t cmd)
{
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        pos_ = 0;
        return 0;
    case ZIP_SOURCE_READ:
        return Read(static_cast<char*>(data), length);
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t)) {
            zip_error_set(&error_, ZIP_ER_INVAL, 0);
            return -1;
        }
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        st->size = size_;
        st->mtime = mtime_;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error_, data, length);
    case ZIP_SOURCE_SEEK: {
        zip_int64_t pos = zip_source_seek_compute_offset(pos_, size_, data, length, &error_);
        if (pos < 0)
            return -1;
        pos_ = static_cast<zip_uint64_t>(pos);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(pos_);
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS,
                                              ZIP_SOURCE_ACCEPT_EMPTY, -1);
    case ZIP_SOURCE_ACCEPT_EMPTY:
        return 0;  // an empty file is not an archive (libzip's default would take it as one)
    case ZIP_SOURCE_FREE:
        delete this;
        return 0;
    default:
        zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

zip_int64_t ArchiveFile::Read(char* into, zip_uint64_t length)
{
    if (pos_ >= size_ || length == 0)
        return 0;
    size_t want = static_cast<size_t>(std::min<zip_uint64_t>(length, size_ - pos_));
    if (want >= kBuffer) {
        zip_int64_t got = ReadAt(pos_, into, want);
        if (got > 0)
            pos_ += static_cast<zip_uint64_t>(got);
        return got;
    }
    if (pos_ < bufferStart_ || pos_ + want > bufferStart_ + bufferLength_) {
        buffer_.resize(kBuffer);
        zip_int64_t got = ReadAt(pos_, buffer_.data(), kBuffer);
        if (got < 0)
            return -1;
        bufferStart_ = pos_;
        bufferLength_ = static_cast<size_t>(got);
        want = std::min(want, bufferLength_);  // the file became shorter
    }
    std::memcpy(into, buffer_.data() + (pos_ - bufferStart_), want);
    pos_ += want;
    return static_cast<zip_int64_t>(want);
}

zip_int64_t ArchiveFile::ReadAt(zip_uint64_t offset, char* into, size_t size)
{
    const ssize_t n = arc::ReadFullAt(fd_, into, size, start_ + offset);
    if (n < 0)
        zip_error_set(&error_, ZIP_ER_READ, errno);
    return n;
}

}  // namespace

ZipHandle OpenArchiveForReading(const std::string& path, uint64_t start, uint64_t end,
                                int& zipError)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        zipError = errno == ENOENT ? ZIP_ER_NOENT : ZIP_ER_OPEN;
        return nullptr;
    }
    struct stat st { };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || start > end ||
        end > static_cast<uint64_t>(st.st_size)) {
        close(fd);
        zipError = ZIP_ER_OPEN;
        return nullptr;
    }
    auto* file = new ArchiveFile(fd, st, start, end);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_function_create(ArchiveFile::Call, file, &error);
    if (!source) {
        delete file;
        zipError = zip_error_code_zip(&error);
        zip_error_fini(&error);
        return nullptr;
    }
    ZipHandle archive(zip_open_from_source(source, ZIP_RDONLY, &error));
    if (!archive) {
        zip_source_free(source);  // frees file as well
        zipError = zip_error_code_zip(&error);
    }
    zip_error_fini(&error);
    return archive;
}

}  // namespace qb::izip
