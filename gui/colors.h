#pragma once

// Colour values of the class library: 32-bit, 0x00BBGGRR for an RGB colour
// (red in the low byte), 0xFF000000 + n for the Windows system colour with
// index n (so system colours are negative), and two special values: clNone
// (draw nothing) and clDefault (the control's default colour).
//
// TColor is its own integer type, published as "TColor": layouts and
// streams write a colour by its name ("clBtnFace") when it has one, else as
// a number (RegisterColorIdents makes the stream reader and writer do so).

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/typeinfo.h"

namespace gui {

enum TColor : int32_t {};

constexpr TColor MakeColor(uint32_t value) {
    return static_cast<TColor>(static_cast<int32_t>(value));
}
constexpr TColor RGBColor(uint8_t red, uint8_t green, uint8_t blue) {
    return MakeColor(red | (uint32_t{green} << 8) | (uint32_t{blue} << 16));
}
constexpr uint32_t ColorValue(TColor c) {
    return static_cast<uint32_t>(static_cast<int32_t>(c));
}
constexpr bool IsSystemColor(TColor c) {
    return (ColorValue(c) & 0xFF000000u) == 0xFF000000u;
}
// The system colour index (COLOR_BTNFACE = 15, ...) of a system colour.
constexpr int SystemColorIndex(TColor c) {
    return static_cast<int>(ColorValue(c) & 0xFFu);
}
constexpr TColor SystemColor(int index) {
    return MakeColor(0xFF000000u | static_cast<uint32_t>(index & 0xFF));
}
constexpr uint8_t RedOf(TColor c) {
    return static_cast<uint8_t>(ColorValue(c));
}
constexpr uint8_t GreenOf(TColor c) {
    return static_cast<uint8_t>(ColorValue(c) >> 8);
}
constexpr uint8_t BlueOf(TColor c) {
    return static_cast<uint8_t>(ColorValue(c) >> 16);
}

inline constexpr TColor clNone = MakeColor(0x1FFFFFFF);
inline constexpr TColor clDefault = MakeColor(0x20000000);

inline constexpr TColor clBlack = RGBColor(0, 0, 0);
inline constexpr TColor clMaroon = RGBColor(0x80, 0, 0);
inline constexpr TColor clGreen = RGBColor(0, 0x80, 0);
inline constexpr TColor clOlive = RGBColor(0x80, 0x80, 0);
inline constexpr TColor clNavy = RGBColor(0, 0, 0x80);
inline constexpr TColor clPurple = RGBColor(0x80, 0, 0x80);
inline constexpr TColor clTeal = RGBColor(0, 0x80, 0x80);
inline constexpr TColor clGray = RGBColor(0x80, 0x80, 0x80);
inline constexpr TColor clSilver = RGBColor(0xC0, 0xC0, 0xC0);
inline constexpr TColor clRed = RGBColor(0xFF, 0, 0);
inline constexpr TColor clLime = RGBColor(0, 0xFF, 0);
inline constexpr TColor clYellow = RGBColor(0xFF, 0xFF, 0);
inline constexpr TColor clBlue = RGBColor(0, 0, 0xFF);
inline constexpr TColor clFuchsia = RGBColor(0xFF, 0, 0xFF);
inline constexpr TColor clAqua = RGBColor(0, 0xFF, 0xFF);
inline constexpr TColor clWhite = RGBColor(0xFF, 0xFF, 0xFF);
inline constexpr TColor clMoneyGreen = RGBColor(0xC0, 0xDC, 0xC0);
inline constexpr TColor clSkyBlue = RGBColor(0xA6, 0xCA, 0xF0);
inline constexpr TColor clCream = RGBColor(0xFF, 0xFB, 0xF0);
inline constexpr TColor clMedGray = RGBColor(0xA0, 0xA0, 0xA4);

inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clInactiveCaption = SystemColor(3);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clCaptionText = SystemColor(9);
inline constexpr TColor clActiveBorder = SystemColor(10);
inline constexpr TColor clInactiveBorder = SystemColor(11);
inline constexpr TColor clAppWorkSpace = SystemColor(12);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInactiveCaptionText = SystemColor(19);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor cl3DDkShadow = SystemColor(21);
inline constexpr TColor cl3DLight = SystemColor(22);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);
inline constexpr TColor clHotLight = SystemColor(26);
inline constexpr TColor clGradientActiveCaption = SystemColor(27);
inline constexpr TColor clGradientInactiveCaption = SystemColor(28);
inline constexpr TColor clMenuHighlight = SystemColor(29);
inline constexpr TColor clMenuBar = SystemColor(30);

// The name of a colour that has one ("clBtnFace").
bool ColorToIdent(TColor color, std::string& ident);
// A colour by name (ASCII case ignored).
bool IdentToColor(std::string_view ident, TColor& color);
// The name, else "$" and eight hexadecimal digits.
std::string ColorToString(TColor color);
// A name or a number (decimal, "$hex", "0xhex"); EConvertError otherwise.
TColor StringToColor(std::string_view text);

// Makes component streams read and write colours by name.
void RegisterColorIdents();

}  // namespace gui

namespace gui {
const runtime::TTypeInfo& TypeInfoFor(TColor*);
}  // namespace gui
