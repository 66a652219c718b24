// CRC-16 benchmark: GB/s of the table code and of the folding code (and of Crc16Update, which
// picks one) for calls of several sizes over 16 MiB of random bytes, best of several rounds.
//
//   lzh_crc16_bench [ROUNDS [MIB]]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "lzh_crc16.h"

namespace {

using Fn = std::uint16_t (*)(std::uint16_t, const void*, std::size_t);

// Seconds for one pass over `data` in calls of `chunk` bytes; the CRC is kept so the work stays.
double Pass(Fn fn, const std::vector<std::uint8_t>& data, std::size_t chunk, std::uint16_t& sink)
{
    const auto t0 = std::chrono::steady_clock::now();
    std::uint16_t crc = sink;
    for (std::size_t at = 0; at + chunk <= data.size(); at += chunk)
        crc = fn(crc, data.data() + at, chunk);
    sink = crc;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    std::vector<std::uint8_t> data((argc > 2 ? std::atoi(argv[2]) : 16) << 20);
    std::mt19937_64 rng(1);
    for (auto& b : data)
        b = static_cast<std::uint8_t>(rng());
    const bool clmul = lzh::detail::Crc16HasClmul();
    std::printf("carry-less multiply: %s\n", clmul ? "yes" : "no (folding column is the tables)");
    std::printf("%10s %10s %10s %10s\n", "call size", "tables", "folding", "Update");
    std::uint16_t sink = 0;
    const Fn fns[] = {lzh::detail::Crc16UpdateTable, lzh::detail::Crc16UpdateClmul,
                      lzh::Crc16Update};
    for (std::size_t chunk : {16u, 64u, 128u, 256u, 1024u, 4096u, 65536u, 1u << 20}) {
        std::printf("%10zu", chunk);
        for (Fn fn : fns) {
            double best = 1e9;
            for (int r = 0; r < rounds; ++r)
                best = std::min(best, Pass(fn, data, chunk, sink));
            std::printf(" %10.2f", static_cast<double>(data.size() / chunk * chunk) / best / 1e9);
        }
        std::printf("\n");
    }
    std::printf("(GB/s; checksum %04x)\n", sink);
    return 0;
}
