#include "model/movement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "model/bit_cast.h"
#include "model/draws.h"
#include "model/exponential.h"
#include "model/natural_log.h"
#include "model/random.h"
#include "model/ranking.h"
#include "model/record_lanes.h"
#include "model/staffing.h"
#include "model/vector_clones.h"

namespace velmora {

namespace {

// Hands every position with the generator state of its draw to decide, in
// roster order, the stream's state left as after as many NextUniform calls.
template <typename Decide>
void ForEachDraw(TOrganisation& org, Decide decide) noexcept {
    TMember* const member = org.Staff.begin();
    ForEachState(org.Random, org.Total,
                 [member, &decide](int i, std::uint32_t state) { decide(member[i], state); });
}

#ifdef VELMORA_WIDE_VECTORS

constexpr int Lanes = 8;

// Eight positions as 512-bit vectors: which hold women, their scores, and
// the generator's state of each one's draw.
struct TEight {
    __mmask8 Women;
    __m512d Scores;
    __m512i States;
};

// The eight positions from `group` on, given their draws' states: `eight`
// gives the mask of those who leave, whose flags are then cleared.
template <typename Eight>
VELMORA_WIDE void DepartEight(TMember* group, __m256i states, const Eight& eight) noexcept {
    __m512i low = _mm512_loadu_si512(group);
    __m512i high = _mm512_loadu_si512(group + 4);
    // The flag in each record's first quadword: bit 40, byte 5.
    const __mmask8 women =
        _mm512_test_epi64_mask(HeadsOf(low, high), _mm512_set1_epi64(std::int64_t{0xFF} << 40));
    const unsigned leave =
        eight(TEight{women, ScoresOf(low, high), _mm512_maskz_cvtepu32_epi64(0xFF, states)}, group);
    // The flag of each leaver, moved to the even quadword of its record.
    const __m512i gone = _mm512_maskz_mov_epi64(static_cast<__mmask8>(leave),
                                                _mm512_set1_epi64(std::int64_t{0xFF} << 32));
    const __m512i toLow = _mm512_set_epi64(3, 3, 2, 2, 1, 1, 0, 0);
    const __m512i toHigh = _mm512_set_epi64(7, 7, 6, 6, 5, 5, 4, 4);
    low = _mm512_maskz_andnot_epi64(0xFF, _mm512_maskz_permutexvar_epi64(0x55, toLow, gone), low);
    high =
        _mm512_maskz_andnot_epi64(0xFF, _mm512_maskz_permutexvar_epi64(0x55, toHigh, gone), high);
    _mm512_storeu_si512(group, low);
    _mm512_storeu_si512(group + 4, high);
}

// As ForEachDraw, eight positions at a time (see DepartEight), the last ones
// one by one with `one`. The stream runs in four vectors of eight lanes, each
// stepped 32 draws at once: four chains of multiplications, not one.
template <typename Eight, typename One>
VELMORA_WIDE void ForEachEight(TOrganisation& org, const Eight& eight, One one) noexcept {
    TMember* const member = org.Staff.begin();
    const int total = org.Total;
    std::uint32_t state = org.Random.GeneratorState;
    alignas(32) std::uint32_t first[4 * Lanes];
    std::uint32_t next = state;
    for (std::uint32_t& draw : first) draw = next = next * GeneratorMultiplier + 1u;
    __m256i lanes[4];
    for (int v = 0; v < 4; ++v) {
        lanes[v] = _mm256_load_si256(reinterpret_cast<const __m256i*>(first + v * Lanes));
    }
    const __m256i multiplier = _mm256_set1_epi32(static_cast<int>(JumpMultiplier(4 * Lanes)));
    const __m256i increment = _mm256_set1_epi32(static_cast<int>(JumpIncrement(4 * Lanes)));
    int i = 0;
    while (i + Lanes <= total) {
        for (int v = 0; v < 4 && i + Lanes <= total; ++v, i += Lanes) {
            DepartEight(member + i, lanes[v], eight);
            state = static_cast<std::uint32_t>(_mm256_extract_epi32(lanes[v], Lanes - 1));
            lanes[v] = _mm256_add_epi32(_mm256_mullo_epi32(lanes[v], multiplier), increment);
        }
    }
    for (; i < total; ++i) {
        state = state * GeneratorMultiplier + 1u;
        one(member[i], state);
    }
    org.Random.GeneratorState = state;
}

// Those whose draw lies below their sex's bound.
struct TBelowBound {
    std::uint64_t Men, Women;

    VELMORA_WIDE unsigned operator()(const TEight& e, const TMember*) const noexcept {
        const __m512i bound =
            _mm512_mask_blend_epi64(e.Women, _mm512_set1_epi64(static_cast<std::int64_t>(Men)),
                                    _mm512_set1_epi64(static_cast<std::int64_t>(Women)));
        return _mm512_cmplt_epu64_mask(e.States, bound);
    }
};
#endif

// Each sex at its own turnover, given as bounds on the generator's state.
void DeparturesBelow(TOrganisation& org, std::uint64_t men, std::uint64_t women) noexcept {
    const std::uint64_t bound[2] = {men, women};
    // No branch: whether someone leaves is a coin toss no processor predicts.
    const auto one = [&bound](TMember& member, std::uint32_t state) {
        member.Occupied = member.Occupied & !(state < bound[member.Female]);
    };
#ifdef VELMORA_WIDE_VECTORS
    if (HasWideVectors()) return ForEachEight(org, TBelowBound{men, women}, one);
#endif
    ForEachDraw(org, one);
}

void DeparturesAtOneRate(TOrganisation& org) noexcept {
    const std::uint64_t bound = UniformBound(org.Params.TurnoverMen);
    DeparturesBelow(org, bound, bound);
}

double Logit(double p) noexcept { return NaturalLog(p / (1.0 - p)); }

// exp(x) for |x| <= 700 within a relative 1e-8: x = k ln 2 + r with
// |r| <= 0.35, where the Taylor polynomial of degree 7 leaves under 8e-9, and
// the other roundings far less. No call and no branch.
double RoughExp(double x) noexcept {
    constexpr double Round = 6755399441055744.0;  // 1.5 * 2^52: adding it rounds to an integer
    const double k = (x * 1.4426950408889634 + Round) - Round;
    const double r = x - k * 0.6931471805599453;
    const double poly =
        1.0 +
        r * (1.0 + r * (1.0 / 2 +
                        r * (1.0 / 6 + r * (1.0 / 24 + r * (1.0 / 120 +
                                                            r * (1.0 / 720 + r * (1.0 / 5040)))))));
    const auto scale = static_cast<std::uint64_t>(static_cast<std::int64_t>(k) + 1023) << 52;
    return poly * BitCast<double>(scale);
}

// The logistic function 1 / (1 + exp(-t)) on a grid of t, from Low in Steps
// per unit. When x = (t - Low) * Steps is within 1e-9 of its exact value, t
// lies between grid points i - 1 and i + 2 for i = floor(x), and so the
// probability between their values moved by 1e-12 down and up: bounds that
// hold for the exact function and for its computed value alike. They are
// kept as bounds on the generator's state (see UniformBound): a state under
// the lower leaves, one above the upper minus one stays, and one between is
// left open, as every state is in band 0, which stands for a t off the grid.
// Both bounds of a band in one word, the lower in its low half: one read
// rather than two. (The 512-bit path works out the exponential instead, see
// TByExponential, and never builds the grid.) A lower bound of 2^32 is kept as
// 2^32 - 1, which only leaves that one state open.
struct TLogisticGrid {
    static constexpr double Low = -40.0;
    static constexpr double Steps = 128.0;
    static constexpr int Points = 10241;  // up to +40
    static constexpr int Bands = Points - 3;

    TLogisticGrid() {
        const auto at = [](int j) { return 1.0 / (1.0 + Exponential(-(Low + j / Steps))); };
        const auto bounds = [](std::uint64_t below, std::uint64_t above) {
            return std::min(below, std::uint64_t{0xFFFFFFFF}) | (above - 1) << 32;
        };
        Bounds[0] = bounds(0, std::uint64_t{1} << 32);
        for (int i = 1; i < Bands; ++i) {
            // Above is at least 1: the function is positive on the grid.
            Bounds[static_cast<std::size_t>(i)] = bounds(UniformBound(at(i - 1) * (1.0 - 1e-12)),
                                                         UniformBound(at(i + 2) * (1.0 + 1e-12)));
        }
    }

    static std::uint64_t Lower(std::uint64_t bounds) noexcept { return bounds & 0xFFFFFFFF; }
    static std::uint64_t UpperMinusOne(std::uint64_t bounds) noexcept { return bounds >> 32; }

    // The band i of a grid position x = (t - Low) * Steps, or 0 off the
    // grid, as for a NaN.
    static std::size_t Band(double x) noexcept {
        if (x >= 1.0 && x < Bands) [[likely]] {
            // Through int: a double converts to it in one instruction.
            return static_cast<std::size_t>(static_cast<int>(x));
        }
        return 0;
    }

    std::array<std::uint64_t, Bands> Bounds;
};

const TLogisticGrid& LogisticGrid() {
    static const TLogisticGrid grid;
    return grid;
}

// The departure rule of a period, with the logit of each sex's turnover
// worked out once rather than for every person.
struct TLeaving {
    explicit TLeaving(const TParameters& params) noexcept
        : Slope(params.TurnoverSlope),
          SlopeTenth(Slope / 10.0),
          Base{params.TurnoverMen, params.TurnoverWomen},
          Logit{Plain(Base[0]) ? OffGrid : velmora::Logit(Base[0]),
                Plain(Base[1]) ? OffGrid : velmora::Logit(Base[1])},
          PlainFor{Plain(Base[0]), Plain(Base[1])},
          GridSlope(SlopeTenth * TLogisticGrid::Steps),
          GridOrigin{GridOriginOf(Logit[0]), GridOriginOf(Logit[1])} {}

    // At slope 0 the probability is the turnover itself, not a round trip
    // through the logit; a certain departure stays certain at any slope.
    bool Plain(double base) const noexcept { return Slope == 0.0 || base >= 1.0; }
    // Tables indexed by sex rather than a branch on it, a coin toss for hires.
    double LogitOf(const TMember& member) const noexcept {
        return Logit[member.Female] - Slope * (member.Score - ScoreMean) / 10.0;
    }
    // Within a few units in the last place of LogitOf, without its division:
    // far less than the grid's margins and those of Leaves allow.
    double RoughLogit(const TMember& member) const noexcept {
        return Logit[member.Female] - SlopeTenth * (member.Score - ScoreMean);
    }

    // (RoughLogit - Low) * Steps, in one multiplication and one subtraction:
    // where it lies on the grid its terms are below 2 * 10^5 in size (a
    // turnover's logit is above -745, |slope| at most 100), so it is within
    // 1e-10 of the value, far inside the grid's margin of 1e-9.
    double GridOriginOf(double logit) const noexcept {
        return (logit + SlopeTenth * ScoreMean - TLogisticGrid::Low) * TLogisticGrid::Steps;
    }
    double GridPosition(const TMember& member) const noexcept {
        return GridOrigin[member.Female] - GridSlope * member.Score;
    }

    double Probability(const TMember& member) const noexcept {
        const double base = Base[member.Female];
        if (Plain(base)) return base;
        return 1.0 / (1.0 + Exponential(-LogitOf(member)));
    }

    // Whether a draw u leaves, exactly as u < Probability(member). With
    // e = exp(-logit), u < 1 / (1 + e) when u (1 + e) < 1: a rough e within
    // 1e-8 settles it unless u (1 + e) lies within 1e-6 of 1, which far
    // exceeds its error and that of the exact probability's roundings. Taken
    // only for the few draws the grid leaves open.
    bool Leaves(const TMember& member, double u) const noexcept {
        if (PlainFor[member.Female]) return u < Base[member.Female];
        const double logit = RoughLogit(member);
        const double q = u * (1.0 + RoughExp(std::clamp(-logit, -700.0, 700.0)));
        constexpr double Low = 1.0 - 1e-6;
        constexpr double High = 1.0 + 1e-6;
        const bool settled = (std::fabs(logit) <= 700.0) & ((q < Low) | (q > High));
        if (settled) return q < Low;
        return u < Probability(member);
    }

    double Slope;
    double SlopeTenth;
    double Base[2];   // turnover of men, of women
    double Logit[2];  // and its logit, when the slope needs it; else OffGrid
    // A plain sex's draws are all left open by the grid, to Leaves.
    static constexpr double OffGrid = std::numeric_limits<double>::quiet_NaN();
    bool PlainFor[2];
    double GridSlope;      // SlopeTenth * Steps
    double GridOrigin[2];  // by sex: GridPosition of a score of 0
};

#ifdef VELMORA_WIDE_VECTORS
// Leaves' test in eight lanes, with an exponential that reads no table in
// memory: a gather of the grid's bands for eight positions costs more than
// working out e = exp(-logit) itself. In sixteenths of an octave,
// z = 16 log2(e) (-logit) = 16m + j + f with integers m, j (0 <= j < 16) and
// |f| <= 1/2, so e = 2^m 2^(j/16) exp(r) with r = f ln2 / 16, |r| < 0.0217,
// where the cubic of exp's series leaves under 1e-8, as RoughExp. Lanes off
// its range (|logit| above 693, a plain sex's NaN) and those too close to
// call are left open, to Leaves.
struct TByExponential {
    explicit TByExponential(const TLeaving& leaving) noexcept
        : Leaving(leaving),
          Slope(leaving.SlopeTenth * ZPerUnit),
          Origin{OriginOf(leaving.Logit[0]), OriginOf(leaving.Logit[1])},
          Octave(Sixteenths()) {}

    static constexpr double ZPerUnit = 16.0 * 1.4426950408889634;  // 16 log2(e)
    static constexpr double ZMost = 16000.0;

    // z = Origin + Slope * score, as GridOriginOf: where |z| <= ZMost its
    // terms are below 5 * 10^4 in size (a turnover's logit is above -745,
    // |slope| at most 100), so that z is within 1e-10 of its value, and e
    // within a relative 1e-11.
    double OriginOf(double logit) const noexcept {
        return -(logit + Leaving.SlopeTenth * ScoreMean) * ZPerUnit;
    }

    // 2^(j/16) for j = 0..15, each within 1e-15.
    struct TOctave {
        TOctave() noexcept {
            for (int j = 0; j < 16; ++j) {
                Powers[static_cast<std::size_t>(j)] = Exponential(j * (0.6931471805599453 / 16));
            }
        }
        alignas(64) std::array<double, 16> Powers;
    };
    static const TOctave& Sixteenths() {
        static const TOctave octave;
        return octave;
    }

    VELMORA_WIDE unsigned operator()(const TEight& e, const TMember* group) const noexcept {
        const __m512d z = _mm512_add_pd(
            _mm512_mask_blend_pd(e.Women, _mm512_set1_pd(Origin[0]), _mm512_set1_pd(Origin[1])),
            _mm512_mul_pd(_mm512_set1_pd(Slope), e.Scores));
        const __mmask8 inRange = _mm512_cmp_pd_mask(z, _mm512_set1_pd(-ZMost), _CMP_GE_OQ) &
                                 _mm512_cmp_pd_mask(z, _mm512_set1_pd(ZMost), _CMP_LE_OQ);
        // Adding 1.5 * 2^52 rounds z to an integer k, which then lies in the
        // low bits of the sum: the bits of k mod 16 pick 2^(j/16), and
        // floor(k / 16) is the power of two.
        constexpr double Round = 6755399441055744.0;
        const __m512d shifted = _mm512_add_pd(z, _mm512_set1_pd(Round));
        const __m512d k = _mm512_sub_pd(shifted, _mm512_set1_pd(Round));
        const __m512d r =
            _mm512_mul_pd(_mm512_sub_pd(z, k), _mm512_set1_pd(0.6931471805599453 / 16));
        // 1 + r + r^2 (1/2 + r/6), in two short chains rather than one
        // long one, beside 2^m 2^(j/16): the steps of one group wait less.
        const __m512d r2 = _mm512_mul_pd(r, r);
        const __m512d p = _mm512_add_pd(
            _mm512_add_pd(_mm512_set1_pd(1.0), r),
            _mm512_mul_pd(
                r2, _mm512_add_pd(_mm512_set1_pd(0.5), _mm512_mul_pd(r, _mm512_set1_pd(1.0 / 6)))));
        const __m512i bits = _mm512_castpd_si512(shifted);
        const __m512d power = _mm512_permutex2var_pd(_mm512_load_pd(Octave.Powers.data()), bits,
                                                     _mm512_load_pd(Octave.Powers.data() + 8));
        const __m512i m = _mm512_maskz_srai_epi64(
            0xFF, _mm512_sub_epi64(bits, _mm512_set1_epi64(BitCast<std::int64_t>(Round))), 4);
        const __m512d scale = _mm512_castsi512_pd(
            _mm512_maskz_slli_epi64(0xFF, _mm512_add_epi64(m, _mm512_set1_epi64(1023)), 52));
        const __m512d exp = _mm512_mul_pd(p, _mm512_mul_pd(power, scale));
        // u (1 + e) against 1 -+ 1e-6, as Leaves, on the states: u 2^32.
        const __m512d u =
            _mm512_maskz_cvtepu32_pd(0xFF, _mm512_maskz_cvtepi64_epi32(0xFF, e.States));
        const __m512d q = _mm512_mul_pd(u, _mm512_add_pd(_mm512_set1_pd(1.0), exp));
        unsigned leave = _mm512_mask_cmp_pd_mask(
            inRange, q, _mm512_set1_pd((1.0 - 1e-6) * 4294967296.0), _CMP_LT_OQ);
        const unsigned stay = _mm512_mask_cmp_pd_mask(
            inRange, q, _mm512_set1_pd((1.0 + 1e-6) * 4294967296.0), _CMP_GT_OQ);
        unsigned open = ~(leave | stay) & 0xFFu;
        if (open != 0) [[unlikely]] {
            alignas(64) std::uint64_t states[Lanes];
            _mm512_store_si512(states, e.States);
            for (; open != 0; open &= open - 1) {
                const int j = __builtin_ctz(open);
                leave |= static_cast<unsigned>(Leaving.Leaves(group[j], UniformOf(states[j]))) << j;
            }
        }
        return leave;
    }

    const TLeaving& Leaving;
    double Slope;      // z per score point
    double Origin[2];  // by sex: z of a score of 0
    const TOctave& Octave;
};
#endif

void DeparturesByPerson(TOrganisation& org) noexcept {
    const TLeaving leaving(org.Params);
    if (leaving.PlainFor[0] && leaving.PlainFor[1]) {
        return DeparturesBelow(org, UniformBound(leaving.Base[0]), UniformBound(leaving.Base[1]));
    }
#ifdef VELMORA_WIDE_VECTORS
    if (HasWideVectors()) {
        // The last few positions, when the roster is not made of eights, by Leaves alone.
        const auto one = [&leaving](TMember& member, std::uint32_t state) {
            member.Occupied = member.Occupied & !leaving.Leaves(member, UniformOf(state));
        };
        return ForEachEight(org, TByExponential(leaving), one);
    }
#endif
    const TLogisticGrid& grid = LogisticGrid();
    ForEachDraw(org, [&leaving, &grid](TMember& member, std::uint32_t state) {
        const std::size_t band = TLogisticGrid::Band(leaving.GridPosition(member));
        const std::uint64_t bounds = grid.Bounds[band];
        const bool leaves = state < TLogisticGrid::Lower(bounds);
        const bool stays = state > TLogisticGrid::UpperMinusOne(bounds);
        // Neither holds (both cannot) for the rare draw in the narrow open
        // band: a branch only on that, never on the answer, a coin toss.
        if (leaves == stays) [[unlikely]] {
            member.Occupied = member.Occupied & !leaving.Leaves(member, UniformOf(state));
        } else {
            member.Occupied = member.Occupied & !leaves;
        }
    });
}

}  // namespace

std::uint64_t UniformBound(double p) noexcept {
    // state * 2^-32 and p * 2^32 are exact, and an integer lies below a real
    // number exactly when it lies below its ceiling.
    const double bound = std::ceil(p * 4294967296.0);
    if (!(bound > 0.0)) return 0;  // also for a NaN
    return bound >= 4294967296.0 ? std::uint64_t{1} << 32 : static_cast<std::uint64_t>(bound);
}

double DepartureProbability(const TParameters& params, const TMember& member) noexcept {
    return TLeaving(params).Probability(member);
}

void DeparturesReference(TOrganisation& org) noexcept {
    const TLeaving leaving(org.Params);
    for (int i = 1; i <= org.Total; ++i) {
        TMember& member = org.Staff[i];
        const double u = NextUniform(org.Random);
        if (member.Occupied && u < leaving.Probability(member)) member.Occupied = false;
    }
}

void Departures(TOrganisation& org) noexcept {
    // One draw per position, occupied or not, keeps the stream's order fixed.
    if (org.Implementation == TImplementation::Reference) {
        DeparturesReference(org);
    } else if (org.Rules == TRules::OneRate) {
        DeparturesAtOneRate(org);
    } else {
        DeparturesByPerson(org);
    }
}

void ClearPosition(TOrganisation& org, int position) noexcept {
    TMember& member = org.Staff[position];
    member.Id = 0;
    member.Occupied = false;
    member.Score = 0.0;
    member.Level = 0;
}

namespace {

// The vacant positions of a level in roster order, found without a branch on
// each position: which of them are vacant is a coin toss.
int ListVacancies(const TOrganisation& org, int first, int last, int* vacancies) noexcept {
    int count = 0;
    for (int i = first; i <= last; ++i) {
        vacancies[count] = i;
        count += !org.Staff[i].Occupied;
    }
    return count;
}

}  // namespace

void Promote(TOrganisation& org) noexcept {
    const double external = org.Params.ExternalHires;
    const int total = org.Total;
    int* const vacancies = org.Scratch.Vacancies.data();
    int first = 1;
    for (int n = org.Levels; n >= 2; --n) {
        const int last = first + org.LevelSize[n] - 1;
        const int count = ListVacancies(org, first, last, vacancies);
        // The cursor only moves forward within a level, so each vacancy takes
        // the next occupied person below, down to the end of the roster.
        int cursor = last;
        for (int k = 0; k < count; ++k) {
            const int i = vacancies[k];
            if (external > 0.0 && NextUniform(org.Random) < external) continue;  // left to hiring
            do {
                ++cursor;
            } while (cursor <= total && !org.Staff[cursor].Occupied);
            if (cursor > total) continue;  // left to hiring
            org.Staff[cursor].Level = static_cast<std::uint8_t>(n);
            org.Staff[i] = org.Staff[cursor];
            org.Arrived[i] = TArrival::Promoted;
            ClearPosition(org, cursor);
        }
        first = last + 1;
    }
}

void Hire(TOrganisation& org) {
    TRankScratch& scratch = org.Scratch;
    int* const vacancies = scratch.Vacancies.data();
    // Every level's vacancies in the order they are filled, so that the
    // period's draws come in one batch; ranking a level moves no one elsewhere.
    const int count = ListVacancies(org, 1, LevelLast(org, 1), vacancies);
    double* const z = scratch.EntrantZ.data();
    std::uint8_t* const female = scratch.EntrantFemale.data();
    if (org.Implementation == TImplementation::Reference) {
        for (int k = 0; k < count; ++k) {  // the draws as the rule states them
            z[k] = normal(org.Random, 0.0, 1.0);
            female[k] = NextUniform(org.Random) < org.Params.WomenHired;
        }
    } else {
        DrawEntrants(org.Random, count, UniformBound(org.Params.WomenHired), z, female);
    }
    TNewcomers newcomers(org);
    for (int k = 0, n = org.Levels, first = 1; n >= 1; --n) {
        const int last = first + org.LevelSize[n] - 1;
        for (; k < count && vacancies[k] <= last; ++k) {
            const int i = vacancies[k];
            org.Staff[i] = newcomers.Next(n, z[k], female[k] != 0);
            org.Arrived[i] = TArrival::Hired;
        }
        RankLevel(org, n);
        first = last + 1;
    }
    newcomers.Done(org);
}

void RemoveBias(TOrganisation& org) {
    for (TMember& member : org.Staff) {
        if (member.Occupied && !member.Female) member.Score -= org.Bias;
    }
    org.Bias = 0.0;
    for (int n = org.Levels; n >= 1; --n) RankLevel(org, n);
}

}  // namespace velmora
