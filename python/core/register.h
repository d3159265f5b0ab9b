#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace velmora::python {

namespace py = pybind11;

// The library words its messages and help for the command line; Python's
// arguments carry no dashes and take underscores.
std::string ForPython(std::string text);

// One per topic, each in its own file; module.cpp calls them all.
void RegisterErrors(py::module_& m);
void RegisterFactors(py::module_& m);
void RegisterPlay(py::module_& m);
void RegisterModel(py::module_& m);

}  // namespace velmora::python
