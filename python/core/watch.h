#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <chrono>
#include <cstdint>

namespace velmora::python {

namespace py = pybind11;

// Lets C++ work run with the GIL released while Python stays in charge: the
// work calls Look from its own thread, which at most ten times a second
// takes the GIL back to deliver signals (Ctrl-C) and to call
// progress(done, total), unless progress is None. Whatever Python raises
// there raises the cancel flag, and Rethrow passes it on once the work has
// stopped.
class TPythonWatch {
  public:
    TPythonWatch(py::object progress, std::uint64_t total)
        : Progress_(std::move(progress)), Total_(total) {}

    // Without the GIL.
    void Look(std::uint64_t done);
    // With the GIL: the last count, always told.
    void Finish(std::uint64_t done);
    // With the GIL: raises what Python raised while the work ran, if it did.
    void Rethrow();

    const std::atomic<bool>& Cancel() const noexcept { return Cancel_; }

  private:
    using TClock = std::chrono::steady_clock;

    void Tell(std::uint64_t done);

    py::object Progress_;
    std::uint64_t Total_;
    std::atomic<bool> Cancel_{false};
    bool Raised_ = false;
    TClock::time_point Last_ = TClock::now();
};

}  // namespace velmora::python
