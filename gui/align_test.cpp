#include "gui/align.h"

#include <gtest/gtest.h>

#include <vector>

namespace gui {
namespace {

TEST(Anchors, ChildFollowsParentResize) {
    const TAnchorOrigin origin{{10, 20, 100, 50}, {300, 200}};
    struct Row {
        TAnchors anchors;
        TSize parent;
        TBounds expected;
    };
    const Row rows[] = {
        {{akLeft, akTop}, {400, 260}, {10, 20, 100, 50}},
        {{akRight, akBottom}, {400, 260}, {110, 80, 100, 50}},
        {{akLeft, akTop, akRight}, {400, 260}, {10, 20, 200, 50}},
        {{akLeft, akTop, akRight, akBottom}, {250, 180}, {10, 20, 50, 30}},
        // Neither edge: the centre (60, 45) stays at 20% and 22.5%.
        {{}, {600, 400}, {70, 65, 100, 50}},
        // Shrunk past the child: a stretched width never goes negative.
        {{akLeft, akRight}, {100, 200}, {10, 20, 0, 50}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AnchorBounds(origin, row.parent, row.anchors), row.expected)
            << "anchors mask " << row.anchors.Mask();
    }
}

TEST(Anchors, LimitsHoldAStretchedChild) {
    const TAnchorOrigin origin{{10, 10, 100, 50}, {300, 200}};
    const TSizeLimits limits{60, 0, 150, 0};
    EXPECT_EQ(AnchorBounds(origin, {500, 200}, {akLeft, akRight}, limits),
              (TBounds{10, 10, 150, 50}));
    EXPECT_EQ(AnchorBounds(origin, {220, 200}, {akLeft, akRight}, limits),
              (TBounds{10, 10, 60, 50}));
}

TEST(Align, EdgesThenClientInClassOrder) {
    std::vector<TAlignItem> items = {
        {alClient, {0, 0, 10, 10}, {}},
        {alTop, {0, 30, 10, 20}, {}},  // second from the top by
                                       // position
        {alTop, {0, 0, 10, 25}, {}},   // first
        {alBottom, {0, 0, 10, 15}, {}},
        {alLeft, {0, 0, 40, 10}, {}},
        {alRight, {0, 0, 30, 10}, {}},
        {alNone, {5, 6, 7, 8}, {}},
    };
    const TRect rest = AlignItems(items, {0, 0, 200, 150});
    EXPECT_EQ(items[2].Bounds, (TBounds{0, 0, 200, 25}));
    EXPECT_EQ(items[1].Bounds, (TBounds{0, 25, 200, 20}));
    EXPECT_EQ(items[3].Bounds, (TBounds{0, 135, 200, 15}));
    EXPECT_EQ(items[4].Bounds, (TBounds{0, 45, 40, 90}));
    EXPECT_EQ(items[5].Bounds, (TBounds{170, 45, 30, 90}));
    EXPECT_EQ(items[0].Bounds, (TBounds{40, 45, 130, 90}));
    EXPECT_EQ(items[6].Bounds, (TBounds{5, 6, 7, 8}));
    EXPECT_EQ(rest, (TRect{40, 45, 170, 135}));
}

TEST(Align, LimitsAndOverfullArea) {
    // A top panel with a minimum height keeps it; the client gets nothing
    // negative when the area is used up.
    std::vector<TAlignItem> items = {
        {alTop, {0, 0, 10, 30}, {0, 40, 0, 0}},
        {alBottom, {0, 0, 10, 50}, {}},
        {alClient, {0, 0, 10, 10}, {0, 0, 0, 0}},
    };
    AlignItems(items, {0, 0, 100, 60});
    EXPECT_EQ(items[0].Bounds, (TBounds{0, 0, 100, 40}));
    EXPECT_EQ(items[1].Bounds, (TBounds{0, 10, 100, 50}));
    EXPECT_EQ(items[2].Bounds, (TBounds{0, 40, 100, 0}));
}

TEST(ConstrainSize, MinimumWinsOverMaximum) {
    EXPECT_EQ(ConstrainSize({500, 5}, {10, 20, 300, 0}), (TSize{300, 20}));
    EXPECT_EQ(ConstrainSize({50, 50}, {100, 0, 80, 0}), (TSize{100, 50}));
}

}  // namespace
}  // namespace gui
