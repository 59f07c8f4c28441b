#include "controls/tree/treewheel.h"

#include <gtest/gtest.h>

#include <vector>

namespace controls::tree {
namespace {

TEST(GtWheelRows, NotchesAndPartTurnsBecomeRows) {
    struct Case {
        uint32_t lines;
        int page;
        std::vector<int> deltas;
        std::vector<int> rows;
    } cases[] = {
        {3, 9, {120, -120, -240}, {3, -3, -6}},
        // Part turns add up, both ways.
        {3, 9, {20, 20, -60, -20}, {0, 1, -1, -1}},
        {1, 9, {60, 60, 119}, {0, 1, 0}},
        // 0 counts as 1, beyond 120 as 120.
        {0, 9, {120}, {1}},
        {500, 9, {1, 2}, {1, 2}},
        // Page mode: a page a whole notch, in the turn's direction.
        {kWheelPageScroll, 9, {120, -60, -60, -120}, {9, 0, -9, -9}},
        {kWheelPageScroll, 0, {120}, {1}},
    };
    for (const Case& c : cases) {
        TGtWheelRows wheel;
        for (size_t i = 0; i < c.deltas.size(); ++i)
            EXPECT_EQ(wheel.Turn(c.deltas[i], c.lines, c.page), c.rows[i])
                << c.lines << " step " << i;
    }
}

}  // namespace
}  // namespace controls::tree
