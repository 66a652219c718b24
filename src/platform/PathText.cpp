#include "platform/PathText.h"

namespace qb::platform {

std::vector<std::string> SplitPath(std::string_view path, std::string_view separators)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of(separators, start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string CleanHostPath(std::string_view path)
{
    std::vector<std::string> kept;
    for (std::string& part : SplitPath(path, "/")) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (!kept.empty())
                kept.pop_back();
            continue;
        }
        kept.push_back(std::move(part));
    }
    std::string out;
    for (const std::string& part : kept)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

std::string JoinHost(const std::string& dir, std::string_view name)
{
    std::string out = dir;
    if (out.empty() || out.back() != '/')
        out += '/';
    out += name;
    return out;
}

bool HasDriveLetter(std::string_view path)
{
    if (path.size() < 2 || path[1] != ':')
        return false;
    const char c = path[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace qb::platform
