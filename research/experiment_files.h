#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "research/batch_summary.h"
#include "research/experiment.h"
#include "research/run_result.h"
#include "research/trajectory.h"

namespace velmora::research {

// The texts of an experiment's output folder. Every number is written as
// the shortest text that reads back as the same double, so that a merged
// or resumed experiment writes the very same bytes as one played at once.

// experiment.json: what the experiment is. `arguments` is the command line
// that makes it, without the options that only say where and how fast to
// play it, so that every shard of one experiment writes the same text.
std::string ExperimentJson(const TExperimentPlan& plan, const std::vector<std::string>& arguments,
                           bool tracePeriods, bool complete);

// The first difference between two experiment.json texts that decides
// results, completion set aside, and the shard too unless shardToo (what a
// merge may join, a resume may not); empty when they are the same
// experiment.
std::string ExperimentDifference(const std::string& ours, const std::string& theirs,
                                 bool shardToo = false);

// Reads the shard and completion of an experiment.json text; throws
// std::runtime_error, saying why, for a text that is not one or a shard that
// cannot be (K/N with 1 <= K <= N <= MaxShards).
struct TExperimentState {
    TShard Shard;
    bool Complete = false;
};
TExperimentState ReadExperimentState(const std::string& json);

// A merge's experiment.json while it writes: marked, so that a merge that
// was stopped is known and may be redone into the same folder.
std::string MergingJson(const std::string& json);
bool IsMerging(const std::string& json);

// What an experiment.json text records, rebuilt: the plan with its points,
// the command line that made it and whether it traces every period. The
// factors given once are those of the recorded command line (--NAME=VALUE):
// the fixed values alone cannot tell a factor given at its default from one
// left out, which matters where it overrides a varied one. Throws
// std::runtime_error, or TUsageError for a plan that cannot be played.
struct TStoredExperiment {
    TExperimentPlan Plan;
    std::vector<std::string> Arguments;
    bool TracePeriods = false;
};
TStoredExperiment ReadExperiment(const std::string& json);

// The seed an experiment.json text records; empty when it records none.
std::optional<std::uint32_t> StoredSeed(const std::string& json);

// Takes the text of a file in parts of some tens of kilobytes, in order, so
// that the files of an experiment of many points are never held whole; may
// throw to give up.
using TTextSink = std::function<void(std::string_view)>;

// Hands text on to sink once it has grown to some tens of kilobytes, or
// whatever there is when last; text is left empty when handed on.
void PassOn(std::string& text, const TTextSink& sink, bool last = false);

// points.csv: the point number and every factor of every point.
void PointsCsv(const TExperimentPlan& plan, const TTextSink& sink);

// runs.csv: one row per run and level after the run's last period.
std::string RunsCsvHeader();
void AppendRunRows(std::string& out, const TRunResult& result);

// trace.csv: one row per run, period and level.
std::string TraceCsvHeader();

// summary.csv: one row per point and level.
void SummaryCsv(const TExperimentPlan& plan, const TPointSummaries& points, const TTextSink& sink);

// trajectory.csv: one row per point, period and level, runs that have
// ended held at their final state; the varied factors' columns name the
// point.
void TrajectoryCsv(const TExperimentPlan& plan, const TPointTrajectories& trajectories,
                   const TTextSink& sink);

// The sweep's summary as JSON, from the text of SummaryCsv given to it in
// the parts it comes in: an array of one object per row, numbers as numbers
// and missing values as null.
class TSummaryJson {
  public:
    explicit TSummaryJson(TTextSink sink) : Sink_(std::move(sink)) {}
    void Take(std::string_view csv);
    void End();

  private:
    TTextSink Sink_;
    std::vector<std::string> Columns_;
    std::string Rest_;  // a row not yet whole
    bool First_ = true;
};

// The levels of every point, to size its summaries.
std::vector<int> PointLevels(const TExperimentPlan& plan);

}  // namespace velmora::research
