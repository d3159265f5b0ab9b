#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "indexed.h"
#include "parameters.h"
#include "random.h"
#include "shape.h"

namespace velmora {

// One position of the roster and the person who holds it.
struct TMember {
    std::int32_t Id = 0;  // 1..total initial staff, above that hired during the run; 0 when cleared
    bool Occupied = false;
    bool Female = false;     // a man's Score includes Bias
    std::uint8_t Level = 0;  // the level held, 1..Levels; 0 when cleared
    double Score = 0.0;      // drawn once on entry; changed only when a bias is removed

    friend bool operator==(const TMember&, const TMember&) = default;
};
static_assert(sizeof(TMember) == 16, "a record of 16 bytes: ranking copies thousands a period");
static_assert(offsetof(TMember, Occupied) == 4 && offsetof(TMember, Female) == 5 &&
                  offsetof(TMember, Score) == 8 && sizeof(bool) == 1,
              "vector code finds the flags in bytes 4 and 5, then the score");

// Which code plays a run's periods. Both give the same runs bit for bit.
// Reference: the plain code of every rule, one step after the other, that
// the fast code is checked against: departures one draw and one probability
// at a time (DeparturesReference), Promote, Hire with normal values drawn
// one by one, the exchange pass on every level (reordering), Tally. Fast:
// departures by the logistic grid, periods that merge each level in one go
// (RefillByMerging) and sort on their own, falling back to the exchange
// pass on ties, draws and logarithms in batches.
enum class TImplementation { Fast, Reference };

// Which of the fast departure rules a run uses. OneRate: one departure
// probability for everyone (the two turnovers equal, no slope) and no
// outside hires, for which the general rules reduce to a bound on each
// draw; both give the same roster then, and OneRate is the quicker.
enum class TRules { OneRate, General };

using TRoster = TIndexedVector<TMember>;

enum class TArrival : std::uint8_t { Stayed, Promoted, Hired };

// Working space of ranking and hiring, sized for the largest level or the
// whole roster when a run is set up.
struct TRankScratch {
    // Chains of records that ranking sorts and merges, two more for sentinels.
    std::vector<TMember> Stayed, Promoted, Hired, Newcomers, Sorted;
    std::vector<TMember> Held;                // every level's remaining people, with sentinels
    std::vector<std::uint32_t> BucketStarts;  // 1 + twice the largest level
    std::vector<std::uint32_t> BucketOf;      // each entry's bucket, eight more
    std::vector<double> Scores;               // each entry's score
    std::vector<std::uint32_t> BucketNext;    // where each bucket's next score goes
    std::vector<double> Keys;                 // the scores in bucket order
    std::vector<TMember> Records;
    std::vector<int> Vacancies;              // positions to fill, in roster order
    std::vector<std::uint8_t> LeftToHiring;  // per vacancy: 1 when left to an outside hire
    // The normal values and sexes of a period's hires, or the normal values
    // of a whole new staff, drawn in one batch: one per position at most.
    std::vector<double> EntrantZ;
    std::vector<std::uint8_t> EntrantFemale;
};

// Everything a run reads and writes: roster, level table, run state and the
// random stream. One object per run, passed by reference to every step.
// A new object holds the specified organisation's roster, empty.
struct TOrganisation {
    TOrganisation();

    TParameters Params;
    TImplementation Implementation = TImplementation::Fast;
    TRules Rules = TRules::OneRate;

    int Levels = LevelCount;              // levels in use, 1..Levels
    std::int32_t Total = TotalPositions;  // positions of the shape in force
    TRoster Staff;                        // top level first, level 1 last
    TRoster Next;                         // where a period's ranked levels are put together
    TLevelSizes LevelSize;                // the level table in force
    double Bias = 0.0;
    std::int32_t NextId = 0;  // last id handed out
    std::int32_t Period = 0;
    bool Finished = false;
    std::int32_t FinishedPeriod = 0;  // the period whose tally first found the run over

    TPerLevel<std::int32_t> FemaleCount;
    TPerLevel<double> MeanScore;
    std::int32_t ReplacedCount = 0;  // positions held by people hired during the run

    TPerLevel<std::int32_t> ScoreDotX;      // score marks of this period
    TPerLevel<std::int32_t> PrevScoreDotX;  // score marks on the screen

    TRandom Random;
    std::uint32_t Seed = 0;  // the seed this run started from

    // How each position was filled since its level was last ranked. A hint
    // that lets ranking merge the people who stayed (still in order), those
    // promoted (taken in order from below) and the few new hires, instead of
    // sorting the whole level. Ranking checks the hint and never relies on it.
    TIndexedVector<TArrival> Arrived;
    TRankScratch Scratch;
};

// First roster position of a level: 1 for the top level, then down by the sizes passed.
int LevelStart(const TOrganisation& org, int level) noexcept;
int LevelLast(const TOrganisation& org, int level) noexcept;

// Puts a shape in force: level table, position count, and every array that
// depends on them sized once, so that nothing is allocated during a run.
void SetShape(TOrganisation& org, const TShape& shape);

}  // namespace velmora
