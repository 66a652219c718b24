// The new archive as it is written: large writes through a buffer, and patches of fields that
// are known only after a member's data (CRC, sizes), whether still buffered or already written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qb::izip {

class ZipOutput {
public:
    // fd: a new, empty file open for writing at its start.
    explicit ZipOutput(int fd);

    // Each returns 0 or the errno of the failed write.
    int Write(const void* data, size_t size);
    int Patch(uint64_t at, const void* data, size_t size);
    int Flush();
    // Drops everything written from position `to` on, so that it can be written again.
    int Rewind(uint64_t to);
    // Copies size bytes at offset of the file open as from (kept members of the old archive).
    // Returns -1 when that file cannot be read or ends first.
    int CopyFrom(int from, uint64_t offset, uint64_t size);

    uint64_t Position() const { return flushed_ + used_; }

private:
    int fd_;
    uint64_t flushed_ = 0;  // bytes in the file
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
};

}  // namespace qb::izip
