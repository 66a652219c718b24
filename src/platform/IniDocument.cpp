#include "platform/IniDocument.h"

#include "platform/Utf8.h"

namespace qb::platform {
namespace {

// The name of a "[Section]" line, or nullopt for any other line.
std::optional<std::string_view> SectionOf(std::string_view line)
{
    const std::string_view t = TrimBlanks(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return std::nullopt;
    return t.substr(1, t.size() - 2);
}

// The key of a "Key=Value" line, or nullopt for comments and lines without '='.
std::optional<std::string_view> KeyOf(std::string_view line)
{
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = TrimBlanks(line.substr(0, eq));
    if (key.empty() || key[0] == ';' || key[0] == '#')
        return std::nullopt;
    return key;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view content)
{
    IniDocument doc;
    // Editors on other systems like to put a byte-order mark first; it would hide the first
    // section's header and with it every setting of that section.
    if (content.substr(0, 3) == "\xEF\xBB\xBF")
        content.remove_prefix(3);
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string_view::npos)
            end = content.size();
        std::string_view line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        doc.m_lines.emplace_back(line);
        start = end + 1;
    }
    return doc;
}

std::string IniDocument::Serialize() const
{
    std::string out;
    for (const std::string& line : m_lines) {
        out += line;
        out += '\n';
    }
    return out;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const
{
    bool inSection = false;
    for (const std::string& line : m_lines) {
        if (const auto name = SectionOf(line)) {
            inSection = EqualsIgnoreCase(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        const auto k = KeyOf(line);
        if (k && EqualsIgnoreCase(*k, key))
            return line.substr(line.find('=') + 1);
    }
    return std::nullopt;
}

bool IniDocument::HasSection(std::string_view section) const
{
    for (const std::string& line : m_lines)
        if (const auto name = SectionOf(line); name && EqualsIgnoreCase(*name, section))
            return true;
    return false;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    bool inSection = false;
    std::optional<std::size_t> insertAt;  // after the last non-blank line of the first occurrence
    bool firstDone = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const std::string& line = m_lines[i];
        if (const auto name = SectionOf(line)) {
            if (inSection)
                firstDone = true;
            inSection = EqualsIgnoreCase(*name, section);
            if (inSection && !firstDone && !insertAt)
                insertAt = i + 1;
            continue;
        }
        if (!inSection)
            continue;
        const auto k = KeyOf(line);
        if (k && EqualsIgnoreCase(*k, key)) {
            m_lines[i] = std::string(*k) + "=" + std::string(value);
            return;
        }
        if (!firstDone && !TrimBlanks(line).empty())
            insertAt = i + 1;
    }
    const std::string entry = std::string(key) + "=" + std::string(value);
    if (insertAt) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(*insertAt), entry);
        return;
    }
    if (!m_lines.empty() && !TrimBlanks(m_lines.back()).empty())
        m_lines.emplace_back();
    m_lines.push_back("[" + std::string(section) + "]");
    m_lines.push_back(entry);
}

void IniDocument::RemoveSection(std::string_view section)
{
    std::vector<std::string> kept;
    bool inSection = false;
    for (std::string& line : m_lines) {
        if (const auto name = SectionOf(line))
            inSection = EqualsIgnoreCase(*name, section);
        if (!inSection)
            kept.push_back(std::move(line));
    }
    m_lines = std::move(kept);
}

bool IniDocument::ValidSection(std::string_view section)
{
    return !section.empty() && !HasLineBreak(section) && TrimBlanks(section) == section &&
           section.find_first_of("[]") == std::string_view::npos;
}

bool IniDocument::ValidKey(std::string_view key)
{
    return !key.empty() && !HasLineBreak(key) && TrimBlanks(key) == key &&
           key.find('=') == std::string_view::npos && key[0] != '[' && key[0] != ';' &&
           key[0] != '#';
}

bool IniDocument::ValidValue(std::string_view value)
{
    return !HasLineBreak(value);
}

}  // namespace qb::platform
