#include "batch/batch_command.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "batch/interrupt.h"
#include "batch/output_file.h"
#include "batch/progress_bar.h"
#include "model/random.h"
#include "research/batch_summary.h"
#include "research/parallel_runner.h"
#include "research/summary_format.h"
#include "research/svg_plot.h"
#include "research/trace.h"
#include "research/trajectory.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

struct TOutputs {
    std::unique_ptr<TOutputFile> Trace;
    std::unique_ptr<TOutputFile> Plot;
};

TOutputs OpenOutputs(const TBatchOptions& options, const std::atomic<bool>& cancel) {
    TOutputs outputs;
    if (options.TracePath) {
        outputs.Trace = std::make_unique<TOutputFile>(*options.TracePath, &cancel);
        outputs.Trace->Write(TraceHeader(options.Settings.Shape.Levels));
    }
    if (options.PlotPath) outputs.Plot = std::make_unique<TOutputFile>(*options.PlotPath, &cancel);
    return outputs;
}

// Only for a person watching a terminal, and not over a trace on that screen.
bool ShowProgress(const TBatchOptions& options) {
    if (options.Quiet || ::isatty(STDERR_FILENO) != 1) return false;
    return !(options.TracePath && *options.TracePath == "-" && ::isatty(STDOUT_FILENO) == 1);
}

void PrintSummary(const std::string& text, bool toStandardError, const std::atomic<bool>& cancel) {
    const int error = WriteFully(toStandardError ? STDERR_FILENO : STDOUT_FILENO, text, &cancel);
    if (error == EINTR) throw TOutputInterrupted("interrupted while writing the summary");
    if (error != 0) {
        throw TOutputError(std::string("cannot write the summary to standard ") +
                           (toStandardError ? "error: " : "output: ") + std::strerror(error));
    }
}

int Interrupted(std::uint64_t done, std::uint64_t runs) {
    WriteMessage(STDERR_FILENO, "velmora-batch: interrupted after " + std::to_string(done) +
                                    " of " + std::to_string(runs) + " runs; no file written\n");
    return InterruptExitStatus();
}

int Play(const TBatchOptions& options, const std::atomic<bool>& cancel, std::uint64_t& done) {
    TOutputs outputs = OpenOutputs(options, cancel);
    TBatchJob job{options.Settings, options.Runs, options.Seed, options.Threads,
                  TRunWants{outputs.Trace != nullptr, outputs.Plot != nullptr}};
    TBatchSummary summary;
    TTrajectory trajectory(options.Settings.Shape.Levels);
    TProgressBar progress(options.Runs, ShowProgress(options));

    const auto start = std::chrono::steady_clock::now();
    const bool complete = RunBatch(
        job,
        [&](const TRunResult& result) {
            if (outputs.Trace) outputs.Trace->Write(result.Trace);
            if (outputs.Plot) trajectory.AddPeriods(result.Shares);
            if (result.Partial) return;
            if (outputs.Plot) trajectory.EndRun();
            summary.Add(result);
            done = summary.Runs;
        },
        cancel, [&](std::uint64_t done) { progress.Update(done); });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    progress.Finish();
    if (!complete) return Interrupted(summary.Runs, options.Runs);

    // Every file is finished and the summary written before any file is put
    // in place: a batch that fails on the way commits nothing.
    if (outputs.Plot) {
        outputs.Plot->Write(RenderSvgPlot(trajectory, options));
        outputs.Plot->Finish();
    }
    if (outputs.Trace) outputs.Trace->Finish();
    const TBatchReport report{options, summary, seconds, WorkerCount(job)};
    const bool traceOnStandardOutput = outputs.Trace && outputs.Trace->IsStandardOutput();
    PrintSummary(FormatSummary(report, options.Format), traceOnStandardOutput, cancel);
    if (cancel.load()) return Interrupted(summary.Runs, options.Runs);
    if (outputs.Plot) outputs.Plot->Commit();
    if (outputs.Trace) outputs.Trace->Commit();
    return 0;
}

}  // namespace

int RunBatchCommand(TBatchOptions options, const std::atomic<bool>& cancel) {
    std::uint64_t done = 0;
    try {
        return Play(options, cancel, done);
    } catch (const TOutputInterrupted&) {
        return Interrupted(done, options.Runs);
    } catch (const std::exception& error) {
        WriteMessage(STDERR_FILENO, std::string("velmora-batch: ") + error.what() + "\n");
        return 1;
    }
}

}  // namespace velmora::batch
