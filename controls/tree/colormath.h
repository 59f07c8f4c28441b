#pragma once

// Colour arithmetic of the tree family's drawing, on RGB values (0x00BBGGRR,
// red in the low byte; system colours are resolved before these are used):
// components, inversion, and a hue/lightness/saturation model on the scale
// 0..252 (hue 168 marks an achromatic colour), with the shades the scroll
// bar and the button frames are drawn in. Also the keyboard timing rules and
// the wide-hint encoding the family's controls share. Portable.

#include <cstdint>
#include <string>
#include <string_view>

namespace controls::tree {

using TRgb = uint32_t;

constexpr int RedOf(TRgb c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(TRgb c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(TRgb c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
// Packs the low bytes.
constexpr TRgb MakeRGB(int red, int green, int blue) {
    return static_cast<TRgb>(red & 0xFF) | static_cast<TRgb>(green & 0xFF) << 8 |
           static_cast<TRgb>(blue & 0xFF) << 16;
}
// Each component c becomes 255 - c.
constexpr TRgb InvertRGB(TRgb c) {
    return MakeRGB(255 - RedOf(c), 255 - GreenOf(c), 255 - BlueOf(c));
}

inline constexpr int kHlsMax = 252;
inline constexpr int kHueUndefined = 168;

// Hue in the low byte, lightness in the second, saturation in the third.
using THls = uint32_t;
constexpr int HueOf(THls v) {
    return static_cast<int>(v & 0xFF);
}
constexpr int LightnessOf(THls v) {
    return static_cast<int>((v >> 8) & 0xFF);
}
constexpr int SaturationOf(THls v) {
    return static_cast<int>((v >> 16) & 0xFF);
}
constexpr THls MakeHLS(int hue, int lightness, int saturation) {
    return MakeRGB(hue, lightness, saturation);
}

THls RGBToHLS(TRgb rgb);
TRgb HLSToRGB(THls hls);
// The colour with its lightness replaced (hue and saturation kept).
TRgb WithLightness(TRgb rgb, int lightness);

// Button frames of a colour other than the button face: the highlight,
// dark and shadow shades (a colour of lightness 0 has none: false).
struct TFrameShades {
    TRgb Highlight = 0;
    TRgb Dark = 0;
    TRgb Shadow = 0;
};
bool FrameShadesOf(TRgb rgb, TFrameShades& shades);

// The scroll bar's lighter and darker shades of a colour other than the
// button face: its lightness L moved by L div 4.
TRgb LighterShade(TRgb rgb);
TRgb DarkerShade(TRgb rgb);

// The four colours of a button frame and which of them each ring takes.
enum TFrameColour : uint8_t { fcHighlight, fcDark, fcFace, fcShadow };
struct TFrameRings {
    TFrameColour OuterTopLeft, OuterBottomRight, InnerTopLeft, InnerBottomRight;
};
TFrameRings FrameRingsFor(bool raised, bool pressed);

// Keyboard settings as milliseconds: the repeat interval from the speed
// setting (0..31) and the first-repeat delay from the delay setting (0..3).
constexpr int KeyboardRepeatMs(int speedSetting) {
    return 1000 / (speedSetting + 1);
}
constexpr int KeyboardDelayMs(int delaySetting) {
    return delaySetting * 250 + 250;
}

// The text before the first "|", or the whole hint when it has none.
std::u16string ShortHintWide(std::u16string_view hint);

// A wide hint carried in an 8-bit hint string: the text in the system code
// page, a zero byte, the UTF-16 units (little-endian), then the units 0 and
// 0xFFFE; empty for an empty text. A window that shows the string as 8-bit
// text shows the 8-bit form.
std::string EncodeWideHint(std::u16string_view text);
// The wide text of an encoded hint; false for a plain 8-bit hint.
bool DecodeWideHint(std::string_view hint, std::u16string& text);

}  // namespace controls::tree
