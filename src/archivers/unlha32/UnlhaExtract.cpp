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
#include "ExtractWorkers.h"
#include "Paths.h"
#include "SafePath.h"
#include "Threads.h"
#include "archiver_results.h"
#include "lzh_decode.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace unlha {
namespace {

// Members up to this size are decoded and written by the workers, larger ones by the calling
// thread piece by piece (with progress along the way) while the workers go on.
constexpr std::uint64_t kHandOverLimit = 4u << 20;

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

// The exact time when the archive has it (0x41), else the whole seconds of the header. A member
// without a date leaves the file with the time it was made.
struct timespec MemberTime(const lzh::MemberHeader& m)
{
    struct timespec t {
        static_cast<time_t>(m.mtime), m.hasDate ? 0 : UTIME_OMIT
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

// The folder of a folder member, whose parent the safe path check made already.
int MakeFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0777) == 0)
        return 0;
    if (errno != EEXIST)
        return errno;
    struct stat st { };
    if (stat(path.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int DecodeFailure(lzh::DecodeStatus s)
{
    return s == lzh::DecodeStatus::Unsupported ? ARC_ERROR_UNSUPPORTED
           : s == lzh::DecodeStatus::ReadError ? ARC_ERROR_READ_SOURCE
                                               : ARC_ERROR_CHECKSUM;
}

std::string DecodeFailureLine(const std::string& shown, lzh::DecodeStatus s,
                              const std::string& method)
{
    return "ERROR " + shown + ": " + lzh::DecodeStatusText(s) + " (" + method + ")";
}

// A small member, decoded whole by a worker from its packed bytes.
class LzhJob final : public qb::arc::ExtractJob {
public:
    lzh::MemberHeader header;  // its data starts at 0 of the packed bytes

    int Unpack(char* out) override
    {
        lzh::MemorySource source(packed.get(), packedSize);
        std::size_t at = 0;
        lzh::DecodeStatus s =
            lzh::DecodeMember(source, header, [&](const std::uint8_t* data, std::size_t n) {
                if (n > size - at)
                    return false;  // more than the header said: the decoder never does that
                std::memcpy(out + at, data, n);
                at += n;
                return true;
            });
        if (s == lzh::DecodeStatus::Ok && at == size)
            return ARC_OK;
        if (s == lzh::DecodeStatus::Stopped)
            s = lzh::DecodeStatus::DataError;
        line = DecodeFailureLine(name, s, header.method);
        return DecodeFailure(s);
    }
};

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
    {
        // One thread makes the files itself; more hand the small members to workers.
        if (unsigned threads = qb::arc::ThreadCount(); threads > 1)
            m_workers = std::make_unique<qb::arc::ExtractWorkers>(threads, m_umask);
    }

    // Returns 0 to go on, or a result that ends the whole call (disk full, cancel, ...). Member
    // failures that do not stop the call are remembered in Failure().
    int Member(const lzh::MemberHeader& m);
    // Takes the results of the members the workers finished (all of them when wait) and writes
    // their lines. Returns a failure that ends the call, else ARC_OK.
    int Collect(bool wait);
    // Ends the call early: what is not yet put in place stays out, the rest is collected.
    int Stop(int result)
    {
        if (m_workers) {
            m_workers->Cancel();
            Collect(true);
        }
        FinishFolders();
        return result;
    }
    int Failure() const { return m_failure; }
    std::uint64_t Done() const { return m_done; }
    void FinishFolders();

private:
    int WriteFile(const lzh::MemberHeader& m, const std::string& hostPath);
    int HandOver(const lzh::MemberHeader& m, const std::string& hostPath);
    // A line of the output, in the order of the members; a failure (not ending the call) is
    // remembered with it.
    void Line(std::string text, int failure = ARC_OK)
    {
        if (m_workers) {
            m_workers->Note(std::move(text), failure);
            return;
        }
        m_call.Out().Line(text);
        Remember(failure);
    }
    void Fail(int code, const std::string& line) { Line(line, code); }
    void Remember(int failure)
    {
        if (m_failure == ARC_OK)
            m_failure = failure;
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
    std::unique_ptr<qb::arc::ExtractWorkers> m_workers;
};

int Extractor::Member(const lzh::MemberHeader& m)
{
    std::string shown = DisplayPath(m);
    if (m.isSymlink) {
        Line("skipped (symbolic link): " + shown);
        return ARC_OK;
    }
    if (m.components.empty()) {
        // Some Unix tools write folder entries without a name; there is nothing to make.
        if (!m.isDirectory)
            Line("skipped (member without a name)");
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
        Line("cannot make the folder for " + shown);
        return rc;
    }
    if (m.isDirectory) {
        if (int err = MakeFolder(hostPath))
            return qb::arc::ResultFromErrno(err, qb::arc::ErrorSide::Destination, ARC_ERROR_WRITE);
        m_folders.push_back({hostPath, MemberTime(m), m.unixMode});
        return ARC_OK;
    }
    // A member from Mac LHA may come out smaller than its size (its MacBinary wrapper taken off),
    // which a worker's buffer of that size does not allow for.
    bool ownDecoder =
        (lzh::LhWindowBits(m.method.c_str()) != 0 || m.method == "-lh0-" || m.method == "-lz4-") &&
        m.osId != 'm';
    if (m_workers && ownDecoder && m.originalSize <= kHandOverLimit &&
        m.packedSize <= kHandOverLimit)
        return HandOver(m, hostPath);
    return WriteFile(m, hostPath);
}

// The packed bytes go to a worker; the member's progress is reported when they are read, and
// only then may the worker put the file in place.
int Extractor::HandOver(const lzh::MemberHeader& m, const std::string& hostPath)
{
    auto job = std::make_unique<LzhJob>();
    job->name = DisplayPath(m);
    job->hostPath = hostPath;
    job->mode = FileMode(m, m_umask);
    job->mtime = MemberTime(m);
    job->header = m;
    job->header.dataOffset = 0;
    job->size = static_cast<std::size_t>(m.originalSize);
    job->packed.reset(new char[std::max<std::size_t>(m.packedSize, 1)]);
    long long got = m_source.ReadAt(m.dataOffset, job->packed.get(), m.packedSize);
    if (got < 0) {
        Fail(ARC_ERROR_READ_SOURCE,
             DecodeFailureLine(job->name, lzh::DecodeStatus::ReadError, m.method));
        return ARC_OK;
    }
    // Fewer bytes than the header says (a cut archive): the decoder tells what that means.
    job->packedSize = static_cast<std::size_t>(got);
    qb::arc::ExtractJob* queued = m_workers->Push(std::move(job));
    m_done += m.originalSize;
    if (!m_call.Progress(m.Path(), m_done, m_total, true))
        return ARC_ERROR_USER_CANCEL;
    m_workers->Permit(queued);
    return ARC_OK;
}

int Extractor::Collect(bool wait)
{
    if (!m_workers)
        return ARC_OK;
    return m_workers->Collect(wait, [&](const qb::arc::ExtractJob& job) {
        switch (job.result) {
        case ARC_OK:
            m_call.Out().Line(job.line.empty() ? "extracted " + job.name : job.line);
            return ARC_OK;
        case ARC_ERROR_USER_CANCEL:
            return ARC_OK;  // the call's own cancel, already known
        case qb::arc::kFolderInTheWay:
            m_call.Out().Line("a folder of that name is in the way: " + job.name);
            Remember(ARC_ERROR_WRITE);
            return ARC_OK;
        case ARC_ERROR_NO_MEMORY:
            m_call.Out().Line(job.line);
            return job.result;
        default:
            break;
        }
        if (!job.line.empty()) {
            // A damaged member, or a line of the calling thread: the call goes on.
            m_call.Out().Line(job.line);
            Remember(job.result);
            return ARC_OK;
        }
        m_call.Out().Line("cannot write " + job.name);
        return job.result;
    });
}

int Extractor::WriteFile(const lzh::MemberHeader& m, const std::string& hostPath)
{
    std::string shown = DisplayPath(m);
    // An earlier member of the same name, still with a worker, must not land after this one.
    if (m_workers)
        m_workers->WaitForPath(hostPath);
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
            Line("cannot write " + shown);
            return qb::arc::ResultFromErrno(writeError, qb::arc::ErrorSide::Destination,
                                            ARC_ERROR_WRITE);
        }
        Fail(DecodeFailure(s), DecodeFailureLine(shown, s, m.method));
        return ARC_OK;
    }
    int rc = file.Commit(FileMode(m, m_umask), MemberTime(m), m_umask);
    if (rc == qb::arc::kFolderInTheWay) {
        Fail(ARC_ERROR_WRITE, "a folder of that name is in the way: " + shown);
        return ARC_OK;
    }
    if (rc != ARC_OK) {
        Line("cannot write " + shown);
        return rc;
    }
    Line("extracted " + shown);
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
    // Not an archive, or damaged before its first member: nothing to extract, no folder to make.
    if (!archive.complete && members.empty()) {
        call.Out().Line("error: " + archive.error);
        return ARC_ERROR_BAD_ARCHIVE;
    }

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
            return extractor.Stop(ARC_ERROR_USER_CANCEL);
        if (int rc = extractor.Member(m))
            return extractor.Stop(rc);
        if (int rc = extractor.Collect(false))
            return extractor.Stop(rc);
    }
    if (int rc = extractor.Collect(true))
        return extractor.Stop(rc);
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
