#include "batch/interrupt.h"

#include <unistd.h>

#include <csignal>
#include <string>

#include "batch/output_file.h"

namespace velmora::batch {

namespace {

std::atomic<bool> Raised{false};
std::atomic<int> FirstSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free, "flag is set from a signal handler");
static_assert(std::atomic<int>::is_always_lock_free, "signal is noted from a signal handler");

extern "C" void OnInterrupt(int signal) {
    int none = 0;
    FirstSignal.compare_exchange_strong(none, signal);
    Raised.store(true);
}

}  // namespace

const std::atomic<bool>& InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigfillset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocked write returns with EINTR
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return Raised;
}

int InterruptExitStatus() noexcept {
    const int signal = FirstSignal.load();
    return 128 + (signal != 0 ? signal : SIGINT);
}

int Interrupted(std::uint64_t played, std::uint64_t runs, bool kept) {
    WriteMessage(
        STDERR_FILENO,
        "velmora-batch: interrupted after " + std::to_string(played) + " of " +
            std::to_string(runs) + " runs" +
            (kept ? "; the runs played are kept, --resume finishes the experiment\n" : "\n"));
    return InterruptExitStatus();
}

}  // namespace velmora::batch
