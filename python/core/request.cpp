#include "python/core/request.h"

#include <algorithm>
#include <thread>

#include "model/random.h"
#include "research/factors.h"
#include "research/message_text.h"
#include "research/usage_error.h"

namespace velmora::python {

using namespace velmora::research;

namespace {

std::string Text(py::handle value) { return py::str(value).cast<std::string>(); }

}  // namespace

std::uint64_t WholeArgument(const char* name, py::handle value, std::uint64_t min,
                            std::uint64_t max) {
    int overflow = 0;
    const long long whole = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (whole == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (overflow != 0 || whole < 0 || static_cast<std::uint64_t>(whole) < min ||
        static_cast<std::uint64_t>(whole) > max) {
        throw TUsageError(
            name, "a whole number from " + std::to_string(min) + " to " + std::to_string(max),
            Text(value));
    }
    return static_cast<std::uint64_t>(whole);
}

namespace {

TFactorValue Number(py::handle value) {
    if (py::isinstance<py::int_>(value)) {
        int overflow = 0;
        const long long whole = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
        // Too large for any factor: refused by its setter, as written.
        if (overflow != 0) return Text(value);
        return static_cast<std::int64_t>(whole);
    }
    if (py::isinstance<py::float_>(value)) return value.cast<double>();
    return Text(value);
}

}  // namespace

TFactorValue FactorValue(const TFactor& factor, py::handle value) {
    if (py::isinstance<py::str>(value)) return value.cast<std::string>();
    if (py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value)) {
        std::vector<double> entries;
        for (const py::handle entry : value) {
            const TFactorValue number = Number(entry);
            if (const auto* whole = std::get_if<std::int64_t>(&number)) {
                entries.push_back(static_cast<double>(*whole));
            } else if (const auto* real = std::get_if<double>(&number)) {
                entries.push_back(*real);
            } else {
                return Text(value);
            }
        }
        return entries;
    }
    const TFactorValue number = Number(value);
    const auto* whole = std::get_if<std::int64_t>(&number);
    if (factor.Kind == TValueKind::Number && whole != nullptr) {
        return static_cast<double>(*whole);
    }
    return number;
}

TFactorValues FactorValues(const py::dict& factors) {
    TFactorValues values;
    for (const auto& [name, value] : factors) {
        const std::string text = name.cast<std::string>();
        const TFactor* factor = FindFactor(text);
        if (factor == nullptr) throw TUsageError("there is no factor '" + ForMessage(text) + "'");
        values[text] = FactorValue(*factor, value);
    }
    return values;
}

TBatchRequest BatchRequest(const TFactorValues& factors, py::handle runs, py::handle seed,
                           py::handle threads) {
    TBatchRequest request;
    request.Settings = SettingsFrom(factors);
    request.Runs = WholeArgument("runs", runs, 1, MaxRuns);
    request.SeedFromClock = seed.is_none();
    // Printed with the result, so that the batch can be repeated.
    request.Seed = request.SeedFromClock
                       ? ClockSeed()
                       : static_cast<std::uint32_t>(WholeArgument("seed", seed, 0, 4294967295ULL));
    request.Threads = threads.is_none()
                          ? std::clamp(std::thread::hardware_concurrency(), 1u, MaxThreads)
                          : static_cast<unsigned>(WholeArgument("threads", threads, 1, MaxThreads));
    return request;
}

std::vector<TVaried> VariedFactors(const py::list& vary) {
    std::vector<TVaried> varied;
    for (const py::handle pair : vary) {
        const auto [name, values] = pair.cast<std::pair<std::string, py::list>>();
        TVaried v;
        v.Factor = FindFactor(name);
        if (v.Factor == nullptr) throw TUsageError("there is no factor '" + ForMessage(name) + "'");
        for (const py::handle value : values) v.Values.push_back(FactorValue(*v.Factor, value));
        varied.push_back(std::move(v));
    }
    return varied;
}

TDesign Design(const py::str& name) {
    const std::string text = name.cast<std::string>();
    if (const auto design = DesignNamed(Lowered(text))) return *design;
    throw TUsageError("design", "grid, lhs or sobol", text);
}

TSeedScheme SeedScheme(const py::str& name) {
    const std::string text = Lowered(name.cast<std::string>());
    if (text == "common") return TSeedScheme::Common;
    if (text == "independent") return TSeedScheme::Independent;
    throw TUsageError("seeds", "common or independent", name.cast<std::string>());
}

}  // namespace velmora::python
