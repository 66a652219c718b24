#include "ZipWriter.h"

#include "ArchiveFileSource.h"
#include "AtomicOutput.h"
#include "DeflatePipeline.h"
#include "ErrorCodes.h"
#include "FileCollector.h"
#include "MemberName.h"
#include "MemberSource.h"
#include "Paths.h"
#include "ZipCommand.h"
#include "ZipHandle.h"
#include "ZipMetadata.h"
#include "platform/Utf8.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

namespace qb::izip {
namespace {

// Why zip_close failed, as a result code: a cancel or a source's own failure first, as they
// are the cause; else the system error libzip met while writing.
int CloseFailure(zip_t* archive, const WriteProgress& progress, arc::OutputText& out)
{
    if (progress.cancelled) {
        out.Line("cancelled; the archive was not changed");
        return ARC_ERROR_USER_CANCEL;
    }
    if (progress.failure != 0) {
        out.Line(progress.message);
        // Named the way the callers read it, so that they can say which file it was.
        if (progress.failure == ARC_ERROR_READ_SOURCE ||
            progress.failure == ARC_ERROR_SOURCE_CHANGED)
            out.Failed(progress.failure == ARC_ERROR_READ_SOURCE ? "unreadable" : "changed",
                       progress.member);
        return progress.failure;
    }
    zip_error_t* error = zip_get_error(archive);
    out.Line(std::string("writing the archive failed: ") + zip_error_strerror(error));
    int sys = zip_error_code_system(error);
    if (zip_error_system_type(error) == ZIP_ET_SYS && sys != 0)
        return arc::ResultFromErrno(sys, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_MEMORY: return ARC_ERROR_NO_MEMORY;
    case ZIP_ER_CANCELLED: return ARC_ERROR_USER_CANCEL;
    case ZIP_ER_TMPOPEN: return ARC_ERROR_TEMP_FILE;
    default: return ARC_ERROR_WRITE;
    }
}

// Reads the new archive back: its central directory checked against the local headers, and every
// member decompressed against its CRC. A failure is ARC_ERROR_TEST_FAILED.
int TestWrittenArchive(const std::string& path, zip_int64_t expected, const WriteProgress& progress,
                       arc::OutputText& out)
{
    int error = 0;
    ZipHandle archive(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    auto fail = [&](const std::string& what, const std::string& member) {
        out.Line("testing the new archive: " + what);
        out.Failed("test-failed", member);
        return ARC_ERROR_TEST_FAILED;
    };
    if (!archive)
        return fail("it cannot be opened", path);
    if (zip_get_num_entries(archive.get(), 0) != expected)
        return fail("it does not hold every member", path);
    std::vector<char> buffer(1 << 16);
    for (zip_int64_t i = 0; i < expected; ++i) {
        const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        std::string member = name ? name : "";
        zip_file_t* file = zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0);
        if (!file)
            return fail(member + ": " + zip_strerror(archive.get()), member);
        zip_int64_t n;
        while ((n = zip_fread(file, buffer.data(), buffer.size())) > 0) {
        }
        std::string why = n < 0 ? zip_file_strerror(file) : "";
        zip_fclose(file);
        if (n < 0)
            return fail(member + ": " + why, member);
        if (progress.proc && progress.proc(member.c_str(), 0, 0, progress.user) == 0)
            return ARC_ERROR_USER_CANCEL;
    }
    return ARC_OK;
}

int LibzipFailure(zip_t* archive, const std::string& what, arc::OutputText& out)
{
    out.Line(what + ": " + zip_strerror(archive));
    return zip_error_code_zip(zip_get_error(archive)) == ZIP_ER_MEMORY ? ARC_ERROR_NO_MEMORY
                                                                        : ARC_ERROR_INTERNAL;
}

arc::CollectResult Collect(const ZipCommand& command, const WriteProgress& progress, arc::OutputText& out)
{
    arc::CollectOptions collect;
    collect.recurse = command.recurse;
    collect.hidden = command.hidden;
    collect.folderEntries = command.folderEntries;
    collect.skipFiles = {command.archivePath};
    collect.keepGoing = [&](const std::string& folder) {
        return !progress.proc || progress.proc(folder.c_str(), 0, 0, progress.user) != 0;
    };
    arc::CollectResult files = arc::CollectFiles(command.files, collect);
    for (const arc::SkippedFile& skipped : files.skipped)
        out.Skipped(skipped.reason, skipped.member);
    if (files.result != ARC_OK)
        out.Line(files.message);
    return files;
}

// Writing the archive through libzip: the collected entries become members (or keep theirs),
// the pipeline deflates the files ahead of libzip, zip_close writes everything in order.
class ZipPacker {
public:
    ZipPacker(const ZipCommand& command, WriteProgress& progress, arc::OutputText& out)
        : command_(command), progress_(progress), out_(out), pipeline_(LibdeflateLevel(command.level))
    {
    }
    // Opens the archive to write into the descriptor outFd: the old archive updated (update),
    // or a new one.
    int Open(int outFd, bool update);
    // Picks the code of the new names: CP932 without the UTF-8 flag when asked for and every
    // name of the archive has a CP932 form, else UTF-8 with the flag.
    void ChooseNameCode(const std::vector<arc::SourceEntry>& entries);
    int Add(const arc::SourceEntry& entry);
    zip_int64_t Members() const { return zip_get_num_entries(archive_.get(), 0); }
    // Writes the archive; afterwards Changed() says whether anything was added or replaced.
    int Close();
    bool Changed() const { return added_ > 0 || replaced_ > 0; }
    std::string Summary() const
    {
        return std::to_string(added_) + " added, " + std::to_string(replaced_) + " replaced, "
            + std::to_string(kept_) + " kept";
    }
    size_t Kept() const { return kept_; }

private:
    int AddFolder(const arc::SourceEntry& entry);

    const ZipCommand& command_;
    WriteProgress& progress_;
    arc::OutputText& out_;
    // Declared before the archive handle: libzip's sources point into these until it is gone.
    DeflatePipeline pipeline_;
    std::vector<std::unique_ptr<MemberSourceState>> states_;
    std::vector<std::pair<zip_uint64_t, MemberSourceState*>> deflated_;
    ZipHandle archive_;
    size_t added_ = 0, replaced_ = 0, kept_ = 0;
    // The members already there, by name as people read it; names that are not text also by
    // their bytes (after a \x01, which no text name holds).
    std::map<std::string, zip_uint64_t> existing_;
    bool cp932_ = false;
    uint64_t archiveTime_ = 0;  // when the old archive was written, file time ticks

    zip_int64_t Find(const arc::SourceEntry& entry, bool folder) const;
    std::string StoredName(const arc::SourceEntry& entry, zip_flags_t& flags) const;
};

int ZipPacker::Open(int outFd, bool update)
{
    int oldFd = -1;
    if (update && (oldFd = open(command_.archivePath.c_str(), O_RDONLY | O_CLOEXEC)) < 0) {
        out_.Line("cannot read the archive: " + std::string(std::strerror(errno)));
        return ARC_ERROR_BAD_ARCHIVE;
    }
    if (struct stat info{}; oldFd >= 0 && fstat(oldFd, &info) == 0)
        archiveTime_ = FileTimeFromUnix(info.st_mtim).value_or(UINT64_MAX);
    // libzip reads the old archive and writes straight into our locked temporary file.
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* file = MakeArchiveFileSource(oldFd, outFd, &error);
    if (file)
        archive_.reset(zip_open_from_source(file, update ? ZIP_CHECKCONS : ZIP_CREATE | ZIP_TRUNCATE, &error));
    if (file && !archive_)
        zip_source_free(file);
    int zipError = zip_error_code_zip(&error);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    if (!archive_) {
        if (update) {
            out_.Line(command_.archive + " is not a ZIP archive or is damaged; it was left as it is");
            out_.Failed("damaged-archive", command_.archive);
            return ARC_ERROR_BAD_ARCHIVE;
        }
        out_.Line("cannot make the archive: " + text);
        return zipError == ZIP_ER_MEMORY ? ARC_ERROR_NO_MEMORY : ARC_ERROR_WRITE;
    }
    zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
    for (zip_uint64_t i = 0; count > 0 && i < static_cast<zip_uint64_t>(count); ++i) {
        std::string name;
        if (!MemberName(archive_.get(), i, name))
            continue;
        existing_.emplace(name, i);
        if (const char* raw = zip_get_name(archive_.get(), i, ZIP_FL_ENC_RAW); raw && !platform::IsValidUtf8(raw))
            existing_.emplace(std::string("\x01") + raw, i);
    }
    return ARC_OK;
}

void ZipPacker::ChooseNameCode(const std::vector<arc::SourceEntry>& entries)
{
    cp932_ = command_.cp932Names;
    std::string cp932;
    for (auto it = existing_.begin(); cp932_ && it != existing_.end(); ++it)
        cp932_ = it->first[0] == '\x01' || NameToCp932(it->first, cp932);
    for (auto it = entries.begin(); cp932_ && it != entries.end(); ++it)
        cp932_ = it->rawName || NameToCp932(it->member, cp932);
}

zip_int64_t ZipPacker::Find(const arc::SourceEntry& entry, bool folder) const
{
    auto it = existing_.find((entry.rawName ? "\x01" : "") + entry.member + (folder ? "/" : ""));
    return it == existing_.end() ? -1 : static_cast<zip_int64_t>(it->second);
}

// The name as stored and how: UTF-8 with the UTF-8 flag, or bytes without it (CP932 for old
// Windows tools, or the bytes of a name that is not text).
std::string ZipPacker::StoredName(const arc::SourceEntry& entry, zip_flags_t& flags) const
{
    flags = ZIP_FL_ENC_UTF_8;
    std::string cp932;
    if (entry.rawName || (cp932_ && NameToCp932(entry.member, cp932))) {
        flags = ZIP_FL_ENC_CP437;  // stored as the bytes given, without the flag
        return entry.rawName ? entry.member : cp932;
    }
    return entry.member;
}

int ZipPacker::AddFolder(const arc::SourceEntry& entry)
{
    if (Find(entry, true) >= 0) {
        ++kept_;
        return ARC_OK;
    }
    zip_flags_t flags = 0;
    std::string name = StoredName(entry, flags);
    zip_int64_t index = zip_dir_add(archive_.get(), name.c_str(), flags);
    if (index < 0)
        return LibzipFailure(archive_.get(), "cannot add " + entry.member, out_);
    SetMemberMetadata(archive_.get(), static_cast<zip_uint64_t>(index), entry.info, true);
    ++added_;
    return ARC_OK;
}

int ZipPacker::Add(const arc::SourceEntry& entry)
{
    if (entry.member.size() >= 0xFFFF) {
        out_.Skipped("name-too-long", entry.member);
        return ARC_OK;
    }
    if (entry.rawName)
        out_.RawName(entry.member);
    if (entry.isFolder)
        return AddFolder(entry);
    zip_t* archive = archive_.get();
    zip_int64_t old = Find(entry, false);
    if (old >= 0 && MemberMatchesFile(archive, static_cast<zip_uint64_t>(old), entry.info,
                                      entry.hostPath, archiveTime_)) {
        ++kept_;
        return ARC_OK;
    }
    auto state = std::make_unique<MemberSourceState>();
    state->progress = &progress_;
    state->entry = &entry;
    state->expectedSize = static_cast<uint64_t>(entry.info.st_size);
    bool deflate = command_.level > 0 && entry.info.st_size > 0;
    zip_source_t* source = MakeMemberSource(archive, state.get());
    if (!source)
        return LibzipFailure(archive, "cannot add " + entry.member, out_);
    zip_uint64_t index;
    if (old >= 0) {
        if (zip_file_replace(archive, static_cast<zip_uint64_t>(old), source, 0) < 0) {
            zip_source_free(source);
            return LibzipFailure(archive, "cannot replace " + entry.member, out_);
        }
        index = static_cast<zip_uint64_t>(old);
        ++replaced_;
        out_.Line("updating: " + arc::EscapedName(entry.member));
    } else {
        zip_flags_t flags = 0;
        std::string name = StoredName(entry, flags);
        zip_int64_t added = zip_file_add(archive, name.c_str(), source, flags);
        if (added < 0) {
            zip_source_free(source);
            return LibzipFailure(archive, "cannot add " + entry.member, out_);
        }
        index = static_cast<zip_uint64_t>(added);
        ++added_;
        out_.Line("adding: " + arc::EscapedName(entry.member));
    }
    zip_set_file_compression(archive, index, deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                             deflate ? static_cast<zip_uint32_t>(command_.level) : 0);
    SetMemberMetadata(archive, index, entry.info, false);
    progress_.total += state->expectedSize;
    if (deflate)
        deflated_.emplace_back(index, state.get());
    states_.push_back(std::move(state));
    return ARC_OK;
}

int ZipPacker::Close()
{
    // libzip writes members in index order; the workers compress them in that same order.
    std::sort(deflated_.begin(), deflated_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [index, state] : deflated_) {
        state->pipeline = &pipeline_;
        state->index = pipeline_.Add(state->entry->hostPath, state->expectedSize);
    }
    std::vector<std::pair<zip_uint64_t, MemberSourceState*>>().swap(deflated_);
    pipeline_.Start();
    if (zip_close(archive_.get()) != 0) {
        int result = CloseFailure(archive_.get(), progress_, out_);
        pipeline_.Stop();
        return result;
    }
    archive_.release();  // zip_close has freed it
    return ARC_OK;
}

}  // namespace

int RunZip(const arc::ParsedCommand& parsed, ArchiverProgressProc proc, void* user, arc::OutputText& out)
{
    ZipCommand command;
    if (int result = ReadZipCommand(parsed, command, out); result != ARC_OK)
        return result;
    WriteProgress progress;
    progress.proc = proc;
    progress.user = user;
    arc::CollectResult files = Collect(command, progress, out);
    if (files.result != ARC_OK)
        return files.result;

    arc::RemoveDeadTempFilesFor(command.archivePath, "");
    arc::AtomicOutput output;
    if (int result = output.Begin(command.archivePath, ""); result != ARC_OK) {
        out.Line("cannot write " + command.archive + ": " + arc::ResultName(result));
        return result;
    }
    // A rebuild takes nothing from the old archive; it need not even be readable.
    bool update = command.exists && !command.rebuild;
    ZipPacker packer(command, progress, out);
    if (int result = packer.Open(output.Fd(), update); result != ARC_OK)
        return result;
    packer.ChooseNameCode(files.entries);
    for (const arc::SourceEntry& entry : files.entries) {
        if (int result = packer.Add(entry); result != ARC_OK)
            return result;
    }
    zip_int64_t members = packer.Members();
    if (members <= 0) {
        out.Line("no files to pack");
        return ARC_ERROR_NOTHING_TO_DO;
    }
    if (int result = packer.Close(); result != ARC_OK)
        return result;
    int done = out.AnySkipped() ? ARC_ERROR_INCOMPLETE : ARC_OK;
    if (update && !packer.Changed()) {
        out.Line("nothing to update: " + std::to_string(packer.Kept()) + " members kept");
        return done;  // the old archive is already what was asked for
    }
    // The last report before the new archive is tested and put in place: a cancel here still
    // leaves the old archive as it was.
    if (proc && proc(command.archive.c_str(), progress.total, progress.total, user) == 0) {
        out.Line("cancelled; the archive was not changed");
        return ARC_ERROR_USER_CANCEL;
    }
    if (command.test) {
        if (int result = TestWrittenArchive(output.TempPath(), members, progress, out); result != ARC_OK)
            return result;
    }
    if (int result = output.Commit(); result != ARC_OK) {
        out.Line(std::string("cannot put the archive in place: ") + arc::ResultName(result));
        return result;
    }
    out.Line(packer.Summary());
    return done;
}

}  // namespace qb::izip
