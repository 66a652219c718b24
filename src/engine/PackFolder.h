// Packing one folder into one archive, and the checks and names around it. A run calls
// PackFolder once per folder of its target list; the result says whether the run goes on.
//
// PackFolder works in two steps: it plans the folder (the checks, the archive names, the clash
// with archives the run already claimed, the command lines) and then carries the plan out (the
// module calls and the history lines that report them). The archive formats' table
// (ArchiveFormats.h) supplies everything that differs between LZH and ZIP.
#pragma once

#include "engine/Options.h"
#include "engine/PackChoices.h"
#include "engine/PackHost.h"
#include "engine/RunState.h"

#include <string>

namespace qb::engine {

// How a folder ended, as PackFolder and ReportArchiverResult say it.
enum class FolderOutcome {
    Packed,  // the archive was made
    NotPacked,  // this folder failed; the run goes on
    StopRun,  // disk full, read-only destination, cancel: stop the run
};

// Packs folder (a full drive path) into outputFolder in mode (normal, stored or double), after
// options; a mode beyond the three packs nothing and the history says so. Writes its progress and outcome lines to host's history and the
// archive it made to host's created-archive list. The process's current directory is the
// folder's afterwards (as the checks leave it), the archiver having run in the folder or in its
// drive root.
//
// run holds what the run keeps between its folders (the archives claimed so far, its private
// folder in TmpDir); without one the folder is a run of its own. A folder whose archive (first
// stage or final) is a file an earlier folder of the run claimed fails before any call. After a
// failure line one history line says why; every file a module left out is named.
FolderOutcome PackFolder(const std::string& folder, const std::string& outputFolder, RunMode mode,
                         const Options& options, PackHost& host, RunState* run = nullptr);

// True when the folder may be packed: neither the output nor the temporary folder lies inside it
// (a plain, case-blind text prefix when subfolders are included, option SubDir) and it can be
// entered. Shows the reason in a message box otherwise (a folder that is not there is named in
// it). Leaves the current directory at the folder.
bool CheckPackTarget(const std::string& folder, const std::string& outputFolder,
                     const std::string& tempFolder, bool subDir, MessageSink& messages);

// The text after the last backslash; empty when there is none, when it is the first character,
// and for a drive root.
std::string ArchiveBaseName(const std::string& folder);

// Judges an archiver result: 0 packed; the three stop codes write their history line and stop
// the run; anything else (including -1, nothing run, and 32799, busy) fails the folder.
FolderOutcome ReportArchiverResult(int code, PackHost& host);

}  // namespace qb::engine
