#include "FileCollector.h"

#include "ErrorCodes.h"
#include "LongPath.h"
#include "Paths.h"
#include "Threads.h"
#include "Wildcard.h"
#include "platform/Utf8.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <set>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace qb::arc {
namespace {

using FileId = std::pair<dev_t, ino_t>;

// A descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f = -1) : fd(f) { }
    ~Fd()
    {
        if (fd >= 0)
            close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

FileId IdOf(const struct stat& info)
{
    return {info.st_dev, info.st_ino};
}

// One entry's own status (links not followed), or that it could not be had.
struct EntryStatus {
    struct stat info { };
    bool ok = false;
};

struct Walker {
    Walker(const CollectOptions& o, CollectResult& r) : options(o), out(r) { }

    const CollectOptions& options;
    CollectResult& out;
    const uid_t user = geteuid();
    const bool twoAtOnce = ThreadCount() > 1;
    std::set<FileId> visitedFolders;
    std::set<FileId> skipIds;
    // The member names taken so far, as indexes into out.entries: a set of the names themselves
    // would double the memory of a large collection. An open table of (index + 1, hash) pairs:
    // growing it never touches the names, which a set of nodes did for every node each time.
    struct NameSlot {
        std::uint32_t entry = 0;  // index + 1; 0 when free
        std::uint32_t hash = 0;
    };
    std::vector<NameSlot> nameSlots = std::vector<NameSlot>(64);
    size_t namesTaken = 0;

    // Takes the name of the last entry; false when an earlier entry has it already.
    bool TakeLastName()
    {
        const std::string& name = out.entries.back().member;
        auto hash = static_cast<std::uint32_t>(std::hash<std::string>{}(name));
        size_t mask = nameSlots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            NameSlot& slot = nameSlots[i];
            if (slot.entry == 0) {
                slot = {static_cast<std::uint32_t>(out.entries.size()), hash};
                break;
            }
            if (slot.hash == hash && out.entries[slot.entry - 1].member == name)
                return false;
        }
        if (++namesTaken * 2 > nameSlots.size()) {
            std::vector<NameSlot> old(nameSlots.size() * 2);
            old.swap(nameSlots);
            mask = nameSlots.size() - 1;
            for (const NameSlot& slot : old) {
                if (slot.entry == 0)
                    continue;
                size_t i = slot.hash & mask;
                while (nameSlots[i].entry != 0)
                    i = (i + 1) & mask;
                nameSlots[i] = slot;
            }
        }
        return true;
    }

    FileId root{};  // the folder being packed: links must not lead out of it
    size_t foldersSeen = 0;
    static constexpr size_t kFoldersPerCheck = 64;
    static constexpr int kMaxLinkHops = 40;

    bool Excluded(const std::string& name, const std::string& member) const
    {
        for (const std::string& raw : options.excludes) {
            std::string pattern = raw;
            std::replace(pattern.begin(), pattern.end(), '\\', '/');
            bool withFolder = pattern.find('/') != std::string::npos;
            if (WildcardMatch(pattern, withFolder ? member : name))
                return true;
        }
        return false;
    }

    void Skip(const std::string& member, const char* reason)
    {
        out.skipped.push_back({reason, member});
    }

    bool Fail(int result, const std::string& message)
    {
        out.result = result;
        out.message = message;
        return false;
    }

    void Add(const std::string& member, const std::string& hostPath, bool isFolder,
             const struct stat& info)
    {
        SourceEntry entry;
        entry.member = member;
        entry.hostPath = hostPath;
        entry.isFolder = isFolder;
        entry.rawName = !platform::IsValidUtf8(member);
        entry.info = info;
        out.entries.push_back(std::move(entry));
        if (!TakeLastName())
            out.entries.pop_back();
    }

    // True when the folder open as fd is the packed folder or lies below it. Walks up through
    // ".." (the real parent, whatever links led here) until the packed folder or "/" is met.
    bool BelowRoot(int fd) const
    {
        int current = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (current < 0)
            return false;
        for (int steps = 0; steps < 4096; ++steps) {
            struct stat here { };
            if (fstat(current, &here) != 0)
                break;
            if (IdOf(here) == root) {
                close(current);
                return true;
            }
            int up = openat(current, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
            struct stat parent { };
            if (up < 0 || fstat(up, &parent) != 0 || IdOf(parent) == IdOf(here)) {
                if (up >= 0)
                    close(up);
                break;  // the top of the file system
            }
            close(current);
            current = up;
        }
        close(current);
        return false;
    }

    // True when the link `name` in the folder dirFd leads to something inside the packed folder:
    // for a folder, the folder itself; for a file, the folder that really holds it (the link
    // chain is followed hop by hop, as the kernel would).
    bool LinkStaysInside(int dirFd, const std::string& name, const struct stat& target) const
    {
        if (S_ISDIR(target.st_mode)) {
            Fd folder(openat(dirFd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            return folder.fd >= 0 && BelowRoot(folder.fd);
        }
        int base = fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
        std::string current = name;
        for (int hop = 0; base >= 0 && hop < kMaxLinkHops; ++hop) {
            std::vector<char> text(PATH_MAX + 1);
            ssize_t n = readlinkat(base, current.c_str(), text.data(), text.size() - 1);
            if (n < 0) {
                // Not a link (any more): the file lies in base.
                bool inside = errno == EINVAL && BelowRoot(base);
                close(base);
                return inside;
            }
            std::string link(text.data(), static_cast<size_t>(n));
            size_t slash = link.rfind('/');
            int next;
            if (slash == std::string::npos) {
                next = fcntl(base, F_DUPFD_CLOEXEC, 0);
                current = link;
            } else {
                std::string folder = link.substr(0, slash);
                if (folder.empty())
                    folder = "/";
                next = openat(base, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
                current = link.substr(slash + 1);
            }
            close(base);
            base = next;
        }
        if (base >= 0)
            close(base);
        return false;
    }

    // Sorted names of the folder open as dirFd; false when it cannot be read (errno kept).
    static bool ListFolder(int dirFd, std::vector<std::string>& names)
    {
        int listFd = openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = listFd < 0 ? nullptr : fdopendir(listFd);
        if (!dir) {
            int err = errno;
            if (listFd >= 0)
                close(listFd);
            errno = err;
            return false;
        }
        errno = 0;
        while (dirent* d = readdir(dir)) {
            if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0)
                names.emplace_back(d->d_name);
            errno = 0;
        }
        int err = errno;
        closedir(dir);
        errno = err;
        if (err != 0)
            return false;
        std::sort(names.begin(), names.end());
        return true;
    }

    // Whether the file may be read without asking the system: for its owner, the owner's read
    // bit is what an access check looks at (ACLs too keep the owner's rights in those bits).
    // Anyone else, the superuser included (some kernel files refuse reading even to it), asks.
    // One system call less per file is a tenth of the time of updating a large folder that has
    // not changed.
    bool SurelyReadable(const struct stat& info) const
    {
        return info.st_uid == user && (info.st_mode & S_IRUSR) != 0;
    }

    // Looks at the entry `name` of the folder dirFd (host path `hostPath`). `literal` is set when
    // the file pattern named it exactly. Returns false when the collection has failed.
    // `ahead`, when given, is the entry's own status (links not followed), taken already.
    bool Visit(int dirFd, const std::string& hostPath, const std::string& name,
               const std::string& member, const std::string& pattern, bool literal,
               const EntryStatus* ahead = nullptr)
    {
        if (!literal && !options.hidden && name[0] == '.')
            return true;
        if (Excluded(name, member))
            return true;
        struct stat linkInfo { };
        if (ahead ? !ahead->ok
                  : fstatat(dirFd, name.c_str(), &linkInfo, AT_SYMLINK_NOFOLLOW) != 0) {
            Skip(member, "vanished");
            return true;
        }
        if (ahead)
            linkInfo = ahead->info;
        bool wanted = literal || WildcardMatch(pattern, name);
        struct stat info = linkInfo;
        if (S_ISLNK(linkInfo.st_mode)) {
            if (fstatat(dirFd, name.c_str(), &info, 0) != 0) {
                if (wanted)
                    Skip(member, errno == ELOOP ? "link-loop" : "link-dangling");
                return true;
            }
            bool taken = S_ISDIR(info.st_mode) ? options.recurse : wanted;
            if (!literal && taken && !LinkStaysInside(dirFd, name, info)) {
                Skip(member, "link-outside");
                return true;
            }
        }
        if (skipIds.count(IdOf(info)))
            return true;
        bool backslash = name.find('\\') != std::string::npos;
        if (S_ISREG(info.st_mode)) {
            if (!wanted)
                return true;
            if (backslash)
                Skip(member, "backslash-in-name");
            else if (!SurelyReadable(info) && faccessat(dirFd, name.c_str(), R_OK, AT_EACCESS) != 0)
                Skip(member, "unreadable");
            else
                Add(member, hostPath, false, info);
            return true;
        }
        if (!S_ISDIR(info.st_mode)) {
            if (wanted)
                Skip(member, "not-regular");
            return true;
        }
        if (!options.recurse && !literal)
            return true;
        if (backslash) {
            Skip(member, "backslash-in-name");
            return true;
        }
        if (visitedFolders.count(IdOf(info))) {
            Skip(member, "link-loop");
            return true;
        }
        Fd folder(openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.fd < 0) {
            if (errno == EMFILE || errno == ENFILE)
                return Fail(ARC_ERROR_READ_SOURCE, "too many folders open at " + member);
            Skip(member, errno == ENOENT ? "vanished" : "unreadable");
            return true;
        }
        std::vector<std::string> names;
        if (options.recurse && !ListFolder(folder.fd, names)) {
            Skip(member, "unreadable");
            return true;
        }
        visitedFolders.insert(IdOf(info));
        if (options.folderEntries && wanted)
            Add(member, hostPath, true, info);
        if (!options.recurse)
            return true;
        return WalkNames(folder.fd, hostPath, member, literal ? std::string("*") : pattern, names);
    }

    bool WalkNames(int dirFd, const std::string& folder, const std::string& prefix,
                   const std::string& pattern, const std::vector<std::string>& names)
    {
        if (options.keepGoing && ++foldersSeen % kFoldersPerCheck == 0 &&
            !options.keepGoing(prefix))
            return Fail(ARC_ERROR_USER_CANCEL, "cancelled");
        std::vector<EntryStatus> statuses;
        for (std::size_t first = 0; first < names.size(); first += kStatAhead) {
            const std::size_t last = std::min(names.size(), first + kStatAhead);
            StatAhead(dirFd, names, first, last, statuses);
            for (std::size_t i = first; i < last; ++i) {
                const std::string& name = names[i];
                std::string host = folder == "/" ? "/" + name : folder + "/" + name;
                std::string member = prefix.empty() ? name : prefix + "/" + name;
                if (!Visit(dirFd, host, name, member, pattern, false, &statuses[i - first]))
                    return false;
            }
        }
        return true;
    }

    // The status of every entry of a folder is one system call each, most of the time of
    // looking at a large folder that has not changed (an update): a second thread takes half
    // of them. The entries are still looked at one by one, in order, with what was found.
    static constexpr std::size_t kStatAhead = 1024;
    void StatAhead(int dirFd, const std::vector<std::string>& names, std::size_t first,
                   std::size_t last, std::vector<EntryStatus>& statuses) const
    {
        statuses.resize(last - first);
        auto run = [&](std::size_t from, std::size_t to) {
            for (std::size_t k = from; k < to; ++k) {
                EntryStatus& s = statuses[k - first];
                s.ok = fstatat(dirFd, names[k].c_str(), &s.info, AT_SYMLINK_NOFOLLOW) == 0;
            }
        };
        const std::size_t mid = first + (last - first) / 2;
        if (twoAtOnce && last - first >= 64) {
            try {
                std::thread helper(run, mid, last);
                run(first, mid);
                helper.join();
                return;
            } catch (const std::system_error&) {
                // No thread to be had: all of them here.
            }
        }
        run(first, last);
    }

    // The starting folder of a file specification: it must be readable, or nothing can be packed.
    bool WalkStart(int dirFd, const std::string& folder, const std::string& prefix,
                   const std::string& pattern)
    {
        std::vector<std::string> names;
        if (!ListFolder(dirFd, names)) {
            int err = errno;
            out.result = ResultFromErrno(err, ErrorSide::Source, ARC_ERROR_READ_SOURCE);
            out.message = "cannot read folder " + (prefix.empty() ? folder : prefix) + ": " +
                          std::strerror(err);
            return false;
        }
        return WalkNames(dirFd, folder, prefix, pattern, names);
    }

    bool Spec(const std::string& rawSpec)
    {
        std::string spec = rawSpec;
        std::replace(spec.begin(), spec.end(), '\\', '/');
        size_t slash = spec.rfind('/');
        std::string folderPart = slash == std::string::npos ? "" : spec.substr(0, slash + 1);
        std::string last = slash == std::string::npos ? spec : spec.substr(slash + 1);

        // The member prefix is the folder part as written, without drive, root, "." and "..".
        std::string prefix;
        size_t start = HasDriveLetter(folderPart) ? 2 : 0;
        size_t pos = start;
        while (pos < folderPart.size()) {
            size_t end = folderPart.find('/', pos);
            if (end == std::string::npos)
                end = folderPart.size();
            std::string comp = folderPart.substr(pos, end - pos);
            if (comp == "..") {
                size_t cut = prefix.rfind('/');
                prefix.erase(cut == std::string::npos ? 0 : cut);
            } else if (!comp.empty() && comp != ".") {
                prefix += prefix.empty() ? comp : "/" + comp;
            }
            pos = end + 1;
        }

        std::string folder =
            ResolveArgumentPath(folderPart.empty() ? std::string(".") : folderPart);
        if (last.empty() || HasWildcards(last)) {
            Fd dir(OpenLongPath(folder, O_RDONLY | O_DIRECTORY));
            struct stat info { };
            if (dir.fd < 0 || fstat(dir.fd, &info) != 0) {
                if (errno == ENOENT || errno == ENOTDIR)
                    return Fail(ARC_ERROR_FOLDER_MISSING,
                                "folder not found: " + (folderPart.empty() ? folder : folderPart));
                return Fail(ResultFromErrno(errno, ErrorSide::Source, ARC_ERROR_READ_SOURCE),
                            "cannot read folder " + folder + ": " + std::strerror(errno));
            }
            // The starting folder counts as visited, so a link back to it is not walked again.
            root = IdOf(info);
            visitedFolders.insert(root);
            if (!last.empty())
                return WalkStart(dir.fd, folder, prefix, last);
            // "DATA\" names the folder itself; take it like the literal name of a folder.
            if (prefix.empty())
                return WalkStart(dir.fd, folder, "", "*");
            if (options.folderEntries)
                Add(prefix, folder, true, info);
            return !options.recurse || WalkStart(dir.fd, folder, prefix, "*");
        }
        std::string host = ResolveArgumentPath(folderPart + last);
        std::string name = BaseName(host);
        std::string member = prefix.empty() ? name : prefix + "/" + name;
        std::string parent = ParentFolder(host);
        Fd dir(OpenLongPath(parent, O_RDONLY | O_DIRECTORY));
        struct stat probe { };
        if (dir.fd < 0 || fstatat(dir.fd, name.c_str(), &probe, AT_SYMLINK_NOFOLLOW) != 0) {
            Skip(member, "not-found");
            return true;
        }
        struct stat info { };
        if (fstatat(dir.fd, name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode))
            root = IdOf(info);
        else if (fstat(dir.fd, &info) == 0)
            root = IdOf(info);
        return Visit(dir.fd, host, name, member, "*", true);
    }
};

}  // namespace

CollectResult CollectFiles(const std::vector<std::string>& specs, const CollectOptions& options)
{
    CollectResult out;
    Walker walker(options, out);
    for (const std::string& path : options.skipFiles) {
        struct stat info { };
        if (stat(path.c_str(), &info) == 0)
            walker.skipIds.insert({info.st_dev, info.st_ino});
    }
    for (const std::string& spec : specs) {
        if (!walker.Spec(spec)) {
            out.entries.clear();
            return out;
        }
    }
    // The room the list grew by beyond its size is left as it is: a list that large lies in
    // pages of its own, which hold no memory until written, and trimming it would copy the whole
    // list, holding it twice for a moment.
    if (out.entries.empty()) {
        out.result = ARC_ERROR_NOTHING_TO_DO;
        out.message = "no file matched";
    }
    return out;
}

const std::string* UnreadableNames::Covering(std::string_view member) const
{
    for (std::size_t end = member.find('/');; end = member.find('/', end + 1)) {
        auto it = names_.find(std::string(member.substr(0, end)));
        if (it != names_.end())
            return &*it;
        if (end == std::string_view::npos)
            return nullptr;
    }
}

}  // namespace qb::arc
