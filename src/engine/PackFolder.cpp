#include "engine/PackFolder.h"

#include "common/basQuill.h"
#include "common/resQuill.h"
#include "common/resQuillbox.h"
#include "engine/ArchiverCall.h"
#include "engine/ArchiverCommands.h"
#include "engine/Archivers.h"
#include "engine/Options.h"
#include "platform/CurrentDir.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace qb::engine {
namespace {

// Something that should not happen while a folder is packed (a folder that vanished, a module
// entry that is not there). It ends the folder with a failure line and stops the run.
struct UnexpectedError {};

std::string Text(QuillboxText code)
{
    return resQuillbox(code);
}

// The first n characters of text (UTF-8 aware).
std::string LeadingChars(const std::string& text, std::size_t n)
{
    std::size_t pos = 0;
    for (std::size_t i = 0; i < n && pos < text.size(); ++i)
        pos += qb::platform::DecodeUtf8(text, pos).length;
    return text.substr(0, pos);
}

// True when candidate lies in folder as the run sees it: with subfolders packed, a plain
// case-blind text prefix (so C:\DATA2 counts as inside C:\DATA); without, only the folder itself.
bool Inside(const std::string& candidate, const std::string& folder, bool subDir)
{
    const std::string compared =
        subDir ? LeadingChars(candidate, qb::platform::CharCount(folder)) : candidate;
    return qb::platform::EqualsIgnoreCase(compared, folder);
}

bool HoldsQuote(const std::string& path)
{
    return path.find('"') != std::string::npos;
}

bool EnterFolder(const std::string& folder)
{
    if (folder.size() < 2 || folder[1] != ':')
        return false;
    return qb::platform::SetCurrentDrive(folder[0]) && qb::platform::SetCurrentDirectory(folder);
}

void EnterOrFail(const std::string& folder)
{
    if (!EnterFolder(folder))
        throw UnexpectedError{};
}

// One packing call: the busy test first, then the call; 32799 when the module is busy.
int PackCall(ArchiverKind kind, const std::string& commandLine, PackHost& host)
{
    const CallResult r = CallArchiver(kind, commandLine, host);
    if (r.missing)
        throw UnexpectedError{};
    if (r.busy) {
        host.ShowMessage(Text(kind == ArchiverKind::Lzh ? kTextLzhModuleBusy : kTextZipModuleBusy));
        return ARC_ERROR_BUSY;
    }
    return r.code;
}

// Modes 0 and 1: one archive, LZH or ZIP after AshukuExe. Returns the archiver result and sets
// archive to the path of the archive.
int PackSingle(const std::string& folder, const std::string& header, const std::string& outDir,
               const std::string& name, int mode, const Options& o, std::string& archive,
               PackHost& host)
{
    const bool zip = o.AshukuExe != 0;
    archive = outDir + name + (zip ? ".ZIP" : ".LZH");
    if (zip) {
        if (!Modules.ZipAvailable)
            return -1;
        host.HistoryAdd("[ " + header + " ]");
        host.HistoryAdd(Text(mode == 1 ? kHistoryZipStoring : kHistoryZipPacking));
        return PackCall(ArchiverKind::Zip, ZipPackCommand(o, mode, archive, folder), host);
    }
    if (!Modules.LzhAvailable)
        return -1;
    host.HistoryAdd("[ " + header + " ]");
    host.HistoryAdd(Text(mode == 1 ? kHistoryLzhStoring : kHistoryLzhPacking));
    return PackCall(ArchiverKind::Lzh, LzhPackCommand(o, mode, archive, folder), host);
}

// Mode 2: a stored archive in the temporary folder, then that one file compressed into the
// final archive. With Double an existing final archive is first unpacked so that the stored
// archive is updated instead of rebuilt.
int PackDouble(const std::string& folder, const std::string& header, const std::string& outDir,
               const std::string& name, const Options& o, std::string& archive, PackHost& host)
{
    const int pattern = o.Pattern;
    const DoubleNames n = MakeDoubleNames(o, name, outDir, pattern);
    const bool firstLzh = DoubleFirstIsLzh(pattern);
    const bool secondLzh = DoubleSecondIsLzh(pattern);
    archive = n.D;

    host.HistoryAdd("[ " + header + " ]");

    // Without a temporary folder the stored archive would land in the root of the current
    // drive; that is no place for a scratch file.
    if (o.TmpDir.empty())
        throw UnexpectedError{};
    // The stored archive is scratch, whatever way this folder ends.
    struct RemoveStored {
        const std::string& path;
        ~RemoveStored() { qb::platform::RemoveFile(path); }
    } removeStored{n.T};

    // A stored archive left behind by an earlier run that ended abruptly would otherwise be
    // updated as if it were this folder's, and its stray members would end up in the result.
    qb::platform::RemoveFile(n.T);

    if (o.Double && basQuill::FileExists(n.D)) {
        host.HistoryAdd(Text(kHistoryExtractingForUpdate));
        // Whatever the extraction returns: without a stored archive the first stage simply
        // builds a new one.
        const ArchiverKind kind = secondLzh ? ArchiverKind::Lzh : ArchiverKind::UnZip;
        const std::string command =
            secondLzh ? LzhUpdateExtractCommand(o, n) : UnZipUpdateExtractCommand(o, n);
        if (CallArchiver(kind, command, host).missing)
            throw UnexpectedError{};
    }

    int result;
    if (firstLzh) {
        host.HistoryAdd(Text(kHistoryLzhFirstStage));
        result = PackCall(ArchiverKind::Lzh, LzhFirstStageCommand(o, n, folder), host);
    } else {
        host.HistoryAdd(Text(kHistoryZipFirstStage));
        result = PackCall(ArchiverKind::Zip, ZipFirstStageCommand(o, n, folder), host);
    }

    if (ReportArchiverResult(result, host) == kPacked) {
        host.HistoryAdd(Text(secondLzh ? kHistoryLzhSecondStage : kHistoryZipSecondStage));
        EnterOrFail(o.TmpDir);
        result = secondLzh ? PackCall(ArchiverKind::Lzh, LzhSecondStageCommand(o, n), host)
                           : PackCall(ArchiverKind::Zip, ZipSecondStageCommand(n), host);
    }
    return result;
}

}  // namespace

std::string ArchiveBaseName(const std::string& folder)
{
    const std::size_t p = folder.rfind('\\');
    if (p == std::string::npos || p == 0)
        return {};
    return folder.substr(p + 1);
}

int ReportArchiverResult(int code, PackHost& host)
{
    switch (code) {
    case ARC_OK:
        return kPacked;
    case ARC_ERROR_DISK_FULL:
        host.HistoryAdd(Text(kHistoryDiskFull));
        return kStopRun;
    case ARC_ERROR_READ_ONLY:
        host.HistoryAdd(Text(kHistoryReadOnly));
        return kStopRun;
    case ARC_ERROR_USER_CANCEL:
        host.HistoryAdd(Text(kHistoryCancelled));
        return kStopRun;
    default:
        return kNotPacked;
    }
}

bool CheckPackTarget(const std::string& folder, const std::string& outputFolder,
                     const std::string& tempFolder, bool subDir, MessageSink& messages)
{
    if (Inside(outputFolder, folder, subDir)) {
        messages.ShowMessage(Text(kTextFolderHoldsOutputFolder));
        return false;
    }
    if (Inside(tempFolder, folder, subDir)) {
        messages.ShowMessage(Text(kTextFolderHoldsTempFolder));
        return false;
    }
    if (!EnterFolder(folder)) {
        messages.ShowMessage(Text(kTextFolderMissing));
        return false;
    }
    return true;
}

int PackFolder(const std::string& folder, const std::string& outputFolder, int mode,
               const Options& options, PackHost& host)
{
    try {
        const std::string header = basQuill::ShortDisplayPath(folder);
        // No output folder (the pane could not show one) would put the archive in the root of
        // the current drive. Every folder of the run would fare the same, so the run stops.
        if (outputFolder.empty()) {
            host.HistoryAdd(Text(kHistoryNotPacked));
            return kStopRun;
        }
        if (!CheckPackTarget(folder, outputFolder, options.TmpDir, options.SubDir, host)) {
            host.HistoryAdd(Text(kHistoryRefused));
            return kNotPacked;
        }
        std::string name = ArchiveBaseName(folder);
        if (name.empty()) {
            // A drive root has no name to give its archive. Nothing was changed, so there is
            // nothing to restore: the folder fails and the run goes on.
            host.HistoryAdd(Text(kHistoryNotPacked));
            return kNotPacked;
        }

        // A command line cannot carry a double quote inside a quoted path (Linux allows one in
        // a name): the archiver would read another name and write another file. Such a folder
        // fails without any call, and the run goes on.
        if (HoldsQuote(folder) || HoldsQuote(outputFolder) || HoldsQuote(options.TmpDir)) {
            host.HistoryAdd("[ " + header + " ]");
            host.HistoryAdd(Text(kHistoryNotPacked));
            return kNotPacked;
        }

        const char rememberedDrive = qb::platform::CurrentDrive();
        const std::string rememberedDir = qb::platform::CurrentDirectory(0);
        EnterOrFail(options.Jibun ? folder.substr(0, 2) + "\\" : folder);

        const std::string outDir = WithBackslash(outputFolder);
        if (options.UCase)
            name = basQuill::UpperCaseName(name);

        std::string archive;
        const int result =
            mode == 2 ? PackDouble(folder, header, outDir, name, options, archive, host)
                      : PackSingle(folder, header, outDir, name, mode, options, archive, host);

        if (!qb::platform::SetCurrentDrive(rememberedDrive) ||
            !qb::platform::SetCurrentDirectory(rememberedDir))
            throw UnexpectedError{};

        const int r = ReportArchiverResult(result, host);
        if (r != kPacked) {
            host.HistoryAdd(Text(kHistoryNotPacked));
            return r;
        }
        host.HistoryAdd(Text(kHistoryPacked));
        host.CreatedArchiveAdd(archive);
        return kPacked;
    } catch (...) {
        host.HistoryAdd(Text(kHistoryNotPacked));
        return kStopRun;
    }
}

}  // namespace qb::engine
