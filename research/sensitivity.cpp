#include "research/sensitivity.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/random.h"

namespace velmora::research {

namespace {

struct TSums {
    double First = 0.0;
    double Total = 0.0;
};

// The indices of every factor over the base samples `samples` (indices
// into the outputs, repeated as a resample draws them).
void Estimate(const TSaltelliOutputs& out, std::span<const std::uint64_t> samples,
              std::vector<TSums>& indices) {
    // Two passes for the variance: the mean first, so that large outputs
    // lose no digits.
    double mean = 0.0;
    for (const std::uint64_t j : samples) mean += out.A[j] + out.B[j];
    const double n = static_cast<double>(samples.size());
    mean /= 2.0 * n;
    double squares = 0.0;
    for (const std::uint64_t j : samples) {
        squares += (out.A[j] - mean) * (out.A[j] - mean) + (out.B[j] - mean) * (out.B[j] - mean);
    }
    const double variance = squares / (2.0 * n - 1.0);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        double first = 0.0;
        double total = 0.0;
        for (const std::uint64_t j : samples) {
            const double mixed = out.AB[i][j];
            first += out.B[j] * (mixed - out.A[j]);
            total += (out.A[j] - mixed) * (out.A[j] - mixed);
        }
        const bool flat = !(variance > 0.0);
        indices[i].First = flat ? std::numeric_limits<double>::quiet_NaN() : first / n / variance;
        indices[i].Total =
            flat ? std::numeric_limits<double>::quiet_NaN() : total / (2.0 * n) / variance;
    }
}

// The value at a share of a sorted sample, interpolated between neighbours.
double Percentile(const std::vector<double>& sorted, double share) {
    if (sorted.empty()) return std::numeric_limits<double>::quiet_NaN();
    const double at = share * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(at);
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (at - static_cast<double>(below)) * (sorted[above] - sorted[below]);
}

TIndexEstimate WithInterval(double value, std::vector<double>& resampled) {
    // A resample without variance has no index; it widens nothing.
    std::erase_if(resampled, [](double v) { return std::isnan(v); });
    std::sort(resampled.begin(), resampled.end());
    return {value, Percentile(resampled, 0.025), Percentile(resampled, 0.975)};
}

}  // namespace

TSaltelliDesign::TSaltelliDesign(std::size_t factors, std::uint64_t samples, std::uint32_t seed)
    : Factors_(factors), Samples_(samples), A_(factors * samples), B_(factors * samples) {
    // A stream of its own, so that the design shares no draws with run 1 or
    // with a Latin hypercube of the same seed.
    TRandom random;
    SeedWith(random, seed ^ 0x5bd1e995u);
    for (std::uint64_t j = 0; j < samples; ++j) {
        for (std::size_t i = 0; i < factors; ++i) A_[j * factors + i] = NextUniform(random);
        for (std::size_t i = 0; i < factors; ++i) B_[j * factors + i] = NextUniform(random);
    }
}

TSaltelliDesign::TSlot TSaltelliDesign::Slot(std::uint64_t p) const noexcept {
    return {p / (Factors_ + 2), static_cast<std::size_t>(p % (Factors_ + 2))};
}

std::vector<double> TSaltelliDesign::Point(std::uint64_t p) const {
    const TSlot slot = Slot(p);
    const std::size_t row = slot.Sample * Factors_;
    const bool fromB = slot.Matrix == Factors_ + 1;
    std::vector<double> point(A_.begin() + static_cast<std::ptrdiff_t>(row),
                              A_.begin() + static_cast<std::ptrdiff_t>(row + Factors_));
    for (std::size_t i = 0; i < Factors_; ++i) {
        if (fromB || slot.Matrix == i + 1) point[i] = B_[row + i];
    }
    return point;
}

TSaltelliOutputs::TSaltelliOutputs(std::size_t factors, std::uint64_t samples)
    : A(samples), B(samples), AB(factors, std::vector<double>(samples)) {}

void TSaltelliOutputs::Set(TSaltelliDesign::TSlot slot, double value) {
    if (slot.Matrix == 0) {
        A[slot.Sample] = value;
    } else if (slot.Matrix == AB.size() + 1) {
        B[slot.Sample] = value;
    } else {
        AB[slot.Matrix - 1][slot.Sample] = value;
    }
}

std::vector<TSobolIndices> SobolIndices(const TSaltelliOutputs& outputs, std::uint32_t resamples,
                                        std::uint32_t seed) {
    const std::size_t factors = outputs.AB.size();
    const std::uint64_t n = outputs.A.size();
    std::vector<std::uint64_t> samples(n);
    for (std::uint64_t j = 0; j < n; ++j) samples[j] = j;
    std::vector<TSums> point(factors);
    Estimate(outputs, samples, point);

    std::vector<std::vector<double>> first(factors), total(factors);
    std::vector<TSums> resampled(factors);
    TRandom random;
    SeedWith(random, seed ^ 0x27d4eb2fu);
    for (std::uint32_t r = 0; r < resamples; ++r) {
        for (std::uint64_t& j : samples) {
            j = std::min(n - 1,
                         static_cast<std::uint64_t>(NextUniform(random) * static_cast<double>(n)));
        }
        Estimate(outputs, samples, resampled);
        for (std::size_t i = 0; i < factors; ++i) {
            first[i].push_back(resampled[i].First);
            total[i].push_back(resampled[i].Total);
        }
    }
    std::vector<TSobolIndices> indices(factors);
    for (std::size_t i = 0; i < factors; ++i) {
        indices[i].First = WithInterval(point[i].First, first[i]);
        indices[i].Total = WithInterval(point[i].Total, total[i]);
    }
    return indices;
}

}  // namespace velmora::research
