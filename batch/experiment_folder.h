#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "batch/options.h"
#include "batch/output_file.h"
#include "research/batch_summary.h"
#include "research/experiment_files.h"
#include "research/trajectory.h"

// What playing an experiment into a folder and merging shards into one share:
// the folder's own files, read and written the one way.
namespace velmora::batch {

namespace fs = std::filesystem;

// A folder's state that a command line cannot fix; exit 2, nothing touched.
class TFolderError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Rows are handed to the files in batches of about this size: few writes,
// and little lost to a crash.
inline constexpr std::size_t RowBatchBytes = 256 * 1024;

// The files an experiment folder holds; nothing else of its own.
extern const char* const OwnFiles[10];

std::string Quoted(const fs::path& path);

// The status of a file of the folder, never following a link; false when
// there is none. Anything but a regular file is refused: the files of an
// experiment folder are the program's own.
bool OwnFileExists(const fs::path& path);
void CheckOwnFiles(const fs::path& folder);
// A file of the folder to read rows from; null when there is none.
std::unique_ptr<std::ifstream> OpenOwnFile(const fs::path& path);
std::optional<std::string> ReadOwnFile(const fs::path& path);
// Whether the folder holds anything but what killed writers left.
bool HoldsFiles(const fs::path& folder);
// Makes the folder unless it is there; true when it was made.
bool MakeFolder(const fs::path& folder, const std::string& what);
std::unique_ptr<TFolderLock> LockFolder(const fs::path& folder);

// The points' statistics, filled run by run in run order, and with a trace
// their trajectories.
struct TTally {
    TTally(const research::TExperimentPlan& plan, bool tracePeriods)
        : Points(research::PointLevels(plan)) {
        if (tracePeriods) Trajectories.emplace(research::PointLevels(plan));
    }
    void Add(const research::TRunResult& run) {
        Points.Add(run);
        ++Runs;
    }
    research::TPointSummaries Points;
    std::optional<research::TPointTrajectories> Trajectories;
    std::uint64_t Runs = 0;
};

// Writes a file whose text comes in parts, giving up as soon as cancel is
// raised: the final files of a large experiment take a while.
void WriteWhole(const fs::path& path, const std::function<void(const research::TTextSink&)>& text,
                const std::atomic<bool>& cancel);
void WriteWhole(const fs::path& path, const std::string& text, const std::atomic<bool>& cancel);

// The files written once every run is in: the summary, the plot, and last
// the experiment.json that says the experiment is complete.
void WriteResults(const fs::path& folder, const TBatchOptions& options, const TTally& tally,
                  const std::atomic<bool>& cancel);
void WritePoints(const fs::path& folder, const research::TExperimentPlan& plan,
                 const std::atomic<bool>& cancel);

// The experiment an experiment.json records, its plan rebuilt as one process
// would build it. A TFolderError naming `file` (quoted already) when this
// program does not play it.
TBatchOptions RecordedExperiment(const std::string& json, const std::string& file);

}  // namespace velmora::batch
