#pragma once

// How a parent places its children: alignment to its edges (Align) and
// anchoring to its edges when it changes size (Anchors), with size limits.
// Pure computation over plain data; the controls feed it and apply the
// result.

#include <span>

#include "gui/geometry.h"
#include "runtime/typeinfo.h"

namespace gui {

RUNTIME_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)
RUNTIME_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
RUNTIME_SET(TAnchors, TAnchorKind)

inline constexpr TAnchors kDefaultAnchors{akLeft, akTop};

// Smallest and largest width and height; 0 means no limit.
struct TSizeLimits {
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = 0;
    int MaxHeight = 0;
    friend constexpr bool operator==(const TSizeLimits&, const TSizeLimits&) = default;
};

// The size kept within the limits (a maximum below the minimum yields to it).
TSize ConstrainSize(TSize size, const TSizeLimits& limits);

// Where a child stood and how large its parent's client area was when its
// position was last set by hand.
struct TAnchorOrigin {
    TBounds Bounds;
    TSize ParentSize;
};

// The child's bounds after its parent's client area became `parentSize`:
// an edge anchored to the parent keeps its distance to that edge; anchored
// to both opposite edges the child stretches; anchored to neither it keeps
// its centre at the same proportion of the parent's extent.
TBounds AnchorBounds(const TAnchorOrigin& origin, TSize parentSize, TAnchors anchors,
                     const TSizeLimits& limits = {});

// One child taking part in alignment.
struct TAlignItem {
    TAlign Align = alNone;
    TBounds Bounds;  // in: the current bounds; out: the aligned ones
    TSizeLimits Limits;
};

// Aligns the items within `area`, in the order the class library uses:
// top, bottom, left, right, then client. Items of one alignment are taken
// by their current position (top to bottom for alTop, bottom to top for
// alBottom, and so on), ties in list order. Items with alNone or alCustom
// are left alone. Returns the area left over after the aligned items.
TRect AlignItems(std::span<TAlignItem> items, TRect area);

}  // namespace gui
