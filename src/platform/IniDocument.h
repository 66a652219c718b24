// An INI file held as its lines, so that a change rewrites only what it touches and keeps every
// other line (comments, garbage, odd bytes) as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::platform {

class IniDocument {
public:
    // Parses file content. Line ends may be LF or CR LF; a missing final newline is fine.
    static IniDocument Parse(std::string_view content);

    // The file content: every line followed by LF.
    std::string Serialize() const;

    bool Empty() const { return m_lines.empty(); }

    // The value of a key; sections and keys match without regard to letter case. When a
    // section appears twice the first occurrence of the key wins.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // True when a "[Section]" line of that name (any letter case) is present.
    bool HasSection(std::string_view section) const;

    // Replaces the value of an existing key (keeping its spelling) or adds the key at the end of
    // the section, adding the section at the end of the file when missing.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Removes every occurrence of a section with its lines.
    void RemoveSection(std::string_view section);

    void Clear() { m_lines.clear(); }

    // Whether a section name, key or value can be written without breaking the line structure.
    static bool ValidSection(std::string_view section);
    static bool ValidKey(std::string_view key);
    static bool ValidValue(std::string_view value);

private:
    std::vector<std::string> m_lines;
};

}  // namespace qb::platform
