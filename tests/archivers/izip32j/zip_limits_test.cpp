// Beyond the limits of the original ZIP format: more than 65,535 members and (when asked for
// with QB_BIG_TESTS=1, as it writes gigabytes) a member over 4 GiB. Both need ZIP64 records.
#include "RawMembers.h"
#include "Sandbox.h"
#include "ZipCheck.h"
#include "ZipModules.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace qb::ziptest;
using qb::arctest::RunShell;
using qb::arctest::Sandbox;

TEST(ZipLimits, MoreThan65535Members)
{
    // The big archive is made in memory with libzip (66,000 files on disk would make this test
    // slow for no gain); updating it makes our module read and rewrite every ZIP64 record.
    Modules();
    Sandbox box;
    const int count = 66000;
    std::map<std::string, std::string> members;
    for (int i = 0; i < count; ++i)
        members["d" + std::to_string(i / 1000) + "/f" + std::to_string(i)] = std::to_string(i);
    std::string archive = box.Path("many.zip");
    WriteArchive(archive, members);
    std::string source = box.MakeFolder("src");
    box.Write("src/d0/extra", "extra");
    ASSERT_EQ(Modules().Zip(source, " -r -D -9 \"" + archive + "\" \"*.*\""), 0)
        << Modules().output;
    EXPECT_EQ(ArchiveMembers(archive).size(), static_cast<size_t>(count + 1));
    EXPECT_TRUE(PeersAccept(archive));
    EXPECT_EQ(Modules().UnZip(box.Root(), "-t \"" + archive + "\""), 0);

    std::string out = box.MakeFolder("out");
    ASSERT_EQ(Modules().UnZip(box.Root(), "-x \"" + archive + "\" \"" + out +
                                              "\" \"d65\\f659??\" \"D0\\EXTRA\""),
              0)
        << Modules().output;
    EXPECT_EQ(qb::arctest::ReadFile(out + "/d65/f65999"), "65999");
    EXPECT_EQ(qb::arctest::FolderNames(out + "/d65").size(), 100u);
    EXPECT_EQ(qb::arctest::ReadFile(out + "/d0/extra"), "extra");
}

TEST(ZipLimits, MemberOver4GiB)
{
    const char* big = std::getenv("QB_BIG_TESTS");
    if (!big || std::string(big) != "1")
        GTEST_SKIP() << "set QB_BIG_TESTS=1 to write a file over 4 GiB";
    Modules();
    Sandbox box;
    std::string source = box.MakeFolder("big");
    {
        // Sparse: 4.5 GiB of zeros with a marker at each end, cheap to make.
        int fd = open((source + "/huge.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, "head", 4, 0), 4);
        ASSERT_EQ(pwrite(fd, "tail", 4, (9LL << 29) - 4), 4);
        close(fd);
    }
    for (const char* level : {"-1", "-0"}) {
        std::string archive = box.Path(std::string("huge") + level + ".zip");
        ASSERT_EQ(
            Modules().Zip(source, std::string(" -r ") + level + " \"" + archive + "\" \"*.*\""), 0)
            << Modules().output;
        EXPECT_EQ(RunShell("unzip -tq '" + archive + "' >/dev/null 2>&1"), 0) << level;
        EXPECT_EQ(RunShell("7zz t '" + archive + "' >/dev/null 2>&1"), 0) << level;
        fs::remove(archive);
    }
}
