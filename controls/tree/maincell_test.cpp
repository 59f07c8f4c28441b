#include "controls/tree/maincell.h"

#include <gtest/gtest.h>

#include <string>

namespace controls::tree {
namespace {

// The parts shown, as "button 0-17 check 17-32 image2 .. image1 .. text .. hit N".
std::string Describe(const TGtMainCellLayout& l) {
    std::string out;
    const auto span = [&](const char* name, TGtSpan s) {
        if (!s.Empty())
            out += std::string(name) + " " + std::to_string(s.Left) + "-" +
                   std::to_string(s.Right) + " ";
    };
    span("button", l.Button);
    span("check", l.CheckBox);
    span("image2", l.Image2);
    span("image1", l.Image1);
    span("text", l.Text);
    out += "hit " + std::to_string(l.TextHitLeft);
    if (l.MirrorSum != 0) out += "-" + std::to_string(l.TextHitRight);
    return out;
}

TEST(GtMainCell, PartsFollowTheIndentLeftToRight) {
    struct Case {
        TGtMainCellInput in;
        const char* expected;
    } cases[] = {
        {{.TextWidth = 40}, "button 0-17 text 22-62 hit 18"},
        {{.CellLeft = 100, .Level = 2, .TextWidth = 10}, "button 134-151 text 156-166 hit 152"},
        {{.RootIndent = false, .TextWidth = 10}, "button -14-3 text 8-18 hit 4"},
        {{.CheckBox = true, .Image2Width = 16, .Image1Width = 16, .TextWidth = 10},
         "button 0-17 check 17-32 image2 37-53 image1 58-74 text 79-89 hit 75"},
        {{.Image1Width = 16, .TextWidth = 10}, "button 0-17 image1 17-33 text 38-48 hit 34"},
        {{.CheckBox = true, .TextWidth = 10}, "button 0-17 check 17-32 text 37-47 hit 33"},
        // The row's own indent moves every part.
        {{.TextWidth = 10, .TextIndent = 20}, "button 20-37 text 42-52 hit 38"},
        // A top-level ancestor without its button column pulls the row left.
        {{.Level = 1, .TextWidth = 10, .NoButtonColumn = true}, "button 0-17 text 22-32 hit 18"},
        // Empty image slots keep their width but not the gap before them.
        {{.CheckBox = true,
          .Image2Width = 16,
          .Image1Width = 16,
          .TextWidth = 10,
          .Image2Reserved = true},
         "button 0-17 check 17-32 image2 32-48 image1 53-69 text 74-84 hit 70"},
        {{.CheckBox = true, .Image1Width = 16, .TextWidth = 10, .Image1Reserved = true},
         "button 0-17 check 17-32 image1 32-48 text 53-63 hit 49"},
    };
    for (const Case& c : cases) EXPECT_EQ(Describe(LayoutMainCell(c.in)), c.expected);
}

// A right-aligned tree mirrors the parts into the cell from its right edge;
// the text ends two pixels short of the gap before them, and its hit zone
// runs from the text up to the parts.
TEST(GtMainCell, RightAlignedPartsRunLeftFromTheCellsRightEdge) {
    struct Case {
        TGtMainCellInput in;
        const char* expected;
    } cases[] = {
        {{.TextWidth = 40, .RightToLeft = true, .CellRight = 200},
         "button 183-200 text 136-176 hit 135-182"},
        {{.CellLeft = 100,
          .Level = 1,
          .CheckBox = true,
          .Image2Width = 16,
          .Image1Width = 16,
          .TextWidth = 10,
          .RightToLeft = true,
          .CellRight = 300},
         "button 266-283 check 251-266 image2 230-246 image1 209-225 text 192-202 hit 191-208"},
        // A text wider than the cell runs out at its left.
        {{.TextWidth = 200, .RightToLeft = true, .CellRight = 100},
         "button 83-100 text -124-76 hit -125-82"},
    };
    for (const Case& c : cases) EXPECT_EQ(Describe(LayoutMainCell(c.in)), c.expected);
    // Level columns stay left to right; the painter mirrors each pixel.
    const TGtMainCellLayout l = LayoutMainCell({.Level = 2, .RightToLeft = true, .CellRight = 200});
    EXPECT_EQ(l.Base, 17);
    EXPECT_EQ(l.MirrorX(l.Base), 182);
}

}  // namespace
}  // namespace controls::tree
