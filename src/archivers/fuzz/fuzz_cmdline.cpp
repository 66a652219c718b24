// Fuzz target for the command-line path every module shares: splitting and sorting the text,
// DOS wildcard matching between its pieces, and the cleaning of member names on extraction.
// Besides not crashing, it checks what must hold for any input: no argument keeps a quote, the
// parsed form accounts for every argument, and a cleaned member name never leads upward or to
// the root. Built as a libFuzzer target with clang; the test suite also drives it with mutated
// command lines under any compiler.
#include "CommandLine.h"
#include "SafePath.h"
#include "Wildcard.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args = qb::arc::TokenizeCommandLine(text);
    std::size_t bytes = 0;
    for (const std::string& arg : args) {
        if (arg.find('"') != std::string::npos)
            std::abort();
        bytes += arg.size();
    }
    if (bytes > size)
        std::abort();

    for (bool letter : {false, true}) {
        qb::arc::ParsedCommand parsed = qb::arc::ParseCommandLine(text, letter);
        std::size_t accounted = (parsed.command ? 1 : 0) + parsed.switches.size() +
                                (parsed.archive.empty() ? 0 : 1) + parsed.files.size();
        // "--" and an empty archive argument are the only arguments not kept.
        if (accounted > args.size())
            std::abort();
    }

    for (std::size_t i = 0; i + 1 < args.size() && i < 8; ++i) {
        qb::arc::WildcardMatch(args[i], args[i + 1]);
        if (!qb::arc::WildcardMatch(args[i], args[i]) && !qb::arc::HasWildcards(args[i]) &&
            args[i].size() < 4096 && args[i].find(".*") == std::string::npos)
            std::abort();  // a plain name always matches itself
    }

    for (const std::string& arg : args) {
        std::string cleaned;
        if (!qb::arc::CleanMemberName(arg, cleaned))
            continue;
        if (cleaned.empty() || cleaned[0] == '/' || cleaned == ".." ||
            cleaned.rfind("../", 0) == 0 || cleaned.find("/../") != std::string::npos ||
            (cleaned.size() >= 3 && cleaned.compare(cleaned.size() - 3, 3, "/..") == 0) ||
            cleaned.find('\\') != std::string::npos)
            std::abort();
    }
    return 0;
}
