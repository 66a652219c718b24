#include "lzh_names.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace lzh {
namespace {

// iconv over the whole text; nullopt on any byte that does not convert.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    if (rc != static_cast<size_t>(-1))
        rc = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || srcLeft != 0)
        return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

// ASCII reads the same in CP932, CP1252 and UTF-8. Most names are ASCII, and opening a
// converter for each of them costs more than the rest of reading a header.
bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsCp932Lead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string ReplaceControls(std::string text)
{
    for (char& c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = '_';
    }
    return text;
}

}  // namespace

bool IsValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t extra;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else
            return false;
        if (i + extra >= text.size())
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::optional<std::string> Cp932ToUtf8(std::string_view bytes)
{
    if (IsAscii(bytes))
        return std::string(bytes);
    return Convert("UTF-8", "CP932", bytes);
}
std::optional<std::string> Utf8ToCp932(std::string_view text)
{
    if (IsAscii(text))
        return std::string(text);
    return Convert("CP932", "UTF-8", text);
}
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes)
{
    return Convert("UTF-8", "UTF-16LE", bytes);
}

std::vector<std::string> SplitStoredPath(std::string_view raw, NameCharset charset, FfByte ff)
{
    const bool ffSeparates = ff == FfByte::Separator;
    // 0xFF separators of folder headers are never part of a name; judge the text without them.
    std::string text(raw);
    if (ffSeparates)
        text.erase(std::remove(text.begin(), text.end(), '\xFF'), text.end());
    bool cp932 =
        charset == NameCharset::Cp932 || (charset == NameCharset::Guess && !IsValidUtf8(text));
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 0; i < raw.size(); ++i) {
        auto c = static_cast<unsigned char>(raw[i]);
        if (cp932 && IsCp932Lead(c) && i + 1 < raw.size()) {
            current.push_back(raw[i]);
            current.push_back(raw[++i]);  // the trail byte may be 0x5C: part of the character
            continue;
        }
        if (c == '/' || c == '\\' || (c == 0xFF && ffSeparates)) {
            if (!current.empty())
                parts.push_back(std::move(current));
            current.clear();
            continue;
        }
        current.push_back(raw[i]);
    }
    if (!current.empty())
        parts.push_back(std::move(current));
    return parts;
}

std::string DecodeComponent(std::string_view raw, NameCharset charset)
{
    std::optional<std::string> text;
    switch (charset) {
    case NameCharset::Utf8:
        if (IsValidUtf8(raw))
            text = std::string(raw);
        break;
    case NameCharset::Cp932:
        text = Cp932ToUtf8(raw);
        break;
    case NameCharset::Cp1252:
        text = IsAscii(raw) ? std::optional<std::string>(raw) : Convert("UTF-8", "CP1252", raw);
        break;
    case NameCharset::Cp437:
        text = IsAscii(raw) ? std::optional<std::string>(raw) : Convert("UTF-8", "CP437", raw);
        break;
    case NameCharset::Guess:
        if (IsValidUtf8(raw))
            text = std::string(raw);
        else
            text = Cp932ToUtf8(raw);
        break;
    }
    if (!text) {
        // Keep the ASCII we can read; every byte that does not decode becomes '_'.
        std::string fallback;
        for (char c : raw)
            fallback.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '_');
        text = std::move(fallback);
    }
    return ReplaceControls(std::move(*text));
}

}  // namespace lzh
