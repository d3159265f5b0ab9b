#pragma once

#include <atomic>

#include "batch/options.h"

namespace velmora::batch {

// Plays the batch, writes the requested files and prints the summary.
// Returns the exit status: 0 done, 1 a failure while running or writing,
// 128 + the signal when interrupted (no file is left behind).
int RunBatchCommand(TBatchOptions options, const std::atomic<bool>& cancel);

}  // namespace velmora::batch
