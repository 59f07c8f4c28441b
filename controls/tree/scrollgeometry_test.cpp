#include "controls/tree/scrollgeometry.h"

#include <gtest/gtest.h>

namespace controls::tree {
namespace {

// A vertical bar 100 long and 17 thick with 17-pixel buttons, range 0..100,
// page 14.
TGtScrollMetrics Bar() {
    TGtScrollMetrics m;
    m.Vertical = true;
    m.Length = 100;
    m.Thickness = 17;
    m.SystemButton = 17;
    m.SystemThumb = 17;
    return m;
}

TEST(GtScrollGeometry, MulDivRoundsLikeWindows) {
    EXPECT_EQ(MulDivRound(10, 3, 4), 8);  // 7.5 rounds away from zero
    EXPECT_EQ(MulDivRound(-10, 3, 4), -8);
    EXPECT_EQ(MulDivRound(5, 2, 3), 3);
    EXPECT_EQ(MulDivRound(7, 1, -2), -4);
    EXPECT_EQ(MulDivRound(1, 1, 0), -1);
    EXPECT_EQ(MulDivRound(1 << 30, 1 << 30, 1), -1);  // overflow
}

TEST(GtScrollGeometry, ThumbFollowsPageAndPosition) {
    TGtScrollMetrics m = Bar();
    EXPECT_EQ(ButtonLength(m), 17);
    EXPECT_EQ(ThumbLength(m), 9);  // 14 * 66 / 101
    EXPECT_EQ(ThumbOffset(m), 17);
    m.Position = 87;  // Max - Page + 1: the thumb at the end of the track
    EXPECT_EQ(ThumbOffset(m), 100 - 17 - 9);
    EXPECT_EQ(PositionFromThumb(m, 74), 87);
    EXPECT_EQ(PositionFromThumb(m, 17), 0);
    m.Position = 100;  // past the last page: stays at the end
    EXPECT_EQ(ThumbOffset(m), 74);
    EXPECT_EQ(MinThumbOffset(m), 17);
    EXPECT_EQ(MaxThumbOffset(m), 74);

    // A page covering the range fills the track: no drag, no scrolling.
    m.Position = 0;
    m.Page = 101;
    EXPECT_EQ(ThumbLength(m), 66);
    EXPECT_EQ(ThumbOffset(m), 17);
    EXPECT_FALSE(CanScrollBack(m));
    EXPECT_FALSE(CanScrollForward(m));
    EXPECT_FALSE(PressAccepted(m, sbpThumb, sbkOpposite, {}, false));

    // Page 0 takes the system's thumb; a tiny page the least thumb.
    m.Page = 0;
    EXPECT_EQ(ThumbLength(m), 17);
    m.Page = 1;
    m.Max = 10000;
    EXPECT_EQ(ThumbLength(m), 4);
    m.MinThumbSize = 12;
    EXPECT_EQ(ThumbLength(m), 12);

    // A fixed thumb, from the system or the stored size.
    m.ThumbMode = etmFixed;
    EXPECT_EQ(ThumbLength(m), 17);
    m.UseSystemMetrics = false;
    m.ButtonSize = 10;
    m.ThumbSize = 30;
    EXPECT_EQ(ThumbLength(m), 30);
    EXPECT_EQ(ButtonLength(m), 10);
    m.ThumbSize = 81;  // longer than the track: no thumb
    EXPECT_EQ(ThumbLength(m), 0);
}

TEST(GtScrollGeometry, ShortBarsShareTheirLength) {
    TGtScrollMetrics m = Bar();
    m.Length = 20;
    EXPECT_EQ(ButtonLength(m), 10);
    EXPECT_EQ(ThumbLength(m), 0);
    const TGtScrollBarLayout layout = LayoutScrollBar(m, ThumbOffset(m));
    EXPECT_EQ(layout.LeftArrow, (gui::TRect{0, 0, 17, 10}));
    EXPECT_EQ(layout.RightArrow, (gui::TRect{0, 10, 17, 20}));
    EXPECT_FALSE(layout.HasThumb);
    // No buttons at all.
    m.ShowLeftArrows = m.ShowRightArrows = false;
    EXPECT_EQ(ButtonLength(m), 17);
    EXPECT_EQ(ThumbLength(m), 4);  // page 14 of 101 in 20 pixels, at least 4
}

TEST(GtScrollGeometry, PartsAndHitTesting) {
    TGtScrollMetrics m = Bar();
    m.Length = 200;
    m.SecondaryButtons = true;
    m.Position = 50;
    const int offset = ThumbOffset(m);
    const int thumb = ThumbLength(m);
    const TGtScrollBarLayout v = LayoutScrollBar(m, offset);
    EXPECT_EQ(v.LeftArrow, (gui::TRect{0, 0, 17, 17}));
    EXPECT_EQ(v.LeftSndArrow, (gui::TRect{0, 17, 17, 34}));
    EXPECT_EQ(v.RightSndArrow, (gui::TRect{0, 166, 17, 183}));
    EXPECT_EQ(v.RightArrow, (gui::TRect{0, 183, 17, 200}));
    EXPECT_EQ(v.Track, (gui::TRect{0, 34, 17, 166}));
    EXPECT_EQ(v.BeforeThumb, (gui::TRect{0, 34, 17, offset}));
    EXPECT_EQ(v.Thumb, (gui::TRect{0, offset, 17, offset + thumb}));
    EXPECT_EQ(v.AfterThumb, (gui::TRect{0, offset + thumb, 17, 166}));

    struct Row {
        int along, across;
        TGtScrollBarPart part;
    };
    const Row rows[] = {
        {0, 5, sbpLeftArrow},
        {17, 5, sbpLeftArrow},
        {18, 5, sbpLeftSndArrow},
        {34, 5, sbpLeftSndArrow},
        {35, 5, sbpLeftTop},
        {offset, 5, sbpThumb},
        {offset + thumb, 5, sbpRightBottom},
        {165, 5, sbpRightBottom},
        {166, 5, sbpRightSndArrow},
        {183, 5, sbpRightSndArrow},
        {184, 5, sbpRightArrow},
        {199, 5, sbpRightArrow},
        {50, -1, sbpNowhere},
        {50, 18, sbpNowhere},
        {50, 17, sbpLeftTop},
    };
    for (const Row& r : rows)
        EXPECT_EQ(HitTestScrollBar(m, offset, r.along, r.across), r.part)
            << r.along << "," << r.across;

    // A horizontal bar lays the same parts out along x.
    m.Vertical = false;
    const TGtScrollBarLayout h = LayoutScrollBar(m, offset);
    EXPECT_EQ(h.LeftSndArrow, (gui::TRect{17, 0, 34, 17}));
    EXPECT_EQ(h.Thumb, (gui::TRect{offset, 0, offset + thumb, 17}));
}

TEST(GtScrollGeometry, WhatAPressDoes) {
    TGtScrollMetrics m = Bar();
    m.Position = 50;
    struct Row {
        TGtScrollBarPart part;
        TGtSecButtonsKind kind;
        TGtScrollCode code;
        int position;
    };
    const Row rows[] = {
        {sbpLeftArrow, sbkOpposite, escLineUp, 47},
        {sbpRightArrow, sbkOpposite, escLineDown, 53},
        {sbpLeftSndArrow, sbkOpposite, escLineDown, 53},
        {sbpRightSndArrow, sbkOpposite, escLineUp, 47},
        {sbpLeftSndArrow, sbkPage, escPageUp, 36},
        {sbpRightSndArrow, sbkPage, escPageDown, 64},
        {sbpLeftSndArrow, sbkCustom, escSndLineDown, 50},
        {sbpRightSndArrow, sbkCustom, escSndLineUp, 50},
        {sbpLeftTop, sbkOpposite, escPageUp, 36},
        {sbpRightBottom, sbkOpposite, escPageDown, 64},
    };
    for (const Row& r : rows) {
        TGtScrollAction a;
        ASSERT_TRUE(ActionForPart(m, r.part, r.kind, 3, a)) << r.part;
        EXPECT_EQ(a.Code, r.code) << r.part << " " << r.kind;
        EXPECT_EQ(a.NewPosition, r.position) << r.part << " " << r.kind;
    }
    TGtScrollAction a;
    EXPECT_FALSE(ActionForPart(m, sbpThumb, sbkOpposite, 1, a));

    // At the start nothing scrolls back, unless buttons never disable.
    m.Position = 0;
    ASSERT_TRUE(ActionForPart(m, sbpLeftArrow, sbkOpposite, 1, a));
    EXPECT_EQ(a.NewPosition, 0);
    EXPECT_FALSE(PressAccepted(m, sbpLeftArrow, sbkOpposite, a, false));
    EXPECT_TRUE(PressAccepted(m, sbpLeftArrow, sbkOpposite, a, true));
    ActionForPart(m, sbpLeftSndArrow, sbkCustom, 1, a);
    EXPECT_TRUE(PressAccepted(m, sbpLeftSndArrow, sbkCustom, a, false));
    ActionForPart(m, sbpRightBottom, sbkOpposite, 1, a);
    EXPECT_TRUE(PressAccepted(m, sbpRightBottom, sbkOpposite, a, false));
    EXPECT_TRUE(PressAccepted(m, sbpThumb, sbkOpposite, a, false));

    // The forward arrow stops at Max, or at the last page with the
    // alternative rule.
    m.Position = 90;
    EXPECT_TRUE(CanScrollForward(m));
    m.AltDisablingArrows = true;
    EXPECT_FALSE(CanScrollForward(m));
}

TEST(GtScrollGeometry, WheelSteps) {
    TGtScrollMetrics m = Bar();
    m.Max = 1000;
    struct Row {
        int delta, lines, steps;
    };
    const Row rows[] = {
        {120, 3, 3}, {-120, 3, -3},   {240, 1, 2},     {120, 0, 1},           {60, 3, 1},
        {30, 3, 0},  {120, 150, 150}, {-120, -1, -14}, {120 * 20, 150, 1001},
    };
    for (const Row& r : rows)
        EXPECT_EQ(WheelSteps(m, r.delta, r.lines), r.steps) << r.delta << " " << r.lines;
}

}  // namespace
}  // namespace controls::tree
