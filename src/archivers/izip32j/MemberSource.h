// The libzip data sources through which new members reach the archive.
//
// Two kinds: a member deflated by the pipeline (the source says it is deflate data, so libzip
// copies the stream as it is, piece by piece as the workers finish, and asks for CRC and size
// after the last piece, when they are known), and a file stored as it is (level 0 and empty
// files; libzip computes the CRC while copying). Both are read on the calling
// thread inside zip_close, which is where progress is reported and a cancel takes effect: a
// source that is told to stop fails its read, and libzip then abandons the whole archive.
#pragma once

#include "DeflatePipeline.h"
#include "FileCollector.h"
#include "archiver_api.h"

#include <zip.h>

#include <cstdint>
#include <ctime>
#include <string>

namespace qb::izip {

// Shared by all sources of one call: where progress goes and why the call stopped.
struct WriteProgress {
    ArchiverProgressProc proc = nullptr;
    void* user = nullptr;
    uint64_t done = 0;
    uint64_t total = 0;
    bool cancelled = false;
    int failure = 0;      // ARC_ERROR_* of the first failure seen by a source
    std::string message;  // and what it was
    std::string member;  // the member whose source failed, when one did

    // Tells the caller; false when the caller asked to cancel (remembered in `cancelled`).
    bool Report(const std::string& member);
    void Fail(int result, std::string text);
};

struct MemberSourceState {
    WriteProgress* progress = nullptr;
    const arc::SourceEntry* entry = nullptr;  // name, path and time (outlives the archive handle)
    uint64_t expectedSize = 0;
    DeflatePipeline* pipeline = nullptr;  // null: the file is stored as it is
    size_t index = 0;                     // member number in the pipeline

    // While libzip reads.
    int fd = -1;                 // a stored file
    uint64_t position = 0;       // bytes of the stored file read
    uint64_t reportedAt = 0;     // position of the last report
    size_t piece = 0;            // next piece of a deflated member
    size_t pieceEnd = 0;         // one past its last piece
    size_t pieceOffset = 0;      // bytes of the current piece already handed to libzip
    uint32_t crc = 0;            // CRC-32 of the pieces taken so far
    uint64_t size = 0;           // and their file bytes
    bool complete = false;       // every piece taken: crc and size are final
    zip_error_t error{};

    MemberSourceState() { zip_error_init(&error); }
    ~MemberSourceState();
    MemberSourceState(const MemberSourceState&) = delete;
    MemberSourceState& operator=(const MemberSourceState&) = delete;
};

// A libzip source reading through state (which must outlive the archive handle).
zip_source_t* MakeMemberSource(zip_t* archive, MemberSourceState* state);

}  // namespace qb::izip
