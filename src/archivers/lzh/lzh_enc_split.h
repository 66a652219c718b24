// Deciding where a block should end.
//
// Each block carries its own code tables, so a new block pays off where the data changes
// character (text followed by a table of numbers, code followed by strings) and costs its table
// headers where it does not. Keeping exact statistics for every possible split point would be
// slow; instead every literal and match is sorted into one of a few coarse kinds (literals by
// two high bits and the low bit, matches short or long), and every few hundred symbols the mix
// of kinds seen since the last check is compared with the mix of the block so far. A mix that
// differs by more than a threshold ends the block. Short blocks are favoured less: the
// threshold drops as the block grows, because a long block's tables are cheap per symbol.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

namespace lzh {

class BlockSplitter {
public:
    void Literal(std::uint8_t c)
    {
        ++m_new[((c >> 5) & 6) | (c & 1)];
        ++m_newCount;
    }
    void Match(unsigned length)
    {
        ++m_new[kLiteralKinds + (length >= 9 ? 1 : 0)];
        ++m_newCount;
    }

    bool readyToCheck() const { return m_newCount >= kCheckEvery; }

    // Called when readyToCheck(); blockBytes is the input covered by the block so far. Returns
    // true when the block should end before the symbols seen since the previous check; the
    // caller then calls StartWithRecent().
    bool ShouldEnd(std::size_t blockBytes)
    {
        if (m_count > 0 && blockBytes >= kMinBlockBytes) {
            std::uint64_t delta = 0;
            for (unsigned k = 0; k < kKinds; ++k) {
                const std::int64_t a = std::int64_t{m_new[k]} * m_count;
                const std::int64_t b = std::int64_t{m_seen[k]} * m_newCount;
                delta += static_cast<std::uint64_t>(std::llabs(a - b));
            }
            // A short block must show a clearer change: its tables weigh more per symbol.
            const std::uint64_t share = blockBytes < kShortBlockBytes ? 260 : 200;
            const std::uint64_t cutoff = std::uint64_t{m_newCount} * m_count * share / 512;
            if (delta + (blockBytes / 4096) * std::uint64_t{m_count} > cutoff)
                return true;
        }
        for (unsigned k = 0; k < kKinds; ++k) {
            m_seen[k] += m_new[k];
            m_new[k] = 0;
        }
        m_count += m_newCount;
        m_newCount = 0;
        return false;
    }

    // The symbols since the previous check begin the next block.
    void StartWithRecent()
    {
        m_seen = m_new;
        m_count = m_newCount;
        m_new.fill(0);
        m_newCount = 0;
    }

    // Starts the statistics of a new block.
    void Reset()
    {
        m_seen.fill(0);
        m_new.fill(0);
        m_count = 0;
        m_newCount = 0;
    }

private:
    static constexpr unsigned kLiteralKinds = 8;
    static constexpr unsigned kKinds = kLiteralKinds + 2;
    static constexpr unsigned kCheckEvery = 512;
    static constexpr std::size_t kMinBlockBytes = 1000;
    static constexpr std::size_t kShortBlockBytes = 10000;

    std::array<std::uint32_t, kKinds> m_seen{};
    std::array<std::uint32_t, kKinds> m_new{};
    std::uint32_t m_count = 0;
    std::uint32_t m_newCount = 0;
};

}  // namespace lzh
