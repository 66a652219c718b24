#include "engine/PackFolder.h"

#include "common/MessageFormat.h"
#include "common/PathHelpers.h"
#include "common/SharedMessages.h"
#include "common/ProgramMessages.h"
#include "engine/ArchiverCall.h"
#include "engine/ArchiverCommands.h"
#include "engine/Archivers.h"
#include "engine/ModuleReport.h"
#include "engine/Options.h"
#include "platform/CurrentDir.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace qb::engine {
namespace {

// Something that should not happen while a folder is packed (a folder that vanished, a module
// entry that is not there). It ends the folder with a failure line and its reason, and stops the
// run.
struct UnexpectedError {
    std::string reason;
};

// What the folder's calls said: the result of the last packing call and the module's report of
// it, for the reason line when the folder fails.
struct Outcome {
    int code = -1;
    ModuleReport report;
    std::string module;
    std::string archive;
};

const char* ModuleName(ArchiverKind kind)
{
    switch (kind) {
    case ArchiverKind::Lzh:
        return "UNLHA32.DLL";
    case ArchiverKind::Zip:
        return "ZIP32J.DLL";
    case ArchiverKind::UnZip:
        return "UNZIP32.DLL";
    }
    return "";
}

std::string Text(ProgramText code)
{
    return ProgramMessage(code);
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
        throw UnexpectedError{FormatText(Text(kReasonFolderGone), {folder})};
}

// One packing call: the busy test first, then the call; 32799 when the module is busy. What
// the module says about single files goes to the history at once.
int PackCall(ArchiverKind kind, const std::string& commandLine, const std::string& archive,
             Outcome& outcome, PackHost& host)
{
    const CallResult r = CallArchiver(kind, commandLine, host);
    if (r.missing)
        throw UnexpectedError{FormatText(Text(kReasonModuleMissing), {ModuleName(kind)})};
    outcome.module = ModuleName(kind);
    outcome.archive = archive;
    outcome.report = ReadModuleOutput(r.output);
    if (r.busy) {
        host.ShowMessage(Text(kind == ArchiverKind::Lzh ? kTextLzhModuleBusy : kTextZipModuleBusy));
        return outcome.code = ARC_ERROR_BUSY;
    }
    for (const std::string& line : outcome.report.fileLines)
        host.HistoryAdd(line);
    return outcome.code = r.code;
}

// The names a folder's calls write, first stage and final, for the check against the archives
// the run's earlier folders claimed.
struct Targets {
    std::string archive;  // modes 0 and 1: the archive; mode 2: the final archive
    std::string stored;  // mode 2: the stored archive of the first stage
};

// Normal and stored packing: one archive, LZH or ZIP after AshukuExe. Returns the archiver
// result.
int PackSingle(const Options& o, const std::string& folder, const std::string& header,
               const std::string& archive, RunMode mode, Outcome& outcome, PackHost& host)
{
    const bool zip = ArchiveFormatFromSetting(o.ArchiveFormat) == ArchiveFormat::Zip;
    outcome.module = zip ? "ZIP32J.DLL" : "UNLHA32.DLL";
    if (zip) {
        if (!Modules.ZipAvailable)
            return -1;
        host.HistoryAdd("[ " + header + " ]");
        host.HistoryAdd(Text(mode == RunMode::Stored ? kHistoryZipStoring : kHistoryZipPacking));
        return PackCall(ArchiverKind::Zip, ZipPackCommand(o, mode, archive, folder), archive,
                        outcome, host);
    }
    if (!Modules.LzhAvailable)
        return -1;
    host.HistoryAdd("[ " + header + " ]");
    host.HistoryAdd(Text(mode == RunMode::Stored ? kHistoryLzhStoring : kHistoryLzhPacking));
    return PackCall(ArchiverKind::Lzh, LzhPackCommand(o, mode, archive, folder), archive, outcome,
                    host);
}

// Mode 2: a stored archive in the run's private folder, then that one file compressed into the
// final archive. With Double an existing final archive is first unpacked so that the stored
// archive is updated instead of rebuilt.
int PackDouble(const Options& o, const DoubleNames& n, const std::string& folder, Outcome& outcome,
               RunState& run, PackHost& host)
{
    const DoublePattern pattern = DoublePatternFromSetting(o.DoublePattern);
    const bool firstLzh = FirstStageFormat(pattern) == ArchiveFormat::Lzh;
    const bool secondLzh = SecondStageFormat(pattern) == ArchiveFormat::Lzh;

    // The stored archive and whatever an extraction brought along are scratch, whatever way
    // this folder ends.
    struct CleanUp {
        RunState& run;
        ~CleanUp() { run.CleanWorkFolder(); }
    } cleanUp{run};
    run.CleanWorkFolder();

    // Rebuilding takes nothing from the old archive, so there is nothing to unpack for it.
    if (o.UpdateDoubleArchives && !o.SyncArchive && PathHelpers::FileExists(n.D)) {
        host.HistoryAdd(Text(kHistoryExtractingForUpdate));
        // Without a stored archive in it the first stage simply builds a new one. A final
        // archive that cannot be read is another matter: building anew would replace it and
        // lose what only it holds, so the folder fails and the archive stays as it is.
        const ArchiverKind kind = secondLzh ? ArchiverKind::Lzh : ArchiverKind::UnZip;
        const std::string command =
            secondLzh ? LzhUpdateExtractCommand(o, n) : UnZipUpdateExtractCommand(o, n);
        const CallResult extracted = CallArchiver(kind, command, host);
        if (extracted.missing)
            throw UnexpectedError{FormatText(Text(kReasonModuleMissing), {ModuleName(kind)})};
        if (extracted.code == ARC_ERROR_BAD_ARCHIVE || extracted.code == ARC_ERROR_CHECKSUM ||
            extracted.code == ARC_ERROR_UNSUPPORTED) {
            outcome.module = ModuleName(kind);
            outcome.archive = n.D;
            outcome.report = {};
            outcome.report.failedWord = "damaged-archive";
            return ARC_ERROR_BAD_ARCHIVE;
        }
        // Only the stored archive at the top of the outer one is this folder's; a member of the
        // same name inside a folder of it (tmp/NAME.LZH) is not, and nothing of it may stay.
        run.CleanWorkFolder(n.N);
    }

    int result;
    if (firstLzh) {
        host.HistoryAdd(Text(kHistoryLzhFirstStage));
        result =
            PackCall(ArchiverKind::Lzh, LzhFirstStageCommand(o, n, folder), n.T, outcome, host);
    } else {
        host.HistoryAdd(Text(kHistoryZipFirstStage));
        result =
            PackCall(ArchiverKind::Zip, ZipFirstStageCommand(o, n, folder), n.T, outcome, host);
    }

    if (ReportArchiverResult(result, host) == FolderOutcome::Packed) {
        host.HistoryAdd(Text(secondLzh ? kHistoryLzhSecondStage : kHistoryZipSecondStage));
        EnterOrFail(o.TempFolder);
        result = secondLzh
                     ? PackCall(ArchiverKind::Lzh, LzhSecondStageCommand(o, n), n.D, outcome, host)
                     : PackCall(ArchiverKind::Zip, ZipSecondStageCommand(o, n), n.D, outcome, host);
    }
    return result;
}

// The failure line of a folder, then the line that says why.
FolderOutcome Fail(FolderOutcome result, const std::string& reason, PackHost& host)
{
    host.HistoryAdd(Text(kHistoryNotPacked));
    host.HistoryAdd(ReasonLine(reason));
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

FolderOutcome ReportArchiverResult(int code, PackHost& host)
{
    switch (code) {
    case ARC_OK:
        return FolderOutcome::Packed;
    case ARC_ERROR_DISK_FULL:
        host.HistoryAdd(Text(kHistoryDiskFull));
        return FolderOutcome::StopRun;
    case ARC_ERROR_READ_ONLY:
        host.HistoryAdd(Text(kHistoryReadOnly));
        return FolderOutcome::StopRun;
    case ARC_ERROR_USER_CANCEL:
        host.HistoryAdd(Text(kHistoryCancelled));
        return FolderOutcome::StopRun;
    default:
        return FolderOutcome::NotPacked;
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
        // Which folder: in a run of many, the message alone would leave the user guessing.
        messages.ShowMessage(Text(kTextFolderMissing) + "\n" + folder);
        return false;
    }
    return true;
}

FolderOutcome PackFolder(const std::string& folder, const std::string& outputFolder, RunMode mode,
                         const Options& options, PackHost& host, RunState* runState)
{
    // A folder packed on its own is a run of one.
    std::unique_ptr<RunState> own;
    if (!runState) {
        own = std::make_unique<RunState>(options.TempFolder);
        runState = own.get();
    }
    RunState& run = *runState;
    try {
        const std::string header = PathHelpers::ShortDisplayPath(folder);
        // No output folder (the pane could not show one) would put the archive in the root of
        // the current drive. Every folder of the run would fare the same, so the run stops.
        if (outputFolder.empty())
            return Fail(FolderOutcome::StopRun, Text(kReasonNoOutputFolder), host);

        // The refusals show their reason in a message box; the history says it too, since the
        // silent run has nobody to read a box.
        struct RefusalLine : MessageSink {
            MessageSink& inner;
            std::string reason;
            explicit RefusalLine(MessageSink& m) : inner(m) { }
            void ShowMessage(const std::string& text) override
            {
                reason = text;
                inner.ShowMessage(text);
            }
        } refusal(host);
        if (!CheckPackTarget(folder, outputFolder, options.TempFolder, options.IncludeSubfolders, refusal)) {
            host.HistoryAdd(Text(kHistoryRefused));
            std::string reason = refusal.reason;
            if (const std::size_t cut = reason.find('\n'); cut != std::string::npos)
                reason = reason.substr(0, cut) + "（" + reason.substr(cut + 1) + "）";
            host.HistoryAdd(ReasonLine(reason));
            return FolderOutcome::NotPacked;
        }
        std::string name = ArchiveBaseName(folder);
        if (name.empty()) {
            // A drive root has no name to give its archive. Nothing was changed, so there is
            // nothing to restore: the folder fails and the run goes on.
            return Fail(FolderOutcome::NotPacked, Text(kReasonNoName), host);
        }
        // A mode beyond the three buttons (a stored AutoExe of 7) packs nothing, as it always
        // did; now the history says so.
        if (!IsKnownRunMode(mode))
            return Fail(FolderOutcome::NotPacked,
                        FormatText(Text(kReasonNoSuchMode), {std::to_string(RunModeNumber(mode))}),
                        host);

        // A command line cannot carry a double quote inside a quoted path (Linux allows one in
        // a name): the archiver would read another name and write another file. Such a folder
        // fails without any call, and the run goes on.
        if (HoldsQuote(folder) || HoldsQuote(outputFolder) || HoldsQuote(options.TempFolder)) {
            host.HistoryAdd("[ " + header + " ]");
            return Fail(FolderOutcome::NotPacked, Text(kReasonQuoteInPath), host);
        }

        const std::string outDir = WithBackslash(outputFolder);
        if (options.UpperCaseNames)
            name = PathHelpers::UpperCaseName(name);

        // The run works in a folder of its own inside TmpDir, so that no other run (and no
        // earlier one that died) shares its stored archives. Without one, normal and stored
        // packing still have TmpDir as it is; double compression has no place for its stored
        // archive.
        Options o = options;
        const std::string work = run.WorkFolder();
        if (!work.empty())
            o.TempFolder = work;
        if (mode == RunMode::Double && work.empty()) {
            host.HistoryAdd("[ " + header + " ]");
            if (options.TempFolder.empty())
                throw UnexpectedError{Text(kReasonNoTempFolder)};
            return Fail(FolderOutcome::NotPacked,
                        FormatText(Text(kReasonNoWorkFolder), {options.TempFolder}), host);
        }

        Targets targets;
        DoubleNames names;
        if (mode == RunMode::Double) {
            names = MakeDoubleNames(o, name, outDir, DoublePatternFromSetting(o.DoublePattern));
            targets.archive = names.D;
            targets.stored = names.T;
        } else {
            targets.archive =
                outDir + name +
                (ArchiveFormatFromSetting(o.ArchiveFormat) == ArchiveFormat::Zip ? ".ZIP" : ".LZH");
        }
        // Two targets of one run never share an archive: the second would update the first's
        // and both would be reported as packed.
        for (const std::string& path : {targets.archive, targets.stored}) {
            if (path.empty())
                continue;
            if (const std::string owner = run.Claims().OwnerOf(path); !owner.empty()) {
                host.HistoryAdd("[ " + header + " ]");
                return Fail(FolderOutcome::NotPacked,
                            FormatText(Text(kReasonArchiveClaimed), {path, owner}), host);
            }
        }
        run.Claims().Claim(targets.archive, folder);

        const char rememberedDrive = qb::platform::CurrentDrive();
        const std::string rememberedDir = qb::platform::CurrentDirectory(0);
        EnterOrFail(o.StoreFolderPath ? folder.substr(0, 2) + "\\" : folder);

        Outcome outcome;
        outcome.archive = targets.archive;
        int result;
        if (mode == RunMode::Double) {
            host.HistoryAdd("[ " + header + " ]");
            result = PackDouble(o, names, folder, outcome, run, host);
        } else {
            result = PackSingle(o, folder, header, targets.archive, mode, outcome, host);
        }
        run.Claims().Settle();

        if (!qb::platform::SetCurrentDrive(rememberedDrive) ||
            !qb::platform::SetCurrentDirectory(rememberedDir))
            throw UnexpectedError{FormatText(Text(kReasonFolderGone), {rememberedDir})};

        const FolderOutcome r = ReportArchiverResult(result, host);
        if (r != FolderOutcome::Packed)
            return Fail(r, FailureReason(result, outcome.report, outcome.module, outcome.archive),
                        host);
        host.HistoryAdd(Text(kHistoryPacked));
        host.CreatedArchiveAdd(targets.archive);
        return FolderOutcome::Packed;
    } catch (const UnexpectedError& e) {
        return Fail(FolderOutcome::StopRun, e.reason, host);
    } catch (...) {
        return Fail(FolderOutcome::StopRun, Text(kReasonUnexpected), host);
    }
}

}  // namespace qb::engine
