#include "batch/experiment_command.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "batch/batch_command.h"
#include "batch/command_line.h"
#include "batch/interrupt.h"
#include "batch/output_file.h"
#include "batch/progress_bar.h"
#include "research/experiment_files.h"
#include "research/message_text.h"
#include "research/parallel_runner.h"
#include "research/run_rows.h"
#include "research/sweep_plot.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

namespace fs = std::filesystem;

// Rows are handed to the files in batches of about this size: few writes,
// and little lost to a crash.
constexpr std::size_t RowBatchBytes = 256 * 1024;

// The files an experiment folder holds; nothing else of its own.
const char* const OwnFiles[] = {"experiment.json", "points.csv",  "runs.csv",
                                "trace.csv",       "summary.csv", "plot.svg"};

std::string Quoted(const fs::path& path) { return "'" + ForMessage(path.string()) + "'"; }

// The status of a file of the folder, never following a link; false when
// there is none. Anything but a regular file is refused: the files of an
// experiment folder are the program's own.
bool OwnFileExists(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) return false;
        throw TOutputError("cannot read " + Quoted(path) + ": " + std::strerror(errno));
    }
    if (S_ISREG(status.st_mode)) return true;
    const char* what = S_ISLNK(status.st_mode)    ? "a symbolic link"
                       : S_ISFIFO(status.st_mode) ? "a FIFO"
                       : S_ISDIR(status.st_mode)  ? "a folder"
                                                  : "a special file";
    throw TFolderError(Quoted(path) + " is " + what +
                       "; an experiment folder holds only its own regular files");
}

void CheckOwnFiles(const fs::path& folder) {
    for (const char* name : OwnFiles) OwnFileExists(folder / name);
}

// A file of the folder to read rows from; null when there is none.
std::unique_ptr<std::ifstream> OpenOwnFile(const fs::path& path) {
    if (!OwnFileExists(path)) return nullptr;
    auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (!file->is_open()) {
        throw TOutputError("cannot read " + Quoted(path) + ": " + std::strerror(errno));
    }
    return file;
}

std::optional<std::string> ReadOwnFile(const fs::path& path) {
    const auto file = OpenOwnFile(path);
    if (!file) return {};
    std::stringstream text;
    text << file->rdbuf();
    if (file->bad()) throw TOutputError("cannot read " + Quoted(path));
    return text.str();
}

// Whether the folder holds anything but what killed writers left.
bool HoldsFiles(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (!IsLeftover(entry->path().filename().string())) return true;
    }
    if (error) throw TOutputError("cannot read " + Quoted(folder) + ": " + error.message());
    return false;
}

// Makes the folder unless it is there; true when it was made.
bool MakeFolder(const fs::path& folder, const std::string& what) {
    struct stat status {};
    if (::lstat(folder.c_str(), &status) == 0 && S_ISLNK(status.st_mode) &&
        ::stat(folder.c_str(), &status) != 0 && errno == ENOENT) {
        throw TFolderError(what + Quoted(folder) +
                           " is a dangling symbolic link; give a folder, or make the one it names");
    }
    std::error_code error;
    if (fs::exists(folder, error)) {
        if (!fs::is_directory(folder, error))
            throw TFolderError(what + Quoted(folder) + " is not a folder");
        return false;
    }
    fs::create_directories(folder, error);
    if (error) throw TOutputError("cannot make " + Quoted(folder) + ": " + error.message());
    return true;
}

std::unique_ptr<TFolderLock> LockFolder(const fs::path& folder) {
    try {
        return std::make_unique<TFolderLock>(folder.string());
    } catch (const TFolderBusy& busy) {
        throw TFolderError(busy.what());
    }
}

// The points' statistics, filled run by run in run order.
struct TTally {
    explicit TTally(const TExperimentPlan& plan) : Points(PointLevels(plan)) {}
    void Add(const TRunResult& run) {
        Points.Add(run);
        ++Runs;
    }
    TPointSummaries Points;
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

// Writes a file whose text comes in parts, giving up as soon as cancel is
// raised: the final files of a large experiment take a while.
void WriteWhole(const fs::path& path, const std::function<void(const TTextSink&)>& text,
                const std::atomic<bool>& cancel) {
    TOutputFile file(path.string(), &cancel);
    text([&](std::string_view part) {
        if (cancel.load()) throw TOutputInterrupted("interrupted while writing " + Quoted(path));
        file.Write(part);
    });
    if (cancel.load()) throw TOutputInterrupted("interrupted while writing " + Quoted(path));
    file.Commit();
}

void WriteWhole(const fs::path& path, const std::string& text, const std::atomic<bool>& cancel) {
    WriteWhole(
        path, [&](const TTextSink& sink) { sink(text); }, cancel);
}

// The files written once every run is in: the summary, the plot, and last
// the experiment.json that says the experiment is complete.
void WriteResults(const fs::path& folder, const TBatchOptions& options, const TTally& tally,
                  const std::atomic<bool>& cancel) {
    const TExperimentPlan& plan = options.Plan;
    WriteWhole(
        folder / "summary.csv",
        [&](const TTextSink& sink) { SummaryCsv(plan, tally.Points, sink); }, cancel);
    WriteWhole(
        folder / "plot.svg",
        [&](const TTextSink& sink) { RenderSweepPlot(plan, tally.Points, sink); }, cancel);
    WriteWhole(folder / "experiment.json",
               ExperimentJson(plan, options.Arguments, options.TracePeriods, true), cancel);
}

void WritePoints(const fs::path& folder, const TExperimentPlan& plan,
                 const std::atomic<bool>& cancel) {
    WriteWhole(
        folder / "points.csv", [&](const TTextSink& sink) { PointsCsv(plan, sink); }, cancel);
}

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
    for (std::uint64_t n = 1; n <= plan.ShardRuns(); ++n) {
        const TRunPlace place = plan.Place(n);
        const TRunSettings& settings = plan.Points[place.Point - 1].Settings;
        if (!Go(runRows.RunRows(place, settings, run), runRows)) return done;
        if (trace && !Go(traceRows.TraceRows(place, settings, run), traceRows)) return done;
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

TFolderPlay PlayIntoFolder(const TBatchOptions& options, const std::atomic<bool>& cancel,
                           const TProgressHook& progress) {
    const TExperimentPlan& plan = options.Plan;
    const fs::path path(*options.OutDir);
    const std::string json = ExperimentJson(plan, options.Arguments, options.TracePeriods, false);
    MakeFolder(path, "--out ");
    // Held to the end: a second writer would interleave its rows with ours.
    const auto lock = LockFolder(path);
    TTally tally(plan);
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
    TTally tally(options.Plan);
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

// A shard folder as the merge finds it.
struct TShardFolder {
    fs::path Path;
    std::string Json;
    TExperimentState State;
};

std::string ShardName(const TShard& shard) {
    return "shard " + std::to_string(shard.Index) + "/" + std::to_string(shard.Count);
}

// Every shard once, each finished, of one experiment, in shard order.
std::vector<TShardFolder> ReadShards(const TMergeRequest& request) {
    std::vector<TShardFolder> shards;
    std::map<std::uint64_t, std::size_t> byIndex;  // as given: shard counts may be huge
    for (const std::string& dir : request.Shards) {
        const auto text = ReadOwnFile(fs::path(dir) / "experiment.json");
        if (!text) throw TFolderError("'" + ForMessage(dir) + "' holds no experiment.json");
        TShardFolder shard{dir, *text, {}};
        try {
            shard.State = ReadExperimentState(shard.Json);
        } catch (const std::exception& error) {
            throw TFolderError("'" + ForMessage(dir) +
                               "/experiment.json' is not an experiment: " + error.what());
        }
        if (!shards.empty()) {
            const std::string difference = ExperimentDifference(shards[0].Json, shard.Json);
            if (!difference.empty()) {
                throw TFolderError("'" + ForMessage(dir) + "' is another experiment than '" +
                                   ForMessage(request.Shards[0]) + "': " + difference);
            }
        }
        const TShard& s = shard.State.Shard;
        const std::string name = ShardName(s);
        if (!shards.empty() && s.Count != shards[0].State.Shard.Count) {
            throw TFolderError("'" + ForMessage(dir) + "' is " + name + ", '" +
                               ForMessage(request.Shards[0]) + "' " +
                               ShardName(shards[0].State.Shard));
        }
        if (const auto twice = byIndex.find(s.Index); twice != byIndex.end()) {
            throw TFolderError(name + " is given twice: '" +
                               ForMessage(shards[twice->second].Path.string()) + "' and '" +
                               ForMessage(dir) + "'");
        }
        if (!shard.State.Complete) {
            throw TFolderError("'" + ForMessage(dir) + "' (" + name +
                               ") is not finished; finish it with --resume");
        }
        byIndex.emplace(s.Index, shards.size());
        shards.push_back(std::move(shard));
    }
    const std::uint64_t count = shards[0].State.Shard.Count;
    std::uint64_t expected = 1;
    for (const auto& [index, at] : byIndex) {
        if (index != expected) break;
        ++expected;
    }
    if (expected <= count) {
        throw TFolderError("shard " + std::to_string(expected) + "/" + std::to_string(count) +
                           " is missing");
    }
    std::vector<TShardFolder> ordered;
    for (const auto& [index, at] : byIndex) ordered.push_back(std::move(shards[at]));
    return ordered;
}

// A merge opens two files of every shard at once.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The files a merge wrote, taken away again if it does not finish, with the
// folder if it made it: a stopped merge leaves nothing to mistake for one.
class TMergeOutput {
  public:
    TMergeOutput(fs::path folder, bool made) : Folder_(std::move(folder)), Made_(made) {}
    ~TMergeOutput() {
        if (Done_) return;
        std::error_code error;
        for (const char* name : OwnFiles) fs::remove(Folder_ / name, error);
        try {
            RemoveLeftovers(Folder_.string());
        } catch (const TOutputError&) {
            return;  // best effort, on the way out of a failure
        }
        if (Made_) fs::remove(Folder_, error);
    }
    TMergeOutput(const TMergeOutput&) = delete;
    TMergeOutput& operator=(const TMergeOutput&) = delete;
    void Done() { Done_ = true; }

  private:
    fs::path Folder_;
    bool Made_;
    bool Done_ = false;
};

int Merge(const TMergeRequest& request, const std::atomic<bool>& cancel) {
    RaiseDescriptorLimit();
    std::vector<TShardFolder> shards = ReadShards(request);
    // The experiment's own command line rebuilds its plan, and the merged
    // folder is then written as one process would write it.
    TBatchOptions options = OptionsFromArguments(StoredArguments(shards[0].Json), request.Out);
    TExperimentPlan& plan = options.Plan;
    const std::string json = ExperimentJson(plan, options.Arguments, options.TracePeriods, false);
    // This program's own view of the experiment: another version's files are
    // not joined under this one's name.
    if (const std::string difference = ExperimentDifference(json, shards[0].Json);
        !difference.empty()) {
        throw TFolderError("'" + ForMessage(shards[0].Path.string()) +
                           "' is not an experiment this program would write: " + difference);
    }
    const std::uint64_t count = shards.size();
    const fs::path out(request.Out);
    const bool made = MakeFolder(out, "");
    const auto lock = LockFolder(out);
    if (HoldsFiles(out)) {
        // Only what a stopped merge left may be written over.
        const auto stored = OwnFileExists(out / "experiment.json")
                                ? ReadOwnFile(out / "experiment.json")
                                : std::nullopt;
        if (!stored || !IsMerging(*stored)) {
            throw TFolderError("'" + ForMessage(request.Out) + "' is not empty; give a new folder");
        }
        CheckOwnFiles(out);
    }
    TMergeOutput output(out, made || HoldsFiles(out));
    RemoveLeftovers(out.string());
    WriteWhole(out / "experiment.json", MergingJson(json), cancel);

    std::vector<std::unique_ptr<std::ifstream>> runFiles, traceFiles;
    std::vector<TRowReader> runRows, traceRows;
    std::ifstream none;
    for (const TShardFolder& shard : shards) {
        CheckOwnFiles(shard.Path);
        runFiles.push_back(OpenOwnFile(shard.Path / "runs.csv"));
        traceFiles.push_back(options.TracePeriods ? OpenOwnFile(shard.Path / "trace.csv")
                                                  : nullptr);
        if (!runFiles.back() || (options.TracePeriods && !traceFiles.back())) {
            throw TFolderError(Quoted(shard.Path) + " has no runs.csv" +
                               (options.TracePeriods ? " and trace.csv" : ""));
        }
    }
    // Every row of every shard is checked: a merged folder says it is complete.
    const auto take = [](TRowsRead read, const TRowReader& reader, const std::string& what) {
        if (read == TRowsRead::Bad) throw TFolderError(reader.Problem());
        if (read == TRowsRead::End) throw TFolderError(what);
    };
    for (std::uint64_t s = 0; s < count; ++s) {
        runRows.emplace_back(*runFiles[s], (shards[s].Path / "runs.csv").string());
        traceRows.emplace_back(traceFiles[s] ? *traceFiles[s] : none,
                               (shards[s].Path / "trace.csv").string());
        take(runRows[s].Header(RunsCsvHeader()), runRows[s],
             Quoted(shards[s].Path / "runs.csv") + " has no header");
        if (options.TracePeriods) {
            take(traceRows[s].Header(TraceCsvHeader()), traceRows[s],
                 Quoted(shards[s].Path / "trace.csv") + " has no header");
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
        const std::string lacks =
            Quoted(shards[s].Path) + " lacks the rows of run " + std::to_string(g);
        take(runRows[s].RunRows(place, settings, run), runRows[s], lacks);
        if (trace) take(traceRows[s].TraceRows(place, settings, run, &traced), traceRows[s], lacks);
        tally.Add(run);
        AppendRunRows(rows, run);
        if (rows.size() + traced.size() >= RowBatchBytes) {
            runs.Write(rows);
            if (trace) trace->Write(traced);
            rows.clear();
            traced.clear();
        }
    }
    for (std::uint64_t s = 0; s < count; ++s) {
        take(runRows[s].AfterLastRun(), runRows[s], runRows[s].Problem());
        if (trace) take(traceRows[s].AfterLastRun(), traceRows[s], traceRows[s].Problem());
    }
    runs.Write(rows);
    if (trace) trace->Write(traced);
    runs.Commit();
    if (trace) trace->Commit();
    try {
        WritePoints(out, plan, cancel);
        WriteResults(out, options, tally, cancel);
    } catch (const TOutputInterrupted&) {
        return Interrupted(plan.TotalRuns(), plan.TotalRuns(), false);
    }
    output.Done();
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
