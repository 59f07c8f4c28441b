#pragma once

// The tree control's layout arithmetic, free of windows: how many rows a
// view shows, how far it may scroll, the default row height, where the
// header, the view, the two bars and the corner square go, and what the
// scroll bars show. The control feeds it its window sizes and settings.

#include "gui/geometry.h"

namespace controls::tree {

// Rows of `lineHeight` covering `height`, a cut-off last row counted.
int VisibleRowCount(int height, int lineHeight);
// Whole rows that fit; `rest` gets the pixels left below them.
int FullRowCount(int height, int lineHeight, int& rest);
// The largest first row shown: the last row still ends the page. Never
// below 0.
int MaxTopIndex(int totalVisible, int visibleRows);
// A wanted top row made valid for the content.
int ClampTopIndex(int index, int totalVisible, int visibleRows);

// What the default row height depends on.
struct TGtLineHeightInput {
    int FontHeight = -11;  // negative: character height; positive: cell height
    int ItemIndent = 17;
    int ImagesHeight = 0;   // 0 without images (or with ShowImages off)
    int Images2Height = 0;  // likewise for the second list
    bool ShowCheckboxes = false;
    int CheckGlyphHeight = 0;  // with custom check boxes: the taller glyph; else 0
    bool CustomCheckboxes = false;
    bool BarStyle = false;
    bool HorizontalLines = false;
};
int DefaultLineHeight(const TGtLineHeightInput& in);

// Where the tree's parts go in its client area.
struct TGtLayoutInput {
    gui::TRect Client;
    bool ShowColumns = false;
    int HeaderHeight = 0;
    bool StickyHeader = false;  // the header reaches one pixel further
    bool CustomBars = true;
    bool HorzBarVisible = false;
    bool VertBarVisible = false;
    int HorzBarHeight = 0;
    int VertBarWidth = 0;
    // The vertical bar stands at the right exactly when these are equal.
    bool RightAlignedText = false;
    bool ScrollbarOpposite = false;
};
struct TGtLayout {
    gui::TRect Header;
    gui::TRect View;
    gui::TRect HorzBar;
    gui::TRect VertBar;
    gui::TRect Corner;  // empty unless both bars show
};
TGtLayout ComputeLayout(const TGtLayoutInput& in);

// A scroll bar's range and page, and whether it shows.
struct TGtBarState {
    bool Visible = false;
    int Max = 0;
    int Page = 1;
    int Position = 0;
};
// Horizontal: content against the view's width; `leftPosition` is clipped.
TGtBarState HorzBarState(int contentWidth, int viewWidth, bool hide, int leftPosition);
// Vertical, for rows of one height: `rowsHeight` is the height of the rows
// shown, `rowsShown` their number.
TGtBarState VertBarState(int totalVisible, int topIndex, int viewHeight, int lineHeight,
                         int rowsHeight, int rowsShown, bool hide);

}  // namespace controls::tree
