// The commands that only read an archive: l (list) and t (test), plus the helpers they share
// with the other commands.
#include "UnlhaInternal.h"

#include "Threads.h"
#include "Wildcard.h"
#include "archiver_results.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace unlha {

bool Call::Progress(const std::string& member, std::uint64_t done, std::uint64_t total, bool force)
{
    auto now = std::chrono::steady_clock::now();
    if (!force && now - m_last < std::chrono::milliseconds(50))
        return true;
    m_last = now;
    return m_state.Report(member, done, total);
}

int OpenArchive(const std::string& hostPath, std::unique_ptr<lzh::FileSource>& source,
                std::string& message)
{
    int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        message = "cannot open the archive " + hostPath;
        return err == ENOENT || err == ENOTDIR ? ARC_ERROR_ARCHIVE_MISSING : ARC_ERROR_READ_SOURCE;
    }
    struct stat st { };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        message = hostPath + " is not an archive file";
        return ARC_ERROR_BAD_ARCHIVE;
    }
    source = std::make_unique<lzh::FileSource>(fd);
    return ARC_OK;
}

int LoadArchiveQuietly(const std::string& hostPath, LoadedArchive& archive, std::string& message)
{
    if (int rc = OpenArchive(hostPath, archive.source, message))
        return rc;
    archive.complete = lzh::ReadAllHeaders(*archive.source, archive.members, archive.error,
                                           qb::arc::ThreadCount(), &archive.start);
    return ARC_OK;
}

int CheckRewritable(const LoadedArchive& archive, const std::string& archiveArgument, Call& call)
{
    if (!archive.complete) {
        call.Out().Line("the archive cannot be read (" + archive.error + "); it was left as it is");
        call.Out().Failed("damaged-archive", archiveArgument);
        return ARC_ERROR_BAD_ARCHIVE;
    }
    if (archive.start > 0) {
        call.Out().Line("the archive is self-extracting: its program part would be lost; it was "
                        "left as it is");
        call.Out().Failed("self-extracting", archiveArgument);
        return ARC_ERROR_BAD_ARCHIVE;
    }
    return ARC_OK;
}

int LoadArchive(const std::string& hostPath, Call& call, LoadedArchive& archive)
{
    std::string message;
    const int rc = LoadArchiveQuietly(hostPath, archive, message);
    if (rc != ARC_OK)
        call.Out().Line(message);
    return rc;
}

bool MatchesAny(const std::vector<std::string>& patterns, const lzh::MemberHeader& member)
{
    if (patterns.empty())
        return true;
    std::string path = member.Path();
    std::string last = member.components.empty() ? std::string() : member.components.back();
    for (std::string p : patterns) {
        std::replace(p.begin(), p.end(), '\\', '/');
        while (!p.empty() && p.back() == '/')
            p.pop_back();
        if (p.find('/') != std::string::npos) {
            if (qb::arc::WildcardMatch(p, path))
                return true;
        } else if (qb::arc::WildcardMatch(p, last) || qb::arc::WildcardMatch(p, path)) {
            return true;
        }
    }
    return false;
}

std::string DisplayPath(const lzh::MemberHeader& member)
{
    std::string path = member.Path();
    if (member.isDirectory)
        path.push_back('/');
    if (member.isSymlink)
        path += " -> " + member.linkTarget;
    return path;
}

namespace {

std::string FormatLine(const lzh::MemberHeader& m)
{
    // A member without a date gets blanks where the date would stand.
    char date[32] = "                   ";
    std::time_t t = static_cast<std::time_t>(m.mtime);
    std::tm tm{};
    if (m.hasDate && localtime_r(&t, &tm))
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &tm);
    unsigned ratio =
        m.originalSize
            ? static_cast<unsigned>((m.packedSize * 1000 + m.originalSize / 2) / m.originalSize)
            : 0;
    char line[160];
    std::snprintf(line, sizeof line, "%12llu %12llu %3u.%u%% %s %s %04X ",
                  static_cast<unsigned long long>(m.originalSize),
                  static_cast<unsigned long long>(m.packedSize), ratio / 10, ratio % 10, date,
                  m.method.c_str(), m.crc);
    return line + DisplayPath(m);
}

}  // namespace

int RunList(const UnlhaCommand& cmd, Call& call)
{
    std::unique_ptr<lzh::FileSource> source;
    std::string message;
    if (int rc = OpenArchive(cmd.archive, source, message)) {
        call.Out().Line(message);
        return rc;
    }
    auto& out = call.Out();
    const lzh::ArchiveStart start = lzh::FindArchiveStart(*source);
    if (start.kind == lzh::ArchiveStart::Kind::NotArchive ||
        start.kind == lzh::ArchiveStart::Kind::ReadError) {
        out.Line("error: " + start.error);
        return ARC_ERROR_BAD_ARCHIVE;
    }
    out.Line("    Original       Packed  Ratio Date       Time     Method CRC  Name");
    out.Line("------------ ------------ ------ ---------- -------- ------ ---- ----------------");
    lzh::ArchiveReader reader(*source, lzh::HeaderDetail::Full, start.offset);
    lzh::MemberHeader m;
    std::string last;  // the member before a damaged header, which places it
    std::uint64_t files = 0, original = 0, packed = 0;
    for (;;) {
        lzh::WalkStatus s = reader.Next(m);
        if (s == lzh::WalkStatus::End)
            break;
        if (s != lzh::WalkStatus::Member) {
            std::string error = reader.Error();
            if (!reader.DataCut() && !last.empty())
                error += " (after " + last + ")";
            out.Line("error: " + error);
            return ARC_ERROR_BAD_ARCHIVE;
        }
        last.clear();
        m.AppendPath(last);
        if (!MatchesAny(cmd.files, m))
            continue;
        out.Line(FormatLine(m));
        ++files;
        original += m.originalSize;
        packed += m.packedSize;
        if (!call.Progress(m.Path(), files, 0))
            return ARC_ERROR_USER_CANCEL;
    }
    char total[120];
    std::snprintf(total, sizeof total,
                  "------------ ------------ ------\n%12llu %12llu %llu member(s)",
                  static_cast<unsigned long long>(original),
                  static_cast<unsigned long long>(packed), static_cast<unsigned long long>(files));
    out.Line(total);
    return ARC_OK;
}

int TestArchiveFile(const std::string& hostPath, Call& call, std::size_t expectedMembers)
{
    LoadedArchive archive;
    if (LoadArchive(hostPath, call, archive) != ARC_OK || !archive.complete) {
        call.Out().Line("the new archive cannot be read back: " + archive.error);
        call.Out().Failed("test-failed", hostPath);
        return ARC_ERROR_TEST_FAILED;
    }
    if (archive.members.size() != expectedMembers) {
        call.Out().Line("the new archive holds " + std::to_string(archive.members.size()) +
                        " members, not " + std::to_string(expectedMembers));
        call.Out().Failed("test-failed", hostPath);
        return ARC_ERROR_TEST_FAILED;
    }
    std::uint64_t total = 0, done = 0;
    for (const auto& m : archive.members)
        total += m.originalSize;
    for (const auto& m : archive.members) {
        std::string path = m.Path();
        bool cancelled = false;
        lzh::DecodeStatus s =
            lzh::DecodeMember(*archive.source, m, [&](const std::uint8_t*, std::size_t n) {
                done += n;
                cancelled = !call.Progress(path, done, total);
                return !cancelled;
            });
        if (cancelled)
            return ARC_ERROR_USER_CANCEL;
        if (s != lzh::DecodeStatus::Ok) {
            call.Out().Line("testing the new archive: " + DisplayPath(m) + ": " +
                            lzh::DecodeStatusText(s));
            call.Out().Failed("test-failed", path);
            return ARC_ERROR_TEST_FAILED;
        }
    }
    return ARC_OK;
}

int RunTest(const UnlhaCommand& cmd, Call& call)
{
    LoadedArchive archive;
    if (int rc = LoadArchive(cmd.archive, call, archive))
        return rc;
    const auto& members = archive.members;
    auto& source = archive.source;
    std::uint64_t total = 0, done = 0;
    for (const auto& m : members)
        total += m.originalSize;
    int result = ARC_OK;
    for (const auto& m : members) {
        if (!MatchesAny(cmd.files, m))
            continue;
        std::string path = m.Path();
        bool cancelled = false;
        lzh::DecodeStatus s =
            lzh::DecodeMember(*source, m, [&](const std::uint8_t*, std::size_t n) {
                done += n;
                if (!call.Progress(path, done, total)) {
                    cancelled = true;
                    return false;
                }
                return true;
            });
        if (cancelled)
            return ARC_ERROR_USER_CANCEL;
        call.Out().Line(
            std::string(s == lzh::DecodeStatus::Ok ? "OK    " : "ERROR ") + DisplayPath(m) +
            (s == lzh::DecodeStatus::Ok ? "" : std::string(": ") + lzh::DecodeStatusText(s)));
        if (s == lzh::DecodeStatus::Unsupported && result == ARC_OK)
            result = ARC_ERROR_UNSUPPORTED;
        else if (s != lzh::DecodeStatus::Ok)
            result = ARC_ERROR_CHECKSUM;
    }
    if (!archive.complete) {
        call.Out().Line("error: " + archive.error);
        return ARC_ERROR_BAD_ARCHIVE;
    }
    return result;
}

}  // namespace unlha
