// Reading the data of ZIP members with every check: the CRC, and the length the member declares
// (data cut short or padded is not what was packed).
//
// The archive's structure comes from our own directory reader (ZipDirectory.h). Stored,
// deflated and Deflate64 members are read by us: a deflated member of up to kWholeMember bytes
// is read raw in one piece and inflated by libdeflate in one call, which takes a fraction of
// zlib's time; larger ones stream through zlib, Deflate64 through our own decoder (Inflate64.h),
// so memory stays bounded for any member. The rarer methods (bzip2, LZMA, XZ) are read through
// libzip, opened only when such a member is met.
#pragma once

#include "ModuleCall.h"
#include "ZipDirectory.h"
#include "ZipHandle.h"
#include "archiver_api.h"

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
// length and the CRC. Needs nothing but libdeflate, so worker threads may call it.
CheckedData InflateWhole(libdeflate_decompressor* decompressor, const std::string& name,
                         const char* packed, size_t packedSize, char* out, size_t size,
                         uint32_t crc);

// What a member's local header tells: where its data starts, and the times of its own extra
// fields (some tools keep them only there).
struct LocalFields {
    uint64_t data = 0;
    uint64_t fileTime = 0;
    int64_t unixTime = -1;
};

class MemberReader {
public:
    // path: the archive's host path, for the rarer methods read through libzip.
    MemberReader(const ZipDirectory& directory, std::string path, ReadProgress& progress,
                 arc::OutputText& out);
    ~MemberReader();
    MemberReader(const MemberReader&) = delete;
    MemberReader& operator=(const MemberReader&) = delete;

    // Checks the local header of member i (strict: also that it agrees with the directory in
    // name, method, and CRC and sizes where it holds them, as an update needs before it copies
    // the member). Returns ARC_OK, or the failure with its line in the output.
    int Locate(size_t i, const std::string& name, LocalFields& local, bool strict = false);

    // Hands the member's data to sink piece by piece (sink returns an ARC code) and reports
    // progress after each piece. Returns ARC_OK only when all of it was read and checked;
    // ARC_ERROR_CHECKSUM, ARC_ERROR_BAD_ARCHIVE, ARC_ERROR_UNSUPPORTED (with a line in the
    // output), ARC_ERROR_USER_CANCEL or the sink's failure otherwise. local receives what the
    // local header tells.
    using Sink = std::function<int(const char* data, size_t size)>;
    int Read(size_t i, const std::string& name, const Sink& sink, LocalFields* local = nullptr,
             bool strict = false);

    // True when the member is read in one piece and inflated in one call.
    static bool IsWhole(const OldMember& m);
    // Reads the packed bytes of a located member into packed (its compressed size).
    int ReadPacked(const OldMember& m, const std::string& name, const LocalFields& local,
                   char* packed);

private:
    int ReadWhole(const OldMember& m, const std::string& name, const LocalFields& local,
                  const Sink& sink);
    int ReadStored(const OldMember& m, const std::string& name, const LocalFields& local,
                   const Sink& sink);
    int ReadInflated(const OldMember& m, const std::string& name, const LocalFields& local,
                     const Sink& sink);
    int ReadDeflate64(const OldMember& m, const std::string& name, const LocalFields& local,
                      const Sink& sink);
    int ReadThroughLibzip(size_t i, const OldMember& m, const std::string& name,
                          const Sink& sink);
    int Damaged(const std::string& name, const std::string& why);
    int SizeMismatch(const std::string& name, uint64_t got, uint64_t declared);
    char* Buffer(std::unique_ptr<char[]>& buffer, size_t& capacity, size_t size);

    const ZipDirectory& directory_;
    std::string path_;
    ReadProgress& progress_;
    arc::OutputText& out_;
    libdeflate_decompressor* decompressor_ = nullptr;
    std::unique_ptr<char[]> in_, data_;  // reused from member to member
    size_t inCapacity_ = 0, dataCapacity_ = 0;
    ZipHandle libzip_;  // opened when the first member of a rarer method is read
    bool libzipTried_ = false;
};

}  // namespace qb::izip
