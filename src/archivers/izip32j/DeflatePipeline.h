// Compressing the members of a ZIP archive on all cores while the archive is written in order.
//
// The writer writes members one after the other on the calling thread. Deflating is what takes the
// time, and pieces of data do not depend on each other, so worker threads deflate ahead of the
// writer. Each file is cut into pieces of at most kPieceSize bytes; a worker reads one piece and
// compresses it whole with libdeflate (faster than zlib and a little smaller at the same level).
// The pieces of one file are joined into one deflate stream (see DeflateJoin.h), so a big file
// is compressed on all cores too. The writer takes pieces in order with WaitPiece() and gives
// each back with ReleasePiece(); workers never run more than a few pieces, and a bounded number
// of compressed bytes, ahead of it, so memory stays small whatever the sizes of the files.
//
// A file that deflating would make larger is stored instead, as other zip programs do. For a
// file of one piece the worker keeps the plain bytes when they are not larger than the deflated
// ones (`stored`), and the writer, which waits for that piece before it writes the member's
// header, stores them. A file of several pieces is known to be incompressible only once all of
// them are written: the writer then takes the member back and stores it (see ZipWriter).
//
// Workers only read files and compress; they never call back into the caller. A failure (a file
// that cannot be read or that shrank) is kept with the piece and reported when the writer
// reaches it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct libdeflate_compressor;

namespace qb::izip {

// Small enough that eight workers, each holding a piece and its output, stay within a few tens
// of MB; a cut costs only the matches that would have reached back across it.
constexpr uint64_t kPieceSize = 1u << 20;

struct Piece {
    size_t member = 0;
    uint64_t offset = 0;
    uint64_t length = 0;
    bool last = false;  // the last piece of its file: its stream ends the member's stream

    bool done = false;
    int error = 0;  // errno; ENODATA when the file was shorter than it was
    uint32_t crc = 0;
    bool stored = false;  // a file's only piece, kept as it is: deflating did not make it smaller
    std::vector<unsigned char> data;  // deflate stream (not final unless `last`), or the bytes
};

// The libdeflate level for a zip level. Up to 6 the same; above it libdeflate's levels 8 and 9
// spend twice the time of 7 for a quarter of a percent, while 7 already packs smaller than
// zip's own -9, so -7, -8 and -9 all use 7.
int LibdeflateLevel(int zipLevel);

class DeflatePipeline {
public:
    // level: 1..12 as libdeflate counts (1..9 as zlib, more is slower and smaller).
    explicit DeflatePipeline(int level);
    ~DeflatePipeline();  // stops and joins the workers
    DeflatePipeline(const DeflatePipeline&) = delete;
    DeflatePipeline& operator=(const DeflatePipeline&) = delete;

    // Makes room for that many members and pieces, so that a list of 100,000 files is not
    // copied as it grows.
    void Reserve(size_t members, size_t pieces);
    // The number of pieces a file of that size is cut into.
    static size_t PiecesOf(uint64_t size);
    // Adds a file of the given size; returns its member number. All adds come before Start().
    // hostPath must stay valid while the pipeline lives.
    size_t Add(const std::string& hostPath, uint64_t size);
    void Start();

    // The pieces of a member, by their numbers in order.
    size_t FirstPiece(size_t member) const { return firstPiece_[member]; }
    size_t PieceCount(size_t member) const { return firstPiece_[member + 1] - firstPiece_[member]; }

    // Blocks until piece i is compressed. Pieces must be taken in order.
    Piece& WaitPiece(size_t i);

    // The writer is done with piece i: its memory is freed and the workers may go on.
    void ReleasePiece(size_t i);

    // Makes the workers stop after their current piece.
    void Stop();

private:
    void Work();
    void Compress(Piece& piece, ::libdeflate_compressor* compressor);

    int level_;
    std::vector<const std::string*> paths_;
    std::vector<size_t> firstPiece_{0};
    std::vector<Piece> pieces_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t next_ = 0;  // next piece a worker will take
    size_t released_ = 0;  // pieces below this have been released
    uint64_t heldBytes_ = 0;  // compressed bytes waiting for the writer
    bool stop_ = false;
};

}  // namespace qb::izip
