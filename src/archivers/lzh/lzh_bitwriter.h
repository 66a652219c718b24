// Bit output for the -lh5- family: fields go out most significant bit first, bytes are filled
// from bit 7 down, and the stream ends padded with zero bits to a byte boundary. Bytes collect
// in a small buffer that is handed to the caller's write callback in large pieces, so a slow
// or failing sink is met once per piece rather than once per byte.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

namespace lzh {

class BitWriter {
public:
    using Sink = std::function<bool(const std::uint8_t*, std::size_t)>;

    explicit BitWriter(const Sink& sink) : m_sink(sink), m_out(new std::uint8_t[kFlushAt + kSlack])
    { }

    // Appends the low n bits of value (n at most 56), most significant first. Bits collect in a
    // 64-bit word; after each field its whole bytes are stored (eight bytes written, as many
    // kept) without a branch on how many there are: fields of varying width would mispredict it.
    void Put(std::uint64_t value, unsigned n)
    {
        m_acc = (m_acc << n) | (value & ((std::uint64_t{1} << n) - 1));
        m_count += n;
        Store(m_out.get() + m_used, m_acc, m_count);
        m_used += m_count >> 3;
        m_count &= 7;
        if (m_used >= kFlushAt)
            Drain();
    }

    // A run of fields written with the writer's state in local variables. Through Put() the
    // members go back to memory after every field, since the byte store could alias them; here
    // they stay in registers. Take no more fields than FieldsBeforeDrain() allows, and use the
    // writer itself again only once the run is gone.
    class Run {
    public:
        explicit Run(BitWriter& w)
            : m_w(w), m_acc(w.m_acc), m_count(w.m_count), m_at(w.m_out.get() + w.m_used)
        { }
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;
        ~Run()
        {
            m_w.m_acc = m_acc;
            m_w.m_count = m_count;
            m_w.m_used = static_cast<std::size_t>(m_at - m_w.m_out.get());
            if (m_w.m_used >= kFlushAt)
                m_w.Drain();
        }

        // As BitWriter::Put, but value must have no bits at or above n.
        void Put(std::uint64_t value, unsigned n)
        {
            m_acc = (m_acc << n) | value;
            m_count += n;
            Store(m_at, m_acc, m_count);
            m_at += m_count >> 3;
            m_count &= 7;
        }

    private:
        BitWriter& m_w;
        std::uint64_t m_acc;
        unsigned m_count;
        std::uint8_t* m_at;
    };

    // How many fields of at most maxBits bits (at most 56) a Run may take now; draining first
    // if the buffer is too full for any.
    std::size_t FieldsBeforeDrain(unsigned maxBits)
    {
        const std::size_t most = (maxBits + 7) / 8;  // bytes a field can complete
        if (kFlushAt - m_used < most)
            Drain();
        return (kFlushAt - m_used) / most;
    }

    // Pads the last byte with zero bits and hands everything left to the sink.
    bool Finish()
    {
        m_lastByteBits = m_count != 0 ? m_count : (bytesWritten() > 0 ? 8 : 0);
        if (m_count != 0)
            Put(0, 8 - m_count);
        Drain();
        return m_ok;
    }

    bool ok() const { return m_ok; }
    // After Finish(): how many bits of the last byte are data (1..8), 0 when nothing was written.
    unsigned lastByteBits() const { return m_lastByteBits; }
    // Whole bytes produced so far.
    std::uint64_t bytesWritten() const { return m_written + m_used; }

private:
    static constexpr std::size_t kFlushAt = 64 * 1024;
    static constexpr std::size_t kSlack = 16;

    // Stores the last `count` bits of acc (at most 63) from `at` on, in eight bytes. With count
    // 0 the bytes stored are junk, but none of them is kept: the caller advances by no byte,
    // and the next store (or Finish, which hands over only whole bytes) starts at the same place.
    static void Store(std::uint8_t* at, std::uint64_t acc, unsigned count)
    {
        const std::uint64_t top = acc << ((64 - count) & 63);  // pending bits at the top
        std::uint64_t bigEndian = top;
        if constexpr (std::endian::native == std::endian::little)
            bigEndian = __builtin_bswap64(top);
        std::memcpy(at, &bigEndian, sizeof bigEndian);
    }

    void Drain()
    {
        if (m_ok && m_used > 0 && !m_sink(m_out.get(), m_used))
            m_ok = false;
        m_written += m_used;
        m_used = 0;
    }

    const Sink& m_sink;
    std::unique_ptr<std::uint8_t[]> m_out;
    std::size_t m_used = 0;
    std::uint64_t m_acc = 0;
    unsigned m_count = 0;  // bits in m_acc not yet written, below 8 between calls
    unsigned m_lastByteBits = 0;
    std::uint64_t m_written = 0;
    bool m_ok = true;
};

}  // namespace lzh
