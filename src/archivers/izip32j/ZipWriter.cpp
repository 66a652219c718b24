#include "ZipWriter.h"

#include "AtomicOutput.h"
#include "DeflatePipeline.h"
#include "ErrorCodes.h"
#include "FileCollector.h"
#include "MemberSource.h"
#include "Paths.h"
#include "ZipCommand.h"
#include "ZipHandle.h"
#include "ZipMetadata.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace qb::izip {
namespace {

// Lets the temporary file start as the old archive without copying it: a second name for the
// same data. libzip writes its result to a new file and renames that over the temporary name,
// so the old archive itself is never written to. Where links are not possible, a copy.
int ShareOldArchive(const std::string& archive, const std::string& temp, arc::OutputText& out)
{
    if (unlink(temp.c_str()) != 0 && errno != ENOENT)
        return arc::ResultFromErrno(errno, arc::ErrorSide::Destination, ARC_ERROR_TEMP_FILE);
    if (link(archive.c_str(), temp.c_str()) == 0)
        return ARC_OK;
    int in = open(archive.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        out.Line("cannot read the archive: " + std::string(std::strerror(errno)));
        return ARC_ERROR_BAD_ARCHIVE;
    }
    int copy = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    int err = copy < 0 ? errno : 0;
    std::vector<char> buffer(1 << 20);
    while (err == 0) {
        ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : 0;
            break;
        }
        err = arc::WriteAll(copy, buffer.data(), static_cast<size_t>(n));
    }
    close(in);
    if (copy >= 0 && close(copy) != 0 && err == 0)
        err = errno;
    return err == 0 ? ARC_OK : arc::ResultFromErrno(err, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
}

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
    for (const std::string& line : files.skipped)
        out.Line("skipped: " + line);
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
    int Open(const std::string& tempPath);
    int Add(const arc::SourceEntry& entry);
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
};

int ZipPacker::Open(const std::string& tempPath)
{
    int zipError = 0;
    archive_.reset(zip_open(tempPath.c_str(), command_.exists ? ZIP_CHECKCONS : ZIP_CREATE | ZIP_TRUNCATE, &zipError));
    if (archive_)
        return ARC_OK;
    if (command_.exists) {
        out_.Line(command_.archive + " is not a ZIP archive or is damaged; it was left as it is");
        return ARC_ERROR_BAD_ARCHIVE;
    }
    zip_error_t error;
    zip_error_init_with_code(&error, zipError);
    out_.Line(std::string("cannot make the archive: ") + zip_error_strerror(&error));
    zip_error_fini(&error);
    return zipError == ZIP_ER_MEMORY ? ARC_ERROR_NO_MEMORY : ARC_ERROR_WRITE;
}

int ZipPacker::AddFolder(const arc::SourceEntry& entry)
{
    if (zip_name_locate(archive_.get(), (entry.member + "/").c_str(), 0) >= 0) {
        ++kept_;
        return ARC_OK;
    }
    zip_int64_t index = zip_dir_add(archive_.get(), entry.member.c_str(), ZIP_FL_ENC_UTF_8);
    if (index < 0)
        return LibzipFailure(archive_.get(), "cannot add " + entry.member, out_);
    SetMemberMetadata(archive_.get(), static_cast<zip_uint64_t>(index), entry.info, true);
    ++added_;
    return ARC_OK;
}

int ZipPacker::Add(const arc::SourceEntry& entry)
{
    if (entry.isFolder)
        return AddFolder(entry);
    zip_t* archive = archive_.get();
    zip_int64_t old = zip_name_locate(archive, entry.member.c_str(), 0);
    if (old >= 0 && MemberMatchesFile(archive, static_cast<zip_uint64_t>(old), entry.info, entry.hostPath)) {
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
        out_.Line("updating: " + entry.member);
    } else {
        zip_int64_t added = zip_file_add(archive, entry.member.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (added < 0) {
            zip_source_free(source);
            return LibzipFailure(archive, "cannot add " + entry.member, out_);
        }
        index = static_cast<zip_uint64_t>(added);
        ++added_;
        out_.Line("adding: " + entry.member);
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

    arc::AtomicOutput output;
    if (int result = output.Begin(command.archivePath, ""); result != ARC_OK) {
        out.Line("cannot write " + command.archive + ": " + arc::ResultName(result));
        return result;
    }
    if (command.exists) {
        if (int result = ShareOldArchive(command.archivePath, output.TempPath(), out); result != ARC_OK)
            return result;
    }
    ZipPacker packer(command, progress, out);
    if (int result = packer.Open(output.TempPath()); result != ARC_OK)
        return result;
    for (const arc::SourceEntry& entry : files.entries) {
        if (int result = packer.Add(entry); result != ARC_OK)
            return result;
    }
    if (int result = packer.Close(); result != ARC_OK)
        return result;
    if (!packer.Changed()) {
        out.Line("nothing to update: " + std::to_string(packer.Kept()) + " members kept");
        return ARC_OK;  // the old archive is already what was asked for
    }
    if (int result = output.Commit(); result != ARC_OK) {
        out.Line(std::string("cannot put the archive in place: ") + arc::ResultName(result));
        return result;
    }
    out.Line(packer.Summary());
    return ARC_OK;
}

}  // namespace qb::izip
