// The history copied by the silent run must still be on the clipboard after the program ended
// (a background keeper serves it). Needs Xvfb and xclip; skipped without them.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace e2e;
namespace fs = std::filesystem;

extern char** environ;

namespace {

// A private X server for the test, ended with it (and with it any keeper left on it).
class XServer {
public:
    XServer()
    {
        m_display = 300 + static_cast<int>(::getpid() % 500);
        const std::string name = ":" + std::to_string(m_display);
        const char* argv[] = {"Xvfb", name.c_str(), "-nolisten", "tcp", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (::posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) !=
            0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(m_display);
        for (int i = 0; i < 100 && m_pid > 0 && !fs::exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        m_ready = m_pid > 0 && fs::exists(socket);
    }
    ~XServer()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool Ready() const { return m_ready; }
    std::string Display() const { return ":" + std::to_string(m_display); }

private:
    int m_display = 0;
    pid_t m_pid = -1;
    bool m_ready = false;
};

std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

}  // namespace

TEST(Clipboard, HistoryOutlivesTheSilentRun)
{
    if (!Sandbox::ModulesBuilt())
        GTEST_SKIP() << "the archiver modules are not built";
    if (Shell("command -v Xvfb") != 0 || Shell("command -v xclip") != 0)
        GTEST_SKIP() << "needs Xvfb and xclip";
    XServer x;
    if (!x.Ready())
        GTEST_SKIP() << "Xvfb did not start";

    Sandbox box;
    MakeSourceTree(box.C("SRC/A"), 3);
    box.WriteSettings({{"Auto", "True"}, {"AutoLog", "True"}, {"Dir_Out", "C:\\OUT"}});
    const RunResult r =
        box.Run({"C:\\SRC\\A"}, {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", x.Display()}});
    ASSERT_FALSE(r.timedOut);
    ASSERT_EQ(r.status, 0) << r.err;

    std::string expected;
    for (std::size_t start = 0, end; (end = r.out.find('\n', start)) != std::string::npos;
         start = end + 1)
        expected += r.out.substr(start, end - start) + "\r\n";
    const std::string xclip =
        "DISPLAY=" + x.Display() + " timeout 10 xclip -o -selection clipboard";
    std::string got;
    for (int i = 0; i < 50 && got != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        got = Capture(xclip);
    }
    EXPECT_EQ(got, expected);
    EXPECT_NE(expected.find("全て終了しました\r\n"), std::string::npos);

    // Another program copying something takes the clipboard over.
    // On a busy machine xclip may take a while to own the selection: until it does, reads still
    // see the history (and do not use up xclip's one answer).
    Shell("echo other | DISPLAY=" + x.Display() +
          " timeout 10 xclip -selection clipboard -loops 1 &");
    for (int i = 0; i < 50 && got != "other\n"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        got = Capture(xclip);
    }
    EXPECT_EQ(got, "other\n");
}
