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

// Entries gathered in roster order, with a note of whether they came in
// non-increasing order.
struct TChain {
    std::array<TEntry, TotalPositions> Entries;
    std::size_t Count = 0;
    bool InOrder = true;

    void Clear() {
        Count = 0;
        InOrder = true;
    }
    void Add(const TEntry& entry) {
        if (Count > 0 && entry.Score > Entries[Count - 1].Score) InOrder = false;
        Entries[Count++] = entry;
    }
    TEntry* begin() { return Entries.data(); }
    TEntry* end() { return Entries.data() + Count; }
    void Sort() {
        if (!InOrder) std::sort(begin(), end(), Higher);
        InOrder = true;
    }
};

// Working space of one ranking, kept per thread so that ranking neither
// allocates nor clears 150 KB on every call.
struct TScratch {
    TChain Stayed, Promoted, Hired;
    std::array<TEntry, TotalPositions> Newcomers, Merged;
    std::array<TMember, TotalPositions> Records;
};

// With all scores distinct the exchange pass yields the one descending order,
// so any sort gives it; sorting three chains that are mostly in order already
// and merging them is the quick way. A level with equal scores is left to the
// exchange pass untouched, because the order among equals is its own.
void RankByMerging(TOrganisation& org, int level) {
    const int first = LevelStart(org, level);
    const int last = first + org.LevelSize[level] - 1;
    thread_local TScratch scratch;
    TChain* chains[] = {&scratch.Stayed, &scratch.Promoted, &scratch.Hired};
    for (TChain* chain : chains) chain->Clear();

    bool ranked = true;
    double previous = 0.0;
    std::size_t occupied = 0;
    for (int p = first; p <= last; ++p) {
        const TMember& member = org.Staff[p];
        if (!member.Occupied) continue;
        // Already in non-increasing order: the exchange pass would not touch
        // it either, ties or not.
        if (occupied++ > 0 && member.Score > previous) ranked = false;
        previous = member.Score;
        chains[static_cast<int>(org.Arrived[p])]->Add({member.Score, p});
    }
    if (ranked) return;

    for (TChain* chain : chains) chain->Sort();
    const auto newcomersEnd =
        std::merge(scratch.Promoted.begin(), scratch.Promoted.end(), scratch.Hired.begin(),
                   scratch.Hired.end(), scratch.Newcomers.begin(), Higher);
    const auto mergedEnd =
        std::merge(scratch.Stayed.begin(), scratch.Stayed.end(), scratch.Newcomers.begin(),
                   newcomersEnd, scratch.Merged.begin(), Higher);
    if (std::adjacent_find(scratch.Merged.begin(), mergedEnd, Equal) != mergedEnd) {
        reordering(org, static_cast<std::uint8_t>(level));
        return;
    }

    for (std::size_t k = 0; k < occupied; ++k) {
        scratch.Records[k] = org.Staff[scratch.Merged[k].Position];
    }
    std::size_t next = 0;
    for (int p = first; p <= last; ++p) {
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
