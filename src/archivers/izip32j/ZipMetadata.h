// What a member records besides its data: time, Unix permissions, the folder mark. And the test
// whether a member still matches its file, which decides whether an update rewrites it.
#pragma once

#include <sys/stat.h>
#include <zip.h>

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

// The modification time of a member: the extended timestamp when present, else the DOS time.
time_t MemberTime(zip_t* archive, zip_uint64_t index);

// The exact modification time of a member: the NTFS field when present, else MemberTime.
struct timespec MemberTimeExact(zip_t* archive, zip_uint64_t index);

// The NTFS field's modification time, when the member has one.
std::optional<uint64_t> MemberFileTime(zip_t* archive, zip_uint64_t index);

// The Unix permission bits of a member when it was made on Unix, else 0.
mode_t MemberMode(zip_t* archive, zip_uint64_t index);

}  // namespace qb::izip
