#include "controls/tree/colormath.h"

#include <algorithm>

#include "runtime/strings.h"

namespace controls::tree {

THls RGBToHLS(TRgb rgb) {
    const int r = RedOf(rgb), g = GreenOf(rgb), b = BlueOf(rgb);
    const int max = std::max({r, g, b});
    const int min = std::min({r, g, b});
    const int l = ((max + min) * kHlsMax + 255) / 510;
    if (max == min) return MakeHLS(kHueUndefined, l, 0);
    const int d = max - min;
    const int s = l <= kHlsMax / 2 ? (d * kHlsMax + (max + min) / 2) / (max + min)
                                   : (d * kHlsMax + (510 - max - min) / 2) / (510 - max - min);
    const int rd = ((max - r) * (kHlsMax / 6) + d / 2) / d;
    const int gd = ((max - g) * (kHlsMax / 6) + d / 2) / d;
    const int bd = ((max - b) * (kHlsMax / 6) + d / 2) / d;
    int h;
    if (r == max)
        h = bd - gd;
    else if (g == max)
        h = kHlsMax / 3 + rd - bd;
    else
        h = 2 * kHlsMax / 3 + gd - rd;
    if (h < 0) h += kHlsMax;
    if (h > kHlsMax) h -= kHlsMax;
    return MakeHLS(h, l, s);
}

namespace {

int HueToRGB(int m1, int m2, int h) {
    if (h < 0) h += kHlsMax;
    if (h > kHlsMax) h -= kHlsMax;
    if (h < kHlsMax / 6) return m1 + ((m2 - m1) * h + kHlsMax / 12) / (kHlsMax / 6);
    if (h < kHlsMax / 2) return m2;
    if (h < 2 * kHlsMax / 3)
        return m1 + ((m2 - m1) * (2 * kHlsMax / 3 - h) + kHlsMax / 12) / (kHlsMax / 6);
    return m1;
}

int Component(int m1, int m2, int h) {
    return std::clamp((HueToRGB(m1, m2, h) * 255 + kHlsMax / 2) / kHlsMax, 0, 255);
}

}  // namespace

TRgb HLSToRGB(THls hls) {
    const int h = HueOf(hls), l = LightnessOf(hls), s = SaturationOf(hls);
    if (s == 0) {
        const int v = std::min(255, l * 255 / kHlsMax);
        return MakeRGB(v, v, v);
    }
    const int m2 = l <= kHlsMax / 2 ? (l * (kHlsMax + s) + kHlsMax / 2) / kHlsMax
                                    : l + s - (l * s + kHlsMax / 2) / kHlsMax;
    const int m1 = 2 * l - m2;
    return MakeRGB(Component(m1, m2, h + kHlsMax / 3), Component(m1, m2, h),
                   Component(m1, m2, h - kHlsMax / 3));
}

TRgb WithLightness(TRgb rgb, int lightness) {
    const THls hls = RGBToHLS(rgb);
    return HLSToRGB(MakeHLS(HueOf(hls), std::clamp(lightness, 0, 255), SaturationOf(hls)));
}

bool FrameShadesOf(TRgb rgb, TFrameShades& shades) {
    const int l = LightnessOf(RGBToHLS(rgb));
    if (l == 0) return false;
    shades.Highlight = WithLightness(rgb, std::min(239, l + l / 3));
    shades.Dark = WithLightness(rgb, std::min(239, l - l / 2));
    shades.Shadow = WithLightness(rgb, std::min(239, l - l / 3));
    return true;
}

TRgb LighterShade(TRgb rgb) {
    const int l = LightnessOf(RGBToHLS(rgb));
    return WithLightness(rgb, std::min(255, l + l / 4));
}

TRgb DarkerShade(TRgb rgb) {
    const int l = LightnessOf(RGBToHLS(rgb));
    return WithLightness(rgb, std::min(255, l - l / 4));
}

TFrameRings FrameRingsFor(bool raised, bool pressed) {
    if (!pressed)
        return raised ? TFrameRings{fcHighlight, fcDark, fcFace, fcShadow}
                      : TFrameRings{fcHighlight, fcShadow, fcFace, fcFace};
    return raised ? TFrameRings{fcDark, fcHighlight, fcShadow, fcFace}
                  : TFrameRings{fcShadow, fcHighlight, fcFace, fcFace};
}

std::u16string ShortHintWide(std::u16string_view hint) {
    return std::u16string(hint.substr(0, hint.find(u'|')));
}

std::string EncodeWideHint(std::u16string_view text) {
    if (text.empty()) return {};
    std::string out = runtime::WideToAnsi(text);
    out += '\0';
    out.reserve(out.size() + 2 * text.size() + 4);
    for (char16_t unit : text) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    out.append("\0\0\xFE\xFF", 4);
    return out;
}

bool DecodeWideHint(std::string_view hint, std::u16string& text) {
    const size_t zero = hint.find('\0');
    if (zero == std::string_view::npos) return false;
    const std::string_view wide = hint.substr(zero + 1);
    if (wide.size() < 4 || wide.size() % 2 != 0 ||
        !wide.ends_with(std::string_view("\0\0\xFE\xFF", 4)))
        return false;
    text.resize((wide.size() - 4) / 2);
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(wide[2 * i]) |
                                        static_cast<unsigned char>(wide[2 * i + 1]) << 8);
    return true;
}

}  // namespace controls::tree
