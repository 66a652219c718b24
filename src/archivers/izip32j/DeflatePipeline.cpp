#include "DeflatePipeline.h"

#include "AtomicOutput.h"
#include "DeflateJoin.h"
#include "LongPath.h"
#include "Threads.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace qb::izip {
namespace {

constexpr uint64_t kMemoryBudget = 6u << 20;  // compressed bytes held for the writer
constexpr size_t kMaxAhead = 64;  // pieces compressed ahead of the writer

// Reads exactly length bytes at offset; ENODATA when the file ends first.
int ReadAt(int fd, unsigned char* buffer, uint64_t length, uint64_t offset)
{
    const ssize_t n = arc::ReadFullAt(fd, buffer, static_cast<size_t>(length), offset);
    if (n < 0)
        return errno;
    return static_cast<uint64_t>(n) < length ? ENODATA : 0;
}

}  // namespace

int LibdeflateLevel(int zipLevel)
{
    return std::clamp(zipLevel, 1, 7);
}

DeflatePipeline::DeflatePipeline(int level) : level_(std::clamp(level, 1, 12)) { }

DeflatePipeline::~DeflatePipeline()
{
    Stop();
    for (std::thread& t : workers_)
        t.join();
}

void DeflatePipeline::Reserve(size_t members, size_t pieces)
{
    paths_.reserve(members);
    firstPiece_.reserve(members + 1);
    pieces_.reserve(pieces);
}

size_t DeflatePipeline::PiecesOf(uint64_t size)
{
    return size == 0 ? 1 : static_cast<size_t>((size + kPieceSize - 1) / kPieceSize);
}

size_t DeflatePipeline::Add(const std::string& hostPath, uint64_t size)
{
    size_t member = paths_.size();
    paths_.push_back(&hostPath);
    uint64_t offset = 0;
    do {
        Piece piece;
        piece.member = member;
        piece.offset = offset;
        piece.length = std::min(kPieceSize, size - offset);
        offset += piece.length;
        piece.last = offset >= size;
        pieces_.push_back(std::move(piece));
    } while (offset < size);
    firstPiece_.push_back(pieces_.size());
    return member;
}

void DeflatePipeline::Start()
{
    size_t count = std::min<size_t>(arc::ThreadCount(), pieces_.size());
    for (size_t i = 0; i < count; ++i)
        workers_.emplace_back([this] { Work(); });
}

void DeflatePipeline::Stop()
{
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
}

Piece& DeflatePipeline::WaitPiece(size_t i)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return pieces_[i].done || stop_; });
    if (!pieces_[i].done)
        pieces_[i].error = ECANCELED;
    return pieces_[i];
}

void DeflatePipeline::ReleasePiece(size_t i)
{
    std::lock_guard lock(mutex_);
    heldBytes_ -= pieces_[i].data.size();
    std::vector<unsigned char>().swap(pieces_[i].data);
    released_ = std::max(released_, i + 1);
    changed_.notify_all();
}

void DeflatePipeline::Work()
{
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level_);
    for (;;) {
        Piece* piece;
        {
            std::unique_lock lock(mutex_);
            // Run ahead of the writer only so far; the piece it waits for is always taken.
            changed_.wait(lock, [&] {
                return stop_ || next_ >= pieces_.size() || next_ == released_ ||
                       (next_ - released_ < kMaxAhead && heldBytes_ < kMemoryBudget);
            });
            if (stop_ || next_ >= pieces_.size())
                break;
            piece = &pieces_[next_++];
        }
        try {
            if (compressor)
                Compress(*piece, compressor);
            else
                piece->error = ENOMEM;
        } catch (...) {
            // No exception may leave a worker thread (it would end the process): out of memory
            // is reported with the piece like any other failure.
            std::vector<unsigned char>().swap(piece->data);
            piece->error = ENOMEM;
        }
        std::lock_guard lock(mutex_);
        heldBytes_ += piece->data.size();
        piece->done = true;
        changed_.notify_all();
    }
    if (compressor)
        libdeflate_free_compressor(compressor);
}

void DeflatePipeline::Compress(Piece& piece, libdeflate_compressor* compressor)
{
    int fd = arc::OpenLongPath(*paths_[piece.member], O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        piece.error = errno;
        return;
    }
    std::vector<unsigned char> input(static_cast<size_t>(piece.length));
    piece.error = ReadAt(fd, input.data(), piece.length, piece.offset);
    close(fd);
    if (piece.error != 0)
        return;
    piece.crc = libdeflate_crc32(0, input.data(), input.size());
    size_t bound = libdeflate_deflate_compress_bound(compressor, input.size());
    piece.data.resize(bound);
    size_t size = libdeflate_deflate_compress(compressor, input.data(), input.size(),
                                              piece.data.data(), bound);
    if (size == 0) {
        piece.error = EIO;
        std::vector<unsigned char>().swap(piece.data);
        return;
    }
    if (piece.offset == 0 && piece.last && size >= input.size()) {
        piece.data.swap(input);
        piece.stored = true;
        return;
    }
    piece.data.resize(size);
    if (!piece.last && !MakeNonFinal(piece.data)) {
        piece.error = EIO;
        return;
    }
    piece.data.shrink_to_fit();
}

}  // namespace qb::izip
