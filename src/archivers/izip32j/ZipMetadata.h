// What a member records besides its data: time, Unix permissions, the folder mark. And the test
// whether a member still matches its file, which decides whether an update rewrites it.
#pragma once

#include <sys/stat.h>
#include <zip.h>

#include <cstdint>
#include <ctime>
#include <string>

namespace qb::izip {

// The MS-DOS date and time of the ZIP headers (local time, two-second steps).
uint32_t DosTime(time_t t);

// Sets modification time (DOS field and the extended-timestamp field, which keeps whole seconds
// and UTC), and Unix mode with the MS-DOS folder bit for folders.
void SetMemberMetadata(zip_t* archive, zip_uint64_t index, const struct stat& info, bool folder);

// True when the member has the file's size, the same DOS time and the same contents (CRC-32 of
// the file at hostPath): it needs no rewriting.
bool MemberMatchesFile(zip_t* archive, zip_uint64_t index, const struct stat& info,
                       const std::string& hostPath);

// The modification time of a member: the extended timestamp when present, else the DOS time.
time_t MemberTime(zip_t* archive, zip_uint64_t index);

// The Unix permission bits of a member when it was made on Unix, else 0.
mode_t MemberMode(zip_t* archive, zip_uint64_t index);

}  // namespace qb::izip
