#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velmora::research {

// Saltelli's scheme for k factors and n base samples: two independent
// matrices A and B of n rows on [0, 1)^k, and for every factor i the matrix
// AB_i, A with column i taken from B. The n (k + 2) points are laid out row
// by row: for base sample j, A_j, then AB_1j .. AB_kj, then B_j, so that
// any prefix of the points holds whole base samples.
class TSaltelliDesign {
  public:
    TSaltelliDesign(std::size_t factors, std::uint64_t samples, std::uint32_t seed);

    std::size_t Factors() const noexcept { return Factors_; }
    std::uint64_t Samples() const noexcept { return Samples_; }
    std::uint64_t Points() const noexcept { return Samples_ * (Factors_ + 2); }

    // The coordinates on [0, 1)^k of point p (0-based, below Points()).
    std::vector<double> Point(std::uint64_t p) const;

    // Where point p's output goes: base sample j and matrix m, with m = 0
    // for A, 1..k for AB_m and k + 1 for B.
    struct TSlot {
        std::uint64_t Sample;
        std::size_t Matrix;
    };
    TSlot Slot(std::uint64_t p) const noexcept;

  private:
    std::size_t Factors_;
    std::uint64_t Samples_;
    std::vector<double> A_, B_;  // row-major, n rows of k
};

// A first- or total-order index with its bootstrap 95% interval.
struct TIndexEstimate {
    double Value = 0.0;
    double Low = 0.0;
    double High = 0.0;
};

struct TSobolIndices {
    TIndexEstimate First;  // Saltelli et al. (2010)
    TIndexEstimate Total;  // Jansen (1999)
};

// The outputs of one design: f(A_j), f(B_j), and f(AB_ij) for every factor.
struct TSaltelliOutputs {
    std::vector<double> A, B;
    std::vector<std::vector<double>> AB;  // [factor][sample]

    TSaltelliOutputs(std::size_t factors, std::uint64_t samples);
    void Set(TSaltelliDesign::TSlot slot, double value);
};

// Every factor's first- and total-order index: with V the variance of the
// outputs of A and B together, S_i = mean(f(B) (f(AB_i) - f(A))) / V and
// ST_i = mean((f(A) - f(AB_i))^2) / (2 V). The intervals are percentile
// intervals of `resamples` bootstrap resamples of the base samples, drawn
// from the seed. With no variance the indices are NaN.
std::vector<TSobolIndices> SobolIndices(const TSaltelliOutputs& outputs, std::uint32_t resamples,
                                        std::uint32_t seed);

}  // namespace velmora::research
