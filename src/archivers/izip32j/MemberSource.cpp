#include "MemberSource.h"

#include "ErrorCodes.h"
#include "LongPath.h"
#include "archiver_results.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace qb::izip {
namespace {

constexpr uint64_t kReportEvery = 1u << 20;  // bytes between progress reports inside a member

zip_int64_t Fail(MemberSourceState& s, int zipError, int sysError, int result, const std::string& text)
{
    zip_error_set(&s.error, zipError, sysError);
    if (s.progress->failure == 0) {
        s.progress->Fail(result, text);
        s.progress->member = s.entry->member;
    }
    return -1;
}

zip_int64_t Open(MemberSourceState& s)
{
    s.position = 0;
    s.reportedAt = 0;
    if (!s.progress->Report(s.entry->member))
        return Fail(s, ZIP_ER_CANCELLED, 0, ARC_ERROR_USER_CANCEL, "cancelled");
    if (s.pipeline) {
        s.piece = s.pipeline->FirstPiece(s.index);
        s.pieceEnd = s.piece + s.pipeline->PieceCount(s.index);
        s.pieceOffset = 0;
        s.crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
        s.size = 0;
        s.complete = false;
        return 0;
    }
    s.fd = arc::OpenLongPath(s.entry->hostPath, O_RDONLY | O_CLOEXEC);
    if (s.fd < 0) {
        int err = errno;
        return Fail(s, ZIP_ER_OPEN, err, ARC_ERROR_READ_SOURCE,
                    "cannot read " + s.entry->member + ": " + std::strerror(err));
    }
    return 0;
}

zip_int64_t ReadPieces(MemberSourceState& s, unsigned char* data, zip_uint64_t len)
{
    while (s.piece < s.pieceEnd) {
        Piece& piece = s.pipeline->WaitPiece(s.piece);
        if (piece.error != 0) {
            int err = piece.error;
            int result = err == ECANCELED ? ARC_ERROR_USER_CANCEL
                : err == ENODATA          ? ARC_ERROR_SOURCE_CHANGED
                                          : arc::ResultFromErrno(err, arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE);
            return Fail(s, ZIP_ER_READ, err, result,
                        "cannot read " + s.entry->member + ": " +
                            (err == ENODATA ? "it became shorter while it was packed"
                                            : std::strerror(err)));
        }
        if (s.pieceOffset < piece.data.size()) {
            size_t n = std::min<size_t>(static_cast<size_t>(len), piece.data.size() - s.pieceOffset);
            std::memcpy(data, piece.data.data() + s.pieceOffset, n);
            s.pieceOffset += n;
            return static_cast<zip_int64_t>(n);
        }
        // This piece is written: count it and let the workers go on.
        s.crc = static_cast<uint32_t>(crc32_combine(s.crc, piece.crc, static_cast<z_off_t>(piece.length)));
        s.size += piece.length;
        s.progress->done += piece.length;
        s.pipeline->ReleasePiece(s.piece);
        ++s.piece;
        s.pieceOffset = 0;
        if (s.piece < s.pieceEnd && !s.progress->Report(s.entry->member))
            return Fail(s, ZIP_ER_CANCELLED, 0, ARC_ERROR_USER_CANCEL, "cancelled");
    }
    s.complete = true;
    return 0;
}

zip_int64_t Read(MemberSourceState& s, void* data, zip_uint64_t len)
{
    if (s.pipeline)
        return ReadPieces(s, static_cast<unsigned char*>(data), len);
    ssize_t n;
    do
        n = read(s.fd, data, len);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        int err = errno;
        return Fail(s, ZIP_ER_READ, err,
                    arc::ResultFromErrno(err, arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE),
                    "cannot read " + s.entry->member + ": " + std::strerror(err));
    }
    s.position += static_cast<uint64_t>(n);
    s.progress->done += static_cast<uint64_t>(n);
    if (s.position - s.reportedAt >= kReportEvery) {
        s.reportedAt = s.position;
        if (!s.progress->Report(s.entry->member))
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
}

zip_int64_t Stat(MemberSourceState& s, void* data, zip_uint64_t len)
{
    zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s.error);
    if (!st)
        return -1;
    zip_stat_init(st);
    st->valid = ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    st->mtime = s.entry->info.st_mtime;
    st->encryption_method = ZIP_EM_NONE;
    if (s.pipeline) {
        // Already deflated, so libzip copies the data as it is. It asks again after reading,
        // and only then are CRC and size known.
        st->comp_method = ZIP_CM_DEFLATE;
        st->valid |= ZIP_STAT_SIZE;
        st->size = s.complete ? s.size : s.expectedSize;
        if (s.complete) {
            st->valid |= ZIP_STAT_CRC;
            st->crc = s.crc;
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
