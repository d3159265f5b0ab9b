#pragma once

#include <atomic>
#include <cstdint>

namespace velmora::batch {

// SIGINT, SIGTERM and SIGHUP only raise the returned flag and note the
// signal: the program then stops its work, removes its unfinished files and
// exits with InterruptExitStatus(). A later signal changes nothing, so the
// clean-up always completes. System calls are not restarted after a signal,
// so a blocked one returns at once. Also ignores SIGPIPE, so that a closed
// pipe is reported as a write error after cleaning up instead of killing
// the program.
const std::atomic<bool>& InstallInterruptHandlers();

// 128 + the first signal caught; 130 (as for SIGINT) when none was.
int InterruptExitStatus() noexcept;

// Says on standard error how far the runs got; returns the exit status of
// the signal.
int Interrupted(std::uint64_t played, std::uint64_t runs, bool kept);

}  // namespace velmora::batch
