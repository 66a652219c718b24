// Small UTF-8 helpers shared by the path code and the text helpers: walking code points,
// validity, and the letter-case mapping that Windows applies to names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qb::platform {

// One decoded character: its code point and how many bytes it took. An invalid byte decodes
// as itself (code point = the byte value, length 1, valid = false) so callers can pass it on.
struct Utf8Char {
    char32_t code;
    std::size_t length;
    bool valid;
};

// Decodes the character starting at text[pos] (pos must be < text.size()).
Utf8Char DecodeUtf8(std::string_view text, std::size_t pos);

// Appends the UTF-8 form of code to out.
void AppendUtf8(std::string& out, char32_t code);

// True when the whole text is well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view text);

// Number of characters (invalid bytes count one each).
std::size_t CharCount(std::string_view text);

// Upper and lower case of one character for the scripts file names use in practice: ASCII,
// Latin-1, Latin Extended-A, Greek, Cyrillic and full-width Latin. Anything else is returned
// unchanged.
char32_t UpperChar(char32_t c);
char32_t LowerChar(char32_t c);

// The text without leading and trailing blanks (spaces and tabs).
std::string_view TrimBlanks(std::string_view text);

// Compares two names the way Windows does: without regard to letter case.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace qb::platform
