// Joining the bit streams of pieces of one file into the stream of the whole file.
//
// A large file is cut into pieces that are compressed at the same time, each primed with the
// window of data before it (EncodeOptions::history), so its matches still reach back across the
// cut. Each piece's stream is a sequence of complete blocks, and a decoder reads blocks one after
// the other without caring where they start, so the whole file's stream is simply the pieces'
// bits one after the other: the zero padding at the end of each piece is dropped and the next
// piece's bits continue in that byte. Only the last piece keeps its padding.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace lzh {

// The size in bytes of the joined stream of pieces whose sizes and last-byte bits are given.
inline std::uint64_t JoinedSize(const std::vector<std::uint64_t>& sizes,
                                const std::vector<unsigned>& lastByteBits)
{
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i] > 0)
            bits += (sizes[i] - 1) * 8 + lastByteBits[i];
    }
    return (bits + 7) / 8;
}

class StreamJoiner {
public:
    using Sink = std::function<bool(const std::uint8_t*, std::size_t)>;
    explicit StreamJoiner(Sink sink) : m_sink(std::move(sink)) { m_out.reserve(kChunk); }

    // The next piece begins: `size` bytes will follow through Add, of which the last holds
    // lastByteBits bits of data.
    void BeginPiece(std::uint64_t size, unsigned lastByteBits)
    {
        m_left = size;
        m_lastBits = lastByteBits;
    }

    // Bytes of the current piece, in order, in chunks of any size.
    bool Add(const std::uint8_t* data, std::size_t n)
    {
        if (n > m_left)
            n = static_cast<std::size_t>(m_left);
        // Every byte but the piece's last is whole; the last carries m_lastBits bits.
        const bool endsPiece = n > 0 && n == m_left;
        const std::size_t whole = endsPiece ? n - 1 : n;
        for (std::size_t done = 0; done < whole;) {
            const std::size_t take = std::min(whole - done, kChunk - m_out.size());
            AppendWhole(data + done, take);
            done += take;
            if (m_out.size() >= kChunk && !Drain())
                return false;
        }
        m_left -= n;
        if (endsPiece)
            Bits(data[whole], m_lastBits);
        return m_out.size() < kChunk || Drain();
    }

    // Pads the last byte with zeros and hands out everything.
    bool Finish()
    {
        if (m_bits > 0)
            m_out.push_back(m_partial);
        m_bits = 0;
        return Drain();
    }

private:
    static constexpr std::size_t kChunk = 1 << 16;

    // Appends whole bytes, shifted by the bits already pending.
    void AppendWhole(const std::uint8_t* data, std::size_t n)
    {
        const std::size_t at = m_out.size();
        m_out.resize(at + n);
        std::uint8_t* out = m_out.data() + at;
        if (m_bits == 0) {
            std::memcpy(out, data, n);
            return;
        }
        const unsigned keep = m_bits, shift = 8 - m_bits;
        std::uint8_t partial = m_partial;
        std::size_t i = 0;
        // Eight bytes at a time, as one big-endian word shifted right.
        for (; std::endian::native == std::endian::little && i + 8 <= n; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, data + i, 8);
            word = __builtin_bswap64(word);
            const std::uint64_t joined =
                __builtin_bswap64((std::uint64_t{partial} << 56) | (word >> keep));
            std::memcpy(out + i, &joined, 8);
            partial = static_cast<std::uint8_t>(word << shift);
        }
        for (; i < n; ++i) {
            out[i] = static_cast<std::uint8_t>(partial | (data[i] >> keep));
            partial = static_cast<std::uint8_t>(data[i] << shift);
        }
        m_partial = partial;
    }

    // Appends the top n bits of b.
    void Bits(std::uint8_t b, unsigned n)
    {
        b = static_cast<std::uint8_t>(b & (0xFF00u >> n));
        if (m_bits + n >= 8) {
            m_out.push_back(static_cast<std::uint8_t>(m_partial | (b >> m_bits)));
            m_partial = static_cast<std::uint8_t>(b << (8 - m_bits));
            m_bits = m_bits + n - 8;
        } else {
            m_partial = static_cast<std::uint8_t>(m_partial | (b >> m_bits));
            m_bits += n;
        }
        if (m_bits == 0)
            m_partial = 0;
    }

    bool Drain()
    {
        const bool ok = m_out.empty() || m_sink(m_out.data(), m_out.size());
        m_out.clear();
        return ok;
    }

    Sink m_sink;
    std::vector<std::uint8_t> m_out;
    std::uint8_t m_partial = 0;  // bits not yet a whole byte, from the top
    unsigned m_bits = 0;  // how many
    std::uint64_t m_left = 0;  // bytes of the current piece still to come
    unsigned m_lastBits = 8;
};

}  // namespace lzh
