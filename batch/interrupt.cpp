#include "batch/interrupt.h"

#include <csignal>

namespace velmora::batch {

namespace {

std::atomic<bool> Interrupted{false};
std::atomic<int> FirstSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free, "flag is set from a signal handler");
static_assert(std::atomic<int>::is_always_lock_free, "signal is noted from a signal handler");

extern "C" void OnInterrupt(int signal) {
    int none = 0;
    FirstSignal.compare_exchange_strong(none, signal);
    Interrupted.store(true);
}

}  // namespace

const std::atomic<bool>& InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigfillset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked write returns with EINTR
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return Interrupted;
}

int InterruptExitStatus() noexcept {
    const int signal = FirstSignal.load();
    return 128 + (signal != 0 ? signal : SIGINT);
}

}  // namespace velmora::batch
