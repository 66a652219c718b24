// Compressing members on worker threads while the calling thread writes the archive in order.
//
// The work is cut into pieces: a member is one piece, or, when it is larger than two pieces'
// worth, several pieces of kPieceSize bytes (the last takes the rest). A worker takes the next
// piece, reads it together with the window of data before it (so its matches reach back across
// the cut) and compresses it into its own SpillBuffer. The calling thread waits for all pieces
// of the member it writes next, joins their bit streams into the member's one stream (see
// lzh_join.h) and releases them. Where the cuts fall depends only on the file's size, so the
// archive is the same whatever the number of threads or the order in which they finish.
//
// Memory stays bounded whatever the number and size of the files: pieces are described only
// when a worker takes them; workers run at most a few pieces, and a few MB of compressed data
// kept in memory, ahead of the writer (beyond 256 KiB a piece's output waits in a spill file);
// the pieces of the member the writer waits for are always taken, so it never waits forever.
// Progress and cancel stay on the calling thread: it polls the workers' byte counters while
// it waits and reports them itself.
#pragma once

#include "ArchiveWriter.h"
#include "lzh_encoder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace unlha {

constexpr std::uint64_t kPieceSize = 2u << 20;

// How many pieces a file of `size` bytes is cut into.
inline std::uint64_t PieceCount(std::uint64_t size)
{
    return size < 2 * kPieceSize ? 1 : size / kPieceSize;
}

// A file to compress; hostPath must outlive the compressor.
struct MemberSource {
    const std::string* hostPath;
    std::uint64_t size;  // when collected: decides where the pieces are cut
};

// What came of a member, once all its pieces are done.
struct PackedMember {
    int result = 0;  // ARC_OK or an ARC_ERROR_* code
    std::string message;
    std::uint64_t inputSize = 0;
    std::uint16_t crc = 0;
    std::uint64_t packedSize = 0;  // of the joined stream
};

class Compressor {
public:
    Compressor(std::vector<MemberSource> members, lzh::EncodeMethod method, std::string spillFolder,
               unsigned threads);
    ~Compressor();  // cancels what is still running and joins the workers

    // Waits until every piece of member i is done (members are taken in order). tick() is
    // called about every 50 ms while waiting; when it returns false the wait ends with false
    // (cancel).
    bool WaitFor(std::size_t i, const std::function<bool()>& tick, PackedMember& packed);
    // Writes member i's joined stream. Returns 0 or the errno of a failed read back (a failure
    // of out itself shows in out.Error()).
    int CopyTo(std::size_t i, ArchiveWriter& out);
    // The calling thread is done with member i: its pieces are freed and the workers go on.
    void Release(std::size_t i);
    void Cancel();
    std::uint64_t BytesRead() const;

private:
    struct Piece {
        explicit Piece(const std::string& spillFolder) : output(spillFolder) { }
        std::uint64_t index = 0;  // among all pieces
        std::size_t member = 0;
        std::uint64_t offset = 0;
        std::uint64_t length = 0;  // 0 for the last piece: to the end of the file
        int result = 0;
        std::string message;
        std::uint64_t inputSize = 0;
        std::uint16_t crc = 0;
        unsigned lastByteBits = 0;
        SpillBuffer output;
        bool large = false;  // may spill: counts against the window
        bool done = false;  // guarded by m_mutex
    };

    void Worker();
    Piece& Take();  // under m_mutex: describes the next piece
    void Run(Piece& piece);
    bool CanTake() const;
    Piece& At(std::uint64_t n) { return *m_pieces[static_cast<std::size_t>(n - m_base)]; }

    std::vector<MemberSource> m_members;
    std::vector<std::uint64_t> m_firstPiece;  // per member, and one past the last
    lzh::EncodeMethod m_method;
    std::string m_spillFolder;
    std::vector<std::thread> m_threads;
    mutable std::mutex m_mutex;
    std::condition_variable m_windowMoved;  // workers wait for room ahead of the writer
    std::condition_variable m_pieceDone;  // the calling thread waits for its next member
    std::deque<std::unique_ptr<Piece>> m_pieces;  // pieces m_base .. m_next - 1
    std::uint64_t m_base = 0;  // pieces below this are written and freed
    std::uint64_t m_next = 0;  // next piece to hand to a worker
    std::size_t m_nextMember = 0;  // whose member
    std::uint64_t m_needed = 0;  // pieces below this are waited for by the writer
    // The piece the calling thread sleeps on, if any: only its end is worth waking it for.
    std::uint64_t m_awaited = UINT64_MAX;
    std::uint64_t m_heldBytes = 0;  // memory of finished pieces not yet written
    std::uint64_t m_window;  // large pieces a worker may take ahead of the writer
    std::uint64_t m_largeAhead = 0;  // large pieces taken and not yet written
    std::atomic<bool> m_cancel{false};
    std::atomic<std::uint64_t> m_bytesRead{0};  // by all workers, for progress
};

// Opens a source file for reading. Refuses anything but a regular file (a FIFO put in a file's
// place after the folder was read would block the call forever). Returns the descriptor, or -1
// with errno set.
int OpenSourceFile(const std::string& hostPath);

// Reads a whole file through fn in chunks, computing its CRC-16. Used for stored members on the
// calling thread, through buffer (grown to 1 MiB once and reused: stored packing of many small
// files must not pay for a fresh buffer each). Returns 0 or the errno of a failed read; fn
// returning false stops (returns ECANCELED).
int ReadFileChunks(int fd, std::vector<std::uint8_t>& buffer,
                   const std::function<bool(const std::uint8_t*, std::size_t)>& fn);

// The size of the reusable copy buffers.
constexpr std::size_t kCopyBuffer = 1 << 20;

}  // namespace unlha
