#pragma once

#include <array>
#include <cstdint>

#include "shape.h"

namespace velmora {

// Scores are drawn around this mean for both sexes; the bias is a difference
// of means on top of it.
inline constexpr double ScoreMean = 50.0;

// The score bonus of every man, by item index of the desktop program's bias
// choice: "1%" and "5%".
inline constexpr std::array<double, 2> BiasChoices = {2.01, 4.58};

// Every factor of a run. The defaults are the desktop program's model; the
// window only ever changes Bias.
struct TParameters {
    double Bias = 0.0;  // added to every man's score on entry
    double ScoreSdMen = 10.0;
    double ScoreSdWomen = 10.0;
    double TurnoverMen = 0.15;  // departure probability per position and period
    double TurnoverWomen = 0.15;
    // Ties turnover to performance: logit(p) = logit(turnover) - slope * (score - 50) / 10.
    double TurnoverSlope = 0.0;
    double WomenHired = 0.5;    // probability that a hire is a woman
    std::int32_t BiasEnds = 0;  // from the start of this period on, no bias; 0: never
    TPerLevel<double> WomenInitial = Uniform(0.5);  // initial share of women per level
    double ExternalHires = 0.0;  // chance that a vacancy above level 1 goes to an outside hire

    static constexpr TPerLevel<double> Uniform(double share) noexcept {
        TPerLevel<double> shares{};
        for (double& s : shares) s = share;
        return shares;
    }
    friend bool operator==(const TParameters&, const TParameters&) = default;
};

}  // namespace velmora
