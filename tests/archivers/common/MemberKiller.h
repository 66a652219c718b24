// A progress procedure that kills the whole process in the middle of one member, for the tests
// of what a call killed half-way leaves behind.
#pragma once

#include <csignal>
#include <string>

namespace qb::arctest {

struct MemberKiller {
    std::string member;
    int reports = 0;
};

// The first report of a member comes before its file is made; the next ones come while its data
// is written, the last before it is put in place. Dies at the second.
inline int KillInMember(const char* member, unsigned long long, unsigned long long, void* user)
{
    auto& k = *static_cast<MemberKiller*>(user);
    if (k.member == member && ++k.reports == 2)
        std::raise(SIGKILL);
    return 1;
}

}  // namespace qb::arctest
