// What reading the command line or a job file could not take: each folder it named that never
// reached the target list, with the reason, and an output folder that is not there. The run that
// follows puts these lines at the top of its history and counts the folders in its closing line,
// so that nothing named vanishes without a word.
#pragma once

#include "engine/TargetList.h"

#include <string>
#include <vector>

namespace qb::engine {

class StartReport {
public:
    struct Entry {
        std::string path;  // the folder as it was named
        PathOutcome why = PathOutcome::Listed;  // Listed: a folder not left out (yet)
        // For a job file's output folder that is not there (path): the folder used instead.
        bool outputFolder = false;
        std::string usedFolder;
    };

    void Clear() { m_entries.clear(); }
    bool Empty() const;

    // A folder named and what became of it. Listed folders are only remembered, in their place,
    // until Drop turns them into left-out ones or DropListed forgets them.
    void AddFolder(const std::string& path, PathOutcome why);
    // Every folder remembered as Listed that list no longer holds is left out after all, for
    // why (the list was emptied or replaced).
    void Drop(PathOutcome why, const TargetList& list);
    void DropListed();

    // The output folder a job file names does not exist; used is the folder the run uses.
    void AddOutputFolderMissing(const std::string& named, const std::string& used);
    // The run was given an output folder of its own: the job's no longer matters.
    void ForgetOutputFolder();

    // The entries that say something (folders left out and missing output folders), in order.
    std::vector<Entry> Entries() const;
    int FoldersLeftOut() const;

    // The history lines: per folder its header, "　圧縮しません" and the reason; a missing
    // output folder in one line.
    std::vector<std::string> HistoryLines() const;

private:
    std::vector<Entry> m_entries;
};

// The history's words for why a folder was left out ("" for Listed and Empty).
std::string LeftOutReason(PathOutcome why);

}  // namespace qb::engine
