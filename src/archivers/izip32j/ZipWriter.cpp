#include "ZipWriter.h"

#include "AtomicOutput.h"
#include "DeflatePipeline.h"
#include "ErrorCodes.h"
#include "FileCollector.h"
#include "MemberSource.h"
#include "Paths.h"
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

struct ZipOptions {
    bool recurse = false;
    bool folderEntries = true;
    bool hidden = false;
    int level = 6;
};

bool ParseSwitches(const std::vector<std::string>& switches, ZipOptions& options, std::string& bad)
{
    for (const std::string& s : switches) {
        for (char c : s) {
            if (c == 'r')
                options.recurse = true;
            else if (c == 'D')
                options.folderEntries = false;
            else if (c == 'S')
                options.hidden = true;
            else if (c >= '0' && c <= '9')
                options.level = c - '0';
            else {
                bad = s;
                return false;
            }
        }
    }
    return true;
}

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

}  // namespace

int RunZip(const arc::ParsedCommand& command, ArchiverProgressProc proc, void* user,
           arc::OutputText& out)
{
    ZipOptions options;
    std::string bad;
    if (!ParseSwitches(command.switches, options, bad)) {
        out.Line("unknown switch -" + bad);
        return ARC_ERROR_COMMAND_LINE;
    }
    if (command.archive.empty()) {
        out.Line("no archive named");
        return ARC_ERROR_COMMAND_LINE;
    }
    if (command.files.empty()) {
        out.Line("no files named");
        return ARC_ERROR_NOTHING_TO_DO;
    }
    std::string archivePath = arc::ResolveArgumentPath(command.archive);
    if (archivePath.empty()) {
        out.Line("cannot use the archive path " + command.archive);
        return ARC_ERROR_COMMAND_LINE;
    }
    struct stat archiveInfo {};
    bool exists = stat(archivePath.c_str(), &archiveInfo) == 0;
    if (exists && !S_ISREG(archiveInfo.st_mode)) {
        out.Line(command.archive + " is not a file");
        return ARC_ERROR_WRITE;
    }

    arc::CollectOptions collect;
    collect.recurse = options.recurse;
    collect.hidden = options.hidden;
    collect.folderEntries = options.folderEntries;
    collect.skipFiles = {archivePath};
    collect.keepGoing = [&](const std::string& folder) {
        return !proc || proc(folder.c_str(), 0, 0, user) != 0;
    };
    arc::CollectResult files = arc::CollectFiles(command.files, collect);
    for (const std::string& line : files.skipped)
        out.Line("skipped: " + line);
    if (files.result != ARC_OK) {
        out.Line(files.message);
        return files.result;
    }

    arc::AtomicOutput output;
    if (int result = output.Begin(archivePath, ""); result != ARC_OK) {
        out.Line("cannot write " + command.archive + ": " + arc::ResultName(result));
        return result;
    }
    if (exists) {
        if (int result = ShareOldArchive(archivePath, output.TempPath(), out); result != ARC_OK)
            return result;
    }

    // Declared before the archive handle: libzip's sources point into these until it is gone.
    WriteProgress progress;
    progress.proc = proc;
    progress.user = user;
    DeflatePipeline pipeline(options.level > 0 ? options.level : 6);
    std::vector<std::unique_ptr<MemberSourceState>> states;
    std::vector<std::pair<zip_uint64_t, MemberSourceState*>> deflated;

    int zipError = 0;
    ZipHandle archive(zip_open(output.TempPath().c_str(), exists ? ZIP_CHECKCONS : ZIP_CREATE | ZIP_TRUNCATE, &zipError));
    if (!archive) {
        if (exists) {
            out.Line(command.archive + " is not a ZIP archive or is damaged; it was left as it is");
            return ARC_ERROR_BAD_ARCHIVE;
        }
        zip_error_t error;
        zip_error_init_with_code(&error, zipError);
        out.Line(std::string("cannot make the archive: ") + zip_error_strerror(&error));
        zip_error_fini(&error);
        return zipError == ZIP_ER_MEMORY ? ARC_ERROR_NO_MEMORY : ARC_ERROR_WRITE;
    }

    size_t added = 0, replaced = 0, kept = 0;
    for (const arc::SourceEntry& entry : files.entries) {
        if (entry.isFolder) {
            if (zip_name_locate(archive.get(), (entry.member + "/").c_str(), 0) >= 0) {
                ++kept;
                continue;
            }
            zip_int64_t index = zip_dir_add(archive.get(), entry.member.c_str(), ZIP_FL_ENC_UTF_8);
            if (index < 0)
                return LibzipFailure(archive.get(), "cannot add " + entry.member, out);
            SetMemberMetadata(archive.get(), static_cast<zip_uint64_t>(index), entry.info, true);
            ++added;
            continue;
        }
        zip_int64_t old = zip_name_locate(archive.get(), entry.member.c_str(), 0);
        if (old >= 0 && MemberMatchesFile(archive.get(), static_cast<zip_uint64_t>(old), entry.info,
                                         entry.hostPath)) {
            ++kept;
            continue;
        }
        auto state = std::make_unique<MemberSourceState>();
        state->progress = &progress;
        state->member = entry.member;
        state->hostPath = entry.hostPath;
        state->mtime = entry.info.st_mtime;
        state->expectedSize = static_cast<uint64_t>(entry.info.st_size);
        bool deflate = options.level > 0 && entry.info.st_size > 0;
        zip_source_t* source = MakeMemberSource(archive.get(), state.get());
        if (!source)
            return LibzipFailure(archive.get(), "cannot add " + entry.member, out);
        zip_uint64_t index;
        if (old >= 0) {
            if (zip_file_replace(archive.get(), static_cast<zip_uint64_t>(old), source, 0) < 0) {
                zip_source_free(source);
                return LibzipFailure(archive.get(), "cannot replace " + entry.member, out);
            }
            index = static_cast<zip_uint64_t>(old);
            ++replaced;
            out.Line("updating: " + entry.member);
        } else {
            zip_int64_t added_index = zip_file_add(archive.get(), entry.member.c_str(), source, ZIP_FL_ENC_UTF_8);
            if (added_index < 0) {
                zip_source_free(source);
                return LibzipFailure(archive.get(), "cannot add " + entry.member, out);
            }
            index = static_cast<zip_uint64_t>(added_index);
            ++added;
            out.Line("adding: " + entry.member);
        }
        zip_set_file_compression(archive.get(), index, deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                                 deflate ? static_cast<zip_uint32_t>(options.level) : 0);
        SetMemberMetadata(archive.get(), index, entry.info, false);
        progress.total += state->expectedSize;
        if (deflate)
            deflated.emplace_back(index, state.get());
        states.push_back(std::move(state));
    }

    // libzip writes members in index order; the workers compress them in that same order.
    std::sort(deflated.begin(), deflated.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [index, state] : deflated) {
        state->pipeline = &pipeline;
        state->index = pipeline.Add(state->hostPath, state->expectedSize);
    }
    pipeline.Start();

    if (zip_close(archive.get()) != 0) {
        int result = CloseFailure(archive.get(), progress, out);
        pipeline.Stop();
        return result;
    }
    archive.release();  // zip_close has freed it
    if (added == 0 && replaced == 0) {
        out.Line("nothing to update: " + std::to_string(kept) + " members kept");
        return ARC_OK;  // the old archive is already what was asked for
    }
    if (int result = output.Commit(); result != ARC_OK) {
        out.Line(std::string("cannot put the archive in place: ") + arc::ResultName(result));
        return result;
    }
    out.Line(std::to_string(added) + " added, " + std::to_string(replaced) + " replaced, "
             + std::to_string(kept) + " kept");
    return ARC_OK;
}

}  // namespace qb::izip
