#include "model/refill.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "model/draws.h"
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
    int KeysFrom = 0;      // the keys of its people still there after departures
    int Held = 0;          // how many they are
    int Taken = 0;         // the best of them, promoted to levels above
    int Vacant = 0;        // positions to fill: those who left and those taken
    int Promoted = 0;      // vacancies filled from below, in the order promotion takes them:
    int FromLevel = 0;     // from this level's keys
    int FromNext = 0;      // this one on, then down through the levels below
    bool OneLevel = true;  // all from one level, so already in order
    int Hires = 0;         // vacancies left to hiring
    int ListedFrom = -1;   // where its vacancies were listed, once they are
};

// Where promotion has got to: the next person it takes is key Next of
// level Level's keys, further down when that level has no one left.
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

// Hires into a level's vacancies in roster order, in place, with the draws
// Hire makes: all of them, or those `left` marks as left to hiring. Sets
// their keys; false when a score is not finite.
bool HireInto(TOrganisation& org, const int* vacancies, const std::uint8_t* left, int count,
              int hires, int level, TRankEntry* hired) noexcept {
    double* const z = org.Scratch.EntrantZ.data();
    std::uint8_t* const female = org.Scratch.EntrantFemale.data();
    DrawEntrants(org.Random, hires, UniformBound(org.Params.WomenHired), z, female);
    TMember* const staff = org.Staff.begin();
    TNewcomers newcomers(org);
    bool finite = true;
    for (int k = 0, j = 0; k < count; ++k) {
        if (left != nullptr && left[k] == 0) continue;
        const TMember member = newcomers.Next(level, z[j], female[j] != 0);
        staff[vacancies[k]] = member;
        finite &= IsFiniteScore(member.Score);
        hired[j++] = {member.Score, vacancies[k]};
    }
    newcomers.Done(org);
    return finite;
}

// A level as promotion and hiring leave it, for the exchange pass: those who
// stay keep their positions, hires are in theirs already, and every other
// vacancy in roster order takes the next of those promoted, in the order
// promotion took them.
void LayOut(TOrganisation& org, const TLevelPlan& level, int n, const TRankEntry* promoted,
            int* spare, TMember* to) noexcept {
    const TMember* const staff = org.Staff.begin();
    std::copy_n(staff + level.Start, level.Size, to);
    if (level.Promoted > 0) {
        int* vacancies = spare;
        const std::uint8_t* left = nullptr;
        if (level.ListedFrom >= 0) {
            vacancies = org.Scratch.Vacancies.data() + level.ListedFrom;
            left = org.Scratch.LeftToHiring.data() + level.ListedFrom;
        } else {
            ListVacancies(staff, level, vacancies);
        }
        for (int k = 0; k < level.Vacant; ++k) {
            if (left == nullptr || left[k] == 0) {
                to[vacancies[k] - level.Start] = staff[(promoted++)->Position];
            }
        }
    }
    for (int i = 0; i < level.Size; ++i) to[i].Level = static_cast<std::uint8_t>(n);
}

// Merges a level's two chains, copying the records in that order into the
// new roster, and tallies them. False unless the scores strictly fall, which
// proves the merge.
bool MergeInto(const TMember* staff, const TRankEntry* a, std::size_t aCount, const TRankEntry* b,
               std::size_t bCount, int level, std::int32_t total, TMember* to,
               TLevelTally& tally) noexcept {
    const auto rank = static_cast<std::uint8_t>(level);
    MergeInOrder(a, aCount, b, bCount, [&](std::size_t k, int position) {
        to[k] = staff[position];
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

// The keys of each level's people still there after departures, in roster
// order, which is score order; the two free slots before each level's keys,
// and two at the end, take sentinels. False when a score is not finite.
bool CollectKeys(TOrganisation& org, TPerLevel<TLevelPlan>& plan) noexcept {
    const TMember* const staff = org.Staff.begin();
    TRankEntry* const keys = org.Scratch.Held.data();
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
    return finite;
}

// Top down, each vacancy takes the next person promotion reaches below,
// unless its own draw leaves it to an outside hire, as Promote does; once no
// one is left below, the rest are hired too. Levels whose vacancies are not
// all promoted get them listed, with those left to hiring marked. Returns
// how many vacancies were listed.
int PlanPromotions(TOrganisation& org, TPerLevel<TLevelPlan>& plan) noexcept {
    const TMember* const staff = org.Staff.begin();
    int* const vacancies = org.Scratch.Vacancies.data();
    std::uint8_t* const left = org.Scratch.LeftToHiring.data();
    const double external = org.Params.ExternalHires;
    TCursor cursor{org.Levels};
    int listed = 0;
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
            level.ListedFrom = listed;
            ListVacancies(staff, level, vacancies + listed);
            for (int k = 0; k < level.Vacant; ++k) {
                left[listed + k] = NextUniform(org.Random) < external;
                wanted -= left[listed + k];
            }
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
            if (level.ListedFrom < 0) {
                level.ListedFrom = listed;
                ListVacancies(staff, level, vacancies + listed);
                std::fill_n(left + listed, level.Vacant, std::uint8_t{0});
            }
            for (int k = 0, seen = 0; k < level.Vacant; ++k) {
                std::uint8_t& mark = left[listed + k];
                if (mark == 0 && seen++ >= level.Promoted) mark = 1;
            }
        }
        if (level.ListedFrom >= 0) listed += level.Vacant;
    }
    return listed;
}

// Hires into a level and merges it into the new roster, with its tally.
// False when two scores are equal or a hire's is not finite: the level is
// then laid out for the exchange pass instead.
bool RefillLevel(TOrganisation& org, TPerLevel<TLevelPlan>& plan, int n, int listed,
                 TLevelTally& tally) noexcept {
    const TMember* const staff = org.Staff.begin();
    TRankScratch& scratch = org.Scratch;
    TRankEntry* const keys = scratch.Held.data();
    int* const vacancies = scratch.Vacancies.data();
    TRankEntry* const hired = scratch.Hired.data() + 1;
    TLevelPlan& level = plan[n];

    // The bottom level's vacancies are listed only now that those promoted
    // from it have gone; hires take all of them.
    const std::uint8_t* left = nullptr;
    if (n == 1) {
        level.ListedFrom = listed;
        ListVacancies(staff, level, vacancies + listed);
    } else if (level.ListedFrom >= 0) {
        left = scratch.LeftToHiring.data() + level.ListedFrom;
    }
    const auto hires = static_cast<std::size_t>(level.Hires);
    bool ranked = hires == 0 || (HireInto(org, vacancies + level.ListedFrom, left, level.Vacant,
                                          level.Hires, n, hired) &&
                                 SortDistinct(hired, hires, scratch));
    Bracket(hired, hires);

    // Before the stayers is a free slot or someone already promoted, and
    // after them a free slot.
    TRankEntry* const stayed = keys + level.KeysFrom + level.Taken;
    const auto stayers = static_cast<std::size_t>(level.Held - level.Taken);
    Bracket(stayed, stayers);

    // Those promoted from one level are in order already, in place: the slot
    // before them is free or someone promoted already, the one after them is
    // put back. From several levels, they are gathered and sorted.
    const auto promotions = static_cast<std::size_t>(level.Promoted);
    TRankEntry* promoted = scratch.Promoted.data() + 1;
    TRankEntry* inOrder = promoted;
    TRankEntry after{};
    if (promotions > 0 && level.OneLevel) {
        promoted = inOrder = keys + plan[level.FromLevel].KeysFrom + level.FromNext;
        after = promoted[promotions];
        Bracket(promoted, promotions);
    } else if (promotions > 0) {
        TCursor from{level.FromLevel, level.FromNext};
        for (std::size_t k = 0; k < promotions; ++k) {
            while (from.Next == plan[from.Level].Held) from = {from.Level - 1};
            promoted[k] = keys[plan[from.Level].KeysFrom + from.Next++];
        }
        inOrder = scratch.Stayed.data() + 1;
        std::copy_n(promoted, promotions, inOrder);
        ranked = ranked && SortDistinct(inOrder, promotions, scratch);
        Bracket(inOrder, promotions);
    }

    // Both kinds of newcomer only with outside hires or no one left below:
    // merged first.
    const TRankEntry* newcomers = promotions > 0 ? inOrder : hired;
    if (hires > 0 && promotions > 0) {
        TRankEntry* const arrivals = scratch.Newcomers.data() + 1;
        MergeInOrder(inOrder, promotions, hired, hires, [&](std::size_t k, int position) {
            arrivals[k] = {staff[position].Score, position};
        });
        Bracket(arrivals, promotions + hires);
        newcomers = arrivals;
    }
    TMember* const to = org.Next.begin() + level.Start;
    ranked = ranked && MergeInto(staff, stayed, stayers, newcomers, promotions + hires, n,
                                 org.Total, to, tally);
    if (promotions > 0 && level.OneLevel) promoted[promotions] = after;
    if (!ranked) LayOut(org, level, n, promoted, vacancies + listed, to);
    return ranked;
}

}  // namespace

bool RefillByMerging(TOrganisation& org) {
    TPerLevel<TLevelPlan> plan{};
    if (org.Ranking != TRanking::Fast || !CollectKeys(org, plan)) return false;
    const int listed = PlanPromotions(org, plan);
    TPerLevel<bool> tied{};
    TPerLevel<TLevelTally> tallies{};
    for (int n = org.Levels; n >= 1; --n) tied[n] = !RefillLevel(org, plan, n, listed, tallies[n]);

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
