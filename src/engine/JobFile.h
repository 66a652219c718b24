// Job files (.QBJ): the source-holding folder, the output folder and the target list of one
// packing job, one item a line.
//
//   Quillbox2 QBJ FILE
//   INDIR=C:\Data
//   OUTDIR=D:\Archive
//   C:\Data\abc
//   ...
//
// Files are written in UTF-8 without a byte-order mark, CR LF after every line. Reading accepts
// UTF-8 and falls back to CP932 (Shift_JIS) when the bytes are not valid UTF-8, so job files made
// on Windows open too. Lines are read as comma-separated items (a comma ends an item, leading
// blanks are skipped, an item beginning with a double quote runs to the next one), and a file
// without the header line is the older format: output folder, then the targets.
#pragma once

#include "engine/PackHost.h"
#include "engine/StartReport.h"
#include "engine/TargetList.h"

#include <optional>
#include <string>
#include <vector>

namespace qb::engine {

// The pane side of a job: the two folder panes and the target list.
class JobPanes {
public:
    virtual ~JobPanes() = default;
    virtual std::string SourceFolder() = 0;  // SourceFolderPane.Folder
    virtual void SetSourceFolder(const std::string& dir) = 0;
    virtual std::string OutputFolder() = 0;  // OutputFolderPane.Folder
    virtual void SetOutputFolder(const std::string& dir) = 0;
    virtual TargetList& Targets() = 0;  // TargetListPane.targetList
};

inline constexpr const char* kJobFileHeader = "Quillbox2 QBJ FILE";

// Reads the items of a job file's text (already UTF-8) in order, as the comma reader sees them.
std::vector<std::string> SplitJobItems(const std::string& text);

// Where the targets begin among a job file's items: after INDIR= and OUTDIR= in the current
// format, after the output folder in the older one. nullopt when the items are not a job.
std::optional<std::size_t> JobTargetsStart(const std::vector<std::string>& items);

// Reads a whole file and turns it into UTF-8 (CP932 when it is not UTF-8). nullopt when the
// file cannot be read or the bytes are neither.
std::optional<std::string> ReadJobText(const std::string& path);

// Opens the job file path into the panes: sets the folders, replaces the target list (adding
// through AddOutsidePath, stopping when the list is full). Shows message 202 when the file
// cannot be read, is empty, or lacks the INDIR=/OUTDIR= lines. True when the job was loaded.
// report, when given, learns each folder the list did not take (those past a full list too)
// and an output folder that is not there, with the folder the pane shows instead.
bool LoadJobFile(const std::string& path, JobPanes& panes, MessageSink& messages,
                 StartReport* report = nullptr);

// The text WriteJobFile writes.
std::string FormatJobFile(const std::string& inDir, const std::string& outDir,
                          const std::vector<std::string>& targets);

// Writes the job of the panes to path. Asks message 200 before replacing an existing file (only
// Yes writes). The file is written in full beside its final place and then renamed over it, so
// a failed save (message 201) never leaves a cut-off job file. True when written.
bool WriteJobFile(const std::string& path, JobPanes& panes, MessageSink& messages);

}  // namespace qb::engine
