// Cost of one period and of one whole run, for both forms and both rankings.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench_support.h"
#include "model/draws.h"
#include "model/natural_log.h"
#include "model/random.h"
#include "model/run.h"

namespace {

using velmora::TImplementation;
using velmora::TOrganisation;
using velmora::bench::GeneralParams;
using velmora::bench::Params;
using velmora::bench::Shape;

void Configure(TOrganisation& org, const benchmark::State& state) {
    org.Implementation = state.range(1) == 0 ? TImplementation::Fast : TImplementation::Reference;
}

void BM_Period(benchmark::State& state) {
    auto org = std::make_unique<TOrganisation>();
    Configure(*org, state);
    const int form = static_cast<int>(state.range(0));
    std::uint32_t seed = 1;
    velmora::BeginRun(*org, seed, Shape(form), Params());
    for (auto _ : state) {
        if (org->Finished) {
            state.PauseTiming();
            velmora::BeginRun(*org, ++seed, Shape(form), Params());
            state.ResumeTiming();
        }
        velmora::RunPeriod(*org);
    }
}

// Whole seeded runs of the given factors, one per iteration.
void WholeRuns(benchmark::State& state, TOrganisation& org, const velmora::TParameters& params) {
    const int form = static_cast<int>(state.range(0));
    std::uint32_t seed = 1;
    std::int64_t periods = 0;
    for (auto _ : state) {
        velmora::BeginRun(org, seed++, Shape(form), params);
        velmora::RunToEnd(org, 100000);
        periods += org.Period;
    }
    state.counters["periods/run"] =
        benchmark::Counter(static_cast<double>(periods), benchmark::Counter::kAvgIterations);
    // Runs with other factors last longer: compare their cost per period.
    state.counters["s/period"] = benchmark::Counter(
        static_cast<double>(periods), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WholeRun(benchmark::State& state) {
    auto org = std::make_unique<TOrganisation>();
    Configure(*org, state);
    WholeRuns(state, *org, Params());
}

// The logarithm on the polar method's own inputs: 0 std::log, 1 NaturalLog,
// 2 NaturalLogs as a batch of draws uses it.
// Calls are independent, as in a run, so this is throughput per call.
void BM_Log(benchmark::State& state) {
    velmora::TRandom random{1u};
    std::vector<double> inputs;
    while (inputs.size() < 4096) {
        const double x1 = 2.0 * velmora::NextUniform(random) - 1.0;
        const double x2 = 2.0 * velmora::NextUniform(random) - 1.0;
        const double s = x1 * x1 + x2 * x2;
        if (s <= 1.0 && s != 0.0) inputs.push_back(s);
    }
    std::vector<double> logs(inputs.size());
    for (auto _ : state) {
        switch (state.range(0)) {
            case 0:
                for (std::size_t i = 0; i < inputs.size(); ++i) logs[i] = std::log(inputs[i]);
                break;
            case 1:
                for (std::size_t i = 0; i < inputs.size(); ++i)
                    logs[i] = velmora::NaturalLog(inputs[i]);
                break;
            default:
                velmora::NaturalLogs(inputs.data(), logs.data(), static_cast<int>(inputs.size()));
                break;
        }
        benchmark::DoNotOptimize(logs.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(inputs.size()));
    state.counters["ns/call"] = benchmark::Counter(
        static_cast<double>(state.iterations() * static_cast<std::int64_t>(inputs.size())),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A period's hires (about 214 in the pyramid) drawn one by one with normal
// and NextUniform (0) or in one batch with DrawEntrants (1).
void BM_Entrants(benchmark::State& state) {
    constexpr int Count = 214;
    const std::uint64_t bound = std::uint64_t{1} << 31;
    std::vector<double> z(Count);
    std::vector<std::uint8_t> female(Count);
    velmora::TRandom random{1u};
    const bool batched = state.range(0) == 1;
    for (auto _ : state) {
        if (batched) {
            velmora::DrawEntrants(random, Count, bound, z.data(), female.data());
        } else {
            for (int i = 0; i < Count; ++i) {
                z[static_cast<std::size_t>(i)] = velmora::normal(random, 0.0, 1.0);
                velmora::NextUniform(random);
                female[static_cast<std::size_t>(i)] = random.GeneratorState < bound;
            }
        }
        benchmark::DoNotOptimize(z.data());
        benchmark::DoNotOptimize(female.data());
    }
    state.counters["ns/entrant"] =
        benchmark::Counter(static_cast<double>(state.iterations() * Count),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Arguments: form (0 Pyramid, 1 Rectangle), implementation (0 fast, 1 the reference one;
// named "exchange" for the exchange pass it runs, as before).
BENCHMARK(BM_Period)->ArgsProduct({{0, 1}, {0, 1}})->ArgNames({"form", "exchange"});
BENCHMARK(BM_WholeRun)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"form", "exchange"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Log)->Arg(0)->Arg(1)->Arg(2)->ArgName("method");
BENCHMARK(BM_Entrants)->Arg(0)->Arg(1)->ArgName("batched");

// A whole run with every research factor away from its default: the cost of
// the general rules against BM_WholeRun's baseline.
void BM_WholeRunGeneral(benchmark::State& state) {
    auto org = std::make_unique<TOrganisation>();
    WholeRuns(state, *org, GeneralParams());
}
BENCHMARK(BM_WholeRunGeneral)->Arg(0)->Arg(1)->ArgName("form")->Unit(benchmark::kMillisecond);

}  // namespace
