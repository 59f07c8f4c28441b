#pragma once

// Wheel turns as rows: the arithmetic behind the tree view's wheel,
// free of windows. Portable.

#include <cstdint>

namespace controls::tree {

// The system's setting for a page a notch (WHEEL_PAGESCROLL).
inline constexpr uint32_t kWheelPageScroll = 0xFFFFFFFF;

// Turns of the wheel, kept between messages: parts of a notch add up.
class TGtWheelRows {
  public:
    // The rows `delta` (120 a notch, positive away from the user) moves the
    // rows up, with `lines` the system's lines a notch (kept to 1..120) or
    // kWheelPageScroll, and `page` the rows of a page then.
    int Turn(int delta, uint32_t lines, int page);
    void Reset() { rest_ = 0; }

  private:
    int rest_ = 0;
};

}  // namespace controls::tree
