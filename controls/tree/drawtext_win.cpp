// The family's formatted-text drawing: laid out by textlayout.cpp from
// GetTextExtentExPointW's widths, drawn line by line with ExtTextOutW.
#include <string>

#include "controls/tree/drawing.h"
#include "gui/geometry_win.h"

namespace controls::tree {

TGtTextMetrics TGdiTextMeasurer::Metrics() {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc_, &tm);
    return {tm.tmHeight, tm.tmAscent, tm.tmExternalLeading, tm.tmAveCharWidth, tm.tmOverhang};
}

void TGdiTextMeasurer::MeasureRun(std::u16string_view text, int* ends) {
    SIZE size{};
    GetTextExtentExPointW(dc_, reinterpret_cast<const wchar_t*>(text.data()),
                          static_cast<int>(text.size()), 0, nullptr, ends, &size);
}

int DrawTextWideEx(HDC dc, std::u16string_view text, UINT format, gui::TRect& r,
                   TGtDrawTextParams* params, std::u16string* modified) {
    TGdiTextMeasurer measurer(dc);
    TGtTextLayout layout;
    const int height = LayoutTextWide(text, format, r, params, measurer, layout);
    if (modified != nullptr && layout.Modified) *modified = layout.ModifiedText;
    if ((format & kDtCalcRect) != 0) return height;
    // Without extra parameters DT_TABSTOP's high byte is the tab length.
    const UINT flags = (format & kDtTabStop) != 0 && params == nullptr ? format & ~0xFF00u : format;
    const bool clip = (flags & kDtNoClip) == 0;
    const UINT options =
        (clip ? ETO_CLIPPED : 0) | ((flags & kDtRtlReading) != 0 ? ETO_RTLREADING : 0);
    const RECT clipRect = gui::ToRECT(r.Inflate(1, 1));
    const auto* units = reinterpret_cast<const wchar_t*>(layout.Text.data());
    gui::TColor underline{};
    bool underlineKnown = false;
    for (const TGtTextLine& line : layout.Lines) {
        if ((flags & kDtPrefixOnly) == 0)
            ExtTextOutW(dc, line.X, line.Y, options, clip ? &clipRect : nullptr, units + line.Start,
                        static_cast<UINT>(line.Length), nullptr);
        if (line.PrefixX >= 0 && (flags & kDtHidePrefix) == 0) {
            if (!underlineKnown) {
                underline = RgbToColor(GetTextColor(dc));
                underlineKnown = true;
            }
            FillSolid(dc, line.X + line.PrefixX, line.Y + layout.Metrics.Ascent + 1, underline, 1,
                      line.PrefixWidth);
        }
    }
    return height;
}

int DrawTextWide(HDC dc, const char16_t* text, int length, UINT format, gui::TRect& r) {
    if (text == nullptr) length = 0;
    if (length < 0) length = static_cast<int>(std::char_traits<char16_t>::length(text));
    return DrawTextWideEx(dc, std::u16string_view(text, static_cast<size_t>(length)), format, r,
                          nullptr);
}

}  // namespace controls::tree
