#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/run.h"
#include "test_support.h"

namespace velmora {
namespace {

// Checks what must hold between periods: every position held, every level
// ranked, records on their own level, ids unique and given in order of entry.
void ExpectSound(const TOrganisation& org, std::int32_t previousNextId, std::vector<int>& seenAt) {
    for (int n = 1; n <= LevelCount; ++n) {
        for (int p = LevelStart(org, n); p <= LevelLast(org, n); ++p) {
            const TMember& m = org.Staff[p];
            ASSERT_TRUE(m.Occupied) << p;
            ASSERT_EQ(m.Level, n) << p;
            if (p > LevelStart(org, n)) {
                ASSERT_GE(org.Staff[p - 1].Score, m.Score) << p;
            }
            ASSERT_GE(m.Id, 1);
            ASSERT_LE(m.Id, org.NextId);
            // Someone first seen now must be a hire of this period.
            ASSERT_NE(seenAt[static_cast<std::size_t>(m.Id)], org.Period) << "id twice: " << m.Id;
            if (seenAt[static_cast<std::size_t>(m.Id)] < 0) {
                ASSERT_GT(m.Id, previousNextId) << "an id reappeared: " << m.Id;
            }
            seenAt[static_cast<std::size_t>(m.Id)] = org.Period;
        }
    }
}

struct Setting {
    int form;
    int bias;
};

class RunInvariants : public ::testing::TestWithParam<Setting> {};

TEST_P(RunInvariants, HoldAfterEveryPeriodOfManySeededRuns) {
    const Setting setting = GetParam();
    auto org = std::make_unique<TOrganisation>();
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        testing::BeginFormRun(*org, seed * 2654435761u, setting.form, setting.bias);
        std::vector<int> seenAt(200000, -1);
        ExpectSound(*org, 0, seenAt);
        std::int32_t replaced = 0;
        while (!org->Finished) {
            const std::int32_t previousNextId = org->NextId;
            RunPeriod(*org);
            ExpectSound(*org, previousNextId, seenAt);
            ASSERT_GE(org->ReplacedCount, replaced);
            ASSERT_EQ(org->Finished, org->ReplacedCount == TotalPositions);
            for (int k = 1; k <= LevelCount; ++k) ASSERT_LE(org->FemaleCount[k], org->LevelSize[k]);
            replaced = org->ReplacedCount;
            ASSERT_LT(org->Period, 1000);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FormsAndBiases, RunInvariants,
                         ::testing::Values(Setting{PyramidForm, 0}, Setting{PyramidForm, 1},
                                           Setting{RectangleForm, 0}, Setting{RectangleForm, 1}));

// A fingerprint of a whole seeded run: FNV-1a over every period's tally bits.
std::uint64_t Fingerprint(TOrganisation& org) {
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&hash](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    RunToEnd(org, 100000, [&](const TOrganisation& o) {
        mix(&o.Period, sizeof o.Period);
        mix(&o.ReplacedCount, sizeof o.ReplacedCount);
        mix(o.FemaleCount.begin(), LevelCount * sizeof o.FemaleCount[1]);
        mix(o.MeanScore.begin(), LevelCount * sizeof o.MeanScore[1]);
    });
    for (const TMember& m : org.Staff) {
        mix(&m.Id, sizeof m.Id);
        mix(&m.Female, sizeof m.Female);
        mix(&m.Score, sizeof m.Score);
        mix(&m.Level, sizeof m.Level);
    }
    return hash;
}

TEST(Reproducibility, ASeededRunIsTheSameOnEveryBuild) {
    testing::OnEveryVectorPath([&] {
        // Recorded once; Release, Debug and sanitizer builds must all agree.
        struct Golden {
            std::uint32_t seed;
            int form, bias;
            std::int32_t periods;
            std::uint64_t fingerprint;
        };
        const std::vector<Golden> goldens = {
            {20261208u, PyramidForm, 1, 42, 3371235652908593875ull},
            {4294967295u, RectangleForm, 0, 41, 8538377896873559959ull},
        };
        for (const Golden& g : goldens) {
            auto org = std::make_unique<TOrganisation>();
            testing::BeginFormRun(*org, g.seed, g.form, g.bias);
            const std::uint64_t fingerprint = Fingerprint(*org);
            EXPECT_EQ(org->Period, g.periods) << g.seed;
            EXPECT_EQ(fingerprint, g.fingerprint) << g.seed;
        }
    });
}

TEST(Reproducibility, FastAndExchangeRankingGiveTheSameRuns) {
    testing::OnEveryVectorPath([&] {
        for (std::uint32_t seed = 100; seed < 106; ++seed) {
            for (const int form : {PyramidForm, RectangleForm}) {
                auto fast = std::make_unique<TOrganisation>();
                auto exchange = std::make_unique<TOrganisation>();
                exchange->Implementation = TImplementation::Reference;
                testing::BeginFormRun(*fast, seed, form, 1);
                testing::BeginFormRun(*exchange, seed, form, 1);
                ASSERT_EQ(Fingerprint(*fast), Fingerprint(*exchange)) << seed << " " << form;
            }
        }
    });
}

// The quick period merges levels into a second roster; the plain one
// promotes, hires and runs the exchange pass. Their rosters must agree after
// every period, for settings that tie scores (a spread of 0), empty a level
// below its vacancies, leave hiring above the bottom or end the bias.
TEST(Reproducibility, QuickAndPlainPeriodsGiveTheSameRosters) {
    testing::OnEveryVectorPath([&] {
        struct Case {
            const char* name;
            TShape shape;
            TParameters params;
        };
        auto with = [](auto set) {
            TParameters params;
            params.Bias = BiasChoices[1];
            set(params);
            return params;
        };
        const TShape fourLevels{4, {{{2000, 1000, 500, 100}}}};
        const std::vector<Case> cases = {
            {"default", PyramidShape, with([](TParameters&) {})},
            {"women all 50", RectangleShape, with([](TParameters& p) { p.ScoreSdWomen = 0.0; })},
            {"everyone 50", PyramidShape, with([](TParameters& p) {
                 p.ScoreSdMen = p.ScoreSdWomen = 0.0;
                 p.Bias = 0.0;
             })},
            {"thin levels", TShape{4, {{{10, 300, 10, 300}}}}, with([](TParameters&) {})},
            {"three small levels", TShape{3, {{{3, 2, 1}}}}, with([](TParameters&) {})},
            {"all leave", RectangleShape,
             with([](TParameters& p) { p.TurnoverMen = p.TurnoverWomen = 1.0; })},
            {"outside hires", fourLevels, with([](TParameters& p) { p.ExternalHires = 0.3; })},
            {"bias ends", PyramidShape, with([](TParameters& p) {
                 p.BiasEnds = 5;
                 p.TurnoverSlope = 1.0;
             })},
            // Promotion to the top reaches through three short levels each period,
            // so those promoted come from four levels at once; outside hires make
            // the levels' scores overlap, and so the runs merged.
            {"through short levels", TShape{5, {{{300, 4, 4, 4, 300}}}},
             with([](TParameters& p) { p.ExternalHires = 0.3; })},
            {"through short levels, all 50", TShape{5, {{{300, 4, 4, 4, 300}}}},
             with([](TParameters& p) {
                 p.ScoreSdMen = p.ScoreSdWomen = 0.0;
                 p.Bias = 0.0;
             })},
            // Levels ending anywhere within the eight positions that departures,
            // the hires' sort and those who stay take at once, each sex at its
            // own turnover, with and without a slope.
            {"sixteen short levels",
             TShape{16, {{{16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}}}},
             with([](TParameters& p) {
                 p.TurnoverWomen = 0.3;
                 p.WomenHired = 0.7;
             })},
            {"levels about eight, sloped", TShape{6, {{{17, 16, 15, 9, 8, 7}}}},
             with([](TParameters& p) {
                 p.TurnoverWomen = 0.25;
                 p.TurnoverSlope = -1.5;
             })},
            // The largest the quick period takes: still far from overflow.
            {"huge spreads", PyramidShape, with([](TParameters& p) {
                 p.ScoreSdMen = p.ScoreSdWomen = p.Bias = 0.99e300;
                 p.BiasEnds = 3;
             })},
        };
        for (const Case& c : cases) {
            for (std::uint32_t seed = 1; seed <= 3; ++seed) {
                auto quick = std::make_unique<TOrganisation>();
                auto plain = std::make_unique<TOrganisation>();
                plain->Implementation = TImplementation::Reference;
                BeginRun(*quick, seed, c.shape, c.params);
                BeginRun(*plain, seed, c.shape, c.params);
                for (int period = 1; period <= 30; ++period) {
                    RunPeriod(*quick);
                    RunPeriod(*plain);
                    ASSERT_TRUE(quick->Staff == plain->Staff)
                        << c.name << " seed " << seed << " period " << period;
                    ASSERT_EQ(quick->Random.GeneratorState, plain->Random.GeneratorState) << c.name;
                }
            }
        }
    });
}

}  // namespace
}  // namespace velmora
