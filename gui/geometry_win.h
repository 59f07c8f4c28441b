#pragma once

// Conversions between the class library's geometry and the Win32 structures.

#include "gui/geometry.h"
#include "gui/win.h"

namespace gui {

inline TRect ToTRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}
inline RECT ToRECT(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}
inline TPoint ToTPoint(const POINT& p) {
    return {p.x, p.y};
}
inline POINT ToPOINT(TPoint p) {
    return {p.X, p.Y};
}
// The point packed in a mouse message's lParam (signed coordinates).
inline TPoint PointFromLParam(LPARAM lp) {
    return {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
}
inline LPARAM PointToLParam(TPoint p) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(p.X)),
                      static_cast<WORD>(static_cast<short>(p.Y)));
}

}  // namespace gui
