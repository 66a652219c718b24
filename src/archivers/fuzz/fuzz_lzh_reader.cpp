// Fuzz target for the LZH reading path: the search for the first header (self-extracting
// archives), header parsing of every level and variant, the archive walk and decoding of each
// member (MacBinary unwrapping included), as x, l, t and u meet them in untrusted archives.
// Built as a libFuzzer target with clang; the test suite also drives it with mutated archives.
#include "lzh_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    lzh::MemorySource source(data, size);
    // The search for the first header of a self-extracting archive, as every command starts.
    const lzh::ArchiveStart start = lzh::FindArchiveStart(source);
    if (start.kind != lzh::ArchiveStart::Kind::Members)
        return 0;
    lzh::ArchiveReader reader(source, lzh::HeaderDetail::Full, start.offset);
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
