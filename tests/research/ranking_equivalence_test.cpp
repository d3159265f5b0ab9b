// The fast ranking must give exactly the roster of the exchange pass, ties
// included, in every period of whole seeded runs.
#include <gtest/gtest.h>

#include <memory>

#include "model/run.h"

namespace velmora {
namespace {

#ifdef NDEBUG
constexpr std::uint32_t SeedsPerCase = 60;
#else
constexpr std::uint32_t SeedsPerCase = 6;  // sanitizer builds are far slower
#endif

struct TEquivalenceCase {
    const char* Name;
    int Form;
    TParameters Params;
    std::int32_t MaxPeriods;
};

TParameters With(double departure, double women, double bias) {
    TParameters params;
    params.TurnoverMen = params.TurnoverWomen = departure;
    params.WomenHired = women;
    params.Bias = bias;
    return params;
}

// Every research factor away from its default.
TParameters General() {
    TParameters params = With(0.12, 0.4, 3.0);
    params.ScoreSdMen = 12.0;
    params.ScoreSdWomen = 8.0;
    params.TurnoverWomen = 0.2;
    params.TurnoverSlope = 1.5;
    params.BiasEnds = 15;
    params.WomenInitial = TParameters::Uniform(0.3);
    params.ExternalHires = 0.2;
    return params;
}

// A huge bias coarsens the men's scores to the spacing of doubles near it:
// 2^40 gives a tie now and then, 2^46 in most levels, and 1e17 rounds nearly
// every man to the same few values.
const TEquivalenceCase Cases[] = {
    {"PyramidOnePercent", PyramidForm, With(0.15, 0.5, 2.01), 100000},
    {"PyramidFivePercent", PyramidForm, With(0.15, 0.5, 4.58), 100000},
    {"RectangleOnePercent", RectangleForm, With(0.15, 0.5, 2.01), 100000},
    {"RectangleFivePercent", RectangleForm, With(0.15, 0.5, 4.58), 100000},
    {"EveryFactor", PyramidForm, General(), 80},
    {"EveryoneLeaves", PyramidForm, With(1.0, 0.5, 4.58), 100000},
    {"SlowTurnover", RectangleForm, With(0.01, 0.5, 4.58), 60},
    {"OnlyMenHired", PyramidForm, With(0.15, 0.0, 4.58), 100000},
    {"OnlyWomenHired", RectangleForm, With(0.3, 1.0, 4.58), 100000},
    {"NoBias", PyramidForm, With(0.15, 0.5, 0.0), 100000},
    {"MenRarelyTied", PyramidForm, With(0.15, 0.5, 1099511627776.0), 100000},
    {"MenOftenTied", RectangleForm, With(0.15, 0.5, 70368744177664.0), 100000},
    {"MenAllTiedHigh", PyramidForm, With(0.15, 0.5, 1e17), 100000},
    {"MenAllTiedLow", RectangleForm, With(0.15, 0.5, -1e17), 100000},
};

class RankingEquivalence : public ::testing::TestWithParam<TEquivalenceCase> {};

TEST_P(RankingEquivalence, FastGivesTheExchangeRosterInEveryPeriod) {
    const TEquivalenceCase& c = GetParam();
    auto fast = std::make_unique<TOrganisation>();
    auto exchange = std::make_unique<TOrganisation>();
    fast->Implementation = TImplementation::Fast;
    exchange->Implementation = TImplementation::Reference;
    for (std::uint32_t i = 0; i < SeedsPerCase; ++i) {
        const std::uint32_t seed = i * 2654435761u + 12345u;
        SCOPED_TRACE(seed);
        const TShape& shape = c.Form == PyramidForm ? PyramidShape : RectangleShape;
        BeginRun(*fast, seed, shape, c.Params);
        BeginRun(*exchange, seed, shape, c.Params);
        ASSERT_TRUE(fast->Staff == exchange->Staff) << "after staffing";
        while (!exchange->Finished && exchange->Period < c.MaxPeriods) {
            RunPeriod(*fast);
            RunPeriod(*exchange);
            ASSERT_TRUE(fast->Staff == exchange->Staff) << "period " << exchange->Period;
            ASSERT_EQ(fast->FemaleCount, exchange->FemaleCount);
            ASSERT_EQ(fast->MeanScore, exchange->MeanScore);
            ASSERT_EQ(fast->Finished, exchange->Finished);
            ASSERT_EQ(fast->Random.GeneratorState, exchange->Random.GeneratorState);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(WholeRuns, RankingEquivalence, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace velmora
