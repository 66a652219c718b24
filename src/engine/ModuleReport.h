// What an archiver module said about a packing call, turned into history lines a person can
// read: every file it left out or could not update with the reason, every name it stored as raw
// bytes, every LZH member over 4 GiB, and why the call failed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qb::engine {

struct ModuleReport {
    std::vector<std::string> fileLines;  // history lines, in the order the module wrote them
    int skipped = 0;  // files and folders left out of the archive
    int notUpdated = 0;  // files and folders whose old members were kept, as they cannot be read
    std::string failedWord;  // reason word of the module's "failed" line, or ""
    std::string failedName;  // the file or archive that line names
};

// Reads the lines of the module's output that have a fixed shape; every other line is free
// text for people and is passed over.
ModuleReport ReadModuleOutput(std::string_view output);

// Why a call with result code failed, in Japanese, from the most exact thing known: the
// module's "failed" line, else the result code. module is the module's file name (for a busy or
// missing module); archive is the archive the call was writing.
std::string FailureReason(int code, const ModuleReport& report, const std::string& module,
                          const std::string& archive);

// The history line that carries a reason: "　理由：" and the reason.
std::string ReasonLine(const std::string& reason);

}  // namespace qb::engine
