// qbarc, the shell tool: which module it loads, what it prints, its exit status.
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <fstream>

using qb::arctest::RunShell;
using qb::arctest::Sandbox;

namespace {

std::string Qbarc(const std::string& arguments, bool withSystemDir = true)
{
    std::string env = withSystemDir ? "QUILLBOX2_SYSTEM_DIR='" QB_TEST_SYSTEM_DIR "' "
                                    : "env -u QUILLBOX2_SYSTEM_DIR ";
    return env + "'" QB_TEST_BIN_DIR "/qbarc' " + arguments;
}

}  // namespace

TEST(Qbarc, RunsAModuleAndReportsItsResult)
{
    Sandbox box;
    box.Write("in/a.txt", "alpha\n");
    box.Write("in/日本.txt", "beta\n");
    std::string output;
    // The system folder beside the program is the default.
    EXPECT_EQ(RunShell("cd '" + box.Path("in") + "' && " +
                           Qbarc("ZIP32J.DLL '-r -9 \"" + box.Path("a.zip") + "\" \"*.*\"'", false),
                       &output),
              0);
    EXPECT_NE(output.find("result: 0\n"), std::string::npos) << output;
    EXPECT_EQ(RunShell("unzip -tq '" + box.Path("a.zip") + "' >/dev/null"), 0);

    // Several arguments are joined into one command line; the module name ignores case.
    EXPECT_EQ(RunShell(Qbarc("unzip32.dll -l '" + box.Path("a.zip") + "'"), &output), 0);
    EXPECT_NE(output.find("日本.txt"), std::string::npos) << output;
    EXPECT_NE(output.find("a.txt"), std::string::npos);

    // A failing call exits 1 and says why.
    EXPECT_EQ(RunShell(Qbarc("UNZIP32.DLL -t '" + box.Path("none.zip") + "'"), &output), 1);
    EXPECT_NE(output.find("result: 32771"), std::string::npos) << output;
}

TEST(Qbarc, ProgressGoesToStandardError)
{
    Sandbox box;
    box.Write("in/a.txt", std::string(100000, 'a'));
    std::string output;
    ASSERT_EQ(
        RunShell("cd '" + box.Path("in") + "' && " +
                     Qbarc("--progress ZIP32J.DLL '-r \"" + box.Path("a.zip") + "\" \"*.*\"'") +
                     " 2>&1 >/dev/null",
                 &output),
        0);
    EXPECT_NE(output.find("a.txt 0/100000"), std::string::npos) << output;
}

TEST(Qbarc, UsageAndMissingModules)
{
    Sandbox box;
    EXPECT_EQ(RunShell(Qbarc("2>/dev/null")), 2);
    EXPECT_EQ(RunShell(Qbarc("OTHER.DLL x 2>/dev/null")), 2);
    // The ZIP engine is a module too, but only the two modules in front of it take commands.
    std::string said;
    EXPECT_EQ(RunShell(Qbarc("izip32j.dll -l x.zip 2>&1"), &said), 2);
    EXPECT_NE(said.find("call ZIP32J.DLL or UNZIP32.DLL"), std::string::npos) << said;
    EXPECT_EQ(RunShell("QUILLBOX2_SYSTEM_DIR='" + box.Root() +
                       "' '" QB_TEST_BIN_DIR "/qbarc' ZIP32J.DLL x 2>/dev/null"),
              2);
}
