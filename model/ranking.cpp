#include "model/ranking.h"

#include <algorithm>
#include <array>
#include <utility>

namespace velmora {

void reordering(TOrganisation& org, std::uint8_t level) noexcept {
    const int first = LevelStart(org, level);
    const int last = first + org.LevelSize[level] - 1;
    if (org.LevelSize[level] < 2) return;
    for (int i = first; i <= last - 1; ++i) {
        if (!org.Staff[i].Occupied) continue;
        double best = org.Staff[i].Score;
        for (int j = i; j <= last; ++j) {
            if (org.Staff[j].Occupied && org.Staff[j].Score > best) {
                best = org.Staff[j].Score;
                std::swap(org.Staff[i], org.Staff[j]);
            }
        }
    }
}

namespace {

// A score and the position holding it.
struct TEntry {
    double Score;
    int Position;
};

bool Higher(const TEntry& a, const TEntry& b) { return a.Score > b.Score; }
bool Equal(const TEntry& a, const TEntry& b) { return a.Score == b.Score; }

// Entries gathered in roster order, noting whether they came in
// non-increasing order and whether two of them have equal scores.
struct TChain {
    std::array<TEntry, TotalPositions> Entries;
    std::size_t Count = 0;
    bool InOrder = true;
    bool Tie = false;

    void Clear() {
        Count = 0;
        InOrder = true;
        Tie = false;
    }
    void Add(const TEntry& entry) {
        if (Count > 0) {
            const double last = Entries[Count - 1].Score;
            InOrder = InOrder && entry.Score <= last;
            Tie = Tie || entry.Score == last;
        }
        Entries[Count++] = entry;
    }
    const TEntry* begin() const { return Entries.data(); }
    const TEntry* end() const { return Entries.data() + Count; }
    void Sort() {
        if (InOrder) return;
        TEntry* first = Entries.data();
        std::sort(first, first + Count, Higher);
        Tie = Tie || std::adjacent_find(first, first + Count, Equal) != first + Count;
        InOrder = true;
    }
};

// Merges two descending runs, handing each entry to emit in order. Returns
// false when the two runs hold an equal score: any such pair meets head to
// head during the merge.
template <typename Emit>
bool MergeDistinct(const TEntry* a, const TEntry* aEnd, const TEntry* b, const TEntry* bEnd,
                   Emit emit) {
    bool tie = false;
    // Branch-free: which run gives the next entry is as good as a coin toss.
    while (a != aEnd && b != bEnd) {
        const bool fromA = a->Score > b->Score;
        tie = tie || a->Score == b->Score;
        emit(fromA ? *a : *b);
        a += fromA;
        b += !fromA;
    }
    for (; a != aEnd; ++a) emit(*a);
    for (; b != bEnd; ++b) emit(*b);
    return !tie;
}

// Working space of one ranking, kept per thread so that ranking neither
// allocates nor clears 150 KB on every call.
struct TScratch {
    TChain Stayed, Promoted, Hired;
    std::array<TEntry, TotalPositions> Newcomers;
    std::array<TMember, TotalPositions> Records;
};

// With all scores distinct the exchange pass yields the one descending order,
// so any sort gives it; sorting three chains that are mostly in order already
// and merging them is the quick way. A level with equal scores is left to the
// exchange pass untouched, because the order among equals is its own.
void RankByMerging(TOrganisation& org, int level) {
    const int first = LevelStart(org, level);
    const int size = org.LevelSize[level];
    thread_local TScratch scratch;
    TChain* chains[] = {&scratch.Stayed, &scratch.Promoted, &scratch.Hired};
    for (TChain* chain : chains) chain->Clear();

    bool ranked = true;
    double previous = 0.0;
    std::size_t occupied = 0;
    for (int p = first; p < first + size; ++p) {
        const TMember& member = org.Staff[p];
        if (!member.Occupied) continue;
        // Already in non-increasing order: the exchange pass would not touch
        // it either, ties or not.
        if (occupied++ > 0 && member.Score > previous) ranked = false;
        previous = member.Score;
        chains[static_cast<int>(org.Arrived[p])]->Add({member.Score, p});
    }
    if (ranked) return;

    bool distinct = true;
    for (TChain* chain : chains) {
        chain->Sort();
        distinct = distinct && !chain->Tie;
    }
    std::size_t newcomers = 0;
    distinct =
        distinct && MergeDistinct(scratch.Promoted.begin(), scratch.Promoted.end(),
                                  scratch.Hired.begin(), scratch.Hired.end(),
                                  [&](const TEntry& e) { scratch.Newcomers[newcomers++] = e; });
    std::size_t next = 0;
    distinct = distinct &&
               MergeDistinct(scratch.Stayed.begin(), scratch.Stayed.end(), scratch.Newcomers.data(),
                             scratch.Newcomers.data() + newcomers, [&](const TEntry& e) {
                                 scratch.Records[next++] = org.Staff[e.Position];
                             });
    if (!distinct) {
        reordering(org, static_cast<std::uint8_t>(level));
        return;
    }

    if (occupied == static_cast<std::size_t>(size)) {
        std::copy_n(scratch.Records.begin(), occupied, &org.Staff[first]);
        return;
    }
    next = 0;
    for (int p = first; p < first + size; ++p) {
        if (org.Staff[p].Occupied) org.Staff[p] = scratch.Records[next++];
    }
}

}  // namespace

void RankLevel(TOrganisation& org, int level) {
    if (org.LevelSize[level] >= 2) {
        if (org.Ranking == TRanking::Exchange) {
            reordering(org, static_cast<std::uint8_t>(level));
        } else {
            RankByMerging(org, level);
        }
    }
    const int first = LevelStart(org, level);
    for (int p = first; p < first + org.LevelSize[level]; ++p) org.Arrived[p] = TArrival::Stayed;
}

}  // namespace velmora
