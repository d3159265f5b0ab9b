#pragma once

#include <array>
#include <cstdint>

#include "indexed.h"
#include "random.h"

namespace velmora {

inline constexpr int TotalPositions = 1424;
inline constexpr int LevelCount = 8;

// Positions per level, levels 1 (bottom) to 8 (top); the row is the item
// index of the organisation-form choice. Each row sums to TotalPositions.
using TLevelSizes = TIndexed<std::int32_t, 1, LevelCount>;
inline constexpr std::array<TLevelSizes, 2> OrgFormSizes = {{
    {{{500, 350, 200, 150, 100, 74, 40, 10}}},     // "Pyramid"
    {{{178, 178, 178, 178, 178, 178, 178, 178}}},  // "Rectangle"
}};
inline constexpr int PyramidForm = 0;
inline constexpr int RectangleForm = 1;

// One position of the roster and the person who holds it.
struct TMember {
    std::int32_t Id = 0;  // 1..1424 initial staff, above that hired during the run; 0 when cleared
    bool Occupied = false;
    bool Female = false;     // a man's Score includes Bias
    double Score = 0.0;      // drawn once on entry, never changed
    std::uint8_t Level = 0;  // the level held, 1..8; 0 when cleared

    friend bool operator==(const TMember&, const TMember&) = default;
};

// The levers a researcher may move; the desktop program always uses the defaults.
struct TParameters {
    double DepartureProbability = 0.15;
    double WomanHireProbability = 0.5;
    // Score bonus of every man, by item index of the bias choice ("1%", "5%").
    std::array<double, 2> BiasChoices = {2.01, 4.58};
};

// How a level is put in score order. Both give the same roster in every case;
// Exchange is the plain exchange pass, Fast sorts and falls back to it on ties.
enum class TRanking { Fast, Exchange };

using TRoster = TIndexed<TMember, 1, TotalPositions>;

enum class TArrival : std::uint8_t { Stayed, Promoted, Hired };
template <typename T>
using TPerLevel = TIndexed<T, 1, LevelCount>;

// Everything a run reads and writes: roster, level table, run state and the
// random stream. One object per run, passed by reference to every step.
struct TOrganisation {
    TParameters Params;
    TRanking Ranking = TRanking::Fast;

    TRoster Staff;          // level 8 first, level 1 last
    TLevelSizes LevelSize;  // the level table in force
    double Bias = 0.0;
    std::int32_t NextId = 0;  // last id handed out
    std::int32_t Period = 0;
    bool Finished = false;

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
    TIndexed<TArrival, 1, TotalPositions> Arrived;
};

// First roster position of a level: 1 for level 8, then down by the sizes passed.
int LevelStart(const TOrganisation& org, int level) noexcept;
int LevelLast(const TOrganisation& org, int level) noexcept;

// Copies one row of OrgFormSizes into LevelSize, all eight values at once;
// an index other than 0 or 1 leaves LevelSize as it was.
void LoadForm(TOrganisation& org, int formIndex) noexcept;

}  // namespace velmora
