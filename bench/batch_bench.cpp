// Where the time of a batch goes: each step of a period on states taken from
// real seeded runs, the start of a run, the trace, and whole batches on one
// and two threads.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench_support.h"
#include "model/movement.h"
#include "model/refill.h"
#include "model/run.h"
#include "research/parallel_runner.h"
#include "research/trace.h"

namespace {

using namespace velmora;

// Departures, then promotion, hiring, ranking and tally merged in one step.
enum TStep { DeparturesStep, RefillStep, StepCount };

// The organisation just before each step of every period of a few runs.
struct TSnapshots {
    std::vector<TOrganisation> Before[StepCount];
    double PeriodsPerRun = 0;
};

const TSnapshots& Snapshots(int form, int rules = 0) {
    static TSnapshots cache[2][2];
    TSnapshots& s = cache[form][rules];
    if (!s.Before[0].empty()) return s;
    constexpr int Runs = 8;
    auto org = std::make_unique<TOrganisation>();
    auto check = std::make_unique<TOrganisation>();
    for (std::uint32_t seed = 1; seed <= Runs; ++seed) {
        BeginRun(*org, seed, bench::Shape(form),
                 rules == 0 ? bench::Params() : bench::GeneralParams());
        while (!org->Finished) {
            *check = *org;
            RunPeriod(*check);
            ++org->Period;
            if (org->Period == org->Params.BiasEnds) RemoveBias(*org);
            s.Before[DeparturesStep].push_back(*org);
            Departures(*org);
            s.Before[RefillStep].push_back(*org);
            if (!RefillByMerging(*org)) std::abort();
            // The steps one by one must be exactly the model's period.
            if (!(org->Staff == check->Staff) || org->Finished != check->Finished) std::abort();
        }
    }
    s.PeriodsPerRun = static_cast<double>(s.Before[0].size()) / Runs;
    return s;
}

void BM_Step(benchmark::State& state) {
    const int form = static_cast<int>(state.range(0));
    const auto step = static_cast<TStep>(state.range(1));
    const int rules = static_cast<int>(state.range(2));
    const std::vector<TOrganisation>& before = Snapshots(form, rules).Before[step];
    auto org = std::make_unique<TOrganisation>();
    std::size_t i = 0;
    for (auto _ : state) {
        *org = before[i++ % before.size()];
        const auto start = std::chrono::steady_clock::now();
        switch (step) {
            case DeparturesStep:
                Departures(*org);
                break;
            default:
                RefillByMerging(*org);
                break;
        }
        benchmark::DoNotOptimize(org->Staff);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["periods/run"] = Snapshots(form, rules).PeriodsPerRun;
}
// rules 1: every factor away from its default, as BM_WholeRunGeneral.
BENCHMARK(BM_Step)
    ->ArgsProduct({{0, 1}, {DeparturesStep, RefillStep}, {0, 1}})
    ->ArgNames({"form", "step", "rules"})
    ->UseManualTime();

void BM_BeginRun(benchmark::State& state) {
    auto org = std::make_unique<TOrganisation>();
    std::uint32_t seed = 1;
    for (auto _ : state) {
        BeginRun(*org, seed++, bench::Shape(static_cast<int>(state.range(0))), bench::Params());
        benchmark::DoNotOptimize(org->Staff);
    }
}
BENCHMARK(BM_BeginRun)->Arg(0)->Arg(1)->ArgName("form");

void BM_TraceRow(benchmark::State& state) {
    const TOrganisation& org = Snapshots(0).Before[DeparturesStep].back();
    std::string out;
    for (auto _ : state) {
        out.clear();
        research::AppendTraceRow(out, 1, 1, org);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_TraceRow);

// Whole Pyramid runs through the batch runner; items per second is runs/s.
void BM_Batch(benchmark::State& state) {
    research::TBatchJob job;
    job.Runs = 200;
    job.Threads = static_cast<unsigned>(state.range(0));
    job.Wants.Trace = state.range(1) != 0;
    const std::atomic<bool> cancel{false};
    for (auto _ : state) {
        research::RunBatch(
            job, [](const research::TRunResult& r) { benchmark::DoNotOptimize(r.Periods); },
            cancel);
        job.FirstSeed += 200;
    }
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_Batch)
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->ArgNames({"threads", "trace"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
