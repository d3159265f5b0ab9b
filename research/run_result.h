#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/organisation.h"

namespace velmora::research {

// Share of women on each level after one period.
using TLevelShares = TPerLevel<double>;

// What the batch keeps of one run. Slots are reused from run to run, so the
// buffers keep their capacity.
struct TRunResult {
    std::uint64_t Run = 0;  // 1-based, in the order the runner hands runs on
    // Where the run stands in its experiment; a plain batch is one point.
    std::uint64_t Global = 0;
    std::uint64_t Point = 1;
    std::uint64_t Replication = 1;
    std::uint32_t Seed = 0;
    std::int32_t Periods = 0;
    bool Finished = false;            // false: cut off at the period limit
    std::int32_t FinishedPeriod = 0;  // the period in which the last initial employee left
    int Levels = LevelCount;
    TPerLevel<std::int32_t> FemaleCount;
    TPerLevel<double> MeanScore;
    TLevelSizes LevelSize;

    std::string Trace;                 // CSV rows, when a trace is asked for
    std::vector<TLevelShares> Shares;  // one entry per period, when a plot is asked for

    // A long run's trace and shares may come in parts, in order: a partial
    // result holds only Run, Point, Seed and the periods since the previous part;
    // the last part is a whole result as above.
    bool Partial = false;

    std::size_t BufferedBytes() const noexcept {
        return Trace.size() + Shares.size() * sizeof(TLevelShares);
    }
    // Memory they take, room to grow included.
    std::size_t AllocatedBytes() const noexcept {
        return Trace.capacity() + Shares.capacity() * sizeof(TLevelShares);
    }
};

// Share of women on every level in the organisation's latest tally.
TLevelShares WomenShares(const TOrganisation& org) noexcept;
TLevelShares WomenShares(const TRunResult& result) noexcept;

}  // namespace velmora::research
