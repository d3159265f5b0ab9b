#include "batch/merge_command.h"

#include <sys/resource.h>
#include <unistd.h>

#include <map>
#include <memory>

#include "batch/command_line.h"
#include "batch/experiment_folder.h"
#include "batch/folder_command.h"
#include "batch/interrupt.h"
#include "batch/output_file.h"
#include "research/experiment_files.h"
#include "research/message_text.h"
#include "research/run_rows.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

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
    // What the experiment records rebuilds its plan, and the merged folder
    // is then written as one process would write it.
    TBatchOptions options = RecordedExperiment(
        shards[0].Json, "'" + ForMessage(shards[0].Path.string()) + "/experiment.json'");
    // Every shard's runs, as one experiment.
    options.Plan.Shard = {};
    const TExperimentPlan& plan = options.Plan;
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
    TTally tally(plan, options.TracePeriods);
    TRunResult run;
    std::string rows, traced;
    std::vector<TLevelShares> shares;
    for (std::uint64_t g = 1; g <= plan.TotalRuns(); ++g) {
        if (cancel.load()) return Interrupted(g - 1, plan.TotalRuns(), false);
        const std::uint64_t s = (g - 1) % count;
        const TRunPlace place = plan.PlaceOfGlobal(g);
        const TRunSettings& settings = plan.Points[place.Point - 1].Settings;
        const std::string lacks =
            Quoted(shards[s].Path) + " lacks the rows of run " + std::to_string(g);
        take(runRows[s].RunRows(place, settings, run), runRows[s], lacks);
        if (trace) {
            take(traceRows[s].TraceRows(place, settings, run, &traced, &shares), traceRows[s],
                 lacks);
            tally.Trajectories->Add(place.Point, shares);
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
    return RunFolderCommand("merge", [&] { return Merge(request, cancel); });
}

}  // namespace velmora::batch
