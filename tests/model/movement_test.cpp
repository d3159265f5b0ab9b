#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "model/movement.h"
#include "model/random.h"
#include "model/run.h"
#include "test_support.h"

namespace velmora {
namespace {

using testing::FullOrganisation;

std::unique_ptr<TOrganisation> Pyramid() { return FullOrganisation(OrgFormSizes[PyramidForm]); }

void Vacate(TOrganisation& org, int from, int to) {
    for (int p = from; p <= to; ++p) org.Staff[p].Occupied = false;
}

bool LevelRanked(const TOrganisation& org, int level) {
    for (int p = LevelStart(org, level) + 1; p <= LevelLast(org, level); ++p) {
        if (org.Staff[p - 1].Score < org.Staff[p].Score) return false;
    }
    return true;
}

TEST(Departures, DrawOncePerPositionAndTouchOnlyOccupied) {
    testing::OnEveryVectorPath([&] {
        auto org = Pyramid();
        SeedWith(org->Random, 77u);
        const TRoster before = org->Staff;
        Departures(*org);
        TRandom expected{77u};
        int departed = 0;
        for (int p = 1; p <= TotalPositions; ++p) {
            const bool leaves = NextUniform(expected) < 0.15;
            TMember m = org->Staff[p];
            ASSERT_EQ(m.Occupied, !leaves);
            departed += leaves;
            m.Occupied = true;
            ASSERT_EQ(m, before[p]);
        }
        EXPECT_EQ(org->Random.GeneratorState, expected.GeneratorState);
        EXPECT_GT(departed, 150);
        EXPECT_LT(departed, 280);
    });
}

// Departures draw on eight lanes of the generator and, with a turnover slope,
// mostly settle by a grid of bounds, the rest by a rough exponential. Rosters
// of any length, with turnovers (women's up to a certain 1) and scores put
// right at the boundary of the draws to come, must still give exactly the
// reference rule, one draw and one probability at a time.
TEST(Departures, MatchOneDrawAtATimeForAnyLengthEvenAtTheBoundary) {
    testing::OnEveryVectorPath([&] {
        TRandom random{2026u};
        auto draw = [&random](int below) { return static_cast<int>(NextUniform(random) * below); };
        auto org = std::make_unique<TOrganisation>();
        for (int trial = 0; trial < 600; ++trial) {
            SCOPED_TRACE(trial);
            TShape shape{2, {}};
            shape.Sizes[1] = 1 + draw(30);
            shape.Sizes[2] = 1 + draw(30);
            SetShape(*org, shape);
            TParameters& params = org->Params;
            const bool sloped = trial % 2 == 1;
            const std::uint32_t seed =
                random.GeneratorState ^ 0x9e3779b9u;  // of the departures' draws
            TRandom ahead{seed};
            std::vector<double> u;
            for (int p = 1; p <= org->Total; ++p) u.push_back(NextUniform(ahead));
            const auto near = [&](double x) { return std::nextafter(x, draw(3) - 1.0 + x); };
            params.TurnoverMen = near(u[static_cast<std::size_t>(draw(org->Total))]);
            params.TurnoverWomen = sloped ? 0.1 + draw(10) / 10.0 : params.TurnoverMen;
            // Now and then the steepest slope allowed, far from the others' scale.
            params.TurnoverSlope = !sloped        ? 0.0
                                   : draw(6) == 0 ? (draw(2) - 0.5) * 200.0
                                                  : draw(7) - 3.0;
            org->Rules = RulesFor(params);
            for (int p = 1; p <= org->Total; ++p) {
                TMember& m = org->Staff[p];
                m = TMember{p, draw(5) > 0, draw(2) == 1, 1, 20.0 + draw(60)};
                const double logit = std::log(u[p - 1] / (1.0 - u[p - 1]));
                const double base = m.Female ? params.TurnoverWomen : params.TurnoverMen;
                if (sloped && params.TurnoverSlope != 0.0 && draw(3) == 0) {
                    // The score whose probability is this very draw, or one far out.
                    m.Score = draw(8) == 0
                                  ? 50.0 + (draw(2) - 0.5) * 2e5
                                  : near(50.0 + 10.0 * (std::log(base / (1.0 - base)) - logit) /
                                                    params.TurnoverSlope);
                }
            }
            auto expected = std::make_unique<TOrganisation>(*org);
            SeedWith(expected->Random, seed);
            DeparturesReference(*expected);
            SeedWith(org->Random, seed);
            Departures(*org);
            ASSERT_TRUE(org->Staff == expected->Staff);
            ASSERT_EQ(org->Random.GeneratorState, expected->Random.GeneratorState);
        }
    });
}

TEST(Period, WithoutDeparturesNobodyMovesButEveryLevelIsRankedAgain) {
    auto org = Pyramid();
    org->Params.TurnoverMen = org->Params.TurnoverWomen = 0.0;
    std::swap(org->Staff[400], org->Staff[401]);  // level 3 out of order
    ASSERT_FALSE(LevelRanked(*org, 3));
    Departures(*org);
    Promote(*org);
    Hire(*org);
    EXPECT_EQ(org->NextId, TotalPositions);
    EXPECT_TRUE(LevelRanked(*org, 3));
    for (int p = 1; p <= TotalPositions; ++p) ASSERT_EQ(org->Staff[p].Id, p);
}

TEST(Promote, AnEmptyLevelIsSkippedAndThePromotedRecordMoves) {
    auto org = Pyramid();
    Vacate(*org, 1, 1);    // top of level 8
    Vacate(*org, 11, 50);  // all of level 7
    const TMember best6 = org->Staff[51];
    const bool firstOfLevel1Female = org->Staff[925].Female;
    Promote(*org);
    EXPECT_EQ(org->Staff[1].Id, best6.Id);
    EXPECT_EQ(org->Staff[1].Score, best6.Score);
    EXPECT_EQ(org->Staff[1].Female, best6.Female);
    EXPECT_EQ(org->Staff[1].Level, 8);
    // Level 7's vacancies took the next people of level 6, in roster order.
    for (int p = 11; p <= 50; ++p) {
        ASSERT_EQ(org->Staff[p].Id, p + 41);
        ASSERT_EQ(org->Staff[p].Level, 7);
    }
    // The 41 vacancies travel down level by level; those they open on
    // level 1 stay cleared for hiring.
    const TMember& left = org->Staff[925];
    EXPECT_FALSE(left.Occupied);
    EXPECT_EQ(left.Id, 0);
    EXPECT_EQ(left.Level, 0);
    EXPECT_EQ(left.Score, 0.0);
    EXPECT_EQ(left.Female, firstOfLevel1Female);
    EXPECT_TRUE(org->Staff[966].Occupied);
}

TEST(Promote, TheHigherVacancyGetsTheBetterOfTwoAndHiringRanksTheLevel) {
    auto org = Pyramid();
    org->Staff[11].Score = 20000.0;  // level 7's best outranks all of level 8
    Vacate(*org, 2, 2);
    Vacate(*org, 5, 5);
    Promote(*org);
    EXPECT_EQ(org->Staff[2].Id, 11);
    EXPECT_EQ(org->Staff[5].Id, 12);
    EXPECT_FALSE(LevelRanked(*org, 8));
    Hire(*org);
    EXPECT_TRUE(LevelRanked(*org, 8));
    EXPECT_EQ(org->Staff[1].Id, 11);
}

TEST(Promote, VacanciesWithNobodyBelowFallThroughToHiring) {
    auto org = Pyramid();
    SeedWith(org->Random, 3u);
    Vacate(*org, 10, TotalPositions);
    Promote(*org);
    EXPECT_FALSE(org->Staff[10].Occupied);
    TRandom expected = org->Random;
    Hire(*org);
    // The first hire is the top vacancy: its score first, then its sex.
    const TMember* hired = nullptr;
    for (int p = 1; p <= 10; ++p) {
        if (org->Staff[p].Id == TotalPositions + 1) hired = &org->Staff[p];
    }
    ASSERT_NE(hired, nullptr);
    const double score = normal(expected, 50.0, 10.0);
    const bool female = NextUniform(expected) < 0.5;
    EXPECT_EQ(hired->Level, 8);
    EXPECT_EQ(hired->Female, female);
    EXPECT_EQ(hired->Score, female ? score : score + org->Bias);
    EXPECT_EQ(org->NextId, TotalPositions + (TotalPositions - 9));
    for (int p = 1; p <= TotalPositions; ++p) ASSERT_TRUE(org->Staff[p].Occupied);
}

TEST(Hire, FillsEachLevelWithItsOwnPeopleOnly) {
    auto org = Pyramid();
    SeedWith(org->Random, 11u);
    Vacate(*org, 50, 51);  // last of level 7, first of level 6
    Vacate(*org, 11, 12);
    Promote(*org);
    Hire(*org);
    for (int n = 1; n <= LevelCount; ++n) {
        for (int p = LevelStart(*org, n); p <= LevelLast(*org, n); ++p) {
            ASSERT_TRUE(org->Staff[p].Occupied);
            ASSERT_EQ(org->Staff[p].Level, n) << p;
        }
        ASSERT_TRUE(LevelRanked(*org, n));
    }
}

}  // namespace
}  // namespace velmora
