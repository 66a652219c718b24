#include "engine/JobFile.h"

#include "common/PathHelpers.h"
#include "common/ProgramMessages.h"
#include "platform/CurrentDir.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace qb::engine {
namespace {

// Job files hold a few folder paths; anything this large is not one, and reading it whole
// would only eat memory.
constexpr std::size_t kMaxJobFileBytes = 64u << 20;

std::string Text(ProgramText code)
{
    return ProgramMessage(code);
}

std::optional<std::string> Cp932ToUtf8(const std::string& bytes)
{
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

bool IsExistingFolder(const std::string& dir)
{
    const std::string onDisk = PathHelpers::OnDiskPath(dir);
    return !onDisk.empty() && PathHelpers::FolderExists(onDisk);
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

}  // namespace

std::vector<std::string> SplitJobItems(const std::string& text)
{
    std::vector<std::string> items;
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto atLineEnd = [&](std::size_t p) { return p >= n || text[p] == '\r' || text[p] == '\n'; };
    auto skipLineEnd = [&](std::size_t& p) {
        if (p < n && text[p] == '\r')
            ++p;
        if (p < n && text[p] == '\n')
            ++p;
    };
    while (i < n) {
        while (i < n && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        std::string item;
        if (i < n && text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            const std::size_t end = close == std::string::npos ? n : close;
            item = text.substr(i + 1, end - i - 1);
            i = close == std::string::npos ? n : close + 1;
            // What follows the closing quote up to the separator is not part of any item.
            while (!atLineEnd(i) && text[i] != ',')
                ++i;
        } else {
            const std::size_t start = i;
            while (!atLineEnd(i) && text[i] != ',')
                ++i;
            item = text.substr(start, i - start);
        }
        items.push_back(item);
        if (i < n && text[i] == ',') {
            ++i;
            // A comma at the very end of a line still leaves an empty item behind it.
            if (atLineEnd(i)) {
                items.emplace_back();
                skipLineEnd(i);
            }
        } else {
            skipLineEnd(i);
        }
    }
    return items;
}

std::optional<std::string> ReadJobText(const std::string& path)
{
    const std::string host = qb::platform::ResolveHostPath(path);
    if (host.empty())
        return std::nullopt;
    // Only a regular file: opening a named pipe or reading a device could wait or run forever.
    std::optional<std::string> read = qb::platform::ReadRegularFile(host, kMaxJobFileBytes);
    if (!read)
        return std::nullopt;
    std::string bytes = std::move(*read);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        bytes.erase(0, 3);
    if (qb::platform::IsValidUtf8(bytes))
        return bytes;
    return Cp932ToUtf8(bytes);
}

std::optional<std::size_t> JobTargetsStart(const std::vector<std::string>& items)
{
    if (items.empty())
        return std::nullopt;
    if (items[0] != kJobFileHeader)
        return 1;  // the older format: the output folder, then the targets
    if (items.size() >= 3 && StartsWith(items[1], "INDIR=") && StartsWith(items[2], "OUTDIR="))
        return 3;
    return std::nullopt;
}

bool LoadJobFile(const std::string& path, JobPanes& panes, MessageSink& messages,
                 StartReport* report)
{
    bool loaded = false;
    try {
        const std::optional<std::string> text = ReadJobText(path);
        const std::vector<std::string> items =
            text ? SplitJobItems(*text) : std::vector<std::string>{};
        const std::optional<std::size_t> next = JobTargetsStart(items);
        if (next) {
            const std::string outputFolder = *next == 1 ? items[0] : items[2].substr(7);
            if (*next != 1)
                panes.SetSourceFolder(items[1].substr(6));
            panes.SetOutputFolder(outputFolder);
            // The pane falls back to another folder without a word; the archives would land
            // there unexplained. An empty OUTDIR= names no folder.
            if (report && !outputFolder.empty() && !IsExistingFolder(outputFolder))
                report->AddOutputFolderMissing(outputFolder, panes.OutputFolder());
            loaded = true;
            TargetList& list = panes.Targets();
            list.Clear();
            std::optional<PathOutcome> restIs;
            for (std::size_t i = *next; i < items.size(); ++i) {
                if (restIs) {
                    if (report)
                        report->AddFolder(items[i], *restIs);
                    continue;
                }
                PathOutcome outcome = PathOutcome::Listed;
                const bool added = AddOutsidePath(list, items[i], messages, &outcome);
                // Listed folders are on the list for good: nothing more to tell of them.
                if (report && outcome != PathOutcome::Listed)
                    report->AddFolder(items[i], outcome);
                if (!added)
                    restIs = outcome;  // the rest is not read, and is named as not taken
            }
        } else if (items.size() >= 2 && items[0] == kJobFileHeader &&
                   StartsWith(items[1], "INDIR=")) {
            // A header and INDIR= without OUTDIR=: the source folder is taken, the job is not.
            panes.SetSourceFolder(items[1].substr(6));
        }
    } catch (...) {
        loaded = false;
    }
    if (!loaded)
        messages.ShowMessage(Text(kTextJobNotRead));
    return loaded;
}

std::string FormatJobFile(const std::string& inDir, const std::string& outDir,
                          const std::vector<std::string>& targets)
{
    std::string text = std::string(kJobFileHeader) + "\r\n";
    text += "INDIR=" + inDir + "\r\n";
    text += "OUTDIR=" + outDir + "\r\n";
    for (const std::string& t : targets)
        text += t + "\r\n";
    return text;
}

bool WriteJobFile(const std::string& path, JobPanes& panes, MessageSink& messages)
{
    try {
        if (qb::platform::IsReadableFile(path) || qb::platform::FindEntryName(path)) {
            if (!messages.AskYesNo(Text(kTextOverwriteJob)))
                return false;
        }
        std::vector<std::string> targets;
        TargetList& list = panes.Targets();
        for (int i = 0; i < list.Count(); ++i)
            targets.push_back(list.Item(i));
        const std::string text = FormatJobFile(panes.SourceFolder(), panes.OutputFolder(), targets);
        if (qb::platform::ReplaceFileAtomically(qb::platform::ResolveHostPath(path), text))
            return true;
    } catch (...) { }
    messages.ShowMessage(Text(kTextJobNotSaved));
    return false;
}

}  // namespace qb::engine
