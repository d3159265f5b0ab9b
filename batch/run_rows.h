#pragma once

#include <cstdint>
#include <istream>
#include <string>

#include "batch/experiment.h"
#include "batch/run_result.h"

namespace velmora::batch {

// Reads back the rows an experiment wrote, one whole run at a time, so that
// a resumed or merged experiment can go on from exactly what is on disk.
// A row without its line end was torn by a crash and counts as absent.
class TRowReader {
  public:
    explicit TRowReader(std::istream& in) : In_(in) {}

    // Skips the header line; false if it is not the expected one.
    bool Header(const std::string& header);

    // The rows of runs.csv of the run at that place, `levels` of them, into
    // run (its final state); false when they are not all there as expected.
    bool RunRows(const TRunPlace& place, int levels, TRunResult& run);

    // The `rows` rows of trace.csv of the run at that place, appended to
    // copy when given; false when they are not all there.
    bool TraceRows(const TRunPlace& place, std::uint64_t rows, std::string* copy = nullptr);

    // Bytes from the start of the file to the end of the last whole run read.
    std::uint64_t Offset() const noexcept { return Offset_; }

  private:
    bool Line(std::string& line);

    std::istream& In_;
    std::uint64_t Offset_ = 0;  // after the last whole run
    std::uint64_t Read_ = 0;    // after the last whole line
};

// The rows of trace.csv of the run whose runs.csv rows are in run: a row per
// level for every period it played.
std::uint64_t TraceRowCount(const TRunSettings& settings, const TRunResult& run) noexcept;

}  // namespace velmora::batch
