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

struct timespec MemberTime(const OldMember& m, uint64_t localFileTime, int64_t localUnixTime)
{
    const uint64_t ticks = m.fileTime != 0 ? m.fileTime : localFileTime;
    if (ticks >= kFileTimeOfUnixEpoch) {
        const uint64_t since = ticks - kFileTimeOfUnixEpoch;
        struct timespec t { };
        t.tv_sec = static_cast<time_t>(since / kTicksPerSecond);
        t.tv_nsec = static_cast<long>(since % kTicksPerSecond) * 100;
        return t;
    }
    const int64_t seconds = m.unixTime >= 0 ? m.unixTime : localUnixTime;
    if (seconds >= 0)
        return {static_cast<time_t>(seconds), 0};
    struct tm tm { };
    tm.tm_year = static_cast<int>((m.dosTime >> 25) & 0x7F) + 80;
    tm.tm_mon = static_cast<int>((m.dosTime >> 21) & 0x0F) - 1;
    tm.tm_mday = static_cast<int>((m.dosTime >> 16) & 0x1F);
    tm.tm_hour = static_cast<int>((m.dosTime >> 11) & 0x1F);
    tm.tm_min = static_cast<int>((m.dosTime >> 5) & 0x3F);
    tm.tm_sec = static_cast<int>((m.dosTime & 0x1F) * 2);
    tm.tm_isdst = -1;
    const time_t t = mktime(&tm);
    return {t == static_cast<time_t>(-1) ? 0 : t, 0};
}

mode_t MemberMode(const OldMember& m)
{
    return m.system == 3 ? static_cast<mode_t>((m.external >> 16) & 0xFFFF) : 0;
}

}  // namespace qb::izip
