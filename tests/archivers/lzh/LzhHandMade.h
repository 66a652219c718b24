// LZH archives built byte by byte, as other programs write them: headers of every level with the
// variants of OS-9, Atari and Mac LHA, self-extractors with a program in front, -lz5- streams.
// Built here from the layout of the format, not with the writer under test.
#pragma once

#include "lzh_crc16.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace lzhtest {

inline void Put16(std::string& s, std::uint32_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

inline void Put32(std::string& s, std::uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

inline void Put32At(std::string& s, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::uint16_t Crc(const std::string& s)
{
    return lzh::Crc16(s.data(), s.size());
}

// MS-DOS date and time of a local date.
inline std::uint32_t DosTime(int year, int month, int day, int hour, int minute, int second)
{
    return (static_cast<std::uint32_t>(year - 1980) << 25) | (month << 21) | (day << 16) |
           (hour << 11) | (minute << 5) | (second / 2);
}

struct Extended {
    std::uint8_t type;
    std::string data;
};

// One member: what its header says and its packed bytes.
struct Member {
    std::string method = "-lh0-";
    std::string name;  // the name field (level 0/1) or the first header, 0x01 (level 2), as stored
    std::string packed;  // the data as stored
    std::uint32_t originalSize = 0;
    std::uint16_t crc = 0;  // of the original data
    std::uint32_t time = 0;  // MS-DOS time (levels 0, 1) or Unix time (level 2)
    std::uint8_t attribute = 0x20;
    std::uint8_t os = 'M';
    std::vector<Extended> extended;  // levels 1, 2: in this order
    std::string area;  // level 0: what follows the CRC field
};

// A stored member of the given contents.
inline Member Stored(const std::string& name, const std::string& content)
{
    Member m;
    m.name = name;
    m.packed = content;
    m.originalSize = static_cast<std::uint32_t>(content.size());
    m.crc = Crc(content);
    return m;
}

inline std::uint8_t ByteSum(const std::string& s, std::size_t from)
{
    unsigned sum = 0;
    for (std::size_t i = from; i < s.size(); ++i)
        sum += static_cast<unsigned char>(s[i]);
    return static_cast<std::uint8_t>(sum);
}

// The fixed fields from the method to the level byte.
inline std::string Common(const Member& m, std::uint32_t packedField, int level)
{
    std::string s = m.method;
    Put32(s, packedField);
    Put32(s, m.originalSize);
    Put32(s, m.time);
    s += static_cast<char>(level == 0 ? m.attribute : 0x20);
    s += static_cast<char>(level);
    return s;
}

inline std::string Level0(const Member& m)
{
    std::string body = Common(m, static_cast<std::uint32_t>(m.packed.size()), 0);
    body += static_cast<char>(m.name.size());
    body += m.name;
    Put16(body, m.crc);
    body += m.area;
    std::string h(2, '\0');
    h[0] = static_cast<char>(body.size());
    h += body;
    h[1] = static_cast<char>(ByteSum(h, 2));
    return h + m.packed;
}

inline std::string Chain(const std::vector<Extended>& extended)
{
    std::string s;
    for (const auto& e : extended) {
        s += static_cast<char>(e.type);
        s += e.data;
        // The size of the next one; patched below.
        Put16(s, 0);
    }
    return s;
}

// Sizes of a chain: each header's size stands at the end of the one before it.
inline void PatchChainSizes(std::string& h, std::size_t firstSizeAt,
                            const std::vector<Extended>& extended)
{
    std::size_t at = firstSizeAt;
    for (const auto& e : extended) {
        std::uint32_t size = static_cast<std::uint32_t>(e.data.size() + 3);
        h[at] = static_cast<char>(size & 0xFF);
        h[at + 1] = static_cast<char>(size >> 8);
        at += size;
    }
}

inline std::string Level1(const Member& m)
{
    std::string chain = Chain(m.extended);
    std::string body =
        Common(m, static_cast<std::uint32_t>(m.packed.size() + chain.size()), 1);
    body += static_cast<char>(m.name.size());
    body += m.name;
    Put16(body, m.crc);
    body += static_cast<char>(m.os);
    Put16(body, 0);  // size of the first extended header
    std::string h(2, '\0');
    h[0] = static_cast<char>(body.size());
    h += body;
    h += chain;
    PatchChainSizes(h, 2 + body.size() - 2, m.extended);
    h[1] = static_cast<char>(ByteSum(h.substr(0, 2 + body.size()), 2));
    return h + m.packed;
}

struct Level2Options {
    bool headerCrc = true;  // a common header (0x00) with the CRC of the whole header, last
    int sizeAdjust = 0;  // added to the size field (OS-9/68k LHA: -2)
};

inline std::string Level2(const Member& m, Level2Options o = {})
{
    std::vector<Extended> ext = m.extended;
    if (!m.name.empty())
        ext.insert(ext.begin(), {0x01, m.name});
    if (!o.headerCrc && ext.empty())
        ext.push_back({0x3F, "no CRC"});  // a comment, so that there is a chain
    if (o.headerCrc)
        ext.push_back({0x00, std::string(2, '\0')});
    std::string h = Common(m, static_cast<std::uint32_t>(m.packed.size()), 2);
    Put16(h, m.crc);
    h += static_cast<char>(m.os);
    Put16(h, 0);
    h.insert(0, 2, '\0');
    h += Chain(ext);
    PatchChainSizes(h, 24, ext);
    const std::size_t size = h.size();
    h[0] = static_cast<char>((size + o.sizeAdjust) & 0xFF);
    h[1] = static_cast<char>((size + o.sizeAdjust) >> 8);
    if (o.headerCrc) {
        // The CRC field is the data of the last header: two bytes before the last size field.
        const std::size_t at = h.size() - 4;
        std::uint16_t crc = Crc(h);
        h[at] = static_cast<char>(crc & 0xFF);
        h[at + 1] = static_cast<char>(crc >> 8);
    }
    return h + m.packed;
}

inline std::string Archive(const std::vector<std::string>& members)
{
    std::string a;
    for (const auto& m : members)
        a += m;
    return a + std::string(1, '\0');
}

// The bytes of a self-extractor's program: a DOS "MZ" start, text, perhaps the method names its
// unpacker knows (which are not headers and must not be taken for one), and random bytes without
// a '-' (which could make another method name).
inline std::string ProgramStub(std::size_t size, unsigned seed, bool methodNames = true)
{
    std::mt19937 rng(seed);
    std::string s = "MZ";
    s += std::string("\x90\x00\x03\x00\x00\x00\x04\x00", 8);
    s += "This program cannot be run in DOS mode.";
    if (methodNames)
        s += " -lh5- -lh6- -lh7- -lz5- -pms- methods";
    while (s.size() < size) {
        const char c = static_cast<char>(rng() & 0xFF);
        if (c != '-')
            s += c;
    }
    s.resize(size);
    return s;
}

// A -lz5- stream (LArc: 4 KiB ring that starts at 4096 - 18 over a fixed fill, a flag byte per
// eight commands, least significant bit first: 1 a literal, 0 a copy of 3 to 18 bytes from an
// absolute ring position) and the data it decodes to. Copies are made to fall on the offsets of
// `copyAt` where the commands allow (copies tells where they fell), so that the two bytes of one
// can straddle the end of a reader's buffer.
struct Lz5 {
    std::string packed;
    std::string plain;
    std::vector<std::size_t> copies;  // where each copy's two bytes start in packed
};

inline Lz5 MakeLz5(std::size_t plainSize, const std::vector<std::size_t>& copyAt, unsigned seed)
{
    std::uint8_t ring[4096];
    std::size_t p = 0;
    for (int v = 0; v < 256; ++v)
        for (int k = 0; k < 13; ++k)
            ring[p++] = static_cast<std::uint8_t>(v);
    for (int v = 0; v < 256; ++v)
        ring[p++] = static_cast<std::uint8_t>(v);
    for (int v = 0; v < 256; ++v)
        ring[p++] = static_cast<std::uint8_t>(255 - v);
    for (int k = 0; k < 128; ++k)
        ring[p++] = 0;
    for (int k = 0; k < 110; ++k)
        ring[p++] = ' ';
    for (int k = 0; k < 18; ++k)
        ring[p++] = 0;
    unsigned pos = 4096 - 18;
    std::mt19937 rng(seed);
    Lz5 out;
    auto emit = [&](std::uint8_t b) {
        out.plain += static_cast<char>(b);
        ring[pos] = b;
        pos = (pos + 1) % 4096;
    };
    while (out.plain.size() < plainSize) {
        const std::size_t flagAt = out.packed.size();
        out.packed += '\0';
        std::uint8_t flags = 0;
        for (int bit = 0; bit < 8 && out.plain.size() < plainSize; ++bit) {
            const std::size_t here = out.packed.size();
            bool copy = out.plain.size() > 64 && rng() % 4 == 0;
            for (std::size_t at : copyAt)
                copy = copy || here == at;
            for (std::size_t at : copyAt)
                if (here + 1 == at)
                    copy = false;  // a literal here would push the copy one byte on
            if (copy) {
                out.copies.push_back(here);
                const unsigned length = 3 + rng() % 16;
                const unsigned start = (pos + 4096 - 3 - rng() % 60) % 4096;
                out.packed += static_cast<char>(start & 0xFF);
                out.packed += static_cast<char>(((start >> 4) & 0xF0) | (length - 3));
                for (unsigned k = 0; k < length; ++k)
                    emit(ring[(start + k) % 4096]);
            } else {
                flags |= static_cast<std::uint8_t>(1u << bit);
                const std::uint8_t b = static_cast<std::uint8_t>(rng() % 2 ? 'a' + rng() % 26
                                                                            : rng() & 0xFF);
                out.packed += static_cast<char>(b);
                emit(b);
            }
        }
        out.packed[flagAt] = static_cast<char>(flags);
    }
    // A copy may have run past the size asked for: the member is what the stream decodes to.
    return out;
}

// The MacBinary wrapper Mac LHA puts around a file: a 128-byte header with the name, the fork
// lengths and the Mac times (seconds since 1904, local time), then each fork padded to 128.
inline std::string MacBinary(const std::string& name, const std::string& dataFork,
                             const std::string& resourceFork, std::uint32_t unixTime)
{
    std::string h(128, '\0');
    h[1] = static_cast<char>(name.size());
    h.replace(2, name.size(), name);
    h.replace(0x41, 8, "TEXTttxt");
    auto be32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
    };
    be32(0x53, static_cast<std::uint32_t>(dataFork.size()));
    be32(0x57, static_cast<std::uint32_t>(resourceFork.size()));
    const std::uint32_t macTime = unixTime + 2082844800u + 9 * 3600;  // a Mac set to Tokyo time
    be32(0x5B, macTime);
    be32(0x5F, macTime);
    auto padded = [](std::string s) {
        s.resize((s.size() + 127) / 128 * 128, '\0');
        return s;
    };
    return h + padded(dataFork) + padded(resourceFork);
}

}  // namespace lzhtest
