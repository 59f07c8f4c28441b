#include <algorithm>
#include <cstring>

#include "controls/tree/drawing.h"
#include "controls/tree/helpers.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/handles.h"

namespace controls::tree {

TRgb ColorToRgb(gui::TColor colour) {
    return static_cast<TRgb>(gui::ColorToRGB(colour));
}

gui::TColor RgbToColor(TRgb rgb) {
    return gui::MakeColor(rgb & 0xFFFFFF);
}

gui::TColor InvertColor(gui::TColor colour) {
    return RgbToColor(InvertRGB(ColorToRgb(colour)));
}

int KeyboardTiming(UINT query) {
    int value = 0;
    SystemParametersInfoW(query, 0, &value, 0);
    if (query == SPI_GETKEYBOARDSPEED) return KeyboardRepeatMs(value);
    if (query == SPI_GETKEYBOARDDELAY) return KeyboardDelayMs(value);
    return value;
}

void FillSolid(HDC dc, int x, int y, gui::TColor colour, int height, int width) {
    RECT r{x, y, x + width, y + height};
    if (r.right < r.left) std::swap(r.left, r.right);
    if (r.bottom < r.top) std::swap(r.top, r.bottom);
    const COLORREF old = SetBkColor(dc, ColorToRgb(colour));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void Draw3DRect(HDC dc, int x, int y, gui::TColor bottomRight, gui::TColor topLeft, int height,
                int width) {
    FillSolid(dc, x, y, topLeft, 1, width - 1);
    FillSolid(dc, x, y, topLeft, height - 1, 1);
    FillSolid(dc, x + width - 1, y, bottomRight, height, 1);
    FillSolid(dc, x, y + height - 1, bottomRight, 1, width);
}

void DrawDoubleFrame(HDC dc, const gui::TRect& r, int outerTopLeft, int innerBottomRight,
                     int innerTopLeft, int outerBottomRight) {
    Draw3DRect(dc, r.Left, r.Top, gui::SystemColor(outerBottomRight),
               gui::SystemColor(outerTopLeft), r.Height(), r.Width());
    Draw3DRect(dc, r.Left + 1, r.Top + 1, gui::SystemColor(innerBottomRight),
               gui::SystemColor(innerTopLeft), r.Height() - 2, r.Width() - 2);
}

void DrawScrollButtonFrame(HDC dc, const gui::TRect& r, bool raised) {
    if (raised)
        DrawDoubleFrame(dc, r, COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT,
                        COLOR_3DDKSHADOW);
    else
        DrawDoubleFrame(dc, r, COLOR_BTNHIGHLIGHT, COLOR_BTNFACE, COLOR_BTNFACE, COLOR_BTNSHADOW);
}

void DrawButtonFrame(HDC dc, const gui::TRect& r, bool raised, bool thin, gui::TColor colour,
                     bool pressed) {
    gui::TColor shades[4] = {gui::clBtnHighlight, gui::cl3DDkShadow, colour, gui::clBtnShadow};
    TFrameShades own;
    if (colour != gui::clBtnFace && FrameShadesOf(ColorToRgb(colour), own)) {
        shades[fcHighlight] = RgbToColor(own.Highlight);
        shades[fcDark] = RgbToColor(own.Dark);
        shades[fcShadow] = RgbToColor(own.Shadow);
    }
    const TFrameRings rings = FrameRingsFor(raised, pressed);
    Draw3DRect(dc, r.Left, r.Top, shades[rings.OuterBottomRight], shades[rings.OuterTopLeft],
               r.Height(), r.Width());
    if (thin) return;
    Draw3DRect(dc, r.Left + 1, r.Top + 1, shades[rings.InnerBottomRight],
               shades[rings.InnerTopLeft], r.Height() - 2, r.Width() - 2);
}

namespace {

// The triangle's lines of 1, 3, 5 and 7 pixels from the apex outwards, in
// a box of 4 x 7 (left, right) or 7 x 4 (up, down) at (x, y), each cut to
// `bounds` (the context's own clipping is left as the caller set it).
void ArrowLines(HDC dc, int direction, int x, int y, gui::TColor colour, const gui::TRect& bounds) {
    for (int i = 0; i < 4; ++i) {
        gui::TRect line;
        switch (direction) {
            case adLeft:
                line = {x + i, y + 3 - i, x + i + 1, y + 4 + i};
                break;
            case adRight:
                line = {x + 3 - i, y + 3 - i, x + 4 - i, y + 4 + i};
                break;
            case adUp:
                line = {x + 3 - i, y + i, x + 4 + i, y + i + 1};
                break;
            default:
                line = {x + 3 - i, y + 3 - i, x + 4 + i, y + 4 - i};
                break;
        }
        line = line.Intersect(bounds);
        if (!line.IsEmpty())
            FillSolid(dc, line.Left, line.Top, colour, line.Height(), line.Width());
    }
}

}  // namespace

void DrawArrow(gui::TCanvas& canvas, int direction, const gui::TRect& r, gui::TColor colour,
               bool enabled) {
    const bool across = direction == adLeft || direction == adRight;
    const int w = across ? 4 : 7;
    const int h = across ? 7 : 4;
    if (r.Width() < (across ? 3 : 6) || r.Height() < (across ? 6 : 3)) return;
    TGtRect box;
    CenterRects(w, r.Width(), h, r.Height(), box);
    const int x = r.Left + box.Left;
    const int y = r.Top + box.Top;
    HDC dc = canvas.Handle();
    if (enabled) {
        ArrowLines(dc, direction, x, y, colour, r);
    } else {
        ArrowLines(dc, direction, x + 1, y + 1, gui::clBtnHighlight, r);
        ArrowLines(dc, direction, x, y, gui::clBtnShadow, r);
    }
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, const gui::TRect& source,
                           gui::TColor transparent) {
    gui::TDCHandle memory(CreateCompatibleDC(dc));
    gui::TSelectObject select(memory.Get(), bitmap);
    TransparentBlt(dc, x, y, source.Width(), source.Height(), memory.Get(), source.Left, source.Top,
                   source.Width(), source.Height(), ColorToRgb(transparent));
}

void AlphaTint(gui::TCanvas& canvas, const gui::TRect& r, gui::TColor colour, int alpha) {
    const int w = r.Width(), h = r.Height();
    if (w <= 0 || h <= 0) return;
    HDC dc = canvas.Handle();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    gui::TBitmapHandle work(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!work) return;
    gui::TDCHandle memory(CreateCompatibleDC(dc));
    gui::TSelectObject select(memory.Get(), work.Get());
    BitBlt(memory.Get(), 0, 0, w, h, dc, r.Left, r.Top, SRCCOPY);
    GdiFlush();
    const TRgb c = ColorToRgb(colour);
    const uint32_t a = static_cast<uint32_t>(alpha & 0xFF);
    // DIB pixels are 0x00RRGGBB.
    const uint32_t cr = static_cast<uint32_t>(RedOf(c)), cg = static_cast<uint32_t>(GreenOf(c)),
                   cb = static_cast<uint32_t>(BlueOf(c));
    auto* p = static_cast<uint32_t*>(bits);
    for (int i = 0; i < w * h; ++i) {
        const uint32_t v = p[i];
        const uint32_t red = (((v >> 16) & 0xFF) * (256 - a) + cr * a) >> 8;
        const uint32_t green = (((v >> 8) & 0xFF) * (256 - a) + cg * a) >> 8;
        const uint32_t blue = ((v & 0xFF) * (256 - a) + cb * a) >> 8;
        p[i] = red << 16 | green << 8 | blue;
    }
    BitBlt(dc, r.Left, r.Top, w, h, memory.Get(), 0, 0, SRCCOPY);
}

gui::TCustomForm* GetOwnerForm(runtime::TComponent* component) {
    for (runtime::TComponent* c = component; c != nullptr; c = c->Owner())
        if (auto* form = dynamic_cast<gui::TCustomForm*>(c)) return form;
    return nullptr;
}

}  // namespace controls::tree
