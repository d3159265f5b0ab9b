#pragma once

#include <cstdint>

#include "research/run_settings.h"

namespace velmora::research {

inline constexpr std::uint64_t MaxRuns = 4294967296ULL;  // one run per seed
// More workers than this only add memory and switching, on any machine of today.
inline constexpr unsigned MaxThreads = 256;

// One batch as asked for: the settings every run shares, how many runs, from
// which seed, on how many threads.
struct TBatchRequest {
    TRunSettings Settings;
    std::uint64_t Runs = 100;
    std::uint32_t Seed = 0;
    bool SeedFromClock = true;
    unsigned Threads = 1;
};

}  // namespace velmora::research
