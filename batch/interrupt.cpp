#include "batch/interrupt.h"

#include <csignal>

namespace velmora::batch {

namespace {

std::atomic<bool> Interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "flag is set from a signal handler");

extern "C" void OnInterrupt(int signal) {
    Interrupted.store(true);
    std::signal(signal, SIG_DFL);
}

}  // namespace

const std::atomic<bool>& InstallInterruptHandlers() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::signal(SIGPIPE, SIG_IGN);
    return Interrupted;
}

}  // namespace velmora::batch
