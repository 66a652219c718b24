#include "ExtractWorkers.h"

#include "ErrorCodes.h"
#include "ExtractFile.h"
#include "archiver_results.h"

#include <algorithm>
#include <new>

namespace qb::arc {
namespace {

constexpr size_t kBudget = 24u << 20;  // packed and unpacked bytes of the jobs in flight
constexpr size_t kJobsPerThread = 8;

size_t Weight(const ExtractJob& job)
{
    return job.packedSize + job.size;
}

// A line of the output, already done.
class NoteJob final : public ExtractJob {
public:
    int Unpack(char*) override { return ARC_ERROR_INTERNAL; }
};

}  // namespace

ExtractWorkers::ExtractWorkers(unsigned threads, mode_t umaskBits) : umask_(umaskBits)
{
    for (unsigned i = 0; i < threads; ++i)
        threads_.emplace_back([this] { Work(); });
}

ExtractWorkers::~ExtractWorkers()
{
    {
        std::lock_guard lock(mutex_);
        cancel_ = true;
        stop_ = true;
        work_.notify_all();
        permit_.notify_all();
    }
    for (std::thread& t : threads_)
        t.join();
}

bool ExtractWorkers::Writes(const std::string& hostPath) const
{
    return std::any_of(jobs_.begin(), jobs_.end(),
                       [&](const auto& j) { return !j->done && j->hostPath == hostPath; });
}

ExtractJob* ExtractWorkers::Push(std::unique_ptr<ExtractJob> job)
{
    std::unique_lock lock(mutex_);
    caller_.wait(lock, [&] {
        return running_ == 0 ||
               (bytes_ + Weight(*job) <= kBudget && running_ < kJobsPerThread * threads_.size() &&
                !Writes(job->hostPath));
    });
    bytes_ += Weight(*job);
    ++running_;
    ExtractJob* raw = job.get();
    jobs_.push_back(std::move(job));
    work_.notify_one();
    return raw;
}

void ExtractWorkers::Note(std::string line, int result)
{
    auto job = std::make_unique<NoteJob>();
    job->line = std::move(line);
    job->result = result;
    job->taken = job->permitted = job->done = true;
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
}

void ExtractWorkers::WaitForPath(const std::string& hostPath)
{
    std::unique_lock lock(mutex_);
    caller_.wait(lock, [&] { return !Writes(hostPath); });
}

void ExtractWorkers::Permit(ExtractJob* job)
{
    std::lock_guard lock(mutex_);
    job->permitted = true;
    permit_.notify_all();
}

void ExtractWorkers::Cancel()
{
    std::lock_guard lock(mutex_);
    cancel_ = true;
    permit_.notify_all();
}

int ExtractWorkers::Collect(bool wait, const std::function<int(const ExtractJob&)>& done)
{
    for (;;) {
        std::unique_ptr<ExtractJob> job;
        {
            std::unique_lock lock(mutex_);
            if (wait)
                caller_.wait(lock, [&] { return jobs_.empty() || jobs_.front()->done; });
            if (jobs_.empty() || !jobs_.front()->done)
                return ARC_OK;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        if (int result = done(*job); result != ARC_OK)
            return result;
    }
}

void ExtractWorkers::Work()
{
    for (;;) {
        ExtractJob* job = nullptr;
        {
            std::unique_lock lock(mutex_);
            auto next = [&]() -> ExtractJob* {
                for (auto& j : jobs_)
                    if (!j->taken)
                        return j.get();
                return nullptr;
            };
            work_.wait(lock, [&] { return stop_ || next() != nullptr; });
            if (stop_)
                break;
            job = next();
            job->taken = true;
        }
        try {
            Run(*job);
        } catch (...) {
            // No exception may leave a worker thread (it would end the process).
            job->result = ARC_ERROR_NO_MEMORY;
            job->line = job->name + ": out of memory";
        }
        std::lock_guard lock(mutex_);
        bytes_ -= Weight(*job);
        --running_;
        job->packed.reset();
        job->done = true;
        caller_.notify_one();
    }
}

void ExtractWorkers::Run(ExtractJob& job)
{
    // Made for each job, so that what is held stays within what the budget counted.
    std::unique_ptr<char[]> buffer(new char[std::max<size_t>(job.size, 1)]);
    if ((job.result = job.Unpack(buffer.get())) != ARC_OK)
        return;
    ExtractFile file;
    if ((job.result = file.Begin(job.hostPath)) != ARC_OK)
        return;
    if (int err = file.Write(buffer.get(), job.size)) {
        job.result = ResultFromErrno(err, ErrorSide::Destination, ARC_ERROR_WRITE);
        return;
    }
    buffer.reset();
    {
        std::unique_lock lock(mutex_);
        permit_.wait(lock, [&] { return job.permitted || cancel_; });
        if (!job.permitted) {
            job.result = ARC_ERROR_USER_CANCEL;
            return;  // the temporary file goes with `file`
        }
    }
    job.result =
        file.Commit(job.mode, job.mtime, umask_);  // kFolderInTheWay is the module's to tell
}

}  // namespace qb::arc
