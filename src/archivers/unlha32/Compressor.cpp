#include "Compressor.h"

#include "ErrorCodes.h"
#include "archiver_results.h"
#include "lzh_crc16.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace unlha {

Compressor::Compressor(std::vector<std::unique_ptr<CompressJob>>& jobs, unsigned threads) : m_jobs(jobs)
{
    if (threads == 0)
        threads = 1;
    // Members ahead of the writer hold at most 1 MiB each in memory (the rest waits in a spill
    // file), so a window of a few members per thread costs little and keeps every core busy
    // while one large member is still being compressed.
    m_window = threads * 8 + 2;
    for (unsigned i = 0; i < threads && i < jobs.size(); ++i) {
        try {
            m_threads.emplace_back([this] { Worker(); });
        } catch (...) {
            break;  // fewer threads; with none at all WaitFor compresses on the calling thread
        }
    }
}

Compressor::~Compressor()
{
    Cancel();
    for (auto& t : m_threads)
        t.join();
}

void Compressor::Cancel()
{
    m_cancel = true;
    std::lock_guard lock(m_mutex);
    m_windowMoved.notify_all();
    m_jobDone.notify_all();
}

std::uint64_t Compressor::BytesRead() const
{
    return m_bytesRead.load(std::memory_order_relaxed);
}

bool Compressor::WaitFor(std::size_t i, const std::function<bool()>& tick)
{
    if (m_threads.empty()) {
        Run(*m_jobs[i]);
        std::lock_guard lock(m_mutex);
        m_jobs[i]->done = true;
        return true;
    }
    std::unique_lock lock(m_mutex);
    while (!m_jobs[i]->done) {
        m_jobDone.wait_for(lock, std::chrono::milliseconds(50));
        if (m_jobs[i]->done)
            break;
        lock.unlock();
        bool goOn = tick();
        lock.lock();
        if (!goOn)
            return false;
    }
    return true;
}

void Compressor::Release(std::size_t i)
{
    m_jobs[i]->output.Release();
    std::lock_guard lock(m_mutex);
    if (i + 1 > m_released)
        m_released = i + 1;
    m_windowMoved.notify_all();
}

void Compressor::Worker()
{
    for (;;) {
        std::size_t index;
        {
            std::unique_lock lock(m_mutex);
            m_windowMoved.wait(lock, [&] {
                return m_cancel || m_next >= m_jobs.size() || m_next < m_released + m_window;
            });
            if (m_cancel || m_next >= m_jobs.size())
                return;
            index = m_next++;
        }
        try {
            Run(*m_jobs[index]);
        } catch (...) {
            m_jobs[index]->result = ARC_ERROR_INTERNAL;
            m_jobs[index]->message = "compression failed for " + m_jobs[index]->hostPath;
        }
        std::lock_guard lock(m_mutex);
        m_jobs[index]->done = true;
        m_jobDone.notify_one();  // only the calling thread waits for finished jobs
    }
}

void Compressor::Run(CompressJob& job)
{
    int fd = OpenSourceFile(job.hostPath);
    if (fd < 0) {
        job.result = qb::arc::ResultFromErrno(errno, qb::arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE);
        job.message = "cannot open " + job.hostPath;
        return;
    }
    int readError = 0;
    std::uint16_t crc = 0;
    lzh::EncodeIo io;
    io.read = [&](std::uint8_t* buf, std::size_t size) -> std::ptrdiff_t {
        if (m_cancel)
            return -1;
        for (;;) {
            ssize_t n = read(fd, buf, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                readError = errno;
                return -1;
            }
            crc = lzh::Crc16Update(crc, buf, static_cast<std::size_t>(n));
            m_bytesRead.fetch_add(static_cast<std::uint64_t>(n), std::memory_order_relaxed);
            return n;
        }
    };
    io.write = [&](const std::uint8_t* data, std::size_t size) {
        return !m_cancel && job.output.Write(data, size);
    };
    lzh::EncodeResult r;
    try {
        r = lzh::Encode(job.method, io);
    } catch (const std::bad_alloc&) {
        r.ok = false;
        job.result = ARC_ERROR_NO_MEMORY;
    }
    close(fd);
    job.inputSize = r.inputSize;
    job.crc = crc;
    if (r.ok && !m_cancel)
        return;
    if (m_cancel) {
        job.result = ARC_ERROR_USER_CANCEL;
    } else if (readError) {
        job.result = qb::arc::ResultFromErrno(readError, qb::arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE);
        job.message = "cannot read " + job.hostPath;
    } else if (job.output.Error()) {
        job.result = qb::arc::ResultFromErrno(job.output.Error(), qb::arc::ErrorSide::Destination, ARC_ERROR_WRITE);
        job.message = "cannot write the temporary data of " + job.hostPath;
    } else if (job.result == ARC_OK) {
        job.result = ARC_ERROR_INTERNAL;
        job.message = "compression failed for " + job.hostPath;
    }
}

int OpenSourceFile(const std::string& hostPath)
{
    int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    fcntl(fd, F_SETFL, 0);
    return fd;
}

int ReadFileChunks(int fd, std::vector<std::uint8_t>& buf,
                   const std::function<bool(const std::uint8_t*, std::size_t)>& fn)
{
    if (buf.size() < kCopyBuffer)
        buf.resize(kCopyBuffer);
    for (;;) {
        ssize_t n = read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        if (!fn(buf.data(), static_cast<std::size_t>(n)))
            return ECANCELED;
    }
}

}  // namespace unlha
