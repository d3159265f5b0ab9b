#pragma once

#include <optional>

#include "batch/options.h"

namespace velmora::batch {

struct TCommandLine {
    std::optional<TBatchOptions> Options;  // empty: exit at once with ExitCode
    int ExitCode = 0;
};

// Reads the command line. Help and version go to standard output (exit 0);
// a bad command line gets one line on standard error (exit 2).
TCommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace velmora::batch
