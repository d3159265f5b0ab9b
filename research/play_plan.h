#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "research/experiment.h"
#include "research/parallel_runner.h"
#include "research/run_result.h"

namespace velmora::research {

// How to play a plan's runs: those of its shard from FirstRun to LastRun
// (1-based, in the shard's run order), on this many worker threads.
struct TPlayOptions {
    unsigned Threads = 1;
    std::uint64_t FirstRun = 1;
    std::uint64_t LastRun = 0;  // 0: the shard's last
    bool LongTrace = false;     // every period of every run, per level (TRunResult::Trace)
    bool Shares = false;        // every period's shares of women (TRunResult::Shares)
};

// Plays the runs into consume on the calling thread, in run order whatever
// the threads; cancel is looked at at least ten times a second however long
// a run lasts, and progress told as RunBatch tells it. Returns false when
// cancelled. An exception from a worker or from consume is passed on.
bool PlayPlan(const TExperimentPlan& plan, const TPlayOptions& options, const TRunConsumer& consume,
              const std::atomic<bool>& cancel, const TProgressHook& progress = {});

// One level of a run's final state as a row of a table.
struct TLevelRecord {
    int Level = 0;  // 1 the bottom level
    std::int32_t Size = 0;
    std::int32_t Women = 0;
    double Share = 0;  // of women; 0 for an empty level
    double MeanScore = 0;
};

// A run as a front end copies it into columns: where it stands, how it
// ended and its levels, bottom first.
struct TRunRecord {
    std::uint64_t Run = 0;
    std::uint64_t Point = 1;
    std::uint64_t Replication = 1;
    std::uint32_t Seed = 0;
    std::int32_t Periods = 0;  // a finished run's periods to its end, as runs.csv counts them
    bool Finished = false;

    explicit TRunRecord(const TRunResult& result) noexcept;
    std::span<const TLevelRecord> Levels() const noexcept {
        return {Levels_.data(), static_cast<std::size_t>(Count_)};
    }

  private:
    std::array<TLevelRecord, MaxLevels> Levels_{};
    int Count_ = 0;
};

}  // namespace velmora::research
