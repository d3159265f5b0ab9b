#include <pybind11/stl.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "batch/experiment_command.h"
#include "batch/options.h"
#include "batch/output_file.h"
#include "python/core/columns.h"
#include "python/core/register.h"
#include "python/core/watch.h"
#include "research/batch_summary.h"
#include "research/experiment_files.h"
#include "research/parallel_runner.h"
#include "research/summary_format.h"

namespace velmora::python {

namespace {

using TTexts = std::map<std::string, std::string, std::less<>>;
using TText = std::optional<std::string>;

// What the Python layer passes: every value already as the command line
// would type it, so that the library checks and records it the same way.
struct TRequest {
    TTexts Factors;
    TText Runs, Seed, Threads;
    std::vector<std::string> Vary;
    TText Design, Samples, Seeds, Out, Shard;
    bool Resume = false;
    bool TracePeriods = false;
};

batch::TBatchOptions Validate(const TRequest& request) {
    batch::TRawOptions raw;
    raw.Factors = request.Factors;
    raw.Runs = request.Runs;
    raw.Seed = request.Seed;
    raw.Threads = request.Threads;
    raw.Vary = request.Vary;
    raw.Design = request.Design;
    raw.Samples = request.Samples;
    raw.Seeds = request.Seeds;
    raw.Out = request.Out;
    raw.Shard = request.Shard;
    raw.Resume = request.Resume;
    raw.TracePeriods = request.TracePeriods;
    raw.Quiet = true;
    return batch::ValidateOptions(raw, std::max(1u, std::thread::hardware_concurrency()));
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

py::dict PlayBatch(const TRequest& request, bool trace, py::object progress) {
    const batch::TBatchOptions options = Validate(request);
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
py::dict PlaySweep(const TRequest& request, py::object progress) {
    TRequest checked = request;
    checked.TracePeriods = false;
    const batch::TBatchOptions options = Validate(checked);
    const research::TExperimentPlan& plan = options.Plan;
    research::TBatchJob job;
    job.Plan = &plan;
    job.Runs = plan.ShardRuns();
    job.Threads = options.Threads;
    job.Wants.LongTrace = request.TracePeriods;
    TRunColumns runs(true);
    TTraceColumns traced(true);
    research::TPointSummaries points(research::PointLevels(plan));
    TPythonWatch watch(progress, job.Runs);
    Play(job, watch, [&](const research::TRunResult& result) {
        if (request.TracePeriods) traced.Add(result.Trace);
        if (result.Partial) return;
        runs.Add(result);
        points.Add(result);
    });
    watch.Finish(job.Runs);
    py::dict result;
    result["seed"] = options.Seed;
    result["seed_from_clock"] = options.SeedFromClock;
    result["experiment_json"] =
        research::ExperimentJson(plan, options.Arguments, request.TracePeriods, true);
    result["points_csv"] =
        Text([&](const research::TTextSink& sink) { research::PointsCsv(plan, sink); });
    result["summary_csv"] =
        Text([&](const research::TTextSink& sink) { research::SummaryCsv(plan, points, sink); });
    result["runs"] = runs.Take();
    if (request.TracePeriods) result["trace"] = traced.Take();
    return result;
}

// A sweep written into its folder by the command line's own code; the
// Python layer reads the folder back.
py::dict PlaySweepIntoFolder(const TRequest& request, py::object progress) {
    const batch::TBatchOptions options = Validate(request);
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

TRequest Request(TTexts factors, TText runs, TText seed, TText threads) {
    TRequest request;
    request.Factors = std::move(factors);
    request.Runs = std::move(runs);
    request.Seed = std::move(seed);
    request.Threads = std::move(threads);
    return request;
}

}  // namespace

void RegisterPlay(py::module_& m) {
    using namespace pybind11::literals;
    m.def(
        "play_batch",
        [](TTexts factors, TText runs, TText seed, TText threads, bool trace, py::object progress) {
            return PlayBatch(Request(std::move(factors), runs, seed, threads), trace, progress);
        },
        py::kw_only(), "factors"_a, "runs"_a, "seed"_a, "threads"_a, "trace"_a, "progress"_a,
        R"(Plays a batch of one setting's replications; values as the command line types them.)");
    m.def(
        "play_sweep",
        [](TTexts factors, std::vector<std::string> vary, TText runs, TText seed, TText design,
           TText samples, TText seeds, bool tracePeriods, TText out, bool resume, TText shard,
           TText threads, py::object progress) {
            TRequest request = Request(std::move(factors), runs, seed, threads);
            request.Vary = std::move(vary);
            request.Design = design;
            request.Samples = samples;
            request.Seeds = seeds;
            request.Out = out;
            request.Resume = resume;
            request.Shard = shard;
            request.TracePeriods = tracePeriods;
            return out ? PlaySweepIntoFolder(request, progress) : PlaySweep(request, progress);
        },
        py::kw_only(), "factors"_a, "vary"_a, "runs"_a, "seed"_a, "design"_a, "samples"_a,
        "seeds"_a, "trace_periods"_a, "out"_a, "resume"_a, "shard"_a, "threads"_a, "progress"_a,
        R"(Plays an experiment, into the folder out when given; values as the command line types them.)");
}

}  // namespace velmora::python
