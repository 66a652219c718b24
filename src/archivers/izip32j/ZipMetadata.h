// What a member records besides its data: time and Unix mode. And the test whether a member
// still matches its file, which decides whether an update rewrites it.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "FileCollector.h"
#include "ZipDirectory.h"

namespace qb::izip {

// The MS-DOS date and time of the ZIP headers (local time, two-second steps).
uint32_t DosTime(time_t t);

// Windows file times: 100-ns ticks since 1601-01-01 UTC, as the NTFS extra field keeps them.
// Times before 1970 are not kept (nothing is returned for them).
std::optional<uint64_t> FileTimeFromUnix(const struct timespec& t);

// True when the old member still holds what the file at hostPath holds, so an update keeps it.
// With an exact time in the member (NTFS field) equal times and sizes mean unchanged; only a
// member whose time lies within a second before the archive was written (archiveTime, file
// time ticks) has its contents compared, since a file changed again within the same clock tick
// keeps its time. Without an exact time (archives of other tools) the size, the DOS time and the
// contents (CRC-32) decide.
bool MemberMatchesFile(const OldMember& member, const arc::FileInfo& info,
                       const std::string& hostPath, uint64_t archiveTime);

// The modification time of a member of an archive we read: the NTFS time (exact) when there is
// one, else the Unix time of the other time fields (the directory's first, then the local
// header's: fileTime and unixTime as ReadTimeFields gives them), else the MS-DOS time, which
// is local time.
struct timespec MemberTime(const OldMember& m, uint64_t localFileTime, int64_t localUnixTime);

// The Unix mode of a member made on Unix (type and permission bits), else 0.
mode_t MemberMode(const OldMember& m);

}  // namespace qb::izip
