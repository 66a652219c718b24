// One extracted file, written so that it appears complete or not at all.
//
// The data goes into an unnamed file (O_TMPFILE, mode 0600 while written) in the folder of the
// file's place and is linked under the name only when it is complete and checked; a name there
// already is replaced by a rename from a temporary name (".<name>.XXXXXX.qbtmp"), and a file
// system without unnamed files gets such a temporary file from the start. So a damaged
// member, a full disk or a cancel never leaves a half-written file under a real name, and a
// file that was there stays as it was until the new one replaces it. A symbolic link at the
// place is replaced, never written through. The temporary file is locked (flock) until it is in
// place or removed, so that the leftover of a killed call is told from the file of one at work:
// ExtractPaths removes the unlocked ones from every folder an extraction writes to.
//
// Extracting thousands of small files is bound by the system calls per file, so a file costs
// only what it needs: one open, large writes, mode and times set through the open descriptor,
// link and close. Nothing is synced per file.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>

namespace qb::arc {

// A failure to put a file in place because a folder of that name is there.
constexpr int kFolderInTheWay = -2;

class ExtractFile {
public:
    ExtractFile() = default;
    ~ExtractFile() { Discard(); }
    ExtractFile(const ExtractFile&) = delete;
    ExtractFile& operator=(const ExtractFile&) = delete;

    // Makes the temporary file for hostPath. Returns an ARC_* code.
    int Begin(const std::string& hostPath);

    // Returns 0 or the errno of the failed write.
    int Write(const void* data, std::size_t size);

    // Gives the file its permission bits (nothing: those of the file it replaces, or 0666 less
    // umaskBits for a new one) and its modification time, and puts it in place. Returns an
    // ARC_* code, or kFolderInTheWay; the temporary file is gone after a failure.
    int Commit(std::optional<mode_t> mode, const struct timespec& mtime, mode_t umaskBits);

    // Removes the temporary file. Safe to call more than once.
    void Discard();

private:
    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    bool m_unnamed = false;  // an O_TMPFILE file, not yet linked anywhere
};

// Makes every ExtractFile of the process take the named way from the start, as on a file system
// without unnamed files. For tests, which have no such file system at hand.
void UseNamedTempFilesOnly(bool on);

// The process's umask. Reading it means setting it for a moment: read it once per call, not per
// file.
mode_t ReadUmask();

}  // namespace qb::arc
