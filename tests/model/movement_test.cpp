#include <gtest/gtest.h>

#include <memory>

#include "model/movement.h"
#include "model/random.h"
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
