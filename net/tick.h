#pragma once

// The millisecond tick of the network time-outs: a 32-bit counter that
// wraps, and the distance between two of its readings across a wrap.

#include <cstdint>

namespace net {

// Milliseconds of the system's monotonic high-resolution clock, low 32 bits.
uint32_t CurrentTick();

// Milliseconds from `oldTick` to `newTick`, allowing for one wrap of the
// counter from its upper half to its lower half.
uint32_t TickDifference(uint32_t oldTick, uint32_t newTick);

// Milliseconds left of `timeout` after `start` (0 once it passed); -1, no
// limit, stays -1.
int TimeLeft(int timeout, uint32_t start);

// A point in time by which a series of waits must end, or none.
class TDeadline {
  public:
    TDeadline() = default;
    // `timeout` ms from now; -1: none.
    explicit TDeadline(int timeout) { Reset(timeout); }
    void Reset(int timeout);
    bool IsSet() const { return set_; }
    // Milliseconds left (0 once passed); -1 without a deadline.
    int Left() const;
    // The wait `timeout` (-1: no limit) cut to what is left.
    int Bound(int timeout) const;

  private:
    bool set_ = false;
    uint32_t at_ = 0;
};

}  // namespace net
