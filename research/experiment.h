#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "research/factor_value.h"
#include "research/factors.h"
#include "research/run_settings.h"

namespace velmora::research {

// How the points of an experiment are laid out: every combination of
// listed values (a grid), or points sampled over ranges: a Latin hypercube,
// or Saltelli's scheme for Sobol indices (Samples base samples of two
// independent matrices and the matrices mixing them, see sensitivity.h).
enum class TDesign { Grid, LatinHypercube, Sobol };

// Names as experiment.json and the front ends give them: "grid", "lhs",
// "sobol".
std::string_view DesignName(TDesign design) noexcept;
std::optional<TDesign> DesignNamed(std::string_view name) noexcept;
// Whether the design samples points over ranges (A..B) rather than lists them.
bool Sampled(TDesign design) noexcept;

// Which seed each run gets: replication r of every point the same one
// (common random numbers), or every run of the sweep its own.
enum class TSeedScheme { Common, Independent };

// One factor varied over a sweep.
struct TVaried {
    const TFactor* Factor = nullptr;
    // A grid: every value; a sampled design: the two ends, as numbers.
    std::vector<TFactorValue> Values;
    // How the front end wrote each value, for the points' labels and
    // experiment.json; none: as ValueText writes it.
    std::vector<std::string> Labels;

    std::string Label(std::size_t i) const {
        return i < Labels.size() ? Labels[i] : ValueText(Values[i]);
    }
};

// One point of a sweep: the settings of its runs and the values that make it.
struct TPoint {
    TRunSettings Settings;
    std::vector<std::string> Values;  // the label of each varied factor's value, in order
};

// Part of a sweep for one machine of a cluster: the runs whose global
// index is congruent to Index - 1 modulo Count.
struct TShard {
    std::uint64_t Index = 1;
    std::uint64_t Count = 1;
};
inline constexpr std::uint64_t MaxShards = 999999999;
// 1 <= K <= N <= MaxShards, whether given or read back from a file.
constexpr bool ShardPossible(const TShard& shard) noexcept {
    return shard.Index >= 1 && shard.Index <= shard.Count && shard.Count <= MaxShards;
}
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
    TFactorValues Fixed;  // factors given once
    std::vector<TVaried> Varied;
    TDesign Design = TDesign::Grid;
    std::uint64_t Samples = 0;  // points of a hypercube; base samples of a Sobol design
    std::vector<TPoint> Points;
    std::uint64_t Replications = 1;
    std::uint32_t Seed = 0;
    TSeedScheme Seeds = TSeedScheme::Common;
    TShard Shard;
    TImplementation Implementation = TImplementation::Fast;  // of every point's runs

    std::uint64_t TotalRuns() const noexcept { return Points.size() * Replications; }
    // Runs this shard plays, and the n-th of them (1-based) in run order.
    std::uint64_t ShardRuns() const noexcept;
    TRunPlace Place(std::uint64_t shardRun) const noexcept;
    TRunPlace PlaceOfGlobal(std::uint64_t global) const noexcept;
};

// An experiment summarises at most this many runs in all.
inline constexpr std::uint64_t MaxExperimentRuns = 4294967296ULL * 64;

// Checks what the plan asks for (its factors, design, samples, runs, seed
// scheme and shard) and builds its points; throws TUsageError, factors
// marked (MarkFactor). A grid's points are the Cartesian product of the
// varied values, the first varied factor slowest; a sampled design's are
// drawn from the seed. Every point's settings apply the fixed and varied
// values together in the factors' order, so that overrides work as for one
// batch.
void CompletePlan(TExperimentPlan& plan);

// The most levels any point of the plan has.
int MostLevels(const TExperimentPlan& plan) noexcept;

// Settings from factor values, applied in the factors' order; throws
// TUsageError.
TRunSettings SettingsFrom(const TFactorValues& values);

// Factor values written as text, by factor name, as a page or a command
// line gives them.
using TFactorTexts = std::map<std::string, std::string, std::less<>>;

// Reads each as its factor reads text (ReadFactorValue); throws TUsageError
// for a name that is no factor's.
TFactorValues ReadFactorValues(const TFactorTexts& texts);

// Settings from factor texts, a value refused named as written; throws
// TUsageError.
TRunSettings SettingsFromTexts(const TFactorTexts& texts);

// Sets the factor from its value written as text (ReadFactorValue); a value
// refused is named as written. Throws TUsageError.
void SetFromText(TRunSettings& settings, const TFactor& factor, std::string_view text);

// A sampled design's value of a varied factor: whole factors rounded to
// whole numbers.
TFactorValue SampledValue(const TFactor& factor, double value);

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
