#include "CommandLine.h"

#include <cctype>

namespace qb::arc {

std::vector<std::string> TokenizeCommandLine(std::string_view text)
{
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;  // something (even an empty quoted piece) has started an argument
    bool inQuotes = false;
    for (char c : text) {
        if (c == '"') {
            inQuotes = !inQuotes;
            inArgument = true;
        } else if (!inQuotes && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inArgument) {
                args.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
        } else {
            current.push_back(c);
            inArgument = true;
        }
    }
    if (inArgument)
        args.push_back(std::move(current));
    return args;
}

ParsedCommand ParseCommandLine(std::string_view text, bool withCommandLetter)
{
    ParsedCommand parsed;
    std::vector<std::string> args = TokenizeCommandLine(text);
    size_t i = 0;
    if (withCommandLetter && !args.empty() && args[0].size() == 1 &&
        std::isalpha(static_cast<unsigned char>(args[0][0]))) {
        parsed.command = static_cast<char>(std::tolower(static_cast<unsigned char>(args[0][0])));
        i = 1;
    }
    bool switchesEnded = false;
    bool haveArchive = false;
    for (; i < args.size(); ++i) {
        std::string& arg = args[i];
        if (!switchesEnded && arg == "--") {
            switchesEnded = true;
        } else if (!switchesEnded && arg.size() > 1 && arg[0] == '-') {
            parsed.switches.push_back(arg.substr(1));
        } else if (!haveArchive) {
            parsed.archive = std::move(arg);
            haveArchive = true;
        } else {
            parsed.files.push_back(std::move(arg));
        }
    }
    return parsed;
}

}  // namespace qb::arc
