#include "Compressor.h"

#include "AtomicOutput.h"
#include "ErrorCodes.h"
#include "LongPath.h"
#include "archiver_results.h"
#include "lzh_crc16.h"
#include "lzh_join.h"

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace unlha {

namespace {

// Memory of finished pieces the writer has not taken yet, beyond which workers wait.
constexpr std::uint64_t kHeldBudget = 4u << 20;
// A file this small is one piece whose output stays in memory (counted in kHeldBudget): while
// the writer waits for a large member, workers may run far ahead through small files like it.
// Larger pieces may spill to a temporary file each, so only a few per thread go ahead.
constexpr std::uint64_t kSmallPiece = 128u << 10;
// Pieces ahead of the writer in all, so that a folder of empty files stays cheap too.
constexpr std::uint64_t kMaxPiecesAhead = 1024;

unsigned WindowOf(lzh::EncodeMethod method)
{
    return method == lzh::EncodeMethod::Lh7   ? 65536
           : method == lzh::EncodeMethod::Lh6 ? 32768
                                              : 8192;
}

}  // namespace

Compressor::Compressor(std::vector<MemberSource> members, lzh::EncodeMethod method,
                       std::string spillFolder, unsigned threads)
    : m_members(std::move(members)), m_method(method), m_spillFolder(std::move(spillFolder))
{
    if (threads == 0)
        threads = 1;
    m_firstPiece.reserve(m_members.size() + 1);
    std::uint64_t pieces = 0;
    for (const MemberSource& m : m_members) {
        m_firstPiece.push_back(pieces);
        pieces += PieceCount(m.size);
    }
    m_firstPiece.push_back(pieces);
    // A few large pieces per thread ahead of the writer keep every core busy while one large member
    // is still being compressed; the memory budget bounds what they hold.
    m_window = threads * 16 + 2;
    for (unsigned i = 0; i < threads && i < pieces; ++i) {
        try {
            m_threads.emplace_back([this] { Worker(); });
        } catch (...) {
            break;  // fewer threads; with none at all WaitFor compresses on the calling thread
        }
    }
}

Compressor::~Compressor()
{
    Cancel();
    for (auto& t : m_threads)
        t.join();
}

void Compressor::Cancel()
{
    m_cancel = true;
    std::lock_guard lock(m_mutex);
    m_windowMoved.notify_all();
    m_pieceDone.notify_all();
}

std::uint64_t Compressor::BytesRead() const
{
    return m_bytesRead.load(std::memory_order_relaxed);
}

bool Compressor::CanTake() const
{
    if (m_next >= m_firstPiece.back())
        return false;
    return m_next < m_needed || (m_largeAhead < m_window && m_next < m_base + kMaxPiecesAhead &&
                                 m_heldBytes < kHeldBudget);
}

Compressor::Piece& Compressor::Take()
{
    while (m_next >= m_firstPiece[m_nextMember + 1])
        ++m_nextMember;
    const std::uint64_t index = m_next - m_firstPiece[m_nextMember];
    const bool last = m_next + 1 == m_firstPiece[m_nextMember + 1];
    auto piece = std::make_unique<Piece>(m_spillFolder);
    piece->index = m_next;
    piece->member = m_nextMember;
    piece->offset = index * kPieceSize;
    piece->length = last ? 0 : kPieceSize;
    piece->large = !(index == 0 && last && m_members[m_nextMember].size < kSmallPiece);
    m_largeAhead += piece->large ? 1 : 0;
    m_pieces.push_back(std::move(piece));
    ++m_next;
    return *m_pieces.back();
}

bool Compressor::WaitFor(std::size_t i, const std::function<bool()>& tick, PackedMember& packed)
{
    const std::uint64_t first = m_firstPiece[i], end = m_firstPiece[i + 1];
    std::unique_lock lock(m_mutex);
    m_needed = std::max(m_needed, end);
    m_windowMoved.notify_all();
    if (m_threads.empty()) {
        // No worker could be started: compress here, in order.
        while (m_next < end) {
            Piece& piece = Take();
            lock.unlock();
            Run(piece);
            lock.lock();
            piece.done = true;
        }
    }
    // The caller's progress procedure runs without the lock: it may take its time.
    auto tickUnlocked = [&] {
        lock.unlock();
        const bool goOn = tick();
        lock.lock();
        return goOn;
    };
    for (std::uint64_t n = first; n < end; ++n) {
        while (n >= m_next || !At(n).done) {
            m_awaited = n;
            m_pieceDone.wait_for(lock, std::chrono::milliseconds(50));
            m_awaited = UINT64_MAX;
            if (n < m_next && At(n).done)
                break;
            if (!tickUnlocked())
                return false;
        }
    }
    // A member done is worth a report too: small members may all finish between two of the
    // waits above, and the caller's progress would then stand still until the end.
    if (!tickUnlocked())
        return false;
    packed = PackedMember{};
    std::vector<std::uint64_t> sizes;
    std::vector<unsigned> bits;
    for (std::uint64_t n = first; n < end; ++n) {
        const Piece& p = At(n);
        if (p.result != ARC_OK && packed.result == ARC_OK) {
            packed.result = p.result;
            packed.message = p.message;
        }
        packed.crc = lzh::Crc16Combine(packed.crc, p.crc, p.inputSize);
        packed.inputSize += p.inputSize;
        sizes.push_back(p.output.Size());
        bits.push_back(p.lastByteBits);
    }
    packed.packedSize = lzh::JoinedSize(sizes, bits);
    return true;
}

int Compressor::CopyTo(std::size_t i, ArchiveWriter& out)
{
    const std::uint64_t first = m_firstPiece[i], end = m_firstPiece[i + 1];
    // The deque is shared with the workers; the pieces themselves are not touched by them now.
    std::vector<Piece*> pieces;
    {
        std::lock_guard lock(m_mutex);
        for (std::uint64_t n = first; n < end; ++n)
            pieces.push_back(&At(n));
    }
    if (pieces.size() == 1)
        return pieces[0]->output.CopyTo(out);  // one piece: its stream is the member's stream
    lzh::StreamJoiner joiner(
        [&](const std::uint8_t* data, std::size_t n) { return out.Write(data, n); });
    for (Piece* p : pieces) {
        joiner.BeginPiece(p->output.Size(), p->lastByteBits);
        if (int err = p->output.ForEachChunk(
                [&](const std::uint8_t* data, std::size_t size) { return joiner.Add(data, size); }))
            return err;
    }
    joiner.Finish();
    return 0;
}

void Compressor::Release(std::size_t i)
{
    std::lock_guard lock(m_mutex);
    const std::uint64_t end = m_firstPiece[i + 1];
    while (m_base < end && m_base < m_next) {
        Piece& p = *m_pieces.front();
        if (p.done)
            m_heldBytes -= p.output.MemoryHeld();
        m_largeAhead -= p.large ? 1 : 0;
        m_pieces.pop_front();
        ++m_base;
    }
    m_windowMoved.notify_all();
}

void Compressor::Worker()
{
    for (;;) {
        Piece* piece;
        {
            std::unique_lock lock(m_mutex);
            m_windowMoved.wait(
                lock, [&] { return m_cancel || m_next >= m_firstPiece.back() || CanTake(); });
            if (m_cancel || m_next >= m_firstPiece.back())
                return;
            piece = &Take();
        }
        try {
            Run(*piece);
        } catch (...) {
            piece->result = ARC_ERROR_INTERNAL;
            piece->message = "compression failed for " + *m_members[piece->member].hostPath;
        }
        std::lock_guard lock(m_mutex);
        piece->done = true;
        m_heldBytes += piece->output.MemoryHeld();
        // Pieces ahead of the writer finish all the time; waking it for each would cost a
        // switch of threads per small file.
        if (piece->index == m_awaited)
            m_pieceDone.notify_one();
    }
}

void Compressor::Run(Piece& piece)
{
    const std::string& path = *m_members[piece.member].hostPath;
    int fd = OpenSourceFile(path);
    if (fd < 0) {
        piece.result =
            qb::arc::ResultFromErrno(errno, qb::arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE);
        piece.message = "cannot open " + path;
        return;
    }
    // The window of data before the piece, so that its matches reach back across the cut.
    std::vector<std::uint8_t> history;
    int readError = 0;
    bool shorter = false;
    if (piece.offset > 0) {
        history.resize(std::min<std::uint64_t>(piece.offset, WindowOf(m_method)));
        std::ptrdiff_t n =
            qb::arc::ReadFullAt(fd, history.data(), history.size(), piece.offset - history.size());
        if (n < 0)
            readError = errno;
        else if (static_cast<std::size_t>(n) != history.size())
            shorter = true;
    }
    std::uint64_t position = piece.offset;
    std::uint16_t crc = 0;
    lzh::EncodeIo io;
    io.read = [&](std::uint8_t* buf, std::size_t size) -> std::ptrdiff_t {
        if (m_cancel || readError || shorter)
            return -1;
        if (piece.length > 0)
            size = static_cast<std::size_t>(
                std::min<std::uint64_t>(size, piece.offset + piece.length - position));
        std::ptrdiff_t n = qb::arc::ReadFullAt(fd, buf, size, position);
        if (n < 0) {
            readError = errno;
            return -1;
        }
        if (piece.length > 0 && n == 0 && position < piece.offset + piece.length) {
            shorter = true;  // the file shrank since it was collected
            return -1;
        }
        position += static_cast<std::uint64_t>(n);
        crc = lzh::Crc16Update(crc, buf, static_cast<std::size_t>(n));
        m_bytesRead.fetch_add(static_cast<std::uint64_t>(n), std::memory_order_relaxed);
        return n;
    };
    io.write = [&](const std::uint8_t* data, std::size_t size) {
        return !m_cancel && piece.output.Write(data, size);
    };
    lzh::EncodeOptions options;
    options.history = history.data();
    options.historySize = history.size();
    lzh::EncodeResult r;
    if (!readError && !shorter)
        r = lzh::Encode(m_method, io, options);
    close(fd);
    piece.inputSize = r.inputSize;
    piece.crc = crc;
    piece.lastByteBits = r.lastByteBits;
    if (r.ok && !m_cancel)
        return;
    if (m_cancel) {
        piece.result = ARC_ERROR_USER_CANCEL;
    } else if (readError) {
        piece.result =
            qb::arc::ResultFromErrno(readError, qb::arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE);
        piece.message = "cannot read " + path;
    } else if (shorter) {
        piece.result = ARC_ERROR_SOURCE_CHANGED;
        piece.message = path + " changed while it was being packed";
    } else if (piece.output.Error()) {
        piece.result = qb::arc::ResultFromErrno(piece.output.Error(),
                                                qb::arc::ErrorSide::Destination, ARC_ERROR_WRITE);
        piece.message = "cannot write the temporary data of " + path;
    } else {
        piece.result = ARC_ERROR_INTERNAL;
        piece.message = "compression failed for " + path;
    }
}

int OpenSourceFile(const std::string& hostPath)
{
    int fd = qb::arc::OpenLongPath(hostPath, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st { };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    fcntl(fd, F_SETFL, 0);
    return fd;
}

int ReadFileChunks(int fd, std::vector<std::uint8_t>& buf,
                   const std::function<bool(const std::uint8_t*, std::size_t)>& fn)
{
    if (buf.size() < kCopyBuffer)
        buf.resize(kCopyBuffer);
    for (;;) {
        ssize_t n = read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        if (!fn(buf.data(), static_cast<std::size_t>(n)))
            return ECANCELED;
    }
}

}  // namespace unlha
