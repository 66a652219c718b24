#include "engine/ProgramArguments.h"

#include "common/PathHelpers.h"
#include "platform/Drives.h"

#include <cctype>

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
// which returns false to stop. ok becomes false for a quote that is never closed.
template<typename Visit>
void WalkArguments(const std::string& text, bool& ok, Visit visit)
{
    ok = true;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            if (close == std::string::npos) {
                ok = false;
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

int OpenCommandArgument(const std::string& argument, CommandLineHost& host)
{
    try {
        if (EndsWithQbj(argument) && PathHelpers::FileExists(argument)) {
            CurrentJobFile = PathHelpers::OnDiskPath(argument);
            host.LoadJobFile();
            return 1;
        }
        return qb::engine::AddOutsidePath(host.Targets(), argument, host) ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

bool ParseCommandLine(const std::string& commandText, CommandLineHost& host)
{
    bool ok = true;
    try {
        host.Targets().Clear();
        CurrentJobFile.clear();
        bool closed = true;
        WalkArguments(commandText, closed, [&](const std::string& argument, bool last) {
            const int r = OpenCommandArgument(argument, host);
            if (r == -1)
                ok = false;
            // A job file replaces everything; what follows it is ignored.
            return r == 0 && !last;
        });
        if (!closed)
            ok = false;
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        try {
            host.Targets().Clear();
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
