#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "model/run.h"
#include "model/staffing.h"
#include "test_support.h"

namespace velmora {
namespace {

struct LevelRange {
    int level, first, last;
};

class StaffingByForm : public ::testing::TestWithParam<int> {};

TEST_P(StaffingByForm, LevelsHoldTheirRangesHalfWomenRankedWithBiasOnMen) {
    const int form = GetParam();
    auto org = std::make_unique<TOrganisation>();
    testing::BeginFormRun(*org, 2024u, form, 1);
    EXPECT_EQ(org->Bias, 4.58);
    EXPECT_EQ(org->NextId, TotalPositions);

    const std::vector<LevelRange> pyramid = {{8, 1, 10},    {7, 11, 50},   {6, 51, 124},
                                             {5, 125, 224}, {4, 225, 374}, {3, 375, 574},
                                             {2, 575, 924}, {1, 925, 1424}};
    const std::vector<LevelRange> rectangle = {{8, 1, 178},     {7, 179, 356},  {6, 357, 534},
                                               {5, 535, 712},   {4, 713, 890},  {3, 891, 1068},
                                               {2, 1069, 1246}, {1, 1247, 1424}};
    for (const LevelRange& r : form == PyramidForm ? pyramid : rectangle) {
        SCOPED_TRACE(r.level);
        EXPECT_EQ(LevelStart(*org, r.level), r.first);
        EXPECT_EQ(LevelLast(*org, r.level), r.last);
        int women = 0;
        std::vector<const TMember*> byId;
        for (int p = r.first; p <= r.last; ++p) {
            const TMember& m = org->Staff[p];
            ASSERT_TRUE(m.Occupied);
            ASSERT_EQ(m.Level, r.level);
            if (p > r.first) {
                ASSERT_GE(org->Staff[p - 1].Score, m.Score);
            }
            women += m.Female;
            byId.push_back(&m);
        }
        EXPECT_EQ(women * 2, r.last - r.first + 1);
        // Ids are the positions first given: the level's ids are its range,
        // and in id order the people alternate man, woman, man...
        std::sort(byId.begin(), byId.end(), [](auto a, auto b) { return a->Id < b->Id; });
        for (std::size_t i = 0; i < byId.size(); ++i) {
            ASSERT_EQ(byId[i]->Id, r.first + static_cast<int>(i));
            ASSERT_EQ(byId[i]->Female, i % 2 == 1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothForms, StaffingByForm, ::testing::Values(PyramidForm, RectangleForm));

TEST(Staffing, MenCarryTheBiasWomenDoNot) {
    // The same seed draws the same raw scores; only men's differ, by Bias.
    auto small = std::make_unique<TOrganisation>();
    auto large = std::make_unique<TOrganisation>();
    for (auto* org : {small.get(), large.get()}) org->Implementation = TImplementation::Reference;
    testing::BeginFormRun(*small, 5u, PyramidForm, 0);
    testing::BeginFormRun(*large, 5u, PyramidForm, 1);
    EXPECT_EQ(small->Bias, 2.01);
    std::vector<double> rawSmall(TotalPositions + 1), rawLarge(TotalPositions + 1);
    for (const TMember& m : small->Staff) rawSmall[m.Id] = m.Score - (m.Female ? 0.0 : 2.01);
    for (const TMember& m : large->Staff) {
        rawLarge[m.Id] = m.Score - (m.Female ? 0.0 : 4.58);
        const TMember* twin = std::find_if(small->Staff.begin(), small->Staff.end(),
                                           [&](const TMember& s) { return s.Id == m.Id; });
        ASSERT_EQ(twin->Female, m.Female);
        if (m.Female) {
            ASSERT_EQ(twin->Score, m.Score);
        }
    }
    for (int id = 1; id <= TotalPositions; ++id) ASSERT_NEAR(rawSmall[id], rawLarge[id], 1e-9);
}

TEST(Staffing, ASecondRunRewritesTheWholeRoster) {
    auto org = std::make_unique<TOrganisation>();
    testing::BeginFormRun(*org, 1u, PyramidForm, 1);
    RunToEnd(*org, 100000);
    ASSERT_GT(org->NextId, TotalPositions);
    testing::BeginFormRun(*org, 1u, RectangleForm, 0);
    auto fresh = std::make_unique<TOrganisation>();
    testing::BeginFormRun(*fresh, 1u, RectangleForm, 0);
    EXPECT_EQ(org->NextId, TotalPositions);
    EXPECT_TRUE(org->Staff == fresh->Staff);
    EXPECT_EQ(org->Period, 0);
    EXPECT_FALSE(org->Finished);
}

}  // namespace
}  // namespace velmora
