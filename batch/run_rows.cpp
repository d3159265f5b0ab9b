#include "batch/run_rows.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "batch/number_format.h"

namespace velmora::batch {

namespace {

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = line.find(',');
        fields.push_back(line.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        line.remove_prefix(comma + 1);
    }
}

template <typename T>
bool Parse(std::string_view text, T& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc{} && result.ptr == text.data() + text.size();
}

// "point,replication,seed," of a run, as every row of it starts.
std::string RowStart(const TRunPlace& place) {
    std::string start;
    AppendUnsigned(start, place.Point);
    start += ',';
    AppendUnsigned(start, place.Replication);
    start += ',';
    AppendUnsigned(start, place.Seed);
    return start + ',';
}

}  // namespace

bool TRowReader::Line(std::string& line) {
    if (!std::getline(In_, line) || In_.eof()) return false;  // none, or torn
    Read_ += line.size() + 1;
    return true;
}

bool TRowReader::Header(const std::string& header) {
    std::string line;
    if (!Line(line) || line + "\n" != header) return false;
    Offset_ = Read_;
    return true;
}

bool TRowReader::RunRows(const TRunPlace& place, int levels, TRunResult& run) {
    const std::string start = RowStart(place);
    run.Point = place.Point;
    run.Replication = place.Replication;
    run.Global = place.Global;
    run.Seed = place.Seed;
    run.Levels = levels;
    std::string line;
    for (int k = 1; k <= levels; ++k) {
        if (!Line(line) || line.rfind(start, 0) != 0) return false;
        const auto f = Fields(std::string_view(line).substr(start.size()));
        int level = 0;
        int finished = 0;
        if (f.size() != 6 || !Parse(f[0], level) || level != k || !Parse(f[1], run.LevelSize[k]) ||
            !Parse(f[2], run.FemaleCount[k]) || !Parse(f[3], run.MeanScore[k]) ||
            !Parse(f[4], run.Periods) || !Parse(f[5], finished) || finished > 1) {
            return false;
        }
        run.Finished = finished == 1;
    }
    run.FinishedPeriod = run.Finished ? run.Periods : 0;
    Offset_ = Read_;
    return true;
}

bool TRowReader::TraceRows(const TRunPlace& place, std::uint64_t rows, std::string* copy) {
    const std::string start = RowStart(place);
    std::string line;
    for (std::uint64_t i = 0; i < rows; ++i) {
        if (!Line(line) || line.rfind(start, 0) != 0) return false;
        if (copy != nullptr) {
            *copy += line;
            *copy += '\n';
        }
    }
    Offset_ = Read_;
    return true;
}

std::uint64_t TraceRowCount(const TRunSettings& settings, const TRunResult& run) noexcept {
    const std::int32_t periods = settings.Periods
                                     ? *settings.Periods
                                     : (run.Finished ? run.FinishedPeriod : settings.MaxPeriods);
    return static_cast<std::uint64_t>(periods) * static_cast<std::uint64_t>(run.Levels);
}

}  // namespace velmora::batch
