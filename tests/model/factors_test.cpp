#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "model/movement.h"
#include "model/random.h"
#include "model/run.h"
#include "model/staffing.h"
#include "test_support.h"

namespace velmora {
namespace {

// A three-level organisation of 2, 4 and 6 positions (top first), staffed
// from a seed with the given parameters.
std::unique_ptr<TOrganisation> Small(const TParameters& params, std::uint32_t seed = 7u) {
    TShape shape;
    shape.Levels = 3;
    shape.Sizes[1] = 6;
    shape.Sizes[2] = 4;
    shape.Sizes[3] = 2;
    auto org = std::make_unique<TOrganisation>();
    BeginRun(*org, seed, shape, params);
    return org;
}

TEST(Factors, ACustomShapeIsWalkedTopDownAndEndsWhenItsOwnStaffIsReplaced) {
    auto org = Small(TParameters{});
    EXPECT_EQ(org->Total, 12);
    for (const auto [level, first, last] : {std::array{3, 1, 2}, {2, 3, 6}, {1, 7, 12}}) {
        EXPECT_EQ(LevelStart(*org, level), first);
        EXPECT_EQ(LevelLast(*org, level), last);
        for (int p = first; p <= last; ++p) EXPECT_EQ(org->Staff[p].Level, level);
    }
    // The top vacancy takes the best of the level below, whose place goes to
    // the best of the bottom level; the bottom vacancy is hired for.
    const TMember second = org->Staff[3];
    const TMember third = org->Staff[7];
    org->Staff[1].Occupied = false;
    Promote(*org);
    EXPECT_EQ(org->Staff[1].Id, second.Id);
    EXPECT_EQ(org->Staff[3].Id, third.Id);
    EXPECT_FALSE(org->Staff[7].Occupied);

    auto run = Small(TParameters{});
    RunToEnd(*run, 100000, [](const TOrganisation& o) {
        EXPECT_EQ(o.Finished, o.ReplacedCount == 12);
        EXPECT_LE(o.ReplacedCount, 12);
    });
    EXPECT_TRUE(run->Finished);
    EXPECT_EQ(run->FinishedPeriod, run->Period);
}

TEST(Factors, InitialWomenFollowTheShareWithoutDraws) {
    // i-th person is a woman when floor(i p) > floor((i - 1) p).
    for (const auto& [share, pattern] : {std::pair{0.5, "mwmwmwmwmw"},
                                         {0.3, "mmmwmmwmmw"},
                                         {0.0, "mmmmmmmmmm"},
                                         {1.0, "wwwwwwwwww"}}) {
        std::string seen;
        for (int i = 1; i <= 10; ++i) seen += InitiallyFemale(i, share) ? 'w' : 'm';
        EXPECT_EQ(seen, pattern) << share;
    }
    TParameters params;
    params.WomenInitial[1] = 0.0;
    auto org = Small(params);
    auto half = Small(TParameters{});
    EXPECT_EQ(org->Random.GeneratorState, half->Random.GeneratorState);
    for (int p = 7; p <= 12; ++p) EXPECT_FALSE(org->Staff[p].Female);
}

TEST(Factors, TurnoverSlopeMovesTheThresholdOnTheLogitScale) {
    TParameters params;
    TMember low{1, true, false, 1, 40.0};
    TMember high{2, true, true, 1, 65.0};
    EXPECT_EQ(DepartureProbability(params, low), 0.15);  // exactly, at slope 0
    params.TurnoverWomen = 0.3;
    params.TurnoverSlope = 2.0;
    const auto logistic = [](double x) { return 1.0 / (1.0 + std::exp(-x)); };
    EXPECT_NEAR(DepartureProbability(params, low), logistic(std::log(0.15 / 0.85) + 2.0), 1e-15);
    EXPECT_NEAR(DepartureProbability(params, high), logistic(std::log(0.3 / 0.7) - 3.0), 1e-15);
    params.TurnoverMen = 1.0;  // certain stays certain
    EXPECT_EQ(DepartureProbability(params, low), 1.0);

    // One draw per position: the first person leaves exactly when the first
    // draw falls below their probability.
    TRandom replay;
    SeedWith(replay, 99u);
    const double u = NextUniform(replay);
    params = TParameters{};
    params.TurnoverSlope = 1.0;
    const double threshold = ScoreMean + 10.0 * (std::log(0.15 / 0.85) - std::log(u / (1 - u)));
    for (const auto& [score, leaves] :
         {std::pair{threshold - 0.01, true}, {threshold + 0.01, false}}) {
        auto org = Small(params);
        org->Staff[1].Score = score;
        SeedWith(org->Random, 99u);
        Departures(*org);
        EXPECT_EQ(org->Staff[1].Occupied, !leaves) << score;
        SeedWith(replay, 99u);
        for (int p = 1; p <= org->Total; ++p) NextUniform(replay);
        EXPECT_EQ(org->Random.GeneratorState, replay.GeneratorState);
    }
}

// A promotion to the top opens a vacancy on level 2, which takes a draw of its own.
TEST(Factors, ExternalHiresTakeOneDrawPerVacancyAboveTheBottom) {
    TRandom replay;
    SeedWith(replay, 5u);
    const double u = NextUniform(replay);
    for (const auto& [chance, promoted, draws] :
         {std::tuple{0.0, true, 0}, {u / 2, true, 2}, {std::nextafter(u, 1.0), false, 1}}) {
        TParameters params;
        params.ExternalHires = chance;
        auto org = Small(params);
        org->Rules = RulesFor(params);
        const TMember below = org->Staff[3];
        org->Staff[1].Occupied = false;
        SeedWith(org->Random, 5u);
        Promote(*org);
        EXPECT_EQ(org->Staff[1].Occupied, promoted) << chance;
        if (promoted) {
            EXPECT_EQ(org->Staff[1].Id, below.Id);
        }
        TRandom expected;
        SeedWith(expected, 5u);
        for (int d = 0; d < draws; ++d) NextUniform(expected);
        EXPECT_EQ(org->Random.GeneratorState, expected.GeneratorState) << chance;
    }
}

TEST(Factors, BiasEndsAtItsPeriodBeforeDepartures) {
    TParameters params;
    params.Bias = 30.0;
    params.BiasEnds = 2;
    params.TurnoverMen = params.TurnoverWomen = 1e-300;  // nobody leaves
    auto org = Small(params);
    org->Period = 1;
    MoveAndTally(*org);
    EXPECT_EQ(org->Bias, 30.0);
    const TRoster before = org->Staff;
    org->Period = 2;
    MoveAndTally(*org);
    EXPECT_EQ(org->Bias, 0.0);
    for (const TMember& m : before) {
        const auto now = std::find_if(org->Staff.begin(), org->Staff.end(),
                                      [&](const TMember& n) { return n.Id == m.Id; });
        EXPECT_EQ(now->Score, m.Female ? m.Score : m.Score - 30.0);
    }
    for (int level = 1; level <= 3; ++level) {
        for (int p = LevelStart(*org, level) + 1; p <= LevelLast(*org, level); ++p) {
            EXPECT_GE(org->Staff[p - 1].Score, org->Staff[p].Score);
        }
    }
}

TEST(Factors, GeneralRulesWithDefaultValuesGiveTheBaselineRoster) {
    testing::OnEveryVectorPath([&] {
        for (const int form : {PyramidForm, RectangleForm}) {
            auto baseline = std::make_unique<TOrganisation>();
            auto general = std::make_unique<TOrganisation>();
            testing::BeginFormRun(*baseline, 4242u + form, form, 1);
            testing::BeginFormRun(*general, 4242u + form, form, 1);
            ASSERT_EQ(baseline->Rules, TRules::OneRate);
            general->Rules = TRules::General;
            while (!baseline->Finished) {
                RunPeriod(*baseline);
                RunPeriod(*general);
                ASSERT_TRUE(baseline->Staff == general->Staff) << baseline->Period;
            }
            EXPECT_TRUE(general->Finished);
        }
    });
}

}  // namespace
}  // namespace velmora
