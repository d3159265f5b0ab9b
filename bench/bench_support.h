#pragma once

#include "model/parameters.h"
#include "model/shape.h"

namespace velmora::bench {

// The window's organisation forms, 0 Pyramid and 1 Rectangle.
inline const TShape& Shape(int form) { return form == 0 ? PyramidShape : RectangleShape; }

// The window's "5%" bias, every other factor at its default.
inline TParameters Params() {
    TParameters params;
    params.Bias = BiasChoices[1];
    return params;
}

// Every factor away from its default, to price the general rules.
inline TParameters GeneralParams() {
    TParameters params = Params();
    params.ScoreSdMen = 11.0;
    params.ScoreSdWomen = 9.0;
    params.TurnoverMen = 0.14;
    params.TurnoverWomen = 0.16;
    params.TurnoverSlope = 0.5;
    params.WomenHired = 0.45;
    params.BiasEnds = 20;
    params.WomenInitial = TParameters::Uniform(0.3);
    params.ExternalHires = 0.1;
    return params;
}

}  // namespace velmora::bench
