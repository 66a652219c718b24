#include "support/Sandbox.h"

#include "platform/RunFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using qb::platform::RunFolder;
using qbtest::Sandbox;
namespace fs = std::filesystem;

namespace {

int EntriesOf(const std::string& host)
{
    return static_cast<int>(std::distance(fs::directory_iterator(host), {}));
}

}  // namespace

TEST(RunFolder, PrivateToTheRunAndGoneWithEverythingInIt)
{
    Sandbox box;
    std::string host;
    {
        const auto a = RunFolder::Create("C:\\TEMP");
        const auto b = RunFolder::Create("C:\\TEMP\\");
        ASSERT_TRUE(a && b);
        EXPECT_NE(a->HostPath(), b->HostPath());
        host = a->HostPath();
        EXPECT_EQ(a->DrivePath(), "C:\\TEMP\\" + host.substr(host.rfind('/') + 1));
        EXPECT_EQ(a->DrivePath().rfind("C:\\TEMP\\quillbox2-run.", 0), 0u) << a->DrivePath();
        struct stat st { };
        ASSERT_EQ(::stat(host.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);

        Sandbox::MakeDirs(host + "/tmp");
        Sandbox::WriteFile(host + "/tmp/PROJ.LZH", "x");
        Sandbox::WriteFile(host + "/PROJ.LZH", "x");
        a->Empty();
        EXPECT_TRUE(fs::is_directory(host));
        EXPECT_EQ(EntriesOf(host), 0);
        Sandbox::WriteFile(host + "/NAME.LZH", "stored");
    }
    EXPECT_FALSE(Sandbox::Exists(host));
    EXPECT_EQ(EntriesOf(box.C() + "/TEMP"), 0);
    EXPECT_EQ(RunFolder::Create("C:\\NOPE"), nullptr);
}

TEST(RunFolder, OnlyFoldersOfRunsThatDiedAreSwept)
{
    Sandbox box;
    const std::string temp = box.C() + "/TEMP";
    // A run that is killed in the middle of its work.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const auto mine = RunFolder::Create("C:\\TEMP\\");
        Sandbox::WriteFile(mine->HostPath() + "/NAME.LZH", std::string(1000, 'x'));
        (void)::write(ready[1], "r", 1);
        ::pause();
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    // Alive: a sweep leaves it alone.
    EXPECT_EQ(qb::platform::RemoveDeadRunFolders("C:\\TEMP\\"), 0);
    EXPECT_EQ(EntriesOf(temp), 1);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    // Files of other names are not ours, whatever they look like.
    Sandbox::WriteFile(temp + "/NAME.LZH", "user's file");
    Sandbox::MakeDirs(temp + "/quillbox2-other");
    const auto living = RunFolder::Create("C:\\TEMP\\");
    ASSERT_TRUE(living);
    EXPECT_EQ(EntriesOf(temp), 3) << "the dead run's folder is still there";
    EXPECT_TRUE(Sandbox::Exists(temp + "/NAME.LZH"));
    EXPECT_TRUE(Sandbox::Exists(temp + "/quillbox2-other"));
    EXPECT_EQ(qb::platform::RemoveDeadRunFolders("C:\\TEMP\\"), 0);
    EXPECT_TRUE(Sandbox::Exists(living->HostPath()));
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(FileKey, OneFileWhateverTheLetterCaseOrLink)
{
    Sandbox box;
    Sandbox::MakeDirs(box.C() + "/OUT");
    fs::create_directory_symlink(box.C() + "/OUT", box.C() + "/LINK");
    using qb::platform::FileKey;
    // Not there yet: the spelling decides, through the folder's real place.
    EXPECT_EQ(FileKey("C:\\OUT\\ABC.LZH"), FileKey("C:\\LINK\\ABC.LZH"));
    EXPECT_NE(FileKey("C:\\OUT\\ABC.LZH"), FileKey("C:\\OUT\\abc.LZH"));
    Sandbox::WriteFile(box.C() + "/OUT/ABC.LZH", "x");
    // There: every path that reaches it gives its key.
    EXPECT_EQ(FileKey("C:\\OUT\\ABC.LZH"), FileKey("c:\\out\\abc.lzh"));
    EXPECT_EQ(FileKey("C:\\OUT\\ABC.LZH"), FileKey("C:\\LINK\\ABC.LZH"));
    EXPECT_NE(FileKey("C:\\OUT\\ABC.LZH"), FileKey("C:\\OUT\\ABC.ZIP"));
    EXPECT_EQ(FileKey("Q:\\X"), "");
}
