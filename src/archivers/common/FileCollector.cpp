#include "FileCollector.h"

#include "ErrorCodes.h"
#include "Paths.h"
#include "Wildcard.h"
#include "platform/Utf8.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

namespace qb::arc {
namespace {

using FileId = std::pair<dev_t, ino_t>;

struct Walker {
    const CollectOptions& options;
    CollectResult& out;
    std::set<FileId> visitedFolders;
    std::set<FileId> skipIds;
    std::set<std::string> members;
    size_t foldersSeen = 0;
    static constexpr size_t kFoldersPerCheck = 64;

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
        out.skipped.push_back(Printable(member) + ": " + reason);
    }

    // The name with every byte that is not part of valid UTF-8 written as \xNN.
    static std::string Printable(const std::string& name)
    {
        std::string text;
        for (size_t i = 0; i < name.size();) {
            platform::Utf8Char c = platform::DecodeUtf8(name, i);
            if (c.valid) {
                text.append(name, i, c.length);
            } else {
                static const char hex[] = "0123456789ABCDEF";
                unsigned char b = static_cast<unsigned char>(name[i]);
                text += "\\x";
                text += hex[b >> 4];
                text += hex[b & 15];
            }
            i += c.length;
        }
        return text;
    }

    void Add(const std::string& member, const std::string& hostPath, bool isFolder,
             const struct stat& info)
    {
        if (!members.insert(member).second)
            return;
        SourceEntry entry;
        entry.member = member;
        entry.hostPath = hostPath;
        entry.isFolder = isFolder;
        entry.info = info;
        out.entries.push_back(std::move(entry));
    }

    // Sorted names of a folder, or false (and the failure recorded) when it cannot be read.
    bool ListFolder(const std::string& hostPath, const std::string& member,
                    std::vector<std::string>& names)
    {
        DIR* dir = opendir(hostPath.c_str());
        if (!dir) {
            int err = errno;
            out.result = ResultFromErrno(err, ErrorSide::Source, ARC_ERROR_READ_SOURCE);
            out.message = "cannot read folder " + (member.empty() ? hostPath : member) + ": "
                + std::strerror(err);
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
        if (err != 0) {
            out.result = ARC_ERROR_READ_SOURCE;
            out.message = "cannot read folder " + hostPath + ": " + std::strerror(err);
            return false;
        }
        std::sort(names.begin(), names.end());
        return true;
    }

    // Looks at one entry of a folder. `literal` is set when the file pattern named it exactly.
    // Returns false when the collection has failed.
    bool Visit(const std::string& hostPath, const std::string& name, const std::string& member,
               const std::string& pattern, bool literal)
    {
        if (!platform::IsValidUtf8(name)) {
            Skip(member, "name is not valid UTF-8");
            return true;
        }
        if (!literal && !options.hidden && name[0] == '.')
            return true;
        if (Excluded(name, member))
            return true;
        struct stat linkInfo {};
        if (lstat(hostPath.c_str(), &linkInfo) != 0) {
            Skip(member, "vanished");
            return true;
        }
        struct stat info = linkInfo;
        if (S_ISLNK(linkInfo.st_mode) && stat(hostPath.c_str(), &info) != 0) {
            Skip(member, "link leads nowhere");
            return true;
        }
        if (skipIds.count({info.st_dev, info.st_ino}))
            return true;
        if (S_ISREG(info.st_mode)) {
            if (literal || WildcardMatch(pattern, name))
                Add(member, hostPath, false, info);
            return true;
        }
        if (!S_ISDIR(info.st_mode)) {
            Skip(member, "not a regular file (FIFO, socket or device)");
            return true;
        }
        if (!options.recurse && !literal)
            return true;
        if (!visitedFolders.insert({info.st_dev, info.st_ino}).second) {
            Skip(member, "folder already taken (link loop)");
            return true;
        }
        if (options.folderEntries && (literal || WildcardMatch(pattern, name)))
            Add(member, hostPath, true, info);
        if (!options.recurse)
            return true;
        return Walk(hostPath, member, literal ? std::string("*") : pattern);
    }

    bool Walk(const std::string& folder, const std::string& prefix, const std::string& pattern)
    {
        if (options.keepGoing && ++foldersSeen % kFoldersPerCheck == 0 && !options.keepGoing(prefix)) {
            out.result = ARC_ERROR_USER_CANCEL;
            out.message = "cancelled";
            return false;
        }
        std::vector<std::string> names;
        if (!ListFolder(folder, prefix, names))
            return false;
        for (const std::string& name : names) {
            std::string host = folder == "/" ? "/" + name : folder + "/" + name;
            std::string member = prefix.empty() ? name : prefix + "/" + name;
            if (!Visit(host, name, member, pattern, false))
                return false;
        }
        return true;
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

        std::string folder = ResolveArgumentPath(folderPart.empty() ? std::string(".") : folderPart);
        if (last.empty()) {
            // "DATA\" names the folder itself; take it like the literal name of a folder.
            if (prefix.empty())
                return Walk(folder, "", "*");
            std::string parentMember = prefix;
            std::string name = BaseName(folder);
            return Visit(folder, name, parentMember, "*", true);
        }
        if (HasWildcards(last)) {
            struct stat info {};
            if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
                out.result = ARC_ERROR_FOLDER_MISSING;
                out.message = "folder not found: " + (folderPart.empty() ? folder : folderPart);
                return false;
            }
            // The starting folder counts as visited, so a link back to it is not walked again.
            visitedFolders.insert({info.st_dev, info.st_ino});
            return Walk(folder, prefix, last);
        }
        std::string host = ResolveArgumentPath(folderPart + last);
        std::string name = BaseName(host);
        std::string member = prefix.empty() ? name : prefix + "/" + name;
        struct stat probe {};
        if (lstat(host.c_str(), &probe) != 0) {
            Skip(member, "not found");
            return true;
        }
        return Visit(host, name, member, "*", true);
    }
};

}  // namespace

CollectResult CollectFiles(const std::vector<std::string>& specs, const CollectOptions& options)
{
    CollectResult out;
    Walker walker{options, out, {}, {}, {}, 0};
    for (const std::string& path : options.skipFiles) {
        struct stat info {};
        if (stat(path.c_str(), &info) == 0)
            walker.skipIds.insert({info.st_dev, info.st_ino});
    }
    for (const std::string& spec : specs) {
        if (!walker.Spec(spec)) {
            out.entries.clear();
            return out;
        }
    }
    if (out.entries.empty()) {
        out.result = ARC_ERROR_NOTHING_TO_DO;
        out.message = "no file matched";
    }
    return out;
}

}  // namespace qb::arc
