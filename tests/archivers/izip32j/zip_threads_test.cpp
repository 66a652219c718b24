// The archive's bytes depend only on the files and the options: packing with one thread and with
// several gives the same ZIP archive, also when large files are deflated in pieces on all cores.
#include "Sandbox.h"
#include "ZipCheck.h"
#include "ZipModules.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(ZipThreads, ExtractionOnSeveralThreadsGivesEveryFileWithItsTimeAndMode)
{
    // More small members than the workers take at once, one larger than a worker's share (it is
    // streamed on the calling thread meanwhile), and a file replaced.
    qb::arctest::Sandbox box;
    std::string source = box.MakeFolder("src");
    std::mt19937 rng(11);
    for (int i = 0; i < 300; ++i) {
        std::string text;
        for (size_t n = rng() % 5000; text.size() < n;)
            text += std::to_string(rng() % 100) + " ";
        box.Write("src/d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".txt", text);
    }
    std::string big(9u << 20, '\0');
    for (char& c : big)
        c = static_cast<char>(rng() % 16);
    box.Write("src/big.bin", big);
    fs::permissions(source + "/d3/f3.txt", fs::perms::owner_read | fs::perms::owner_write);
    std::string archive = box.Path("x.zip");
    ASSERT_EQ(Modules().Zip(source, "-r -9 \"" + archive + "\" \"*.*\""), 0) << Modules().output;
    for (const char* threads : {"1", "4"}) {
        SCOPED_TRACE(threads);
        setenv("QUILLBOX2_THREADS", threads, 1);
        std::string into = box.MakeFolder(std::string("x") + threads);
        box.Write(std::string("x") + threads + "/d0/f0.txt", "to be replaced");
        ASSERT_EQ(Modules().UnZip(box.Root(), "-x \"" + archive + "\" \"" + into + "\""), 0)
            << Modules().output;
        for (const auto& file : fs::recursive_directory_iterator(source)) {
            if (!file.is_regular_file())
                continue;
            std::string relative = fs::relative(file.path(), source).string();
            ASSERT_EQ(qb::arctest::ReadFile(into + "/" + relative),
                      qb::arctest::ReadFile(file.path().string()))
                << relative;
            struct stat a {
            }, b{};
            ASSERT_EQ(stat(file.path().c_str(), &a), 0);
            ASSERT_EQ(stat((into + "/" + relative).c_str(), &b), 0);
            EXPECT_EQ(a.st_mtim.tv_sec, b.st_mtim.tv_sec) << relative;
            EXPECT_EQ(a.st_mtim.tv_nsec / 100, b.st_mtim.tv_nsec / 100) << relative;
            EXPECT_EQ(a.st_mode & 0777, b.st_mode & 0777) << relative;
        }
        for (const std::string& name : qb::arctest::FolderNames(into + "/d0"))
            EXPECT_NE(name[0], '.') << "a temporary file was left: " << name;
    }
    unsetenv("QUILLBOX2_THREADS");
}

}  // namespace
