#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "batch/run_settings.h"

namespace velmora::batch {

enum class TSummaryFormat { Table, Csv, Json };

// A command line that asks for something the tool cannot do; the message
// names the option and what it accepts.
class TUsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Option values as typed; an empty optional was not given.
struct TRawOptions {
    std::optional<std::string> Form, Bias, BiasPoints, Runs, Seed, Threads, Turnover, WomenHired,
        MaxPeriods, Trace, Plot, Format;
    bool Quiet = false;
};

// A checked batch request.
struct TBatchOptions {
    TRunSettings Settings;
    bool BiasFromPoints = false;  // --bias-points given
    std::uint64_t Runs = 100;
    std::uint32_t Seed = 0;
    bool SeedFromClock = true;
    unsigned Threads = 1;
    std::optional<std::string> TracePath;  // "-" is standard output
    std::optional<std::string> PlotPath;
    TSummaryFormat Format = TSummaryFormat::Table;
    bool Quiet = false;
};

inline constexpr std::uint64_t MaxRuns = 4294967296ULL;  // one run per seed
// More workers than this only add memory and switching, on any machine of today.
inline constexpr unsigned MaxThreads = 256;
inline constexpr double MaxBiasPoints = 1000.0;

// Checks every value and fills in the defaults; throws TUsageError.
// Touches no file: a bad request must leave the disk as it was.
TBatchOptions ValidateOptions(const TRawOptions& raw, unsigned defaultThreads);

const char* FormName(int formIndex) noexcept;

}  // namespace velmora::batch
