#include <pybind11/stl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "batch/experiment_arguments.h"
#include "batch/experiment_command.h"
#include "batch/options.h"
#include "batch/output_file.h"
#include "batch/vary_syntax.h"
#include "python/core/columns.h"
#include "python/core/register.h"
#include "python/core/request.h"
#include "python/core/watch.h"
#include "research/batch_summary.h"
#include "research/experiment_files.h"
#include "research/parallel_runner.h"
#include "research/play_plan.h"
#include "research/summary_format.h"

namespace velmora::python {

namespace {

// The seed of the experiment in the folder out; none when it records none.
// Only the program's own regular file is read: a FIFO there must not block.
std::optional<std::uint32_t> FolderSeed(const std::string& out) {
    const auto path = std::filesystem::path(out) / "experiment.json";
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error))) return {};
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return research::StoredSeed(text.str());
}

// A sweep as the Python layer asks for it: the plan's values, and where and
// how fast to play it.
struct TSweep {
    research::TBatchRequest Batch;
    research::TExperimentPlan Plan;
    std::vector<std::string> Arguments;  // the command line experiment.json records
    bool TracePeriods = false;
    std::optional<std::string> Out;
    bool Resume = false;
};

TSweep Sweep(const py::dict& factors, const py::list& vary, py::handle runs, py::handle seed,
             const py::str& design, py::handle samples, const py::str& seeds, bool tracePeriods,
             const std::optional<std::string>& out, bool resume, py::handle shard,
             py::handle threads) {
    TSweep sweep;
    research::TExperimentPlan& plan = sweep.Plan;
    plan.Fixed = FactorValues(factors);
    // An interrupted sweep goes on with its own seed, as on the command line.
    py::object seedGiven = py::reinterpret_borrow<py::object>(seed);
    if (resume && out && seed.is_none()) {
        if (const auto stored = FolderSeed(*out)) seedGiven = py::int_(*stored);
    }
    sweep.Batch = BatchRequest(plan.Fixed, runs, seedGiven, threads);
    plan.Varied = VariedFactors(vary);
    plan.Design = Design(design);
    if (!samples.is_none())
        plan.Samples = WholeArgument("samples", samples, 1, research::MaxPoints);
    plan.Seeds = SeedScheme(seeds);
    if (py::isinstance<py::str>(shard)) {
        plan.Shard = batch::ParseShard(shard.cast<std::string>());
    } else if (!shard.is_none()) {
        const auto [index, count] = shard.cast<std::pair<py::object, py::object>>();
        plan.Shard = {WholeArgument("shard", index, 0, research::MaxShards),
                      WholeArgument("shard", count, 0, research::MaxShards)};
    }
    plan.Replications = sweep.Batch.Runs;
    plan.Seed = sweep.Batch.Seed;
    sweep.TracePeriods = tracePeriods;
    sweep.Out = out;
    sweep.Resume = resume;
    if (!out && (resume || !shard.is_none())) {
        throw research::TUsageError(std::string(resume ? "resume" : "shard") + " needs out");
    }
    if (out && out->empty()) throw research::TUsageError("out needs a folder name");
    sweep.Arguments = batch::PlanArguments(plan, tracePeriods);
    research::CompletePlan(plan);
    return sweep;
}

// What a writer of the library hands its sink, as one text.
template <typename TWrite>
std::string Text(const TWrite& write) {
    std::string text;
    write([&](std::string_view part) { text += part; });
    return text;
}

// Plays the job with the GIL released.
void Play(const research::TBatchJob& job, TPythonWatch& watch,
          const research::TRunConsumer& consume) {
    {
        py::gil_scoped_release release;
        research::RunBatch(job, consume, watch.Cancel(),
                           [&](std::uint64_t done) { watch.Look(done); });
    }
    // Only the watch cancels.
    watch.Rethrow();
}

py::dict PlayBatch(const research::TBatchRequest& options, bool trace, py::object progress) {
    research::TBatchJob job{options.Settings, options.Runs, options.Seed, options.Threads, {}};
    job.Wants.LongTrace = trace;
    TRunColumns runs(false);
    TTraceColumns traced(false);
    research::TBatchSummary summary;
    TPythonWatch watch(progress, options.Runs);
    const auto start = std::chrono::steady_clock::now();
    Play(job, watch, [&](const research::TRunResult& result) {
        if (trace) traced.Add(result.Trace);
        if (result.Partial) return;
        runs.Add(result);
        summary.Add(result);
    });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    watch.Finish(options.Runs);
    const research::TBatchReport report{options, summary, seconds, research::WorkerCount(job)};
    py::dict result;
    result["seed"] = options.Seed;
    result["seed_from_clock"] = options.SeedFromClock;
    result["threads"] = research::WorkerCount(job);
    result["seconds"] = seconds;
    result["runs"] = runs.Take();
    result["summary_csv"] = research::FormatCsv(report);
    if (trace) result["trace"] = traced.Take();
    return result;
}

// A sweep held in memory. The trace of every period, which the command line
// writes only into a folder, is kept here as well.
py::dict PlaySweep(const TSweep& sweep, py::object progress) {
    const research::TExperimentPlan& plan = sweep.Plan;
    research::TPlayOptions play;
    play.Threads = sweep.Batch.Threads;
    play.LongTrace = sweep.TracePeriods;
    TRunColumns runs(true);
    TTraceColumns traced(true);
    research::TPointSummaries points(research::PointLevels(plan));
    TPythonWatch watch(progress, plan.ShardRuns());
    {
        py::gil_scoped_release release;
        research::PlayPlan(
            plan, play,
            [&](const research::TRunResult& result) {
                if (sweep.TracePeriods) traced.Add(result.Trace);
                if (result.Partial) return;
                runs.Add(result);
                points.Add(result);
            },
            watch.Cancel(), [&](std::uint64_t done) { watch.Look(done); });
    }
    // Only the watch cancels.
    watch.Rethrow();
    watch.Finish(plan.ShardRuns());
    py::dict result;
    result["seed"] = sweep.Batch.Seed;
    result["seed_from_clock"] = sweep.Batch.SeedFromClock;
    result["experiment_json"] =
        research::ExperimentJson(plan, sweep.Arguments, sweep.TracePeriods, true);
    result["points_csv"] =
        Text([&](const research::TTextSink& sink) { research::PointsCsv(plan, sink); });
    result["summary_csv"] =
        Text([&](const research::TTextSink& sink) { research::SummaryCsv(plan, points, sink); });
    result["runs"] = runs.Take();
    if (sweep.TracePeriods) result["trace"] = traced.Take();
    return result;
}

// A sweep written into its folder by the command line's own folder writer;
// the Python layer reads the folder back.
py::dict PlaySweepIntoFolder(const TSweep& sweep, py::object progress) {
    batch::TBatchOptions options;
    static_cast<research::TBatchRequest&>(options) = sweep.Batch;
    options.Settings = sweep.Plan.Points[0].Settings;
    options.Plan = sweep.Plan;
    options.Sweep = true;
    options.OutDir = sweep.Out;
    options.Resume = sweep.Resume;
    options.TracePeriods = sweep.TracePeriods;
    options.Arguments = sweep.Arguments;
    options.Quiet = true;
    const std::uint64_t total = options.Plan.ShardRuns();
    TPythonWatch watch(progress, total);
    batch::TFolderPlay played;
    try {
        py::gil_scoped_release release;
        played = batch::PlayIntoFolder(options, watch.Cancel(),
                                       [&](std::uint64_t runs) { watch.Look(runs); });
    } catch (const batch::TOutputInterrupted&) {
        watch.Rethrow();
        throw;
    }
    watch.Rethrow();
    watch.Finish(played.Runs);
    py::dict result;
    result["seed"] = options.Seed;
    result["seed_from_clock"] = options.SeedFromClock;
    return result;
}

}  // namespace

void RegisterPlay(py::module_& m) {
    using namespace pybind11::literals;
    m.def(
        "play_batch",
        [](const py::dict& factors, py::handle runs, py::handle seed, py::handle threads,
           bool trace, py::object progress) {
            return PlayBatch(BatchRequest(FactorValues(factors), runs, seed, threads), trace,
                             progress);
        },
        py::kw_only(), "factors"_a, "runs"_a, "seed"_a, "threads"_a, "trace"_a, "progress"_a,
        R"(Plays a batch of one setting's replications.)");
    m.def(
        "play_sweep",
        [](const py::dict& factors, const py::list& vary, py::handle runs, py::handle seed,
           const py::str& design, py::handle samples, const py::str& seeds, bool tracePeriods,
           const std::optional<std::string>& out, bool resume, py::handle shard, py::handle threads,
           py::object progress) {
            const TSweep sweep = Sweep(factors, vary, runs, seed, design, samples, seeds,
                                       tracePeriods, out, resume, shard, threads);
            return out ? PlaySweepIntoFolder(sweep, progress) : PlaySweep(sweep, progress);
        },
        py::kw_only(), "factors"_a, "vary"_a, "runs"_a, "seed"_a, "design"_a, "samples"_a,
        "seeds"_a, "trace_periods"_a, "out"_a, "resume"_a, "shard"_a, "threads"_a, "progress"_a,
        R"(Plays an experiment, into the folder out when given.)");
}

}  // namespace velmora::python
