#include "net/tick.h"

#include <algorithm>
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

int TimeLeft(int timeout, uint32_t start) {
    if (timeout < 0) return -1;
    int64_t left = int64_t{timeout} - TickDifference(start, CurrentTick());
    return left > 0 ? static_cast<int>(left) : 0;
}

void TDeadline::Reset(int timeout) {
    set_ = timeout >= 0;
    at_ = CurrentTick() + static_cast<uint32_t>(set_ ? timeout : 0);
}

int TDeadline::Left() const {
    if (!set_) return -1;
    auto left = static_cast<int32_t>(at_ - CurrentTick());
    return left > 0 ? left : 0;
}

int TDeadline::Bound(int timeout) const {
    int left = Left();
    if (left < 0) return timeout;
    return timeout < 0 ? left : std::min(timeout, left);
}

}  // namespace net
