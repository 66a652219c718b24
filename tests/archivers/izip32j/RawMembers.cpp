#include "RawMembers.h"

#include <zip.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace qb::ziptest {

std::map<std::string, RawMember> RawMembers(const std::string& zipPath)
{
    std::map<std::string, RawMember> members;
    int error = 0;
    zip_t* archive = zip_open(zipPath.c_str(), ZIP_RDONLY, &error);
    if (!archive)
        throw std::runtime_error("cannot open " + zipPath);
    zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
        RawMember m;
        m.index = static_cast<uint64_t>(i);
        m.crc = st.crc;
        m.method = st.comp_method;
        if (zip_file_t* file =
                zip_fopen_index(archive, static_cast<zip_uint64_t>(i), ZIP_FL_COMPRESSED)) {
            std::vector<char> buffer(1 << 16);
            zip_int64_t n;
            while ((n = zip_fread(file, buffer.data(), buffer.size())) > 0)
                m.compressed.append(buffer.data(), static_cast<size_t>(n));
            zip_fclose(file);
        }
        members[st.name] = m;
    }
    zip_discard(archive);
    return members;
}

int CentralFlags(const std::string& zipPath, const std::string& name)
{
    std::ifstream in(zipPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u16 = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
               (static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8);
    };
    for (size_t at = bytes.find("PK\x01\x02"); at != std::string::npos && at + 46 <= bytes.size();
         at = bytes.find("PK\x01\x02", at + 4)) {
        size_t nameLength = u16(at + 28);
        if (bytes.compare(at + 46, nameLength, name) == 0 && nameLength == name.size())
            return static_cast<int>(u16(at + 8));
    }
    return -1;
}

void WriteArchive(const std::string& zipPath, const std::map<std::string, std::string>& members)
{
    int error = 0;
    zip_t* archive = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        throw std::runtime_error("cannot make " + zipPath);
    for (const auto& [name, content] : members) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        if (zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS) < 0)
            throw std::runtime_error("cannot add " + name);
    }
    if (zip_close(archive) != 0)
        throw std::runtime_error("cannot write " + zipPath);
}

}  // namespace qb::ziptest
