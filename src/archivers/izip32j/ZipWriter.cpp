#include "ZipWriter.h"

#include "AtomicOutput.h"
#include "DeflatePipeline.h"
#include "ErrorCodes.h"
#include "FileCollector.h"
#include "LongPath.h"
#include "MemberName.h"
#include "MemberReader.h"
#include "Paths.h"
#include "ZipCommand.h"
#include "ZipDirectory.h"
#include "ZipFormat.h"
#include "ZipHandle.h"
#include "ZipMetadata.h"
#include "ZipOutput.h"
#include "ZipRecords.h"
#include "archiver_results.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>

namespace qb::izip {
namespace {

constexpr uint64_t kReportEvery = 1u << 20;  // bytes between progress reports inside a member
constexpr uint64_t kZip64From = 0xFFFF0000u;  // files this large get a ZIP64 local header
constexpr uint32_t kDosFolder = 0x10;

// Where progress goes, and the first failure met while writing.
struct Progress {
    ArchiverProgressProc proc = nullptr;
    void* user = nullptr;
    uint64_t done = 0;
    uint64_t total = 0;

    // False when the caller asked to cancel.
    bool Report(const std::string& member) const
    {
        return !proc || proc(member.c_str(), done, total, user) != 0;
    }
};

// Reads the new archive back: its central directory checked against the local headers, and every
// member decompressed against its CRC. A failure is ARC_ERROR_TEST_FAILED.
int TestWrittenArchive(const std::string& path, uint64_t expected, const Progress& progress,
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
    if (zip_get_num_entries(archive.get(), 0) != static_cast<zip_int64_t>(expected))
        return fail("it does not hold every member", path);
    std::vector<char> buffer(1 << 16);
    for (uint64_t i = 0; i < expected; ++i) {
        const char* name = zip_get_name(archive.get(), i, ZIP_FL_ENC_RAW);
        std::string member = name ? name : "";
        zip_file_t* file = zip_fopen_index(archive.get(), i, 0);
        if (!file)
            return fail(member + ": " + zip_strerror(archive.get()), member);
        zip_int64_t n;
        while ((n = zip_fread(file, buffer.data(), buffer.size())) > 0) { }
        std::string why = n < 0 ? zip_file_strerror(file) : "";
        zip_fclose(file);
        if (n < 0)
            return fail(member + ": " + why, member);
        if (progress.proc && progress.proc(member.c_str(), 0, 0, progress.user) == 0)
            return ARC_ERROR_USER_CANCEL;
    }
    return ARC_OK;
}

// The files of the call. Under -sync, files and folders that cannot be read are reported only
// once it is known whether the old archive keeps members of theirs: they go to unreadable.
arc::CollectResult Collect(const ZipCommand& command, const Progress& progress,
                           arc::OutputText& out, std::vector<std::string>& unreadable)
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
    for (const arc::SkippedFile& skipped : files.skipped) {
        if (command.rebuild && skipped.reason == "unreadable")
            unreadable.push_back(skipped.member);
        else
            out.Skipped(skipped.reason, skipped.member);
    }
    if (files.result != ARC_OK)
        out.Line(files.message);
    return files;
}

// Writing the archive ourselves, member after member, so that memory grows only by a small
// record per member: the collected entries become members (or keep theirs), the pipeline
// deflates the files ahead of the writer, kept members of an old archive are copied as they are.
class ZipPacker {
public:
    ZipPacker(const ZipCommand& command, Progress& progress, arc::OutputText& out)
        : command_(command), progress_(progress), out_(out),
          pipeline_(LibdeflateLevel(command.level))
    { }
    ~ZipPacker()
    {
        if (oldFd_ >= 0)
            close(oldFd_);  // a module lives in the program: one descriptor per call would add up
    }
    ZipPacker(const ZipPacker&) = delete;
    ZipPacker& operator=(const ZipPacker&) = delete;
    // Reads the directory of the old archive (update).
    int Open();
    // -sync: keeps from the old archive, when it can be read, only the members of files and
    // folders that are there but cannot be read; the names that kept any go to kept.
    void KeepOnly(const arc::UnreadableNames& unreadable, std::set<std::string>& kept);
    // Decides for every entry: kept, replaced or added.
    void Plan(const std::vector<arc::SourceEntry>& entries);
    uint64_t Members() const { return directory_.Members().size() - dropped_ + adds_.size(); }
    bool Changed() const { return !adds_.empty() || replaced_ > 0; }
    size_t Kept() const { return kept_; }
    // Writes the archive into fd.
    int Write(int fd);
    std::string Summary() const
    {
        return std::to_string(adds_.size()) + " added, " + std::to_string(replaced_) +
               " replaced, " + std::to_string(kept_) + " kept";
    }

private:
    void ChooseNameCode(const std::vector<arc::SourceEntry>& entries);
    std::string StoredName(const arc::SourceEntry& entry, uint16_t& flags) const;
    bool Deflated(const arc::SourceEntry& entry) const
    {
        return !entry.isFolder && command_.level > 0 && entry.info.st_size > 0;
    }
    // What a member's records hold besides what only writing its data tells.
    NewRecord Describe(const arc::SourceEntry& entry) const;
    int WriteEntry(const arc::SourceEntry& entry);
    int WriteDeflated(const arc::SourceEntry& entry, size_t member, NewRecord& record);
    int StoreInstead(const arc::SourceEntry& entry, NewRecord& record, uint64_t dataStart);
    int WriteStored(const arc::SourceEntry& entry, NewRecord& record);
    int CopyKept(uint64_t from, uint64_t to);
    int CheckKept();
    int WriteDirectory();
    int WriteFailure(int err);
    int SourceFailure(const arc::SourceEntry& entry, int err);

    const ZipCommand& command_;
    Progress& progress_;
    arc::OutputText& out_;
    DeflatePipeline pipeline_;
    ZipDirectory directory_;
    int oldFd_ = -1;
    uint64_t archiveTime_ = 0;  // when the old archive was written, file time ticks
    bool cp932_ = false;

    std::vector<bool> drop_;  // per old member: left out (-sync)
    size_t dropped_ = 0;
    std::vector<const arc::SourceEntry*> replaceBy_;  // per old member: the entry replacing it
    std::vector<uint64_t> newOffset_;  // per old member: where it went
    std::vector<int32_t> replacedRecord_;  // per old member: its record in records_
    std::vector<const arc::SourceEntry*> adds_;
    // What writing told of each new member (replaced ones, then added ones); the rest of its
    // record is described again from its entry when the directory is written.
    struct Written {
        const arc::SourceEntry* entry;
        uint64_t offset, compressedSize, size;
        uint32_t crc;
        uint16_t method;
    };
    std::vector<Written> records_;
    std::string CentralOf(const Written& w) const;
    size_t replaced_ = 0, kept_ = 0;
    size_t nextPiece_ = 0;  // member number of the next deflated file in the pipeline
    std::unique_ptr<ZipOutput> output_;
};

int ZipPacker::Open()
{
    oldFd_ = open(command_.archivePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (oldFd_ < 0) {
        out_.Line("cannot read the archive: " + std::string(std::strerror(errno)));
        return ARC_ERROR_BAD_ARCHIVE;
    }
    if (struct stat info{}; fstat(oldFd_, &info) == 0)
        archiveTime_ = FileTimeFromUnix(info.st_mtim).value_or(UINT64_MAX);
    std::string why;
    if (directory_.Read(oldFd_, why) != ARC_OK) {
        out_.Line(command_.archive + " is not a ZIP archive or is damaged (" + why +
                  "); it was left as it is");
        out_.Failed("damaged-archive", command_.archive);
        return ARC_ERROR_BAD_ARCHIVE;
    }
    return ARC_OK;
}

void ZipPacker::KeepOnly(const arc::UnreadableNames& unreadable, std::set<std::string>& kept)
{
    // A rebuild does not need the old archive: one that cannot be read keeps nothing (and is
    // not reported as damaged: it is replaced).
    oldFd_ = open(command_.archivePath.c_str(), O_RDONLY | O_CLOEXEC);
    std::string why;
    if (oldFd_ < 0 || directory_.Read(oldFd_, why) != ARC_OK) {
        directory_ = ZipDirectory();
        return;
    }
    const std::vector<OldMember>& old = directory_.Members();
    drop_.assign(old.size(), true);
    dropped_ = old.size();
    for (size_t i = 0; i < old.size(); ++i) {
        auto bare = [](std::string name) {
            while (!name.empty() && name.back() == '/')
                name.pop_back();
            return name;
        };
        const std::string* by = unreadable.Covering(bare(old[i].raw));
        if (!by)
            by = unreadable.Covering(bare(old[i].Name()));
        if (by) {
            drop_[i] = false;
            --dropped_;
            ++kept_;
            kept.insert(*by);
        }
    }
}

void ZipPacker::Plan(const std::vector<arc::SourceEntry>& entries)
{
    const std::vector<OldMember>& old = directory_.Members();
    replaceBy_.assign(old.size(), nullptr);
    drop_.resize(old.size(), false);
    for (const arc::SourceEntry& entry : entries) {
        if (entry.member.size() >= 0xFFFF) {
            out_.Skipped("name-too-long", entry.member);
            continue;
        }
        if (entry.rawName)
            out_.RawName(entry.member);
        // A rebuild takes every file anew; its old members are only those kept above.
        int64_t found =
            command_.rebuild
                ? -1
                : directory_.Find(entry.member + (entry.isFolder ? "/" : ""), entry.rawName);
        if (found >= 0 && replaceBy_[found] == nullptr &&
            (entry.isFolder ||
             MemberMatchesFile(old[found], entry.info, entry.hostPath, archiveTime_))) {
            ++kept_;
        } else if (found >= 0 && replaceBy_[found] == nullptr) {
            replaceBy_[found] = &entry;
            ++replaced_;
        } else {
            adds_.push_back(&entry);
        }
    }
    ChooseNameCode(entries);
}

void ZipPacker::ChooseNameCode(const std::vector<arc::SourceEntry>& entries)
{
    cp932_ = command_.cp932Names;
    std::string cp932;
    const std::vector<OldMember>& old = directory_.Members();
    for (size_t i = 0; cp932_ && i < old.size(); ++i)
        cp932_ = drop_[i] || !old[i].converted.empty() || NameToCp932(old[i].raw, cp932);
    for (auto it = entries.begin(); cp932_ && it != entries.end(); ++it)
        cp932_ = it->rawName || NameToCp932(it->member, cp932);
}

// The name as stored and how: UTF-8 (with the UTF-8 flag when it is more than ASCII), or bytes
// without the flag (CP932 for old Windows tools, or the bytes of a name that is not text).
std::string ZipPacker::StoredName(const arc::SourceEntry& entry, uint16_t& flags) const
{
    std::string suffix = entry.isFolder ? "/" : "";
    flags = 0;
    std::string cp932;
    if (entry.rawName)
        return entry.member + suffix;
    if (cp932_ && NameToCp932(entry.member, cp932))
        return cp932 + suffix;
    for (unsigned char c : entry.member)
        if (c >= 0x80)
            flags = zipfmt::kFlagUtf8;
    return entry.member + suffix;
}

int ZipPacker::WriteFailure(int err)
{
    out_.Line(std::string("writing the archive failed: ") + std::strerror(err));
    return arc::ResultFromErrno(err, arc::ErrorSide::Destination, ARC_ERROR_WRITE);
}

int ZipPacker::SourceFailure(const arc::SourceEntry& entry, int err)
{
    if (err == ECANCELED) {
        out_.Line("cancelled; the archive was not changed");
        return ARC_ERROR_USER_CANCEL;
    }
    out_.Line("cannot read " + entry.member + ": " +
              (err == ENODATA ? std::string("it became shorter while it was packed")
                              : std::strerror(err)));
    // Named the way the callers read it, so that they can say which file it was.
    out_.Failed(err == ENODATA ? "changed" : "unreadable", entry.member);
    return err == ENODATA
               ? ARC_ERROR_SOURCE_CHANGED
               : arc::ResultFromErrno(err, arc::ErrorSide::Source, ARC_ERROR_READ_SOURCE);
}

NewRecord ZipPacker::Describe(const arc::SourceEntry& entry) const
{
    NewRecord record;
    record.name = StoredName(entry, record.flags);
    record.dosTime = DosTime(entry.info.st_mtime);
    record.unixTime = entry.info.st_mtime;
    record.fileTime = FileTimeFromUnix(entry.info.st_mtim).value_or(0);
    record.external = (static_cast<uint32_t>(entry.info.st_mode & 0xFFFF) << 16) |
                      (entry.isFolder ? kDosFolder : 0);
    record.method = Deflated(entry) ? 8 : 0;
    record.size = entry.isFolder ? 0 : static_cast<uint64_t>(entry.info.st_size);
    record.zip64 = record.size >= kZip64From;
    return record;
}

std::string ZipPacker::CentralOf(const Written& w) const
{
    NewRecord record = Describe(*w.entry);
    record.offset = w.offset;
    record.compressedSize = w.compressedSize;
    record.size = w.size;
    record.crc = w.crc;
    record.method = w.method;
    return CentralRecord(record);
}

int ZipPacker::WriteEntry(const arc::SourceEntry& entry)
{
    NewRecord record = Describe(entry);
    record.offset = output_->Position();
    // A file of one piece: its piece says whether it is stored, before the header is written.
    size_t member = SIZE_MAX;
    if (Deflated(entry)) {
        member = nextPiece_++;
        if (pipeline_.PieceCount(member) == 1) {
            const Piece& p = pipeline_.WaitPiece(pipeline_.FirstPiece(member));
            if (p.error == 0 && p.stored)
                record.method = 0;
        }
    }
    std::string header = LocalHeader(record);
    if (int err = output_->Write(header.data(), header.size()))
        return WriteFailure(err);
    if (!progress_.Report(entry.member)) {
        out_.Line("cancelled; the archive was not changed");
        return ARC_ERROR_USER_CANCEL;
    }
    if (!entry.isFolder) {
        int result = member == SIZE_MAX ? WriteStored(entry, record)
                                        : WriteDeflated(entry, member, record);
        if (result == ARC_OK && record.method != 0 && record.compressedSize >= record.size)
            result = StoreInstead(entry, record, record.offset + header.size());
        if (result != ARC_OK)
            return result;
        if (!record.zip64 &&
            (record.size >= zipfmt::kMax32 || record.compressedSize >= zipfmt::kMax32))
            return SourceFailure(entry, ENODATA);
        if (int err = PatchLocal(record, *output_))
            return WriteFailure(err);
    }
    records_.push_back(
        {&entry, record.offset, record.compressedSize, record.size, record.crc, record.method});
    return ARC_OK;
}

// The pieces of the member in order: a deflate stream, or the plain bytes of a stored piece.
int ZipPacker::WriteDeflated(const arc::SourceEntry& entry, size_t member, NewRecord& record)
{
    size_t piece = pipeline_.FirstPiece(member), end = piece + pipeline_.PieceCount(member);
    uint32_t crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
    uint64_t size = 0, packed = 0;
    for (; piece < end; ++piece) {
        Piece& p = pipeline_.WaitPiece(piece);
        if (p.error != 0)
            return SourceFailure(entry, p.error);
        if (int err = output_->Write(p.data.data(), p.data.size()))
            return WriteFailure(err);
        packed += p.data.size();
        crc = static_cast<uint32_t>(crc32_combine(crc, p.crc, static_cast<z_off_t>(p.length)));
        size += p.length;
        progress_.done += p.length;
        pipeline_.ReleasePiece(piece);
        if (piece + 1 < end && !progress_.Report(entry.member))
            return SourceFailure(entry, ECANCELED);
    }
    record.crc = crc;
    record.size = size;
    record.compressedSize = packed;
    return ARC_OK;
}

// A file of several pieces that deflating made larger: its data is dropped and the file read
// again, stored. What is read must be what was deflated, or the file changed in between.
int ZipPacker::StoreInstead(const arc::SourceEntry& entry, NewRecord& record, uint64_t dataStart)
{
    const uint32_t crc = record.crc;
    const uint64_t size = record.size;
    progress_.done -= size;
    record.method = 0;
    const unsigned char method[2] = {0, 0};
    if (int err = output_->Rewind(dataStart))
        return WriteFailure(err);
    if (int err = output_->Patch(record.offset + 8, method, sizeof method))
        return WriteFailure(err);
    if (int result = WriteStored(entry, record); result != ARC_OK)
        return result;
    if (record.crc != crc || record.size != size)
        return SourceFailure(entry, ENODATA);
    return ARC_OK;
}

int ZipPacker::WriteStored(const arc::SourceEntry& entry, NewRecord& record)
{
    record.crc = 0;
    record.compressedSize = record.size = 0;
    int fd = arc::OpenLongPath(entry.hostPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return SourceFailure(entry, errno);
    std::unique_ptr<char[]> buffer(new char[1 << 18]);
    uint64_t reportedAt = 0;
    for (;;) {
        ssize_t n = read(fd, buffer.get(), 1 << 18);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int err = errno;
            close(fd);
            return SourceFailure(entry, err);
        }
        if (n == 0)
            break;
        if (int err = output_->Write(buffer.get(), static_cast<size_t>(n))) {
            close(fd);
            return WriteFailure(err);
        }
        record.crc = libdeflate_crc32(record.crc, buffer.get(), static_cast<size_t>(n));
        record.size += static_cast<uint64_t>(n);
        progress_.done += static_cast<uint64_t>(n);
        if (record.size - reportedAt >= kReportEvery) {
            reportedAt = record.size;
            if (!progress_.Report(entry.member)) {
                close(fd);
                return SourceFailure(entry, ECANCELED);
            }
        }
    }
    close(fd);
    record.compressedSize = record.size;
    return ARC_OK;
}

// Every member the update carries over is read and checked first (its local header against the
// directory, its data against its CRC and size), so that a damaged archive is kept as it is and
// named rather than copied on with its damage. Members that cannot be checked here (encrypted,
// or of a method we cannot read) go over as they are when their headers agree.
int ZipPacker::CheckKept()
{
    const std::vector<OldMember>& old = directory_.Members();
    ReadProgress quiet;  // the call's progress counts the bytes packed, not those checked
    arc::OutputText why(nullptr, 0);
    MemberReader reader(directory_, command_.archivePath, quiet, why);
    auto damaged = [&](int result) {
        if (result == ARC_ERROR_NO_MEMORY)
            return result;
        std::string reason = why.Text();
        const size_t failedLine = reason.find("\nfailed ");
        if (failedLine != std::string::npos)
            reason.erase(failedLine);
        while (!reason.empty() && reason.back() == '\n')
            reason.pop_back();
        out_.Line(command_.archive + " is damaged (" + reason + "); it was left as it is");
        out_.Failed("damaged-archive", command_.archive);
        return ARC_ERROR_BAD_ARCHIVE;
    };
    for (size_t i = 0; i < old.size(); ++i) {
        if (drop_[i] || replaceBy_[i])
            continue;
        const std::string& name = old[i].Name();
        if (!progress_.Report(name)) {
            out_.Line("cancelled; the archive was not changed");
            return ARC_ERROR_USER_CANCEL;
        }
        LocalFields local;
        if (int result = reader.Locate(i, name, local, true); result != ARC_OK)
            return damaged(result);
        if (old[i].flags & 1)
            continue;  // encrypted: no password to check it with
        int result = reader.Read(i, name, [](const char*, size_t) { return ARC_OK; });
        if (result != ARC_OK && result != ARC_ERROR_UNSUPPORTED)
            return damaged(result);
    }
    return ARC_OK;
}

int ZipPacker::CopyKept(uint64_t from, uint64_t to)
{
    int err = output_->CopyFrom(oldFd_, from, to - from);
    if (err < 0) {
        out_.Line(command_.archive + " cannot be read to its end; it was left as it is");
        out_.Failed("damaged-archive", command_.archive);
        return ARC_ERROR_BAD_ARCHIVE;
    }
    return err == 0 ? ARC_OK : WriteFailure(err);
}

// The central directory: the old records in their order (kept ones pointing to their new place,
// replaced ones rewritten), then the added members, then the end records.
int ZipPacker::WriteDirectory()
{
    uint64_t start = output_->Position();
    int failure = ARC_OK;
    const std::vector<OldMember>& old = directory_.Members();
    bool read = directory_.ForEachRecord([&](size_t i, const unsigned char* bytes, size_t size) {
        if (drop_[i])
            return true;
        std::string record = replacedRecord_[i] >= 0
                                 ? CentralOf(records_[static_cast<size_t>(replacedRecord_[i])])
                                 : MovedCentralRecord(bytes, size, old[i].compressedSize,
                                                      old[i].size, newOffset_[i]);
        if (int err = output_->Write(record.data(), record.size())) {
            failure = WriteFailure(err);
            return false;
        }
        return true;
    });
    if (failure != ARC_OK)
        return failure;
    if (!read) {
        out_.Line(command_.archive + " cannot be read to its end; it was left as it is");
        return ARC_ERROR_BAD_ARCHIVE;
    }
    for (size_t i = replaced_; i < records_.size(); ++i) {
        std::string record = CentralOf(records_[i]);
        if (int err = output_->Write(record.data(), record.size()))
            return WriteFailure(err);
    }
    uint64_t size = output_->Position() - start;
    std::string end = EndRecords(Members(), start, size);
    if (int err = output_->Write(end.data(), end.size()))
        return WriteFailure(err);
    if (int err = output_->Flush())
        return WriteFailure(err);
    return ARC_OK;
}

int ZipPacker::Write(int fd)
{
    output_ = std::make_unique<ZipOutput>(fd);
    const std::vector<OldMember>& old = directory_.Members();
    // The files to deflate, in the order they are written: replacements, then additions.
    size_t files = 0, pieces = 0;
    auto count = [&](const arc::SourceEntry* e) {
        if (e && Deflated(*e))
            ++files, pieces += DeflatePipeline::PiecesOf(static_cast<uint64_t>(e->info.st_size));
    };
    for (const arc::SourceEntry* e : replaceBy_)
        count(e);
    for (const arc::SourceEntry* e : adds_)
        count(e);
    pipeline_.Reserve(files, pieces);
    auto add = [&](const arc::SourceEntry* e) {
        if (!e)
            return;
        if (Deflated(*e))
            pipeline_.Add(e->hostPath, static_cast<uint64_t>(e->info.st_size));
        if (!e->isFolder)
            progress_.total += static_cast<uint64_t>(e->info.st_size);
    };
    for (const arc::SourceEntry* e : replaceBy_)
        add(e);
    for (const arc::SourceEntry* e : adds_)
        add(e);
    pipeline_.Start();
    if (!command_.rebuild) {
        if (int result = CheckKept(); result != ARC_OK)
            return result;
    }

    records_.reserve(replaced_ + adds_.size());
    newOffset_.assign(old.size(), 0);
    replacedRecord_.assign(old.size(), -1);
    uint64_t runStart = 0, runEnd = 0;  // kept members next to each other are copied in one go
    for (size_t i = 0; i < old.size(); ++i) {
        if (drop_[i]) {
            if (int result = CopyKept(runStart, runEnd); result != ARC_OK)
                return result;
            runStart = runEnd = 0;
            continue;
        }
        if (const arc::SourceEntry* e = replaceBy_[i]) {
            if (int result = CopyKept(runStart, runEnd); result != ARC_OK)
                return result;
            runStart = runEnd = 0;
            replacedRecord_[i] = static_cast<int32_t>(records_.size());
            out_.Line("updating: " + arc::EscapedName(e->member));
            if (int result = WriteEntry(*e); result != ARC_OK)
                return result;
            continue;
        }
        uint64_t end = 0;
        std::string why;
        if (!directory_.MemberEnd(i, end, why)) {
            out_.Line(command_.archive + " is damaged (" + why + "); it was left as it is");
            out_.Failed("damaged-archive", command_.archive);
            return ARC_ERROR_BAD_ARCHIVE;
        }
        if (old[i].localOffset != runEnd || runEnd == 0) {
            if (int result = CopyKept(runStart, runEnd); result != ARC_OK)
                return result;
            runStart = old[i].localOffset;
        }
        newOffset_[i] = output_->Position() + (old[i].localOffset - runStart);
        runEnd = end;
    }
    if (int result = CopyKept(runStart, runEnd); result != ARC_OK)
        return result;
    for (const arc::SourceEntry* e : adds_) {
        if (!e->isFolder)
            out_.Line("adding: " + arc::EscapedName(e->member));
        if (int result = WriteEntry(*e); result != ARC_OK)
            return result;
    }
    return WriteDirectory();
}

}  // namespace

int RunZip(const arc::ParsedCommand& parsed, ArchiverProgressProc proc, void* user,
           arc::OutputText& out)
{
    ZipCommand command;
    if (int result = ReadZipCommand(parsed, command, out); result != ARC_OK)
        return result;
    Progress progress;
    progress.proc = proc;
    progress.user = user;
    std::vector<std::string> unreadable;
    arc::CollectResult files = Collect(command, progress, out, unreadable);
    if (files.result != ARC_OK)
        return files.result;

    // A rebuild takes nothing from the old archive; it need not even be readable.
    bool update = command.exists && !command.rebuild;
    ZipPacker packer(command, progress, out);
    if (update) {
        if (int result = packer.Open(); result != ARC_OK)
            return result;
    }
    if (!unreadable.empty()) {
        // Dropping the member of a file that is there but cannot be read would lose the only
        // stored copy: it stays as it was, and the file is named as not updated.
        arc::UnreadableNames names;
        for (const std::string& name : unreadable)
            names.Add(name);
        std::set<std::string> kept;
        if (command.exists && command.rebuild)
            packer.KeepOnly(names, kept);
        for (const std::string& name : unreadable) {
            if (kept.count(name))
                out.NotUpdated("unreadable", name);
            else
                out.Skipped("unreadable", name);
        }
    }
    packer.Plan(files.entries);
    if (packer.Members() == 0) {
        out.Line("no files to pack");
        return ARC_ERROR_NOTHING_TO_DO;
    }
    int done = out.AnySkipped() ? ARC_ERROR_INCOMPLETE : ARC_OK;
    if (update && !packer.Changed()) {
        out.Line("nothing to update: " + std::to_string(packer.Kept()) + " members kept");
        return done;  // the old archive is already what was asked for
    }

    arc::RemoveDeadTempFilesFor(command.archivePath, "");
    arc::AtomicOutput output;
    if (int result = output.Begin(command.archivePath, ""); result != ARC_OK) {
        out.Line("cannot write " + command.archive + ": " + arc::ResultName(result));
        return result;
    }
    if (int result = packer.Write(output.Fd()); result != ARC_OK)
        return result;
    // The last report before the new archive is tested and put in place: a cancel here still
    // leaves the old archive as it was.
    if (proc && proc(command.archive.c_str(), progress.total, progress.total, user) == 0) {
        out.Line("cancelled; the archive was not changed");
        return ARC_ERROR_USER_CANCEL;
    }
    if (command.test) {
        if (int result = TestWrittenArchive(output.TempPath(), packer.Members(), progress, out);
            result != ARC_OK)
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
