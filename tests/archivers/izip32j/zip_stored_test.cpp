// Members that deflating would make larger are stored, as other zip programs store them: a file
// of one piece decided by its worker, a file of several pieces taken back after it was written.
#include "RawMembers.h"
#include "Sandbox.h"
#include "ZipCheck.h"
#include "ZipModules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace fs = std::filesystem;
using namespace qb::ziptest;

namespace {

std::string RandomBytes(size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string data(size, '\0');
    for (char& c : data)
        c = static_cast<char>(rng());
    return data;
}

}  // namespace

TEST(ZipStored, FilesThatDeflatingWouldEnlargeAreStored)
{
    Modules();
    qb::arctest::Sandbox box;
    std::string source = box.MakeFolder("src");
    box.Write("src/tiny.txt", "hello world\n");  // 12 bytes: deflated they take 14 or more
    box.Write("src/one-piece.bin", RandomBytes(700000, 1));
    // Three pieces of random bytes, the last one short: taken back and stored.
    box.Write("src/pieces.bin", RandomBytes(2 * (1u << 20) + 12345, 2));
    // Random pieces around a compressible one: the whole is smaller deflated and stays so.
    std::string mixed = RandomBytes(1u << 20, 3) + std::string(1u << 20, 'x') + "end";
    box.Write("src/mixed.bin", mixed);
    std::string text;
    for (int i = 0; i < 50000; ++i)
        text += "line " + std::to_string(i % 97) + "\n";
    box.Write("src/text.txt", text);
    box.Write("src/empty.txt", "");

    for (const char* level : {"-1", "-9"}) {
        SCOPED_TRACE(level);
        std::string archive = box.Path(std::string("out") + level + ".zip");
        ASSERT_EQ(Modules().Zip(source, std::string(" ") + level + " \"" + archive + "\" \"*.*\""),
                  0)
            << Modules().output;
        auto members = RawMembers(archive);
        for (const char* stored : {"tiny.txt", "one-piece.bin", "pieces.bin", "empty.txt"}) {
            EXPECT_EQ(members.at(stored).method, 0) << stored;
            EXPECT_EQ(members.at(stored).compressed.size(), fs::file_size(source + "/" + stored))
                << stored;
        }
        EXPECT_EQ(members.at("text.txt").method, 8);
        EXPECT_EQ(members.at("mixed.bin").method, 8);
        EXPECT_LT(members.at("mixed.bin").compressed.size(), mixed.size());
        EXPECT_TRUE(PeersAccept(archive));
        EXPECT_EQ(ExtractAndCompare(archive, source), "");
    }
}
