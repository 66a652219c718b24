#include "Wildcard.h"

namespace qb::arc {
namespace {

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Length of the UTF-8 sequence starting at name[i]; a stray byte counts as one character so
// that names which are not valid UTF-8 still match '?' one byte at a time.
size_t CharLength(std::string_view name, size_t i)
{
    unsigned char c = static_cast<unsigned char>(name[i]);
    size_t len = c < 0x80           ? 1
                 : (c >> 5) == 0x6  ? 2
                 : (c >> 4) == 0xE  ? 3
                 : (c >> 3) == 0x1E ? 4
                                    : 1;
    if (i + len > name.size())
        return 1;
    for (size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80)
            return 1;
    return len;
}

// Iterative matcher with one backtrack point for the last '*': linear in practice and never
// recursive, so a hostile pattern of many stars cannot exhaust the stack.
bool Match(std::string_view p, std::string_view n)
{
    size_t pi = 0, ni = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (pi < p.size() && p[pi] == '?') {
            ++pi;
            ni += CharLength(n, ni);
        } else if (pi < p.size() && Fold(p[pi]) == Fold(n[ni])) {
            ++pi;
            ++ni;
        } else if (starP != std::string_view::npos) {
            pi = starP + 1;
            starN += CharLength(n, starN);
            ni = starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name)
{
    if (Match(pattern, name))
        return true;
    // "X.*" also stands for "X" when the name has no dot at all.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        return Match(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

bool HasWildcards(std::string_view text)
{
    return text.find_first_of("*?") != std::string_view::npos;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

}  // namespace qb::arc
