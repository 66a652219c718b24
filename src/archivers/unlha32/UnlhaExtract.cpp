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

#include "ErrorCodes.h"
#include "ExtractFile.h"
#include "Paths.h"
#include "SafePath.h"
#include "archiver_results.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <set>
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
    struct stat st { };
    if (stat(path.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// The exact time when the archive has it (0x41), else the whole seconds of the header.
struct timespec MemberTime(const lzh::MemberHeader& m)
{
    struct timespec t {
        static_cast<time_t>(m.mtime), 0
    };
    if (m.fileTime) {
        std::int64_t seconds = 0;
        long nanoseconds = 0;
        lzh::UnixFromFileTime(*m.fileTime, seconds, nanoseconds);
        t.tv_sec = static_cast<time_t>(seconds);
        t.tv_nsec = nanoseconds;
    }
    return t;
}

void SetTimes(const std::string& path, const struct timespec& mtime)
{
    struct timespec times[2] = {mtime, mtime};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

mode_t FileMode(const lzh::MemberHeader& m, mode_t umaskBits)
{
    // The owner can always read what was extracted; other bits are kept as stored.
    if (m.unixMode)
        return static_cast<mode_t>((*m.unixMode & 0777) | 0400);
    mode_t mode = (m.attribute & 0x01) ? 0444 : 0666;
    return mode & ~umaskBits;
}

struct FolderToFinish {
    std::string hostPath;
    struct timespec mtime;
    std::optional<std::uint16_t> mode;
};

class Extractor {
public:
    Extractor(const UnlhaCommand& cmd, Call& call, lzh::ByteSource& source,
              const std::string& target, std::uint64_t total)
        : m_cmd(cmd), m_call(call), m_source(source), m_paths(target), m_total(total),
          m_umask(qb::arc::ReadUmask())
    { }

    // Returns 0 to go on, or a result that ends the whole call (disk full, cancel, ...). Member
    // failures that do not stop the call are remembered in Failure().
    int Member(const lzh::MemberHeader& m);
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
    qb::arc::ExtractPaths m_paths;
    std::uint64_t m_total;
    std::uint64_t m_done = 0;
    mode_t m_umask;
    int m_failure = ARC_OK;
    std::vector<FolderToFinish> m_folders;
    std::set<std::string> m_flatNames;  // e: names already written in this call
};

int Extractor::Member(const lzh::MemberHeader& m)
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
        Fail(ARC_ERROR_WRITE,
             "not extracted, a member of the same name was extracted already: " + shown);
        return ARC_OK;
    }
    std::string hostPath;
    int rc = m_paths.Prepare(relative, hostPath);
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
        m_folders.push_back({hostPath, MemberTime(m), m.unixMode});
        return ARC_OK;
    }
    return WriteFile(m, hostPath);
}

int Extractor::WriteFile(const lzh::MemberHeader& m, const std::string& hostPath)
{
    std::string shown = DisplayPath(m);
    qb::arc::ExtractFile file;
    if (int rc = file.Begin(hostPath))
        return rc;
    int writeError = 0;
    bool cancelled = false;
    std::string path = m.Path();
    lzh::DecodeStatus s =
        lzh::DecodeMember(m_source, m, [&](const std::uint8_t* data, std::size_t n) {
            if (int err = file.Write(data, n)) {
                writeError = err;
                return false;
            }
            m_done += n;
            if (!m_call.Progress(path, m_done, m_total)) {
                cancelled = true;
                return false;
            }
            return true;
        });
    // The last report of a member comes before it is put in place, so a cancel there still
    // leaves nothing behind.
    if (s == lzh::DecodeStatus::Ok && !writeError &&
        !m_call.Progress(path, m_done, m_total, true)) {
        cancelled = true;
        s = lzh::DecodeStatus::Stopped;
    }
    if (s != lzh::DecodeStatus::Ok || writeError) {
        file.Discard();
        if (cancelled)
            return ARC_ERROR_USER_CANCEL;
        if (writeError) {
            m_call.Out().Line("cannot write " + shown);
            return qb::arc::ResultFromErrno(writeError, qb::arc::ErrorSide::Destination,
                                            ARC_ERROR_WRITE);
        }
        int code = s == lzh::DecodeStatus::Unsupported ? ARC_ERROR_UNSUPPORTED
                   : s == lzh::DecodeStatus::ReadError ? ARC_ERROR_READ_SOURCE
                                                       : ARC_ERROR_CHECKSUM;
        Fail(code, "ERROR " + shown + ": " + lzh::DecodeStatusText(s) + " (" + m.method + ")");
        return ARC_OK;
    }
    int rc = file.Commit(FileMode(m, m_umask), MemberTime(m), m_umask);
    if (rc == qb::arc::kFolderInTheWay) {
        Fail(ARC_ERROR_WRITE, "a folder of that name is in the way: " + shown);
        return ARC_OK;
    }
    if (rc != ARC_OK) {
        m_call.Out().Line("cannot write " + shown);
        return rc;
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
        return qb::arc::ResultFromErrno(err, qb::arc::ErrorSide::Destination,
                                        ARC_ERROR_FOLDER_MISSING);
    }
    std::uint64_t total = 0;
    for (const auto& m : members)
        if (MatchesAny(cmd.files, m))
            total += m.originalSize;

    Extractor extractor(cmd, call, *archive.source, target, total);
    bool any = false;
    for (const auto& m : members) {
        if (!MatchesAny(cmd.files, m))
            continue;
        any = true;
        if (!call.Progress(m.Path(), extractor.Done(), total, true))
            return ARC_ERROR_USER_CANCEL;
        if (int rc = extractor.Member(m)) {
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
