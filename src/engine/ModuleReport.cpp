#include "engine/ModuleReport.h"

#include "archivers/include/archiver_output.h"
#include "archivers/include/archiver_results.h"
#include "common/MessageFormat.h"
#include "common/ProgramMessages.h"

#include <map>

namespace qb::engine {
namespace {

std::string Text(int code)
{
    return ProgramMessage(code);
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
        {"backslash-in-name", kSkipBackslashInName},
        {"link-outside", kSkipLinkOutside},
        {"link-dangling", kSkipLinkDangling},
        {"link-loop", kSkipLinkLoop},
        {"not-regular", kSkipNotRegular},
        {"unreadable", kSkipUnreadable},
        {"vanished", kSkipVanished},
        {"name-too-long", kSkipNameTooLong},
        {"not-found", kSkipNotFound},
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
            report.fileLines.push_back(
                FormatText(Text(kHistoryFileLeftOut), {std::string(line), reason}));
            ++report.skipped;
        } else if (TakePrefix(line, ARC_LINE_NOT_UPDATED)) {
            const std::string reason = SkipReason(TakeWord(line));
            report.fileLines.push_back(
                FormatText(Text(kHistoryFileNotUpdated), {std::string(line), reason}));
            ++report.notUpdated;
        } else if (TakePrefix(line, ARC_LINE_RAW_NAME)) {
            report.fileLines.push_back(FormatText(Text(kHistoryRawName), {std::string(line)}));
        } else if (TakePrefix(line, ARC_LINE_LARGE_MEMBER)) {
            report.fileLines.push_back(FormatText(Text(kHistoryLargeMember), {std::string(line)}));
        } else if (TakePrefix(line, ARC_LINE_FAILED)) {
            report.failedWord = TakeWord(line);
            report.failedName = std::string(line);
        } else if (TakePrefix(line, ARC_LINE_OUTPUT_CUT)) {
            report.fileLines.push_back(FormatText(Text(kHistoryOutputCut), {std::string(line)}));
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
            return FormatText(Text(kReasonUnreadable), {name});
        if (report.failedWord == "changed" && !name.empty())
            return FormatText(Text(kReasonChanged), {name});
        if (report.failedWord == "name-clash" && !name.empty())
            return FormatText(Text(kReasonNameClashInside), {name});
        if (report.failedWord == "damaged-archive")
            return FormatText(Text(kReasonDamagedArchive), {named});
        if (report.failedWord == "test-failed")
            return FormatText(Text(kReasonTestFailed), {named});
    }
    switch (code) {
    case -1:
        return FormatText(Text(kReasonModuleMissing), {module});
    case ARC_ERROR_DISK_FULL:
        return Text(kReasonDiskFull);
    case ARC_ERROR_READ_ONLY:
        return Text(kReasonReadOnly);
    case ARC_ERROR_USER_CANCEL:
        return Text(kReasonCancelled);
    case ARC_ERROR_BUSY:
        return FormatText(Text(kReasonModuleBusy), {module});
    case ARC_ERROR_INCOMPLETE:
        if (report.notUpdated == 0)
            return FormatText(Text(kReasonFilesLeftOut), {std::to_string(report.skipped)});
        if (report.skipped == 0)
            return FormatText(Text(kReasonFilesNotUpdated), {std::to_string(report.notUpdated)});
        return FormatText(Text(kReasonFilesLeftOutAndNotUpdated),
                          {std::to_string(report.skipped), std::to_string(report.notUpdated)});
    case ARC_ERROR_TEST_FAILED:
        return FormatText(Text(kReasonTestFailed), {named});
    case ARC_ERROR_BAD_ARCHIVE:
        return FormatText(Text(kReasonDamagedArchive), {named});
    case ARC_ERROR_NOTHING_TO_DO:
        return Text(kReasonNothingToPack);
    case ARC_ERROR_TEMP_FILE:
        return Text(kReasonTempFile);
    case ARC_ERROR_NO_MEMORY:
        return Text(kReasonNoMemory);
    case ARC_ERROR_WRITE:
        return Text(kReasonWriteFailed);
    default:
        break;
    }
    if (code == ARC_ERROR_READ_SOURCE && !name.empty())
        return FormatText(Text(kReasonUnreadable), {name});
    if (code == ARC_ERROR_SOURCE_CHANGED && !name.empty())
        return FormatText(Text(kReasonChanged), {name});
    return FormatText(Text(kReasonModuleError), {std::to_string(code)});
}

std::string ReasonLine(const std::string& reason)
{
    return FormatText(Text(kHistoryReason), {reason});
}

}  // namespace qb::engine
