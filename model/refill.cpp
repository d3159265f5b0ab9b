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
    int KeysFrom = 0;     // the keys of its people still there after departures
    int Held = 0;         // how many they are
    int Taken = 0;        // the best of them, promoted to the level above
    int Vacant = 0;       // positions to fill: those who left and those taken
    int Promoted = 0;     // vacancies filled from the level below
    int Hires = 0;        // and those left to hiring
    int ListedFrom = -1;  // where its vacancies were listed, once they are
};

// A level's vacancies in roster order: the positions of those who left and
// of the best Taken, promoted.
int ListVacancies(const TMember* staff, const TLevelPlan& plan, int* vacancies) noexcept {
    int count = 0;
    int seen = 0;
    for (int i = plan.Start; i < plan.Start + plan.Size; ++i) {
        const bool held = staff[i].Occupied;
        vacancies[count] = i;
        count += !held | (seen < plan.Taken);  // a coin toss, so no branch
        seen += held;
    }
    return count;
}

// Hires into a level's vacancies in roster order, in place, with the draws
// Hire makes: all of them, or those `left` marks as left to hiring. Sets
// their keys; false when a score is not finite.
bool HireInto(TOrganisation& org, const int* vacancies, const std::uint8_t* left, int count,
              int hires, int level, TRankEntry* hired) noexcept {
    double* const z = org.Scratch.EntrantZ.data();
    std::uint8_t* const female = org.Scratch.EntrantFemale.data();
    DrawEntrants(org.Random, hires, UniformBound(org.Params.WomenHired), z, female);
    TMember* const staff = org.Staff.begin();
    bool finite = true;
    for (int k = 0, j = 0; k < count; ++k) {
        if (left != nullptr && left[k] == 0) continue;
        TMember& member = staff[vacancies[k]];
        member.Id = ++org.NextId;
        member.Occupied = true;
        member.Level = static_cast<std::uint8_t>(level);
        member.Female = female[j] != 0;
        member.Score = EntryScore(org, z[j], member.Female);
        finite &= IsFiniteScore(member.Score);
        hired[j++] = {member.Score, vacancies[k]};
    }
    return finite;
}

// A level as promotion and hiring leave it, for the exchange pass: those who
// stay keep their positions, hires are in theirs already, and every other
// vacancy in roster order takes the next of those promoted from below.
void LayOut(TOrganisation& org, const TLevelPlan& level, int n, const TRankEntry* promoted,
            TMember* to) noexcept {
    const TMember* const staff = org.Staff.begin();
    std::copy_n(staff + level.Start, level.Size, to);
    if (level.Promoted > 0) {
        int* vacancies = org.Scratch.Vacancies.data();
        const std::uint8_t* left = nullptr;
        if (level.ListedFrom >= 0) {
            vacancies += level.ListedFrom;
            left = org.Scratch.LeftToHiring.data() + level.ListedFrom;
        } else {
            ListVacancies(staff, level, vacancies);  // nothing else listed then
        }
        for (int k = 0; k < level.Vacant; ++k) {
            if (left == nullptr || left[k] == 0)
                to[vacancies[k] - level.Start] = staff[(promoted++)->Position];
        }
    }
    for (int i = 0; i < level.Size; ++i) to[i].Level = static_cast<std::uint8_t>(n);
}

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

}  // namespace

bool RefillByMerging(TOrganisation& org) {
    if (org.Ranking != TRanking::Fast) return false;
    TMember* const staff = org.Staff.begin();
    TRankScratch& scratch = org.Scratch;
    TRankEntry* const keys = scratch.Held.data();
    int* const vacancies = scratch.Vacancies.data();
    std::uint8_t* const left = scratch.LeftToHiring.data();
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

    // Top down, a level's vacancies take the best of the level below, those
    // left to outside hiring apart, each by its own draw as Promote makes it.
    // When they would reach further down, the period is of another kind and
    // the draws are taken back.
    const double external = org.Params.ExternalHires;
    const TRandom before = org.Random;
    int listed = 0;
    for (int n = org.Levels; n >= 1; --n) {
        TLevelPlan& level = plan[n];
        level.Vacant = level.Size - level.Held + level.Taken;
        if (n == 1) {
            level.Hires = level.Vacant;
            break;
        }
        level.Promoted = level.Vacant;
        if (external > 0.0) {
            level.ListedFrom = listed;
            ListVacancies(staff, level, vacancies + listed);
            for (int k = 0; k < level.Vacant; ++k, ++listed) {
                left[listed] = NextUniform(org.Random) < external;
                level.Promoted -= left[listed];
            }
            level.Hires = level.Vacant - level.Promoted;
        }
        if (level.Promoted > plan[n - 1].Held) {
            org.Random = before;
            return false;
        }
        plan[n - 1].Taken = level.Promoted;
    }

    TMember* const next = org.Next.begin();
    TRankEntry* const hired = scratch.Hired.data() + 1;
    TRankEntry* const arrivals = scratch.Newcomers.data() + 1;
    TPerLevel<bool> tied{};
    for (int n = org.Levels; n >= 1; --n) {
        TLevelPlan& level = plan[n];
        // The bottom level's vacancies are listed only now that those
        // promoted from it have gone; hires take all of them.
        const std::uint8_t* leftHere = nullptr;
        if (n == 1) {
            level.ListedFrom = listed;
            ListVacancies(staff, level, vacancies + listed);
        } else if (level.ListedFrom >= 0) {
            leftHere = left + level.ListedFrom;
        }
        const auto hires = static_cast<std::size_t>(level.Hires);
        bool ranked = hires == 0 || (HireInto(org, vacancies + level.ListedFrom, leftHere,
                                              level.Vacant, level.Hires, n, hired) &&
                                     SortDistinct(hired, hires, scratch));
        hired[-1] = {Infinity, 0};
        hired[hires] = {-Infinity, 0};

        // Before the stayers is a free slot or someone already promoted;
        // after them and before the promoted, free slots; after the promoted,
        // a key of the level below that is put back.
        TRankEntry* const stayed = keys + level.KeysFrom + level.Taken;
        const auto stayers = static_cast<std::size_t>(level.Held - level.Taken);
        stayed[-1] = {Infinity, 0};
        stayed[stayers] = {-Infinity, 0};
        TRankEntry* const promoted = n > 1 ? keys + plan[n - 1].KeysFrom : nullptr;
        const auto promotions = static_cast<std::size_t>(level.Promoted);
        TRankEntry below{};
        if (promoted != nullptr) {
            below = promoted[promotions];
            promoted[-1] = {Infinity, 0};
            promoted[promotions] = {-Infinity, 0};
        }

        // Both kinds of newcomer only with outside hires: merged first.
        const TRankEntry* newcomers = promotions > 0 ? promoted : hired;
        if (hires > 0 && promotions > 0) {
            MergeInOrder(promoted, promotions, hired, hires, [&](std::size_t k, int position) {
                arrivals[k] = {staff[position].Score, position};
            });
            arrivals[-1] = {Infinity, 0};
            arrivals[promotions + hires] = {-Infinity, 0};
            newcomers = arrivals;
        }
        TMember* const to = next + level.Start;
        ranked = ranked && MergeInto(staff, stayed, stayers, newcomers, promotions + hires, n, to);
        if (promoted != nullptr) promoted[promotions] = below;
        if (!ranked) {
            LayOut(org, level, n, promoted, to);
            tied[n] = true;
        }
    }

    std::swap(org.Staff, org.Next);
    for (int n = org.Levels; n >= 1; --n) {
        if (tied[n]) reordering(org, static_cast<std::uint8_t>(n));
    }
    return true;
}

}  // namespace velmora
