// Fuzz target for ZIP reading: UNZIP32.DLL's UnZip entry point (built into the target together
// with the engine it calls) listing, testing and extracting an archive written from the input,
// as it meets any archive from elsewhere: the end record search, data before and after the
// archive, the directory, local headers, extra fields, the stored, deflate and Deflate64 data.
// Besides not crashing, it checks that an extraction writes nothing outside its folder. Built as
// a libFuzzer target with clang; tests/fuzz/run-fuzzers.sh runs it for a short while.
#include "archiver_api.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// One folder per process: the archive, the folder it is extracted into, and nothing else.
const std::string& WorkFolder()
{
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz-unzip.XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    return folder;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return std::remove(path);
}

int EntriesIn(const std::string& folder)
{
    static int count;
    count = 0;
    nftw(
        folder.c_str(), [](const char*, const struct stat*, int, struct FTW*) { return ++count, 0; },
        16, FTW_PHYS);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& work = WorkFolder();
    const std::string archive = work + "/in.zip";
    const std::string into = work + "/out";
    if (FILE* f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        std::abort();
    }
    char output[4096];
    UnZip(nullptr, ("-l \"" + archive + "\"").c_str(), output, sizeof output);
    UnZip(nullptr, ("-t \"" + archive + "\"").c_str(), output, sizeof output);
    if (mkdir(into.c_str(), 0700) != 0)
        std::abort();
    UnZip(nullptr, ("-x \"" + archive + "\" \"" + into + "\"").c_str(), output, sizeof output);
    nftw(into.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    // The work folder itself and the archive: anything more was written outside the folder.
    if (EntriesIn(work) != 2)
        std::abort();
    return 0;
}
