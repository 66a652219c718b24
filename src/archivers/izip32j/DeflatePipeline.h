// Compressing the members of a ZIP archive on both cores while the archive is written in order.
//
// libzip writes members one after the other on the calling thread. Deflating is what takes the
// time, and members do not depend on each other, so worker threads deflate the files ahead of
// the writer: each member becomes a raw deflate stream (plus its CRC-32 and sizes), kept in
// memory when small and in an unnamed temporary file when large, and libzip copies it into the
// archive as already-compressed data. The writer takes the members in order with Wait() and
// gives them back with Release(); workers never run more than a few members (and a bounded
// number of bytes in memory) ahead, so memory stays small whatever the sizes of the files.
//
// Data that does not compress still goes in deflated: zlib then emits stored blocks, which cost
// a few bytes per 64 KiB. Choosing "stored" afterwards is not possible, as libzip must know a
// member's method before it writes the first member.
//
// Workers only read files and compress; they never call back into the caller. Failures (a file
// that cannot be read, no space for a temporary file) are kept with the member and reported
// when the writer reaches it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qb::izip {

struct CompressedMember {
    std::string hostPath;
    uint64_t expectedSize = 0;

    // Filled in by a worker.
    bool done = false;
    int error = 0;               // an errno when reading or spilling failed
    uint32_t crc = 0;            // of the uncompressed data
    uint64_t size = 0;           // uncompressed bytes actually read
    uint64_t compressedSize = 0;
    std::vector<unsigned char> memory;  // the deflate stream when it is held in memory
    int spillFd = -1;                   // or an unnamed temporary file holding it

    ~CompressedMember();
};

class DeflatePipeline {
public:
    // level: zlib level 1..9. spillFolder: where large deflate streams are parked.
    DeflatePipeline(int level, std::string spillFolder);
    ~DeflatePipeline();  // stops and joins the workers
    DeflatePipeline(const DeflatePipeline&) = delete;
    DeflatePipeline& operator=(const DeflatePipeline&) = delete;

    // Adds a file to compress; returns its index. All adds come before Start().
    size_t Add(const std::string& hostPath, uint64_t expectedSize);
    void Start();

    // Blocks until member i is compressed. Members must be waited for in index order.
    CompressedMember& Wait(size_t i);

    // The writer is done with member i: its memory and temporary file are freed.
    void Release(size_t i);

    // Makes the workers stop after their current piece of work.
    void Stop();

private:
    void Work();
    void Compress(CompressedMember& m);

    int level_;
    std::string spillFolder_;
    std::vector<std::unique_ptr<CompressedMember>> members_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t next_ = 0;         // next member a worker will take
    size_t released_ = 0;     // members below this index have been released
    uint64_t heldBytes_ = 0;  // bytes of deflate streams held in memory
    bool stop_ = false;
};

}  // namespace qb::izip
