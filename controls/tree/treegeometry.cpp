#include "controls/tree/treegeometry.h"

#include <algorithm>
#include <cstdlib>

namespace controls::tree {

int VisibleRowCount(int height, int lineHeight) {
    if (lineHeight <= 0 || height <= 0) return 0;
    return height / lineHeight + (height % lineHeight > 0 ? 1 : 0);
}

int FullRowCount(int height, int lineHeight, int& rest) {
    if (lineHeight <= 0 || height <= 0) {
        rest = std::max(height, 0);
        return 0;
    }
    rest = height % lineHeight;
    return height / lineHeight;
}

int MaxTopIndex(int totalVisible, int visibleRows) {
    return std::max(totalVisible - visibleRows + 1, 0);
}

int ClampTopIndex(int index, int totalVisible, int visibleRows) {
    const int largest = totalVisible - visibleRows + 1;
    if (index < 0 || largest < 0) return 0;
    return std::min(index, largest);
}

int DefaultLineHeight(const TGtLineHeightInput& in) {
    int h = std::max(in.ImagesHeight, in.Images2Height);
    h = std::max(h, in.ItemIndent);
    const int text = in.FontHeight < 0 ? -in.FontHeight + 4 : in.FontHeight + 2;
    int result = std::max(h, text);
    if (in.ShowCheckboxes)
        result = std::max(result, in.CustomCheckboxes ? in.CheckGlyphHeight : in.ItemIndent - 2);
    if (in.BarStyle)
        result += 2;
    else if (in.HorizontalLines)
        result += 1;
    return result;
}

TGtLayout ComputeLayout(const TGtLayoutInput& in) {
    TGtLayout out;
    int x0 = in.Client.Left;
    int y0 = in.Client.Top;
    int x1 = in.Client.Right;
    int y1 = in.Client.Bottom;
    if (in.ShowColumns) {
        out.Header = {0, 0, x1 + (in.StickyHeader ? 1 : 0), in.HeaderHeight};
        y0 = in.HeaderHeight;
    }
    const bool horz = in.HorzBarVisible && in.CustomBars;
    if (horz) {
        y1 -= in.HorzBarHeight;
        out.HorzBar = {0, y1, x1, y1 + in.HorzBarHeight};
    }
    if (in.VertBarVisible && in.CustomBars) {
        const int w = in.VertBarWidth;
        if (in.RightAlignedText == in.ScrollbarOpposite) {
            out.VertBar = {x1 - w, 0, x1, y1};
            out.Header.Right -= w;
            x1 -= w;
            out.HorzBar.Right -= w;
            if (horz)
                out.Corner = {out.VertBar.Left, out.VertBar.Bottom + 1, out.VertBar.Right,
                              out.HorzBar.Bottom};
        } else {
            out.VertBar = {x0, 0, x0 + w, y1};
            out.Header.Left += w;
            x0 += w;
            out.HorzBar.Left += w;
            if (horz)
                out.Corner = {0, out.VertBar.Bottom + 1, out.VertBar.Right, out.HorzBar.Bottom};
        }
    }
    out.View = {x0, y0, x1, y1};
    return out;
}

TGtBarState HorzBarState(int contentWidth, int viewWidth, bool hide, int leftPosition) {
    TGtBarState s;
    s.Max = std::max(contentWidth, 0);
    s.Page = viewWidth + 1;
    s.Visible = s.Max - s.Page >= 1 && !hide;
    if (!s.Visible) {
        s.Max = 0;
        leftPosition = 0;
    }
    s.Position = std::clamp(leftPosition, 0, s.Max);
    return s;
}

TGtBarState VertBarState(int totalVisible, int topIndex, int viewHeight, int lineHeight,
                         int rowsHeight, int rowsShown, bool hide) {
    TGtBarState s;
    s.Max = totalVisible - 1;
    s.Position = topIndex;
    const bool fits =
        topIndex == 0 && rowsHeight <= viewHeight && (rowsShown >= s.Max || rowsShown == 0);
    s.Visible = !hide && !fits;
    s.Page = VisibleRowCount(viewHeight, lineHeight) - 1;
    if (!s.Visible) {
        s.Max = 0;
        s.Page = 1;
    }
    return s;
}

}  // namespace controls::tree
