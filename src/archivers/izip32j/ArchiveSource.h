// An archive opened for reading through libzip, for the members of methods we do not decode
// ourselves (see MemberReader.h), through our own libzip source.
//
// libzip's file source reads through stdio, four KiB at a time with a seek before nearly every
// read: two system calls per four KiB of the archive, and tens of thousands for an archive of
// many small members. This source reads with pread into a buffer of 256 KiB (larger reads go
// straight to the caller), so walking the members costs a system call per 256 KiB.
#pragma once

#include "ZipHandle.h"

#include <cstdint>
#include <string>

namespace qb::izip {

// Opens the bytes [start, end) of path read-only as an archive: libzip then sees an archive
// without the data that comes before it (a self-extractor's program) or after it. Returns the
// archive, or nothing with the libzip error code in zipError.
ZipHandle OpenArchiveForReading(const std::string& path, uint64_t start, uint64_t end,
                                int& zipError);

}  // namespace qb::izip
