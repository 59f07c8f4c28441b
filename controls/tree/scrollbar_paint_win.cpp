// The scroll bar's painting: each part in turn, by the owner's handler,
// the visual styles or the classic look.
#include <algorithm>
#include <cstring>
#include <vector>

#include "controls/tree/drawing.h"
#include "controls/tree/scrollbar.h"
#include "gui/geometry_win.h"

namespace controls::tree {

namespace {

bool IsButton(TGtScrollBarPart part) {
    return part == sbpLeftArrow || part == sbpRightArrow || part == sbpLeftSndArrow ||
           part == sbpRightSndArrow;
}

bool IsTrackArea(TGtScrollBarPart part) {
    return part == sbpLeftTop || part == sbpRightBottom || part == sbpNowhere;
}

// The 8 x 8 checkerboard of a colour and its lighter shade.
gui::TBrushHandle MakeBlendBrush(TRgb colour, TRgb lighter) {
    std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + 8 * 8 * 4);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = 8;
    header->biHeight = -8;
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;
    auto* pixels = reinterpret_cast<uint32_t*>(dib.data() + sizeof(BITMAPINFOHEADER));
    // DIB pixels are 0x00RRGGBB.
    auto dibPixel = [](TRgb c) {
        return static_cast<uint32_t>(RedOf(c)) << 16 | static_cast<uint32_t>(GreenOf(c)) << 8 |
               static_cast<uint32_t>(BlueOf(c));
    };
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i)
            pixels[j * 8 + i] = dibPixel(((i ^ j) & 1) != 0 ? colour : lighter);
    return gui::TBrushHandle(CreateDIBPatternBrushPt(dib.data(), DIB_RGB_COLORS));
}

}  // namespace

struct TCustomGtScrollBar::Painter {
    TCustomGtScrollBar& bar;
    gui::TCanvas& canvas;
    HDC dc;
    TGtScrollMetrics m;
    TGtScrollBarLayout layout;
    bool themed;
    bool focused;

    void Run() {
        const std::pair<TGtScrollBarPart, gui::TRect> buttons[] = {
            {sbpLeftArrow, layout.LeftArrow},
            {sbpRightArrow, layout.RightArrow},
            {sbpLeftSndArrow, layout.LeftSndArrow},
            {sbpRightSndArrow, layout.RightSndArrow},
        };
        for (const auto& [part, r] : buttons)
            if (!r.IsEmpty()) Part(part, r);
        if (layout.HasThumb && bar.Enabled()) {
            if (!layout.BeforeThumb.IsEmpty()) Part(sbpLeftTop, layout.BeforeThumb);
            Part(sbpThumb, layout.Thumb);
            if (!layout.AfterThumb.IsEmpty()) Part(sbpRightBottom, layout.AfterThumb);
        } else if (!layout.Track.IsEmpty()) {
            Part(sbpNowhere, layout.Track);
        }
    }

    void Part(TGtScrollBarPart part, const gui::TRect& r) {
        const bool enabled = part != sbpNowhere && bar.PartCanAct(part);
        const bool pressed = part == sbpThumb
                                 ? bar.tracking_
                                 : bar.pressing_ && bar.pressed_ == part && bar.hot_ == part;
        const bool hot = bar.mouseInside_ && !bar.pressing_ && bar.hot_ == part;
        const bool raised = Raised(part, enabled, hot);
        if (bar.ownerDraw_ && bar.OnDrawPart) {
            bool defaultDraw = true;
            bar.OnDrawPart(&bar, &canvas, r, part, enabled, IsTrackArea(part) ? focused : raised,
                           pressed, defaultDraw);
            if (!defaultDraw) return;
        }
        if (themed)
            Themed(part, r, !enabled ? 4 : pressed ? 3 : hot ? 2 : 1);
        else
            Classic(part, r, enabled, hot, pressed, raised);
    }

    bool Raised(TGtScrollBarPart part, bool enabled, bool hot) const {
        if (part == sbpThumb) {
            const bool scrollable = m.Max - m.Min >= m.Page;
            return !bar.flat_ || (focused && !bar.activeFlat_) ||
                   (bar.mouseInside_ && bar.hot_ == sbpThumb && scrollable);
        }
        return !bar.flat_ || (hot && !bar.activeFlat_ && enabled);
    }

    // ---- visual styles -----------------------------------------------------------------------

    void Background(int part, int state, const gui::TRect& r) {
        gui::TThemeServices::Instance().DrawBackground(bar.Theme(), dc, part, state, r, nullptr);
    }

    void Track(int part, int state, const gui::TRect& r) {
        COLORREF colour;
        if (gui::TThemeServices::Instance().Color(bar.Theme(), part, state, 1601, colour))
            FillSolid(dc, r.Left, r.Top, RgbToColor(colour), r.Height(), r.Width());
        Background(part, state, r);
    }

    void Themed(TGtScrollBarPart part, const gui::TRect& r, int state) {
        const bool v = m.Vertical;
        switch (part) {
            case sbpLeftArrow:
                Background(v ? 3 : 2, 0, r);
                Background(1, (v ? 0 : 8) + state, r);
                break;
            case sbpRightArrow:
                Background(v ? 3 : 2, 0, r);
                Background(1, (v ? 4 : 12) + state, r);
                break;
            case sbpLeftSndArrow:
            case sbpRightSndArrow: {
                const bool left = part == sbpLeftSndArrow;
                if (!v && bar.SecondBtnKind == sbkOpposite) {
                    Background(1, (left ? 12 : 8) + state, r);
                    break;
                }
                Background(2, state, r);
                SecondaryGlyphs(part, r, state != 4, state == 2);
                break;
            }
            case sbpLeftTop:
                Track(v ? 7 : 5, state, r);
                break;
            case sbpRightBottom:
                Track(v ? 6 : 4, state, r);
                break;
            case sbpThumb: {
                Background(v ? 3 : 2, state, r);
                gui::TRect content;
                if (bar.drawBars_ && gui::TThemeServices::Instance().BackgroundContentRect(
                                         bar.Theme(), dc, v ? 3 : 2, state, r, content))
                    Background(v ? 9 : 8, state, content);
                break;
            }
            case sbpNowhere:
                Track(v ? 6 : 4, 4, r);
                break;
        }
    }

    // ---- the classic look ----------------------------------------------------------------------

    HBRUSH TrackBrush() {
        const bool faceColoured = GetSysColor(COLOR_SCROLLBAR) == GetSysColor(COLOR_BTNFACE);
        if ((bar.blendBackground_ && !bar.systemBkColor_) || (bar.systemBkColor_ && faceColoured)) {
            if (!bar.blendBrush_) {
                const gui::TColor colour = bar.Color();
                const TRgb lighter = colour == gui::clBtnFace ? ColorToRgb(gui::clBtnHighlight)
                                                              : LighterShade(ColorToRgb(colour));
                bar.blendBrush_ = MakeBlendBrush(ColorToRgb(colour), lighter);
            }
            if (bar.blendBrush_) return bar.blendBrush_.Get();
        }
        return nullptr;
    }

    void FillTrack(const gui::TRect& r) {
        if (HBRUSH brush = TrackBrush()) {
            const RECT rc = gui::ToRECT(r);
            // The pattern lines up with the bar, not the buffer.
            SetBrushOrgEx(dc, 0, 0, nullptr);
            FillRect(dc, &rc, brush);
            return;
        }
        const gui::TColor colour = bar.systemBkColor_ ? gui::clScrollBar : bar.Color();
        FillSolid(dc, r.Left, r.Top, colour, r.Height(), r.Width());
    }

    gui::TColor Darker() const {
        const gui::TColor colour = bar.Color();
        return colour == gui::clBtnFace ? gui::clBtnShadow
                                        : RgbToColor(DarkerShade(ColorToRgb(colour)));
    }

    void Glyph(int direction, const gui::TRect& r, bool enabled, bool hot) {
        DrawArrow(canvas, direction, r, hot ? bar.arrowHotTrackColor_ : bar.arrowColor_,
                  enabled || bar.noDisableButtons_);
    }

    void SecondaryGlyphs(TGtScrollBarPart part, const gui::TRect& r, bool enabled, bool hot) {
        const bool v = m.Vertical;
        const bool left = part == sbpLeftSndArrow;
        const int back = v ? adUp : adLeft;
        const int forward = v ? adDown : adRight;
        if (bar.SecondBtnKind == sbkPage) {
            // Two glyphs pointing outwards, three pixels apart.
            const int direction = left ? back : forward;
            for (int shift : {-2, 1})
                Glyph(direction, v ? r.Offset(0, shift) : r.Offset(shift, 0), enabled, hot);
            return;
        }
        Glyph(left ? forward : back, r, enabled, hot);
    }

    void Classic(TGtScrollBarPart part, const gui::TRect& r, bool enabled, bool hot, bool pressed,
                 bool raised) {
        const bool v = m.Vertical;
        if (IsTrackArea(part)) {
            if (pressed && bar.changeColorsOnScroll_ && part != sbpNowhere)
                FillSolid(dc, r.Left, r.Top, Darker(), r.Height(), r.Width());
            else
                FillTrack(r);
            return;
        }
        if (IsButton(part)) {
            if (bar.drawArrowFrames_) {
                FillSolid(dc, r.Left, r.Top, bar.Color(), r.Height(), r.Width());
                DrawButtonFrame(dc, r, raised, bar.thinFrames_, bar.Color(), pressed);
            } else {
                FillTrack(r);
            }
            if (part == sbpLeftArrow)
                Glyph(v ? adUp : adLeft, r, enabled, hot);
            else if (part == sbpRightArrow)
                Glyph(v ? adDown : adRight, r, enabled, hot);
            else
                SecondaryGlyphs(part, r, enabled, hot);
            return;
        }
        // The thumb.
        FillSolid(dc, r.Left, r.Top, bar.Color(), r.Height(), r.Width());
        const bool sunk = bar.tracking_ && !bar.noSunkenThumb_;
        if (bar.drawFrames_) DrawButtonFrame(dc, r, raised, bar.thinFrames_, bar.Color(), sunk);
        const int length = v ? r.Height() : r.Width();
        const int thickness = v ? r.Width() : r.Height();
        const int inset = static_cast<int>(bar.barOffset_) + (bar.drawFrames_ ? 1 : 0);
        if (!bar.drawBars_ || length <= 14 || thickness < 2 * inset + 3) return;
        const int shift = sunk ? 1 : 0;
        const int centre = (v ? (r.Top + r.Bottom) : (r.Left + r.Right)) / 2;
        for (int d : {-3, -1, 1, 3}) {
            if (v)
                FillSolid(dc, r.Left + inset + shift, centre + d + shift, bar.barColor_, 1,
                          thickness - 2 * inset);
            else
                FillSolid(dc, centre + d + shift, r.Top + inset + shift, bar.barColor_,
                          thickness - 2 * inset, 1);
        }
    }
};

void TCustomGtScrollBar::Paint() {
    gui::TCanvas& canvas = Canvas();
    const TGtScrollMetrics m = Metrics();
    Painter painter{*this,        canvas,   canvas.Handle(), m, LayoutScrollBar(m, thumbOffset_),
                    ThemeInUse(), Focused()};
    painter.Run();
}

}  // namespace controls::tree
