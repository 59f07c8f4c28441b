#include "gui/geometry.h"

#include <gtest/gtest.h>

#include <vector>

namespace gui {
namespace {

TEST(Geometry, RectAndBoundsConvertExplicitly) {
    const TBounds b{10, 20, 30, 40};
    EXPECT_EQ(static_cast<TRect>(b), (TRect{10, 20, 40, 60}));
    EXPECT_EQ(static_cast<TBounds>(TRect{10, 20, 40, 60}), b);
    EXPECT_EQ((TRect{0, 0, 10, 10}.Intersect({5, 5, 20, 20})), (TRect{5, 5, 10, 10}));
    EXPECT_TRUE((TRect{0, 0, 10, 10}.Intersect({10, 0, 20, 10})).IsEmpty());
    EXPECT_EQ((TRect{}.Union({1, 2, 3, 4})), (TRect{1, 2, 3, 4}));
}

TEST(FitOntoWorkArea, SavedGeometryLandsOnAPresentMonitor) {
    // Two monitors side by side; the second has a task bar on its left.
    const std::vector<TRect> areas = {{0, 0, 1280, 984}, {1330, 0, 2560, 1024}};
    struct Row {
        const char* what;
        TRect saved;
        TRect expected;
    };
    const Row rows[] = {
        {"inside the first", {100, 100, 800, 500}, {100, 100, 800, 500}},
        {"spanning both, caption reachable", {1000, 50, 1700, 450}, {1000, 50, 1700, 450}},
        {"on a monitor now gone (far right)", {3000, 100, 3700, 500}, {1860, 100, 2560, 500}},
        {"above the top edge", {100, -300, 800, 100}, {100, 0, 800, 400}},
        {"far left, larger than the area", {-5000, 10, -3000, 1200}, {0, 0, 1280, 984}},
        {"in the gap, a few pixels on each", {1270, 100, 1340, 400}, {1210, 100, 1280, 400}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FitOntoWorkArea(row.saved, areas), row.expected) << row.what;
}

TEST(FitOntoWorkArea, NoWorkAreasLeavesTheRectangle) {
    EXPECT_EQ(FitOntoWorkArea({-9000, -9000, -8000, -8000}, {}),
              (TRect{-9000, -9000, -8000, -8000}));
}

}  // namespace
}  // namespace gui
