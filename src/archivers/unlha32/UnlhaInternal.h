// Pieces shared by the commands of UNLHA32.DLL: the call context (output text and progress) and
// small helpers for opening archives and matching member names.
#pragma once

#include "ModuleCall.h"
#include "UnlhaCommand.h"
#include "lzh_reader.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace unlha {

// One call of Unlha: where messages go and where progress is reported. Progress reports are
// throttled so that a fast loop does not spend its time in the caller's procedure.
class Call {
public:
    Call(qb::arc::ModuleState& state, qb::arc::OutputText& out) : m_state(state), m_out(out) { }
    qb::arc::OutputText& Out() { return m_out; }

    // Reports progress; false when the caller asked to cancel. force skips the throttle.
    bool Progress(const std::string& member, std::uint64_t done, std::uint64_t total,
                  bool force = false);

private:
    qb::arc::ModuleState& m_state;
    qb::arc::OutputText& m_out;
    std::chrono::steady_clock::time_point m_last{};
};

// Opens an archive for reading. Returns 0, ARC_ERROR_ARCHIVE_MISSING or ARC_ERROR_READ_SOURCE.
int OpenArchive(const std::string& hostPath, std::unique_ptr<lzh::FileSource>& source,
                std::string& message);

// An archive opened and walked to its end (or to the first damaged header).
struct LoadedArchive {
    std::unique_ptr<lzh::FileSource> source;
    std::vector<lzh::MemberHeader> members;  // the members before any damage
    bool complete = false;  // false: not an archive, or a damaged header ended the walk
    std::string error;  // why, when not complete
    std::uint64_t start = 0;  // where the members begin: beyond the program of a self-extractor
};

// The archive as it is, for a command about to replace it: 0, or the failure (written to the
// output) when it cannot be rewritten without loss - not an archive, damaged, or a
// self-extracting archive, whose program would not survive the rewrite.
int CheckRewritable(const LoadedArchive& archive, const std::string& archiveArgument, Call& call);

// Opens and walks an archive. Returns 0 (check `complete`) or the failure to open it, which is
// also written to the output.
int LoadArchive(const std::string& hostPath, Call& call, LoadedArchive& archive);
// The same, with the failure to open left in `message`: for a thread that must not write to the
// output.
int LoadArchiveQuietly(const std::string& hostPath, LoadedArchive& archive, std::string& message);

// True when patterns is empty or one of them names the member. A pattern with a folder part is
// matched against the whole path, a bare one against the last component or the whole path.
bool MatchesAny(const std::vector<std::string>& patterns, const lzh::MemberHeader& member);

// The member's path as listings show it, with a trailing '/' for folders.
std::string DisplayPath(const lzh::MemberHeader& member);

// Reads a newly written archive back: every header, every member decoded against its CRC, and
// the number of members. Returns 0, ARC_ERROR_TEST_FAILED (with a "failed test-failed" line) or
// ARC_ERROR_USER_CANCEL.
int TestArchiveFile(const std::string& hostPath, Call& call, std::size_t expectedMembers);

int RunList(const UnlhaCommand& cmd, Call& call);
int RunTest(const UnlhaCommand& cmd, Call& call);
int RunExtract(const UnlhaCommand& cmd, Call& call);
int RunPack(const UnlhaCommand& cmd, Call& call);
int RunDelete(const UnlhaCommand& cmd, Call& call);

}  // namespace unlha

namespace unlha {

class ArchiveWriter;

// Copies a member of an existing archive unchanged (header and packed data, byte for byte).
// Returns 0, ARC_ERROR_READ_SOURCE / ARC_ERROR_BAD_ARCHIVE for the old archive, or 0 with the
// failure left in out.Error() for the new one.
// buffer is reused from call to call.
int CopyRawMember(lzh::ByteSource& source, const lzh::MemberHeader& member, ArchiveWriter& out,
                  std::vector<std::uint8_t>& buffer);

// Turns a failed ArchiveWriter's errno into a result (no space, read-only, other).
int WriteFailure(const ArchiveWriter& out);

}  // namespace unlha
