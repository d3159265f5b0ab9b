#pragma once

#include <cstdint>
#include <optional>

#include "model/organisation.h"

namespace velmora::research {

// What every run of a batch shares: the organisation's shape and every
// research factor, and how long a run may go on.
struct TRunSettings {
    TShape Shape = PyramidShape;
    std::optional<int> Form = PyramidForm;  // the named form of Shape; empty for --levels
    TParameters Params = WindowDefaults();
    std::optional<int> BiasChoice =
        1;  // the window's bias item, 0 "1%" or 1 "5%"; empty for points
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
