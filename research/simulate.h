#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "research/run_result.h"
#include "research/run_settings.h"

namespace velmora::research {

// What a run must keep beyond its final state.
struct TRunWants {
    bool Trace = false;
    bool Shares = false;
    // Each time the trace and shares held grow by this many bytes the run
    // calls its TPartHook; 0: never.
    std::size_t PartBytes = 0;
    bool LongTrace = false;  // the trace of an experiment: a row per period and level
};

// Called as a run's buffered trace and shares grow. It may wait, and may take
// them as a partial result, leaving the buffers empty. Returns the buffered
// size at which it is to be called next.
using TPartHook = std::function<std::size_t(TRunResult& part)>;

// The seed of run r (1-based): (firstSeed + r - 1) mod 2^32.
std::uint32_t RunSeed(std::uint32_t firstSeed, std::uint64_t run) noexcept;

// Starts a run of these settings on org from the seed, as SimulateRun does.
void StartRun(TOrganisation& org, const TRunSettings& settings, std::uint32_t seed);

// The same, with the first staff tallied, for front ends that show a run
// from period 0: a run's own first tally comes with its first period.
void StartShownRun(TOrganisation& org, const TRunSettings& settings, std::uint32_t seed);

// Plays one whole run on org, exactly as the window would, until it finishes
// or reaches settings.MaxPeriods. Returns false, with the result incomplete, when
// cancel was raised meanwhile.
bool SimulateRun(TOrganisation& org, const TRunSettings& settings, std::uint64_t run,
                 std::uint32_t seed, const TRunWants& wants, TRunResult& result,
                 const std::atomic<bool>* cancel = nullptr, const TPartHook& handOn = {});

}  // namespace velmora::research
