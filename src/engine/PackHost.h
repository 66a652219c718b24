// The few things the engine needs from whoever shows its work: a message box, a Yes/No question,
// the execution history, the list of archives made, and a progress report during an archiver
// call. The main window implements them with its panes; the silent run with standard output and
// standard error; tests with recorders. Everything is called on the one user-interface thread.
#pragma once

#include <cstdint>
#include <string>

namespace qb::engine {

// Message boxes and questions. Texts are UTF-8.
class MessageSink {
public:
    virtual ~MessageSink() = default;

    // A plain message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;

    // A Yes/No question; true only on Yes. Asking nobody counts as No.
    virtual bool AskYesNo(const std::string& text)
    {
        (void)text;
        return false;
    }
};

// Progress of one archiver call, reported between pieces of work.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    // member: the member being worked on (UTF-8); done/total: bytes of the whole call.
    // Returning false cancels the call; the archiver then ends with its cancel code (32800).
    virtual bool Progress(const std::string& member, std::uint64_t done, std::uint64_t total)
    {
        (void)member;
        (void)done;
        (void)total;
        return true;
    }
};

// Everything the packing run reports to.
class PackHost : public MessageSink, public ProgressSink {
public:
    // Appends one line to the execution history and shows it at once (the history pane).
    virtual void HistoryAdd(const std::string& line) = 0;

    // Adds the full drive path of an archive the run made (the archive list pane).
    virtual void CreatedArchiveAdd(const std::string& path) = 0;
};

}  // namespace qb::engine
