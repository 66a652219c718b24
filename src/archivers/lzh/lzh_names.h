// Member names: how the bytes stored in a header become a path of UTF-8 components, and how our
// own names are stored.
//
// Headers rarely say which character set their names use. Japanese Windows tools write
// Shift_JIS (code page 932), Unix tools write whatever their locale used (today UTF-8), and a few
// writers state the code page in an extended header (0x46) or add a UTF-16 copy (0x44/0x45). We
// believe an explicit statement first; otherwise bytes that form valid UTF-8 are UTF-8 and
// anything else is taken as CP932.
//
// Splitting needs care: in level-0/1 name fields '\' separates folders, but 0x5C is also the
// second byte of some CP932 characters (表 is 0x95 0x5C). Such a pair is one character and is
// never split.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lzh {

enum class NameCharset { Guess, Utf8, Cp932, Cp1252, Cp437 };

bool IsValidUtf8(std::string_view text);

// Conversions through iconv; nullopt when the text cannot be converted.
std::optional<std::string> Cp932ToUtf8(std::string_view bytes);
std::optional<std::string> Utf8ToCp932(std::string_view text);
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);

// Where 0xFF separates folders: only in the folder extended header. In a name field it is a
// byte of the name like any other.
enum class FfByte { Separator, Text };

// Splits raw stored path bytes into components. Separators are '/', 0xFF where ff says so, and
// '\' unless it is the second byte of a CP932 double-byte character (only considered when the
// bytes are not valid UTF-8). Empty components vanish, so leading, trailing and doubled
// separators need no special handling.
std::vector<std::string> SplitStoredPath(std::string_view raw, NameCharset charset,
                                         FfByte ff = FfByte::Separator);

// Turns one stored component into displayable, writable UTF-8: decoded by the charset (Guess:
// UTF-8 when valid, else CP932), with control characters (escape sequences in names could drive
// a terminal) and bytes that do not decode replaced by '_'.
std::string DecodeComponent(std::string_view raw, NameCharset charset);

}  // namespace lzh
