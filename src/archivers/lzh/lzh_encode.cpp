// The encoder's main loop: read input into a buffer, choose literals and matches, collect them
// into blocks (where the blocks end is the splitter's choice, lzh_enc_split.h), and write each
// block as soon as it is decided.
//
// Streaming. The buffer holds the window behind the current position plus a large chunk of
// input ahead of it. When the parser gets close to the end of what has been read, the buffer
// slides down by a whole number of windows (so the match finder's position-modulo-window links
// stay valid) and is filled again. Memory is the buffer, the match finder's tables and one block
// of symbols (with the splitter's counts of them, about 0.3 MB): about 2.5 MB whatever the
// input size, 5 MB with the near-optimal parser.
//
// The faster levels use zlib-style lazy matching: having found a match at one position, look
// one byte further; if a clearly better match starts there, emit the current byte as a literal
// and consider the new match in turn. "Better" weighs length against the cost of a more distant
// position (about one extra bit per doubling of the distance). The slowest levels hand whole
// blocks to the near-optimal parser (lzh_enc_optimal.h) instead.
#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "lzh_bitwriter.h"
#include "lzh_enc_block.h"
#include "lzh_enc_optimal.h"
#include "lzh_enc_params.h"
#include "lzh_enc_split.h"
#include "lzh_encoder.h"
#include "lzh_match.h"

namespace lzh {

namespace {

constexpr std::size_t kChunk = 1 << 20;  // input read ahead of the window
constexpr std::size_t kLookahead = kMaxMatch + 4;  // bytes a parse step may need past its position
constexpr std::size_t kPadding = 8;  // word-wise compares read this far past the data
// A 3-byte match further back than this usually costs more bits than three literals.
constexpr unsigned kFarShortMatch = 16384;
// The most symbols of an unfinished block kept to be cut again with the input that follows.
constexpr std::size_t kMaxKept = kMaxBlockSymbols / 2;
// The pieces are written as blocks once they fill one: never more symbols than a block holds.
static_assert(BlockSplitter::kMaxPieces * BlockSplitter::kPieceSymbols <= kMaxBlockSymbols);

unsigned BitLength(unsigned v)
{
    return v == 0 ? 0 : 32 - static_cast<unsigned>(__builtin_clz(v));
}

class Encoder {
public:
    Encoder(const MethodShape& shape, const LevelParams& level, EncodeIo& io,
            const EncodeOptions& options)
        : m_shape(shape), m_level(level), m_io(io), m_bufSize(kChunk + shape.windowSize + kPadding),
          m_buf(new std::uint8_t[m_bufSize]), m_block(shape.np, shape.pbit), m_out(io.write)
    {
        // The history goes in front of the input: the parser starts after it, the match finder
        // learns its positions once the first input is there (their hashes read a few bytes on).
        const std::size_t history = std::min<std::size_t>(options.historySize, shape.windowSize);
        if (history > 0 && options.history) {
            std::memcpy(m_buf.get(), options.history + options.historySize - history, history);
            m_pos = m_end = history;
        }
    }

    EncodeResult Run()
    {
        EncodeResult result;
        const std::size_t history = m_pos;
        for (bool first = true;; first = false) {
            if (!Fill())
                return Failed();
            if (first) {
                // Once the first read has shown whether all the input fits, the finder's tables
                // can be sized to it.
                MakeParser(m_eof ? m_end : SIZE_MAX);
                if (history > 0)
                    Learn(history);
            }
            const std::size_t stop = m_eof ? m_end : m_end - kLookahead;
            Parse(stop);
            if (!m_out.ok())
                return Failed();
            if (m_eof && m_pos >= m_end)
                break;
            Slide();
        }
        WriteBlocks(true);
        if (!m_out.Finish())
            return Failed();
        result.ok = true;
        result.inputSize = m_inputSize;
        result.packedSize = m_out.bytesWritten();
        result.lastByteBits = m_out.lastByteBits();
        return result;
    }

private:
    EncodeResult Failed() const
    {
        EncodeResult r;
        r.inputSize = m_inputSize;
        r.packedSize = m_out.bytesWritten();
        return r;
    }

    // Reads until the buffer is full or the input ends. False on a read error.
    bool Fill()
    {
        const std::size_t cap = m_bufSize - kPadding;
        while (!m_eof && m_end < cap) {
            const std::ptrdiff_t n = m_io.read(m_buf.get() + m_end, cap - m_end);
            if (n < 0 || static_cast<std::size_t>(n) > cap - m_end)
                return false;
            if (n == 0)
                m_eof = true;
            m_end += static_cast<std::size_t>(n);
            m_inputSize += static_cast<std::uint64_t>(n);
        }
        // Word-wise reads past the data must see defined bytes.
        std::memset(m_buf.get() + m_end, 0, kPadding);
        return true;
    }

    void MakeParser(std::size_t positions)
    {
        if (m_level.passes > 0) {
            m_optimal = std::make_unique<OptimalParser>(m_shape.windowSize, m_shape.np,
                                                        m_level.passes, positions);
        } else {
            m_finder = std::make_unique<MatchFinder>(m_shape.windowSize, positions);
        }
    }

    // Enters the history's positions into the match finder without coding them.
    void Learn(std::size_t history)
    {
        if (m_finder)
            m_finder->Skip(m_buf.get(), history, m_end);
        if (m_optimal)
            m_optimal->Learn(m_buf.get(), history, m_end, m_level.nice, m_level.chain);
    }

    // Drops whole windows that lie entirely behind the reach of the next match.
    void Slide()
    {
        const std::size_t w = m_shape.windowSize;
        if (m_pos < 2 * w)
            return;
        const std::size_t delta = (m_pos - w) / w * w;
        std::memmove(m_buf.get(), m_buf.get() + delta, m_end - delta);
        m_end -= delta;
        m_pos -= delta;
        if (m_finder)
            m_finder->Rebase(delta);
        if (m_optimal)
            m_optimal->Rebase(delta);
    }

    // b, end and nice are the loop's copies of m_buf, m_end and m_level.nice.
    // kRoomy: the search is far enough from the end (see HashChains::Search).
    // kWindow: as for ParseLazy.
    template<unsigned kWindow, bool kRoomy = false>
    [[gnu::always_inline]] Match Find(HashChains& chains, const std::uint8_t* b, std::size_t end,
                                      unsigned nice, std::size_t pos, unsigned longerThan,
                                      unsigned chain)
    {
        Match m = chains.Search<kRoomy>(b, pos, end - pos, longerThan, nice, chain);
        if (m.length == kMinMatch) [[unlikely]] {
            constexpr bool kFarIsPossible = kWindow == 0 || kWindow > kFarShortMatch;
            if ((kFarIsPossible && m.distance > kFarShortMatch) ||
                (m_block.hasCodes() && !Pays(pos, m)))
                m.length = 0;
        }
        return m;
    }

    // Whether a match costs no more bits than its bytes as literals would, priced by the codes
    // of the block written last. Worth asking only of the shortest matches: a longer one nearly
    // always pays. A symbol that code lacked is priced as a rare one.
    bool Pays(std::size_t pos, const Match& m) const
    {
        constexpr unsigned kRareC = 11, kRareP = 8;
        const auto& c = m_block.lastCLengths();
        const auto& p = m_block.lastPLengths();
        const std::uint8_t* b = m_buf.get() + pos;
        unsigned literals = 0;
        for (unsigned i = 0; i < m.length; ++i)
            literals += c[b[i]] ? c[b[i]] : kRareC;
        const unsigned ps = PositionSymbol(m.distance);
        const unsigned lengthBits = c[m.length + 253] ? c[m.length + 253] : kRareC;
        const unsigned positionBits = (p[ps] ? p[ps] : kRareP) + (ps > 1 ? ps - 1 : 0);
        return lengthBits + positionBits <= literals;
    }

    static bool Better(const Match& next, const Match& cur)
    {
        return 4 * static_cast<int>(next.length) - static_cast<int>(BitLength(next.distance)) >
               4 * static_cast<int>(cur.length) - static_cast<int>(BitLength(cur.distance));
    }

    void Parse(std::size_t stop)
    {
        const std::uint8_t* b = m_buf.get();
        if (m_optimal) {
            while (m_pos < stop && m_out.ok()) {
                m_pos = m_optimal->ParseBlock(b, m_pos, stop, m_end, m_level.nice, m_level.chain,
                                              m_block, m_out);
            }
            return;
        }
        // The window's size as a constant of the loop frees two registers in it.
        switch (m_shape.windowSize) {
        case 8192:
            return ParseLazy<8192>(stop);
        case 32768:
            return ParseLazy<32768>(stop);
        case 65536:
            return ParseLazy<65536>(stop);
        default:
            return ParseLazy<0>(stop);
        }
    }

    // kWindow: the window size, 0 when it is not a constant.
    template<unsigned kWindow>
    void ParseLazy(std::size_t stop)
    {
        const std::uint8_t* b = m_buf.get();
        // The finder's state and the settings stay in registers for the whole loop.
        HashChains chains = m_finder->Borrow();
        if constexpr (kWindow != 0)
            chains.FixWindow(kWindow);
        // Away from the end of the data (most of it) the first search at a position needs no
        // bounds: a run of the loop for there, another for the rest.
        const std::size_t roomy =
            m_level.nice <= kMaxMatch && m_end > HashChains::kRoom ? m_end - HashChains::kRoom : 0;
        const std::size_t pos = ParseRun<kWindow, true>(chains, b, m_pos, std::min(stop, roomy));
        m_pos = ParseRun<kWindow, false>(chains, b, pos, stop);
        m_finder->GiveBack(chains);
    }

    // Parses from pos up to stop; returns where it stopped. kRoomy: stop is at least
    // HashChains::kRoom short of the end of the data.
    template<unsigned kWindow, bool kRoomy>
    [[gnu::always_inline]] std::size_t ParseRun(HashChains& chains, const std::uint8_t* b,
                                                std::size_t pos, std::size_t stop)
    {
        const LevelParams level = m_level;
        const std::size_t end = m_end;
        // A failed write is noticed after the run (Run checks), at most a chunk later.
        while (pos < stop) {
            Match cur =
                Find<kWindow, kRoomy>(chains, b, end, level.nice, pos, kMinMatch - 1, level.chain);
            if (cur.length == 0) {
                Literal(b[pos++]);
                continue;
            }
            while (cur.length < level.lazy && pos + 1 < end) {
                const unsigned chain = cur.length >= level.good ? level.chain / 4 + 1 : level.chain;
                const Match next =
                    Find<kWindow>(chains, b, end, level.nice, pos + 1, cur.length, chain);
                if (next.length == 0 || !Better(next, cur))
                    break;
                Literal(b[pos++]);
                cur = next;
            }
            MatchAt(cur);
            // Where the next search will look: its table slots load while the match's
            // positions go in.
            if (pos + cur.length + 4 <= end)
                chains.Prefetch(b, pos + cur.length);
            chains.Skip(b, pos + cur.length, end);
            pos += cur.length;
        }
        return pos;
    }

    [[gnu::always_inline]] void Literal(std::uint8_t c)
    {
        m_block.AddLiteral(c);
        m_splitter.Literal(c);
        if (--m_pieceLeft == 0) [[unlikely]]
            EndOfPiece();
    }

    [[gnu::always_inline]] void MatchAt(const Match& m)
    {
        m_block.AddMatch(m.length, m.distance);
        m_splitter.Match(m.length, m.distance);
        if (--m_pieceLeft == 0) [[unlikely]]
            EndOfPiece();
    }

    [[gnu::noinline]] void EndOfPiece()
    {
        // The symbols kept from the last block written fill whole pieces, so the count of the
        // next piece starts afresh here too.
        m_pieceLeft = BlockSplitter::kPieceSymbols;
        if (m_splitter.EndPiece(BlockSplitter::kPieceSymbols) == BlockSplitter::kMaxPieces)
            WriteBlocks(false);
    }

    // Cuts the symbols held into blocks and writes them. Unless the input ends here, the last
    // block may go on in the input still to come: it stays, to be cut again with what follows,
    // if that leaves room for more (short of room, re-cutting the same symbols over and over
    // would cost more than it could win).
    [[gnu::noinline]] void WriteBlocks(bool last)
    {
        const std::size_t n = m_block.size();
        if (n == 0)
            return;
        m_splitter.Plan(n, m_cuts);
        std::size_t upTo = n;
        if (!last && m_cuts.size() >= 2 && n - m_cuts[m_cuts.size() - 2] <= kMaxKept)
            upTo = m_cuts[m_cuts.size() - 2];
        // Each cut between two blocks both written now is moved to the best place near it.
        std::size_t from = 0;
        if (m_cuts[0] <= upTo) {
            m_freq.fill(0);
            m_splitter.AddCounts(0, m_cuts[0], m_freq.data());
        }
        for (std::size_t k = 0; k < m_cuts.size() && m_cuts[k] <= upTo; ++k) {
            std::size_t to = m_cuts[k];
            if (k + 1 < m_cuts.size() && m_cuts[k + 1] <= upTo) {
                m_nextFreq.fill(0);
                m_splitter.AddCounts(to, m_cuts[k + 1], m_nextFreq.data());
                to = BlockSplitter::MoveCut(m_block.tokens(), from, to, m_cuts[k + 1],
                                            m_freq.data(), m_nextFreq.data());
            }
            m_block.Write(m_out, from, to, m_freq.data(), m_freq.data() + kNumC);
            from = to;
            m_freq.swap(m_nextFreq);
        }
        m_block.Drop(from);
        m_splitter.Drop(from);
    }

    MethodShape m_shape;
    LevelParams m_level;
    EncodeIo& m_io;
    // Left uninitialised: a small file touches only the pages it fills.
    std::size_t m_bufSize;
    std::unique_ptr<std::uint8_t[]> m_buf;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    std::uint64_t m_inputSize = 0;
    BlockEncoder m_block;
    BlockSplitter m_splitter;
    std::size_t m_pieceLeft = BlockSplitter::kPieceSymbols;  // symbols until the piece is full
    std::vector<std::size_t> m_cuts;
    std::array<std::uint32_t, BlockSplitter::kCounts> m_freq;  // of the block being written
    std::array<std::uint32_t, BlockSplitter::kCounts> m_nextFreq;  // and of the next
    BitWriter m_out;
    // One of the two parsers, with its match finder.
    std::unique_ptr<MatchFinder> m_finder;  // lazy matching
    std::unique_ptr<OptimalParser> m_optimal;  // near-optimal parsing
};

}  // namespace

EncodeResult Encode(EncodeMethod method, EncodeIo& io, const EncodeOptions& options)
{
    MethodShape shape;
    if (!ShapeOf(method, shape) || !io.read || !io.write)
        return {};
    const LevelParams level = LevelOf(options.level == 0 ? DefaultLevel(method) : options.level);
    try {
        Encoder encoder(shape, level, io, options);
        return encoder.Run();
    } catch (...) {
        // Out of memory, or a callback that threw: report failure, never let it escape.
        return {};
    }
}

EncodeResult Encode(EncodeMethod method, EncodeIo& io)
{
    return Encode(method, io, EncodeOptions{});
}

}  // namespace lzh
