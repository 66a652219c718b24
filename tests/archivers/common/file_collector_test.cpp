// Which files a list of specifications takes: recursion, hidden names, exclusions, folder
// specifications, things that are not files, and link loops.
#include "FileCollector.h"
#include "Sandbox.h"
#include "archiver_results.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace qb::arc;
using qb::arctest::Sandbox;
using qb::arctest::ScopedCwd;
using Names = std::vector<std::string>;

namespace {

class Collect : public ::testing::Test {
protected:
    void SetUp() override
    {
        box.Write("a.txt", "a");
        box.Write("B.DAT", "b");
        box.Write("noext", "");
        box.Write(".dot", "hidden");
        box.Write("sub/c.txt", "c");
        box.Write("sub/deep/d.txt", "d");
        box.Write("sub/.cache/e.txt", "e");
        box.Write("with space/f g.txt", "f");
        box.Write("日本語/名前.txt", "jp");
        box.MakeFolder("empty");
    }

    Names Members(const std::vector<std::string>& specs, CollectOptions options, int expect = 0)
    {
        ScopedCwd cwd(box.Root());
        CollectResult r = CollectFiles(specs, options);
        EXPECT_EQ(r.result, expect) << r.message;
        Names names;
        for (const SourceEntry& e : r.entries)
            names.push_back(e.member + (e.isFolder ? "/" : ""));
        skipped.clear();
        for (const SkippedFile& f : r.skipped)
            skipped.push_back(f.reason + " " + f.member);
        return names;
    }

    Sandbox box;
    Names skipped;
};

}  // namespace

TEST_F(Collect, WithoutRecursionOnlyTheFolderItself)
{
    EXPECT_EQ(Members({"*.*"}, {}), (Names{"B.DAT", "a.txt", "noext"}));
}

TEST_F(Collect, RecursionWithFolderEntriesAndHiddenNames)
{
    CollectOptions o;
    o.recurse = true;
    EXPECT_EQ(Members({"*.*"}, o), (Names{"B.DAT", "a.txt", "empty/", "noext", "sub/", "sub/c.txt",
                                          "sub/deep/", "sub/deep/d.txt", "with space/",
                                          "with space/f g.txt", "日本語/", "日本語/名前.txt"}));
    o.hidden = true;
    o.folderEntries = false;
    EXPECT_EQ(Members({"*.*"}, o),
              (Names{".dot", "B.DAT", "a.txt", "noext", "sub/.cache/e.txt", "sub/c.txt",
                     "sub/deep/d.txt", "with space/f g.txt", "日本語/名前.txt"}));
}

TEST_F(Collect, PatternAppliesAtEveryLevel)
{
    CollectOptions o;
    o.recurse = true;
    o.folderEntries = false;
    EXPECT_EQ(Members({"*.TXT"}, o), (Names{"a.txt", "sub/c.txt", "sub/deep/d.txt",
                                            "with space/f g.txt", "日本語/名前.txt"}));
}

TEST_F(Collect, ExclusionsByNameAndByPath)
{
    CollectOptions o;
    o.recurse = true;
    o.folderEntries = false;
    o.excludes = {"A.TXT", "deep", "with space\\*.txt"};
    EXPECT_EQ(Members({"*.*"}, o), (Names{"B.DAT", "noext", "sub/c.txt", "日本語/名前.txt"}));
}

TEST_F(Collect, FolderSpecificationsKeepTheirFolders)
{
    CollectOptions o;
    o.recurse = true;
    o.folderEntries = false;
    // Letters of the folder part need not match the disk's case.
    EXPECT_EQ(Members({"SUB\\*.*"}, o), (Names{"SUB/c.txt", "SUB/deep/d.txt"}));
    EXPECT_EQ(Members({"sub/deep/*.*"}, o), (Names{"sub/deep/d.txt"}));
    // An absolute specification loses its drive or root, as a relative archive path must.
    Names abs = Members({box.Path("sub") + "/*.*"}, o);
    ASSERT_EQ(abs.size(), 2u);
    EXPECT_EQ(abs[0].substr(abs[0].size() - 10), "/sub/c.txt");
    EXPECT_NE(abs[0][0], '/');
    // ".." is folded and never reaches a member name.
    EXPECT_EQ(Members({"sub/../sub/deep/*.*"}, o), (Names{"sub/deep/d.txt"}));
}

TEST_F(Collect, LiteralNamesAndDuplicates)
{
    CollectOptions o;
    // A literally named dot-file is taken even without hidden files; a name given twice once.
    EXPECT_EQ(Members({".dot", "a.txt", "A.TXT", "*.txt"}, o), (Names{".dot", "a.txt"}));
    // A named folder with recursion brings its content.
    o.recurse = true;
    EXPECT_EQ(Members({"sub\\deep"}, o), (Names{"sub/deep/", "sub/deep/d.txt"}));
}

// Enough names for the table of taken names to grow several times: each is still taken once,
// in the order first met, however often the specifications name it again.
TEST_F(Collect, ManyNamesGivenTwiceAreTakenOnce)
{
    Names expected{"many/n1150"};
    for (int i = 1000; i < 1300; ++i) {
        box.Write("many/n" + std::to_string(i), "x");
        if (i != 1150)
            expected.push_back("many/n" + std::to_string(i));
    }
    EXPECT_EQ(Members({"many\\n1150", "many\\*.*", "many\\n1001", "many\\*.*"}, {}), expected);
}

// A large folder has its entries' status taken two at once; what is collected and what is
// skipped, and in which order, must not depend on it, across the batches of a thousand too.
TEST_F(Collect, LargeFoldersGiveTheSameListOnOneThreadAsOnTwo)
{
    for (int i = 1000; i < 3100; ++i)
        box.Write("big/f" + std::to_string(i), "x");
    box.Write("big/.hidden", "h");
    ASSERT_EQ(symlink("f1500", box.Path("big/link1024").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", box.Path("big/dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(box.Path("big/pipe").c_str(), 0600), 0);
    CollectOptions o;
    o.recurse = true;
    Names lists[2], skips[2];
    for (const char* threads : {"1", "2"}) {
        setenv("QUILLBOX2_THREADS", threads, 1);
        const int k = threads[0] - '1';
        lists[k] = Members({"big\\*.*"}, o);
        skips[k] = skipped;
    }
    unsetenv("QUILLBOX2_THREADS");
    EXPECT_EQ(lists[0], lists[1]);
    EXPECT_EQ(skips[0], skips[1]);
    EXPECT_EQ(lists[1].size(), 2100u + 1u);  // the files and the link, not the hidden one
    EXPECT_EQ(skips[1], (Names{"link-dangling big/dangling", "not-regular big/pipe"}));
}

TEST_F(Collect, NothingMatchedAndMissingFolder)
{
    EXPECT_TRUE(Members({"*.none"}, {}, ARC_ERROR_NOTHING_TO_DO).empty());
    EXPECT_TRUE(Members({"missing\\*.*"}, {}, ARC_ERROR_FOLDER_MISSING).empty());
    EXPECT_TRUE(Members({"missing.txt"}, {}, ARC_ERROR_NOTHING_TO_DO).empty());
    ASSERT_EQ(skipped.size(), 1u);
}

TEST_F(Collect, FifosSocketsAndDevicesAreSkipped)
{
    ASSERT_EQ(mkfifo(box.Path("pipe").c_str(), 0600), 0);
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string sockPath = box.Path("sock");
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(symlink("/dev/null", box.Path("devlink").c_str()), 0);
    EXPECT_EQ(Members({"*.*"}, {}), (Names{"B.DAT", "a.txt", "noext"}));
    EXPECT_EQ(skipped, (Names{"link-outside devlink", "not-regular pipe", "not-regular sock"}));
    close(s);
}

TEST_F(Collect, LinksAreFollowedButLoopsAreNot)
{
    ASSERT_EQ(symlink("a.txt", box.Path("link.txt").c_str()), 0);
    ASSERT_EQ(symlink("..", box.Path("sub/up").c_str()), 0);  // back to the start
    ASSERT_EQ(symlink(".", box.Path("sub/deep/self").c_str()), 0);  // to itself
    ASSERT_EQ(symlink("nowhere", box.Path("dangling").c_str()), 0);
    ASSERT_EQ(symlink("deep", box.Path("sub/deep2").c_str()), 0);  // same folder, other name
    CollectOptions o;
    o.recurse = true;
    o.folderEntries = false;
    Names names = Members({"*.*"}, o);
    EXPECT_EQ(names, (Names{"B.DAT", "a.txt", "link.txt", "noext", "sub/c.txt", "sub/deep/d.txt",
                            "with space/f g.txt", "日本語/名前.txt"}));
    EXPECT_EQ(skipped, (Names{"link-dangling dangling", "link-loop sub/deep/self",
                              "link-loop sub/deep2", "link-loop sub/up"}));
}

TEST_F(Collect, SkipFilesLeavesTheArchiveOut)
{
    CollectOptions o;
    o.skipFiles = {box.Path("B.DAT"), box.Path("not-there")};
    EXPECT_EQ(Members({"*.*"}, o), (Names{"a.txt", "noext"}));
}

TEST_F(Collect, NamesThatAreNotUtf8AreTakenAsBytes)
{
    box.Write("bad\xff.txt", "x");
    ScopedCwd cwd(box.Root());
    CollectResult r = CollectFiles({"*.txt"}, {});
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_FALSE(r.entries[0].rawName);
    EXPECT_EQ(r.entries[1].member, "bad\xff.txt");
    EXPECT_TRUE(r.entries[1].rawName);
    EXPECT_TRUE(r.skipped.empty());
}

TEST_F(Collect, ALongWalkCanBeCancelled)
{
    for (int i = 0; i < 200; ++i)
        box.MakeFolder("many/d" + std::to_string(i));
    CollectOptions o;
    o.recurse = true;
    int asked = 0;
    o.keepGoing = [&](const std::string&) { return ++asked < 2; };
    EXPECT_TRUE(Members({"*.*"}, o, ARC_ERROR_USER_CANCEL).empty());
    EXPECT_EQ(asked, 2);
}
