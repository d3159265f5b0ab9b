#include "batch/verify_command.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "batch/command_line.h"
#include "batch/experiment_folder.h"
#include "batch/folder_command.h"
#include "batch/interrupt.h"
#include "batch/output_file.h"
#include "batch/progress_bar.h"
#include "model/random.h"
#include "research/experiment_files.h"
#include "research/message_text.h"
#include "research/play_plan.h"
#include "research/run_rows.h"

namespace velmora::batch {

using namespace velmora::research;

namespace {

// A row that is not what the run played again gives.
class TMismatch : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The lines of one file of the folder, read in order.
class TLines {
  public:
    TLines(std::unique_ptr<std::ifstream> file, std::string name)
        : File_(std::move(file)), Name_(std::move(name)) {}

    // The next line without its end; false at the end of the file.
    bool Next(std::string& line) {
        if (!std::getline(*File_, line)) {
            if (File_->bad()) throw TOutputError("cannot read '" + ForMessage(Name_) + "'");
            return false;
        }
        ++Number_;
        // A last line without its end was torn: not a row the experiment wrote.
        if (File_->eof()) line += " (torn: no line end)";
        return true;
    }
    // Compares the next lines with rows, each ending in a line end.
    void Expect(std::string_view rows, std::string_view run) {
        std::string line;
        for (std::size_t from = 0; from < rows.size();) {
            const std::size_t end = rows.find('\n', from);
            const std::string_view expected = rows.substr(from, end - from);
            from = end + 1;
            if (!Next(line)) {
                throw TMismatch(Name_ + " ends at line " + std::to_string(Number_) +
                                ", before the rows of " + std::string(run) +
                                "; played again, the next row is\n  " + std::string(expected));
            }
            if (line != expected) {
                throw TMismatch(Name_ + " line " + std::to_string(Number_) + " differs (" +
                                std::string(run) + "):\n  in the folder: " + ForMessage(line, 200) +
                                "\n  played again:  " + std::string(expected));
            }
        }
    }
    // Passes over the rows that start so.
    void Skip(const std::string& start, std::uint64_t most) {
        std::streampos at = File_->tellg();
        std::string line;
        for (std::uint64_t n = 0; n < most; ++n) {
            at = File_->tellg();
            if (!Next(line)) return;
            if (line.rfind(start, 0) != 0) {
                File_->clear();
                File_->seekg(at);
                --Number_;
                return;
            }
        }
    }
    void ExpectEnd() {
        std::string line;
        if (Next(line)) {
            throw TMismatch(Name_ + " line " + std::to_string(Number_) +
                            " is a row after the last run: " + ForMessage(line, 200));
        }
    }

  private:
    std::unique_ptr<std::ifstream> File_;
    std::string Name_;
    std::uint64_t Number_ = 0;
};

std::string RunName(const TRunPlace& place) {
    return "run " + std::to_string(place.Global) + ": point " + std::to_string(place.Point) +
           ", replication " + std::to_string(place.Replication) + ", seed " +
           std::to_string(place.Seed);
}

std::string RowStart(const TRunPlace& place) {
    return std::to_string(place.Point) + "," + std::to_string(place.Replication) + "," +
           std::to_string(place.Seed) + ",";
}

// The experiment as its folder records it, checked as a resume checks it.
TBatchOptions CheckedExperiment(const fs::path& folder) {
    const auto stored = ReadOwnFile(folder / "experiment.json");
    if (!stored) throw TFolderError(Quoted(folder) + " holds no experiment.json");
    CheckOwnFiles(folder);
    TExperimentState state;
    try {
        state = ReadExperimentState(*stored);
    } catch (const std::exception& error) {
        throw TFolderError(Quoted(folder / "experiment.json") +
                           " is not an experiment: " + error.what());
    }
    if (IsMerging(*stored)) {
        throw TFolderError(Quoted(folder) + " is a merge that was stopped; merge it again");
    }
    if (!state.Complete) {
        throw TFolderError(Quoted(folder) + " is not finished; finish it with --resume first");
    }
    // Rebuilt from what it records, as a merge rebuilds it.
    TBatchOptions options = RecordedExperiment(*stored, Quoted(folder / "experiment.json"));
    const std::string json =
        ExperimentJson(options.Plan, options.Arguments, options.TracePeriods, true);
    if (const std::string difference = ExperimentDifference(json, *stored, true);
        !difference.empty()) {
        const bool version = difference.rfind("'version'", 0) == 0;
        throw TFolderError(Quoted(folder) +
                           (version ? " was written by another version of velmora-batch: "
                                    : " is not an experiment this program would write: ") +
                           difference);
    }
    return options;
}

// The shard runs to play again, in order: all, or `sample` of them drawn
// from the seed, each as likely as any other (selection sampling).
std::vector<std::uint64_t> Chosen(const TExperimentPlan& plan, std::uint64_t sample) {
    const std::uint64_t runs = plan.ShardRuns();
    std::vector<std::uint64_t> chosen;
    if (sample == 0 || sample >= runs) return chosen;
    TRandom random;
    SeedWith(random, plan.Seed ^ 0x5bd1e995u);
    chosen.reserve(sample);
    for (std::uint64_t n = 1; n <= runs && chosen.size() < sample; ++n) {
        const auto left = static_cast<double>(runs - n + 1);
        if (NextUniform(random) * left < static_cast<double>(sample - chosen.size())) {
            chosen.push_back(n);
        }
    }
    return chosen;
}

int Verify(const TVerifyRequest& request, const std::atomic<bool>& cancel) {
    const fs::path folder(request.Folder);
    TBatchOptions options = CheckedExperiment(folder);
    const TExperimentPlan& plan = options.Plan;
    // Held while reading: a resume in the meantime would change the rows.
    const auto lock = LockFolder(folder);
    const auto open = [&](const char* name) {
        auto file = OpenOwnFile(folder / name);
        if (!file) throw TFolderError(Quoted(folder) + " has no " + name);
        return TLines(std::move(file), name);
    };
    TLines runs = open("runs.csv");
    std::optional<TLines> trace;
    if (options.TracePeriods) trace.emplace(open("trace.csv"));
    runs.Expect(RunsCsvHeader(), "the header");
    if (trace) trace->Expect(TraceCsvHeader(), "the header");

    const std::vector<std::uint64_t> chosen = Chosen(plan, request.Sample);
    const bool all = chosen.empty();
    const std::uint64_t count = all ? plan.ShardRuns() : chosen.size();
    TProgressBar progress(count, !request.Quiet && ::isatty(STDERR_FILENO), stderr, "verifying");
    std::uint64_t next = 1;  // the first shard run whose rows are not yet read
    std::string rows;
    std::string traced;
    // Plays shard runs first..first + length - 1 and compares them.
    const auto replay = [&](std::uint64_t first, std::uint64_t length, std::uint64_t done) {
        TPlayOptions play;
        play.Threads = request.Threads;
        play.FirstRun = first;
        play.LastRun = first + length - 1;
        play.LongTrace = trace.has_value();
        return PlayPlan(
            plan, play,
            [&](const TRunResult& result) {
                const TRunPlace place = plan.PlaceOfGlobal(result.Global);
                const std::string name = RunName(plan.Place(next));
                if (trace) trace->Expect(result.Trace, name);
                if (result.Partial) return;
                rows.clear();
                AppendRunRows(rows, result);
                runs.Expect(rows, RunName(place));
                ++next;
            },
            cancel, [&](std::uint64_t played) { progress.Update(done + played); });
    };
    bool complete = true;
    if (all) {
        complete = replay(1, plan.ShardRuns(), 0);
        if (complete) {
            runs.ExpectEnd();
            if (trace) trace->ExpectEnd();
        }
    } else {
        for (std::size_t i = 0; complete && i < chosen.size(); ++i) {
            for (; next < chosen[i]; ++next) {
                const TRunPlace place = plan.Place(next);
                const int levels = plan.Points[place.Point - 1].Settings.Shape.Levels;
                runs.Skip(RowStart(place), static_cast<std::uint64_t>(levels));
                if (trace) trace->Skip(RowStart(place), UINT64_MAX);
            }
            complete = replay(chosen[i], 1, i);
        }
    }
    progress.Finish();
    if (!complete) return Interrupted(next - 1, plan.ShardRuns(), false);
    std::printf("verified %llu runs\n", static_cast<unsigned long long>(count));
    return 0;
}

}  // namespace

int RunVerifyCommand(const TVerifyRequest& request, const std::atomic<bool>& cancel) {
    return RunFolderCommand("verify", [&] { return Verify(request, cancel); });
}

}  // namespace velmora::batch
