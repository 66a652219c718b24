#include "ArchiveFileSource.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace qb::izip {
namespace {

struct FileSourceState {
    int readFd = -1;
    int writeFd = -1;
    zip_uint64_t readPos = 0;
    zip_error_t error;
};

zip_int64_t Fail(FileSourceState& s, int zipError, int sysError)
{
    zip_error_set(&s.error, zipError, sysError);
    return -1;
}

zip_int64_t Callback(void* user, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    auto& s = *static_cast<FileSourceState*>(user);
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_BEGIN_WRITE,
            ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_WRITE,
            ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE, -1);
    case ZIP_SOURCE_STAT: {
        if (s.readFd < 0)
            return Fail(s, ZIP_ER_READ, ENOENT);  // how libzip learns that the archive is new
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &s.error);
        if (!st)
            return -1;
        struct stat info { };
        if (fstat(s.readFd, &info) != 0)
            return Fail(s, ZIP_ER_READ, errno);
        zip_stat_init(st);
        st->size = static_cast<zip_uint64_t>(info.st_size);
        st->mtime = info.st_mtime;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_OPEN:
        if (s.readFd < 0)
            return Fail(s, ZIP_ER_OPEN, ENOENT);
        s.readPos = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        for (;;) {
            ssize_t n = pread(s.readFd, data, length, static_cast<off_t>(s.readPos));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return Fail(s, ZIP_ER_READ, errno);
            s.readPos += static_cast<zip_uint64_t>(n);
            return n;
        }
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_SEEK: {
        struct stat info { };
        if (fstat(s.readFd, &info) != 0)
            return Fail(s, ZIP_ER_SEEK, errno);
        zip_int64_t pos = zip_source_seek_compute_offset(
            s.readPos, static_cast<zip_uint64_t>(info.st_size), data, length, &s.error);
        if (pos < 0)
            return -1;
        s.readPos = static_cast<zip_uint64_t>(pos);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(s.readPos);
    case ZIP_SOURCE_BEGIN_WRITE:
    case ZIP_SOURCE_ROLLBACK_WRITE:
    case ZIP_SOURCE_REMOVE:
        if (ftruncate(s.writeFd, 0) != 0 || lseek(s.writeFd, 0, SEEK_SET) < 0)
            return Fail(s, ZIP_ER_WRITE, errno);
        return 0;
    case ZIP_SOURCE_COMMIT_WRITE:
        return 0;  // the caller syncs the file and puts it in place
    case ZIP_SOURCE_WRITE: {
        const char* p = static_cast<const char*>(data);
        zip_uint64_t left = length;
        while (left > 0) {
            ssize_t n = write(s.writeFd, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return Fail(s, ZIP_ER_WRITE, n < 0 ? errno : ENOSPC);
            p += n;
            left -= static_cast<zip_uint64_t>(n);
        }
        return static_cast<zip_int64_t>(length);
    }
    case ZIP_SOURCE_SEEK_WRITE: {
        auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, length, &s.error);
        if (!args)
            return -1;
        if (lseek(s.writeFd, static_cast<off_t>(args->offset), args->whence) < 0)
            return Fail(s, ZIP_ER_SEEK, errno);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE: {
        off_t pos = lseek(s.writeFd, 0, SEEK_CUR);
        if (pos < 0)
            return Fail(s, ZIP_ER_TELL, errno);
        return pos;
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s.error, data, length);
    case ZIP_SOURCE_FREE:
        if (s.readFd >= 0)
            close(s.readFd);
        zip_error_fini(&s.error);
        delete &s;
        return 0;
    default:
        return Fail(s, ZIP_ER_OPNOTSUPP, 0);
    }
}

}  // namespace

zip_source_t* MakeArchiveFileSource(int readFd, int writeFd, zip_error_t* error)
{
    auto* state = new (std::nothrow) FileSourceState;
    if (!state) {
        if (readFd >= 0)
            close(readFd);
        zip_error_set(error, ZIP_ER_MEMORY, 0);
        return nullptr;
    }
    state->readFd = readFd;
    state->writeFd = writeFd;
    zip_error_init(&state->error);
    zip_source_t* source = zip_source_function_create(Callback, state, error);
    if (!source) {
        if (readFd >= 0)
            close(readFd);
        zip_error_fini(&state->error);
        delete state;
    }
    return source;
}

}  // namespace qb::izip
