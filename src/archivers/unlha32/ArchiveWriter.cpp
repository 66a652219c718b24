#include "ArchiveWriter.h"

#include "AtomicOutput.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace unlha {

bool ArchiveWriter::Write(const void* data, std::size_t size)
{
    if (m_error)
        return false;
    const auto* p = static_cast<const std::uint8_t*>(data);
    m_offset += size;
    if (m_buf.size() + size > kBuffer) {
        if (!Flush())
            return false;
        if (size >= kBuffer) {
            if (int err = qb::arc::WriteAll(m_fd, p, size)) {
                m_error = err;
                return false;
            }
            return true;
        }
    }
    m_buf.insert(m_buf.end(), p, p + size);
    return true;
}

bool ArchiveWriter::Flush()
{
    if (m_error)
        return false;
    if (!m_buf.empty()) {
        if (int err = qb::arc::WriteAll(m_fd, m_buf.data(), m_buf.size())) {
            m_error = err;
            return false;
        }
        m_buf.clear();
    }
    return true;
}

bool ArchiveWriter::PatchAt(std::uint64_t offset, const void* data, std::size_t size)
{
    if (!Flush())
        return false;
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        ssize_t n = pwrite(m_fd, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

SpillBuffer::~SpillBuffer()
{
    Release();
}

void SpillBuffer::Release()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
    std::vector<std::uint8_t>().swap(m_memory);
    m_size = 0;
}

bool SpillBuffer::Write(const std::uint8_t* data, std::size_t size)
{
    if (m_error)
        return false;
    if (m_fd < 0 && m_memory.size() + size <= kMemoryLimit) {
        m_memory.insert(m_memory.end(), data, data + size);
        m_size += size;
        return true;
    }
    if (m_fd < 0) {
        std::string name = m_folder + "/.qbspill.XXXXXX";
        m_fd = mkostemp(name.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_error = errno;
            return false;
        }
        unlink(name.c_str());
        if (int err = qb::arc::WriteAll(m_fd, m_memory.data(), m_memory.size())) {
            m_error = err;
            return false;
        }
        std::vector<std::uint8_t>().swap(m_memory);
    }
    if (int err = qb::arc::WriteAll(m_fd, data, size)) {
        m_error = err;
        return false;
    }
    m_size += size;
    return true;
}

int SpillBuffer::CopyTo(ArchiveWriter& out)
{
    return ForEachChunk(
        [&](const std::uint8_t* data, std::size_t n) { return out.Write(data, n); });
}

int SpillBuffer::ForEachChunk(const std::function<bool(const std::uint8_t*, std::size_t)>& fn)
{
    if (m_fd < 0) {
        fn(m_memory.data(), m_memory.size());
        return 0;
    }
    std::vector<std::uint8_t> buf(1 << 20);
    std::uint64_t pos = 0;
    while (pos < m_size) {
        ssize_t n = pread(m_fd, buf.data(), buf.size(), static_cast<off_t>(pos));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        if (!fn(buf.data(), static_cast<std::size_t>(n)))
            return 0;
        pos += static_cast<std::uint64_t>(n);
    }
    return 0;
}

}  // namespace unlha
