#include "engine/ModuleReport.h"

#include "archivers/include/archiver_output.h"
#include "archivers/include/archiver_results.h"
#include "common/MessageFormat.h"
#include "common/resQuillbox.h"

#include <map>

namespace qb::engine {
namespace {

std::string Text(int code)
{
    return resQuillbox(code);
}

bool TakePrefix(std::string_view& line, std::string_view prefix)
{
    if (line.substr(0, prefix.size()) != prefix)
        return false;
    line.remove_prefix(prefix.size());
    return true;
}

// "<word> <rest>": the word, and the rest in rest.
std::string TakeWord(std::string_view& rest)
{
    const std::size_t space = rest.find(' ');
    const std::string word(rest.substr(0, space));
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return word;
}

// The reason words of left-out files in Japanese; a word this program does not know yet is
// shown as the module wrote it.
std::string SkipReason(const std::string& word)
{
    static const std::map<std::string, int> codes = {
        {"backslash-in-name", 20331}, {"link-outside", 20332},  {"link-dangling", 20333},
        {"link-loop", 20334},         {"not-regular", 20335},   {"unreadable", 20336},
        {"vanished", 20337},          {"name-too-long", 20338}, {"not-found", 20339},
    };
    const auto it = codes.find(word);
    return it == codes.end() ? word : Text(it->second);
}

}  // namespace

ModuleReport ReadModuleOutput(std::string_view output)
{
    ModuleReport report;
    while (!output.empty()) {
        const std::size_t end = output.find('\n');
        std::string_view line = output.substr(0, end);
        output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (TakePrefix(line, ARC_LINE_SKIPPED)) {
            const std::string reason = SkipReason(TakeWord(line));
            report.fileLines.push_back(FormatText(Text(20330), {std::string(line), reason}));
            ++report.skipped;
        } else if (TakePrefix(line, ARC_LINE_RAW_NAME)) {
            report.fileLines.push_back(FormatText(Text(20340), {std::string(line)}));
        } else if (TakePrefix(line, ARC_LINE_LARGE_MEMBER)) {
            report.fileLines.push_back(FormatText(Text(20341), {std::string(line)}));
        } else if (TakePrefix(line, ARC_LINE_FAILED)) {
            report.failedWord = TakeWord(line);
            report.failedName = std::string(line);
        } else if (TakePrefix(line, ARC_LINE_OUTPUT_CUT)) {
            report.fileLines.push_back(FormatText(Text(20342), {std::string(line)}));
        }
    }
    return report;
}

std::string FailureReason(int code, const ModuleReport& report, const std::string& module,
                          const std::string& archive)
{
    const std::string& name = report.failedName;
    const std::string named = name.empty() ? archive : name;
    if (!report.failedWord.empty()) {
        if (report.failedWord == "unreadable" && !name.empty())
            return FormatText(Text(20301), {name});
        if (report.failedWord == "changed" && !name.empty())
            return FormatText(Text(20302), {name});
        if (report.failedWord == "name-clash" && !name.empty())
            return FormatText(Text(20303), {name});
        if (report.failedWord == "damaged-archive")
            return FormatText(Text(20304), {named});
        if (report.failedWord == "test-failed")
            return FormatText(Text(20305), {named});
    }
    switch (code) {
    case -1:
        return FormatText(Text(20310), {module});
    case ARC_ERROR_DISK_FULL:
        return Text(20306);
    case ARC_ERROR_READ_ONLY:
        return Text(20307);
    case ARC_ERROR_USER_CANCEL:
        return Text(20308);
    case ARC_ERROR_BUSY:
        return FormatText(Text(20309), {module});
    case ARC_ERROR_INCOMPLETE:
        return FormatText(Text(20315), {std::to_string(report.skipped)});
    case ARC_ERROR_TEST_FAILED:
        return FormatText(Text(20305), {named});
    case ARC_ERROR_BAD_ARCHIVE:
        return FormatText(Text(20304), {named});
    case ARC_ERROR_NOTHING_TO_DO:
        return Text(20318);
    case ARC_ERROR_TEMP_FILE:
        return Text(20319);
    case ARC_ERROR_NO_MEMORY:
        return Text(20320);
    case ARC_ERROR_WRITE:
        return Text(20321);
    default:
        break;
    }
    if (code == ARC_ERROR_READ_SOURCE && !name.empty())
        return FormatText(Text(20301), {name});
    if (code == ARC_ERROR_SOURCE_CHANGED && !name.empty())
        return FormatText(Text(20302), {name});
    return FormatText(Text(20322), {std::to_string(code)});
}

std::string ReasonLine(const std::string& reason)
{
    return FormatText(Text(20300), {reason});
}

}  // namespace qb::engine
