// The pause after a period, per position of the speed scroll bar, on this
// machine: BusyWait(PauseUnits(position)) is exactly what Delay runs.
#include <benchmark/benchmark.h>

#include "control/busy_wait.h"

namespace {

void BM_PausePerSpeedPosition(benchmark::State& state) {
    const int units = velmora::PauseUnits(static_cast<int>(state.range(0)));
    for (auto _ : state) velmora::BusyWait(units);
    // Steps per second: a steady rate over all positions shows that every
    // counted step is carried out, none dropped or folded.
    state.SetItemsProcessed(velmora::BusyWaitSteps(units) * state.iterations());
}
BENCHMARK(BM_PausePerSpeedPosition)
    ->Arg(0)
    ->Arg(25)
    ->Arg(50)
    ->Arg(75)
    ->Arg(90)
    ->Arg(99)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);

}  // namespace
