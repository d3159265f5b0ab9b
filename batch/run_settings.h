#pragma once

#include <cstdint>

#include "model/organisation.h"

namespace velmora::batch {

// What every run of a batch shares: the model's parameters and the choices
// that the window would hand to the start of a run.
struct TRunSettings {
    TParameters Params;
    TRanking Ranking = TRanking::Fast;
    int FormIndex = PyramidForm;
    int BiasIndex = 1;  // item of Params.BiasChoices: 0 "1%", 1 "5%"
    std::int32_t MaxPeriods = 100000;

    double BiasPoints() const noexcept {
        return Params.BiasChoices[static_cast<std::size_t>(BiasIndex)];
    }
};

}  // namespace velmora::batch
