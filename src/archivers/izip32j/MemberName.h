// The name of a member as UTF-8, also for archives made on Japanese Windows.
//
// ZIP names carry no code page unless the UTF-8 flag is set. Tools on Japanese Windows write
// CP932 (Shift_JIS) names without it, which a reader that assumes CP437 would garble. A name that is
// valid UTF-8 is taken as it is; otherwise CP932 is tried, and CP437 (the format's old default)
// is the last resort.
#pragma once

#include <string>

namespace qb::izip {

// A name as stored: UTF-8 when valid, else CP932, else CP437.
std::string NameFromRaw(const std::string& raw);

// The CP932 form of a UTF-8 name, when it has one that reads back as the same name.
bool NameToCp932(const std::string& utf8, std::string& cp932);

}  // namespace qb::izip
