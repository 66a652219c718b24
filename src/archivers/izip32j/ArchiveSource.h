// An archive opened for reading through our own libzip source.
//
// libzip's file source reads through stdio, four KiB at a time with a seek before nearly every
// read: two system calls per four KiB of the archive, and tens of thousands for an archive of
// many small members. This source reads with pread into a buffer of 256 KiB (larger reads go
// straight to the caller), so walking the members costs a system call per 256 KiB.
#pragma once

#include "ZipHandle.h"

#include <string>

namespace qb::izip {

// Opens path read-only with consistency checks, as zip_open with ZIP_RDONLY | ZIP_CHECKCONS
// does. Returns the archive, or nothing with the libzip error code in zipError.
ZipHandle OpenArchiveForReading(const std::string& path, int& zipError);

}  // namespace qb::izip
