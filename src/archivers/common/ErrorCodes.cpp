#include "ErrorCodes.h"

#include <cerrno>

namespace qb::arc {

int ResultFromErrno(int err, ErrorSide side, int fallback)
{
    switch (err) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
        return ARC_ERROR_DISK_FULL;
    case EROFS:
    case EACCES:
    case EPERM:
        return side == ErrorSide::Destination ? ARC_ERROR_READ_ONLY : fallback;
    case ENOMEM:
        return ARC_ERROR_NO_MEMORY;
    case ECANCELED:
        return ARC_ERROR_USER_CANCEL;
    default:
        return fallback;
    }
}

const char* ResultName(int result)
{
    switch (result) {
    case ARC_OK:
        return "ok";
    case ARC_ERROR_DISK_FULL:
        return "no space left on the destination";
    case ARC_ERROR_READ_ONLY:
        return "the destination is read-only or not permitted";
    case ARC_ERROR_USER_CANCEL:
        return "cancelled";
    case ARC_ERROR_BUSY:
        return "the module is busy with another call";
    case ARC_ERROR_COMMAND_LINE:
        return "the command line cannot be understood";
    case ARC_ERROR_NOTHING_TO_DO:
        return "no file matched";
    case ARC_ERROR_ARCHIVE_MISSING:
        return "the archive does not exist";
    case ARC_ERROR_BAD_ARCHIVE:
        return "the archive is damaged";
    case ARC_ERROR_READ_SOURCE:
        return "a source file cannot be read";
    case ARC_ERROR_WRITE:
        return "writing failed";
    case ARC_ERROR_TEMP_FILE:
        return "no temporary file could be made";
    case ARC_ERROR_UNSAFE_PATH:
        return "a member name leads outside the target folder";
    case ARC_ERROR_NO_MEMORY:
        return "out of memory";
    case ARC_ERROR_FOLDER_MISSING:
        return "a folder does not exist";
    case ARC_ERROR_CHECKSUM:
        return "checksum mismatch";
    case ARC_ERROR_UNSUPPORTED:
        return "unsupported method";
    case ARC_ERROR_INTERNAL:
        return "internal error";
    case ARC_ERROR_MEMBER_MISSING:
        return "a member is not in the archive";
    case ARC_ERROR_SOURCE_CHANGED:
        return "a source file changed while it was packed";
    case ARC_ERROR_INCOMPLETE:
        return "written, but some files were left out";
    case ARC_ERROR_TEST_FAILED:
        return "the new archive failed its test";
    default:
        return "failed";
    }
}

}  // namespace qb::arc
