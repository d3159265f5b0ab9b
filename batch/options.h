#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "research/batch_request.h"
#include "research/experiment.h"
#include "research/run_settings.h"
#include "research/summary_format.h"
#include "research/usage_error.h"

namespace velmora::batch {

// Option values as typed; a missing entry was not given.
struct TRawOptions {
    std::map<std::string, std::string, std::less<>> Factors;  // by factor name
    std::optional<std::string> Runs, Seed, Threads, Trace, Plot, Format, Implementation;
    bool Quiet = false;
    // An experiment: factors varied over points, written to a folder.
    std::vector<std::string> Vary;  // NAME=LIST, in the order given
    std::optional<std::string> Design, Samples, Seeds, Out, Shard;
    bool Resume = false;
    bool TracePeriods = false;
    // velmora-batch merge OUT SHARD_DIR...
    std::string MergeOut;
    std::vector<std::string> MergeShards;
    // velmora-batch verify DIR [--sample K] [--threads T]
    std::string VerifyDir;
    std::optional<std::string> VerifySample, VerifyThreads;
};

// A checked batch request.
struct TBatchOptions : research::TBatchRequest {
    // Settings: those of the first point
    research::TExperimentPlan Plan;  // every point, its replications and seeds
    bool Sweep = false;              // --vary or --out: an experiment rather than one batch
    std::optional<std::string> OutDir;
    bool Resume = false;
    bool TracePeriods = false;
    // The options that decide the experiment's results, as a command line.
    std::vector<std::string> Arguments;
    std::optional<std::string> TracePath;  // "-" is standard output
    std::optional<std::string> PlotPath;
    research::TSummaryFormat Format = research::TSummaryFormat::Table;
    bool Quiet = false;
};

// A refusal of the library as the command line words it: factors named by
// their options.
std::string OptionWords(const research::TUsageError& error);

// Checks every value and fills in the defaults; throws TUsageError.
// Touches no file: a bad request must leave the disk as it was.
TBatchOptions ValidateOptions(const TRawOptions& raw, unsigned defaultThreads);

}  // namespace velmora::batch
