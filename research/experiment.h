#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "research/factors.h"
#include "research/run_settings.h"

namespace velmora::research {

// Factor values as typed, by factor name.
using TFactorTexts = std::map<std::string, std::string, std::less<>>;

// How the points of an experiment are laid out.
// Sobol: Saltelli's scheme for Sobol indices, `samples` base samples of
// two independent matrices and the matrices mixing them (see sensitivity.h).
enum class TDesign { Grid, LatinHypercube, Sobol };

// Which seed each run gets: replication r of every point the same one
// (common random numbers), or every run of the sweep its own.
enum class TSeedScheme { Common, Independent };

// One factor varied over a sweep, as asked for.
struct TVaried {
    const TFactor* Factor = nullptr;
    std::string Given;                // the text after NAME=
    std::vector<std::string> Values;  // grid: every value; hypercube: the two ends
};

// One point of a sweep: the settings of its runs and the values that make it.
struct TPoint {
    TRunSettings Settings;
    std::vector<std::string> Values;  // of each varied factor, in --vary order
};

// Part of a sweep for one machine of a cluster: the runs whose global
// index is congruent to Index - 1 modulo Count.
struct TShard {
    std::uint64_t Index = 1;
    std::uint64_t Count = 1;
};
inline constexpr std::uint64_t MaxShards = 999999999;
// An experiment holds a summary of every point until its end; this many stay
// within a few hundred megabytes.
inline constexpr std::uint64_t MaxPoints = 250000;

// Where a run stands in its experiment.
struct TRunPlace {
    std::uint64_t Global = 1;       // 1-based over the whole sweep, replication-major
    std::uint64_t Point = 1;        // 1-based
    std::uint64_t Replication = 1;  // 1-based
    std::uint32_t Seed = 0;
};

// Everything that decides an experiment's results: the factors, how they
// vary, how many runs each point gets and the seeds. A value, free of the
// command line and of files, so that any front end can build and play one.
struct TExperimentPlan {
    TFactorTexts Fixed;  // factors given once
    std::vector<TVaried> Varied;
    TDesign Design = TDesign::Grid;
    std::uint64_t Samples = 0;  // hypercube points; base samples of a Sobol design
    std::vector<TPoint> Points;
    std::uint64_t Replications = 1;
    std::uint32_t Seed = 0;
    TSeedScheme Seeds = TSeedScheme::Common;
    TShard Shard;

    std::uint64_t TotalRuns() const noexcept { return Points.size() * Replications; }
    // Runs this shard plays, and the n-th of them (1-based) in run order.
    std::uint64_t ShardRuns() const noexcept;
    TRunPlace Place(std::uint64_t shardRun) const noexcept;
    TRunPlace PlaceOfGlobal(std::uint64_t global) const noexcept;
};

// Builds the points: the Cartesian product of the varied values, the first
// varied factor slowest; or a Latin hypercube of `samples` points drawn from
// the seed. Every point's settings apply the fixed and varied texts together
// in the factors' order, so overrides work as on the command line. Throws
// TUsageError for a point whose factors do not fit together.
std::vector<TPoint> BuildPoints(const TFactorTexts& fixed, const std::vector<TVaried>& varied,
                                TDesign design, std::uint64_t samples, std::uint32_t seed);

// Sets the factor from its value written as text (ReadFactorValue); a value
// refused is named as written. Throws TUsageError.
void SetFromText(TRunSettings& settings, const TFactor& factor, std::string_view text);

// Settings from factor texts, applied in the factors' order; throws TUsageError.
TRunSettings SettingsFrom(const TFactorTexts& texts);

// A varied factor's value at a point of a sampled design, as the points
// show it: whole factors rounded to whole numbers.
std::string PointValueText(const TFactor& factor, double value);

// For every dimension a permutation of 0..samples-1 and an offset within
// each stratum, from the seed's stream: sample i of dimension d lies at
// (Strata[d][i] + Offsets[d][i]) / samples on [0, 1).
struct TLatinHypercube {
    std::vector<std::vector<std::uint64_t>> Strata;
    std::vector<std::vector<double>> Offsets;
};
TLatinHypercube DrawLatinHypercube(std::size_t dimensions, std::uint64_t samples,
                                   std::uint32_t seed);

}  // namespace velmora::research
