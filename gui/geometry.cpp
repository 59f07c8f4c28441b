#include "gui/geometry.h"

#include <climits>
#include <cstdint>

namespace gui {

namespace {

// Squared distance between two rectangles (0 when they overlap).
int64_t Distance2(const TRect& a, const TRect& b) {
    const int64_t dx = std::max({0, b.Left - a.Right + 1, a.Left - b.Right + 1});
    const int64_t dy = std::max({0, b.Top - a.Bottom + 1, a.Top - b.Bottom + 1});
    return dx * dx + dy * dy;
}

// The caption strip a user drags the window by is reachable in `area`.
bool Reachable(const TRect& r, const TRect& area, int grip) {
    const TRect strip{r.Left, r.Top, r.Right, r.Top + std::min(grip, r.Height())};
    const TRect seen = strip.Intersect(area);
    return !seen.IsEmpty() && seen.Width() >= std::min(grip, r.Width()) && r.Top >= area.Top;
}

}  // namespace

TRect FitOntoWorkArea(const TRect& r, std::span<const TRect> workAreas, int grip) {
    if (workAreas.empty()) return r;
    for (const TRect& area : workAreas)
        if (Reachable(r, area, grip)) return r;

    const TRect* nearest = &workAreas.front();
    int64_t best = INT64_MAX;
    for (const TRect& area : workAreas) {
        const int64_t d = Distance2(r, area);
        if (d < best) {
            best = d;
            nearest = &area;
        }
    }
    const TRect& a = *nearest;
    const int width = std::min(r.Width(), a.Width());
    const int height = std::min(r.Height(), a.Height());
    const int left = std::clamp(r.Left, a.Left, a.Right - width);
    const int top = std::clamp(r.Top, a.Top, a.Bottom - height);
    return BoundsRect(left, top, width, height);
}

}  // namespace gui
