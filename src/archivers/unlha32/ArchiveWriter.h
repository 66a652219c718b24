// Sequential, buffered writing of the new archive into the temporary file, with positioned
// patches for headers whose CRC is only known after their data (stored members).
// After the first failure every call fails and Error() keeps the errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace unlha {

class ArchiveWriter {
public:
    explicit ArchiveWriter(int fd) : m_fd(fd) { m_buf.reserve(kBuffer); }

    bool Write(const void* data, std::size_t size);
    bool Flush();
    // Overwrites bytes already written at offset (flushes first).
    bool PatchAt(std::uint64_t offset, const void* data, std::size_t size);
    std::uint64_t Offset() const { return m_offset; }
    int Error() const { return m_error; }

private:
    static constexpr std::size_t kBuffer = 1 << 20;
    int m_fd;
    int m_error = 0;
    std::uint64_t m_offset = 0;  // bytes handed to Write so far
    std::vector<std::uint8_t> m_buf;
};

// Compressed data on its way from a worker thread to the archive: kept in memory up to a limit,
// beyond it in an anonymous temporary file in `folder` (unlinked at once, so nothing is left
// behind whatever happens), so memory does not grow with the size of a member.
class SpillBuffer {
public:
    explicit SpillBuffer(std::string folder) : m_folder(std::move(folder)) { }
    ~SpillBuffer();
    SpillBuffer(const SpillBuffer&) = delete;
    SpillBuffer& operator=(const SpillBuffer&) = delete;

    bool Write(const std::uint8_t* data, std::size_t size);
    // Copies everything written into out. Returns 0, or the errno of a failed read back
    // (a failure of out itself shows in out.Error()).
    int CopyTo(ArchiveWriter& out);
    // Hands everything written to fn in chunks; fn returning false stops. Returns 0 or the errno
    // of a failed read back.
    int ForEachChunk(const std::function<bool(const std::uint8_t*, std::size_t)>& fn);
    void Release();
    // Bytes held in memory (0 once the data went to the spill file).
    std::size_t MemoryHeld() const { return m_fd < 0 ? m_memory.size() : 0; }
    std::uint64_t Size() const { return m_size; }
    int Error() const { return m_error; }

private:
    static constexpr std::size_t kMemoryLimit = 256 << 10;
    std::string m_folder;
    std::vector<std::uint8_t> m_memory;
    int m_fd = -1;
    std::uint64_t m_size = 0;
    int m_error = 0;
};

}  // namespace unlha
