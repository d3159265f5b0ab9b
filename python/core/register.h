#pragma once

#include <pybind11/pybind11.h>

namespace velmora::python {

namespace py = pybind11;

// One per topic, each in its own file; module.cpp calls them all.
void RegisterErrors(py::module_& m);
void RegisterFactors(py::module_& m);
void RegisterPlay(py::module_& m);
void RegisterModel(py::module_& m);

}  // namespace velmora::python
