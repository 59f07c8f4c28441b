// The tree's flat window border and its flat standard scroll bars.
#include <algorithm>

#include "controls/tree/drawing.h"
#include "controls/tree/helpers.h"
#include "controls/tree/scrollgeometry.h"
#include "gui/geometry_win.h"
#include "gui/handles.h"

namespace controls::tree {

namespace {

void Fill(HDC dc, const gui::TRect& r, gui::TColor colour) {
    FillSolid(dc, r.Left, r.Top, colour, r.Height(), r.Width());
}

// One-pixel lines on the listed sides: left column and top row in topLeft,
// right column and bottom row in bottomRight. Returns the rectangle inside.
gui::TRect FrameSides(HDC dc, gui::TRect r, gui::TColor topLeft, TGtBorderSides sides,
                      gui::TColor bottomRight) {
    if (sides.Contains(ebsLeft)) Fill(dc, {r.Left, r.Top, r.Left + 1, r.Bottom}, topLeft);
    if (sides.Contains(ebsTop)) Fill(dc, {r.Left, r.Top, r.Right, r.Top + 1}, topLeft);
    if (sides.Contains(ebsRight)) Fill(dc, {r.Right - 1, r.Top, r.Right, r.Bottom}, bottomRight);
    if (sides.Contains(ebsBottom)) Fill(dc, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, bottomRight);
    if (sides.Contains(ebsLeft)) ++r.Left;
    if (sides.Contains(ebsTop)) ++r.Top;
    if (sides.Contains(ebsRight)) --r.Right;
    if (sides.Contains(ebsBottom)) --r.Bottom;
    return r;
}

// Two rings of the background colour from r inwards.
void BackgroundRings(HDC dc, gui::TRect r, gui::TColor background, TGtBorderSides sides) {
    r = FrameSides(dc, r, background, sides, background);
    FrameSides(dc, r, background, sides, background);
}

}  // namespace

void DrawFlatBorder(HDC dc, gui::TRect r, gui::TColor lineColour, TGtFlatBorderType type,
                    TGtBorderSides sides, gui::TColor background) {
    using gui::clBtnFace, gui::clBtnShadow, gui::clWindow, gui::clBtnHighlight;
    switch (type) {
        case fbtFlat: {
            BackgroundRings(dc, r, background, sides);
            FrameSides(dc, r, clBtnShadow, sides, clBtnHighlight);
            return;
        }
        case fbtLine:
        case fbtLineBorder:
        case fbtNone:
            BackgroundRings(dc, r, background, sides);
            if (type == fbtLine && sides.Contains(ebsBottom))
                Fill(dc, {r.Left, r.Bottom - 1, r.Right, r.Bottom}, gui::clWindowFrame);
            if (type == fbtLineBorder)
                FrameSides(dc, r, gui::clWindowFrame, sides, gui::clWindowFrame);
            return;
        case fbtColorLineBorder:
            r = FrameSides(dc, r, lineColour, sides, lineColour);
            FrameSides(dc, r, background, sides, background);
            return;
        default:
            break;
    }
    static constexpr UINT kEdges[] = {
        0,           EDGE_SUNKEN,     BDR_SUNKENINNER, BDR_SUNKENOUTER,
        EDGE_RAISED, BDR_RAISEDINNER, BDR_RAISEDOUTER, EDGE_BUMP,
        EDGE_BUMP,   EDGE_ETCHED,     EDGE_BUMP};
    UINT flags = BF_ADJUST;
    if (sides.Contains(ebsLeft)) flags |= BF_LEFT;
    if (sides.Contains(ebsTop)) flags |= BF_TOP;
    if (sides.Contains(ebsRight)) flags |= BF_RIGHT;
    if (sides.Contains(ebsBottom)) flags |= BF_BOTTOM;
    RECT rc = gui::ToRECT(r);
    DrawEdge(dc, &rc, kEdges[type], flags);
    const gui::TRect in = gui::ToTRect(rc);

    // The extra lines of each kind, each drawn when its side is listed.
    const int L = in.Left, T = in.Top, R = in.Right, B = in.Bottom;
    struct Stroke {
        TGtBorderSide side;
        gui::TColor colour;
        gui::TRect rect;
    };
    auto draw = [&](std::initializer_list<Stroke> strokes) {
        for (const Stroke& s : strokes)
            if (sides.Contains(s.side)) Fill(dc, s.rect, s.colour);
    };
    switch (type) {
        case fbtSunkenInner:
            draw({{ebsLeft, clBtnFace, {L, T, L + 1, B}},
                  {ebsTop, clBtnFace, {L, T, R, T + 1}},
                  {ebsRight, clBtnFace, {R - 1, T, R, B}},
                  {ebsBottom, clBtnFace, {L, B - 1, R, B}},
                  {ebsRight, clBtnFace, {R, T - 1, R + 1, B + 1}},
                  {ebsBottom, clBtnFace, {L - 1, B, R + 1, B + 1}}});
            break;
        case fbtSunkenOuter:
            draw({{ebsLeft, clBtnFace, {L, T, L + 1, B - 1}},
                  {ebsTop, clBtnFace, {L, T, R - 1, T + 1}},
                  {ebsRight, clBtnFace, {R - 1, T, R, B}},
                  {ebsBottom, clBtnFace, {L, B - 1, R, B}},
                  {ebsRight, clWindow, {R, T - 1, R + 1, B + 1}},
                  {ebsBottom, clWindow, {L - 1, B, R + 1, B + 1}}});
            break;
        case fbtRaised:
            BackgroundRings(dc, in, background, sides);
            FrameSides(dc, in, clBtnShadow, sides, clBtnHighlight);
            break;
        case fbtRaisedInner:
            draw({{ebsLeft, clBtnFace, {L, T, L + 1, B}},
                  {ebsTop, clBtnFace, {L, T, R, T + 1}},
                  {ebsRight, clBtnFace, {R - 1, T, R, B}},
                  {ebsBottom, clBtnFace, {L, B - 1, R, B}}});
            break;
        case fbtRaisedOuter:
            draw({{ebsLeft, clBtnFace, {L, T, L + 1, B}},
                  {ebsTop, clBtnFace, {L, T, R, T + 1}},
                  {ebsRight, clBtnFace, {R - 1, T, R, B}},
                  {ebsBottom, clBtnFace, {L, B - 1, R, B}},
                  {ebsRight, clBtnShadow, {R, T - 1, R + 1, B + 1}},
                  {ebsBottom, clBtnShadow, {L - 1, B, R + 1, B + 1}}});
            break;
        case fbtBump:
        case fbtBigBump:
            draw({{ebsLeft, clBtnShadow, {L - 1, T - 1, L, B}},
                  {ebsTop, clBtnShadow, {L, T - 1, R, T}},
                  {ebsRight, clBtnShadow, {R + 1, T - 2, R + 2, B + 2}},
                  {ebsBottom, clBtnShadow, {L - 2, B + 1, R + 2, B + 2}}});
            if (type == fbtBigBump)
                draw({{ebsLeft, clWindow, {L - 2, T - 2, L - 1, B + 1}},
                      {ebsTop, clWindow, {L - 2, T - 2, R + 1, T - 1}},
                      {ebsRight, clWindow, {R, T - 2, R + 1, B + 1}},
                      {ebsBottom, clWindow, {L - 2, B, R + 1, B + 1}}});
            break;
        case fbtEtched:
            if (sides.Contains(ebsTop))
                Fill(dc, {sides.Contains(ebsLeft) ? L - 1 : L, T - 1, R, T}, clBtnFace);
            break;
        case fbtFramed:
            draw({{ebsLeft, clBtnFace, {L - 1, T, L, B}},
                  {ebsTop, clBtnFace, {L - 2, T - 1, R + 1, T}},
                  {ebsRight, clBtnShadow, {R + 1, T - 2, R + 2, B + 2}},
                  {ebsBottom, clBtnShadow, {L - 2, B + 1, R + 2, B + 2}}});
            break;
        default:
            break;
    }
}

void DrawFlatScrollBars(HWND window, HDC dc, const gui::TRect& windowRect, DWORD exStyle,
                        DWORD style, bool trackingHorz, bool trackingVert, bool raised, int which) {
    const int edge = (style & WS_BORDER) != 0            ? GetSystemMetrics(SM_CXBORDER)
                     : (exStyle & WS_EX_CLIENTEDGE) != 0 ? GetSystemMetrics(SM_CXEDGE)
                                                         : 0;
    const bool horz = (style & WS_HSCROLL) != 0;
    const bool vert = (style & WS_VSCROLL) != 0;
    const bool left = (exStyle & WS_EX_LEFTSCROLLBAR) != 0;
    const int vWidth = GetSystemMetrics(SM_CXVSCROLL);
    const int hHeight = GetSystemMetrics(SM_CYHSCROLL);
    const gui::TRect inner = windowRect.Inflate(-edge, -edge);
    const gui::TRect vBar = left ? gui::TRect{inner.Left, inner.Top, inner.Left + vWidth,
                                              inner.Bottom - (horz ? hHeight : 0)}
                                 : gui::TRect{inner.Right - vWidth, inner.Top, inner.Right,
                                              inner.Bottom - (horz ? hHeight : 0)};
    const gui::TRect hBar{inner.Left + (vert && left ? vWidth : 0), inner.Bottom - hHeight,
                          inner.Right - (vert && !left ? vWidth : 0), inner.Bottom};
    if (horz && vert && vBar.Height() > 0 && hBar.Width() > 0) {
        const gui::TRect corner{left ? inner.Left : inner.Right - vWidth, inner.Bottom - hHeight,
                                left ? inner.Left + vWidth : inner.Right, inner.Bottom};
        FillSolid(dc, corner.Left, corner.Top, gui::clBtnFace, corner.Height(), corner.Width());
    }
    auto bar = [&](bool vertical, const gui::TRect& r, bool tracking) {
        const int length = vertical ? r.Height() : r.Width();
        if (length <= 0) return;
        int button = vertical ? GetSystemMetrics(SM_CYVSCROLL) : GetSystemMetrics(SM_CXHSCROLL);
        if (length < 2 * button) button = vertical ? length / 2 : (length + 1) / 2;
        auto span = [&](int from, int to) {
            return vertical ? gui::TRect{r.Left, r.Top + from, r.Right, r.Top + to}
                            : gui::TRect{r.Left + from, r.Top, r.Left + to, r.Bottom};
        };
        if (!tracking) {
            DrawScrollButtonFrame(dc, span(0, button), raised);
            DrawScrollButtonFrame(dc, span(length - button, length), raised);
        }
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL;
        if (!GetScrollInfo(window, vertical ? SB_VERT : SB_HORZ, &si)) return;
        const int range = si.nMax - si.nMin + 1;
        if (si.nPage == 0 || range <= 0) return;
        const int track = length - 2 * button;
        const int page = static_cast<int>(si.nPage);
        int thumb = std::max(MulDivRound(page, track, range), IsWin98Up() ? button / 2 : 8);
        if (thumb >= track) return;
        int offset;
        if (page >= range) {
            offset = 0;
            --thumb;
        } else {
            const int p = tracking ? si.nTrackPos : si.nPos;
            offset = MulDivRound(p - si.nMin, track - thumb, range - page);
        }
        if (offset >= 0 && button + offset + thumb <= length - button)
            DrawScrollButtonFrame(dc, span(button + offset, button + offset + thumb), raised);
    };
    if ((which == 1 || which == 3) && horz) bar(false, hBar, trackingHorz);
    if ((which == 2 || which == 3) && vert) bar(true, vBar, trackingVert);
}

}  // namespace controls::tree
