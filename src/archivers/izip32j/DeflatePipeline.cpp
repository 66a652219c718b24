#include "DeflatePipeline.h"

#include "AtomicOutput.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace qb::izip {
namespace {

constexpr size_t kReadChunk = 256 * 1024;
constexpr size_t kMemoryPerMember = 4u << 20;  // larger streams go to a temporary file
constexpr uint64_t kMemoryBudget = 24u << 20;  // all streams held in memory together
constexpr size_t kMaxAhead = 32;               // members compressed ahead of the writer

// An unnamed temporary file in folder: it disappears by itself when closed, even on a crash.
int OpenSpillFile(const std::string& folder)
{
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    std::string templ = folder + "/.qbzip-XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    fd = mkstemp(name.data());
    if (fd >= 0)
        unlink(name.data());
    return fd;
}

}  // namespace

CompressedMember::~CompressedMember()
{
    if (spillFd >= 0)
        close(spillFd);
}

DeflatePipeline::DeflatePipeline(int level, std::string spillFolder)
    : level_(level), spillFolder_(std::move(spillFolder))
{
}

DeflatePipeline::~DeflatePipeline()
{
    Stop();
    for (std::thread& t : workers_)
        t.join();
}

size_t DeflatePipeline::Add(const std::string& hostPath, uint64_t expectedSize)
{
    auto m = std::make_unique<CompressedMember>();
    m->hostPath = hostPath;
    m->expectedSize = expectedSize;
    members_.push_back(std::move(m));
    return members_.size() - 1;
}

void DeflatePipeline::Start()
{
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    size_t count = std::min<size_t>({cores, 8, members_.size()});
    for (size_t i = 0; i < count; ++i)
        workers_.emplace_back([this] { Work(); });
}

void DeflatePipeline::Stop()
{
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
}

CompressedMember& DeflatePipeline::Wait(size_t i)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return members_[i]->done || stop_; });
    if (!members_[i]->done)
        members_[i]->error = ECANCELED;
    return *members_[i];
}

void DeflatePipeline::Release(size_t i)
{
    std::lock_guard lock(mutex_);
    CompressedMember& m = *members_[i];
    heldBytes_ -= m.memory.size();
    std::vector<unsigned char>().swap(m.memory);
    if (m.spillFd >= 0) {
        close(m.spillFd);
        m.spillFd = -1;
    }
    released_ = std::max(released_, i + 1);
    changed_.notify_all();
}

void DeflatePipeline::Work()
{
    for (;;) {
        CompressedMember* m;
        {
            std::unique_lock lock(mutex_);
            // Run ahead of the writer only so far; the member it waits for is always taken.
            changed_.wait(lock, [&] {
                return stop_ || next_ >= members_.size() || next_ == released_
                    || (next_ - released_ < kMaxAhead && heldBytes_ < kMemoryBudget);
            });
            if (stop_ || next_ >= members_.size())
                return;
            m = members_[next_++].get();
        }
        Compress(*m);
        std::lock_guard lock(mutex_);
        heldBytes_ += m->memory.size();
        m->done = true;
        changed_.notify_all();
    }
}

void DeflatePipeline::Compress(CompressedMember& m)
{
    int in = open(m.hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        m.error = errno;
        return;
    }
    z_stream z{};
    if (deflateInit2(&z, level_, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        close(in);
        m.error = ENOMEM;
        return;
    }
    std::vector<unsigned char> input(kReadChunk);
    std::vector<unsigned char> output(kReadChunk);
    uLong crc = crc32(0, nullptr, 0);
    bool finished = false;
    while (!finished && m.error == 0) {
        ssize_t n = read(in, input.data(), input.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m.error = errno;
            break;
        }
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                m.error = ECANCELED;
                break;
            }
        }
        crc = crc32(crc, input.data(), static_cast<uInt>(n));
        m.size += static_cast<uint64_t>(n);
        int flush = n == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = input.data();
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = output.data();
            z.avail_out = static_cast<uInt>(output.size());
            int rc = deflate(&z, flush);
            if (rc == Z_STREAM_ERROR) {
                m.error = EIO;
                break;
            }
            size_t produced = output.size() - z.avail_out;
            if (m.spillFd < 0 && m.memory.size() + produced > kMemoryPerMember) {
                m.spillFd = OpenSpillFile(spillFolder_);
                if (m.spillFd < 0 || qb::arc::WriteAll(m.spillFd, m.memory.data(), m.memory.size()) != 0) {
                    m.error = errno ? errno : EIO;
                    break;
                }
                std::vector<unsigned char>().swap(m.memory);
            }
            if (m.spillFd >= 0) {
                if (int err = qb::arc::WriteAll(m.spillFd, output.data(), produced)) {
                    m.error = err;
                    break;
                }
            } else {
                m.memory.insert(m.memory.end(), output.data(), output.data() + produced);
            }
            m.compressedSize += produced;
            if (rc == Z_STREAM_END)
                finished = true;
        } while (z.avail_out == 0 || (flush == Z_FINISH && !finished));
    }
    deflateEnd(&z);
    close(in);
    m.crc = static_cast<uint32_t>(crc);
    if (m.error != 0) {
        // Failed: give the space back at once; the writer reports the error.
        std::vector<unsigned char>().swap(m.memory);
        if (m.spillFd >= 0) {
            close(m.spillFd);
            m.spillFd = -1;
        }
    } else if (m.spillFd >= 0 && lseek(m.spillFd, 0, SEEK_SET) < 0) {
        m.error = errno;
    }
}

}  // namespace qb::izip
