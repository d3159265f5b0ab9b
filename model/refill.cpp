#include "model/refill.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "model/draws.h"
#include "model/keep_occupied.h"
#include "model/movement.h"
#include "model/random.h"
#include "model/ranking.h"
#include "model/staffing.h"
#include "model/tally.h"

namespace velmora {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

// Where a level's people lie in the period, roster indices counted from 0.
struct TLevelPlan {
    int Start = 0;
    int Size = 0;
    int HeldFrom = 0;      // where its people still there after departures lie among the held
    int Held = 0;          // how many they are
    int Taken = 0;         // the best of them, promoted to levels above
    int Vacant = 0;        // positions to fill: those who left and those taken
    int Promoted = 0;      // vacancies filled from below, in the order promotion takes them:
    int FromLevel = 0;     // from this level's held
    int FromNext = 0;      // this one on, then down through the levels below
    bool OneLevel = true;  // all from one level, so already in order
    int Hires = 0;         // vacancies left to hiring
    int MarkedFrom = -1;   // where its vacancies' marks lie, once marked (1: left to hiring)
    std::int32_t HiredAfter = 0;  // the id before its hires', which follow in the order drawn
};

// Where promotion has got to: the next person it takes is Next of level
// Level's held, further down when that level has no one left.
struct TCursor {
    int Level;
    int Next = 0;
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

// Whether every score the run can hold is finite, as merging needs: each is
// 50 + spread * z, plus the bias for a man until it ends, where |z| never
// exceeds 9.3 (the polar method's largest from draws that are multiples of
// 2^-31), so spreads and a bias below 1e300 in size keep far from overflow.
bool ScoresFinite(const TParameters& params) noexcept {
    const auto modest = [](double x) { return std::fabs(x) < 1e300; };  // false for a NaN
    return modest(params.ScoreSdMen) && modest(params.ScoreSdWomen) && modest(params.Bias);
}

// A level's hires from the period's draws z and female, in the order drawn.
void HireInto(TOrganisation& org, int level, int count, const double* z, const std::uint8_t* female,
              TMember* hired) noexcept {
    TNewcomers newcomers(org);
    for (int j = 0; j < count; ++j) hired[j] = newcomers.Next(level, z[j], female[j] != 0);
    newcomers.Done(org);
}

// A level as promotion and hiring leave it, for the exchange pass: those who
// stay keep their positions, and its vacancies in roster order take the next
// of those promoted, in the order promotion took them from among the held,
// or the next hire in the order drawn, as their marks say.
void LayOut(TOrganisation& org, const TPerLevel<TLevelPlan>& plan, int n, const TMember* hired,
            TMember* to) noexcept {
    const TLevelPlan& level = plan[n];
    const TMember* const staff = org.Staff.begin();
    const TMember* const held = org.Scratch.Held.data();
    std::copy_n(staff + level.Start, level.Size, to);
    int* const vacancies = org.Scratch.Vacancies.data();
    const int vacant = ListVacancies(staff, level, vacancies);
    const std::uint8_t* const left =
        level.MarkedFrom >= 0 ? org.Scratch.LeftToHiring.data() + level.MarkedFrom : nullptr;
    // Unmarked, a level's vacancies are all hired (level 1) or all promoted.
    int hiring = 0;
    TCursor from{level.FromLevel, level.FromNext};
    for (int k = 0; k < vacant; ++k) {
        if (left != nullptr ? left[k] != 0 : level.Hires > 0) {
            vacancies[hiring++] = vacancies[k];  // the vacancy of the next hire drawn
        } else {
            while (from.Next == plan[from.Level].Held) from = {from.Level - 1};
            to[vacancies[k] - level.Start] = held[plan[from.Level].HeldFrom + from.Next++];
        }
    }
    // Sorting may have moved the hires: their ids give the order drawn.
    for (int j = 0; j < level.Hires; ++j) {
        to[vacancies[hired[j].Id - level.HiredAfter - 1] - level.Start] = hired[j];
    }
    for (int i = 0; i < level.Size; ++i) to[i].Level = static_cast<std::uint8_t>(n);
}

// Merges a level's two chains into the new roster, and tallies them. False
// unless the scores strictly fall, which proves the merge.
bool MergeInto(const TMember* a, std::size_t aCount, const TMember* b, std::size_t bCount,
               int level, std::int32_t total, TMember* to, TLevelTally& tally) noexcept {
    const auto rank = static_cast<std::uint8_t>(level);
    MergeInOrder(a, aCount, b, bCount, [&](std::size_t k, const TMember& record) {
        to[k] = record;
        to[k].Level = rank;
    });
    bool falling = true;
    double previous = Infinity;
    for (std::size_t k = 0; k < aCount + bCount; ++k) {
        falling &= to[k].Score < previous;
        previous = to[k].Score;
        tally.Add(to[k], total);
    }
    return falling;
}

// The records of each level's people still there after departures, in
// roster order, which is score order; the two free slots before each level's
// and two at the end take sentinels.
void CollectHeld(TOrganisation& org, TPerLevel<TLevelPlan>& plan) noexcept {
    const TMember* const staff = org.Staff.begin();
    TMember* const held = org.Scratch.Held.data();
    int next = 0;
    int index = 0;
    for (int n = org.Levels; n >= 1; --n) {
        TLevelPlan& level = plan[n];
        next += 2;
        level.Start = index;
        level.Size = org.LevelSize[n];
        level.HeldFrom = next;
        level.Held = KeepOccupied(staff + index, level.Size, held + next);
        next += level.Held;
        index += level.Size;
    }
}

// Top down, each vacancy takes the next person promotion reaches below,
// unless its own draw leaves it to an outside hire, as Promote does; once no
// one is left below, the rest are hired too. Levels whose vacancies are not
// all promoted get them marked, 1 for those left to hiring.
void PlanPromotions(TOrganisation& org, TPerLevel<TLevelPlan>& plan) noexcept {
    std::uint8_t* const left = org.Scratch.LeftToHiring.data();
    const double external = org.Params.ExternalHires;
    const std::uint64_t bound = UniformBound(external);  // as NextUniform < external
    TCursor cursor{org.Levels};
    int marked = 0;
    for (int n = org.Levels; n >= 1; --n) {
        TLevelPlan& level = plan[n];
        level.Taken = cursor.Level > n ? 0 : cursor.Level == n ? cursor.Next : level.Held;
        level.Vacant = level.Size - level.Held + level.Taken;
        if (n == 1) {
            level.Hires = level.Vacant;
            break;
        }
        if (cursor.Level >= n) cursor = {n - 1};
        while (cursor.Level >= 1 && cursor.Next == plan[cursor.Level].Held) {
            cursor = {cursor.Level - 1};
        }
        int wanted = level.Vacant;
        if (external > 0.0) {
            level.MarkedFrom = marked;
            wanted -= DrawBelow(org.Random, level.Vacant, bound, left + marked);
        }
        level.FromLevel = cursor.Level;
        level.FromNext = cursor.Next;
        while (level.Promoted < wanted && cursor.Level >= 1) {
            const int more =
                std::min(wanted - level.Promoted, plan[cursor.Level].Held - cursor.Next);
            level.OneLevel = level.Promoted == 0;
            level.Promoted += more;
            cursor.Next += more;
            while (cursor.Level >= 1 && cursor.Next == plan[cursor.Level].Held) {
                cursor = {cursor.Level - 1};
            }
        }
        level.Hires = level.Vacant - level.Promoted;
        if (level.Promoted < wanted) {
            // No one left below: the last of the vacancies promotion wanted are hired.
            if (level.MarkedFrom < 0) {
                level.MarkedFrom = marked;
                std::fill_n(left + marked, level.Vacant, std::uint8_t{0});
            }
            for (int k = 0, seen = 0; k < level.Vacant; ++k) {
                std::uint8_t& mark = left[marked + k];
                if (mark == 0 && seen++ >= level.Promoted) mark = 1;
            }
        }
        if (level.MarkedFrom >= 0) marked += level.Vacant;
    }
}

// Those promoted from several levels, in order: one run per level, each in
// order already where it lies among the held, merged run by run. Only the
// last run can end before its level does; the slot after it is put back.
TMember* MergeRuns(TPerLevel<TLevelPlan>& plan, const TLevelPlan& level, TMember* held,
                   std::size_t promotions, TRankScratch& scratch) noexcept {
    TMember* const buffers[2] = {scratch.Stayed.data() + 1, scratch.Sorted.data() + 1};
    int from = level.FromLevel;
    TMember* merged = held + plan[from].HeldFrom + level.FromNext;
    std::size_t count = static_cast<std::size_t>(plan[from].Held - level.FromNext);
    Bracket(merged, count);  // before: a free slot or someone promoted already; after: free
    for (int out = 0; count < promotions; out ^= 1) {
        do {
            --from;
        } while (plan[from].Held == 0);
        TMember* const run = held + plan[from].HeldFrom;
        const std::size_t take =
            std::min(promotions - count, static_cast<std::size_t>(plan[from].Held));
        const TMember after = run[take];
        Bracket(run, take);
        TMember* const into = buffers[out];
        MergeInOrder(merged, count, run, take,
                     [&](std::size_t k, const TMember& record) { into[k] = record; });
        run[take] = after;
        count += take;
        Bracket(into, count);
        merged = into;
    }
    return merged;
}

// Hires into a level and merges it into the new roster, with its tally.
// False when two scores are equal: the level is then laid out for the
// exchange pass instead.
bool RefillLevel(TOrganisation& org, TPerLevel<TLevelPlan>& plan, int n, const double* z,
                 const std::uint8_t* female, TLevelTally& tally) noexcept {
    TRankScratch& scratch = org.Scratch;
    TMember* const held = scratch.Held.data();
    TMember* const hired = scratch.Hired.data() + 1;
    TLevelPlan& level = plan[n];

    level.HiredAfter = org.NextId;
    const auto hires = static_cast<std::size_t>(level.Hires);
    if (hires > 0) HireInto(org, n, level.Hires, z, female, hired);
    bool ranked = hires == 0 || SortDistinct(hired, hires, scratch);
    Bracket(hired, hires);

    // Before the stayers is a free slot or someone already promoted, and
    // after them a free slot.
    TMember* const stayed = held + level.HeldFrom + level.Taken;
    const auto stayers = static_cast<std::size_t>(level.Held - level.Taken);
    Bracket(stayed, stayers);

    // Those promoted from one level are in order already, in place: the slot
    // before them is free or someone promoted already, the one after them is
    // put back. From several levels, they are merged level by level. Either
    // way they stay where they lie among the held, as a layout needs them.
    const auto promotions = static_cast<std::size_t>(level.Promoted);
    TMember* inOrder = nullptr;
    TMember after{};
    if (promotions > 0 && level.OneLevel) {
        inOrder = held + plan[level.FromLevel].HeldFrom + level.FromNext;
        after = inOrder[promotions];
        Bracket(inOrder, promotions);
    } else if (promotions > 0) {
        inOrder = MergeRuns(plan, level, held, promotions, scratch);
    }

    // Both kinds of newcomer only with outside hires or no one left below:
    // merged first.
    const TMember* newcomers = promotions > 0 ? inOrder : hired;
    if (hires > 0 && promotions > 0) {
        TMember* const arrivals = scratch.Newcomers.data() + 1;
        MergeInOrder(inOrder, promotions, hired, hires,
                     [&](std::size_t k, const TMember& record) { arrivals[k] = record; });
        Bracket(arrivals, promotions + hires);
        newcomers = arrivals;
    }
    TMember* const to = org.Next.begin() + level.Start;
    ranked = ranked &&
             MergeInto(stayed, stayers, newcomers, promotions + hires, n, org.Total, to, tally);
    if (promotions > 0 && level.OneLevel) inOrder[promotions] = after;
    if (!ranked) LayOut(org, plan, n, hired, to);
    return ranked;
}

}  // namespace

bool RefillByMerging(TOrganisation& org) {
    TPerLevel<TLevelPlan> plan{};
    if (org.Implementation != TImplementation::Fast || !ScoresFinite(org.Params)) return false;
    CollectHeld(org, plan);
    PlanPromotions(org, plan);
    TPerLevel<bool> tied{};
    TPerLevel<TLevelTally> tallies{};
    // Every hire's draws follow every promotion's: one batch for the period,
    // each level taking the next of them, as Hire does.
    int hires = 0;
    for (int n = org.Levels; n >= 1; --n) hires += plan[n].Hires;
    double* z = org.Scratch.EntrantZ.data();
    std::uint8_t* female = org.Scratch.EntrantFemale.data();
    DrawEntrants(org.Random, hires, UniformBound(org.Params.WomenHired), z, female);
    for (int n = org.Levels; n >= 1; --n) {
        tied[n] = !RefillLevel(org, plan, n, z, female, tallies[n]);
        z += plan[n].Hires;
        female += plan[n].Hires;
    }

    std::swap(org.Staff, org.Next);
    for (int n = org.Levels; n >= 1; --n) {
        if (!tied[n]) continue;
        reordering(org, static_cast<std::uint8_t>(n));
        tallies[n] = {};
        const TLevelPlan& level = plan[n];
        for (int i = level.Start; i < level.Start + level.Size; ++i) {
            tallies[n].Add(org.Staff.begin()[i], org.Total);
        }
    }
    RecordTally(org, tallies);
    return true;
}

}  // namespace velmora
