// The command lines handed to the archiver modules. Every line is assembled from a few blocks
// (prefix, switch set, work folder, exclusions, file specification, archive names) with exact
// spacing: the modules and the people who read their logs rely on the texts, double spaces
// included. All functions here are pure: options and paths in, text out.
#pragma once

#include "engine/Options.h"
#include "engine/PackChoices.h"

#include <string>

namespace qb::engine {

// Blocks.
std::string WorkSwitch(const Options& o);  // "-w" + TmpDir as stored
std::string LzhExclusions();  // the three -jx switches
std::string FileSpec(const Options& o, const std::string& folder);  // "*.*", ...
std::string LzhSwitchSet(const Options& o);  // Lzh_Option + " -xr " etc.
std::string ZipSwitchSet(const Options& o);  // "" + " -r " etc.
std::string WithBackslash(const std::string& folder);  // adds a trailing '\' when missing
// The switches of the options beyond the original set, each after a space: " -test",
// " -sync", " -names:utf8" (LZH) or " -names:cp932" (ZIP). Empty with every such option at its
// default, so the command lines stay what they always were.
std::string LzhExtraSwitches(const Options& o);
std::string ZipExtraSwitches(const Options& o);

// Names of double compression: the stored archive's file name N, its path T in the temporary
// folder, and the final archive D in the output folder (MakeDoubleNames in ArchiveFormats makes
// them).
struct DoubleNames {
    std::string N;
    std::string T;
    std::string D;
};

// Normal and stored packing (any other mode packs as normal); archive is the full path of the
// archive.
std::string LzhPackCommand(const Options& o, RunMode mode, const std::string& archive,
                           const std::string& folder);
std::string ZipPackCommand(const Options& o, RunMode mode, const std::string& archive,
                           const std::string& folder);

// Double compression.
std::string LzhFirstStageCommand(const Options& o, const DoubleNames& n, const std::string& folder);
std::string ZipFirstStageCommand(const Options& o, const DoubleNames& n, const std::string& folder);
std::string LzhSecondStageCommand(const Options& o, const DoubleNames& n);
std::string ZipSecondStageCommand(const Options& o, const DoubleNames& n);
std::string LzhUpdateExtractCommand(const Options& o, const DoubleNames& n);
std::string UnZipUpdateExtractCommand(const Options& o, const DoubleNames& n);

}  // namespace qb::engine
