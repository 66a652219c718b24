#include "engine/ProgramArguments.h"

#include "common/PathHelpers.h"
#include "platform/Drives.h"

#include <cctype>
#include <optional>

namespace qb::engine {

std::string CurrentJobFile;

namespace {

bool EndsWithQbj(const std::string& argument)
{
    if (argument.size() < 4)
        return false;
    std::string tail = argument.substr(argument.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail == ".QBJ";
}

// Walks the command text as the grammar says and hands every non-empty argument to visit,
// which returns false to stop. ok becomes false for a quote that is never closed; unclosed, when
// given, then receives what follows that quote.
template<typename Visit>
void WalkArguments(const std::string& text, bool& ok, Visit visit, std::string* unclosed = nullptr)
{
    ok = true;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            if (close == std::string::npos) {
                ok = false;
                if (unclosed)
                    *unclosed = text.substr(i + 1);
                return;
            }
            const std::string argument = text.substr(i + 1, close - i - 1);
            if (!argument.empty() && !visit(argument, false))
                return;
            i = close + 1;
            continue;
        }
        const std::size_t space = text.find(' ', i);
        if (space == std::string::npos) {
            const std::string argument = text.substr(i);
            if (!argument.empty())
                visit(argument, true);
            return;
        }
        const std::string argument = text.substr(i, space - i);
        if (!argument.empty() && !visit(argument, false))
            return;
        i = space + 1;
    }
}

}  // namespace

std::vector<std::string> SplitCommandText(const std::string& commandText, bool* ok)
{
    std::vector<std::string> arguments;
    bool closed = true;
    WalkArguments(commandText, closed, [&](const std::string& a, bool) {
        arguments.push_back(a);
        return true;
    });
    if (ok)
        *ok = closed;
    return arguments;
}

int OpenCommandArgument(const std::string& argument, CommandLineHost& host, PathOutcome* outcome)
{
    try {
        if (EndsWithQbj(argument) && PathHelpers::FileExists(argument)) {
            CurrentJobFile = PathHelpers::OnDiskPath(argument);
            host.LoadJobFile();
            return 1;
        }
        return qb::engine::AddOutsidePath(host.Targets(), argument, host, outcome) ? 0 : -1;
    } catch (...) {
        if (outcome)
            *outcome = PathOutcome::Failed;
        return -1;
    }
}

bool ParseCommandLine(const std::string& commandText, CommandLineHost& host)
{
    StartReport* report = host.Report();
    bool ok = true;
    // Why the list was emptied again, for the folders that had been on it.
    PathOutcome emptiedBy = PathOutcome::Failed;
    try {
        host.Targets().Clear();
        CurrentJobFile.clear();
        if (report)
            report->Clear();
        bool closed = true;
        // Once a job file is open or the list is full, the rest of the line is only named.
        std::optional<PathOutcome> restIs;
        std::string unclosed;
        WalkArguments(
            commandText, closed,
            [&](const std::string& argument, bool) {
                if (restIs) {
                    if (report)
                        report->AddFolder(argument, *restIs);
                    return true;
                }
                PathOutcome outcome = PathOutcome::Listed;
                const int r = OpenCommandArgument(argument, host, &outcome);
                if (r == 1) {
                    // A job file replaces everything; what follows it is ignored, and what came
                    // before it is no longer listed (unless the job could not be read).
                    restIs = PathOutcome::WithJobFile;
                    if (report)
                        report->Drop(PathOutcome::WithJobFile, host.Targets());
                    return true;
                }
                if (report)
                    report->AddFolder(argument, outcome);
                if (r == -1) {
                    ok = false;
                    emptiedBy = outcome;
                    restIs = outcome;
                }
                return true;
            },
            &unclosed);
        if (!closed && restIs) {
            // Past a job file or a full list nothing more is read, a broken quote included.
            if (report && !unclosed.empty())
                report->AddFolder(unclosed, *restIs);
        } else if (!closed) {
            ok = false;
            emptiedBy = PathOutcome::QuoteNotClosed;
            if (report && !unclosed.empty())
                report->AddFolder(unclosed, PathOutcome::QuoteNotClosed);
        }
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        try {
            host.Targets().Clear();
        } catch (...) { }
    }
    if (report) {
        try {
            if (!ok)
                report->Drop(emptiedBy, host.Targets());
            report->DropListed();
        } catch (...) { }
    }
    return ok;
}

std::string BuildCommandText(const std::vector<std::string>& args)
{
    std::string text;
    for (const std::string& arg : args) {
        std::string word = arg;
        // "/U" is the uninstall switch, not a folder at the host root.
        const bool uninstall = word == "/U" || word == "/u";
        if (!uninstall && !word.empty() && word.front() == '/') {
            const std::string drive = qb::platform::ToDrivePath(word);
            if (!drive.empty())
                word = drive;
        }
        if (word.find(' ') != std::string::npos)
            word = "\"" + word + "\"";
        if (!text.empty())
            text += ' ';
        text += word;
    }
    return text;
}

}  // namespace qb::engine
