#include "batch/experiment_command.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "batch/batch_command.h"
#include "batch/command_line.h"
#include "batch/experiment_files.h"
#include "batch/interrupt.h"
#include "batch/message_text.h"
#include "batch/output_file.h"
#include "batch/parallel_runner.h"
#include "batch/progress_bar.h"
#include "batch/run_rows.h"
#include "batch/sweep_plot.h"

namespace velmora::batch {

namespace {

namespace fs = std::filesystem;

// Rows are handed to the files in batches of about this size: few writes,
// and little lost to a crash.
constexpr std::size_t RowBatchBytes = 256 * 1024;

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool EmptyOrMissing(const fs::path& folder) {
    std::error_code error;
    if (!fs::exists(folder, error)) return true;
    if (!fs::is_directory(folder, error)) {
        throw TFolderError("'" + ForMessage(folder.string()) + "' is not a folder");
    }
    return fs::is_empty(folder, error);
}

// The points' statistics, filled run by run in run order.
struct TTally {
    explicit TTally(const TExperimentPlan& plan) : Points(plan.Points.size()) {}
    void Add(const TRunResult& run) {
        Points[run.Point - 1].Add(run);
        ++Runs;
    }
    std::vector<TBatchSummary> Points;
    std::uint64_t Runs = 0;
};

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

void WriteWhole(const fs::path& path, const std::string& text, const std::atomic<bool>& cancel) {
    TOutputFile file(path.string(), &cancel);
    file.Write(text);
    file.Commit();
}

// What an interrupted experiment left: the runs whose rows are whole, and
// the bytes of its files that hold them.
struct TDone {
    std::uint64_t Runs = 0;
    std::uint64_t RunsBytes = 0;
    std::uint64_t TraceBytes = 0;
};

TDone ReadDone(const TBatchOptions& options, const fs::path& folder, TTally& tally) {
    const TExperimentPlan& plan = options.Plan;
    TDone done;
    std::ifstream runs(folder / "runs.csv", std::ios::binary);
    std::ifstream trace(folder / "trace.csv", std::ios::binary);
    TRowReader runRows(runs);
    TRowReader traceRows(trace);
    if (!runRows.Header(RunsCsvHeader())) return done;
    const bool traced = options.TracePeriods && traceRows.Header(TraceCsvHeader());
    if (options.TracePeriods && !traced) return done;
    TRunResult run;
    for (std::uint64_t n = 1; n <= plan.ShardRuns(); ++n) {
        const TRunPlace place = plan.Place(n);
        const TRunSettings& settings = plan.Points[place.Point - 1].Settings;
        const int levels = settings.Shape.Levels;
        if (!runRows.RunRows(place, levels, run)) break;
        if (traced && !traceRows.TraceRows(place, TraceRowCount(settings, run))) break;
        tally.Add(run);
        done.Runs = n;
        done.RunsBytes = runRows.Offset();
        done.TraceBytes = traceRows.Offset();
    }
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
    TBatchJob job;
    job.Plan = &plan;
    job.FirstRun = done.Runs + 1;
    job.Runs = plan.ShardRuns() - done.Runs;
    job.Threads = options.Threads;
    job.Wants.LongTrace = folder != nullptr && folder->Trace != nullptr;
    TProgressBar progress(plan.ShardRuns(), ShowProgress(options), stderr,
                          std::to_string(plan.Points.size()) + " points");
    return RunBatch(
        job,
        [&](const TRunResult& result) {
            if (folder != nullptr && folder->Trace) folder->TraceRows += result.Trace;
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

int Interrupted(std::uint64_t played, std::uint64_t runs, bool kept) {
    WriteMessage(
        STDERR_FILENO,
        "velmora-batch: interrupted after " + std::to_string(played) + " of " +
            std::to_string(runs) + " runs" +
            (kept ? "; the runs played are kept, --resume finishes the experiment\n" : "\n"));
    return InterruptExitStatus();
}

}  // namespace

std::uint64_t PlayIntoFolder(const TBatchOptions& options, const std::atomic<bool>& cancel,
                             const TProgressHook& progress) {
    const TExperimentPlan& plan = options.Plan;
    const fs::path path(*options.OutDir);
    const std::string json = ExperimentJson(plan, options.Arguments, options.TracePeriods, false);
    TTally tally(plan);
    TDone done;
    if (!EmptyOrMissing(path)) {
        const fs::path stored = path / "experiment.json";
        if (!fs::exists(stored)) {
            throw TFolderError("--out '" + ForMessage(path.string()) +
                               "' holds files but no experiment; give an empty or new folder");
        }
        if (!options.Resume) {
            throw TFolderError("--out '" + ForMessage(path.string()) +
                               "' holds an experiment already; --resume finishes an interrupted "
                               "one, or give an empty or new folder");
        }
        const std::string difference = ExperimentDifference(json, ReadAll(stored));
        if (!difference.empty()) {
            throw TFolderError("--out '" + ForMessage(path.string()) +
                               "' holds another experiment: " + difference);
        }
        done = ReadDone(options, path, tally);
    }
    std::error_code error;
    fs::create_directories(path, error);
    if (error)
        throw TOutputError("cannot make '" + ForMessage(path.string()) + "': " + error.message());

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
    WriteWhole(path / "experiment.json", json, cancel);
    WriteWhole(path / "points.csv", PointsCsv(plan), cancel);

    if (!PlayRuns(options, done, &folder, tally, cancel, progress)) {
        folder.Flush();
        return tally.Runs;
    }
    folder.Flush();
    folder.Runs->Commit();
    if (folder.Trace) folder.Trace->Commit();
    WriteWhole(path / "summary.csv", SummaryCsv(plan, tally.Points), cancel);
    WriteWhole(path / "plot.svg", RenderSweepPlot(plan, tally.Points), cancel);
    // Last: only a finished experiment says so.
    WriteWhole(path / "experiment.json",
               ExperimentJson(plan, options.Arguments, options.TracePeriods, true), cancel);
    return tally.Runs;
}

namespace {

// Without --out: the sweep's summary on standard output.
int PlayToStandardOutput(const TBatchOptions& options, const std::atomic<bool>& cancel) {
    TTally tally(options.Plan);
    if (!PlayRuns(options, TDone{}, nullptr, tally, cancel)) {
        return Interrupted(tally.Runs, options.Plan.ShardRuns(), false);
    }
    TOutputFile out("-", &cancel);
    out.Write(SummaryCsv(options.Plan, tally.Points));
    out.Commit();
    return 0;
}

// A shard folder as the merge finds it.
struct TShardFolder {
    fs::path Path;
    std::string Json;
    TExperimentState State;
};

std::vector<TShardFolder> ReadShards(const TMergeRequest& request) {
    std::vector<TShardFolder> shards;
    for (const std::string& dir : request.Shards) {
        const fs::path json = fs::path(dir) / "experiment.json";
        if (!fs::is_regular_file(json)) {
            throw TFolderError("'" + ForMessage(dir) + "' holds no experiment.json");
        }
        TShardFolder shard{dir, ReadAll(json), {}};
        try {
            shard.State = ReadExperimentState(shard.Json);
        } catch (const std::exception&) {
            throw TFolderError("'" + ForMessage(dir) + "/experiment.json' is not an experiment");
        }
        if (!shards.empty()) {
            const std::string difference = ExperimentDifference(shards[0].Json, shard.Json);
            if (!difference.empty()) {
                throw TFolderError("'" + ForMessage(dir) + "' is another experiment than '" +
                                   ForMessage(request.Shards[0]) + "': " + difference);
            }
        }
        shards.push_back(std::move(shard));
    }
    // Every shard once, each finished, so that every run is there once.
    const std::uint64_t count = shards[0].State.Shard.Count;
    std::vector<const TShardFolder*> byIndex(count, nullptr);
    for (const TShardFolder& shard : shards) {
        const TShard& s = shard.State.Shard;
        const std::string name = "shard " + std::to_string(s.Index) + "/" + std::to_string(s.Count);
        if (s.Count != count)
            throw TFolderError("'" + ForMessage(shard.Path.string()) + "' is " + name);
        if (byIndex[s.Index - 1] != nullptr) {
            throw TFolderError(name + " is given twice: '" +
                               ForMessage(byIndex[s.Index - 1]->Path.string()) + "' and '" +
                               ForMessage(shard.Path.string()) + "'");
        }
        if (!shard.State.Complete) {
            throw TFolderError("'" + ForMessage(shard.Path.string()) + "' (" + name +
                               ") is not finished; finish it with --resume");
        }
        byIndex[s.Index - 1] = &shard;
    }
    for (std::uint64_t k = 1; k <= count; ++k) {
        if (byIndex[k - 1] == nullptr) {
            throw TFolderError("shard " + std::to_string(k) + "/" + std::to_string(count) +
                               " is missing");
        }
    }
    std::vector<TShardFolder> ordered;
    for (const TShardFolder* shard : byIndex) ordered.push_back(*shard);
    return ordered;
}

int Merge(const TMergeRequest& request, const std::atomic<bool>& cancel) {
    const std::vector<TShardFolder> shards = ReadShards(request);
    // The experiment's own command line rebuilds its plan, and the merged
    // folder is then written as one process would write it.
    TBatchOptions options = OptionsFromArguments(StoredArguments(shards[0].Json), request.Out);
    TExperimentPlan& plan = options.Plan;
    const std::uint64_t count = shards.size();
    const fs::path out(request.Out);
    if (!EmptyOrMissing(out)) {
        throw TFolderError("'" + ForMessage(request.Out) + "' is not empty; give a new folder");
    }
    std::error_code error;
    fs::create_directories(out, error);
    if (error)
        throw TOutputError("cannot make '" + ForMessage(request.Out) + "': " + error.message());

    std::vector<std::unique_ptr<std::ifstream>> runFiles, traceFiles;
    std::vector<TRowReader> runRows, traceRows;
    for (const TShardFolder& shard : shards) {
        runFiles.push_back(
            std::make_unique<std::ifstream>(shard.Path / "runs.csv", std::ios::binary));
        traceFiles.push_back(
            std::make_unique<std::ifstream>(shard.Path / "trace.csv", std::ios::binary));
    }
    for (std::uint64_t s = 0; s < count; ++s) {
        runRows.emplace_back(*runFiles[s]);
        traceRows.emplace_back(*traceFiles[s]);
        const bool traced = !options.TracePeriods || traceRows[s].Header(TraceCsvHeader());
        if (!runRows[s].Header(RunsCsvHeader()) || !traced) {
            throw TOutputError("'" + ForMessage(shards[s].Path.string()) + "' has no runs.csv" +
                               (options.TracePeriods ? " and trace.csv" : ""));
        }
    }
    TOutputFile runs((out / "runs.csv").string(), &cancel);
    std::unique_ptr<TOutputFile> trace;
    if (options.TracePeriods)
        trace = std::make_unique<TOutputFile>((out / "trace.csv").string(), &cancel);
    runs.Write(RunsCsvHeader());
    if (trace) trace->Write(TraceCsvHeader());
    TTally tally(plan);
    TRunResult run;
    std::string rows, traced;
    for (std::uint64_t g = 1; g <= plan.TotalRuns(); ++g) {
        if (cancel.load()) return Interrupted(g - 1, plan.TotalRuns(), false);
        const std::uint64_t s = (g - 1) % count;
        const TRunPlace place = plan.PlaceOfGlobal(g);
        const TRunSettings& settings = plan.Points[place.Point - 1].Settings;
        const int levels = settings.Shape.Levels;
        if (!runRows[s].RunRows(place, levels, run) ||
            (trace && !traceRows[s].TraceRows(place, TraceRowCount(settings, run), &traced))) {
            throw TOutputError("'" + ForMessage(shards[s].Path.string()) +
                               "' lacks the rows of run " + std::to_string(g));
        }
        tally.Add(run);
        AppendRunRows(rows, run);
        if (rows.size() + traced.size() >= RowBatchBytes) {
            runs.Write(rows);
            if (trace) trace->Write(traced);
            rows.clear();
            traced.clear();
        }
    }
    runs.Write(rows);
    if (trace) trace->Write(traced);
    runs.Commit();
    if (trace) trace->Commit();
    WriteWhole(out / "points.csv", PointsCsv(plan), cancel);
    WriteWhole(out / "summary.csv", SummaryCsv(plan, tally.Points), cancel);
    WriteWhole(out / "plot.svg", RenderSweepPlot(plan, tally.Points), cancel);
    WriteWhole(out / "experiment.json",
               ExperimentJson(plan, options.Arguments, options.TracePeriods, true), cancel);
    return 0;
}

}  // namespace

int RunMergeCommand(const TMergeRequest& request, const std::atomic<bool>& cancel) {
    try {
        return Merge(request, cancel);
    } catch (const TFolderError& error) {
        WriteMessage(STDERR_FILENO, std::string("velmora-batch merge: ") + error.what() + "\n");
        return 2;
    } catch (const TOutputInterrupted&) {
        return Interrupted(0, 0, false);
    } catch (const std::exception& error) {
        WriteMessage(STDERR_FILENO, std::string("velmora-batch merge: ") + error.what() + "\n");
        return 1;
    }
}

int RunExperimentCommand(const TBatchOptions& options, const std::atomic<bool>& cancel) {
    try {
        if (!options.OutDir) return PlayToStandardOutput(options, cancel);
        const std::uint64_t played = PlayIntoFolder(options, cancel);
        if (played < options.Plan.ShardRuns()) {
            return Interrupted(played, options.Plan.ShardRuns(), true);
        }
        return 0;
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
