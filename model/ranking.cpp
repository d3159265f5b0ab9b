#include "model/ranking.h"

#include <algorithm>
#include <utility>
#include <vector>

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

bool Higher(const TRankEntry& a, const TRankEntry& b) { return a.Score > b.Score; }
bool Equal(const TRankEntry& a, const TRankEntry& b) { return a.Score == b.Score; }

// Entries gathered in roster order into working space, noting whether they
// came in non-increasing order and whether two of them have equal scores.
struct TChain {
    TRankEntry* Entries;
    std::size_t Count = 0;
    bool InOrder = true;
    bool Tie = false;

    explicit TChain(std::vector<TRankEntry>& space) : Entries(space.data()) {}

    void Add(const TRankEntry& entry) {
        if (Count > 0) {
            const double last = Entries[Count - 1].Score;
            InOrder = InOrder && entry.Score <= last;
            Tie = Tie || entry.Score == last;
        }
        Entries[Count++] = entry;
    }
    const TRankEntry* begin() const { return Entries; }
    const TRankEntry* end() const { return Entries + Count; }
    void Sort() {
        if (InOrder) return;
        std::sort(Entries, Entries + Count, Higher);
        Tie = Tie || std::adjacent_find(Entries, Entries + Count, Equal) != Entries + Count;
        InOrder = true;
    }
};

// Merges two descending runs, handing each entry to emit in order. Returns
// false when the two runs hold an equal score: any such pair meets head to
// head during the merge.
template <typename Emit>
bool MergeDistinct(const TRankEntry* a, const TRankEntry* aEnd, const TRankEntry* b,
                   const TRankEntry* bEnd, Emit emit) {
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

// With all scores distinct the exchange pass yields the one descending order,
// so any sort gives it; sorting three chains that are mostly in order already
// and merging them is the quick way. A level with equal scores is left to the
// exchange pass untouched, because the order among equals is its own.
void RankByMerging(TOrganisation& org, int level) {
    const int first = LevelStart(org, level);
    const int size = org.LevelSize[level];
    TRankScratch& scratch = org.Scratch;
    TChain stayed(scratch.Stayed), promoted(scratch.Promoted), hired(scratch.Hired);
    TChain* chains[] = {&stayed, &promoted, &hired};

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
        distinct && MergeDistinct(promoted.begin(), promoted.end(), hired.begin(), hired.end(),
                                  [&](const TRankEntry& e) { scratch.Newcomers[newcomers++] = e; });
    std::size_t next = 0;
    distinct =
        distinct && MergeDistinct(stayed.begin(), stayed.end(), scratch.Newcomers.data(),
                                  scratch.Newcomers.data() + newcomers, [&](const TRankEntry& e) {
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
