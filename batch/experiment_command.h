#pragma once

#include <atomic>
#include <cstdint>

#include "batch/experiment_folder.h"
#include "batch/options.h"
#include "research/parallel_runner.h"

namespace velmora::batch {

// Plays an experiment into its --out folder as RunExperimentCommand does,
// telling progress how many runs of the shard are done. Returns the runs of
// the shard in the folder and whether it is finished: not when cancel
// stopped it. Throws TFolderError, TOutputError.
struct TFolderPlay {
    std::uint64_t Runs = 0;
    bool Complete = false;
};
TFolderPlay PlayIntoFolder(const TBatchOptions& options, const std::atomic<bool>& cancel,
                           const research::TProgressHook& progress = {});

// Plays an experiment: into its --out folder, going on from an interrupted
// one with --resume, or with its summary on standard output. Returns the
// exit status: 0 done, 1 a failure while running or writing, 2 a folder
// that holds something else, 128 + the signal when interrupted (the runs
// played so far stay in the folder).
int RunExperimentCommand(const TBatchOptions& options, const std::atomic<bool>& cancel);

}  // namespace velmora::batch
