#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace velmora::batch {

// velmora-batch verify DIR [--sample K]: the runs of a finished folder
// played again from its experiment.json and compared with its rows.
struct TVerifyRequest {
    std::string Folder;
    std::uint64_t Sample = 0;  // 0: every run
    unsigned Threads = 1;
    bool Quiet = false;
};

// Plays every run of the folder (or Sample of them, chosen from the
// experiment's seed) again and compares each of its rows of runs.csv and
// trace.csv byte for byte. Returns 0 when all agree ("verified N runs" on
// standard output), 1 naming the first row that differs or a failure to
// read, 2 for a folder it cannot verify (another version's, unfinished,
// or one a resume would refuse), 128 + the signal when interrupted.
int RunVerifyCommand(const TVerifyRequest& request, const std::atomic<bool>& cancel);

}  // namespace velmora::batch
