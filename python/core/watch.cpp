#include "python/core/watch.h"

namespace velmora::python {

void TPythonWatch::Look(std::uint64_t done) {
    const auto now = TClock::now();
    if (Raised_ || now - Last_ < std::chrono::milliseconds(100)) return;
    Last_ = now;
    py::gil_scoped_acquire gil;
    Tell(done);
}

void TPythonWatch::Finish(std::uint64_t done) {
    if (!Raised_) Tell(done);
}

void TPythonWatch::Tell(std::uint64_t done) {
    // An error left set here is fetched again by Rethrow.
    if (PyErr_CheckSignals() != 0) {
        Raised_ = true;
    } else if (!Progress_.is_none()) {
        try {
            Progress_(done, Total_);
        } catch (py::error_already_set& error) {
            error.restore();
            Raised_ = true;
        }
    }
    if (Raised_) Cancel_ = true;
}

void TPythonWatch::Rethrow() {
    if (!Raised_) return;
    if (PyErr_Occurred() == nullptr) PyErr_SetNone(PyExc_KeyboardInterrupt);
    throw py::error_already_set();
}

}  // namespace velmora::python
