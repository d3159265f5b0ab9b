#pragma once

#include <optional>
#include <string>
#include <vector>

#include "batch/batch_summary.h"
#include "batch/experiment.h"
#include "batch/run_result.h"

namespace velmora::batch {

// The texts of an experiment's output folder. Every number is written as
// the shortest text that reads back as the same double, so that a merged
// or resumed experiment writes the very same bytes as one played at once.

// experiment.json: what the experiment is. `arguments` is the command line
// that makes it, without the options that only say where and how fast to
// play it, so that every shard of one experiment writes the same text.
std::string ExperimentJson(const TExperimentPlan& plan, const std::vector<std::string>& arguments,
                           bool tracePeriods, bool complete);

// The first difference between two experiment.json texts that decides
// results (shard and completion set aside); empty when they are the same
// experiment. Throws std::runtime_error for a text that is not one.
std::string ExperimentDifference(const std::string& ours, const std::string& theirs);

// Reads the shard and completion of an experiment.json text.
struct TExperimentState {
    TShard Shard;
    bool Complete = false;
};
TExperimentState ReadExperimentState(const std::string& json);

// The command line an experiment.json text records.
std::vector<std::string> StoredArguments(const std::string& json);

// The seed an experiment.json text records; empty when it records none.
std::optional<std::uint32_t> StoredSeed(const std::string& json);

// points.csv: the point number and every factor of every point.
std::string PointsCsv(const TExperimentPlan& plan);

// runs.csv: one row per run and level after the run's last period.
std::string RunsCsvHeader();
void AppendRunRows(std::string& out, const TRunResult& result);

// trace.csv: one row per run, period and level.
std::string TraceCsvHeader();

// summary.csv: one row per point and level.
std::string SummaryCsv(const TExperimentPlan& plan, const std::vector<TBatchSummary>& points);

}  // namespace velmora::batch
