// How the modules turn the paths of a command line into host paths.
#include "Paths.h"
#include "Sandbox.h"

#include "platform/Drives.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using qb::arctest::Sandbox;
using qb::arctest::ScopedCwd;

class ArgumentPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        sandbox_.MakeFolder("c/Work/Sub");
        sandbox_.MakeFolder("d/Out");
        const std::string drives = "C:=" + sandbox_.Path("c") + ";D:=" + sandbox_.Path("d");
        setenv("QUILLBOX2_DRIVES", drives.c_str(), 1);
        qb::platform::ReloadDrives();
    }
    void TearDown() override
    {
        unsetenv("QUILLBOX2_DRIVES");
        qb::platform::ReloadDrives();
    }
    Sandbox sandbox_;
};

TEST_F(ArgumentPaths, RootRelativeNameMeansTheRootOfTheWorkingDirectorysDrive)
{
    // Written to the host root this would land outside every drive.
    ScopedCwd cwd(sandbox_.Path("c/Work/Sub"));
    EXPECT_EQ(qb::arc::ResolveArgumentPath("\\NAME.LZH"), sandbox_.Path("c") + "/NAME.LZH");
    ScopedCwd other(sandbox_.Path("d/Out"));
    EXPECT_EQ(qb::arc::ResolveArgumentPath("\\work\\x.zip"), sandbox_.Path("d") + "/work/x.zip");
}

TEST_F(ArgumentPaths, DrivePathsAndRelativeNamesResolveWithoutRegardToCase)
{
    EXPECT_EQ(qb::arc::ResolveArgumentPath("c:\\WORK\\sub\\A.LZH"),
              sandbox_.Path("c/Work/Sub/A.LZH"));
    ScopedCwd cwd(sandbox_.Path("c/Work"));
    EXPECT_EQ(qb::arc::ResolveArgumentPath("SUB\\a.txt"), sandbox_.Path("c/Work/Sub/a.txt"));
}

}  // namespace
