#include "ModuleCall.h"

#include "archiver_output.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cstring>

namespace qb::arc {

void ModuleState::SetProgress(ArchiverProgressProc proc, void* user)
{
    std::lock_guard lock(mutex_);
    proc_ = proc;
    user_ = user;
}

bool ModuleState::Report(std::string_view member, unsigned long long done, unsigned long long total)
{
    ArchiverProgressProc proc;
    void* user;
    {
        std::lock_guard lock(mutex_);
        proc = proc_;
        user = user_;
    }
    if (!proc)
        return true;
    std::string name(member);  // the procedure wants a NUL-terminated text
    return proc(name.c_str(), done, total, user) != 0;
}

CallScope::CallScope(ModuleState& state) : state_(state)
{
    int expected = 0;
    acquired_ = state_.running_.compare_exchange_strong(expected, 1);
}

CallScope::~CallScope()
{
    if (acquired_)
        state_.running_.store(0);
}

void OutputText::Append(std::string_view text)
{
    if (text.empty())
        return;
    if (Full()) {
        linesNotKept_ += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        endsOpen_ = text.back() != '\n';
        return;
    }
    text_.append(text);
}

void OutputText::Line(std::string_view text)
{
    if (Full()) {
        ++linesNotKept_;
        endsOpen_ = false;
        return;
    }
    text_.append(text);
    text_.push_back('\n');
}

void OutputText::Flush()
{
    WriteOutputBuffer(text_, buffer_, size_, linesNotKept_, endsOpen_);
}

void OutputText::Skipped(std::string_view reason, std::string_view member)
{
    ++skippedCount_;
    Line(std::string(ARC_LINE_SKIPPED) + std::string(reason) + " " + EscapedName(member));
}

void OutputText::NotUpdated(std::string_view reason, std::string_view member)
{
    ++skippedCount_;
    Line(std::string(ARC_LINE_NOT_UPDATED) + std::string(reason) + " " + EscapedName(member));
}

void OutputText::RawName(std::string_view member)
{
    Line(ARC_LINE_RAW_NAME + EscapedName(member));
}

void OutputText::LargeMember(std::string_view member)
{
    Line(ARC_LINE_LARGE_MEMBER + EscapedName(member));
}

void OutputText::Failed(std::string_view reason, std::string_view name)
{
    Line(std::string(ARC_LINE_FAILED) + std::string(reason) + " " + EscapedName(name));
}

std::string EscapedName(std::string_view name)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    std::string whole(name);
    for (size_t i = 0; i < whole.size();) {
        platform::Utf8Char c = platform::DecodeUtf8(whole, i);
        unsigned char b = static_cast<unsigned char>(whole[i]);
        if (c.valid && b >= 0x20 && b != 0x7F && b != '\\') {
            text.append(whole, i, c.length);
            i += c.length;
            continue;
        }
        text += "\\x";
        text += hex[b >> 4];
        text += hex[b & 15];
        ++i;
    }
    return text;
}

void WriteOutputBuffer(std::string_view text, char* buffer, unsigned long size,
                       std::size_t linesNotKept, bool endsOpen)
{
    if (!buffer || size == 0)
        return;
    size_t n = text.size();
    if (n > size - 1) {
        // Whole lines first, then the count of what was dropped.
        for (size_t keep = text.rfind('\n', size - 1); keep != std::string_view::npos && keep > 0;
             keep = text.rfind('\n', keep - 1)) {
            size_t dropped =
                std::count(text.begin() + static_cast<long>(keep) + 1, text.end(), '\n') +
                linesNotKept;
            const bool open = linesNotKept > 0 || endsOpen ? endsOpen
                                                           : !text.empty() && text.back() != '\n';
            if (open)
                ++dropped;
            std::string tail = ARC_LINE_OUTPUT_CUT + std::to_string(dropped) + "\n";
            if (keep + 1 + tail.size() <= size - 1) {
                std::memcpy(buffer, text.data(), keep + 1);
                std::memcpy(buffer + keep + 1, tail.data(), tail.size());
                buffer[keep + 1 + tail.size()] = '\0';
                return;
            }
        }
        n = size - 1;
        // Step back over continuation bytes so that no half character is left at the end.
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

}  // namespace qb::arc
