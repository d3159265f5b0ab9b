#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "research/play_plan.h"
#include "research/run_result.h"

namespace velmora::python {

namespace py = pybind11;

// A column handed to numpy without a copy: the array owns the vector.
template <typename T>
py::array_t<T> TakeColumn(std::vector<T>& values) {
    auto* held = new std::vector<T>(std::move(values));
    values = {};
    const py::capsule owner(held, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return py::array_t<T>(static_cast<py::ssize_t>(held->size()), held->data(), owner);
}

// std::vector<bool> packs its bits, so flags are copied into bytes.
py::array_t<bool> TakeFlags(std::vector<bool>& flags);

// The rows of runs.csv, one per run and level, as columns. A plain batch
// has no points: its runs are numbered in the first column instead.
class TRunColumns {
  public:
    explicit TRunColumns(bool sweep) : Sweep_(sweep) {}
    void Add(const research::TRunResult& run);
    py::dict Take();

  private:
    bool Sweep_;
    std::vector<std::int64_t> Point_, Replication_, Seed_, Level_, Size_, Women_, Periods_;
    std::vector<double> MeanScore_;
    std::vector<bool> Finished_;
};

// The rows of an experiment's trace.csv (point, replication, seed, period,
// level, women, mean score) read back from the text a run writes, as
// columns; for a plain batch the replication is the run.
class TTraceColumns {
  public:
    explicit TTraceColumns(bool sweep) : Sweep_(sweep) {}
    void Add(std::string_view rows);
    py::dict Take();

  private:
    bool Sweep_;
    std::vector<std::int64_t> Point_, Replication_, Seed_, Period_, Level_, Women_;
    std::vector<double> MeanScore_;
};

}  // namespace velmora::python
