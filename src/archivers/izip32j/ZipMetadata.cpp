#include "ZipMetadata.h"

#include "LongPath.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <climits>
#include <vector>

namespace qb::izip {
namespace {

constexpr zip_uint16_t kExtendedTimestamp = 0x5455;  // "UT": modification time in UTC seconds
constexpr zip_uint16_t kNtfsTimes = 0x000a;  // modification, access, creation: 100-ns ticks
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kFileTimeOfUnixEpoch = 116444736000000000ull;

// The CRC-32 of a file's contents, or nothing when it cannot be read to the end.
bool FileCrc32(const std::string& hostPath, uLong& crc)
{
    int fd = arc::OpenLongPath(hostPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    crc = crc32(0L, Z_NULL, 0);
    std::vector<Bytef> buffer(1 << 16);
    for (;;) {
        ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0)
            break;
        crc = crc32(crc, buffer.data(), static_cast<uInt>(n));
    }
    close(fd);
    return true;
}

uint64_t Get64(const zip_uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

}  // namespace

std::optional<uint64_t> FileTimeFromUnix(const struct timespec& t)
{
    if (t.tv_sec < 0 || t.tv_nsec < 0 || t.tv_nsec >= 1000000000)
        return std::nullopt;
    uint64_t seconds = static_cast<uint64_t>(t.tv_sec);
    if (seconds > (UINT64_MAX - kFileTimeOfUnixEpoch) / kTicksPerSecond - 1)
        return std::nullopt;
    return kFileTimeOfUnixEpoch + seconds * kTicksPerSecond +
           static_cast<uint64_t>(t.tv_nsec) / 100;
}

uint32_t DosTime(time_t t)
{
    struct tm tm { };
    if (!localtime_r(&t, &tm) || tm.tm_year < 80)
        return (1u << 21) | (1u << 16);  // before 1980 the format cannot say: 1980-01-01
    if (tm.tm_year > 207)
        tm.tm_year = 207;
    return (static_cast<uint32_t>(tm.tm_year - 80) << 25) |
           (static_cast<uint32_t>(tm.tm_mon + 1) << 21) |
           (static_cast<uint32_t>(tm.tm_mday) << 16) | (static_cast<uint32_t>(tm.tm_hour) << 11) |
           (static_cast<uint32_t>(tm.tm_min) << 5) | (static_cast<uint32_t>(tm.tm_sec) >> 1);
}

bool MemberMatchesFile(const OldMember& member, const arc::FileInfo& info,
                       const std::string& hostPath, uint64_t archiveTime)
{
    if (member.size != static_cast<uint64_t>(info.st_size))
        return false;
    std::optional<uint64_t> exact = FileTimeFromUnix(info.st_mtim);
    if (member.fileTime != 0 && exact) {
        if (member.fileTime != *exact)
            return false;
        // A file written again within the clock tick in which it was packed keeps its time; only
        // then can equal times hide a change.
        if (member.fileTime + kTicksPerSecond < archiveTime)
            return true;
    } else {
        uint32_t stored =
            member.unixTime >= 0 ? DosTime(static_cast<time_t>(member.unixTime)) : member.dosTime;
        if (stored != DosTime(info.st_mtime))
            return false;
    }
    // Size and a two-second time step say little about a file saved twice within those two
    // seconds: only the contents decide, so a quick edit is never left out of the update.
    if (info.st_size == 0)
        return true;
    uLong crc = 0;
    return FileCrc32(hostPath, crc) && crc == member.crc;
}

time_t MemberTime(zip_t* archive, zip_uint64_t index)
{
    zip_uint16_t length = 0;
    const zip_uint8_t* field = zip_file_extra_field_get_by_id(archive, index, kExtendedTimestamp, 0,
                                                              &length, ZIP_FL_CENTRAL);
    if (!field)
        field = zip_file_extra_field_get_by_id(archive, index, kExtendedTimestamp, 0, &length,
                                               ZIP_FL_LOCAL);
    if (field && length >= 5 && (field[0] & 1))
        return static_cast<time_t>(
            static_cast<uint32_t>(field[1]) | (static_cast<uint32_t>(field[2]) << 8) |
            (static_cast<uint32_t>(field[3]) << 16) | (static_cast<uint32_t>(field[4]) << 24));
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, index, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME))
        return st.mtime;
    return 0;
}

std::optional<uint64_t> MemberFileTime(zip_t* archive, zip_uint64_t index)
{
    zip_uint16_t length = 0;
    const zip_uint8_t* field =
        zip_file_extra_field_get_by_id(archive, index, kNtfsTimes, 0, &length, ZIP_FL_CENTRAL);
    if (!field)
        field =
            zip_file_extra_field_get_by_id(archive, index, kNtfsTimes, 0, &length, ZIP_FL_LOCAL);
    if (!field || length < 4)
        return std::nullopt;
    for (size_t pos = 4; pos + 4 <= length;) {
        unsigned tag = field[pos] | (field[pos + 1] << 8);
        size_t size = field[pos + 2] | (field[pos + 3] << 8);
        if (pos + 4 + size > length)
            break;
        if (tag == 1 && size >= 24) {
            uint64_t ticks = Get64(field + pos + 4);
            if (ticks < kFileTimeOfUnixEpoch)
                return std::nullopt;
            return ticks;
        }
        pos += 4 + size;
    }
    return std::nullopt;
}

struct timespec MemberTimeExact(zip_t* archive, zip_uint64_t index)
{
    if (std::optional<uint64_t> ticks = MemberFileTime(archive, index)) {
        uint64_t since = *ticks - kFileTimeOfUnixEpoch;
        struct timespec t { };
        t.tv_sec = static_cast<time_t>(since / kTicksPerSecond);
        t.tv_nsec = static_cast<long>(since % kTicksPerSecond) * 100;
        return t;
    }
    return {MemberTime(archive, index), 0};
}

mode_t MemberMode(zip_t* archive, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0 ||
        system != ZIP_OPSYS_UNIX)
        return 0;
    return static_cast<mode_t>((attributes >> 16) & 0xFFFF);
}

}  // namespace qb::izip
