// x (extract with folders) and e (extract into one folder).
//
// Every member is first written to a temporary file beside its final place and renamed over it
// only when its data decoded with the right size and CRC, so a damaged member, a full disk or a
// cancel never leaves a half-written file under a real name. Names are checked before anything
// is written: ".." components are refused, a leading separator or drive is dropped (the member
// lands inside the target folder), and the shared SafePath code refuses paths that would run
// through a symbolic link out of the folder. Symbolic-link members are skipped: links from an
// archive could point anywhere.
#include "UnlhaInternal.h"

#include "AtomicOutput.h"
#include "ErrorCodes.h"
#include "Paths.h"
#include "SafePath.h"
#include "archiver_results.h"

#include <cerrno>
#include <cstdlib>
#include <set>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace unlha {
namespace {

int MakeFolders(const std::string& path)
{
    std::string partial;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string::npos)
            slash = path.size();
        partial = path.substr(0, slash);
        pos = slash + 1;
        if (partial.empty())
            continue;
        if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

mode_t FileMode(const lzh::MemberHeader& m, mode_t umaskBits)
{
    // The owner can always read what was extracted; other bits are kept as stored.
    if (m.unixMode)
        return static_cast<mode_t>((*m.unixMode & 0777) | 0400);
    mode_t mode = (m.attribute & 0x01) ? 0444 : 0666;
    return mode & ~umaskBits;
}

struct timespec TimesOf(std::int64_t mtime, struct timespec (&times)[2])
{
    times[0].tv_sec = static_cast<time_t>(mtime);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return times[0];
}

void SetTimes(int fd, std::int64_t mtime)
{
    struct timespec times[2];
    TimesOf(mtime, times);
    futimens(fd, times);
}

void SetTimes(const std::string& path, std::int64_t mtime)
{
    struct timespec times[2];
    TimesOf(mtime, times);
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

struct FolderToFinish {
    std::string hostPath;
    std::int64_t mtime;
    std::optional<std::uint16_t> mode;
};

class Extractor {
public:
    Extractor(const UnlhaCommand& cmd, Call& call, lzh::ByteSource& source, std::uint64_t total)
        : m_cmd(cmd), m_call(call), m_source(source), m_total(total)
    {
        m_umask = umask(0);
        umask(m_umask);
    }

    // Returns 0 to go on, or a result that ends the whole call (disk full, cancel, ...). Member
    // failures that do not stop the call are remembered in Failure().
    int Member(const lzh::MemberHeader& m, const std::string& target);
    int Failure() const { return m_failure; }
    std::uint64_t Done() const { return m_done; }
    void FinishFolders();

private:
    int WriteFile(const lzh::MemberHeader& m, const std::string& hostPath);
    void Fail(int code, const std::string& line)
    {
        m_call.Out().Line(line);
        if (m_failure == ARC_OK)
            m_failure = code;
    }

    const UnlhaCommand& m_cmd;
    Call& m_call;
    lzh::ByteSource& m_source;
    std::uint64_t m_total;
    std::uint64_t m_done = 0;
    mode_t m_umask;
    int m_failure = ARC_OK;
    std::vector<FolderToFinish> m_folders;
    std::set<std::string> m_flatNames;  // e: names already written in this call
};

int Extractor::Member(const lzh::MemberHeader& m, const std::string& target)
{
    std::string shown = DisplayPath(m);
    if (m.isSymlink) {
        m_call.Out().Line("skipped (symbolic link): " + shown);
        return ARC_OK;
    }
    if (m.components.empty()) {
        // Some Unix tools write folder entries without a name; there is nothing to make.
        if (!m.isDirectory)
            m_call.Out().Line("skipped (member without a name)");
        return ARC_OK;
    }
    for (const auto& c : m.components)
        if (c == "..") {
            Fail(ARC_ERROR_UNSAFE_PATH, "refused (leads outside the folder): " + shown);
            return ARC_OK;
        }
    bool flat = m_cmd.command == 'e';
    if (flat && m.isDirectory)
        return ARC_OK;
    std::string relative = flat ? m.components.back() : m.Path();
    if (flat && !m_flatNames.insert(relative).second) {
        // Two members of one name from different folders: the second would silently replace
        // the first, so it is left in the archive and the call reports the clash.
        Fail(ARC_ERROR_WRITE, "not extracted, a member of the same name was extracted already: " + shown);
        return ARC_OK;
    }
    std::string hostPath;
    int rc = qb::arc::PrepareExtractPath(target, relative, hostPath);
    if (rc == ARC_ERROR_UNSAFE_PATH) {
        Fail(rc, "refused (leads outside the folder): " + shown);
        return ARC_OK;
    }
    if (rc != ARC_OK) {
        m_call.Out().Line("cannot make the folder for " + shown);
        return rc;
    }
    if (m.isDirectory) {
        if (int err = MakeFolders(hostPath))
            return qb::arc::ResultFromErrno(err, qb::arc::ErrorSide::Destination, ARC_ERROR_WRITE);
        m_folders.push_back({hostPath, m.mtime, m.unixMode});
        return ARC_OK;
    }
    return WriteFile(m, hostPath);
}

int Extractor::WriteFile(const lzh::MemberHeader& m, const std::string& hostPath)
{
    std::string shown = DisplayPath(m);
    struct stat existing {};
    if (lstat(hostPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        Fail(ARC_ERROR_WRITE, "a folder of that name is in the way: " + shown);
        return ARC_OK;
    }
    std::string folder = qb::arc::ParentFolder(hostPath);
    std::string temp = folder + "/." + qb::arc::BaseName(hostPath) + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return qb::arc::ResultFromErrno(errno, qb::arc::ErrorSide::Destination, ARC_ERROR_TEMP_FILE);
    int writeError = 0;
    bool cancelled = false;
    lzh::DecodeStatus s = lzh::DecodeMember(m_source, m, [&](const std::uint8_t* data, std::size_t n) {
        if (int err = qb::arc::WriteAll(fd, data, n)) {
            writeError = err;
            return false;
        }
        m_done += n;
        if (!m_call.Progress(m.Path(), m_done, m_total)) {
            cancelled = true;
            return false;
        }
        return true;
    });
    // The last report of a member comes before it is put in place, so a cancel there still
    // leaves nothing behind.
    if (s == lzh::DecodeStatus::Ok && !writeError && !m_call.Progress(m.Path(), m_done, m_total, true)) {
        cancelled = true;
        s = lzh::DecodeStatus::Stopped;
    }
    if (s == lzh::DecodeStatus::Ok) {
        fchmod(fd, FileMode(m, m_umask));
        SetTimes(fd, m.mtime);
    }
    if (close(fd) != 0 && s == lzh::DecodeStatus::Ok && !writeError)
        writeError = errno;
    if (s != lzh::DecodeStatus::Ok || writeError) {
        unlink(temp.c_str());
        if (cancelled)
            return ARC_ERROR_USER_CANCEL;
        if (writeError) {
            m_call.Out().Line("cannot write " + shown);
            return qb::arc::ResultFromErrno(writeError, qb::arc::ErrorSide::Destination, ARC_ERROR_WRITE);
        }
        int code = s == lzh::DecodeStatus::Unsupported ? ARC_ERROR_UNSUPPORTED
                   : s == lzh::DecodeStatus::ReadError ? ARC_ERROR_READ_SOURCE
                                                       : ARC_ERROR_CHECKSUM;
        Fail(code, "ERROR " + shown + ": " + lzh::DecodeStatusText(s) + " (" + m.method + ")");
        return ARC_OK;
    }
    if (rename(temp.c_str(), hostPath.c_str()) != 0) {
        int err = errno;
        unlink(temp.c_str());
        return qb::arc::ResultFromErrno(err, qb::arc::ErrorSide::Destination, ARC_ERROR_WRITE);
    }
    m_call.Out().Line("extracted " + shown);
    return ARC_OK;
}

void Extractor::FinishFolders()
{
    // Innermost folders last in the archive order get their times after their content is in
    // place; the owner always keeps the rights to enter and change them.
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) {
        if (it->mode)
            chmod(it->hostPath.c_str(), static_cast<mode_t>((*it->mode & 0777) | 0700));
        SetTimes(it->hostPath, it->mtime);
    }
}

}  // namespace

int RunExtract(const UnlhaCommand& cmd, Call& call)
{
    LoadedArchive archive;
    if (int rc = LoadArchive(cmd.archive, call, archive))
        return rc;
    const auto& members = archive.members;

    std::string target = cmd.targetFolder;
    if (target.empty()) {
        char buf[4096];
        target = getcwd(buf, sizeof buf) ? buf : ".";
    }
    while (target.size() > 1 && target.back() == '/')
        target.pop_back();
    if (int err = MakeFolders(target)) {
        call.Out().Line("cannot make the folder " + target);
        return qb::arc::ResultFromErrno(err, qb::arc::ErrorSide::Destination, ARC_ERROR_FOLDER_MISSING);
    }
    std::uint64_t total = 0;
    for (const auto& m : members)
        if (MatchesAny(cmd.files, m))
            total += m.originalSize;

    Extractor extractor(cmd, call, *archive.source, total);
    bool any = false;
    for (const auto& m : members) {
        if (!MatchesAny(cmd.files, m))
            continue;
        any = true;
        if (!call.Progress(m.Path(), extractor.Done(), total, true))
            return ARC_ERROR_USER_CANCEL;
        if (int rc = extractor.Member(m, target)) {
            extractor.FinishFolders();
            return rc;
        }
    }
    extractor.FinishFolders();
    if (!archive.complete) {
        call.Out().Line("error: " + archive.error);
        return ARC_ERROR_BAD_ARCHIVE;
    }
    if (!any && !cmd.files.empty()) {
        call.Out().Line("no member matches the names given");
        return ARC_ERROR_MEMBER_MISSING;
    }
    return extractor.Failure();
}

}  // namespace unlha
