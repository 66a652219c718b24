// Runs the command-line fuzz target on a few thousand mutated command lines, so that every test
// run exercises it even without clang's libFuzzer. The target aborts when an invariant breaks.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(CommandLineFuzz, MutatedCommandLinesKeepTheInvariants)
{
    const std::vector<std::string> seeds = {
        R"(u -+ -xr  "-wC:\TEMP\"  -jx386SPART.PAR -jxWIN386.SWP -jxPAGEFILE.SYS "D:\OUT\NAME.LZH" "*.*")",
        R"( -r  -9 "D:\OUT\NAME.ZIP" "*.*")",
        R"(-x "D:\OUT\NAME.LZH.ZIP" "C:\TEMP\" "NAME.LZH")",
        R"(x -+ "D:\OUT\NAME.ZIP.LZH" "C:\TEMP\" "NAME.ZIP")",
        "../a/../../b \\x C:y ./. a//b 日本語\\名前.txt ** ?*?*.* \"\" --",
    };
    const std::string alphabet = " \"\\/-.*?:xrD9\t\xe6\x97\xa5\xff";
    std::mt19937 rng(20261207);
    int runs = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string text = seeds[rng() % seeds.size()];
        int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
            switch (rng() % 4) {
            case 0:
                text.insert(at, 1, alphabet[rng() % alphabet.size()]);
                break;
            case 1:
                if (at < text.size())
                    text.erase(at, 1 + rng() % 4);
                break;
            case 2:
                if (at < text.size())
                    text[at] = static_cast<char>(rng());
                break;
            default:
                text.insert(at, text.substr(rng() % (text.size() + 1), rng() % 16));
                break;
            }
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        ++runs;
    }
    // Random bytes, too, including NUL.
    for (int round = 0; round < 1000; ++round) {
        std::string text(rng() % 200, '\0');
        for (char& c : text)
            c = static_cast<char>(rng());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        ++runs;
    }
    EXPECT_EQ(runs, 5000);
}
