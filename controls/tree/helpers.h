#pragma once

// Small services of the tree family: the operating-system family flags,
// length-prefixed strings on streams, the modifier keys held now, and
// integer helpers.
//
// Stream formats (little-endian): an 8-bit string is an int32 byte count
// and the bytes; a wide string an int32 count of UTF-16 units and the
// units. No terminator. The four stream routines never raise: a short
// stream, a negative length or a length beyond what the stream holds gives
// false and leaves the output unchanged.

#include <string>
#include <string_view>

#include "runtime/events.h"

namespace runtime {
class TStream;
}

namespace controls::tree {

// Filled once by InitOsFlags at start-up, before any control exists.
bool IsWinNT();
bool IsWin98Up();
void InitOsFlags();

[[nodiscard]] bool WriteStringToStream(runtime::TStream& stream, std::string_view s);
[[nodiscard]] bool ReadStringFromStream(runtime::TStream& stream, std::string& s);
[[nodiscard]] bool WriteWideStringToStream(runtime::TStream& stream, std::u16string_view s);
[[nodiscard]] bool ReadWideStringFromStream(runtime::TStream& stream, std::u16string& s);

// Shift, Alt and Ctrl as they are held now (always empty natively).
runtime::TShiftState GetShiftState();

// Right and bottom are inclusive.
struct TGtRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TGtRect&, const TGtRect&) = default;
};

// A w x h box centred in a W x H area (never left of or above it).
void CenterRects(int w, int W, int h, int H, TGtRect& r);

inline bool InRange(int low, int high, int value) {
    return low <= value && value <= high;
}
inline int MaxOf(int a, int b) {
    return a > b ? a : b;
}
inline int MinOf(int a, int b) {
    return a < b ? a : b;
}
inline int SignOf(int v) {
    return v > 0 ? 1 : v < 0 ? -1 : 0;
}

}  // namespace controls::tree
