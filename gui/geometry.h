#pragma once

// Plain geometry of the class library: points, sizes, rectangles as edges
// (TRect: left, top, right, bottom; right and bottom exclusive) and as an
// origin with extents (TBounds: x, y, width, height). The two are distinct
// types with explicit conversions, so an extent is never read as an edge.
// Portable: the Windows RECT/POINT conversions live in geometry_win.h.

#include <algorithm>
#include <span>

namespace gui {

struct TPoint {
    int X = 0;
    int Y = 0;
    friend constexpr bool operator==(TPoint, TPoint) = default;
};

struct TSize {
    int Width = 0;
    int Height = 0;
    friend constexpr bool operator==(TSize, TSize) = default;
};

struct TBounds;

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TSize Size() const { return {Width(), Height()}; }
    constexpr TPoint TopLeft() const { return {Left, Top}; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint p) const {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }
    constexpr TRect Offset(int dx, int dy) const {
        return {Left + dx, Top + dy, Right + dx, Bottom + dy};
    }
    constexpr TRect Inflate(int dx, int dy) const {
        return {Left - dx, Top - dy, Right + dx, Bottom + dy};
    }
    // The common part; an empty rectangle at (0, 0) when there is none.
    constexpr TRect Intersect(const TRect& o) const {
        TRect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right),
                std::min(Bottom, o.Bottom)};
        return r.IsEmpty() ? TRect{} : r;
    }
    constexpr bool Intersects(const TRect& o) const { return !Intersect(o).IsEmpty(); }
    // The smallest rectangle holding both (an empty one counts as nothing).
    constexpr TRect Union(const TRect& o) const {
        if (IsEmpty()) return o;
        if (o.IsEmpty()) return *this;
        return {std::min(Left, o.Left), std::min(Top, o.Top), std::max(Right, o.Right),
                std::max(Bottom, o.Bottom)};
    }
    explicit constexpr operator TBounds() const;
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

struct TBounds {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;

    explicit constexpr operator TRect() const { return {X, Y, X + Width, Y + Height}; }
    friend constexpr bool operator==(const TBounds&, const TBounds&) = default;
};

constexpr TRect::operator TBounds() const {
    return {Left, Top, Width(), Height()};
}

constexpr TRect Rect(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}
constexpr TRect BoundsRect(int x, int y, int width, int height) {
    return {x, y, x + width, y + height};
}

// Where a window of rectangle `r` ends up so that the user can reach it:
// unchanged when a large enough part of it (its top strip of `grip`
// pixels and at least `grip` pixels across) lies inside one of the work
// areas; otherwise moved, and shrunk where it is larger, into the work area
// nearest to it. With no work areas at all it stays where it is.
TRect FitOntoWorkArea(const TRect& r, std::span<const TRect> workAreas, int grip = 24);

}  // namespace gui
