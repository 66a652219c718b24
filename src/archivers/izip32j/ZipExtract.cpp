#include "ZipExtract.h"

#include "ErrorCodes.h"
#include "ExtractFile.h"
#include "SafePath.h"
#include "ZipMetadata.h"
#include "archiver_results.h"

#include <sys/stat.h>

#include <cerrno>

namespace qb::izip {
namespace {

class Extractor {
public:
    Extractor(zip_t* archive, const std::string& folder, MemberReader& reader,
              ReadProgress& progress, arc::OutputText& out)
        : archive_(archive), paths_(folder), reader_(reader), progress_(progress), out_(out),
          umask_(arc::ReadUmask())
    { }

    int Member(const ChosenMember& member);

private:
    int MakeFolder(const std::string& hostPath);
    int WriteFile(const ChosenMember& member, const std::string& hostPath);

    zip_t* archive_;
    arc::ExtractPaths paths_;
    MemberReader& reader_;
    ReadProgress& progress_;
    arc::OutputText& out_;
    mode_t umask_;
};

int Extractor::Member(const ChosenMember& member)
{
    const std::string& name = member.name;
    std::string hostPath;
    if (int result = paths_.Prepare(name, hostPath); result != ARC_OK) {
        out_.Line(name + ": " + arc::ResultName(result));
        return result;
    }
    bool isFolder = !name.empty() && (name.back() == '/' || name.back() == '\\');
    return isFolder ? MakeFolder(hostPath) : WriteFile(member, hostPath);
}

int Extractor::MakeFolder(const std::string& hostPath)
{
    struct stat info { };
    if (lstat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return ARC_OK;
    if (mkdir(hostPath.c_str(), 0777) != 0)
        return arc::ResultFromErrno(errno, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
    return ARC_OK;
}

int Extractor::WriteFile(const ChosenMember& member, const std::string& hostPath)
{
    arc::ExtractFile file;
    if (int result = file.Begin(hostPath); result != ARC_OK)
        return result;
    int result = reader_.Read(member.index, member.name, [&](const char* data, size_t size) {
        int err = file.Write(data, size);
        return err == 0 ? ARC_OK
                        : arc::ResultFromErrno(err, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
    });
    if (result != ARC_OK)
        return result;  // the temporary file goes with `file`
    // Permissions from the archive when it has them for a plain file (never set-id bits, and not
    // the 0777 of a stored link); otherwise those of a replaced file are kept.
    mode_t stored = MemberMode(archive_, member.index);
    std::optional<mode_t> mode;
    if ((stored & 0777) != 0 && (S_ISREG(stored) || (stored & S_IFMT) == 0))
        mode = stored & 0777;
    result = file.Commit(mode, MemberTimeExact(archive_, member.index), umask_);
    if (result == arc::kFolderInTheWay) {
        out_.Line(member.name + ": a folder of that name is in the way");
        return ARC_ERROR_WRITE;
    }
    return result;
}

}  // namespace

bool EndsTheCall(int result)
{
    return result == ARC_ERROR_USER_CANCEL || result == ARC_ERROR_DISK_FULL ||
           result == ARC_ERROR_READ_ONLY || result == ARC_ERROR_NO_MEMORY;
}

int ExtractMembers(zip_t* archive, const std::vector<ChosenMember>& members,
                   const std::string& folder, MemberReader& reader, ReadProgress& progress,
                   arc::OutputText& out)
{
    Extractor extractor(archive, folder, reader, progress, out);
    int firstFailure = ARC_OK;
    for (const ChosenMember& member : members) {
        if (!progress.Report(member.name.c_str()))
            return ARC_ERROR_USER_CANCEL;
        int result = extractor.Member(member);
        if (EndsTheCall(result))
            return result;
        if (result != ARC_OK && firstFailure == ARC_OK)
            firstFailure = result;
    }
    return firstFailure;
}

}  // namespace qb::izip
