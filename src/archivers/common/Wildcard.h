// DOS wildcards, as the callers of the archiver modules write them.
//
// '*' matches any run of characters (also none), '?' exactly one character (a whole UTF-8
// sequence, not one byte). Letters compare without regard to case, as Windows does for ASCII.
// As on Windows, a pattern ending in ".*" also matches names without any dot: "*.*" is every
// name, "README.*" matches README as well as README.TXT.
#pragma once

#include <string_view>

namespace qb::arc {

bool WildcardMatch(std::string_view pattern, std::string_view name);

// True when the text holds '*' or '?', that is when it names a set of files rather than one.
bool HasWildcards(std::string_view text);

// Case-insensitive equality for ASCII letters; other bytes must be equal.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace qb::arc
