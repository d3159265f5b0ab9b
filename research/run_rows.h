#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "research/experiment.h"
#include "research/run_result.h"

namespace velmora::research {

// What reading a stretch of rows found.
enum class TRowsRead {
    Whole,  // every row there and as the plan expects
    End,    // the file ends before them, or in a row torn by a crash
    Bad,    // a whole row that is not what the plan expects: see Problem()
};

// Reads back the rows an experiment wrote, one whole run at a time, so that
// a resumed or merged experiment goes on from exactly what is on disk.
// Every field of every row is parsed and checked against the plan; a row
// without its line end was torn by a crash and counts as absent.
class TRowReader {
  public:
    // name: the file, for messages.
    TRowReader(std::istream& in, std::string name) : In_(in), Name_(std::move(name)) {}

    TRowsRead Header(const std::string& header);

    // The rows of runs.csv of the run at that place, one per level of its
    // settings, into run (its final state).
    TRowsRead RunRows(const TRunPlace& place, const TRunSettings& settings, TRunResult& run);

    // The rows of trace.csv of the run at that place, whose runs.csv rows
    // are in run: a row per level for every period it played, appended to
    // copy when given, and each period's shares of women to shares when
    // given (emptied first).
    TRowsRead TraceRows(const TRunPlace& place, const TRunSettings& settings, const TRunResult& run,
                        std::string* copy = nullptr, std::vector<TLevelShares>* shares = nullptr);

    // What follows the last whole run read: Whole when nothing, End when a
    // torn row, Bad when a whole row.
    TRowsRead AfterLastRun();

    // Bytes from the start of the file to the end of the last whole run read.
    std::uint64_t Offset() const noexcept { return Offset_; }
    // The file, the line and what is wrong with it, after Bad.
    const std::string& Problem() const noexcept { return Problem_; }

  private:
    TRowsRead Line(std::string& line);
    TRowsRead Bad(const std::string& why);

    std::istream& In_;
    std::string Name_;
    std::string Problem_;
    std::uint64_t Offset_ = 0;  // after the last whole run
    std::uint64_t Read_ = 0;    // after the last whole line
    std::uint64_t LineNumber_ = 0;
};

// The checks of one row against the plan, on values alone; each gives what
// is wrong, or nothing.
// A runs.csv row of level k of a run with these settings.
std::string RunRowProblem(const TRunSettings& settings, int k, std::int32_t size,
                          std::int32_t women, double meanScore, std::int32_t periods, int finished);
// A trace.csv row expected at that period and level.
std::string TraceRowProblem(const TRunSettings& settings, std::int32_t period, int k,
                            std::int32_t gotPeriod, int gotLevel, std::int32_t women,
                            double meanScore);

// The rows of trace.csv of the run whose runs.csv rows are in run: a row per
// level for every period it played.
std::uint64_t TraceRowCount(const TRunSettings& settings, const TRunResult& run) noexcept;

}  // namespace velmora::research
