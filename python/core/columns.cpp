#include "python/core/columns.h"

#include <charconv>
#include <stdexcept>

namespace velmora::python {

namespace {

template <typename T>
const char* Field(const char* at, const char* end, T& value) {
    const auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc() || (next != end && *next != ',' && *next != '\n')) {
        throw std::logic_error("a trace row that does not read back");
    }
    return next == end ? next : next + 1;
}

}  // namespace

py::array_t<bool> TakeFlags(std::vector<bool>& flags) {
    py::array_t<bool> array(static_cast<py::ssize_t>(flags.size()));
    auto out = array.mutable_unchecked<1>();
    for (std::size_t i = 0; i < flags.size(); ++i) out(static_cast<py::ssize_t>(i)) = flags[i];
    flags = {};
    return array;
}

void TRunColumns::Add(const research::TRunResult& run) {
    const research::TRunRecord record(run);
    for (const research::TLevelRecord& level : record.Levels()) {
        Point_.push_back(static_cast<std::int64_t>(Sweep_ ? record.Point : record.Run));
        if (Sweep_) Replication_.push_back(static_cast<std::int64_t>(record.Replication));
        Seed_.push_back(record.Seed);
        Level_.push_back(level.Level);
        Size_.push_back(level.Size);
        Women_.push_back(level.Women);
        MeanScore_.push_back(level.MeanScore);
        Periods_.push_back(record.Periods);
        Finished_.push_back(record.Finished);
    }
}

py::dict TRunColumns::Take() {
    py::dict columns;
    if (Sweep_) {
        columns["point"] = TakeColumn(Point_);
        columns["replication"] = TakeColumn(Replication_);
    } else {
        columns["run"] = TakeColumn(Point_);
    }
    columns["seed"] = TakeColumn(Seed_);
    columns["level"] = TakeColumn(Level_);
    columns["size"] = TakeColumn(Size_);
    columns["women"] = TakeColumn(Women_);
    columns["mean_score"] = TakeColumn(MeanScore_);
    columns["periods"] = TakeColumn(Periods_);
    columns["finished"] = TakeFlags(Finished_);
    return columns;
}

void TTraceColumns::Add(std::string_view rows) {
    const char* at = rows.data();
    const char* const end = at + rows.size();
    while (at < end) {
        std::int64_t point = 0, replication = 0, seed = 0, period = 0, level = 0, women = 0;
        double mean = 0.0;
        at = Field(at, end, point);
        at = Field(at, end, replication);
        at = Field(at, end, seed);
        at = Field(at, end, period);
        at = Field(at, end, level);
        at = Field(at, end, women);
        at = Field(at, end, mean);
        Point_.push_back(point);
        Replication_.push_back(replication);
        Seed_.push_back(seed);
        Period_.push_back(period);
        Level_.push_back(level);
        Women_.push_back(women);
        MeanScore_.push_back(mean);
    }
}

py::dict TTraceColumns::Take() {
    py::dict columns;
    if (Sweep_) {
        columns["point"] = TakeColumn(Point_);
        columns["replication"] = TakeColumn(Replication_);
    } else {
        columns["run"] = TakeColumn(Replication_);
        Point_ = {};
    }
    columns["seed"] = TakeColumn(Seed_);
    columns["period"] = TakeColumn(Period_);
    columns["level"] = TakeColumn(Level_);
    columns["women"] = TakeColumn(Women_);
    columns["mean_score"] = TakeColumn(MeanScore_);
    return columns;
}

}  // namespace velmora::python
