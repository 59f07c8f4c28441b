// The header's painting: each section with its frame, glyphs, image and
// caption, the empty area after them, the dragged section's image and the
// resize line.
#include <algorithm>
#include <cstdlib>

#include "controls/tree/drawing.h"
#include "controls/tree/header.h"
#include "gui/geometry_win.h"
#include "gui/handles.h"

namespace controls::tree {

namespace {

constexpr int kHeaderItem = 1;  // HP_HEADERITEM

void Line(HDC dc, int x, int y, gui::TColor colour, int length, bool across) {
    if (across)
        FillSolid(dc, x, y, colour, 1, length);
    else
        FillSolid(dc, x, y, colour, length, 1);
}

// The 9 x 6 sort glyph: a triangle with a grey outline on the left and a
// white one on the right; the ascending glyph points down, the descending
// one up; the bottom row stays empty.
void SortGlyph(HDC dc, int x, int y, bool descending) {
    for (int i = 0; i < 5; ++i) {
        if (descending) {
            FillSolid(dc, x + 4 - i, y + i, gui::clBtnShadow, 1, 1);
            FillSolid(dc, x + 4 + i, y + i, gui::clBtnHighlight, 1, 1);
        } else {
            FillSolid(dc, x + i, y + i, gui::clBtnShadow, 1, 1);
            FillSolid(dc, x + 8 - i, y + i, gui::clBtnHighlight, 1, 1);
        }
    }
    if (descending)
        Line(dc, x, y + 4, gui::clBtnHighlight, 9, true);
    else
        Line(dc, x, y, gui::clBtnShadow, 9, true);
}

// The lookup glyph: three black dots across the middle of a 5 x 5 box.
void LookupGlyph(HDC dc, const gui::TRect& r) {
    for (int i = 0; i < 3; ++i) FillSolid(dc, r.Left + 2 * i, r.Top + 2, gui::clBlack, 1, 1);
}

UINT AlignmentFlags(TGtSAlignment alignment, bool rightToLeft) {
    if (rightToLeft && alignment != hsaCenter)
        alignment = alignment == hsaLeft ? hsaRight : hsaLeft;
    const UINT horizontal = alignment == hsaCenter  ? DT_CENTER
                            : alignment == hsaRight ? DT_RIGHT
                                                    : DT_LEFT;
    return horizontal | (rightToLeft ? DT_RTLREADING : 0);
}

UINT LayoutFlags(TTextLayout layout) {
    return layout == tlTop ? DT_TOP : layout == tlBottom ? DT_BOTTOM : DT_VCENTER;
}

}  // namespace

void TCustomGtHeader::Paint() {
    gui::TCanvas& canvas = Canvas();
    HDC dc = canvas.Handle();
    const gui::TRect clip = canvas.ClipRect().Inflate(1, 1);
    const int height = ClientHeight();
    for (int i = 0; i < sections_->Count(); ++i) {
        TGtHeaderSection* s = sections_->GetSection(i);
        if (s == nullptr || !s->Visible()) continue;
        const gui::TRect r{s->Left() - leftPos_, 0, s->Right() - leftPos_, height};
        if (r.Intersects(clip)) DrawSection(canvas, s, r, false);
    }
    const gui::TRect rest{SectionsWidth() - leftPos_, 0, ClientWidth(), height};
    if (!rest.IsEmpty()) {
        if (ThemeInUse()) {
            gui::TThemeServices::Instance().DrawBackground(Theme(), dc, 0, 0, rest, nullptr);
        } else {
            FillSolid(dc, rest.Left, rest.Top, Color(), rest.Height(), rest.Width());
            RECT edge = gui::ToRECT(rest);
            DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
        }
    }
    if (dragged_ != nullptr) DrawSection(canvas, dragged_, dragImageRect_, true);
    if (resizing_ && !ResizeOnDrag) PatBlt(dc, resizeX_, 0, 1, height, DSTINVERT);
}

void TCustomGtHeader::DrawSection(gui::TCanvas& canvas, TGtHeaderSection* s, gui::TRect r,
                                  bool dragLook) {
    HDC dc = canvas.Handle();
    // The canvas keeps its own clip (and forgets its selections with it).
    struct Clip {
        gui::TCanvas& canvas;
        ~Clip() { canvas.RemoveClip(); }
    } clip{canvas};
    canvas.IntersectClip(r);
    gui::TColor background = s->ParentColor() ? Color() : gui::MakeColor(s->Color());
    if (dragLook) {
        const TRgb rgb = ColorToRgb(background);
        const int l = LightnessOf(RGBToHLS(rgb));
        background = RgbToColor(WithLightness(rgb, std::min(kHlsMax, l - l / 4)));
    }
    const bool pressedLook = (s == pressed_ && pressedFlag_) || (s == dragged_ && !dragLook);
    const bool themed = ThemeInUse();
    const auto& services = gui::TThemeServices::Instance();
    const int state = pressedLook ? 3 : (s == hot_ || (dragLook && s == dragged_)) ? 2 : 1;
    gui::TRect content = r;
    if (themed) {
        services.DrawBackground(Theme(), dc, 0, 0, r, nullptr);
        services.DrawBackground(Theme(), dc, kHeaderItem, state, r, nullptr);
    } else {
        FillSolid(dc, r.Left, r.Top, background, r.Height(), r.Width());
        auto edge = [dc](gui::TRect e, UINT kind, UINT sides) {
            RECT rc = gui::ToRECT(e);
            DrawEdge(dc, &rc, kind, sides);
        };
        if (pressedLook) {
            if (flat_) {
                edge({r.Left, r.Top, r.Right - 1, r.Bottom - 1}, BDR_SUNKENOUTER, BF_RECT);
            } else {
                edge(r, BDR_SUNKENINNER, BF_LEFT | BF_TOP);
                edge(r, BDR_SUNKENOUTER, BF_RIGHT | BF_BOTTOM);
            }
            content = content.Inflate(-1, -1).Offset(1, 1);
        } else if (flat_) {
            edge(r, BDR_RAISEDINNER, BF_RECT);
        } else {
            edge(r, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
            edge(r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
            edge({r.Left, r.Top, r.Right - 1, r.Bottom - 1}, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
        }
        content.Left += 1;
        content.Top += 1;
        content.Bottom -= 1;
    }

    const TGtSectionGlyphs g = LayoutSectionGlyphs(*s, content, invertSortArrows_);
    if (g.ExpandArrow) DrawArrow(canvas, g.ArrowDirection, g.ExpandArrowRect, gui::clBtnText, true);
    if (g.LookupGlyph) LookupGlyph(dc, g.LookupGlyphRect);
    if (g.Filter) {
        const gui::TColor colour = s->FilterIsActive() ? activeFilterColor_ : filterColor_;
        canvas.Brush().SetStyle(gui::bsSolid);
        canvas.Brush().SetColor(colour);
        canvas.Pen().SetColor(colour);
        canvas.Polygon(g.FilterTriangle);
    }
    if (g.SortArrow)
        SortGlyph(dc, g.SortArrowRect.Left, g.SortArrowRect.Top, g.SortArrowDescending);
    if (!g.HasContent) return;

    gui::TRect c = g.Content;
    const int image = ImageIndexOf(s);
    const bool hasImage = images_ != nullptr && image >= 0 && image < images_->Count();
    // Images end at the content's right edge.
    canvas.IntersectClip(c);
    auto drawImage = [&](int x) {
        if (!hasImage) return;
        images_->Draw(canvas, x, c.Top + (c.Height() - images_->Height()) / 2, image, Enabled());
    };
    switch (s->Style()) {
        case ElhsOwnerDraw:
            DoSectionDraw(canvas, s, c, pressedLook && !dragLook);
            if (s->PictureAlign == hsaRight && hasImage) drawImage(c.Right - images_->Width());
            return;
        case ElhsPictureOnly:
            if (hasImage) drawImage(c.Left + (c.Width() - images_->Width()) / 2);
            return;
        case ElhsText:
            break;
    }
    if (s->PictureAlign == hsaLeft && hasImage) {
        drawImage(c.Left);
        c.Left += images_->Width();
    }
    const std::u16string text = s->Text();
    const UINT flags = DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX |
                       AlignmentFlags(s->Alignment(), rightAlignedText_) |
                       LayoutFlags(s->TextLayout());
    gui::TFont& font = canvas.Font();
    font.Assign(Font());
    const bool hot = s == hot_ && !themed;
    if (hot) {
        font.SetColor(gui::clHighlight);
        gui::TFontStyles style = font.Style();
        style.Include(gui::fsUnderline);
        font.SetStyle(style);
    } else if (!s->ParentColor()) {
        font.SetColor(gui::MakeColor(s->FontColor()));
    }
    canvas.Brush().SetStyle(gui::bsClear);
    HDC textDC = canvas.TextHandle();
    if (!text.empty()) {
        if (themed)
            services.DrawText(Theme(), textDC, kHeaderItem, state,
                              reinterpret_cast<const wchar_t*>(text.c_str()),
                              static_cast<int>(text.size()), flags, c);
        else {
            gui::TRect textRect = c;
            DrawTextWideEx(textDC, text, flags, textRect, nullptr);
        }
    }
    gui::TRect measured = c;
    DrawTextWideEx(textDC, text, flags | DT_CALCRECT, measured, nullptr);
    c.Left += measured.Width() + 3;
    if (s->PictureAlign == hsaRight && hasImage && c.Left + images_->Width() <= c.Right)
        drawImage(c.Left);
}

}  // namespace controls::tree
