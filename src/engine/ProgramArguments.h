// The program's command line: folder paths and job-file paths, quoted or not. There are no
// options (the uninstall switch /U is handled by start-up before this).
//
// Grammar: arguments are separated by spaces; an argument that begins with a double quote runs
// to the next double quote, which is not part of it, and scanning resumes right after it; empty
// arguments are skipped. A quote that is never closed fails the whole line. The first existing
// job file (.qbj) replaces the list and ends the parsing.
#pragma once

#include "engine/JobFile.h"
#include "engine/PackHost.h"
#include "engine/StartReport.h"
#include "engine/TargetList.h"

#include <string>
#include <vector>

namespace qb::engine {

// The job file in use: its full drive path, "" when none.
extern std::string CurrentJobFile;

// Where the command line lands: the target list, and the job loading of the main window.
class CommandLineHost : public qb::engine::MessageSink {
public:
    virtual qb::engine::TargetList& Targets() = 0;
    // Opens CurrentJobFile into the panes (LoadJobFile of the main window), telling Report()
    // what the job file names but the list does not take.
    virtual void LoadJobFile() = 0;
    // Where the folders named but not listed are told; null when nobody asks.
    virtual StartReport* Report() { return nullptr; }
};

// Empties the list, clears CurrentJobFile and hands every argument to OpenCommandArgument.
// False when a quote is unclosed or an argument failed; the list is then emptied again.
// host.Report(), when there is one, is emptied first and then learns every folder named that
// is not on the list afterwards: not there, not a folder, not a full path, beyond a full list,
// beside a job file (before or after it), or cut off by an unclosed quote.
bool ParseCommandLine(const std::string& commandText, CommandLineHost& host);

// 1: an existing job file, opened; 0: handed to the target list and accepted; -1: refused
// (the list is full). outcome, when given, says what became of a folder argument.
int OpenCommandArgument(const std::string& argument, CommandLineHost& host,
                        PathOutcome* outcome = nullptr);

// The arguments the grammar finds, for display and tests; ok is false for an unclosed quote
// (the arguments before it are still returned).
std::vector<std::string> SplitCommandText(const std::string& commandText, bool* ok = nullptr);

// The command text of a Linux program: the arguments joined by single spaces, an argument that
// holds a space wrapped in double quotes, and an argument that begins with '/' (a host path)
// turned into its drive form first (kept as given when no drive covers it).
std::string BuildCommandText(const std::vector<std::string>& args);

}  // namespace qb::engine
