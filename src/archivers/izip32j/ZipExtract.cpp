#include "ZipExtract.h"

#include "ErrorCodes.h"
#include "ExtractFile.h"
#include "ExtractWorkers.h"
#include "SafePath.h"
#include "Threads.h"
#include "ZipMetadata.h"
#include "archiver_results.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>

#include <cerrno>
#include <new>
#include <unordered_set>

namespace qb::izip {
namespace {

// A small deflated member, inflated whole by a worker.
class ZipJob final : public arc::ExtractJob {
public:
    uint32_t crc = 0;

    int Unpack(char* out) override
    {
        struct Free {
            void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
        };
        thread_local std::unique_ptr<libdeflate_decompressor, Free> decompressor(
            libdeflate_alloc_decompressor());
        if (!decompressor)
            throw std::bad_alloc();
        CheckedData checked =
            InflateWhole(decompressor.get(), name, packed.get(), packedSize, out, size, crc);
        line = checked.line;
        failed = checked.failed;
        return checked.result;
    }
};

// The folder of a folder member, whose time is set once everything inside it is written.
struct FolderTime {
    std::string hostPath;
    struct timespec mtime;
};

class Extractor {
public:
    Extractor(const ZipDirectory& directory, const std::string& folder, MemberReader& reader,
              ReadProgress& progress, arc::OutputText& out)
        : directory_(directory), paths_(folder), reader_(reader), progress_(progress), out_(out),
          umask_(arc::ReadUmask())
    {
        // One thread makes the files itself; more hand the small members to workers.
        if (unsigned threads = arc::ThreadCount(); threads > 1)
            workers_ = std::make_unique<arc::ExtractWorkers>(threads, umask_);
    }

    int Member(const ChosenMember& member);
    // Gives the folders of folder members their times, deepest first.
    void FinishFolders();
    // Notes the file names the call will write, so that a second member of one name finds a
    // name that none of them takes.
    void Reserve(const std::vector<ChosenMember>& members);
    bool LeftOutLinks() const { return leftOut_; }
    // Takes the results of the members the workers finished (all of them when wait). Returns
    // a failure that ends the call, else ARC_OK; other failures are kept for Failure().
    int Collect(bool wait);
    void Cancel()
    {
        if (workers_)
            workers_->Cancel();
    }
    int Failure() const { return failure_; }
    void Fail(int result)
    {
        if (failure_ == ARC_OK)
            failure_ = result;
    }

private:
    int MakeFolder(const std::string& hostPath);
    int WriteFile(const ChosenMember& member, const std::string& hostPath);
    int HandOver(const ChosenMember& member, const std::string& hostPath);
    std::optional<mode_t> Mode(const OldMember& m) const;
    std::string UnusedName(const std::string& cleaned);

    const ZipDirectory& directory_;
    arc::ExtractPaths paths_;
    MemberReader& reader_;
    ReadProgress& progress_;
    arc::OutputText& out_;
    mode_t umask_;
    std::unique_ptr<arc::ExtractWorkers> workers_;
    int failure_ = ARC_OK;
    bool leftOut_ = false;
    std::vector<FolderTime> folders_;
    std::unordered_set<std::string> names_;  // cleaned names of the files of the call
    std::unordered_set<std::string> written_;  // those written (or being written) so far
};

void Extractor::Reserve(const std::vector<ChosenMember>& members)
{
    std::string cleaned;
    for (const ChosenMember& member : members)
        if (arc::CleanMemberName(member.name, cleaned))
            names_.insert(cleaned);
}

// name_1.ext, name_2.ext, ... beside the name: the first that no member of the call takes.
std::string Extractor::UnusedName(const std::string& cleaned)
{
    const size_t slash = cleaned.rfind('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = cleaned.rfind('.');
    if (dot == std::string::npos || dot <= base)
        dot = cleaned.size();
    for (unsigned n = 1;; ++n) {
        std::string candidate =
            cleaned.substr(0, dot) + "_" + std::to_string(n) + cleaned.substr(dot);
        if (!names_.count(candidate) && !written_.count(candidate))
            return candidate;
    }
}

void Extractor::FinishFolders()
{
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
        const struct timespec times[2] = {it->mtime, it->mtime};
        utimensat(AT_FDCWD, it->hostPath.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
}

int Extractor::Member(const ChosenMember& member)
{
    const std::string& name = member.name;
    const OldMember& m = directory_.Members()[member.index];
    const bool isFolder = !name.empty() && (name.back() == '/' || name.back() == '\\');
    if (!isFolder && S_ISLNK(MemberMode(m))) {
        out_.Skipped("symbolic-link", name);
        leftOut_ = true;
        return ARC_OK;
    }
    std::string cleaned;
    if (isFolder && name.find_first_not_of("./\\") == std::string::npos)
        return ARC_OK;  // "./" and the like, as some Unix tools write them: nothing to make
    std::string place = name;
    if (!isFolder && arc::CleanMemberName(name, cleaned) && !written_.insert(cleaned).second) {
        place = UnusedName(cleaned);
        written_.insert(place);
        out_.Line(name + ": a member of this name was extracted already; this one went to " +
                  place);
    }
    std::string hostPath;
    if (int result = paths_.Prepare(place, hostPath); result != ARC_OK) {
        out_.Line(name + ": " + arc::ResultName(result));
        return result;
    }
    if (isFolder) {
        int result = MakeFolder(hostPath);
        if (result == ARC_OK)
            folders_.push_back({hostPath, MemberTime(m, 0, -1)});
        return result;
    }
    if (workers_ && MemberReader::IsWhole(m))
        return HandOver(member, hostPath);
    return WriteFile(member, hostPath);
}

int Extractor::MakeFolder(const std::string& hostPath)
{
    struct stat info { };
    if (lstat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return ARC_OK;
    if (mkdir(hostPath.c_str(), 0777) != 0)
        return arc::ResultFromErrno(errno, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
    return ARC_OK;
}

// Permissions from the archive when it has them for a plain file (never set-id bits, and not the
// 0777 of a stored link); otherwise those of a replaced file are kept.
std::optional<mode_t> Extractor::Mode(const OldMember& m) const
{
    mode_t stored = MemberMode(m);
    if ((stored & 0777) != 0 && (S_ISREG(stored) || (stored & S_IFMT) == 0))
        return stored & 0777;
    return std::nullopt;
}

int Extractor::WriteFile(const ChosenMember& member, const std::string& hostPath)
{
    // An earlier member of the same name, still with a worker, must not land after this one.
    if (workers_)
        workers_->WaitForPath(hostPath);
    arc::ExtractFile file;
    if (int result = file.Begin(hostPath); result != ARC_OK)
        return result;
    LocalFields local;
    int result = reader_.Read(
        member.index, member.name,
        [&](const char* data, size_t size) {
            int err = file.Write(data, size);
            return err == 0
                       ? ARC_OK
                       : arc::ResultFromErrno(err, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
        },
        &local);
    if (result != ARC_OK)
        return result;  // the temporary file goes with `file`
    const OldMember& m = directory_.Members()[member.index];
    result = file.Commit(Mode(m), MemberTime(m, local.fileTime, local.unixTime), umask_);
    if (result == arc::kFolderInTheWay) {
        out_.Line(member.name + ": a folder of that name is in the way");
        return ARC_ERROR_WRITE;
    }
    return result;
}

// The packed bytes go to a worker; the member's progress is reported when they are read, and
// only then may the worker put the file in place.
int Extractor::HandOver(const ChosenMember& member, const std::string& hostPath)
{
    const OldMember& m = directory_.Members()[member.index];
    LocalFields local;
    if (int result = reader_.Locate(member.index, member.name, local); result != ARC_OK)
        return result;
    auto job = std::make_unique<ZipJob>();
    job->name = member.name;
    job->hostPath = hostPath;
    job->mode = Mode(m);
    job->mtime = MemberTime(m, local.fileTime, local.unixTime);
    job->packedSize = static_cast<size_t>(m.compressedSize);
    job->size = static_cast<size_t>(m.size);
    job->crc = m.crc;
    job->packed.reset(new char[std::max<size_t>(job->packedSize, 1)]);
    if (int result = reader_.ReadPacked(m, member.name, local, job->packed.get());
        result != ARC_OK)
        return result;
    arc::ExtractJob* queued = workers_->Push(std::move(job));
    progress_.done += m.size;
    if (!progress_.Report(member.name.c_str()))
        return ARC_ERROR_USER_CANCEL;
    workers_->Permit(queued);
    return ARC_OK;
}

int Extractor::Collect(bool wait)
{
    if (!workers_)
        return ARC_OK;
    return workers_->Collect(wait, [&](const arc::ExtractJob& job) {
        if (job.result == ARC_OK)
            return ARC_OK;
        if (job.result == arc::kFolderInTheWay) {
            out_.Line(job.name + ": a folder of that name is in the way");
            Fail(ARC_ERROR_WRITE);
            return ARC_OK;
        }
        if (!job.line.empty())
            out_.Line(job.line);
        if (job.failed)
            out_.Failed(job.failed, job.name);
        if (job.result == ARC_ERROR_USER_CANCEL)
            return ARC_OK;  // the call's own cancel, already known
        if (EndsTheCall(job.result))
            return job.result;
        Fail(job.result);
        return ARC_OK;
    });
}

}  // namespace

bool EndsTheCall(int result)
{
    return result == ARC_ERROR_USER_CANCEL || result == ARC_ERROR_DISK_FULL ||
           result == ARC_ERROR_READ_ONLY || result == ARC_ERROR_NO_MEMORY;
}

int ExtractMembers(const ZipDirectory& directory, const std::vector<ChosenMember>& members,
                   const std::string& folder, MemberReader& reader, ReadProgress& progress,
                   arc::OutputText& out)
{
    Extractor extractor(directory, folder, reader, progress, out);
    extractor.Reserve(members);
    auto stop = [&](int result) {
        extractor.Cancel();
        extractor.Collect(true);
        return result;
    };
    for (const ChosenMember& member : members) {
        if (!progress.Report(member.name.c_str()))
            return stop(ARC_ERROR_USER_CANCEL);
        int result = extractor.Member(member);
        if (EndsTheCall(result))
            return stop(result);
        if (result != ARC_OK)
            extractor.Fail(result);
        if (int ended = extractor.Collect(false); ended != ARC_OK)
            return stop(ended);
    }
    if (int ended = extractor.Collect(true); ended != ARC_OK)
        return ended;
    extractor.FinishFolders();
    if (extractor.Failure() == ARC_OK && extractor.LeftOutLinks())
        return ARC_ERROR_INCOMPLETE;
    return extractor.Failure();
}

}  // namespace qb::izip
