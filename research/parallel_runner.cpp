#include "research/parallel_runner.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::research {

namespace {

// Runs finish out of order; a slot holds a finished run until the consumer
// has taken every earlier one. A bounded ring of slots, and a bound on the
// bytes they hold, keep memory flat however long the batch.
struct TSlot {
    TRunResult Result;
    bool Ready = false;
    bool PartReady = false;   // the run, next in line, offers a part of its output
    std::size_t Counted = 0;  // bytes of Result counted in TShared::Held
};

// How often a run's growing output is counted and, next in line, handed on:
// often enough for memory, seldom enough for the lock.
constexpr std::size_t PartBytes = 256 * 1024;

// How long the consumer waits for the run next in line before it looks at
// cancel (and tells progress) again: a run of any length stops within about
// this, since the workers stop at the end of the period they are in.
constexpr auto PollInterval = std::chrono::milliseconds(50);

struct TShared {
    TShared(std::size_t slotCount, std::size_t heldBytes) : Slots(slotCount), Budget(heldBytes) {}

    std::mutex Mutex;
    std::condition_variable SlotFreed;
    std::condition_variable SlotFilled;
    std::vector<TSlot> Slots;
    const std::size_t Budget;
    std::size_t Held = 0;  // bytes of output in the slots
    std::uint64_t Consumed = 0;
    std::exception_ptr Failure;
    std::atomic<bool> Abort{false};
    std::atomic<std::uint64_t> NextRun{1};

    TSlot& SlotOf(std::uint64_t run) { return Slots[(run - 1) % Slots.size()]; }

    // Whether a run just finished should wake the consumer. Waking it for
    // every run costs each worker a switch of its core and of the caches it
    // runs in; so it is woken once half the ring waits for it, and for every
    // run once none is left to start. A worker about to wait for the
    // consumer wakes it too (WakeConsumer). With Mutex held.
    bool ConsumerWanted(std::uint64_t run, std::uint64_t runs) const {
        return run - Consumed >= Slots.size() / 2 || NextRun.load() > runs;
    }
    void WakeConsumer() { SlotFilled.notify_all(); }

    // With Mutex held.
    void Count(TSlot& slot) {
        const std::size_t bytes = slot.Result.AllocatedBytes();
        Held = Held - slot.Counted + bytes;
        slot.Counted = bytes;
    }
    void Uncount(TSlot& slot) {
        Held -= slot.Counted;
        slot.Counted = 0;
    }

    void Fail(std::exception_ptr failure) {
        {
            std::lock_guard lock(Mutex);
            if (!Failure) Failure = std::move(failure);
            Abort = true;
        }
        SlotFreed.notify_all();
        SlotFilled.notify_all();
    }
};

// Called as a run's output grows: a run next in line hands a part on and
// goes on; another goes on while the bytes held are within the budget, and
// otherwise waits until they are, or until it is next in line.
std::size_t HandOn(TShared& shared, TSlot& slot) {
    std::unique_lock lock(shared.Mutex);
    shared.Count(slot);
    for (;;) {
        if (shared.Abort) return PartBytes;  // the run stops at the end of this period
        if (shared.Consumed + 1 == slot.Result.Run) {
            slot.PartReady = true;
            shared.SlotFilled.notify_all();
            shared.SlotFreed.wait(lock, [&] { return shared.Abort.load() || !slot.PartReady; });
            return PartBytes;
        }
        if (shared.Held <= shared.Budget) return slot.Result.BufferedBytes() + PartBytes;
        shared.WakeConsumer();
        shared.SlotFreed.wait(lock);
    }
}

void Work(const TBatchJob& job, TShared& shared) {
    try {
        auto org = std::make_unique<TOrganisation>();
        TRunWants wants = job.Wants;
        wants.PartBytes = PartBytes;
        for (;;) {
            const std::uint64_t run = shared.NextRun.fetch_add(1);
            if (run > job.Runs) return;
            TSlot& slot = shared.SlotOf(run);
            {
                std::unique_lock lock(shared.Mutex);
                const auto free = [&] {
                    return shared.Abort.load() || run - shared.Consumed <= shared.Slots.size();
                };
                if (!free()) shared.WakeConsumer();
                shared.SlotFreed.wait(lock, free);
                if (shared.Abort) return;
            }
            TRunPlace place{run, 1, run, RunSeed(job.FirstSeed, run)};
            const TRunSettings* settings = &job.Settings;
            if (job.Plan != nullptr) {
                place = job.Plan->Place(job.FirstRun + run - 1);
                settings = &job.Plan->Points[place.Point - 1].Settings;
            }
            slot.Result.Point = place.Point;
            slot.Result.Replication = place.Replication;
            slot.Result.Global = place.Global;
            const bool complete =
                SimulateRun(*org, *settings, run, place.Seed, wants, slot.Result, &shared.Abort,
                            [&](TRunResult&) { return HandOn(shared, slot); });
            if (!complete) return;
            bool wake = false;
            {
                std::lock_guard lock(shared.Mutex);
                shared.Count(slot);
                slot.Ready = true;
                wake = shared.ConsumerWanted(run, job.Runs);
            }
            if (wake) shared.WakeConsumer();
        }
    } catch (...) {
        shared.Fail(std::current_exception());
    }
}

// A consumed run's buffers go back to a modest size: an idle slot must not
// keep the memory of the longest run it ever held.
void Release(TRunResult& result) {
    if (result.Trace.capacity() > 2 * PartBytes) std::string().swap(result.Trace);
    if (result.Shares.capacity() * sizeof(TLevelShares) > 2 * PartBytes) {
        std::vector<TLevelShares>().swap(result.Shares);
    }
}

// Stops and joins the workers however the consumer leaves.
class TWorkers {
  public:
    explicit TWorkers(TShared& shared) : Shared_(shared) {}
    TWorkers(const TWorkers&) = delete;
    TWorkers& operator=(const TWorkers&) = delete;
    ~TWorkers() {
        {
            std::lock_guard lock(Shared_.Mutex);
            Shared_.Abort = true;
        }
        Shared_.SlotFreed.notify_all();
        JoinAll();
    }

    void Start(const TBatchJob& job, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            Threads_.emplace_back([&job, this] { Work(job, Shared_); });
        }
    }
    void JoinAll() {
        for (auto& thread : Threads_) {
            if (thread.joinable()) thread.join();
        }
    }

  private:
    TShared& Shared_;
    std::vector<std::thread> Threads_;
};

}  // namespace

unsigned WorkerCount(const TBatchJob& job) noexcept {
    return static_cast<unsigned>(std::clamp<std::uint64_t>(job.Runs, 1, std::max(job.Threads, 1u)));
}

bool RunBatch(const TBatchJob& job, const TRunConsumer& consume, const std::atomic<bool>& cancel,
              const TProgressHook& progress) {
    const unsigned threads = WorkerCount(job);
    TShared shared(std::size_t{16} * threads, job.HeldBytes);
    TWorkers workers(shared);
    workers.Start(job, threads);

    TRunResult part;  // a part of the run next in line, taken out of its slot
    part.Partial = true;
    for (std::uint64_t run = 1; run <= job.Runs; ++run) {
        if (cancel.load()) return false;
        TSlot& slot = shared.SlotOf(run);
        for (;;) {
            {
                std::unique_lock lock(shared.Mutex);
                while (!slot.Ready && !slot.PartReady && !shared.Failure) {
                    if (cancel.load()) return false;
                    shared.SlotFilled.wait_for(lock, PollInterval);
                    if (progress && !slot.Ready) {
                        lock.unlock();
                        progress(run - 1);
                        lock.lock();
                    }
                }
                if (shared.Failure) {
                    const std::exception_ptr failure = shared.Failure;
                    lock.unlock();
                    std::rethrow_exception(failure);
                }
                if (slot.Ready) break;
                // The worker goes on with the emptied buffers of the last part.
                part.Run = slot.Result.Run;
                part.Point = slot.Result.Point;
                part.Seed = slot.Result.Seed;
                part.Trace.swap(slot.Result.Trace);
                part.Shares.swap(slot.Result.Shares);
                shared.Uncount(slot);
                slot.PartReady = false;
            }
            shared.SlotFreed.notify_all();
            consume(part);
            part.Trace.clear();
            part.Shares.clear();
            Release(part);
            if (cancel.load()) return false;
        }
        consume(slot.Result);
        Release(slot.Result);
        {
            std::lock_guard lock(shared.Mutex);
            shared.Uncount(slot);
            slot.Ready = false;
            shared.Consumed = run;
        }
        shared.SlotFreed.notify_all();
        if (progress) progress(run);
    }
    return true;
}

}  // namespace velmora::research
