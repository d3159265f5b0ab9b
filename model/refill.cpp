#include "model/refill.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "model/draws.h"
#include "model/movement.h"
#include "model/random.h"
#include "model/ranking.h"
#include "model/staffing.h"

namespace velmora {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

// Where a level's people lie in the period, roster indices counted from 0.
struct TLevelPlan {
    int Start = 0;
    int Size = 0;
    int KeysFrom = 0;  // the keys of its people still there after departures
    int Held = 0;      // how many they are
    int Taken = 0;     // the best of them, promoted to the level above
    int Vacant = 0;    // positions to fill: those who left and those taken
};

// Merges a level's two chains, copying the records in that order into the
// new roster. False unless the scores strictly fall, which proves the merge.
bool MergeInto(const TMember* staff, const TRankEntry* a, std::size_t aCount, const TRankEntry* b,
               std::size_t bCount, int level, TMember* to) noexcept {
    const auto rank = static_cast<std::uint8_t>(level);
    MergeInOrder(a, aCount, b, bCount, [&](std::size_t k, int position) {
        to[k] = staff[position];
        to[k].Level = rank;
    });
    return StrictlyFalling(to, aCount + bCount);
}

// A level above the bottom as promotion leaves it, for the exchange pass:
// those who stay keep their positions, and each vacancy in roster order
// takes the next of those promoted from below.
void LayOut(const TMember* staff, const TLevelPlan& plan, const TRankEntry* promoted, int level,
            TMember* to) noexcept {
    int seen = 0;
    for (int i = 0; i < plan.Size; ++i) {
        const TMember& member = staff[plan.Start + i];
        const bool stays = member.Occupied && seen >= plan.Taken;
        seen += member.Occupied;
        to[i] = stays ? member : staff[(promoted++)->Position];
        to[i].Level = static_cast<std::uint8_t>(level);
    }
}

// Hires into the bottom level's vacancies in roster order, in place, with
// the draws Hire makes; returns their keys, false when one is not finite.
bool HireAtBottom(TOrganisation& org, const TLevelPlan& plan, TRankEntry* hired) noexcept {
    TMember* const staff = org.Staff.begin();
    int* const vacancies = org.Scratch.Vacancies.data();
    int count = 0;
    int seen = 0;
    for (int i = plan.Start; i < plan.Start + plan.Size; ++i) {
        const bool held = staff[i].Occupied;
        vacancies[count] = i;
        count += !held | (seen < plan.Taken);  // a coin toss, so no branch
        seen += held;
    }
    double* const z = org.Scratch.EntrantZ.data();
    std::uint8_t* const female = org.Scratch.EntrantFemale.data();
    DrawEntrants(org.Random, count, UniformBound(org.Params.WomenHired), z, female);
    bool finite = true;
    for (int k = 0; k < count; ++k) {
        TMember& member = staff[vacancies[k]];
        member.Id = ++org.NextId;
        member.Occupied = true;
        member.Level = 1;
        member.Female = female[k] != 0;
        member.Score = EntryScore(org, z[k], member.Female);
        finite &= IsFiniteScore(member.Score);
        hired[k] = {member.Score, vacancies[k]};
    }
    return finite;
}

}  // namespace

bool RefillByMerging(TOrganisation& org) {
    if (org.Ranking != TRanking::Fast || org.Params.ExternalHires != 0.0) return false;
    TMember* const staff = org.Staff.begin();
    TRankScratch& scratch = org.Scratch;
    TRankEntry* const keys = scratch.Held.data();
    TPerLevel<TLevelPlan> plan{};

    // The keys of each level's remaining people in roster order, which is
    // score order; the two free slots before each level's keys, and two at
    // the end, take sentinels.
    int key = 0;
    int index = 0;
    bool finite = true;
    for (int n = org.Levels; n >= 1; --n) {
        TLevelPlan& level = plan[n];
        key += 2;
        level.Start = index;
        level.Size = org.LevelSize[n];
        level.KeysFrom = key;
        for (const int end = index + level.Size; index < end; ++index) {
            const double score = staff[index].Score;
            finite &= IsFiniteScore(score);
            keys[key] = {score, index};
            key += staff[index].Occupied;
        }
        level.Held = key - level.KeysFrom;
    }
    if (!finite) return false;

    // Top down, a level's vacancies take the best of the level below; when
    // they would reach further down, the period is of another kind.
    for (int n = org.Levels; n >= 2; --n) {
        TLevelPlan& level = plan[n];
        level.Vacant = level.Size - level.Held + level.Taken;
        if (level.Vacant > plan[n - 1].Held) return false;
        plan[n - 1].Taken = level.Vacant;
    }
    plan[1].Vacant = plan[1].Size - plan[1].Held + plan[1].Taken;

    TMember* const next = org.Next.begin();
    TPerLevel<bool> tied{};
    for (int n = org.Levels; n >= 2; --n) {
        const TLevelPlan& level = plan[n];
        TRankEntry* const stayed = keys + level.KeysFrom + level.Taken;
        const int stayers = level.Held - level.Taken;
        TRankEntry* const promoted = keys + plan[n - 1].KeysFrom;
        const int arrivals = level.Vacant;
        // Before the stayers is a free slot or someone already promoted;
        // after them and before the promoted, free slots; after the promoted,
        // a key of the level below that is put back.
        const TRankEntry below = promoted[arrivals];
        stayed[-1] = promoted[-1] = {Infinity, 0};
        stayed[stayers] = promoted[arrivals] = {-Infinity, 0};
        TMember* const to = next + level.Start;
        const bool ranked = MergeInto(staff, stayed, static_cast<std::size_t>(stayers), promoted,
                                      static_cast<std::size_t>(arrivals), n, to);
        promoted[arrivals] = below;
        if (!ranked) {
            LayOut(staff, level, promoted, n, to);
            tied[n] = true;
        }
    }

    // The bottom level last: its hires take the places of those promoted.
    const TLevelPlan& bottom = plan[1];
    TRankEntry* const hired = scratch.Hired.data() + 1;
    const auto hires = static_cast<std::size_t>(bottom.Vacant);
    TMember* const to = next + bottom.Start;
    bool ranked = HireAtBottom(org, bottom, hired) && SortDistinct(hired, hires, scratch);
    if (ranked) {
        TRankEntry* const stayed = keys + bottom.KeysFrom + bottom.Taken;
        const auto stayers = static_cast<std::size_t>(bottom.Held - bottom.Taken);
        stayed[-1] = hired[-1] = {Infinity, 0};
        stayed[stayers] = hired[hires] = {-Infinity, 0};
        ranked = MergeInto(staff, stayed, stayers, hired, hires, 1, to);
    }
    if (!ranked) {
        std::copy_n(staff + bottom.Start, bottom.Size, to);  // as hiring left it
        tied[1] = true;
    }

    std::swap(org.Staff, org.Next);
    for (int n = org.Levels; n >= 1; --n) {
        if (tied[n]) reordering(org, static_cast<std::uint8_t>(n));
    }
    return true;
}

}  // namespace velmora
