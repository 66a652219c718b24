#include "platform/RunFolder.h"

#include "platform/CurrentDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace qb::platform {
namespace {

constexpr std::string_view kPrefix = "quillbox2-run.";

// An flock held for the life of the object (the descriptor closes with it). A run folder is
// never taken through a link; the temporary folder may well be one.
class FolderLock {
public:
    enum Wait { NoWait, ShortWait };
    FolderLock(const std::string& host, Wait wait, bool followLink = false)
        : m_fd(::open(host.c_str(),
                      O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW)))
    {
        if (m_fd < 0)
            return;
        // Someone else's lock on the temporary folder must not hold a run up for good: after a
        // few seconds the run goes on without it.
        int rc = -1;
        for (int tries = wait == ShortWait ? 500 : 1; tries > 0; --tries) {
            rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
            if (rc == 0 || (errno != EWOULDBLOCK && errno != EINTR))
                break;
            if (tries > 1)
                ::usleep(10000);
        }
        if (rc != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return m_fd >= 0; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

void RemoveTree(const std::string& host)
{
    std::error_code ec;
    std::filesystem::remove_all(host, ec);
}

// The sweep itself; the caller holds the temporary folder's lock.
int Sweep(const std::string& tempHost)
{
    int removed = 0;
    DIR* dir = ::opendir(tempHost.c_str());
    if (!dir)
        return 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, kPrefix.size(), kPrefix) != 0)
            continue;
        const std::string host = tempHost + "/" + name;
        struct stat st { };
        // Only folders of this user: another user's run folder is not ours to judge (and its
        // mode keeps us out anyway).
        if (::lstat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        FolderLock lock(host, FolderLock::NoWait);
        if (!lock.Held())
            continue;  // a living run holds it
        RemoveTree(host);
        ++removed;
    }
    ::closedir(dir);
    return removed;
}

std::string HostOf(std::string_view tempFolder)
{
    std::string host = ResolveHostPath(tempFolder);
    while (host.size() > 1 && host.back() == '/')
        host.pop_back();
    return host;
}

}  // namespace

RunFolder::RunFolder(std::string drivePath, std::string hostPath, int lockFd)
    : m_drivePath(std::move(drivePath)), m_hostPath(std::move(hostPath)), m_lockFd(lockFd)
{ }

std::unique_ptr<RunFolder> RunFolder::Create(std::string_view tempFolder)
{
    const std::string tempHost = HostOf(tempFolder);
    if (tempHost.empty())
        return nullptr;
    const FolderLock tempLock(tempHost, FolderLock::ShortWait, true);
    if (tempLock.Held())
        Sweep(tempHost);

    std::string host = tempHost + "/" + std::string(kPrefix) + "XXXXXX";
    if (!::mkdtemp(host.data()))
        return nullptr;  // mkdtemp makes it 0700
    FolderLock own(host, FolderLock::NoWait);
    if (!own.Held()) {
        RemoveTree(host);
        return nullptr;
    }
    std::string drive(tempFolder);
    if (drive.empty() || drive.back() != '\\')
        drive += '\\';
    drive += host.substr(host.rfind('/') + 1);
    return std::unique_ptr<RunFolder>(new RunFolder(drive, host, own.Release()));
}

RunFolder::~RunFolder()
{
    // Removed while still locked, so no sweep of another run can step in half-way.
    RemoveTree(m_hostPath);
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

void RunFolder::Empty(const std::string& keep) const
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_hostPath, ec)) {
        if (!keep.empty() && entry.path().filename() == keep && !entry.is_directory(ec) &&
            !entry.is_symlink(ec))
            continue;
        std::filesystem::remove_all(entry.path(), ec);
    }
}

int RemoveDeadRunFolders(std::string_view tempFolder)
{
    const std::string tempHost = HostOf(tempFolder);
    if (tempHost.empty())
        return 0;
    const FolderLock tempLock(tempHost, FolderLock::ShortWait, true);
    return tempLock.Held() ? Sweep(tempHost) : 0;
}

std::string FileKey(std::string_view path)
{
    const std::string host = ResolveHostPath(path);
    if (host.empty())
        return {};
    struct stat st { };
    if (::stat(host.c_str(), &st) == 0)
        return "id:" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    const std::size_t slash = host.rfind('/');
    const std::string parent = slash == 0 ? "/" : host.substr(0, slash);
    std::string canonical = parent;
    if (char* real = ::realpath(parent.c_str(), nullptr)) {
        canonical = real;
        std::free(real);
    }
    return "path:" + canonical + "/" + host.substr(slash + 1);
}

}  // namespace qb::platform
