#include "engine/PackFolder.h"

#include "common/MessageFormat.h"
#include "common/PathHelpers.h"
#include "common/ProgramMessages.h"
#include "common/SharedMessages.h"
#include "engine/ArchiveFormats.h"
#include "engine/ArchiverCall.h"
#include "engine/ArchiverCommands.h"
#include "engine/Archivers.h"
#include "engine/ModuleReport.h"
#include "engine/Options.h"
#include "platform/CurrentDir.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

#include <memory>
#include <variant>

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

// The failure line of a folder, then the line that says why.
FolderOutcome Fail(FolderOutcome result, const std::string& reason, PackHost& host)
{
    host.HistoryAdd(Text(kHistoryNotPacked));
    host.HistoryAdd(ReasonLine(reason));
    return result;
}

// One module call of a plan: the module, its command line, the archive it writes (or, for the
// extraction, reads), the history line written before it and the message shown when the module
// is busy.
struct PlannedCall {
    ArchiverKind module = ArchiverKind::Lzh;
    std::string command;
    std::string archive;
    ProgramText historyLine{};
    ProgramText busyMessage{};
};

// What packing one folder does, worked out before any module is called.
struct FolderPlan {
    std::string header;  // the folder as its "[ ... ]" history line shows it
    RunMode mode = RunMode::Normal;
    std::string archive;  // the archive the folder becomes (with double compression the final one)
    std::string runFolder;  // where the modules run: the folder, or its drive root
    std::string workFolder;  // the run's private folder, where the second stage runs
    // Normal and stored packing: the format, which must have its modules, and the one call.
    const ArchiveFormatInfo* format = nullptr;
    PlannedCall pack;  // with double compression, the first stage
    // Double compression only.
    PlannedCall secondStage;
    bool updateFinal = false;  // an existing final archive is unpacked first, to be updated
    PlannedCall extract;
    std::string storedName;  // the stored archive's file name, kept when the extraction is cleaned
};

// The plan, or how the folder ended when a check refused it (its history lines written).
using Planned = std::variant<FolderPlan, FolderOutcome>;

// Step one: the checks, the names, the clash with the archives the run's earlier folders
// claimed, and the command lines. Writes nothing but the lines of a refusal and the claim of the
// archive; leaves the current directory at the folder when the checks got that far.
Planned PlanFolder(const std::string& folder, const std::string& outputFolder, RunMode mode,
                   const Options& options, RunState& run, PackHost& host)
{
    FolderPlan plan;
    plan.header = PathHelpers::ShortDisplayPath(folder);
    plan.mode = mode;
    // No output folder (the pane could not show one) would put the archive in the root of the
    // current drive. Every folder of the run would fare the same, so the run stops.
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
    if (!CheckPackTarget(folder, outputFolder, options.TempFolder, options.IncludeSubfolders,
                         refusal)) {
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
        host.HistoryAdd("[ " + plan.header + " ]");
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
        host.HistoryAdd("[ " + plan.header + " ]");
        if (options.TempFolder.empty())
            throw UnexpectedError{Text(kReasonNoTempFolder)};
        return Fail(FolderOutcome::NotPacked,
                    FormatText(Text(kReasonNoWorkFolder), {options.TempFolder}), host);
    }
    plan.workFolder = o.TempFolder;
    plan.runFolder = o.StoreFolderPath ? folder.substr(0, 2) + "\\" : folder;

    std::string stored;  // double compression: the stored archive of the first stage
    if (mode == RunMode::Double) {
        const DoublePattern pattern = DoublePatternFromSetting(o.DoublePattern);
        const ArchiveFormatInfo& first = FormatInfo(FirstStageFormat(pattern));
        const ArchiveFormatInfo& second = FormatInfo(SecondStageFormat(pattern));
        const DoubleNames names = MakeDoubleNames(o, name, outDir, pattern);
        plan.archive = names.D;
        stored = names.T;
        plan.pack = {.module = first.packer,
                     .command = first.firstStageCommand(o, names, folder),
                     .archive = names.T,
                     .historyLine = first.firstStageLine,
                     .busyMessage = first.busyMessage};
        plan.secondStage = {.module = second.packer,
                            .command = second.secondStageCommand(o, names),
                            .archive = names.D,
                            .historyLine = second.secondStageLine,
                            .busyMessage = second.busyMessage};
        // Rebuilding takes nothing from the old archive, so there is nothing to unpack for it.
        plan.updateFinal = o.UpdateDoubleArchives && !o.SyncArchive;
        // A busy extractor shows no message: the first stage then simply builds a new stored
        // archive.
        plan.extract = {.module = second.extractor,
                        .command = second.extractCommand(o, names),
                        .archive = names.D,
                        .historyLine = kHistoryExtractingForUpdate};
        plan.storedName = names.N;
    } else {
        const ArchiveFormatInfo& format = FormatInfo(ArchiveFormatFromSetting(o.ArchiveFormat));
        plan.format = &format;
        plan.archive = outDir + name + format.suffix;
        plan.pack = {.module = format.packer,
                     .command = format.packCommand(o, mode, plan.archive, folder),
                     .archive = plan.archive,
                     .historyLine =
                         mode == RunMode::Stored ? format.storingLine : format.packingLine,
                     .busyMessage = format.busyMessage};
    }
    // Two targets of one run never share an archive: the second would update the first's
    // and both would be reported as packed.
    for (const std::string& path : {plan.archive, stored}) {
        if (path.empty())
            continue;
        if (const std::string owner = run.Claims().OwnerOf(path); !owner.empty()) {
            host.HistoryAdd("[ " + plan.header + " ]");
            return Fail(FolderOutcome::NotPacked,
                        FormatText(Text(kReasonArchiveClaimed), {path, owner}), host);
        }
    }
    run.Claims().Claim(plan.archive, folder);
    return plan;
}

// One packing call: the busy test first, then the call; 32799 when the module is busy. What
// the module says about single files goes to the history at once.
int PackCall(const PlannedCall& call, Outcome& outcome, PackHost& host)
{
    const char* moduleFile = Module(call.module).fileName;
    const CallResult r = CallArchiver(call.module, call.command, host);
    if (r.missing)
        throw UnexpectedError{FormatText(Text(kReasonModuleMissing), {moduleFile})};
    outcome.module = moduleFile;
    outcome.archive = call.archive;
    outcome.report = ReadModuleOutput(r.output);
    if (r.busy) {
        host.ShowMessage(Text(call.busyMessage));
        return outcome.code = ARC_ERROR_BUSY;
    }
    for (const std::string& line : outcome.report.fileLines)
        host.HistoryAdd(line);
    return outcome.code = r.code;
}

// Normal and stored packing: one archive, when its format's modules loaded. Returns the
// archiver result (-1 when nothing could be called).
int CarryOutSingle(const FolderPlan& plan, Outcome& outcome, PackHost& host)
{
    outcome.module = Module(plan.pack.module).fileName;
    if (!FormatAvailable(*plan.format))
        return -1;
    host.HistoryAdd("[ " + plan.header + " ]");
    host.HistoryAdd(Text(plan.pack.historyLine));
    return PackCall(plan.pack, outcome, host);
}

// Double compression: a stored archive in the run's private folder, then that one file
// compressed into the final archive. With Double an existing final archive is first unpacked so
// that the stored archive is updated instead of rebuilt.
int CarryOutDouble(const FolderPlan& plan, Outcome& outcome, RunState& run, PackHost& host)
{
    host.HistoryAdd("[ " + plan.header + " ]");

    // The stored archive and whatever an extraction brought along are scratch, whatever way
    // this folder ends.
    struct CleanUp {
        RunState& run;
        ~CleanUp() { run.CleanWorkFolder(); }
    } cleanUp{run};
    run.CleanWorkFolder();

    if (plan.updateFinal && PathHelpers::FileExists(plan.archive)) {
        host.HistoryAdd(Text(plan.extract.historyLine));
        // Without a stored archive in it the first stage simply builds a new one. A final
        // archive that cannot be read is another matter: building anew would replace it and
        // lose what only it holds, so the folder fails and the archive stays as it is.
        const char* moduleFile = Module(plan.extract.module).fileName;
        const CallResult extracted = CallArchiver(plan.extract.module, plan.extract.command, host);
        if (extracted.missing)
            throw UnexpectedError{FormatText(Text(kReasonModuleMissing), {moduleFile})};
        if (extracted.code == ARC_ERROR_BAD_ARCHIVE || extracted.code == ARC_ERROR_CHECKSUM ||
            extracted.code == ARC_ERROR_UNSUPPORTED) {
            outcome.module = moduleFile;
            outcome.archive = plan.extract.archive;
            outcome.report = {};
            outcome.report.failedWord = "damaged-archive";
            return ARC_ERROR_BAD_ARCHIVE;
        }
        // Only the stored archive at the top of the outer one is this folder's; a member of the
        // same name inside a folder of it (tmp/NAME.LZH) is not, and nothing of it may stay.
        run.CleanWorkFolder(plan.storedName);
    }

    host.HistoryAdd(Text(plan.pack.historyLine));
    int result = PackCall(plan.pack, outcome, host);
    if (ReportArchiverResult(result, host) == FolderOutcome::Packed) {
        host.HistoryAdd(Text(plan.secondStage.historyLine));
        EnterOrFail(plan.workFolder);
        result = PackCall(plan.secondStage, outcome, host);
    }
    return result;
}

// Step two: the module calls of the plan in the folder it names, the current directory given
// back afterwards, and the folder's closing lines.
FolderOutcome CarryOut(const FolderPlan& plan, RunState& run, PackHost& host)
{
    const char rememberedDrive = qb::platform::CurrentDrive();
    const std::string rememberedDir = qb::platform::CurrentDirectory(0);
    EnterOrFail(plan.runFolder);

    Outcome outcome;
    outcome.archive = plan.archive;
    const int result = plan.mode == RunMode::Double ? CarryOutDouble(plan, outcome, run, host)
                                                    : CarryOutSingle(plan, outcome, host);
    run.Claims().Settle();

    if (!qb::platform::SetCurrentDrive(rememberedDrive) ||
        !qb::platform::SetCurrentDirectory(rememberedDir))
        throw UnexpectedError{FormatText(Text(kReasonFolderGone), {rememberedDir})};

    const FolderOutcome r = ReportArchiverResult(result, host);
    if (r != FolderOutcome::Packed)
        return Fail(r, FailureReason(result, outcome.report, outcome.module, outcome.archive),
                    host);
    host.HistoryAdd(Text(kHistoryPacked));
    host.CreatedArchiveAdd(plan.archive);
    return FolderOutcome::Packed;
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
        const Planned planned = PlanFolder(folder, outputFolder, mode, options, run, host);
        if (const FolderOutcome* refused = std::get_if<FolderOutcome>(&planned))
            return *refused;
        return CarryOut(std::get<FolderPlan>(planned), run, host);
    } catch (const UnexpectedError& e) {
        return Fail(FolderOutcome::StopRun, e.reason, host);
    } catch (...) {
        return Fail(FolderOutcome::StopRun, Text(kReasonUnexpected), host);
    }
}

}  // namespace qb::engine
