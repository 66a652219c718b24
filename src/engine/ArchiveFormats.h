// One row per archive format: everything the packing code needs to make an archive of it (its
// suffix, the modules that write and read it, the history lines of each step, the command
// builders), so that packing says "the format's" instead of choosing between LZH and ZIP at
// every step. A new format is a new row here and its command builders in ArchiverCommands.
#pragma once

#include "common/ProgramMessages.h"
#include "engine/ArchiverCommands.h"
#include "engine/Archivers.h"
#include "engine/Options.h"
#include "engine/PackChoices.h"

#include <string>

namespace qb::engine {

struct ArchiveFormatInfo {
    ArchiveFormat format;
    const char* suffix;  // ".LZH", upper case like every archive name the program makes
    ArchiverKind packer;  // the module that writes the format
    ArchiverKind extractor;  // the module that takes a member out (to update a double archive)
    bool ArchiverModules::*available;  // the flag start-up sets when the format can be written

    // History lines before each step, and the message when the packer is busy.
    ProgramText packingLine;
    ProgramText storingLine;
    ProgramText firstStageLine;
    ProgramText secondStageLine;
    ProgramText busyMessage;

    // Normal and stored packing of folder into archive.
    std::string (*packCommand)(const Options& o, RunMode mode, const std::string& archive,
                               const std::string& folder);
    // Double compression: the stored archive of the first stage, the final archive of the
    // second, and the extraction of the stored archive from an existing final archive.
    std::string (*firstStageCommand)(const Options& o, const DoubleNames& n,
                                     const std::string& folder);
    std::string (*secondStageCommand)(const Options& o, const DoubleNames& n);
    std::string (*extractCommand)(const Options& o, const DoubleNames& n);
};

const ArchiveFormatInfo& FormatInfo(ArchiveFormat format);

// True when start-up found the format's modules.
bool FormatAvailable(const ArchiveFormatInfo& info);

// Names of double compression after pattern: baseName with the first stage's suffix, that
// file in the temporary folder, and in outputFolder with the second stage's suffix added.
DoubleNames MakeDoubleNames(const Options& o, const std::string& baseName,
                            const std::string& outputFolder, DoublePattern pattern);

}  // namespace qb::engine
