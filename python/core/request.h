#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>

#include "research/batch_request.h"
#include "research/experiment.h"
#include "research/factor_value.h"

namespace velmora::python {

namespace py = pybind11;

// Python's values as the research library takes them. The Python layer has
// checked their types; ranges are the library's to check, and a refusal is a
// TUsageError naming the argument.

// A Python int within min..max; refused naming the argument otherwise.
std::uint64_t WholeArgument(const char* name, py::handle value, std::uint64_t min,
                            std::uint64_t max);

// Factor values by factor name (the factor table's), from a dict.
research::TFactorValues FactorValues(const py::dict& factors);

// A factor's value: numbers for numeric factors, a str for a choice, a list
// of numbers for one value per level.
research::TFactorValue FactorValue(const research::TFactor& factor, py::handle value);

// A batch's runs, seed (None: from the clock) and threads (None: every core).
research::TBatchRequest BatchRequest(const research::TFactorValues& factors, py::handle runs,
                                     py::handle seed, py::handle threads);

// The varied factors: (factor name, values) pairs; for a sampled design the
// values are the two ends.
std::vector<research::TVaried> VariedFactors(const py::list& vary);

// A design and a seed scheme by their names.
research::TDesign Design(const py::str& name);
research::TSeedScheme SeedScheme(const py::str& name);

}  // namespace velmora::python
