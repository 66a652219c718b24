// Extracting small members on every core.
//
// Creating, writing and linking thousands of small files is bound by the system calls per file,
// and unpacking them by one core, when one thread does it all. The calling thread keeps what
// must stay in order (reading the archive, the member paths and folders, progress and the
// output); it hands each small member's packed bytes to a worker, which unpacks, checks and
// writes the temporary file. A worker puts the file in place only once the calling thread has
// reported that member's progress and the caller has not cancelled (Permit), so a cancel still
// leaves nothing of a member that was not finished before it. Memory in flight is bounded.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include <condition_variable>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qb::arc {

// One member for the workers. Each format says how its packed bytes are unpacked.
class ExtractJob {
public:
    virtual ~ExtractJob() = default;

    std::string name;  // UTF-8, for messages
    std::string hostPath;  // where the file goes
    std::optional<mode_t> mode;  // nothing: see ExtractFile::Commit
    struct timespec mtime { };
    std::unique_ptr<char[]> packed;
    size_t packedSize = 0;
    size_t size = 0;

    // Set by the worker (or, for a note, by the calling thread). result may be kFolderInTheWay.
    int result = 0;
    std::string line;  // for the output
    const char* failed = nullptr;  // reason word of a "failed" line

    // Guarded by the pool's lock.
    bool taken = false;
    bool permitted = false;
    bool done = false;

    // Unpacks the packed bytes into out (room for exactly size bytes) and checks them; runs on
    // a worker thread. Returns an ARC_* code, with line and failed set for a failure.
    virtual int Unpack(char* out) = 0;
};

class ExtractWorkers {
public:
    ExtractWorkers(unsigned threads, mode_t umaskBits);
    ~ExtractWorkers();  // cancels what is not permitted yet and waits for the workers
    ExtractWorkers(const ExtractWorkers&) = delete;
    ExtractWorkers& operator=(const ExtractWorkers&) = delete;

    // Queues a job; waits first while too much is in flight, or while an earlier job writes the
    // same path (the later member must win, as it would one after the other).
    ExtractJob* Push(std::unique_ptr<ExtractJob> job);
    // Queues a job that is finished already: a line of the output (and a result) of a member the
    // calling thread handled, so that the output keeps the order of the members.
    void Note(std::string line, int result = 0);
    // Waits until no job that is not done writes hostPath, before the calling thread writes it.
    void WaitForPath(const std::string& hostPath);
    // The job may be put in place.
    void Permit(ExtractJob* job);
    // No job that is not permitted yet will be put in place.
    void Cancel();
    // Hands the finished jobs at the front, in order, to done (all of them when wait). Stops
    // early, returning that result, when done returns non-zero.
    int Collect(bool wait, const std::function<int(const ExtractJob&)>& done);

private:
    void Work();
    void Run(ExtractJob& job);
    bool Writes(const std::string& hostPath) const;

    mode_t umask_;
    std::mutex mutex_;
    // Each waits for one thing, so that a change wakes only the threads it concerns: the calling
    // thread for finished jobs, idle workers for new ones, finished workers for permission.
    std::condition_variable caller_;
    std::condition_variable work_;
    std::condition_variable permit_;
    std::deque<std::unique_ptr<ExtractJob>> jobs_;
    size_t bytes_ = 0;  // weight of the jobs not done yet
    size_t running_ = 0;  // and their number
    bool cancel_ = false;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace qb::arc
