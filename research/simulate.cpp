#include "research/simulate.h"

#include "model/run.h"
#include "model/tally.h"
#include "research/trace.h"

namespace velmora::research {

std::uint32_t RunSeed(std::uint32_t firstSeed, std::uint64_t run) noexcept {
    return static_cast<std::uint32_t>(firstSeed + (run - 1));
}

void StartRun(TOrganisation& org, const TRunSettings& settings, std::uint32_t seed) {
    org.Implementation = settings.Implementation;
    BeginRun(org, seed, settings.Shape, settings.Params);
}

void StartShownRun(TOrganisation& org, const TRunSettings& settings, std::uint32_t seed) {
    StartRun(org, settings, seed);
    Tally(org);
}

bool SimulateRun(TOrganisation& org, const TRunSettings& settings, std::uint64_t run,
                 std::uint32_t seed, const TRunWants& wants, TRunResult& result,
                 const std::atomic<bool>* cancel, const TPartHook& handOn) {
    StartRun(org, settings, seed);
    result.Run = run;
    result.Seed = seed;
    result.Trace.clear();
    result.Shares.clear();
    result.Partial = false;
    std::size_t nextCall = wants.PartBytes;
    const auto afterPeriod = [&](const TOrganisation& o) {
        if (wants.Trace) AppendTraceRow(result.Trace, run, seed, o);
        if (wants.LongTrace) AppendLongTraceRows(result.Trace, result.Point, result.Replication, o);
        if (wants.Shares) result.Shares.push_back(WomenShares(o));
        if (handOn && nextCall > 0 && result.BufferedBytes() >= nextCall) {
            result.Partial = true;
            nextCall = handOn(result);
            result.Partial = false;
        }
    };
    if (settings.Periods) {
        RunPeriods(org, *settings.Periods, afterPeriod, cancel);
    } else {
        RunToEnd(org, settings.MaxPeriods, afterPeriod, cancel);
    }
    // Only a cancel stops a run short of both its end and the period limit.
    const bool ended = !settings.Periods && org.Finished;
    if (!ended && org.Period < settings.PeriodLimit()) return false;
    result.Periods = org.Period;
    result.Finished = org.Finished;
    result.FinishedPeriod = org.FinishedPeriod;
    result.Levels = org.Levels;
    result.FemaleCount = org.FemaleCount;
    result.MeanScore = org.MeanScore;
    result.LevelSize = org.LevelSize;
    return true;
}

}  // namespace velmora::research
