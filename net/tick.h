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

}  // namespace net
