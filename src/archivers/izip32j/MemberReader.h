// Reading the data of ZIP members with every check: the CRC, and the length the member declares
// (data cut short or padded is not what was packed).
//
// A deflated member of up to kWholeMember bytes is read raw in one piece and inflated by
// libdeflate in one call, which takes a fraction of zlib's time; larger members, stored ones and
// anything unusual stream through libzip in pieces, so memory stays bounded for any member.
#pragma once

#include "ModuleCall.h"
#include "archiver_api.h"

#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct libdeflate_decompressor;

namespace qb::izip {

constexpr uint64_t kWholeMember = 8u << 20;

// Where progress goes while members are read. Reports come from the calling thread only.
struct ReadProgress {
    ArchiverProgressProc proc = nullptr;
    void* user = nullptr;
    uint64_t done = 0;
    uint64_t total = 0;

    // False when the caller asked to cancel.
    bool Report(const char* member) { return !proc || proc(member, done, total, user) != 0; }
};

// The outcome of checking a member's data: a result code, and the lines for the output (a
// message, and the reason word of a "failed" line when there is one).
struct CheckedData {
    int result = 0;
    std::string line;
    const char* failed = nullptr;

    void WriteTo(arc::OutputText& out, const std::string& name) const;
};

// Inflates the packed bytes of a member into out (room for exactly size bytes) and checks the
// length and the CRC. Needs nothing of libzip, so worker threads may call it.
CheckedData InflateWhole(libdeflate_decompressor* decompressor, const std::string& name,
                         const char* packed, size_t packedSize, char* out, size_t size,
                         uint32_t crc);

class MemberReader {
public:
    MemberReader(zip_t* archive, ReadProgress& progress, arc::OutputText& out);
    ~MemberReader();
    MemberReader(const MemberReader&) = delete;
    MemberReader& operator=(const MemberReader&) = delete;

    // Hands the member's data to sink piece by piece (sink returns an ARC code) and reports
    // progress after each piece. Returns ARC_OK only when all of it was read and checked;
    // ARC_ERROR_CHECKSUM, ARC_ERROR_BAD_ARCHIVE, ARC_ERROR_UNSUPPORTED (with a line in the
    // output), ARC_ERROR_USER_CANCEL or the sink's failure otherwise.
    using Sink = std::function<int(const char* data, size_t size)>;
    int Read(zip_uint64_t index, const std::string& name, const Sink& sink);

    // True when the member (of the status st) is read in one piece and inflated in one call.
    static bool IsWhole(const zip_stat_t& st);
    // Reads the packed bytes of such a member into packed (st.comp_size bytes). Returns ARC_OK
    // or the failure (with its line in the output).
    int ReadPacked(zip_uint64_t index, const std::string& name, const zip_stat_t& st, char* packed);

private:
    int ReadWhole(zip_uint64_t index, const std::string& name, const zip_stat_t& st,
                  const Sink& sink);
    int ReadStream(zip_uint64_t index, const std::string& name, const zip_stat_t& st,
                   const Sink& sink);
    int OpenFailure(const std::string& name);
    int SizeMismatch(const std::string& name, uint64_t got, uint64_t declared);
    char* Buffer(std::unique_ptr<char[]>& buffer, size_t& capacity, size_t size);

    zip_t* archive_;
    ReadProgress& progress_;
    arc::OutputText& out_;
    libdeflate_decompressor* decompressor_ = nullptr;
    std::unique_ptr<char[]> in_, data_;  // reused from member to member
    size_t inCapacity_ = 0, dataCapacity_ = 0;
};

}  // namespace qb::izip
