#include "common/PathHelpers.h"

#include "platform/FileSystem.h"
#include "platform/Utf8.h"

#include <unicode/uchar.h>

#include <vector>

namespace PathHelpers {
namespace {

using qb::platform::CharCount;
using qb::platform::DecodeUtf8;

constexpr std::size_t kMaxComponents = 256;

FreeSpaceProvider& Provider()
{
    static FreeSpaceProvider provider;
    return provider;
}

// "###,##0.0" of bytes / 2^20, rounded half away from zero, in exact integer arithmetic so that
// figures beyond 4 GB and 4 TB come out true.
std::string FormatMegabytes(std::uint64_t bytes)
{
    const unsigned __int128 tenths =
        (static_cast<unsigned __int128>(bytes) * 10 + (1u << 19)) >> 20;
    const std::uint64_t whole = static_cast<std::uint64_t>(tenths / 10);
    const unsigned decimal = static_cast<unsigned>(tenths % 10);
    const std::string digits = std::to_string(whole);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped + "." + std::to_string(decimal);
}

bool KeepsItsForm(char32_t c)
{
    return (c >= U'ａ' && c <= U'ｚ') || (c >= U'α' && c <= U'ω') || (c >= U'а' && c <= U'я');
}

}  // namespace

std::string GetTempFolder()
{
    try {
        return qb::platform::TempFolder();
    } catch (...) {
        return {};
    }
}

std::string GetSystemFolder()
{
    try {
        return qb::platform::SystemFolder();
    } catch (...) {
        return {};
    }
}

void SetFreeSpaceProvider(FreeSpaceProvider provider)
{
    Provider() = std::move(provider);
}

std::string FreeSpaceText(const std::string& path)
{
    try {
        if (path.size() < 2)
            return {};
        const std::optional<std::uint64_t> bytes =
            Provider() ? Provider()(path) : qb::platform::FreeBytes(path);
        if (!bytes || *bytes < 1)
            return {};
        return " (" + FormatMegabytes(*bytes) + "M Free)";
    } catch (...) {
        return {};
    }
}

std::string ShortDisplayPath(const std::string& path)
{
    if (path.empty())
        return {};
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('\\', start);
        if (slash == std::string::npos) {
            parts.push_back(path.substr(start));
            break;
        }
        parts.push_back(path.substr(start, slash - start + 1));
        start = slash + 1;
    }
    if (parts.size() > kMaxComponents)
        return {};
    if (parts.size() < 5)
        return path;
    const std::size_t n = parts.size();
    return parts[0] + parts[1] + "...\\" + parts[n - 2] + parts[n - 1];
}

std::string ParentFolder(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return {};
    std::string parent = path.substr(0, slash);
    if (!parent.empty() && parent.back() == ':' && CharCount(parent) == 2)
        parent += '\\';
    return parent;
}

std::string OnDiskPath(const std::string& path)
{
    try {
        if (path.size() < 3 || path[1] != ':' || path[2] != '\\')
            return {};
        if (path.size() == 3)
            return UpperCaseName(path);
        std::vector<std::string> parts{UpperCaseName(path.substr(0, 2))};
        for (std::size_t slash = path.find('\\', 3); slash != std::string::npos;
             slash = path.find('\\', slash + 1)) {
            const std::optional<std::string> name =
                qb::platform::FindEntryName(path.substr(0, slash));
            if (!name)
                return {};
            parts.push_back(*name);
            if (parts.size() > kMaxComponents)
                return {};
        }
        if (path.back() != '\\') {
            const std::optional<std::string> name = qb::platform::FindEntryName(path);
            if (!name)
                return {};
            parts.push_back(*name);
            if (parts.size() > kMaxComponents)
                return {};
        }
        std::string out = parts[0];
        for (std::size_t i = 1; i < parts.size(); ++i)
            out += "\\" + parts[i];
        return out;
    } catch (...) {
        return {};
    }
}

std::string UpperCaseName(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const qb::platform::Utf8Char ch = DecodeUtf8(text, pos);
        if (!ch.valid || KeepsItsForm(ch.code))
            out.append(text, pos, ch.length);
        else
            qb::platform::AppendUtf8(out, static_cast<char32_t>(u_toupper(ch.code)));
        pos += ch.length;
    }
    return out;
}

bool FileExists(const std::string& path)
{
    try {
        return !path.empty() && qb::platform::IsReadableFile(path);
    } catch (...) {
        return false;
    }
}

bool FolderExists(const std::string& path)
{
    try {
        std::string folder = path;
        if (CharCount(folder) > 3 && folder.back() == '\\')
            folder.pop_back();
        return !folder.empty() && qb::platform::CanEnterFolder(folder);
    } catch (...) {
        return false;
    }
}

}  // namespace PathHelpers
