#pragma once

#include <vector>

namespace velmora::research {

// A linear map from data values to drawing coordinates.
struct TScale {
    double From = 0.0;
    double To = 1.0;
    double ToFirst = 0.0;  // drawing coordinate of From
    double ToLast = 1.0;   // drawing coordinate of To

    double Map(double value) const noexcept {
        return ToFirst + (value - From) / (To - From) * (ToLast - ToFirst);
    }
    double Clamp(double value) const noexcept {
        return value < From ? From : value > To ? To : value;
    }
};

// Round tick values (1, 2 or 5 times a power of ten apart) covering
// [from, to] with at most about maxTicks ticks.
std::vector<double> NiceTicks(double from, double to, int maxTicks);

}  // namespace velmora::research
