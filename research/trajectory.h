#pragma once

#include <cstdint>
#include <vector>

#include "research/run_result.h"
#include "research/statistics.h"

namespace velmora::research {

// Share of women per level and period across the runs of a batch. Runs end
// at different periods; a run that has ended is held at its final state, so
// every period averages over all runs and the curves show no survivor effect.
class TTrajectory {
  public:
    // Statistics of each level in one period, levels 1 to the organisation's.
    class TLevels {
      public:
        explicit TLevels(const TRunningStats* first) noexcept : First_(first) {}
        const TRunningStats& operator[](int level) const noexcept { return First_[level - 1]; }

      private:
        const TRunningStats* First_;
    };

    explicit TTrajectory(int levels = LevelCount) : Levels_(levels), Final_(Levels()) {}

    // One whole run's shares, one entry per period; runs must come in run order.
    void Add(const std::vector<TLevelShares>& shares);

    // The same, a run taken period by period so that it need not be held
    // whole: the next periods of the current run, then EndRun once it is
    // over. The statistics come out exactly as with Add.
    void AddPeriods(const std::vector<TLevelShares>& shares);
    void EndRun();

    std::int32_t Periods() const noexcept {
        return static_cast<std::int32_t>(PerPeriod_.size() / Levels());
    }
    // Statistics of period p, 1 to Periods().
    TLevels At(std::int32_t period) const noexcept {
        return TLevels(&PerPeriod_[static_cast<std::size_t>(period - 1) * Levels()]);
    }

  private:
    std::size_t Levels() const noexcept { return static_cast<std::size_t>(Levels_); }
    void AddShares(std::size_t period, const TLevelShares& shares);

    int Levels_;
    // Period after period, the organisation's levels each: long runs make
    // this the largest thing a plot keeps, so no room is spent on levels
    // the organisation does not have.
    std::vector<TRunningStats> PerPeriod_;
    std::vector<TRunningStats> Final_;  // final states of the runs ended so far
    std::size_t RunPeriods_ = 0;        // periods of the current run so far
    TLevelShares Last_{};               // its latest period
};

// The trajectory of every point of an experiment, filled run by run in run
// order: memory grows with points, periods and levels, never with runs.
class TPointTrajectories {
  public:
    // One entry per point: the levels it has.
    explicit TPointTrajectories(const std::vector<int>& levels);

    // A run's result, or a part of it (result.Point is 1-based).
    void Add(const TRunResult& result);
    // A whole run of that point (1-based), one entry per period.
    void Add(std::uint64_t point, const std::vector<TLevelShares>& shares);

    const TTrajectory& At(std::size_t point) const { return Points_[point]; }  // 0-based
    std::size_t Size() const noexcept { return Points_.size(); }
    std::int32_t MostPeriods() const noexcept;

  private:
    std::vector<TTrajectory> Points_;
};

}  // namespace velmora::research
