#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "research/experiment.h"
#include "research/run_result.h"
#include "research/run_settings.h"
#include "research/simulate.h"

namespace velmora::research {

// Runs to play: a batch of one setting's replications, or, given a plan, a
// stretch of an experiment's runs (those of its shard, from FirstRun on).
struct TBatchJob {
    TRunSettings Settings;
    std::uint64_t Runs = 0;
    std::uint32_t FirstSeed = 0;
    unsigned Threads = 1;
    TRunWants Wants;
    // Bytes of trace and shares that runs not yet consumed may hold in all.
    // Past it, runs wait until they are next in line; the run next in line
    // hands its output on in parts as it goes. So memory stays flat however
    // many threads and however long the runs.
    std::size_t HeldBytes = std::size_t{16} << 20;
    const TExperimentPlan* Plan = nullptr;
    std::uint64_t FirstRun = 1;  // of the plan's shard runs
};

// Receives each run's result on the calling thread, in run order, whatever
// the number of threads: everything derived from it is then reproducible.
// A long run may come as partial results first (TRunResult::Partial).
using TRunConsumer = std::function<void(const TRunResult&)>;

// Told, on the calling thread, how many runs have been consumed; called after
// every run and about twenty times a second while waiting.
using TProgressHook = std::function<void(std::uint64_t done)>;

// The worker threads a job uses: as asked, but never more than its runs.
unsigned WorkerCount(const TBatchJob& job) noexcept;

// Plays the job's runs on job.Threads worker threads. Returns false when
// cancel was raised before every run was consumed; it is looked at about
// twenty times a second, and the runs under way stop within a period. An
// exception from a worker or from consume stops every worker and is passed
// on.
bool RunBatch(const TBatchJob& job, const TRunConsumer& consume, const std::atomic<bool>& cancel,
              const TProgressHook& progress = {});

}  // namespace velmora::research
