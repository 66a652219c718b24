#include "MemberSource.h"

#include "ErrorCodes.h"
#include "archiver_results.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qb::izip {
namespace {

constexpr uint64_t kReportEvery = 1u << 20;  // bytes between progress reports inside a member

zip_int64_t Fail(MemberSourceState& s, int zipError, int sysError, int result, const std::string& text)
{
    zip_error_set(&s.error, zipError, sysError);
    if (s.progress->failure == 0)
        s.progress->Fail(result, text);
    return -1;
}

// Progress counts file bytes; a position in a deflate stream is scaled to the file it stands for.
uint64_t FileBytes(const MemberSourceState& s, uint64_t position)
{
    if (!s.compressed || s.compressed->compressedSize == 0)
        return position;
    return static_cast<uint64_t>(static_cast<long double>(s.compressed->size) * position
                                 / s.compressed->compressedSize);
}

zip_int64_t Open(MemberSourceState& s)
{
    s.position = 0;
    s.reportedAt = 0;
    s.counted = 0;
    if (!s.progress->Report(s.member))
        return Fail(s, ZIP_ER_CANCELLED, 0, ARC_ERROR_USER_CANCEL, "cancelled");
    if (s.pipeline) {
        s.compressed = &s.pipeline->Wait(s.index);
        if (s.compressed->error != 0) {
            int err = s.compressed->error;
            int result = err == ECANCELED
                ? ARC_ERROR_USER_CANCEL
                : arc::ResultFromErrno(err, arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE);
            return Fail(s, ZIP_ER_READ, err, result,
                        "cannot read " + s.member + ": " + std::strerror(err));
        }
        return 0;
    }
    s.fd = open(s.hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (s.fd < 0) {
        int err = errno;
        return Fail(s, ZIP_ER_OPEN, err, ARC_ERROR_READ_SOURCE,
                    "cannot read " + s.member + ": " + std::strerror(err));
    }
    return 0;
}

zip_int64_t Read(MemberSourceState& s, void* data, zip_uint64_t len)
{
    ssize_t n;
    if (s.compressed && s.compressed->spillFd < 0) {
        const std::vector<unsigned char>& mem = s.compressed->memory;
        uint64_t left = mem.size() - s.position;
        n = static_cast<ssize_t>(len < left ? len : left);
        std::memcpy(data, mem.data() + s.position, static_cast<size_t>(n));
    } else {
        int fd = s.compressed ? s.compressed->spillFd : s.fd;
        do
            n = read(fd, data, len);
        while (n < 0 && errno == EINTR);
        if (n < 0) {
            int err = errno;
            return Fail(s, ZIP_ER_READ, err,
                        arc::ResultFromErrno(err, arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE),
                        "cannot read " + s.member + ": " + std::strerror(err));
        }
    }
    s.position += static_cast<uint64_t>(n);
    if (s.position - s.reportedAt >= kReportEvery) {
        s.reportedAt = s.position;
        uint64_t fileBytes = FileBytes(s, s.position);
        s.progress->done += fileBytes - s.counted;
        s.counted = fileBytes;
        if (!s.progress->Report(s.member))
            return Fail(s, ZIP_ER_CANCELLED, 0, ARC_ERROR_USER_CANCEL, "cancelled");
    }
    return n;
}

void Close(MemberSourceState& s)
{
    if (s.fd >= 0) {
        close(s.fd);
        s.fd = -1;
    }
    uint64_t whole = s.compressed ? s.compressed->size : s.position;
    s.progress->done += whole - s.counted;
    s.counted = whole;
    if (s.compressed) {
        s.pipeline->Release(s.index);
        s.compressed = nullptr;
    }
}

zip_int64_t Stat(MemberSourceState& s, void* data, zip_uint64_t len)
{
    zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s.error);
    if (!st)
        return -1;
    zip_stat_init(st);
    st->valid = ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    st->mtime = s.mtime;
    st->encryption_method = ZIP_EM_NONE;
    if (s.pipeline) {
        // libzip asks before it reads: the member must be compressed by then.
        CompressedMember& m = s.pipeline->Wait(s.index);
        st->comp_method = ZIP_CM_DEFLATE;
        if (m.error == 0) {
            st->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC;
            st->size = m.size;
            st->comp_size = m.compressedSize;
            st->crc = m.crc;
        }
    } else {
        st->comp_method = ZIP_CM_STORE;
        st->valid |= ZIP_STAT_SIZE;
        st->size = s.expectedSize;
    }
    return sizeof(zip_stat_t);
}

zip_int64_t Callback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    MemberSourceState& s = *static_cast<MemberSourceState*>(user);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        return Open(s);
    case ZIP_SOURCE_READ:
        return Read(s, data, len);
    case ZIP_SOURCE_CLOSE:
        Close(s);
        return 0;
    case ZIP_SOURCE_STAT:
        return Stat(s, data, len);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s.error, data, len);
    case ZIP_SOURCE_FREE:
        return 0;  // the state belongs to the writer
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&s.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

}  // namespace

bool WriteProgress::Report(const std::string& member)
{
    if (cancelled)
        return false;
    if (proc && proc(member.c_str(), done, total, user) == 0)
        cancelled = true;
    return !cancelled;
}

void WriteProgress::Fail(int result, std::string text)
{
    failure = result;
    message = std::move(text);
}

MemberSourceState::~MemberSourceState()
{
    if (fd >= 0)
        close(fd);
    zip_error_fini(&error);
}

zip_source_t* MakeMemberSource(zip_t* archive, MemberSourceState* state)
{
    return zip_source_function(archive, Callback, state);
}

}  // namespace qb::izip
