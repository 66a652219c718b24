#include "ZipReader.h"

#include "AtomicOutput.h"
#include "ErrorCodes.h"
#include "MemberName.h"
#include "Paths.h"
#include "SafePath.h"
#include "Wildcard.h"
#include "ZipHandle.h"
#include "ZipMetadata.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace qb::izip {
namespace {

enum class Action { Extract, Test, List };

struct Call {
    zip_t* archive;
    ArchiverProgressProc proc;
    void* user;
    arc::OutputText& out;
    uint64_t done = 0;
    uint64_t total = 0;

    bool Report(const char* member)
    {
        return !proc || proc(member, done, total, user) != 0;
    }
};

// Reads a member from start to end, handing each piece to sink. libzip checks the CRC when the
// end is reached; a mismatch fails the read. So does data of another length than the member
// declares (libzip lets that pass): a file cut short or padded is not what was packed. Returns
// an ARC code.
template <typename Sink>
int ReadMember(Call& call, zip_uint64_t index, const char* name, Sink&& sink)
{
    ZipFileHandle file(zip_fopen_index(call.archive, index, 0));
    if (!file) {
        call.out.Line(std::string(name) + ": " + zip_strerror(call.archive));
        int code = zip_error_code_zip(zip_get_error(call.archive));
        return code == ZIP_ER_COMPNOTSUPP || code == ZIP_ER_ENCRNOTSUPP ? ARC_ERROR_UNSUPPORTED
                                                                        : ARC_ERROR_BAD_ARCHIVE;
    }
    zip_stat_t declared;
    zip_stat_init(&declared);
    bool knowsSize = zip_stat_index(call.archive, index, 0, &declared) == 0 && (declared.valid & ZIP_STAT_SIZE);
    zip_uint64_t got = 0;
    std::vector<char> buffer(1 << 18);
    for (;;) {
        zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
        if (n < 0) {
            int code = zip_error_code_zip(zip_file_get_error(file.get()));
            call.out.Line(std::string(name) + ": " + zip_file_strerror(file.get()));
            return code == ZIP_ER_CRC ? ARC_ERROR_CHECKSUM : ARC_ERROR_BAD_ARCHIVE;
        }
        if (n == 0 && knowsSize && got != declared.size) {
            call.out.Line(std::string(name) + ": " + std::to_string(got) + " bytes of data, " +
                          std::to_string(declared.size) + " declared");
            call.out.Failed("size-mismatch", name);
            return ARC_ERROR_BAD_ARCHIVE;
        }
        if (n == 0)
            return ARC_OK;
        got += static_cast<zip_uint64_t>(n);
        if (int result = sink(buffer.data(), static_cast<size_t>(n)); result != ARC_OK)
            return result;
        call.done += static_cast<uint64_t>(n);
        if (!call.Report(name))
            return ARC_ERROR_USER_CANCEL;
    }
}

int ExtractMember(Call& call, const std::string& folder, zip_uint64_t index, const std::string& name)
{
    std::string hostPath;
    bool isFolder = !name.empty() && (name.back() == '/' || name.back() == '\\');
    if (int result = arc::PrepareExtractPath(folder, name, hostPath); result != ARC_OK) {
        call.out.Line(name + ": " + arc::ResultName(result));
        return result;
    }
    mode_t mode = MemberMode(call.archive, index);
    time_t mtime = MemberTime(call.archive, index);
    if (isFolder) {
        struct stat info {};
        if (lstat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return ARC_OK;
        if (mkdir(hostPath.c_str(), 0777) != 0)
            return arc::ResultFromErrno(errno, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
        return ARC_OK;
    }
    struct stat existing {};
    if (lstat(hostPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        call.out.Line(name + ": a folder of that name is in the way");
        return ARC_ERROR_WRITE;
    }
    arc::AtomicOutput output;
    if (int result = output.Begin(hostPath, ""); result != ARC_OK)
        return result;
    int fd = output.Fd();
    int result = ReadMember(call, index, name.c_str(), [&](const char* data, size_t size) {
        int err = arc::WriteAll(fd, data, size);
        return err == 0 ? ARC_OK : arc::ResultFromErrno(err, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
    });
    if (result != ARC_OK)
        return result;  // the output discards its temporary file
    struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    futimens(fd, times);
    if ((result = output.Commit(false)) != ARC_OK)  // synced once for all at the end
        return result;
    // Permissions from the archive when it has them for a plain file (never set-id bits, and not
    // the 0777 of a stored link); otherwise the commit kept those of a replaced file.
    if ((mode & 0777) != 0 && (S_ISREG(mode) || (mode & S_IFMT) == 0))
        chmod(hostPath.c_str(), mode & 0777);
    return ARC_OK;
}

bool Wanted(const std::vector<std::string>& names, const std::string& member, std::vector<bool>& used)
{
    if (names.empty())
        return true;
    bool wanted = false;
    for (size_t i = 0; i < names.size(); ++i) {
        std::string pattern = names[i];
        for (char& c : pattern)
            if (c == '\\')
                c = '/';
        if (arc::WildcardMatch(pattern, member)) {
            used[i] = true;
            wanted = true;
        }
    }
    return wanted;
}

}  // namespace

int RunUnZip(const arc::ParsedCommand& command, ArchiverProgressProc proc, void* user,
             arc::OutputText& out)
{
    Action action = Action::Extract;
    if (command.switches.size() != 1 || command.switches[0].size() != 1) {
        out.Line("give one of -x, -t or -l");
        return ARC_ERROR_COMMAND_LINE;
    }
    switch (command.switches[0][0]) {
    case 'x': action = Action::Extract; break;
    case 't': action = Action::Test; break;
    case 'l': action = Action::List; break;
    default:
        out.Line("unknown switch -" + command.switches[0]);
        return ARC_ERROR_COMMAND_LINE;
    }
    if (command.archive.empty()) {
        out.Line("no archive named");
        return ARC_ERROR_COMMAND_LINE;
    }
    std::vector<std::string> names = command.files;
    std::string folder;
    if (action == Action::Extract) {
        if (names.empty()) {
            out.Line("no folder to extract into");
            return ARC_ERROR_COMMAND_LINE;
        }
        folder = arc::ResolveArgumentPath(names.front());
        names.erase(names.begin());
        struct stat info {};
        if (folder.empty() || stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            out.Line("folder not found: " + command.files.front());
            return ARC_ERROR_FOLDER_MISSING;
        }
    }
    std::string archivePath = arc::ResolveArgumentPath(command.archive);
    struct stat archiveInfo {};
    if (archivePath.empty() || stat(archivePath.c_str(), &archiveInfo) != 0) {
        out.Line("archive not found: " + command.archive);
        return ARC_ERROR_ARCHIVE_MISSING;
    }
    int zipError = 0;
    ZipHandle archive(zip_open(archivePath.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &zipError));
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, zipError);
        out.Line(command.archive + ": " + zip_error_strerror(&error));
        zip_error_fini(&error);
        return zipError == ZIP_ER_MEMORY ? ARC_ERROR_NO_MEMORY : ARC_ERROR_BAD_ARCHIVE;
    }

    Call call{archive.get(), proc, user, out};
    zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    std::vector<bool> used(names.size(), false);
    std::vector<std::pair<zip_uint64_t, std::string>> chosen;
    for (zip_int64_t i = 0; i < count; ++i) {
        std::string name;
        if (!MemberName(archive.get(), static_cast<zip_uint64_t>(i), name)) {
            out.Line(std::string("unreadable member name: ") + zip_strerror(archive.get()));
            return ARC_ERROR_BAD_ARCHIVE;
        }
        if (Wanted(names, name, used)) {
            chosen.emplace_back(static_cast<zip_uint64_t>(i), name);
            zip_stat_t st;
            if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) == 0)
                call.total += st.size;
        }
    }
    for (size_t i = 0; i < names.size(); ++i) {
        if (!used[i]) {
            out.Line("not in the archive: " + names[i]);
            return ARC_ERROR_MEMBER_MISSING;
        }
    }

    int failures = 0;
    int firstFailure = ARC_OK;
    for (const auto& [index, name] : chosen) {
        if (!call.Report(name.c_str()))
            return ARC_ERROR_USER_CANCEL;
        int result = ARC_OK;
        if (action == Action::List) {
            zip_stat_t st;
            zip_stat_init(&st);
            zip_stat_index(archive.get(), index, 0, &st);
            char line[64];
            std::snprintf(line, sizeof line, "%12llu %12llu  ",
                          static_cast<unsigned long long>(st.size),
                          static_cast<unsigned long long>(st.comp_size));
            out.Line(line + name);
            continue;
        }
        if (action == Action::Test)
            result = ReadMember(call, index, name.c_str(), [](const char*, size_t) { return ARC_OK; });
        else
            result = ExtractMember(call, folder, index, name);
        if (result == ARC_ERROR_USER_CANCEL || result == ARC_ERROR_DISK_FULL
            || result == ARC_ERROR_READ_ONLY || result == ARC_ERROR_NO_MEMORY)
            return result;  // no point in going on
        if (result != ARC_OK) {
            ++failures;
            if (firstFailure == ARC_OK)
                firstFailure = result;
        }
    }
    if (action == Action::Test)
        out.Line(failures ? std::to_string(failures) + " damaged members" : "no errors");
    if (action == Action::Extract) {
        // One sync of the file system instead of one per extracted file.
        int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            if (syncfs(fd) != 0 && firstFailure == ARC_OK)
                firstFailure = arc::ResultFromErrno(errno, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
            close(fd);
        }
    }
    return firstFailure;
}

}  // namespace qb::izip
