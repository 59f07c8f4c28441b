#include "controls/tree/treewheel.h"

#include <algorithm>

namespace controls::tree {

namespace {

constexpr int kNotch = 120;

}  // namespace

int TGtWheelRows::Turn(int delta, uint32_t lines, int page) {
    const bool pages = lines == kWheelPageScroll;
    // 120 / lines must not be 0; a page is at least a row.
    const int perNotch =
        pages ? std::max(page, 1)
              : std::clamp(static_cast<int>(std::min<uint32_t>(lines, kNotch)), 1, kNotch);
    const int unit = pages ? kNotch : kNotch / perNotch;
    rest_ += delta;
    const int steps = rest_ / unit;
    rest_ -= steps * unit;
    return pages ? steps * perNotch : steps;
}

}  // namespace controls::tree
