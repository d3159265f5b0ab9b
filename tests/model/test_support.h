#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "model/organisation.h"
#include "model/run.h"
#include "model/vector_clones.h"

namespace velmora::testing {

// Runs body on each path of the processor's vectors, so that one process
// holds each against the same plain code: the 512-bit paths where the
// processor has them, then the portable ones, as on other processors.
// Leaves the 512-bit paths in use where there are any.
template <typename Body>
void OnEveryVectorPath(Body body) {
    for (const bool wide : {true, false}) {
        if (UseWideVectors(wide) != wide) continue;  // no 512-bit vectors here
        SCOPED_TRACE(wide ? "512-bit paths" : "portable paths");
        body();
    }
    UseWideVectors(true);
}

// Begins a run as the window would with the given form and bias items.
inline void BeginFormRun(TOrganisation& org, std::uint32_t seed, int form, int biasIndex) {
    TParameters params;
    params.Bias = BiasChoices[static_cast<std::size_t>(biasIndex)];
    BeginRun(org, seed, form == PyramidForm ? PyramidShape : RectangleShape, params);
}

// An organisation with only level 8 in use, holding the given scores in
// roster order; an empty optional is a vacant position.
inline std::unique_ptr<TOrganisation> LevelOf(const std::vector<std::optional<double>>& scores) {
    auto org = std::make_unique<TOrganisation>();
    org->LevelSize[8] = static_cast<std::int32_t>(scores.size());
    int p = 1;
    for (const auto& score : scores) {
        TMember& m = org->Staff[p];
        m.Id = p;
        m.Level = 8;
        m.Occupied = score.has_value();
        m.Score = score.value_or(-1.0);
        ++p;
    }
    return org;
}

// Fills every position of the given level table with a person of a
// distinct score that falls with the position, so every level is ranked.
inline std::unique_ptr<TOrganisation> FullOrganisation(const TLevelSizes& sizes) {
    auto org = std::make_unique<TOrganisation>();
    org->LevelSize = sizes;
    int p = 1;
    for (int n = org->Levels; n >= 1; --n) {
        for (int i = 0; i < sizes[n]; ++i, ++p) {
            TMember& m = org->Staff[p];
            m = TMember{p, true, p % 2 == 0, static_cast<std::uint8_t>(n), 10000.0 - p};
        }
    }
    org->NextId = p - 1;
    return org;
}

}  // namespace velmora::testing
