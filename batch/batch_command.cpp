#include "batch/batch_command.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>

#include "batch/batch_summary.h"
#include "batch/output_file.h"
#include "batch/parallel_runner.h"
#include "batch/progress_bar.h"
#include "batch/summary_format.h"
#include "batch/svg_plot.h"
#include "batch/trace.h"
#include "batch/trajectory.h"
#include "model/random.h"

namespace velmora::batch {

namespace {

struct TOutputs {
    std::unique_ptr<TOutputFile> Trace;
    std::unique_ptr<TOutputFile> Plot;
};

TOutputs OpenOutputs(const TBatchOptions& options) {
    TOutputs outputs;
    if (options.TracePath) {
        outputs.Trace = std::make_unique<TOutputFile>(*options.TracePath);
        outputs.Trace->Write(TraceHeader(options.Settings.Shape.Levels));
    }
    if (options.PlotPath) outputs.Plot = std::make_unique<TOutputFile>(*options.PlotPath);
    return outputs;
}

// Only for a person watching a terminal, and not over a trace on that screen.
bool ShowProgress(const TBatchOptions& options) {
    if (options.Quiet || ::isatty(STDERR_FILENO) != 1) return false;
    return !(options.TracePath && *options.TracePath == "-" && ::isatty(STDOUT_FILENO) == 1);
}

void PrintSummary(const std::string& text, bool toStandardError) {
    std::FILE* out = toStandardError ? stderr : stdout;
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
        throw TOutputError("cannot write the summary to standard output");
    }
}

int Play(const TBatchOptions& options, const std::atomic<bool>& cancel) {
    TOutputs outputs = OpenOutputs(options);
    TBatchJob job{options.Settings, options.Runs, options.Seed, options.Threads,
                  TRunWants{outputs.Trace != nullptr, outputs.Plot != nullptr}};
    TBatchSummary summary;
    TTrajectory trajectory;
    TProgressBar progress(options.Runs, ShowProgress(options));

    const auto start = std::chrono::steady_clock::now();
    const bool complete = RunBatch(
        job,
        [&](const TRunResult& result) {
            summary.Add(result);
            if (outputs.Trace) outputs.Trace->Write(result.Trace);
            if (outputs.Plot) trajectory.Add(result.Shares);
        },
        cancel, [&](std::uint64_t done) { progress.Update(done); });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    progress.Finish();
    if (!complete) {
        std::fprintf(stderr,
                     "velmora-batch: interrupted after %llu of %llu runs; no file written\n",
                     static_cast<unsigned long long>(summary.Runs),
                     static_cast<unsigned long long>(options.Runs));
        return 130;
    }

    if (outputs.Plot) {
        outputs.Plot->Write(RenderSvgPlot(trajectory, options));
        outputs.Plot->Commit();
    }
    if (outputs.Trace) outputs.Trace->Commit();
    const TBatchReport report{options, summary, seconds, WorkerCount(job)};
    const bool traceOnStandardOutput = outputs.Trace && outputs.Trace->IsStandardOutput();
    PrintSummary(FormatSummary(report), traceOnStandardOutput);
    return 0;
}

}  // namespace

int RunBatchCommand(TBatchOptions options, const std::atomic<bool>& cancel) {
    if (options.SeedFromClock) {
        if (!options.Quiet) {
            std::fprintf(stderr, "velmora-batch: seed %lu taken from the clock\n",
                         static_cast<unsigned long>(options.Seed));
        }
    }
    try {
        return Play(options, cancel);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velmora-batch: %s\n", error.what());
        return 1;
    }
}

}  // namespace velmora::batch
