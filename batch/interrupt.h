#pragma once

#include <atomic>

namespace velmora::batch {

// Raised by the first Ctrl-C or termination request, so that the batch can
// stop and remove its unfinished files; a second Ctrl-C ends the program at
// once. Also ignores SIGPIPE, so that a closed pipe is reported as a write
// error after cleaning up instead of killing the program.
const std::atomic<bool>& InstallInterruptHandlers();

}  // namespace velmora::batch
