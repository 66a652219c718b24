// The name of a member as UTF-8, also for archives made on Japanese Windows.
//
// ZIP names carry no code page unless the UTF-8 flag is set. Tools on Japanese Windows write
// CP932 (Shift_JIS) names without it, which libzip would read as CP437 and garble. A name that is
// valid UTF-8 is taken as it is; otherwise CP932 is tried, and CP437 (libzip's reading) is the
// last resort.
#pragma once

#include <zip.h>

#include <string>

namespace qb::izip {

// Returns false when libzip cannot give the name at all.
bool MemberName(zip_t* archive, zip_uint64_t index, std::string& name);

// The same for a name read by our own directory reader: UTF-8 when valid, else CP932, else CP437.
std::string NameFromRaw(const std::string& raw);

// The CP932 form of a UTF-8 name, when it has one that reads back as the same name.
bool NameToCp932(const std::string& utf8, std::string& cp932);

}  // namespace qb::izip
