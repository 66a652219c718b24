// The archive's bytes depend only on the files and the options: packing with one thread and with
// several gives the same archive, also when large files are cut into pieces that are compressed
// at the same time and joined, and when one of them does not compress and is stored instead.
// Extracting with workers ends as with one thread.
#include "UnlhaHarness.h"

#include <cstdlib>
#include <sys/stat.h>
#include <random>

namespace unlhatest {
namespace {

class Threads : public DrivesTest {
protected:
    void TearDown() override
    {
        unsetenv("QUILLBOX2_THREADS");
        DrivesTest::TearDown();
    }

    std::string PackWith(const char* threads, const std::string& options, const std::string& name)
    {
        setenv("QUILLBOX2_THREADS", threads, 1);
        qb::arctest::ScopedCwd cwd(C("SRC"));
        CallResult r = Unlha("a -x -r2 " + options + " D:\\" + name + " *.*");
        EXPECT_EQ(r.rc, 0) << r.output;
        return qb::arctest::ReadFile(D(name));
    }
};

TEST_F(Threads, OneThreadAndSeveralGiveTheSameArchive)
{
    Tree tree = MakeSourceTree(C("SRC"), 5u << 20);  // a large file of two pieces
    std::string text = tree["readme.txt"];
    std::string mixed;  // four pieces: text with repeats far back, then noise, then text again
    std::mt19937 rng(7);
    while (mixed.size() < (9u << 20)) {
        if (mixed.size() % 3 == 0)
            mixed += text.substr(rng() % (text.size() - 5000), 3000 + rng() % 2000);
        else
            mixed += std::to_string(rng()) + (rng() % 5 ? " " : "\n");
    }
    tree["sub/mixed.dat"] = mixed;
    std::string noise(4600000, '\0');  // two pieces that do not compress: stored
    for (auto& c : noise)
        c = static_cast<char>(rng());
    tree["noise.bin"] = noise;
    for (int i = 0; i < 40; ++i)
        tree["many/f" + std::to_string(i) + ".txt"] =
            text.substr(static_cast<std::size_t>(i) * 997, 1000 + i * 300);
    WriteTree(C("SRC"), tree);
    const std::size_t files = 51;  // hidden ones are not packed without -a

    for (const std::string options : {"", "-o7"}) {
        SCOPED_TRACE(options);
        std::string one = PackWith("1", options, "ONE.LZH");
        std::string two = PackWith("2", options, "TWO.LZH");
        std::string five = PackWith("5", options, "FIVE.LZH");
        EXPECT_TRUE(one == two);
        EXPECT_TRUE(one == five);
        EXPECT_EQ(PeersReject(D("FIVE.LZH"), files), "");
        std::map<std::string, std::string> raw = RawMembers(D("FIVE.LZH"));
        EXPECT_EQ(raw["sub/mixed.dat"].substr(2, 5), options.empty() ? "-lh5-" : "-lh7-");
        EXPECT_EQ(raw["noise.bin"].substr(2, 5), "-lh0-");
    }
}

// Small members go to workers when there are several threads: the files, the output (in the
// order of the members) and the result are those of one thread, also with a damaged member, a
// name that comes twice (the later member wins) and a member too large to hand over.
TEST_F(Threads, ExtractionWithWorkersEndsAsWithOneThread)
{
    Tree tree = MakeSourceTree(C("SRC"), 5u << 20);
    for (int i = 0; i < 60; ++i)
        tree["many/f" + std::to_string(i) + ".txt"] =
            tree["readme.txt"].substr(static_cast<std::size_t>(i) * 311, 200 + i * 50);
    WriteTree(C("SRC"), tree);
    std::string archive = PackWith("1", "", "A.LZH");
    WriteTree(C("SRC2"), {{"many/f3.txt", "the later member of this name\n"}});
    std::string later;
    {
        qb::arctest::ScopedCwd cwd(C("SRC2"));
        ASSERT_EQ(Unlha("a -x -r2 D:\\B.LZH *.*").rc, 0);
        later = RawMembers(D("B.LZH"))["many/f3.txt"];
    }
    ASSERT_FALSE(later.empty());
    ASSERT_EQ(archive.back(), '\0');
    archive.pop_back();
    // One byte of a member's packed data changed: its CRC fails, the call goes on.
    std::string damaged = RawMembers(D("A.LZH"))["many/f10.txt"];
    std::size_t at = archive.find(damaged);
    ASSERT_NE(at, std::string::npos);
    archive[at + damaged.size() - 1] ^= 0x5A;
    archive += later + '\0';
    qbtest::WriteFile(D("MIXED.LZH"), archive);

    CallResult result[2];
    Tree extracted[2];
    for (int i = 0; i < 2; ++i) {
        setenv("QUILLBOX2_THREADS", i == 0 ? "1" : "2", 1);
        std::string target = D(i == 0 ? "X1" : "X2");
        result[i] = Unlha("x \"" + D("MIXED.LZH") + "\" \"" + target + "/\"");
        extracted[i] = ReadTree(target);
    }
    EXPECT_EQ(result[0].rc, ARC_ERROR_CHECKSUM) << result[0].output;
    EXPECT_EQ(result[1].rc, result[0].rc);
    EXPECT_EQ(result[1].output, result[0].output);
    EXPECT_TRUE(extracted[1] == extracted[0]);
    EXPECT_EQ(extracted[1]["many/f3.txt"], "the later member of this name\n");
    EXPECT_EQ(extracted[1].count("many/f10.txt"), 0u);
    EXPECT_EQ(extracted[1]["big.dat"], tree["big.dat"]);
    EXPECT_EQ(extracted[1]["many/f59.txt"], tree["many/f59.txt"]);
}

// An update reads the old archive while it walks the folder: what it says (a file it skips, an
// archive damaged half-way), its result and the archive it leaves are those of one thread; an
// intact archive is then updated alike.
TEST_F(Threads, UpdateReadingTheOldArchiveDuringTheWalkEndsAsWithOneThread)
{
    Tree tree;
    for (int i = 0; i < 30; ++i)
        tree["d/f" + std::to_string(i) + ".txt"] = "text " + std::to_string(i) + "\n";
    WriteTree(C("SRC"), tree);
    std::string archive = PackWith("1", "", "U.LZH");
    ASSERT_EQ(mkfifo(C("SRC/d/fifo").c_str(), 0644), 0);
    std::string damaged = archive.substr(0, archive.size() / 2);
    const std::string updateCommand = "u -x -r2 D:\\U.LZH *.*";
    for (const bool isDamaged : {true, false}) {
        const std::string& old = isDamaged ? damaged : archive;
        CallResult result[2];
        std::string after[2];
        for (int i = 0; i < 2; ++i) {
            qbtest::WriteFile(D("U.LZH"), old);
            setenv("QUILLBOX2_THREADS", i == 0 ? "1" : "2", 1);
            qb::arctest::ScopedCwd cwd(C("SRC"));
            result[i] = Unlha(updateCommand);
            after[i] = qb::arctest::ReadFile(D("U.LZH"));
        }
        EXPECT_EQ(result[0].rc, isDamaged ? ARC_ERROR_BAD_ARCHIVE : ARC_ERROR_INCOMPLETE)
            << result[0].output;
        EXPECT_EQ(result[1].rc, result[0].rc);
        EXPECT_EQ(result[1].output, result[0].output);
        EXPECT_NE(result[1].output.find("fifo"), std::string::npos) << result[1].output;
        EXPECT_TRUE(after[1] == after[0]);
        if (isDamaged) {
            EXPECT_TRUE(after[1] == damaged);
        }
    }
}

}  // namespace
}  // namespace unlhatest
