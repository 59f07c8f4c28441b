#include "controls/tree/treegeometry.h"

#include <gtest/gtest.h>

namespace controls::tree {
namespace {

TEST(GtTreeGeometry, RowCountsAndTopIndexLimits) {
    struct Case {
        int height, line, visible, full, rest;
    } cases[] = {
        {0, 17, 0, 0, 0},  {16, 17, 1, 0, 16},   {17, 17, 1, 1, 0},
        {18, 17, 2, 1, 1}, {170, 17, 10, 10, 0}, {100, 0, 0, 0, 100},
    };
    for (const Case& c : cases) {
        int rest = -1;
        EXPECT_EQ(VisibleRowCount(c.height, c.line), c.visible) << c.height << "/" << c.line;
        EXPECT_EQ(FullRowCount(c.height, c.line, rest), c.full) << c.height << "/" << c.line;
        EXPECT_EQ(rest, c.rest) << c.height << "/" << c.line;
    }
    // 100 rows in a view showing 10 (the last cut off): the first row shown
    // is at most 91, so row 99 ends the page.
    EXPECT_EQ(MaxTopIndex(100, 10), 91);
    EXPECT_EQ(ClampTopIndex(500, 100, 10), 91);
    EXPECT_EQ(ClampTopIndex(-3, 100, 10), 0);
    EXPECT_EQ(ClampTopIndex(5, 3, 10), 0);  // fewer rows than the view holds
    EXPECT_EQ(MaxTopIndex(3, 10), 0);
}

TEST(GtTreeGeometry, DefaultLineHeightFollowsFontImagesAndLines) {
    struct Case {
        TGtLineHeightInput in;
        int expected;
    } cases[] = {
        {{}, 17},                                           // -11 + 4 = 15 < indent 17
        {{.FontHeight = -16}, 20},                          // character height + 4
        {{.FontHeight = 16}, 18},                           // cell height + 2
        {{.ImagesHeight = 24}, 24},                         // the taller image list
        {{.ImagesHeight = 16, .Images2Height = 22}, 22},    //
        {{.HorizontalLines = true}, 18},                    //
        {{.BarStyle = true}, 19},                           //
        {{.BarStyle = true, .HorizontalLines = true}, 19},  // lines add nothing then
        {{.ItemIndent = 8, .ShowCheckboxes = true}, 15},    // indent - 2 is less than text
        {{.ShowCheckboxes = true, .CheckGlyphHeight = 30, .CustomCheckboxes = true}, 30},
    };
    for (const Case& c : cases) EXPECT_EQ(DefaultLineHeight(c.in), c.expected);
}

TEST(GtTreeGeometry, LayoutPlacesHeaderViewBarsAndCorner) {
    TGtLayoutInput in{.Client = {0, 0, 200, 100},
                      .ShowColumns = true,
                      .HeaderHeight = 20,
                      .HorzBarVisible = true,
                      .VertBarVisible = true,
                      .HorzBarHeight = 16,
                      .VertBarWidth = 16};
    TGtLayout l = ComputeLayout(in);
    EXPECT_EQ(l.Header, (gui::TRect{0, 0, 184, 20}));
    EXPECT_EQ(l.View, (gui::TRect{0, 20, 184, 84}));
    EXPECT_EQ(l.HorzBar, (gui::TRect{0, 84, 184, 100}));
    EXPECT_EQ(l.VertBar, (gui::TRect{184, 0, 200, 84}));  // beside the header, from the top
    EXPECT_EQ(l.Corner, (gui::TRect{184, 85, 200, 100}));

    // Opposite bar on a left-to-right tree: at the left, the view moved right.
    in.ScrollbarOpposite = true;
    l = ComputeLayout(in);
    EXPECT_EQ(l.VertBar, (gui::TRect{0, 0, 16, 84}));
    EXPECT_EQ(l.View, (gui::TRect{16, 20, 200, 84}));
    EXPECT_EQ(l.Header, (gui::TRect{16, 0, 200, 20}));
    EXPECT_EQ(l.HorzBar, (gui::TRect{16, 84, 200, 100}));
    EXPECT_EQ(l.Corner, (gui::TRect{0, 85, 16, 100}));

    // No columns, no bars, sticky header ignored: the view is the client.
    l = ComputeLayout({.Client = {0, 0, 200, 100}, .StickyHeader = true});
    EXPECT_EQ(l.View, (gui::TRect{0, 0, 200, 100}));
    EXPECT_TRUE(l.Corner.IsEmpty());
    // Standard bars take no room of the client area.
    l = ComputeLayout({.Client = {0, 0, 200, 100},
                       .CustomBars = false,
                       .HorzBarVisible = true,
                       .VertBarVisible = true,
                       .HorzBarHeight = 16,
                       .VertBarWidth = 16});
    EXPECT_EQ(l.View, (gui::TRect{0, 0, 200, 100}));
}

TEST(GtTreeGeometry, ScrollBarsShowOnlyForMoreContentThanFits) {
    // Content one pixel wider than the view: no bar; two pixels: a bar.
    EXPECT_FALSE(HorzBarState(201, 200, false, 0).Visible);
    TGtBarState h = HorzBarState(202, 200, false, 50);
    EXPECT_TRUE(h.Visible);
    EXPECT_EQ(h.Max, 202);
    EXPECT_EQ(h.Page, 201);
    EXPECT_EQ(h.Position, 50);
    EXPECT_FALSE(HorzBarState(500, 200, true, 50).Visible);
    EXPECT_EQ(HorzBarState(500, 200, true, 50).Position, 0);
    EXPECT_EQ(HorzBarState(-5, 200, false, 0).Max, 0);

    // Five rows of 17 in a view of 100: all shown, no bar.
    EXPECT_FALSE(VertBarState(5, 0, 100, 17, 85, 5, false).Visible);
    // Twenty rows: the view holds 6 (one cut off).
    TGtBarState v = VertBarState(20, 0, 100, 17, 102, 6, false);
    EXPECT_TRUE(v.Visible);
    EXPECT_EQ(v.Max, 19);
    EXPECT_EQ(v.Page, 5);
    // Scrolled down, a bar shows even when the rows left fit.
    EXPECT_TRUE(VertBarState(5, 2, 100, 17, 51, 3, false).Visible);
    TGtBarState hidden = VertBarState(20, 0, 100, 17, 102, 6, true);
    EXPECT_FALSE(hidden.Visible);
    EXPECT_EQ(hidden.Max, 0);
    EXPECT_EQ(hidden.Page, 1);
}

}  // namespace
}  // namespace controls::tree
