// What every module entry point needs around the real work: the running flag, the progress
// procedure registered for that module, and the output buffer for people.
//
// Each module keeps one static ModuleState. An entry point opens a CallScope on it; the scope
// refuses a second call while one runs (ARC_ERROR_BUSY), so GetRunning is non-zero for the whole
// call, including while the progress procedure runs, and drops back to 0 however the call ends.
// Progress reports go only to the thread that made the call; workers must hand their news to it.
#pragma once

#include "archiver_api.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

namespace qb::arc {

class ModuleState {
public:
    int Running() const { return running_.load(); }

    void SetProgress(ArchiverProgressProc proc, void* user);

    // Reports progress to the registered procedure. Returns false when it asked to cancel.
    // Without a procedure it always returns true.
    bool Report(std::string_view member, unsigned long long done, unsigned long long total);

private:
    friend class CallScope;
    std::atomic<int> running_{0};
    std::mutex mutex_;  // guards the pair below against a SetProgress from another thread
    ArchiverProgressProc proc_ = nullptr;
    void* user_ = nullptr;
};

// Marks a module as running for the lifetime of the object.
class CallScope {
public:
    explicit CallScope(ModuleState& state);
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

    // False when another call of the same module was already running; the entry point then
    // returns ARC_ERROR_BUSY without doing anything.
    bool Acquired() const { return acquired_; }

private:
    ModuleState& state_;
    bool acquired_;
};

// Collects the text for the caller's output buffer and writes it NUL-terminated, cut to the
// buffer's size on a UTF-8 character boundary. A null buffer or size 0 receives nothing.
class OutputText {
public:
    OutputText(char* buffer, unsigned long size) : buffer_(buffer), size_(size) { }
    ~OutputText() { Flush(); }

    void Append(std::string_view text);
    void Line(std::string_view text);

    // The lines of fixed shape that callers read (archiver_output.h). member is the stored name
    // as bytes; it is escaped here.
    void Skipped(std::string_view reason, std::string_view member);
    void NotUpdated(std::string_view reason, std::string_view member);
    void RawName(std::string_view member);
    void LargeMember(std::string_view member);
    void Failed(std::string_view reason, std::string_view name);
    // True after a Skipped or NotUpdated: the archive does not hold everything as it is now.
    bool AnySkipped() const { return skippedCount_ > 0; }
    const std::string& Text() const { return text_; }

    // Writes what has been collected so far into the buffer (also done on destruction).
    void Flush();

private:
    // Once the text holds more than the buffer can show, the rest is only counted: a listing of
    // 100,000 members must not grow in memory for lines nobody will see.
    bool Full() const { return buffer_ && text_.size() >= size_; }

    char* buffer_;
    unsigned long size_;
    std::string text_;
    std::size_t skippedCount_ = 0;
    std::size_t linesNotKept_ = 0;  // newlines of the text not kept
    bool endsOpen_ = false;  // the whole text, kept or not, ends without a newline
};

// Copies text into buffer[0..size) NUL-terminated. Text that does not fit is cut after its last
// whole line that leaves room for an "output-cut <n>" line counting the lines dropped, so a
// caller never reads half a name; a buffer too small even for that gets what fits, never a split
// UTF-8 sequence. linesNotKept counts lines that followed text but were not kept (endsOpen: the
// last of them had no newline).
void WriteOutputBuffer(std::string_view text, char* buffer, unsigned long size,
                       std::size_t linesNotKept = 0, bool endsOpen = false);

// A name as output lines show it: bytes that are not valid UTF-8, control bytes and backslashes
// become \xNN, so the line stays one line and a reader can get the bytes back.
std::string EscapedName(std::string_view name);

}  // namespace qb::arc
