#include "ClipboardKeeper.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QObject>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

extern char** environ;

namespace qb::app {
namespace {

// A history is small; the cap only guards the keeper against a runaway writer.
constexpr std::size_t kMaxKeptBytes = 64u << 20;

bool SendAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxKeptBytes)
            return {};
    }
    return text;
}

}  // namespace

bool KeepClipboardText(const std::string& text)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return false;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);

    char exe[] = "/proc/self/exe";
    char name[] = "quillbox2";
    std::string keeperSwitch = kClipboardKeeperSwitch;
    char* argv[] = {name, keeperSwitch.data(), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, exe, &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(fds[1]);
    bool ok = rc == 0 && SendAll(fds[0], text);
    ::close(fds[0]);
    // The keeper is not waited for: it outlives this process and is then adopted by init.
    return ok;
}

int RunClipboardKeeper(int argc, char** argv)
{
    const std::string text = ReadAll(STDIN_FILENO);
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0) {
        ::dup2(devNull, STDIN_FILENO);
        ::close(devNull);
    }
    if (text.empty())
        return 0;

    QGuiApplication app(argc, argv);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    // Connected only now, so that our own copy above does not end the keeper at once.
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, &QCoreApplication::quit);
    QTimer::singleShot(std::chrono::hours(kKeepLimitHours), &app, &QCoreApplication::quit);
    return app.exec();
}

}  // namespace qb::app
