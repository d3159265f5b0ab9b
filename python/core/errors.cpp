#include <string>
#include <vector>

#include "batch/experiment_command.h"
#include "batch/output_file.h"
#include "python/core/register.h"
#include "research/factors.h"

namespace velmora::python {

namespace {

// A factor's name as a Python keyword: underscores for dashes.
std::string PythonName(std::string_view name) {
    std::string python(name);
    for (char& c : python) c = c == '-' ? '_' : c;
    return python;
}

}  // namespace

std::string ForPython(std::string text) {
    for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at)) {
        text.erase(at, 2);
    }
    for (std::size_t at = text.find("out DIR"); at != std::string::npos;
         at = text.find("out DIR")) {
        text.erase(at + 3, 4);
    }
    std::vector<std::string> names{"trace-periods"};
    for (const research::TFactor& factor : research::Factors()) names.emplace_back(factor.Name);
    for (const std::string& name : names) {
        if (name.find('-') == std::string::npos) continue;
        const std::string python = PythonName(name);
        for (std::size_t at = text.find(name); at != std::string::npos;
             at = text.find(name, at + python.size())) {
            text.replace(at, name.size(), python);
        }
    }
    return text;
}

namespace {

// A refused value in Python's words, the fields kept on the exception.
void SetUsageError(const py::object& type, const research::TUsageError& error) {
    if (error.Name().empty()) {
        PyErr_SetString(type.ptr(), ForPython(error.Worded(PythonName)).c_str());
        return;
    }
    const std::string name = PythonName(error.Name());
    const py::str given(error.Given());
    const std::string message = name + " must be " + ForPython(error.Accepted()) + ", got " +
                                py::repr(given).cast<std::string>();
    py::object value = type(message);
    value.attr("argument") = name;
    value.attr("accepted") = error.Accepted();
    value.attr("given") = given;
    PyErr_SetObject(type.ptr(), value.ptr());
}

}  // namespace

void RegisterErrors(py::module_& m) {
    static py::exception<research::TUsageError> usage(m, "UsageError", PyExc_ValueError);
    usage.doc() =
        "A request velmora cannot play: the message names the argument, the value given and what "
        "it accepts, and for a single value refused its argument, accepted and given say so (None "
        "otherwise). Nothing is written.";
    for (const char* field : {"argument", "accepted", "given"}) usage.attr(field) = py::none();
    py::register_exception_translator([](std::exception_ptr failure) {
        try {
            if (failure) std::rethrow_exception(failure);
        } catch (const research::TUsageError& error) {
            SetUsageError(usage, error);
        } catch (const batch::TFolderError& error) {
            usage(ForPython(error.what()).c_str());
        } catch (const batch::TOutputError& error) {
            PyErr_SetString(PyExc_OSError, error.what());
        }
    });
}

}  // namespace velmora::python
