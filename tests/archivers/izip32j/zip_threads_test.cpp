// The archive's bytes depend only on the files and the options: packing with one thread and with
// several gives the same ZIP archive, also when large files are deflated in pieces on all cores.
#include "Sandbox.h"
#include "ZipCheck.h"
#include "ZipModules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;
using namespace qb::ziptest;

namespace {

TEST(ZipThreads, OneThreadAndSeveralGiveTheSameArchive)
{
    const std::string source = DriveC() + "/THREADS";
    MakeSourceTree(source, false);
    std::mt19937 rng(5);
    std::string text;
    while (text.size() < (9u << 20))  // three pieces, with repeats across the cuts
        text += "row " + std::to_string(rng() % 5000) + (rng() % 7 ? ", " : "\n");
    std::ofstream(source + "/rows.txt", std::ios::binary) << text;
    fs::create_directories(DriveD() + "/THREADS");

    std::string first;
    for (const char* threads : {"1", "2", "5"}) {
        setenv("QUILLBOX2_THREADS", threads, 1);
        const std::string name = std::string("D:\\THREADS\\T") + threads + ".ZIP";
        ASSERT_EQ(Modules().Zip(source, "-r -9 \"" + name + "\" \"*.*\""), 0) << Modules().output;
        const std::string path = DriveD() + "/THREADS/T" + threads + ".ZIP";
        std::string bytes = qb::arctest::ReadFile(path);
        if (first.empty()) {
            first = bytes;
            EXPECT_TRUE(PeersAccept(path));
            EXPECT_EQ(ExtractAndCompare(path, source), "");
        } else {
            EXPECT_TRUE(bytes == first) << threads << " threads";
        }
    }
    unsetenv("QUILLBOX2_THREADS");
}

}  // namespace
