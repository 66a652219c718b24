// Encoder benchmark: compresses the files (folders are walked recursively) named on the command
// line with each LZH method and prints, per method, the total sizes, the ratio and the speed.
//
//   lzh_encoder_bench [-m 5|6|7]... [-l LEVEL]... [-j THREADS] PATH...
//
// Members are independent, so with -j they are compressed on several threads at once, as the
// archiver does; "wall" is then the time for the whole set and "MB/s" the input over wall time.
// A member whose stream would not be smaller than the file counts at its stored size, as in a
// real archive. Peak memory is the process's high-water mark at the end.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "lzh_encoder.h"

namespace fs = std::filesystem;

namespace {

struct Totals {
    std::atomic<std::uint64_t> in{0}, out{0};
    std::atomic<int> failures{0};
};

void CompressOne(const fs::path& path, lzh::EncodeMethod method, int level, Totals& totals)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        ++totals.failures;
        return;
    }
    lzh::EncodeIo io;
    io.read = [f](std::uint8_t* buf, std::size_t size) -> std::ptrdiff_t {
        const std::size_t n = std::fread(buf, 1, size, f);
        return std::ferror(f) ? -1 : static_cast<std::ptrdiff_t>(n);
    };
    io.write = [](const std::uint8_t*, std::size_t) { return true; };
    const lzh::EncodeResult r = lzh::Encode(method, io, lzh::EncodeOptions{level});
    std::fclose(f);
    if (!r.ok) {
        ++totals.failures;
        return;
    }
    totals.in += r.inputSize;
    totals.out += std::min(r.packedSize == 0 ? r.inputSize : r.packedSize, r.inputSize);
}

// User plus system CPU time of the whole process, in seconds: steadier than wall time on a
// shared machine.
double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long PeakKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> methods, levels;
    unsigned threads = 1;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "-m" || a == "-l" || a == "-j") && i + 1 < argc) {
            const int v = std::atoi(argv[++i]);
            if (a == "-m")
                methods.push_back(v);
            if (a == "-l")
                levels.push_back(v);
            if (a == "-j")
                threads = static_cast<unsigned>(std::max(1, v));
            continue;
        }
        std::error_code ec;
        if (fs::is_directory(a, ec)) {
            for (auto it = fs::recursive_directory_iterator(a, ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
                if (it->is_regular_file(ec))
                    files.push_back(it->path());
            }
        } else if (fs::is_regular_file(a, ec)) {
            files.push_back(a);
        } else {
            std::fprintf(stderr, "skipped: %s\n", a.c_str());
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s [-m 5|6|7]... [-l LEVEL]... [-j THREADS] PATH...\n",
                     argv[0]);
        return 2;
    }
    // Largest first, so one big file does not finish last on its own thread.
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        std::error_code ec;
        return fs::file_size(a, ec) > fs::file_size(b, ec);
    });
    if (methods.empty())
        methods = {5, 6, 7};
    if (levels.empty())
        levels = {0};

    std::printf("%-6s %5s %7s %12s %12s %7s %8s %8s %8s\n", "method", "level", "files", "in", "out",
                "ratio", "wall s", "MB/s", "cpu s");
    for (int m : methods) {
        for (int level : levels) {
            Totals totals;
            std::atomic<std::size_t> next{0};
            const auto start = std::chrono::steady_clock::now();
            const double cpuStart = CpuSeconds();
            std::vector<std::thread> pool;
            for (unsigned t = 0; t < threads; ++t) {
                pool.emplace_back([&] {
                    for (std::size_t k; (k = next++) < files.size();)
                        CompressOne(files[k], static_cast<lzh::EncodeMethod>(m), level, totals);
                });
            }
            for (auto& t : pool)
                t.join();
            const double secs =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double in = static_cast<double>(totals.in.load());
            const double cpu = CpuSeconds() - cpuStart;
            std::printf("-lh%d-  %5d %7zu %12llu %12llu %6.2f%% %8.2f %8.1f %8.2f%s\n", m, level,
                        files.size(), static_cast<unsigned long long>(totals.in.load()),
                        static_cast<unsigned long long>(totals.out.load()),
                        in > 0 ? 100.0 * static_cast<double>(totals.out.load()) / in : 0.0, secs,
                        in / 1e6 / secs, cpu, totals.failures ? "  (some files failed)" : "");
            std::fflush(stdout);
        }
    }
    std::printf("peak memory: %.1f MiB\n", static_cast<double>(PeakKiB()) / 1024.0);
    return 0;
}
