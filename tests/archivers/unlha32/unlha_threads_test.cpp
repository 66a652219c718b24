// The archive's bytes depend only on the files and the options: packing with one thread and with
// several gives the same archive, also when large files are cut into pieces that are compressed
// at the same time and joined, and when one of them does not compress and is stored instead.
#include "UnlhaHarness.h"

#include <cstdlib>
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

}  // namespace
}  // namespace unlhatest
