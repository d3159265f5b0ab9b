#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "model/keep_occupied.h"
#include "model/random.h"
#include "model/ranking.h"
#include "test_support.h"

namespace velmora {
namespace {

using testing::LevelOf;

// Scores (or "-" for vacant) and ids of level 8 in roster order.
std::string Describe(const TOrganisation& org) {
    std::string out;
    for (int p = 1; p <= org.LevelSize[8]; ++p) {
        const TMember& m = org.Staff[p];
        out += m.Occupied ? std::to_string(static_cast<int>(m.Score)) + "#" + std::to_string(m.Id)
                          : std::string("-");
        out += ' ';
    }
    return out;
}

struct Case {
    const char* name;
    std::vector<std::optional<double>> scores;
    const char* expected;
};

class Ranking : public ::testing::TestWithParam<TImplementation> {};

TEST_P(Ranking, GivesTheExchangeOrderOnTheKnownCases) {
    const std::vector<Case> cases = {
        {"vacancies stay in place",
         {50, std::nullopt, 70, 60, std::nullopt},
         "70#3 - 60#4 50#1 - "},
        {"equal scores are not exchanged", {5, 5}, "5#1 5#2 "},
        {"earlier exchanges reverse equal scores", {5, 5, 7}, "7#3 5#2 5#1 "},
        {"distinct scores fall in order", {1, 2, 3}, "3#3 2#2 1#1 "},
        {"one position", {3}, "3#1 "},
        {"only vacancies", {std::nullopt, std::nullopt}, "- - "},
        {"ties after a vacancy", {std::nullopt, 4, 4, 9, 4}, "- 9#4 4#3 4#2 4#5 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto org = LevelOf(c.scores);
        org->Implementation = GetParam();
        RankLevel(*org, 8);
        EXPECT_EQ(Describe(*org), c.expected);
    }
}

TEST_P(Ranking, LevelOfNoPositionsChangesNothing) {
    auto org = LevelOf({});
    org->Implementation = GetParam();
    org->Staff[1].Score = 3.0;
    const TRoster before = org->Staff;
    RankLevel(*org, 8);
    EXPECT_TRUE(org->Staff == before);
}

// Random levels with many equal scores, vacancies and arrival hints that
// may be wrong: the quick ranking must always land where the exchange pass does.
TEST(FastRanking, MatchesTheExchangePassOnRandomLevels) {
    testing::OnEveryVectorPath([&] {
        TRandom random{424242u};
        auto draw = [&random](int below) { return static_cast<int>(NextUniform(random) * below); };
        for (int trial = 0; trial < 3000; ++trial) {
            const int size = 1 + draw(60);
            const int distinctScores = 1 + draw(trial % 2 == 0 ? 5 : 1000);
            std::vector<std::optional<double>> scores;
            for (int i = 0; i < size; ++i) {
                if (draw(6) == 0) {
                    scores.push_back(std::nullopt);
                } else {
                    scores.push_back(static_cast<double>(draw(distinctScores)));
                }
            }
            auto fast = LevelOf(scores);
            for (int p = 1; p <= size; ++p) fast->Arrived[p] = static_cast<TArrival>(draw(3));
            auto exchange = LevelOf(scores);
            exchange->Implementation = TImplementation::Reference;
            RankLevel(*fast, 8);
            RankLevel(*exchange, 8);
            ASSERT_EQ(Describe(*fast), Describe(*exchange)) << "trial " << trial;
            for (int p = 1; p <= size; ++p) ASSERT_EQ(fast->Arrived[p], TArrival::Stayed);
        }
    });
}

// Full levels as hiring leaves them: those who stayed still in order, the
// newcomers anywhere among them. Scores are few and often equal, spread,
// bunched so that one bucket holds most, or so far apart that their range is
// no finite double: the quick ranking must land where the exchange pass does.
TEST(FastRanking, MatchesTheExchangePassOnLevelsAsHiringLeavesThem) {
    testing::OnEveryVectorPath([&] {
        TRandom random{8088u};
        auto draw = [&random](int below) { return static_cast<int>(NextUniform(random) * below); };
        for (int trial = 0; trial < 4000; ++trial) {
            const double spreads[] = {0.0, 100.0, 1e-9, 1e308};
            const double spread = spreads[trial % 4];
            auto score = [&] {
                if (spread == 0.0) return static_cast<double>(draw(6));
                if (spread == 1e308 && draw(2) == 0) return -spread * NextUniform(random);
                return (draw(8) == 0 ? 1.0 : 50.0) + spread * NextUniform(random);
            };
            const int size = 2 + draw(80);
            std::vector<bool> newcomer;
            std::vector<double> stayers;
            for (int i = 0; i < size; ++i) {
                newcomer.push_back(draw(3) == 0);
                if (!newcomer.back()) stayers.push_back(score());
            }
            std::sort(stayers.begin(), stayers.end(), std::greater<>());
            std::vector<std::optional<double>> scores;
            for (int i = 0, s = 0; i < size; ++i) {
                scores.push_back(newcomer[static_cast<std::size_t>(i)]
                                     ? score()
                                     : stayers[static_cast<std::size_t>(s++)]);
            }
            auto fast = LevelOf(scores);
            for (int p = 1; p <= size; ++p) {
                if (newcomer[static_cast<std::size_t>(p - 1)]) {
                    fast->Arrived[p] = draw(2) == 0 ? TArrival::Promoted : TArrival::Hired;
                }
            }
            auto exchange = LevelOf(scores);
            exchange->Implementation = TImplementation::Reference;
            RankLevel(*fast, 8);
            RankLevel(*exchange, 8);
            ASSERT_TRUE(fast->Staff == exchange->Staff) << "trial " << trial;
        }
    });
}

// Chains of every length up to 9 each, with scores that interleave at
// random. Distinct, the merge must hand every place exactly the entry a plain
// merge puts there, whatever the two halves and their odd middles come to.
// With ties (scores 0, 1 or 2) it must stay within its places and sentinels,
// and the scores it hands on must not strictly fall, so that the proof
// callers rely on turns it down.
TEST(MergeInOrder, PlacesEveryEntryAsAPlainMergeAndNeverProvesATie) {
    TRandom random{77u};
    for (const bool tied : {false, true}) {
        for (std::size_t aCount = 0; aCount <= 9; ++aCount) {
            for (std::size_t bCount = 0; bCount <= 9; ++bCount) {
                std::vector<TMember> all;
                for (std::int32_t i = 0; i < static_cast<std::int32_t>(aCount + bCount); ++i) {
                    const double u = NextUniform(random);
                    all.push_back({.Id = i, .Score = tied ? std::floor(u * 3.0) : u * 100.0});
                }
                // Sentinels on either side of each chain, as the merge needs.
                const auto chain = [&](std::size_t from, std::size_t count) {
                    std::vector<TMember> c(1);
                    c.insert(c.end(), all.begin() + static_cast<std::ptrdiff_t>(from),
                             all.begin() + static_cast<std::ptrdiff_t>(from + count));
                    std::sort(c.begin() + 1, c.end(),
                              [](auto x, auto y) { return x.Score > y.Score; });
                    c.emplace_back();
                    Bracket(c.data() + 1, count);
                    return c;
                };
                const std::vector<TMember> a = chain(0, aCount);
                const std::vector<TMember> b = chain(aCount, bCount);
                std::sort(all.begin(), all.end(), [](auto x, auto y) { return x.Score > y.Score; });
                std::vector<int> placed(all.size(), -1);
                std::vector<double> scores(all.size(), std::nan(""));
                MergeInOrder(a.data() + 1, aCount, b.data() + 1, bCount,
                             [&](std::size_t k, const TMember& record) {
                                 placed.at(k) = record.Id;
                                 scores.at(k) = record.Score;
                             });
                bool tie = false;
                bool falling = true;
                for (std::size_t k = 1; k < all.size(); ++k) {
                    tie |= all[k].Score == all[k - 1].Score;
                    falling &= scores[k] < scores[k - 1];
                }
                for (std::size_t k = 0; k < all.size() && !tie; ++k) {
                    ASSERT_EQ(placed[k], all[k].Id) << aCount << "+" << bCount << " at " << k;
                }
                EXPECT_FALSE(tie && falling) << aCount << "+" << bCount;
            }
        }
    }
}

// Any mix of ties, a NaN, a crowd too dense for buckets (the comparison sort),
// a range too wide for them, or spread scores: sorted falling when all are
// distinct, and the answer says whether they were.
TEST(SortDistinct, SortsAndTellsWhetherAnyTwoScoresWereEqual) {
    testing::OnEveryVectorPath([&] {
        TRandom random{5u};
        TOrganisation org;
        for (const int kind : {0, 1, 2, 3, 4}) {  // spread, tied, crowded, a NaN, overflowing
            for (std::size_t count = 0; count <= 40; ++count) {
                std::vector<TMember> records;
                for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i) {
                    const double u = NextUniform(random);
                    const double score = kind == 1            ? std::floor(u * 30.0)
                                         : kind == 2 && i > 0 ? 1.0 + u * 1e-9
                                         : kind == 4          ? (u - 0.5) * 3e300 * 1e8
                                                              : u * 100.0;
                    records.push_back({.Id = i, .Score = score});
                }
                if (kind == 3 && count > 0) records[count / 2].Score = std::nan("");
                std::vector<double> scores;
                for (const TMember& r : records) scores.push_back(r.Score);
                std::sort(scores.begin(), scores.end(), std::greater<>());
                const bool distinct =
                    kind != 3 && std::adjacent_find(scores.begin(), scores.end()) == scores.end();
                ASSERT_EQ(SortDistinct(records.data(), count, org.Scratch), distinct || count < 2)
                    << kind << " " << count;
                for (std::size_t k = 0; k < count && distinct; ++k) {
                    ASSERT_EQ(records[k].Score, scores[k]) << kind << " " << count << " at " << k;
                }
            }
        }
    });
}

// Up to four records past those kept may be overwritten, nothing further.
TEST(KeepOccupied, CopiesTheOccupiedInOrderAndWritesNoFurther) {
    testing::OnEveryVectorPath([&] {
        TRandom random{9u};
        for (int count = 0; count <= 21; ++count) {
            std::vector<TMember> from;
            std::vector<std::int32_t> wanted;
            for (std::int32_t i = 1; i <= count; ++i) {
                // The other flags and the level set at random: only Occupied counts.
                from.push_back({.Id = i,
                                .Occupied = NextUniform(random) < 0.6,
                                .Female = NextUniform(random) < 0.5,
                                .Level = static_cast<std::uint8_t>(i % 3),
                                .Score = i * 1.5});
                if (from.back().Occupied) wanted.push_back(i);
            }
            const TMember canary{.Id = -1};
            std::vector<TMember> to(static_cast<std::size_t>(count) + 8, canary);
            const int kept = KeepOccupied(from.data(), count, to.data());
            ASSERT_EQ(kept, static_cast<int>(wanted.size())) << count;
            for (int k = 0; k < kept; ++k) EXPECT_EQ(to[k].Id, wanted[k]) << count << " at " << k;
            for (std::size_t k = kept + 4; k < to.size(); ++k) EXPECT_EQ(to[k], canary) << count;
        }
    });
}

INSTANTIATE_TEST_SUITE_P(BothMethods, Ranking,
                         ::testing::Values(TImplementation::Fast, TImplementation::Reference));

}  // namespace
}  // namespace velmora
