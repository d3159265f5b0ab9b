#pragma once

#include <functional>

namespace velmora::batch {

// Runs a command that works on experiment folders (merge, verify) and turns
// what it throws into its exit status, each failure one line on standard
// error after "velmora-batch NAME: ": 2 for a folder it cannot work on, 1
// for a failure while reading or writing, 128 + the signal when interrupted.
int RunFolderCommand(const char* name, const std::function<int()>& command);

}  // namespace velmora::batch
