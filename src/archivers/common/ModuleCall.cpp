#include "ModuleCall.h"

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

void OutputText::Flush()
{
    WriteOutputBuffer(text_, buffer_, size_);
}

void WriteOutputBuffer(std::string_view text, char* buffer, unsigned long size)
{
    if (!buffer || size == 0)
        return;
    size_t n = text.size();
    if (n > size - 1) {
        n = size - 1;
        // Step back over continuation bytes so that no half character is left at the end.
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

}  // namespace qb::arc
