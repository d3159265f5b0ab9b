#include "control/busy_wait.h"

namespace velmora {

void BusyWait(int units) noexcept {
    for (int unit = 0; unit < units; ++unit) {
        for (int round = 0; round < RoundsPerUnit; ++round) {
            // A volatile counter makes every step a real load and store, so
            // the optimiser can neither drop the loop nor shorten it.
            volatile int counter = StepsPerCountdown;
            while (counter > 0) {
                counter = counter - 1;
            }
        }
    }
}

}  // namespace velmora
