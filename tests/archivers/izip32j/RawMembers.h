// The stored form of every member of a ZIP archive, read with libzip: enough to see whether a
// member was left exactly as it was.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace qb::ziptest {

struct RawMember {
    uint64_t index = 0;
    uint32_t crc = 0;
    uint16_t method = 0;
    std::string compressed;  // the member's data as stored

    bool operator==(const RawMember&) const = default;
};

std::map<std::string, RawMember> RawMembers(const std::string& zipPath);

// The general-purpose flags of a member's central directory record (bit 11: UTF-8 name), or -1.
int CentralFlags(const std::string& zipPath, const std::string& name);

// Writes an archive whose members have exactly these names (unsafe ones included) and contents.
void WriteArchive(const std::string& zipPath, const std::map<std::string, std::string>& members);

}  // namespace qb::ziptest
