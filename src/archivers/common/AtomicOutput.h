// Writing a file so that it appears complete or not at all.
//
// An archive is built in a temporary file, in the work folder when one was given (-w) or beside
// the target otherwise, and only a finished, synced file is renamed over the target. A failure
// or cancel at any point leaves the old target exactly as it was and no temporary file behind
// (the destructor removes it). When the work folder lies on another file system than the target,
// rename cannot cross over: the finished file is then copied into a second temporary file beside
// the target, synced, and that one is renamed, so the replacement stays atomic where it counts.
//
// The temporary file is named ".<target name>.<random>.qbtmp" so that people recognise it. It is
// made 0600 (the sources may be private) and held under an flock while it lives, so that a call
// that died (killed, power cut) is told from one that runs: a packing call first removes, from
// the folders it is about to write to, the files of that pattern that nobody holds locked, and no
// other file (RemoveDeadTempFilesFor). Extracted files are written the same way (ExtractFile),
// and an extraction removes the dead ones from the folders it writes to (ExtractPaths). The new
// file gets the permission bits of the file it replaces, or 0666 less the umask, only when it is
// put in place.
//
// Results are ARC_* codes: writing errors map through ResultFromErrno (no space -> 32773,
// read-only or not permitted -> 32774).
#pragma once

#include <string>

namespace qb::arc {

class AtomicOutput {
public:
    AtomicOutput() = default;
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Makes the temporary file for `target` (a host path). `workFolder` (host path, may be empty)
    // is where to build; when it is unusable the file is built beside the target. Fails with
    // ARC_ERROR_FOLDER_MISSING when the target's folder does not exist, with 32774 when it may
    // not be written, and ARC_ERROR_TEMP_FILE when no temporary file can be made.
    int Begin(const std::string& target, const std::string& workFolder);

    const std::string& TempPath() const { return tempPath_; }

    // The open descriptor of the temporary file (read and write), -1 after Commit or Discard.
    // A writer may also reopen TempPath() or replace it by rename (libzip does).
    int Fd() const { return fd_; }

    // Syncs the finished temporary file and puts it in place of the target. On failure the target
    // is untouched and every temporary file is gone. Without `sync` the file is not forced to
    // disk first: for callers that write many files and sync the file system once at the end
    // (a sync per file makes extracting thousands of small files take minutes).
    int Commit(bool sync = true);

    // Removes the temporary file; the target stays as it was. Safe to call more than once.
    void Discard();

private:
    int CopyBesideTarget(std::string& besidePath, int& besideFd);

    std::string target_;
    std::string tempPath_;
    int fd_ = -1;
    bool crossDevice_ = false;
};

// Makes ".<base>.XXXXXX.qbtmp" in folder, mode 0600, and locks it (flock) for as long as the
// returned descriptor is open; the path goes to path. Returns the descriptor, or -1 with errno.
// A base too long for the name is cut short in it.
int MakeLockedTemp(const std::string& folder, const std::string& base, std::string& path);

// Gives the unnamed file open at fd (made with O_TMPFILE) a name of the same pattern in folder;
// the caller locks fd first, so that a cleaning call never finds the name unlocked. The path
// goes to path. Returns 0 or the errno.
int LinkLockedTemp(int fd, const std::string& folder, const std::string& base, std::string& path);

// Removes from folder the temporary files of our pattern that no living call holds locked, and
// that belong to this user. Returns how many went.
size_t RemoveDeadTempFiles(const std::string& folder);

// The same for the folders a new target is written to: beside the target and the work folder.
void RemoveDeadTempFilesFor(const std::string& target, const std::string& workFolder);

// Writes all of data to fd, retrying short writes and EINTR. Returns 0 or the errno.
int WriteAll(int fd, const void* data, size_t size);

// Reads size bytes at offset, retrying short reads and EINTR; fewer only where the file ends.
// Returns the count, or -1 with errno set.
ssize_t ReadFullAt(int fd, void* data, size_t size, uint64_t offset);

}  // namespace qb::arc
