// Turning system errors into the modules' result codes.
//
// Callers of the modules act on three results in particular: no space left (they stop the run
// and say so), a destination that may not be written (the same), and a cancel. So an errno from
// writing the output must become exactly those codes; every other failure keeps the code that
// names the step that failed, so that a result tells what went wrong.
#pragma once

#include "archiver_results.h"

namespace qb::arc {

// Where an error happened: writing matters for the rights errors, reading does not.
enum class ErrorSide { Source, Destination };

// ENOSPC/EDQUOT -> ARC_ERROR_DISK_FULL (on either side: a full temporary folder is a full disk);
// EROFS/EACCES/EPERM on the destination -> ARC_ERROR_READ_ONLY; ENOMEM -> ARC_ERROR_NO_MEMORY;
// ECANCELED -> ARC_ERROR_USER_CANCEL; anything else -> fallback.
int ResultFromErrno(int err, ErrorSide side, int fallback);

// Short English name of a result code for messages in the output buffer ("no space left").
const char* ResultName(int result);

}  // namespace qb::arc
