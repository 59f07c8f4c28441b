#include "net/tick.h"

#include <chrono>

namespace net {

uint32_t CurrentTick() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

uint32_t TickDifference(uint32_t oldTick, uint32_t newTick) {
    if (oldTick == newTick) return 0;
    if (newTick > oldTick) return newTick - oldTick;
    // The counter went below the old reading: shift both by half the range;
    // a wrap from the upper to the lower half then reads as an ordinary
    // forward step, anything else as the backward distance.
    uint32_t shiftedOld = oldTick + 0x80000000u;
    uint32_t shiftedNew = newTick + 0x80000000u;
    return shiftedOld <= shiftedNew ? shiftedNew - shiftedOld : shiftedOld - shiftedNew;
}

}  // namespace net
