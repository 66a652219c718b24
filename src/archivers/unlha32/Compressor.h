// Compressing members on worker threads while the calling thread writes the archive in order.
//
// Members are independent streams, so each worker takes the next member and compresses it into
// its own SpillBuffer. The calling thread waits for the members in archive order, writes them
// out and releases them; workers never run more than a few members ahead, so memory stays
// bounded whatever the number or size of the files. Progress and cancel stay on the calling
// thread: it polls the workers' byte counters while it waits and reports them itself.
#pragma once

#include "ArchiveWriter.h"
#include "lzh_encoder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace unlha {

struct CompressJob {
    CompressJob(std::string path, lzh::EncodeMethod m, const std::string& spillFolder)
        : hostPath(std::move(path)), method(m), output(spillFolder) {}
    std::string hostPath;
    lzh::EncodeMethod method;
    // Results, valid once the job is done.
    int result = 0;              // ARC_OK or an ARC_ERROR_* code
    std::string message;
    std::uint64_t inputSize = 0;
    std::uint16_t crc = 0;
    SpillBuffer output;
    bool done = false;           // guarded by the compressor's mutex
};

class Compressor {
public:
    Compressor(std::vector<std::unique_ptr<CompressJob>>& jobs, unsigned threads);
    ~Compressor();  // cancels what is still running and joins the workers

    // Waits until job i is done. tick() is called about every 50 ms while waiting; when it
    // returns false the wait ends with false (cancel).
    bool WaitFor(std::size_t i, const std::function<bool()>& tick);
    // The calling thread has written job i: its buffer is freed and the window moves on.
    void Release(std::size_t i);
    void Cancel();
    std::uint64_t BytesRead() const;

private:
    void Worker();
    void Run(CompressJob& job);

    std::vector<std::unique_ptr<CompressJob>>& m_jobs;
    std::vector<std::thread> m_threads;
    mutable std::mutex m_mutex;
    std::condition_variable m_windowMoved;  // workers wait for room ahead of the writer
    std::condition_variable m_jobDone;      // the calling thread waits for its next member
    std::size_t m_next = 0;       // next job to hand to a worker
    std::size_t m_released = 0;   // jobs below this have been written
    std::size_t m_window;
    std::atomic<bool> m_cancel{false};
    std::atomic<std::uint64_t> m_bytesRead{0};  // by all workers, for progress
};

// Opens a source file for reading. Refuses anything but a regular file (a FIFO put in a file's
// place after the folder was read would block the call forever). Returns the descriptor, or -1
// with errno set.
int OpenSourceFile(const std::string& hostPath);

// Reads a whole file through fn in chunks, computing its CRC-16. Used for stored members on the
// calling thread, through buffer (grown to 1 MiB once and reused: stored packing of many small
// files must not pay for a fresh buffer each). Returns 0 or the errno of a failed read; fn
// returning false stops (returns ECANCELED).
int ReadFileChunks(int fd, std::vector<std::uint8_t>& buffer,
                   const std::function<bool(const std::uint8_t*, std::size_t)>& fn);

// The size of the reusable copy buffers.
constexpr std::size_t kCopyBuffer = 1 << 20;

}  // namespace unlha
