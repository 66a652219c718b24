// Bit output for the -lh5- family: fields go out most significant bit first, bytes are filled
// from bit 7 down, and the stream ends padded with zero bits to a byte boundary. Bytes collect
// in a small buffer that is handed to the caller's write callback in large pieces, so a slow
// or failing sink is met once per piece rather than once per byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace lzh {

class BitWriter {
 public:
  using Sink = std::function<bool(const std::uint8_t*, std::size_t)>;

  explicit BitWriter(const Sink& sink) : m_sink(sink) { m_out.reserve(kFlushAt + 64); }

  // Appends the low n bits of value (n at most 32), most significant first.
  void Put(std::uint32_t value, unsigned n) {
    if (n == 0) return;
    m_acc = (m_acc << n) | (value & ((std::uint64_t{1} << n) - 1));
    m_count += n;
    while (m_count >= 8) {
      m_count -= 8;
      m_out.push_back(static_cast<std::uint8_t>(m_acc >> m_count));
    }
    if (m_out.size() >= kFlushAt) Drain();
  }

  // Pads the last byte with zero bits and hands everything left to the sink.
  bool Finish() {
      m_lastByteBits = m_count > 0 ? m_count : (bytesWritten() > 0 ? 8 : 0);
      if (m_count > 0)
          Put(0, 8 - m_count);
      Drain();
      return m_ok;
  }

  bool ok() const { return m_ok; }
  // After Finish(): how many bits of the last byte are data (1..8), 0 when nothing was written.
  unsigned lastByteBits() const { return m_lastByteBits; }
  std::uint64_t bytesWritten() const { return m_written + m_out.size(); }

 private:
  static constexpr std::size_t kFlushAt = 64 * 1024;

  void Drain() {
    if (m_ok && !m_out.empty() && !m_sink(m_out.data(), m_out.size())) m_ok = false;
    m_written += m_out.size();
    m_out.clear();
  }

  const Sink& m_sink;
  std::vector<std::uint8_t> m_out;
  std::uint64_t m_acc = 0;
  unsigned m_count = 0;
  unsigned m_lastByteBits = 0;
  std::uint64_t m_written = 0;
  bool m_ok = true;
};

}  // namespace lzh
