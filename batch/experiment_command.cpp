#include "batch/experiment_command.h"

#include <unistd.h>

#include <fstream>
#include <memory>

#include "batch/experiment_folder.h"
#include "batch/interrupt.h"
#include "batch/output_file.h"
#include "batch/progress_bar.h"
#include "research/experiment_files.h"
#include "research/play_plan.h"
#include "research/run_rows.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

// The files of an experiment's folder while it is played.
struct TFolder {
    std::unique_ptr<TOutputFile> Runs;
    std::unique_ptr<TOutputFile> Trace;
    std::string RunRows;    // not yet handed to Runs
    std::string TraceRows;  // not yet handed to Trace

    // The trace goes first, so that runs.csv never lists a run whose trace
    // is not on disk: a resumed experiment goes on from runs.csv.
    void Flush() {
        if (Trace) {
            Trace->Write(TraceRows);
            Trace->Flush();
            TraceRows.clear();
        }
        Runs->Write(RunRows);
        Runs->Flush();
        RunRows.clear();
    }
};

// What an interrupted experiment left: the runs whose rows are whole, and
// the bytes of its files that hold them.
struct TDone {
    std::uint64_t Runs = 0;
    std::uint64_t RunsBytes = 0;
    std::uint64_t TraceBytes = 0;
};

// Whole (go on), End (stop: the rest was torn by a crash), or a refusal
// naming the file and line.
bool Go(TRowsRead read, const TRowReader& reader) {
    if (read == TRowsRead::Bad) throw TFolderError(reader.Problem() + "; nothing was changed");
    return read == TRowsRead::Whole;
}

TDone ReadDone(const TBatchOptions& options, const fs::path& folder, TTally& tally) {
    const TExperimentPlan& plan = options.Plan;
    TDone done;
    const auto runs = OpenOwnFile(folder / "runs.csv");
    const auto trace = options.TracePeriods ? OpenOwnFile(folder / "trace.csv") : nullptr;
    if (!runs || (options.TracePeriods && !trace)) return done;
    TRowReader runRows(*runs, (folder / "runs.csv").string());
    std::ifstream none;
    TRowReader traceRows(trace ? *trace : none, (folder / "trace.csv").string());
    if (!Go(runRows.Header(RunsCsvHeader()), runRows)) return done;
    if (trace && !Go(traceRows.Header(TraceCsvHeader()), traceRows)) return done;
    TRunResult run;
    std::vector<TLevelShares> shares;
    for (std::uint64_t n = 1; n <= plan.ShardRuns(); ++n) {
        const TRunPlace place = plan.Place(n);
        const TRunSettings& settings = plan.Points[place.Point - 1].Settings;
        if (!Go(runRows.RunRows(place, settings, run), runRows)) return done;
        if (trace && !Go(traceRows.TraceRows(place, settings, run, nullptr,
                                             tally.Trajectories ? &shares : nullptr),
                         traceRows)) {
            return done;
        }
        if (tally.Trajectories) tally.Trajectories->Add(place.Point, shares);
        tally.Add(run);
        done.Runs = n;
        done.RunsBytes = runRows.Offset();
        done.TraceBytes = traceRows.Offset();
    }
    Go(runRows.AfterLastRun(), runRows);
    if (trace) Go(traceRows.AfterLastRun(), traceRows);
    return done;
}

bool ShowProgress(const TBatchOptions& options) {
    return !options.Quiet && ::isatty(STDERR_FILENO);
}

// Plays the experiment's runs from `done` on into the folder (or none),
// adding every run to the tally. Returns false when interrupted.
bool PlayRuns(const TBatchOptions& options, const TDone& done, TFolder* folder, TTally& tally,
              const std::atomic<bool>& cancel, const TProgressHook& told = {}) {
    const TExperimentPlan& plan = options.Plan;
    TPlayOptions play;
    play.Threads = options.Threads;
    play.FirstRun = done.Runs + 1;
    play.LongTrace = folder != nullptr && folder->Trace != nullptr;
    play.Shares = tally.Trajectories.has_value();
    TProgressBar progress(plan.ShardRuns(), ShowProgress(options), stderr,
                          std::to_string(plan.Points.size()) + " points");
    return PlayPlan(
        plan, play,
        [&](const TRunResult& result) {
            if (folder != nullptr && folder->Trace) folder->TraceRows += result.Trace;
            if (tally.Trajectories) tally.Trajectories->Add(result);
            if (result.Partial) {
                if (folder != nullptr && folder->TraceRows.size() >= RowBatchBytes) {
                    folder->Trace->Write(folder->TraceRows);
                    folder->TraceRows.clear();
                }
                return;
            }
            tally.Add(result);
            if (folder == nullptr) return;
            AppendRunRows(folder->RunRows, result);
            if (folder->RunRows.size() + folder->TraceRows.size() >= RowBatchBytes) folder->Flush();
        },
        cancel,
        [&](std::uint64_t played) {
            progress.Update(done.Runs + played);
            if (told) told(done.Runs + played);
        });
}

}  // namespace

TFolderPlay PlayIntoFolder(const TBatchOptions& options, const std::atomic<bool>& cancel,
                           const TProgressHook& progress) {
    const TExperimentPlan& plan = options.Plan;
    const fs::path path(*options.OutDir);
    const std::string json = ExperimentJson(plan, options.Arguments, options.TracePeriods, false);
    MakeFolder(path, "--out ");
    // Held to the end: a second writer would interleave its rows with ours.
    const auto lock = LockFolder(path);
    TTally tally(plan, options.TracePeriods);
    TDone done;
    if (HoldsFiles(path)) {
        const auto stored = ReadOwnFile(path / "experiment.json");
        if (!stored) {
            throw TFolderError("--out " + Quoted(path) +
                               " holds files but no experiment; give an empty or new folder");
        }
        if (!options.Resume) {
            throw TFolderError("--out " + Quoted(path) +
                               " holds an experiment already; --resume finishes an interrupted "
                               "one, or give an empty or new folder");
        }
        CheckOwnFiles(path);
        // Another shard is another experiment here: its rows are other runs.
        const std::string difference = ExperimentDifference(json, *stored, true);
        if (!difference.empty()) {
            throw TFolderError("--out " + Quoted(path) +
                               " holds another experiment: " + difference);
        }
        done = ReadDone(options, path, tally);
    }
    RemoveLeftovers(path.string());
    // First, so that a folder stopped at any later point is known as this
    // experiment and can be resumed.
    WriteWhole(path / "experiment.json", json, cancel);
    WritePoints(path, plan, cancel);

    TFolder folder;
    folder.Runs =
        std::make_unique<TOutputFile>((path / "runs.csv").string(), &cancel, TOutputMode::Journal);
    folder.Runs->CutTo(done.RunsBytes);
    if (done.Runs == 0) folder.Runs->Write(RunsCsvHeader());
    if (options.TracePeriods) {
        folder.Trace = std::make_unique<TOutputFile>((path / "trace.csv").string(), &cancel,
                                                     TOutputMode::Journal);
        folder.Trace->CutTo(done.TraceBytes);
        if (done.Runs == 0) folder.Trace->Write(TraceCsvHeader());
    }
    folder.Flush();

    if (!PlayRuns(options, done, &folder, tally, cancel, progress)) {
        folder.Flush();
        return {tally.Runs, false};
    }
    folder.Flush();
    folder.Runs->Commit();
    if (folder.Trace) folder.Trace->Commit();
    try {
        WriteResults(path, options, tally, cancel);
    } catch (const TOutputInterrupted&) {
        return {tally.Runs, false};
    }
    return {tally.Runs, true};
}

namespace {

// Without --out: the sweep's summary on standard output.
int PlayToStandardOutput(const TBatchOptions& options, const std::atomic<bool>& cancel) {
    TTally tally(options.Plan, false);
    if (!PlayRuns(options, TDone{}, nullptr, tally, cancel)) {
        return Interrupted(tally.Runs, options.Plan.ShardRuns(), false);
    }
    TOutputFile out("-", &cancel);
    const TTextSink write = [&](std::string_view text) {
        if (cancel.load()) throw TOutputInterrupted("interrupted while writing standard output");
        out.Write(text);
    };
    if (options.Format == TSummaryFormat::Json) {
        TSummaryJson json(write);
        SummaryCsv(options.Plan, tally.Points, [&](std::string_view text) { json.Take(text); });
        json.End();
    } else {
        SummaryCsv(options.Plan, tally.Points, write);
    }
    out.Commit();
    return 0;
}

}  // namespace

int RunExperimentCommand(const TBatchOptions& options, const std::atomic<bool>& cancel) {
    try {
        if (!options.OutDir) return PlayToStandardOutput(options, cancel);
        const TFolderPlay played = PlayIntoFolder(options, cancel);
        return played.Complete ? 0 : Interrupted(played.Runs, options.Plan.ShardRuns(), true);
    } catch (const TFolderError& error) {
        WriteMessage(STDERR_FILENO, std::string("velmora-batch: ") + error.what() + "\n");
        return 2;
    } catch (const TOutputInterrupted&) {
        return Interrupted(0, options.Plan.ShardRuns(), options.OutDir.has_value());
    } catch (const std::exception& error) {
        WriteMessage(STDERR_FILENO, std::string("velmora-batch: ") + error.what() + "\n");
        return 1;
    }
}

}  // namespace velmora::batch
