// Fuzz target for the LZH reading path: header parsing of every level, the archive walk and
// decoding of each member through liblhasa, as x, l, t and u meet them in untrusted archives.
// Built as a libFuzzer target with clang; the test suite also drives it with mutated archives.
#include "lzh_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    lzh::MemorySource source(data, size);
    lzh::ArchiveReader reader(source);
    lzh::MemberHeader member;
    int members = 0;
    while (reader.Next(member) == lzh::WalkStatus::Member && members++ < 64) {
        (void)member.Path();
        // Bound the output: a tiny stream may claim gigabytes.
        std::uint64_t budget = 1 << 20;
        lzh::DecodeMember(source, member, [&](const std::uint8_t*, std::size_t n) {
            if (n > budget)
                return false;
            budget -= n;
            return true;
        });
    }
    return 0;
}
