#pragma once

#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

#include "model/organisation.h"

namespace velmora::research {

// What every run of a batch shares: the organisation's shape and every
// research factor, and how long a run may go on.
// The implementations by name, as the command line and the files give them.
inline constexpr std::string_view ImplementationNames[] = {"fast", "reference"};
inline std::string_view ImplementationName(TImplementation implementation) noexcept {
    return ImplementationNames[static_cast<std::size_t>(implementation)];
}
inline std::optional<TImplementation> ImplementationNamed(std::string_view name) noexcept {
    for (std::size_t i = 0; i < std::size(ImplementationNames); ++i) {
        if (ImplementationNames[i] == name) return static_cast<TImplementation>(i);
    }
    return std::nullopt;
}

struct TRunSettings {
    TShape Shape = PyramidShape;
    std::optional<int> Form = PyramidForm;  // the named form of Shape; empty for --levels
    TParameters Params = WindowDefaults();
    std::optional<int> BiasChoice =
        1;  // the window's bias item, 0 "1%" or 1 "5%"; empty for points
    // Not a factor: both give the same bits; the reference plays every rule
    // by its plain code, to check the fast one against.
    TImplementation Implementation = TImplementation::Fast;
    std::int32_t MaxPeriods = 100000;
    std::optional<std::int32_t> Periods;  // run exactly this many periods
    int WomenInitialGiven = 0;            // initial shares given one per level; 0: one for all

    // The window's "5%" bias with every other factor at its default.
    static TParameters WindowDefaults() noexcept {
        TParameters params;
        params.Bias = BiasChoices[1];
        return params;
    }
    // The periods a run may last: exactly Periods if given, else up to MaxPeriods.
    std::int32_t PeriodLimit() const noexcept { return Periods ? *Periods : MaxPeriods; }
};

}  // namespace velmora::research
