#include "gui/align.h"

#include <algorithm>
#include <vector>

namespace gui {

namespace {

int Limit(int value, int min, int max) {
    if (max > 0 && value > max) value = max;
    if (min > 0 && value < min) value = min;
    return value;
}

// One axis of anchoring: the start and extent of a child on it.
void AnchorAxis(int origStart, int origExtent, int origParent, int parent, bool nearEdge,
                bool farEdge, int& start, int& extent) {
    const int grow = parent - origParent;
    start = origStart;
    extent = origExtent;
    if (nearEdge && farEdge) {
        extent = std::max(0, origExtent + grow);
    } else if (farEdge) {
        start = origStart + grow;
    } else if (!nearEdge && origParent > 0) {
        // Centre kept at the same proportion, rounded to the nearest pixel.
        const long long twiceCentre = 2LL * origStart + origExtent;
        const long long scaled = (twiceCentre * parent + origParent) / (2LL * origParent);
        start = static_cast<int>(scaled - origExtent / 2);
    }
}

// Position key of an item for its alignment; items are taken in ascending key.
int OrderKey(const TAlignItem& item) {
    switch (item.Align) {
        case alTop:
            return item.Bounds.Y;
        case alBottom:
            return -(item.Bounds.Y + item.Bounds.Height);
        case alLeft:
            return item.Bounds.X;
        case alRight:
            return -(item.Bounds.X + item.Bounds.Width);
        default:
            return 0;
    }
}

}  // namespace

TSize ConstrainSize(TSize size, const TSizeLimits& limits) {
    return {Limit(size.Width, limits.MinWidth, limits.MaxWidth),
            Limit(size.Height, limits.MinHeight, limits.MaxHeight)};
}

TBounds AnchorBounds(const TAnchorOrigin& origin, TSize parentSize, TAnchors anchors,
                     const TSizeLimits& limits) {
    TBounds b;
    AnchorAxis(origin.Bounds.X, origin.Bounds.Width, origin.ParentSize.Width, parentSize.Width,
               anchors.Contains(akLeft), anchors.Contains(akRight), b.X, b.Width);
    AnchorAxis(origin.Bounds.Y, origin.Bounds.Height, origin.ParentSize.Height, parentSize.Height,
               anchors.Contains(akTop), anchors.Contains(akBottom), b.Y, b.Height);
    const TSize size = ConstrainSize({b.Width, b.Height}, limits);
    // A stretched child held back by a limit keeps its near edge.
    if (anchors.Contains(akRight) && !anchors.Contains(akLeft)) b.X += b.Width - size.Width;
    if (anchors.Contains(akBottom) && !anchors.Contains(akTop)) b.Y += b.Height - size.Height;
    b.Width = size.Width;
    b.Height = size.Height;
    return b;
}

TRect AlignItems(std::span<TAlignItem> items, TRect area) {
    static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient};
    std::vector<TAlignItem*> group;
    for (TAlign align : kOrder) {
        group.clear();
        for (TAlignItem& item : items)
            if (item.Align == align) group.push_back(&item);
        std::stable_sort(group.begin(), group.end(), [](const TAlignItem* a, const TAlignItem* b) {
            return OrderKey(*a) < OrderKey(*b);
        });
        for (TAlignItem* item : group) {
            TBounds& b = item->Bounds;
            const int areaWidth = std::max(0, area.Width());
            const int areaHeight = std::max(0, area.Height());
            TSize size{b.Width, b.Height};
            switch (align) {
                case alTop:
                case alBottom:
                    size.Width = areaWidth;
                    break;
                case alLeft:
                case alRight:
                    size.Height = areaHeight;
                    break;
                default:
                    size = {areaWidth, areaHeight};
                    break;
            }
            size = ConstrainSize(size, item->Limits);
            b.Width = size.Width;
            b.Height = size.Height;
            switch (align) {
                case alTop:
                    b.X = area.Left;
                    b.Y = area.Top;
                    area.Top += b.Height;
                    break;
                case alBottom:
                    b.X = area.Left;
                    b.Y = area.Bottom - b.Height;
                    area.Bottom -= b.Height;
                    break;
                case alLeft:
                    b.X = area.Left;
                    b.Y = area.Top;
                    area.Left += b.Width;
                    break;
                case alRight:
                    b.X = area.Right - b.Width;
                    b.Y = area.Top;
                    area.Right -= b.Width;
                    break;
                default:
                    b.X = area.Left;
                    b.Y = area.Top;
                    break;
            }
        }
    }
    return area;
}

}  // namespace gui
