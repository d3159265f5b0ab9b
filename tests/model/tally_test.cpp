#include <gtest/gtest.h>

#include <memory>

#include "model/movement.h"
#include "model/run.h"
#include "model/tally.h"
#include "test_support.h"

namespace velmora {
namespace {

TEST(Tally, CountsWomenAndAveragesScoresPerRecordedLevel) {
    auto org = testing::FullOrganisation(OrgFormSizes[RectangleForm]);
    org->Staff[1].Id = 5000;  // one person hired during the run
    Tally(*org);
    for (int k = 1; k <= LevelCount; ++k) {
        const int first = LevelStart(*org, k);
        double sum = 0.0;
        for (int p = first; p < first + 178; ++p) sum += 10000.0 - p;
        EXPECT_EQ(org->FemaleCount[k], 89);
        EXPECT_EQ(org->MeanScore[k], sum / 178.0);
    }
    EXPECT_EQ(org->ReplacedCount, 1);
    EXPECT_FALSE(org->Finished);
}

TEST(Tally, FinishesExactlyWhenEveryPositionIsHeldByAHire) {
    auto org = testing::FullOrganisation(OrgFormSizes[PyramidForm]);
    for (TMember& m : org->Staff) m.Id += TotalPositions;
    org->Staff[1424].Id = 1424;
    Tally(*org);
    EXPECT_EQ(org->ReplacedCount, 1423);
    EXPECT_FALSE(org->Finished);
    org->Staff[1424].Id = 2848;
    Tally(*org);
    EXPECT_EQ(org->ReplacedCount, 1424);
    EXPECT_TRUE(org->Finished);
    org->Staff[1424].Id = 1;  // nothing in the tally sets it back
    Tally(*org);
    EXPECT_TRUE(org->Finished);
}

// Counts the initial staff who leave in the next departures, replaying the
// same draws on a copy of the stream.
int InitialStaffLeavingNext(const TOrganisation& org, int* all) {
    TRandom replay = org.Random;
    int initial = 0;
    *all = 0;
    for (int p = 1; p <= TotalPositions; ++p) {
        if (NextUniform(replay) < org.Params.TurnoverMen) {
            ++*all;
            initial += org.Staff[p].Id <= TotalPositions;
        }
    }
    return initial;
}

TEST(Tally, ReplacedCountGrowsByTheInitialStaffWhoLeave) {
    for (const int form : {PyramidForm, RectangleForm}) {
        auto org = std::make_unique<TOrganisation>();
        testing::BeginFormRun(*org, 31337u + static_cast<unsigned>(form), form, 1);
        int departures = 0;
        int initialLeaving = InitialStaffLeavingNext(*org, &departures);
        RunPeriod(*org);
        // In the first period every departure ends as exactly one hire.
        EXPECT_EQ(org->ReplacedCount, departures);
        EXPECT_EQ(org->NextId - TotalPositions, departures);
        EXPECT_EQ(initialLeaving, departures);
        while (!org->Finished) {
            const int before = org->ReplacedCount;
            initialLeaving = InitialStaffLeavingNext(*org, &departures);
            RunPeriod(*org);
            ASSERT_EQ(org->ReplacedCount, before + initialLeaving) << "period " << org->Period;
        }
        EXPECT_EQ(org->ReplacedCount, TotalPositions);
    }
}

}  // namespace
}  // namespace velmora
