// a (add or replace) and u (add what is missing or newer).
//
// The new archive is always written whole into a temporary file and put in place at the end, so
// the old one stays intact until the new one is complete. Members that are not replaced are
// copied byte for byte (header and packed data) from the old archive: nothing is recompressed
// and nothing about them changes. When nothing is to be added or replaced the archive is not
// rewritten at all.
//
// Which members are newer: a file replaces its member when its modification time is later than
// the member's. Our members carry the exact time (0x41, 100 ns), so equal times mean unchanged
// and no file has to be read to tell; only a member stored less than a second before its archive
// was written has its contents compared, since a file saved again within the same clock tick
// right after it was packed keeps its time. Archives of other programs have whole seconds only:
// there a file of the same second but another size or other contents is taken as changed.
// Level-0/1 headers keep MS-DOS times in two-second steps, so for those a file must be at least
// two seconds newer; otherwise every u would repack files with odd seconds.
#include "UnlhaInternal.h"

#include "ArchiveWriter.h"
#include "AtomicOutput.h"
#include "Compressor.h"
#include "ErrorCodes.h"
#include "FileCollector.h"
#include "LongPath.h"
#include "MemberWriter.h"
#include "Paths.h"
#include "Threads.h"
#include "archiver_results.h"
#include "lzh_crc16.h"
#include "lzh_header.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace unlha {

namespace {

bool FitsCp932(const std::string& text);

enum class StepKind { Keep, Folder, File };

struct Step {
    StepKind kind;
    std::uint32_t oldIndex =
        0;  // 32 bits: a step per member of an archive of 100,000 is kept small
    const NewFile* file = nullptr;
    int job = -1;
};

// The CRC-16 of a file's contents, as the member header records it; false when it cannot be read.
bool FileCrc16(const std::string& hostPath, std::uint16_t& crc)
{
    int fd = qb::arc::OpenLongPath(hostPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    crc = 0;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return n == 0;
        }
        crc = lzh::Crc16Update(crc, buffer.data(), static_cast<std::size_t>(n));
    }
}

bool SameContents(const qb::arc::SourceEntry& e, const lzh::MemberHeader& old)
{
    std::uint16_t crc = 0;
    return e.info.st_size == 0 || (FileCrc16(e.hostPath, crc) && crc == old.crc);
}

// archiveTime: when the old archive was written (FILETIME ticks).
bool IsNewer(const qb::arc::SourceEntry& e, const lzh::MemberHeader& old, std::uint64_t archiveTime)
{
    auto exact = lzh::FileTimeFromUnix(e.info.st_mtim.tv_sec, e.info.st_mtim.tv_nsec);
    if (old.fileTime && exact) {
        if (*exact != *old.fileTime)
            return *exact > *old.fileTime;
        if (static_cast<std::uint64_t>(e.info.st_size) != old.originalSize)
            return true;
        constexpr std::uint64_t kOneSecond = 10000000;
        return *old.fileTime + kOneSecond >= archiveTime && !SameContents(e, old);
    }
    // A member without a date cannot be newer than anything: the file replaces it.
    if (!old.hasDate)
        return true;
    std::int64_t slack = old.dosTime ? 1 : 0;
    auto mtime = static_cast<std::int64_t>(e.info.st_mtime);
    if (mtime > old.mtime + slack)
        return true;
    // Times are kept in whole seconds: a file rewritten within the second its member was made
    // looks no newer. A different size or different contents still show that it changed, and
    // skipping it would lose the change.
    if (mtime < old.mtime)
        return false;
    if (static_cast<std::uint64_t>(e.info.st_size) != old.originalSize)
        return true;
    return !SameContents(e, old);
}

lzh::EncodeMethod EncoderMethod(Method m)
{
    switch (m) {
    case Method::Lh6:
        return lzh::EncodeMethod::Lh6;
    case Method::Lh7:
        return lzh::EncodeMethod::Lh7;
    default:
        return lzh::EncodeMethod::Lh5;
    }
}

// What reading the old archive found, kept until it can be reported.
struct OldArchive {
    bool exists = false;
    struct stat st { };
    int rc = ARC_OK;
    std::string message;  // when rc is not ARC_OK
    LoadedArchive archive;
    std::exception_ptr thrown;  // when read on another thread
};
void LoadOld(const std::string& path, OldArchive& old);

class Packer {
public:
    Packer(const UnlhaCommand& cmd, Call& call) : m_cmd(cmd), m_call(call) { }
    int Run();

private:
    int UseOld(OldArchive& old);
    int Collect();
    void KeepUnreadable();
    int Plan();
    void ChooseNameCode();
    int Write();
    bool Tick(const std::string& name);

    const UnlhaCommand& m_cmd;
    Call& m_call;
    std::unique_ptr<lzh::FileSource> m_old;
    std::vector<lzh::MemberHeader> m_oldMembers;
    std::uint64_t m_oldTime = 0;  // when the old archive was written, FILETIME ticks
    qb::arc::CollectResult m_collected;
    std::vector<NewFile> m_files;
    std::vector<Step> m_steps;
    Compressor* m_compressor = nullptr;
    std::uint64_t m_total = 0;
    MemberWriter* m_members = nullptr;
    std::size_t m_added = 0, m_replaced = 0, m_kept = 0;
    std::vector<std::string> m_large;  // members of 4 GiB or more
    // -sync: files and folders that are there but cannot be read, reported once it is known
    // whether the old archive had members of theirs to keep.
    qb::arc::UnreadableNames m_unreadable;
    std::vector<std::pair<std::string, std::string>> m_unreadableLines;  // stored name, member
    std::vector<bool> m_keepOld;  // -sync: old members that stay (their files cannot be read)
};

bool Packer::Tick(const std::string& name)
{
    std::uint64_t done =
        (m_members ? m_members->StoredBytes() : 0) + (m_compressor ? m_compressor->BytesRead() : 0);
    return m_call.Progress(name, done, m_total);
}

void LoadOld(const std::string& path, OldArchive& old)
{
    old.exists = stat(path.c_str(), &old.st) == 0;
    if (old.exists)
        old.rc = LoadArchiveQuietly(path, old.archive, old.message);
}

// LoadOld on another thread: what it throws (out of memory) is kept for the caller to throw.
void LoadOldKeepingFailure(const std::string& path, OldArchive& old)
{
    try {
        LoadOld(path, old);
    } catch (...) {
        old.thrown = std::current_exception();
    }
}

int Packer::UseOld(OldArchive& old)
{
    if (!old.exists)
        return ARC_OK;  // a new archive
    if (old.rc != ARC_OK) {
        m_call.Out().Line(old.message);
        return old.rc;
    }
    LoadedArchive& archive = old.archive;
    const struct stat& st = old.st;
    if (int rc = CheckRewritable(archive, m_cmd.archiveArgument, m_call))
        return rc;
    m_old = std::move(archive.source);
    m_oldMembers = std::move(archive.members);
    // Unknown (before 1970): every member counts as stored just before it, contents decide.
    m_oldTime = lzh::FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec).value_or(0);
    return ARC_OK;
}

int Packer::Collect()
{
    qb::arc::CollectOptions options;
    options.recurse = m_cmd.recurse;
    options.hidden = m_cmd.hidden;
    options.folderEntries = m_cmd.storePaths;
    options.excludes = m_cmd.excludes;
    options.skipFiles.push_back(m_cmd.archive);
    std::vector<std::string> specs = m_cmd.files;
    if (specs.empty())
        specs.push_back("*.*");
    m_collected = qb::arc::CollectFiles(specs, options);
    for (const auto& s : m_collected.skipped) {
        if (m_cmd.rebuild && s.reason == "unreadable") {
            std::string stored = m_cmd.storePaths ? s.member : qb::arc::BaseName(s.member);
            m_unreadable.Add(stored);
            m_unreadableLines.emplace_back(std::move(stored), s.member);
        } else {
            m_call.Out().Skipped(s.reason, s.member);
        }
    }
    if (m_collected.result != ARC_OK) {
        m_call.Out().Line(m_collected.message);
        return m_collected.result;
    }
    m_files.reserve(m_collected.entries.size());  // no second copy while the vector grows
    for (const auto& e : m_collected.entries) {
        if (!m_cmd.storePaths && e.isFolder)
            continue;
        std::size_t slash = m_cmd.storePaths ? std::string::npos : e.member.rfind('/');
        auto nameStart = static_cast<std::uint32_t>(slash == std::string::npos ? 0 : slash + 1);
        std::string_view name = std::string_view(e.member).substr(nameStart);
        // A header holds at most 64 KiB; the fixed part and the other extended headers need
        // well under 200 bytes of it.
        if (name.size() > 0xFFFF - 200) {
            m_call.Out().Skipped("name-too-long", name);
            continue;
        }
        // 0xFF separates the folders of a stored path, and readers split a name at it too.
        if (name.find('\xFF') != std::string_view::npos) {
            m_call.Out().Skipped("byte-ff-in-name", name);
            continue;
        }
        if (e.rawName)
            m_call.Out().RawName(name);
        m_files.push_back({&e, nameStart, 65001u});
    }
    // Two files under one stored name: found by sorting references, not with a map of copies
    // of every name (a folder of 100,000 files must not cost its names three times over). With
    // their folders stored the names are whole paths, which the collection took once each.
    if (m_cmd.storePaths)
        return ARC_OK;
    std::vector<const NewFile*> byName;
    byName.reserve(m_files.size());
    for (const auto& f : m_files)
        byName.push_back(&f);
    std::sort(byName.begin(), byName.end(), [](const NewFile* a, const NewFile* b) {
        return a->MemberView() != b->MemberView() ? a->MemberView() < b->MemberView()
                                                  : a->entry < b->entry;
    });
    for (std::size_t i = 1; i < byName.size(); ++i) {
        if (byName[i]->MemberView() == byName[i - 1]->MemberView()) {
            m_call.Out().Line("two files would be stored as " + byName[i]->Member() + " (" +
                              byName[i - 1]->entry->member + ", " + byName[i]->entry->member +
                              "); store their folders with -x");
            m_call.Out().Failed("name-clash", byName[i]->Member());
            return ARC_ERROR_COMMAND_LINE;
        }
    }
    return ARC_OK;
}

// A rebuild takes nothing from the old archive but the members of files that are there and
// cannot be read: without them the archive would lose the only copy. An old archive that cannot
// be read at all keeps nothing; one damaged half-way keeps what lies before the damage.
void Packer::KeepUnreadable()
{
    struct stat st { };
    if (!m_unreadable.Empty() && stat(m_cmd.archive.c_str(), &st) == 0) {
        LoadedArchive archive;
        if (LoadArchive(m_cmd.archive, m_call, archive) == ARC_OK) {
            m_old = std::move(archive.source);
            m_oldMembers = std::move(archive.members);
        }
    }
    m_keepOld.assign(m_oldMembers.size(), false);
    std::set<std::string> kept;
    for (std::size_t i = 0; i < m_oldMembers.size(); ++i) {
        const auto& m = m_oldMembers[i];
        if (m.isSymlink || m.components.empty())
            continue;
        const std::string* by = m_unreadable.Covering(m.storedPath);
        if (!by)
            by = m_unreadable.Covering(m.Path());
        if (by) {
            m_keepOld[i] = true;
            kept.insert(*by);
        }
    }
    for (const auto& [stored, member] : m_unreadableLines) {
        if (kept.count(stored))
            m_call.Out().NotUpdated("unreadable", member);
        else
            m_call.Out().Skipped("unreadable", member);
    }
}

// True when the UTF-8 text has a CP932 form that reads back as the same text (some characters
// have two CP932 codes or none).
bool FitsCp932(const std::string& text)
{
    std::optional<std::string> cp932 = lzh::Utf8ToCp932(text);
    if (!cp932)
        return false;
    std::optional<std::string> back = lzh::Cp932ToUtf8(*cp932);
    return back && *back == text;
}

// Each name in CP932 when it can be written so (the tools of Japanese Windows read nothing else),
// else in UTF-8; each header says which. A name that is not UTF-8 is stored as its bytes, declared
// as CP932 when they read as CP932, else as code page 437, in which every byte is a character:
// readers that convert names by the declared code page then accept it, where bytes of no
// declared code would make some of them give up on the whole archive.
void Packer::ChooseNameCode()
{
    for (auto& f : m_files) {
        const std::string_view name = f.MemberView();
        if (f.entry->rawName) {
            const std::optional<std::string> text = lzh::Cp932ToUtf8(name);
            const std::optional<std::string> back = text ? lzh::Utf8ToCp932(*text) : std::nullopt;
            f.codePage = back && *back == name ? 932 : 437;
        } else if (!m_cmd.utf8Names && FitsCp932(std::string(name))) {
            f.codePage = 932;
        } else {
            f.codePage = 65001;
        }
    }
}

int Packer::Plan()
{
    // The old members by name: the hashes of their names, sorted, each with the member's index
    // (a map of copies of 100,000 names would cost more memory than the members themselves).
    // Names that are not text, or hold control characters, come back from the reader with '_'
    // in place of their odd bytes; such members are also found by their stored bytes ("\x01"
    // before them).
    // Keys are made in one buffer each, reused: a string per name looked up and per name
    // compared would be four allocations per file of a large folder.
    auto keyInto = [&](std::string& key, std::size_t i, bool stored) -> const std::string& {
        const auto& m = m_oldMembers[i];
        key.clear();
        if (stored) {
            key += '\x01';
            key += m.storedPath;
        } else {
            m.AppendPath(key);
        }
        if (m.isDirectory)
            key += '/';
        return key;
    };
    std::string keyBuffer, candidate;
    struct NameKey {
        std::size_t hash;
        std::uint32_t index;
        bool stored;
        bool operator<(const NameKey& o) const
        {
            return hash != o.hash ? hash < o.hash : index < o.index;
        }
    };
    std::hash<std::string> hashOf;
    std::vector<NameKey> keys;
    bool anyOdd = false;
    for (int pass = 0; pass < 2; ++pass) {  // counted first: the list is made once at its size
        std::size_t count = 0;
        // A rebuild matches nothing: its old members are only those kept for unreadable files.
        for (std::size_t i = 0; !m_cmd.rebuild && i < m_oldMembers.size(); ++i) {
            const auto& m = m_oldMembers[i];
            if (m.isSymlink || m.components.empty())
                continue;
            auto index = static_cast<std::uint32_t>(i);
            bool odd = !m.storedPath.empty();
            anyOdd = anyOdd || odd;
            count += odd ? 2 : 1;
            if (pass == 0)
                continue;
            keys.push_back({hashOf(keyInto(keyBuffer, i, false)), index, false});
            if (odd)
                keys.push_back({hashOf(keyInto(keyBuffer, i, true)), index, true});
        }
        if (pass == 0)
            keys.reserve(count);
    }
    std::sort(keys.begin(), keys.end());
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    auto find = [&](const std::string& key) -> std::size_t {
        std::size_t h = hashOf(key);
        auto it = std::lower_bound(keys.begin(), keys.end(), NameKey{h, 0, false});
        for (; it != keys.end() && it->hash == h; ++it)
            if (keyInto(candidate, it->index, it->stored) == key)
                return it->index;
        return kNone;
    };
    std::vector<const NewFile*> replacement(m_oldMembers.size(), nullptr);
    std::vector<const NewFile*> additions;
    for (const auto& f : m_files) {
        auto keyOfFile = [&](bool stored) -> const std::string& {
            keyBuffer.clear();
            if (stored)
                keyBuffer += '\x01';
            keyBuffer += f.MemberView();
            if (f.entry->isFolder)
                keyBuffer += '/';
            return keyBuffer;
        };
        std::size_t found = anyOdd ? find(keyOfFile(true)) : kNone;
        if (found == kNone && !f.entry->rawName)
            found = find(keyOfFile(false));
        if (found == kNone) {
            additions.push_back(&f);
            continue;
        }
        if (f.entry->isFolder)
            continue;  // the folder entry is there already
        if (m_cmd.command == 'a' || IsNewer(*f.entry, m_oldMembers[found], m_oldTime))
            replacement[found] = &f;
    }
    std::vector<NameKey>().swap(keys);
    bool changed = !additions.empty() || std::any_of(replacement.begin(), replacement.end(),
                                                     [](const NewFile* f) { return f != nullptr; });
    // A rebuild that keeps old members drops the others, so it always writes.
    if (m_cmd.rebuild)
        changed = changed || std::find(m_keepOld.begin(), m_keepOld.end(), true) != m_keepOld.end();
    if (!changed) {
        if (!m_old || m_cmd.rebuild) {
            m_call.Out().Line("no files to pack");
            return ARC_ERROR_NOTHING_TO_DO;
        }
        m_call.Out().Line("nothing new to add; the archive was left as it is");
        return -1;  // done, nothing to write
    }
    m_added = additions.size();
    m_steps.reserve(m_oldMembers.size() + additions.size());
    for (std::size_t i = 0; i < m_oldMembers.size(); ++i) {
        if (m_cmd.rebuild) {
            // Only what the files that cannot be read had; the rest of the old archive goes.
            if (m_keepOld[i]) {
                ++m_kept;
                m_steps.push_back({StepKind::Keep, static_cast<std::uint32_t>(i), nullptr});
            }
        } else if (replacement[i]) {
            ++m_replaced;
            m_steps.push_back({StepKind::File, static_cast<std::uint32_t>(i), replacement[i]});
        } else {
            ++m_kept;
            m_steps.push_back({StepKind::Keep, static_cast<std::uint32_t>(i), nullptr});
        }
    }
    for (const NewFile* f : additions)
        m_steps.push_back({f->entry->isFolder ? StepKind::Folder : StepKind::File, 0, f});
    return ARC_OK;
}

int Packer::Write()
{
    qb::arc::RemoveDeadTempFilesFor(m_cmd.archive, m_cmd.workFolder);
    qb::arc::AtomicOutput output;
    if (int rc = output.Begin(m_cmd.archive, m_cmd.workFolder)) {
        m_call.Out().Line("cannot create the archive " + m_cmd.archive);
        return rc;
    }
    std::vector<MemberSource> sources;
    for (auto& s : m_steps) {
        if (s.kind != StepKind::File)
            continue;
        const auto size = static_cast<std::uint64_t>(s.file->entry->info.st_size);
        m_total += size;
        if (m_cmd.method != Method::Stored && size > 0) {
            s.job = static_cast<int>(sources.size());
            sources.push_back({&s.file->entry->hostPath, size});
        }
    }
    ArchiveWriter w(output.Fd());
    MemberWriter members(w, m_call, [this](const std::string& name) { return Tick(name); });
    m_members = &members;
    const lzh::EncodeMethod method = EncoderMethod(m_cmd.method);
    Compressor compressor(std::move(sources), method, qb::arc::ParentFolder(output.TempPath()),
                          qb::arc::ThreadCount());
    m_compressor = &compressor;
    for (const auto& s : m_steps) {
        int rc = ARC_OK;
        if (s.kind == StepKind::Keep) {
            const auto& old = m_oldMembers[s.oldIndex];
            rc = CopyRawMember(*m_old, old, w, members.Buffer());
            if (rc == ARC_OK && !Tick(old.Path()))
                rc = ARC_ERROR_USER_CANCEL;
        } else if (s.kind == StepKind::Folder) {
            rc = members.Folder(*s.file);
        } else if (s.job < 0) {
            rc = members.Stored(*s.file, nullptr);
        } else {
            const auto index = static_cast<std::size_t>(s.job);
            PackedMember packed;
            if (!compressor.WaitFor(
                    index, [&] { return Tick(s.file->Member()); }, packed))
                return ARC_ERROR_USER_CANCEL;
            if (packed.result != ARC_OK) {
                m_call.Out().Line(packed.message);
                if (packed.result == ARC_ERROR_READ_SOURCE)
                    m_call.Out().Failed("unreadable", s.file->Member());
                return packed.result;
            }
            if (packed.packedSize > 0 && packed.packedSize < packed.inputSize)
                rc = members.Compressed(*s.file, packed, method, compressor, index);
            else
                rc = members.Stored(*s.file, &packed);  // not smaller: stored instead
            compressor.Release(index);
        }
        if (rc == ARC_OK && w.Error())
            rc = WriteFailure(w);
        if (rc != ARC_OK)
            return rc;
        std::uint64_t size = s.kind == StepKind::Keep
                                 ? m_oldMembers[s.oldIndex].originalSize
                                 : static_cast<std::uint64_t>(s.file->entry->info.st_size);
        if (size > 0xFFFFFFFFu)
            m_large.push_back(s.kind == StepKind::Keep ? m_oldMembers[s.oldIndex].Path()
                                                       : s.file->Member());
    }
    const std::uint8_t endMarker = 0;
    w.Write(&endMarker, 1);
    if (!w.Flush())
        return WriteFailure(w);
    // The last report before the new archive is tested and put in place: a cancel here still
    // leaves the old archive as it was.
    if (!m_call.Progress(m_cmd.archiveArgument, m_total, m_total, true))
        return ARC_ERROR_USER_CANCEL;
    m_compressor = nullptr;
    m_members = nullptr;
    if (m_cmd.testBeforeReplace) {
        if (int rc = TestArchiveFile(output.TempPath(), m_call, m_steps.size()))
            return rc;
    }
    if (int rc = output.Commit())
        return rc;
    for (const auto& name : m_large)
        m_call.Out().LargeMember(name);
    return ARC_OK;
}

int Packer::Run()
{
    // The old archive's headers are read while the folder is walked: the walk mostly waits for
    // the system, the reading mostly computes. A rebuild takes nothing from the old archive; it
    // need not even be readable. Nothing is reported before the walk is done, so the lines come
    // in the same order either way.
    OldArchive old;
    std::jthread reader;  // joined when it goes, should the walk throw
    if (!m_cmd.rebuild && qb::arc::ThreadCount() > 1) {
        try {
            reader = std::jthread(LoadOldKeepingFailure, std::cref(m_cmd.archive), std::ref(old));
        } catch (const std::system_error&) {
            // No thread to be had: read it after the walk.
        }
    }
    const bool readDuringWalk = reader.joinable();
    const int collected = Collect();
    if (reader.joinable())
        reader.join();
    if (old.thrown)
        std::rethrow_exception(old.thrown);
    if (collected != ARC_OK)
        return collected;
    if (!m_cmd.rebuild) {
        if (!readDuringWalk)
            LoadOld(m_cmd.archive, old);
        if (int rc = UseOld(old))
            return rc;
    }
    if (m_cmd.rebuild)
        KeepUnreadable();
    int rc = Plan();
    if (rc == -1)
        return m_call.Out().AnySkipped() ? ARC_ERROR_INCOMPLETE : ARC_OK;
    if (rc != ARC_OK)
        return rc;
    ChooseNameCode();
    rc = Write();
    if (rc != ARC_OK)
        return rc;
    m_call.Out().Line("written " + m_cmd.archiveArgument + ": " + std::to_string(m_added) +
                      " added, " + std::to_string(m_replaced) + " replaced, " +
                      std::to_string(m_kept) + " kept");
    return m_call.Out().AnySkipped() ? ARC_ERROR_INCOMPLETE : ARC_OK;
}

}  // namespace

int RunPack(const UnlhaCommand& cmd, Call& call)
{
    Packer packer(cmd, call);
    return packer.Run();
}

}  // namespace unlha
