#include "batch/experiment_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "research/experiment_files.h"
#include "research/message_text.h"
#include "research/sensitivity_report.h"
#include "research/sweep_plot.h"
#include "research/trajectory_plot.h"

namespace velmora::batch {

using namespace velmora::research;

const char* const OwnFiles[10] = {
    "experiment.json", "points.csv",     "runs.csv",       "trace.csv",       "summary.csv",
    "plot.svg",        "trajectory.csv", "trajectory.svg", "sensitivity.csv", "sensitivity.svg"};

std::string Quoted(const fs::path& path) {
    // Appended rather than added up: GCC 12 warns of an overlap in "'" + text.
    std::string quoted(1, '\'');
    quoted += ForMessage(path.string());
    quoted += '\'';
    return quoted;
}

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
    if (tally.Trajectories) {
        const TPointTrajectories& trajectories = *tally.Trajectories;
        WriteWhole(
            folder / "trajectory.csv",
            [&](const TTextSink& sink) { TrajectoryCsv(plan, trajectories, sink); }, cancel);
        WriteWhole(
            folder / "trajectory.svg",
            [&](const TTextSink& sink) { RenderTrajectoryPlot(plan, trajectories, sink); }, cancel);
    }
    if (plan.Design == TDesign::Sobol) {
        const auto indices = LevelSensitivity(plan, tally.Points);
        WriteWhole(
            folder / "sensitivity.csv",
            [&](const TTextSink& sink) { SensitivityCsv(plan, indices, sink); }, cancel);
        WriteWhole(
            folder / "sensitivity.svg",
            [&](const TTextSink& sink) { RenderSensitivityPlot(plan, indices, sink); }, cancel);
    }
    WriteWhole(folder / "experiment.json",
               ExperimentJson(plan, options.Arguments, options.TracePeriods, true), cancel);
}

void WritePoints(const fs::path& folder, const TExperimentPlan& plan,
                 const std::atomic<bool>& cancel) {
    WriteWhole(
        folder / "points.csv", [&](const TTextSink& sink) { PointsCsv(plan, sink); }, cancel);
}

TBatchOptions RecordedExperiment(const std::string& json, const std::string& file) {
    TBatchOptions options;
    try {
        TStoredExperiment stored = ReadExperiment(json);
        options.Plan = std::move(stored.Plan);
        options.Arguments = std::move(stored.Arguments);
        options.TracePeriods = stored.TracePeriods;
    } catch (const std::exception& error) {
        // The library's refusals as the command line words them.
        const auto* usage = dynamic_cast<const TUsageError*>(&error);
        throw TFolderError(file + " records no experiment this program plays: " +
                           (usage != nullptr ? OptionWords(*usage) : error.what()));
    }
    return options;
}

}  // namespace velmora::batch
