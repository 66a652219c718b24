#include "ZipExtract.h"

#include "ErrorCodes.h"
#include "ExtractFile.h"
#include "ExtractWorkers.h"
#include "SafePath.h"
#include "Threads.h"
#include "ZipMetadata.h"
#include "archiver_results.h"

#include <libdeflate.h>
#include <sys/stat.h>

#include <cerrno>
#include <new>

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

class Extractor {
public:
    Extractor(zip_t* archive, const std::string& folder, MemberReader& reader,
              ReadProgress& progress, arc::OutputText& out)
        : archive_(archive), paths_(folder), reader_(reader), progress_(progress), out_(out),
          umask_(arc::ReadUmask())
    {
        // One thread makes the files itself; more hand the small members to workers.
        if (unsigned threads = arc::ThreadCount(); threads > 1)
            workers_ = std::make_unique<arc::ExtractWorkers>(threads, umask_);
    }

    int Member(const ChosenMember& member);
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
    int HandOver(const ChosenMember& member, const std::string& hostPath, const zip_stat_t& st);
    std::optional<mode_t> Mode(zip_uint64_t index) const;

    zip_t* archive_;
    arc::ExtractPaths paths_;
    MemberReader& reader_;
    ReadProgress& progress_;
    arc::OutputText& out_;
    mode_t umask_;
    std::unique_ptr<arc::ExtractWorkers> workers_;
    int failure_ = ARC_OK;
};

int Extractor::Member(const ChosenMember& member)
{
    const std::string& name = member.name;
    std::string hostPath;
    if (int result = paths_.Prepare(name, hostPath); result != ARC_OK) {
        out_.Line(name + ": " + arc::ResultName(result));
        return result;
    }
    bool isFolder = !name.empty() && (name.back() == '/' || name.back() == '\\');
    if (isFolder)
        return MakeFolder(hostPath);
    zip_stat_t st;
    zip_stat_init(&st);
    if (workers_ && zip_stat_index(archive_, member.index, 0, &st) == 0 &&
        MemberReader::IsWhole(st))
        return HandOver(member, hostPath, st);
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
std::optional<mode_t> Extractor::Mode(zip_uint64_t index) const
{
    mode_t stored = MemberMode(archive_, index);
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
    int result = reader_.Read(member.index, member.name, [&](const char* data, size_t size) {
        int err = file.Write(data, size);
        return err == 0 ? ARC_OK
                        : arc::ResultFromErrno(err, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
    });
    if (result != ARC_OK)
        return result;  // the temporary file goes with `file`
    result = file.Commit(Mode(member.index), MemberTimeExact(archive_, member.index), umask_);
    if (result == arc::kFolderInTheWay) {
        out_.Line(member.name + ": a folder of that name is in the way");
        return ARC_ERROR_WRITE;
    }
    return result;
}

// The packed bytes go to a worker; the member's progress is reported when they are read, and
// only then may the worker put the file in place.
int Extractor::HandOver(const ChosenMember& member, const std::string& hostPath,
                        const zip_stat_t& st)
{
    auto job = std::make_unique<ZipJob>();
    job->name = member.name;
    job->hostPath = hostPath;
    job->mode = Mode(member.index);
    job->mtime = MemberTimeExact(archive_, member.index);
    job->packedSize = static_cast<size_t>(st.comp_size);
    job->size = static_cast<size_t>(st.size);
    job->crc = st.crc;
    job->packed.reset(new char[std::max<size_t>(job->packedSize, 1)]);
    if (int result = reader_.ReadPacked(member.index, member.name, st, job->packed.get());
        result != ARC_OK)
        return result;
    arc::ExtractJob* queued = workers_->Push(std::move(job));
    progress_.done += st.size;
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

int ExtractMembers(zip_t* archive, const std::vector<ChosenMember>& members,
                   const std::string& folder, MemberReader& reader, ReadProgress& progress,
                   arc::OutputText& out)
{
    Extractor extractor(archive, folder, reader, progress, out);
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
    return extractor.Failure();
}

}  // namespace qb::izip
