#include "ZipOutput.h"

#include "AtomicOutput.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qb::izip {
namespace {

constexpr size_t kBufferSize = 1u << 20;

int WriteAt(int fd, const char* data, size_t size, uint64_t at)
{
    while (size > 0) {
        ssize_t n = pwrite(fd, data, size, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        data += n;
        size -= static_cast<size_t>(n);
        at += static_cast<uint64_t>(n);
    }
    return 0;
}

}  // namespace

ZipOutput::ZipOutput(int fd) : fd_(fd), buffer_(new char[kBufferSize]) { }

int ZipOutput::Flush()
{
    if (used_ == 0)
        return 0;
    if (int err = qb::arc::WriteAll(fd_, buffer_.get(), used_))
        return err;
    flushed_ += used_;
    used_ = 0;
    return 0;
}

int ZipOutput::Write(const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    if (used_ + size > kBufferSize) {
        if (int err = Flush())
            return err;
        if (size >= kBufferSize) {
            if (int err = qb::arc::WriteAll(fd_, p, size))
                return err;
            flushed_ += size;
            return 0;
        }
    }
    std::memcpy(buffer_.get() + used_, p, size);
    used_ += size;
    return 0;
}

int ZipOutput::Patch(uint64_t at, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    if (at < flushed_) {
        size_t before = static_cast<size_t>(std::min<uint64_t>(size, flushed_ - at));
        if (int err = WriteAt(fd_, p, before, at))
            return err;
        p += before;
        size -= before;
        at += before;
    }
    if (size > 0)
        std::memcpy(buffer_.get() + (at - flushed_), p, size);
    return 0;
}

int ZipOutput::Rewind(uint64_t to)
{
    if (to >= flushed_) {
        used_ = static_cast<size_t>(std::min<uint64_t>(to - flushed_, used_));
        return 0;
    }
    used_ = 0;
    if (ftruncate(fd_, static_cast<off_t>(to)) != 0 ||
        lseek(fd_, static_cast<off_t>(to), SEEK_SET) < 0)
        return errno;
    flushed_ = to;
    return 0;
}

int ZipOutput::CopyFrom(int from, uint64_t offset, uint64_t size)
{
    while (size > 0) {
        if (used_ == kBufferSize)
            if (int err = Flush())
                return err;
        size_t n = static_cast<size_t>(std::min<uint64_t>(size, kBufferSize - used_));
        ssize_t got = pread(from, buffer_.get() + used_, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return -1;
        used_ += static_cast<size_t>(got);
        offset += static_cast<uint64_t>(got);
        size -= static_cast<uint64_t>(got);
    }
    return 0;
}

}  // namespace qb::izip
