// The target list: the folders the next run packs, in order, each with where it stands in a run.
// The window shows it through the target list pane, which watches it; the silent run and the
// tests use it as it is. The adding rules (no duplicates, at most 1000 folders, outside paths
// normalised first) live here once for all of them.
#pragma once

#include "engine/PackHost.h"

#include <string>
#include <vector>

namespace qb::engine {

// Where a folder of the list stands. Between runs every folder is Listed; a run marks them all
// Pending, moves each through Packing to Packed or Failed, and at its end drops the Packed ones
// and puts the rest back to Listed.
enum class TargetState {
    Listed,  // no run is going on
    Pending,  // waits for its turn in the run (or was never reached)
    Packing,  // the run is at this folder now
    Packed,  // became an archive; leaves the list when the run ends
    Failed,  // did not become an archive; stays on the list
};

// Told of every change of a TargetList, right after it is made, so that a view can follow it
// item by item. Indexes are those of the list as it stands after the change.
class TargetListWatcher {
public:
    virtual ~TargetListWatcher() = default;
    // A folder was appended; it is at index (the last).
    virtual void TargetAdded(int index) = 0;
    // The folder at index left; those after it moved up by one.
    virtual void TargetRemoved(int index) = 0;
    virtual void TargetsCleared() = 0;
    virtual void TargetStateChanged(int index) = 0;
};

class TargetList {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    // The folder at index (from 0); std::out_of_range beyond the list.
    const std::string& Item(int index) const { return at(index).path; }
    TargetState State(int index) const { return at(index).state; }
    // Every folder, in order.
    std::vector<std::string> Items() const;

    // Appends a folder as it is, Listed. The rules of the list are AddTarget's.
    void Append(const std::string& path);
    void RemoveAt(int index);
    void Clear();

    // The states of a run: BeginRun marks every folder Pending; SetState moves one; EndRun
    // removes the Packed folders (first to last) and returns every other one to Listed.
    void BeginRun();
    void SetState(int index, TargetState state);
    void EndRun();

    // The one watcher (null for none). It must outlive the list or be taken off first.
    void SetWatcher(TargetListWatcher* watcher) { m_watcher = watcher; }

private:
    struct Target {
        std::string path;
        TargetState state = TargetState::Listed;
    };
    const Target& at(int index) const { return m_items.at(static_cast<std::size_t>(index)); }

    std::vector<Target> m_items;
    TargetListWatcher* m_watcher = nullptr;
};

// The most folders one run takes.
inline constexpr int kMaxTargets = 1000;

// Adds name unless an item equals it exactly (case-sensitive): true. With the list full, shows
// message 3100 and returns false, so that callers stop adding.
bool AddTarget(TargetList& list, const std::string& name, MessageSink& messages);

// What became of a path named from outside: listed, or why not. The last three only the command
// line gives (ParseCommandLine), for folders it names but never lists.
enum class PathOutcome {
    Listed,  // added, or listed already
    Empty,  // nothing was named
    Relative,  // neither a drive path nor a host path beginning with '/'
    OutsideDrives,  // a host path that no drive covers
    Missing,  // nothing of that name
    NotFolder,  // a file (or another non-folder) of that name
    ListFull,  // the list held 1000 folders already
    Failed,  // something unexpected
    WithJobFile,  // named beside a job file, which replaces the list and ends the command line
    QuoteNotClosed,  // inside a double quote that is never closed
};

// Adds a path that came from outside (command line, job file, drop): turned into its on-disk
// form first; an empty path, a path that does not exist, is not a drive path or names a file is
// skipped (true). False only when AddTarget refused. outcome, when given, says which it was.
bool AddOutsidePath(TargetList& list, const std::string& path, MessageSink& messages,
                    PathOutcome* outcome = nullptr);

}  // namespace qb::engine
