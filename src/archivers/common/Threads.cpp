#include "Threads.h"

#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace qb::arc {

unsigned ThreadCount()
{
    if (const char* text = std::getenv("QUILLBOX2_THREADS"); text && *text) {
        char* end = nullptr;
        long n = std::strtol(text, &end, 10);
        if (*end == '\0' && n >= 1)
            return static_cast<unsigned>(std::min<long>(n, kMaxThreads));
    }
    unsigned cores = 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        cores = static_cast<unsigned>(CPU_COUNT(&set));
    if (cores == 0)
        cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, kMaxThreads);
}

}  // namespace qb::arc
