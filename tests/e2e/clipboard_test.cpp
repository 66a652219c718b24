// The history copied by the silent run must still be on the clipboard after the program ended
// (a background keeper serves it). Needs Xvfb and xclip; skipped without them.
#include "Sandbox.h"
#include "XServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace e2e;

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
