#include "research/svg_scale.h"

#include <cmath>

namespace velmora::research {

std::vector<double> NiceTicks(double from, double to, int maxTicks) {
    std::vector<double> ticks;
    if (!(to > from) || maxTicks < 1) return ticks;
    const double rough = (to - from) / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power * 10.0;
    for (double factor : {1.0, 2.0, 5.0}) {
        if (power * factor >= rough) {
            step = power * factor;
            break;
        }
    }
    // Tick n is computed from n, not summed, so no rounding drift creeps in.
    const double first = std::ceil(from / step - 1e-9);
    for (double n = first; n * step <= to + step * 1e-9; n += 1.0) ticks.push_back(n * step + 0.0);
    return ticks;
}

}  // namespace velmora::research
