// How many threads a module may compress on: QUILLBOX2_THREADS when it holds a number from 1 up,
// else the processors this process may run on (its affinity mask, not the machine's count, so
// a run limited with taskset or a container's CPU set does not start more threads than it has
// cores). Never more than kMaxThreads: each thread holds a few MB of compression state, and
// memory must stay bounded however the variable is set. The number of threads changes only the
// speed, never an archive's bytes.
#pragma once

namespace qb::arc {

constexpr unsigned kMaxThreads = 16;

unsigned ThreadCount();

}  // namespace qb::arc
