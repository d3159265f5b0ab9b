#pragma once

#include <atomic>

#include "batch/command_line.h"

namespace velmora::batch {

// Joins the folders of every shard of one experiment into one folder that
// holds what the experiment played in one process would hold. Returns the
// exit status: 0 done, 1 a failure while writing, 2 shards that do not make
// one experiment, 128 + the signal when interrupted (nothing is left).
int RunMergeCommand(const TMergeRequest& request, const std::atomic<bool>& cancel);

}  // namespace velmora::batch
