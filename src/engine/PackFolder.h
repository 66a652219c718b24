// Packing one folder into one archive, and the checks and names around it. A run calls
// PackFolder once per folder of its target list; the result says whether the run goes on.
#pragma once

#include "engine/Options.h"
#include "engine/PackHost.h"

#include <string>

namespace qb::engine {

// Results of PackFolder and ReportArchiverResult.
inline constexpr int kPacked = 0;      // the archive was made
inline constexpr int kNotPacked = 1;   // this folder failed; the run goes on
inline constexpr int kStopRun = -1;    // disk full, read-only destination, cancel: stop the run

// Packs folder (a full drive path) into outputFolder with mode 0 normal, 1 stored, 2 double,
// after options. Writes its progress and outcome lines to host's history and the
// archive it made to host's created-archive list. The process's current directory is the
// folder's afterwards (as the checks leave it), the archiver having run in the folder or in its
// drive root.
int PackFolder(const std::string& folder, const std::string& outputFolder, int mode,
               const Options& options, PackHost& host);

// True when the folder may be packed: neither the output nor the temporary folder lies inside it
// (a plain, case-blind text prefix when subfolders are included, option SubDir) and it can be
// entered. Shows
// the reason in a message box otherwise. Leaves the current directory at the folder.
bool CheckPackTarget(const std::string& folder, const std::string& outputFolder,
                     const std::string& tempFolder, bool subDir, MessageSink& messages);

// The text after the last backslash; empty when there is none, when it is the first character,
// and for a drive root.
std::string ArchiveBaseName(const std::string& folder);

// Judges an archiver result: 0 packed; the three stop codes write their history line and stop
// the run; anything else (including -1, nothing run, and 32799, busy) fails the folder.
int ReportArchiverResult(int code, PackHost& host);

}  // namespace qb::engine
