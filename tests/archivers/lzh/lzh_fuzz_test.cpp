// Drives the LZH fuzz target with mutations of the shared test archives: flipped bits, bytes set
// to edge values, cut-off and spliced archives. The reader must neither crash nor hang nor read
// out of bounds (run under the sanitizers in the fuzz build). Deterministic, so a failure repeats.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The archives of the test data, and the fuzz seeds: self-extractors and the header variants of
// other systems.
std::vector<std::string> Corpus()
{
    std::vector<std::string> out;
    for (const std::string dir : {QB_TESTDATA_DIR "/lzh/", QB_FUZZ_SEEDS_DIR "/"}) {
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                struct stat st { };
                if (stat((dir + n).c_str(), &st) != 0 || !S_ISREG(st.st_mode) || n == "README.md")
                    continue;
                std::ifstream in(dir + n, std::ios::binary);
                std::string bytes((std::istreambuf_iterator<char>(in)), {});
                if (!bytes.empty() && bytes.size() < 200000)
                    out.push_back(std::move(bytes));
            }
            closedir(d);
        }
    }
    return out;
}

void Feed(const std::string& bytes)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

TEST(LzhFuzz, MutatedArchivesAreHandled)
{
    auto corpus = Corpus();
    ASSERT_FALSE(corpus.empty());
    std::mt19937 rng(20261207);
    const std::uint8_t edges[] = {0x00, 0x01, 0x02, 0x03, 0x7F, 0x80, 0xFE, 0xFF};
    for (int round = 0; round < 4000; ++round) {
        std::string a = corpus[rng() % corpus.size()];
        // Most damage that matters sits in the headers: favour the first few hundred bytes.
        std::size_t span = std::min<std::size_t>(a.size(), rng() % 2 ? 300 : a.size());
        int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && span > 0 && !a.empty(); ++e) {
            std::size_t at = rng() % std::min(span, a.size());
            switch (rng() % 4) {
            case 0:
                a[at] = static_cast<char>(a[at] ^ (1 << (rng() % 8)));
                break;
            case 1:
                a[at] = static_cast<char>(edges[rng() % sizeof edges]);
                break;
            case 2:
                a.resize(at);
                span = std::min(span, a.size());
                break;
            default: {
                const std::string& b = corpus[rng() % corpus.size()];
                std::size_t from = rng() % b.size();
                a.replace(at, std::min<std::size_t>(64, a.size() - at), b.substr(from, 64));
                break;
            }
            }
        }
        Feed(a);
    }
    Feed(std::string());
    Feed(std::string(1, '\0'));
    SUCCEED();
}
