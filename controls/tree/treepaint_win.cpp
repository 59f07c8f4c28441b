// The view's paint pipeline: the rows shown with their colours (item
// colours, selection, stripes), the cells of every column but the main one
// (treemaincell_win.cpp), owner-drawn, picture and styled text cells, grid
// lines, the strike line, the focus rectangle, the blended highlight and
// the frames of BarStyle rows and rows with a border.
#include "controls/tree/treepaint_win.h"

#include <algorithm>

#include "controls/tree/drawing.h"
#include "controls/tree/headersections.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "gui/graphic.h"

namespace controls::tree {

namespace paint {

void SetFontName(gui::TFont& font, const std::string& name) {
    if (font.Name() != name) font.SetName(name);
}

void SetFontStyles(gui::TFont& font, uint8_t styles) {
    const auto wanted = gui::TFontStyles::FromMask(styles & 0x0F);
    if (font.Style() != wanted) font.SetStyle(wanted);
}

void SetFontSize(gui::TFont& font, int points) {
    if (points > 0 && font.Size() != points) font.SetSize(points);
}

void TakeTreeFont(gui::TFont& font, const gui::TFont& tree) {
    SetFontName(font, tree.Name());
    if (font.Height() != tree.Height()) font.SetHeight(tree.Height());
    if (font.Charset() != tree.Charset()) font.SetCharset(tree.Charset());
}

void SetFontColor(gui::TFont& font, TGtColor colour) {
    if (font.Color() != Col(colour)) font.SetColor(Col(colour));
}

uint8_t ItemStyleBits(const TGtTreeItem& item) {
    uint8_t bits = 0;
    if (item.GetState(kStateBold)) bits |= kFontBold;
    if (item.GetState(kStateItalic)) bits |= kFontItalic;
    if (item.GetState(kStateUnderlined)) bits |= kFontUnderline;
    if (item.GetState(kStateStrikeOut)) bits |= kFontStrikeOut;
    return bits;
}

TGtColor ItemBackground(const TGtTreeItem& item) {
    if (item.UseStyles())
        if (const TGtCellStyle* style = item.MainStyle()) return style->CellBkColor;
    return item.BkColor;
}

TDropFill DropFillOf(const TCustomGtTree& tree, const TGtTreeItem& item) {
    const TGtTreeView* view = tree.View();
    if (view == nullptr || view->DropTarget() != &item) return {};
    switch (tree.DragTrgDrawMode()) {
        case ColorRect:
            return {true,
                    view->DropAccepted() ? tree.DragRectAcceptColor() : tree.DragRectDenyColor(),
                    static_cast<TGtColor>(gui::clBtnText)};
        case SelColorRect:
            return {true, static_cast<TGtColor>(gui::clHighlight),
                    static_cast<TGtColor>(gui::clHighlightText)};
        default:
            return {};
    }
}

TClipScope::TClipScope(gui::TCanvas& canvas, const gui::TRect& r)
    : dc_(canvas.TextHandle()), saved_(SaveDC(dc_)) {
    canvas.Pen().Handle();
    IntersectClipRect(dc_, r.Left, r.Top, r.Right, r.Bottom);
}

TClipScope::~TClipScope() {
    RestoreDC(dc_, saved_);
}

TColumnClip::TColumnClip(gui::TCanvas& canvas, int left, int right)
    : dc_(canvas.TextHandle()), saved_(CreateRectRgn(0, 0, 0, 0)) {
    if (GetClipRgn(dc_, saved_) != 1) {
        DeleteObject(saved_);
        saved_ = nullptr;
    }
    // Only across: what a row draws above or below its rectangle stays.
    constexpr int kFar = 0x3FFF;
    IntersectClipRect(dc_, left, -kFar, right, kFar);
}

TColumnClip::~TColumnClip() {
    SelectClipRgn(dc_, saved_);
    if (saved_ != nullptr) DeleteObject(saved_);
}

void DrawGlyph(gui::TCanvas& canvas, gui::TBitmap& bitmap, int x, int y, const gui::TRect& source,
               bool transparent, gui::TColor transparentColour) {
    const int w = source.Width(), h = source.Height();
    if (w <= 0 || h <= 0) return;
    // Through the bitmap's own canvas: its handle may be selected there.
    HDC from = bitmap.Canvas().Handle();
    if (transparent)
        TransparentBlt(canvas.Handle(), x, y, w, h, from, source.Left, source.Top, w, h,
                       gui::ColorToRGB(transparentColour));
    else
        BitBlt(canvas.Handle(), x, y, w, h, from, source.Left, source.Top, SRCCOPY);
}

}  // namespace paint

using paint::Col;
using paint::kCellFormat;
using paint::kMeasureFormat;
using paint::kOutputFormat;

namespace {

gui::TRect Inflated(gui::TRect r, int by) {
    return {r.Left - by, r.Top - by, r.Right + by, r.Bottom + by};
}

bool Overlaps(const gui::TRect& a, const gui::TRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

void Line(gui::TCanvas& canvas, int x1, int y1, int x2, int y2) {
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

// The pen of a grid line: its colour, turned around when the row's own
// background has that very colour.
void GridPen(gui::TCanvas& canvas, TGtColor colour, const TGtTreeItem& item) {
    canvas.Pen().SetStyle(gui::psSolid);
    canvas.Pen().SetWidth(1);
    const gui::TColor c = Col(colour);
    canvas.Pen().SetColor(paint::ItemBackground(item) == colour ? InvertColor(c) : c);
}

// The drop target's frame or line sign on `g`, in the modes that draw
// one. A sign is a line with short strokes at both ends, pointing down
// from the top edge or up from the bottom one.
void DrawDropMark(gui::TCanvas& canvas, const TCustomGtTree& t, bool accepted,
                  const gui::TRect& g) {
    const TDragTargetDraw mode = t.DragTrgDrawMode();
    const gui::TColor colour = Col(accepted ? t.DragRectAcceptColor() : t.DragRectDenyColor());
    if (mode == ColorFrame) {
        canvas.Brush().SetStyle(gui::bsSolid);
        canvas.Brush().SetColor(colour);
        canvas.FrameRect(g);
        return;
    }
    const bool top = mode == dtdUpColorLine || mode == dtdUpSelColorLine;
    if (!top && mode != dtdDownColorLine && mode != dtdDownSelColorLine) return;
    const bool own = mode == dtdUpColorLine || mode == dtdDownColorLine;
    canvas.Pen().SetStyle(gui::psSolid);
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetColor(own ? colour : gui::clHighlight);
    const int y = top ? g.Top : g.Bottom - 1;
    const int d = top ? 1 : -1;  // the strokes' direction from the line
    const int l = g.Left, r = g.Right;
    Line(canvas, l, y, r, y);
    Line(canvas, l, y + 3 * d, l, y);
    Line(canvas, l + 1, y + d, l + 1, y);
    Line(canvas, r - 1, y + 3 * d, r - 1, y);
    Line(canvas, r - 2, y + d, r - 2, y);
}

// The frame of a BarStyle row or of a row with a border of its own.
void DrawRowFrame(gui::TCanvas& canvas, const TCustomGtTree& t, const TGtTreeItem& item,
                  const gui::TRect& r) {
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    switch (item.BorderStyle) {
        case 0:
            DrawEdge(canvas.Handle(), &rc,
                     paint::Selected(t, item) ? BDR_SUNKENINNER : BDR_RAISEDINNER, BF_RECT);
            break;
        case 1:
            DrawEdge(canvas.Handle(), &rc, BDR_RAISEDINNER, BF_RECT);
            break;
        case 2:
            DrawEdge(canvas.Handle(), &rc, BDR_SUNKENINNER, BF_RECT | BF_FLAT);
            break;
        case 3:
            DrawEdge(canvas.Handle(), &rc, BDR_SUNKENINNER, BF_RECT);
            break;
        case 4:
            canvas.Brush().SetStyle(gui::bsSolid);
            canvas.Brush().SetColor(Col(item.FrameColor));
            canvas.FrameRect(r);
            break;
        default:
            break;
    }
}

// DT_LEFT, DT_CENTER or DT_RIGHT of a column's alignment.
UINT AlignmentFormat(TGtSAlignment alignment, bool rightToLeft) {
    switch (alignment) {
        case hsaCenter:
            return DT_CENTER;
        case hsaRight:
            return rightToLeft ? DT_LEFT : DT_RIGHT;
        default:
            return rightToLeft ? DT_RIGHT : DT_LEFT;
    }
}

}  // namespace

// ---- the whole view ---------------------------------------------------------------------

void TGtTreeView::Paint() {
    painting_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{painting_};
    gui::TCanvas& canvas = Canvas();
    // While the form is sized every cell fills itself once instead.
    if (!tree_->InSizeMove()) {
        canvas.Brush().SetStyle(gui::bsSolid);
        canvas.Brush().SetColor(Col(tree_->BkColor()));
        canvas.FillRect(ClientRect());
    }
    DrawItems(canvas, leftPosition_);
}

TGtCellStyle* TGtTreeView::ScratchStyle() {
    if (!scratchStyle_) scratchStyle_ = std::make_unique<TGtCellStyle>();
    return scratchStyle_.get();
}

void TGtTreeView::DrawItems(gui::TCanvas& canvas, int origin) {
    TCustomGtTree& t = *tree_;
    TCustomGtHeader* header = t.Header();
    const bool columns = t.ShowColumns() && header != nullptr;
    // Painting at another origin moves the header along for the time.
    struct Origin {
        TGtTreeView& view;
        TCustomGtHeader* header;
        int saved;
        ~Origin() {
            view.leftPosition_ = saved;
            if (header != nullptr && header->LeftPos() != saved) header->SetLeftPos(saved);
        }
    } restore{*this, columns ? header : nullptr, leftPosition_};
    leftPosition_ = origin;
    if (columns && header->LeftPos() != origin) header->SetLeftPos(origin);
    if (t.MainTreeColumn() != 0 && t.MainTreeColumn() >= t.SectionCount()) t.SetMainTreeColumn(0);

    const gui::TRect clip = canvas.ClipRect();
    const gui::TBrushStyle brushStyle = canvas.Brush().Style();
    const int sectionsWidth = columns ? header->SectionsWidth() : 0;
    for (int i = 0; i < rows_.Count(); ++i) {
        TGtTreeItem* item = Row(i);
        const bool framed = !paint::PlainRow(t, *item);
        gui::TRect r = GetRowRect(i);
        if (t.HorizontalLines() && !framed) r.Bottom -= 1;
        if (!Overlaps(r, clip)) continue;
        if (!columns) r.Right = std::max(contentWidth_, ClientWidth() + leftPosition_);
        if (!item->UseStyles()) {
            paint::SetFontColor(canvas.Font(), t.TextColor());
            canvas.Pen().SetColor(Col(t.TextColor()));
        }
        rowColors_.Text = t.TextColor();
        if (framed) r = Inflated(r, -1);
        DrawItem(canvas, item, r, i);
        if (framed) {
            r = Inflated(r, 1);
            if (columns) r.Right = sectionsWidth - leftPosition_;
            DrawRowFrame(canvas, t, *item, r);
        }
    }
    canvas.Brush().SetStyle(brushStyle);

    // What lies below the rows and right of the columns: the background
    // was not laid down while the form is being sized.
    if (t.InSizeMove()) {
        canvas.Brush().SetColor(Col(t.BkColor()));
        gui::TRect rest{0, RowsHeight(), ClientWidth() + 1, ClientHeight() + 1};
        canvas.FillRect(rest);
        if (columns)
            canvas.FillRect(
                {sectionsWidth - leftPosition_, 0, ClientWidth() + 1, ClientHeight() + 1});
    }
    if (!t.BarStyle() || t.BarStyleVerticalLines()) DrawGridLines(canvas);
}

void TGtTreeView::DrawGridLines(gui::TCanvas& canvas) {
    TCustomGtTree& t = *tree_;
    TCustomGtHeader* header = t.Header();
    const bool columns = t.ShowColumns() && header != nullptr;
    const gui::TRect clip = canvas.ClipRect();
    const int height = ClientHeight();
    // One line on the last pixel row of each row whose item asks for it.
    if (t.HorizontalLines() && !t.BarStyle() && rows_.Count() > 0) {
        const int width = columns ? header->SectionsWidth() - leftPosition_ : ClientWidth();
        int y = RowHeight(Row(0)) - 1;
        for (int i = 0; i < rows_.Count() && y < height; ++i) {
            TGtTreeItem* item = Row(i);
            const int left = std::max(0, clip.Left), right = std::min(width, clip.Right);
            if (item->HasFlag(ifDividerLine) && y >= clip.Top && y < clip.Bottom && left < right) {
                GridPen(canvas, t.HorzDivLinesColor(), *item);
                Line(canvas, left, y, right, y);
            }
            if (i + 1 < rows_.Count()) y += RowHeight(Row(i + 1));
        }
    }
    // Below the rows the column lines run on to the bottom; inside them
    // each cell drew its own.
    if (t.VerticalLines() && columns && t.VerticalLinesLong) {
        const int from = RowsHeight();
        canvas.Pen().SetStyle(gui::psSolid);
        canvas.Pen().SetColor(Col(t.VertDivLinesColor()));
        TGtHeaderSections* sections = header->Sections();
        for (int i = 0; i < sections->Count(); ++i) {
            const TGtHeaderSection* s = sections->ItemByPosition(i);
            if (!s->Visible() || s->Width() <= 0) continue;
            const int x = s->Left() + s->Width() - leftPosition_;
            if (x - 1 < clip.Left || x - 1 >= clip.Right) continue;
            const int bottom = std::min(height, clip.Bottom);
            if (from < bottom) Line(canvas, x - 1, from, x - 1, bottom);
        }
    }
}

// ---- one row ----------------------------------------------------------------------------

void TGtTreeView::DrawItem(gui::TCanvas& canvas, TGtTreeItem* item, const gui::TRect& r,
                           int rowIndex) {
    TCustomGtTree& t = *tree_;
    TCustomGtHeader* header = t.Header();
    const bool columns = t.ShowColumns() && header != nullptr;
    const bool plain = paint::PlainRow(t, *item);
    const bool opaque = t.HighlightAlphaLevel() == 255;
    const bool focusLook = HasFocus() || !t.HideSelection();
    const int lineWidth =
        t.VerticalLines() && item->BorderStyle == 0 && (!t.BarStyle() || t.BarStyleVerticalLines())
            ? 1
            : 0;

    TRowColors& rc = rowColors_;
    rc.Set = rc.FromItem = false;
    rc.Background = t.BkColor();
    if (!item->ParentColors() && item->HasFlag(ifUseBkColor)) {
        rc.Background = item->RowBkColor();
        rc.Set = rc.FromItem = true;
    }
    if (paint::Selected(t, *item) && plain && t.RowSelect()) {
        rc.Text = focusLook ? t.FocusedSelectTextColor() : t.HideSelectTextColor();
        if (opaque) {
            rc.Background = focusLook ? t.FocusedSelectColor() : t.HideSelectColor();
            rc.Set = true;
        }
    } else if (t.StripedItems()) {
        // The stripe follows the row's place in the whole list, so that
        // scrolling by one row swaps the colours of the rows that stay.
        rc.Background =
            (topIndex_ + rowIndex) % 2 == 0 ? t.StripedEvenColor() : t.StripedOddColor();
        rc.Set = true;
    }
    const paint::TDropFill drop = paint::DropFillOf(t, *item);
    if (drop.On && t.RowSelect() && opaque) {
        rc.Background = drop.Brush;
        rc.Text = drop.Text;
        rc.Set = true;
    }
    canvas.Brush().SetColor(Col(rc.Background));
    paint::SetFontColor(canvas.Font(), rc.Text);

    if (!columns) {
        DrawMainCell(canvas, item, r);
    } else {
        for (int c = 0; c < t.SectionCount(); ++c) {
            const TGtHeaderSection* s = t.SectionByIndex(c);
            if (s == nullptr || !s->Visible()) continue;
            if (c == t.MainTreeColumn())
                DrawMainCell(canvas, item, r);
            else
                DrawCell(canvas, item, *s, r, lineWidth);
            // The cell's grid line, the main cell's included.
            if (t.VerticalLines() &&
                (t.BarStyle() ? t.BarStyleVerticalLines()
                              : item->BorderStyle == 0 || t.BarStyleVerticalLines())) {
                const int x = s->Left() + s->Width() - leftPosition_ - 1;
                GridPen(canvas, t.VertDivLinesColor(), *item);
                Line(canvas, x, r.Top, x, r.Bottom + 1);
            }
        }
    }

    const int lp = leftPosition_;
    const int sectionsWidth = columns ? header->SectionsWidth() : 0;
    if (item->HasFlag(ifStrikeLine)) {
        TGtColor colour = item->StrikeLineColor;
        if (paint::Selected(t, *item) && t.RowSelect() && plain)
            colour = focusLook ? t.FocusedSelectTextColor() : t.HideSelectTextColor();
        canvas.Pen().SetStyle(gui::psSolid);
        canvas.Pen().SetColor(Col(colour));
        const int y = (r.Top + r.Bottom) / 2 + 1;
        Line(canvas, item->TextRect.Left - lp - 2, y,
             columns ? sectionsWidth - lp : item->TextRect.Right - lp, y);
    }

    // The focus rectangle: the selected column, the text, or the row.
    gui::TRect f{0, r.Top, 0, r.Bottom};
    if (!t.RowSelect()) {
        const TGtHeaderSection* s =
            columns && t.SelectColumn() != -1 && t.SelectColumn() < t.SectionCount()
                ? t.SectionByIndex(t.SelectColumn())
                : nullptr;
        if (s != nullptr) {
            f.Left = s->Left() - lp;
            f.Right = f.Left + s->Width() - (t.VerticalLines() ? 1 : 0);
        } else {
            f = {item->TextRect.Left - lp, item->TextRect.Top, item->TextRect.Right - lp,
                 item->TextRect.Bottom};
        }
    } else {
        f.Left = r.Left - lp;
        f.Right = columns ? sectionsWidth - lp - lineWidth - (plain ? 0 : 1) : r.Right;
    }
    bool drawFocus = HasFocus() || !t.HideFocusRect();
    t.DoItemPostDraw(&canvas, item, f, drawFocus);
    if (!opaque && paint::Selected(t, *item) && plain)
        AlphaTint(canvas, f, Col(focusLook ? t.FocusedSelectColor() : t.HideSelectColor()),
                  t.HighlightAlphaLevel());
    if (!opaque && drop.On) AlphaTint(canvas, f, Col(drop.Brush), t.HighlightAlphaLevel() / 2);
    if (item == t.FocusedItem() && drawFocus && t.DrawFocusRect()) {
        canvas.Brush().SetStyle(gui::bsSolid);
        canvas.Brush().SetColor(Col(t.BkColor()));
        canvas.Pen().SetColor(Col(t.TextColor()));
        paint::SetFontColor(canvas.Font(), t.TextColor());
        canvas.TextHandle();
        canvas.DrawFocusRect(f);
    }
    if (item == DropTarget()) {
        gui::TRect g = f;
        if (t.RowSelect()) g.Right = columns ? ClientWidth() - (plain ? 0 : 1) : r.Right + 1;
        // One pixel below the focus rectangle, but never into the next
        // row: that row's repaint would not take the mark away.
        g.Bottom = std::min(f.Bottom + 1, GetRowRect(rowIndex).Bottom);
        DrawDropMark(canvas, t, DropAccepted(), g);
    }
}

// ---- a cell of a column other than the main one -----------------------------------------

void TGtTreeView::DrawCell(gui::TCanvas& canvas, TGtTreeItem* item, const TGtHeaderSection& section,
                           const gui::TRect& r, int lineWidth) {
    TCustomGtTree& t = *tree_;
    const int c = section.Index();
    const int k = c > t.MainTreeColumn() ? c - 1 : c;
    std::u16string text;
    if (t.IsVirtual()) {
        text = section.Password() ? u"******" : t.DoVirtualTextNeeded(item, c);
    } else if (const TGtWideStringList* texts = item->ColumnText();
               texts != nullptr && k < texts->Count()) {
        text = section.Password() ? u"******" : texts->Strings(k);
    }
    TGtCellStyle* style = nullptr;
    if (item->UseStyles()) {
        if (t.IsVirtual()) {
            style = ScratchStyle();
            t.DoVirtualStyleNeeded(item, c, style);
        } else {
            style = item->StylesCount() > k && !section.UseMainStyle() ? item->Styles(k)
                                                                       : item->MainStyle();
        }
    }

    const TRowColors& rc = rowColors_;
    const bool opaque = t.HighlightAlphaLevel() == 255;
    const bool focusLook = HasFocus() || !t.HideSelection();
    const bool selected = paint::Selected(t, *item) && paint::PlainRow(t, *item) &&
                          (c == t.SelectColumn() || t.RowSelect());
    const TGtColor selectColour = focusLook ? t.FocusedSelectColor() : t.HideSelectColor();
    const TGtColor selectText = focusLook ? t.FocusedSelectTextColor() : t.HideSelectTextColor();
    bool fill = rc.Set;
    bool transparent = false;
    TGtColor brush = rc.Background;
    if (style != nullptr && !rc.Set && !style->OwnerProps()) {
        brush = style->CellBkColor;
        if (!(selected && opaque)) {
            if (style->UseBkColor)
                fill = true;
            else
                transparent = true;
        }
    } else {
        paint::SetFontColor(canvas.Font(), rc.Text);
    }
    if (selected && opaque) {
        brush = selectColour;
        fill = true;
    }
    const paint::TDropFill drop = paint::DropFillOf(t, *item);
    const bool dropHere = drop.On && (t.RowSelect() || t.SelectColumn() == c);
    if (dropHere && opaque) {
        brush = drop.Brush;
        fill = true;
    }

    const int lp = leftPosition_;
    const gui::TRect cell{section.Left() - lp, r.Top,
                          section.Left() + section.Width() - lp - lineWidth, r.Bottom};
    // Nothing of the cell, a long text or a style's own flags included,
    // reaches into the next column.
    paint::TColumnClip keepInCell(canvas, cell.Left, cell.Right);
    canvas.Brush().SetStyle(gui::bsSolid);
    if (t.InSizeMove()) {
        canvas.Brush().SetColor(Col(fill ? brush : t.BkColor()));
        canvas.FillRect(cell);
    } else if (fill && !transparent) {
        canvas.Brush().SetColor(Col(brush));
        canvas.FillRect(cell);
    }

    const bool ownerDraw = (t.OwnerDrawByColumn && section.Style() == ElhsOwnerDraw) ||
                           (!t.OwnerDrawByColumn && text == t.OwnerDrawMask) ||
                           (style != nullptr && style->Style() == ElhsOwnerDraw);
    if (ownerDraw) {
        canvas.Brush().SetColor(Col(brush));
        t.DoItemDraw(item, &canvas, Inflated(cell, -1), c);
    } else if (style != nullptr && style->Style() == ElhsPictureOnly) {
        if (auto* picture = dynamic_cast<gui::TBitmap*>(style->Picture);
            picture != nullptr && !picture->Empty()) {
            const int x = cell.Left + (cell.Width() - picture->Width()) / 2;
            const int y = cell.Top + (cell.Height() - picture->Height()) / 2;
            paint::TClipScope clipTo(canvas, cell);
            paint::DrawGlyph(canvas, *picture, x, y, {0, 0, picture->Width(), picture->Height()},
                             picture->Transparent(), picture->TransparentColor());
        }
    } else if (style == nullptr || style->Style() == ElhsText) {
        UINT format;
        gui::TFont& font = canvas.Font();
        if (style != nullptr && !style->OwnerProps()) {
            format = style->TextFlags;
            if (!rc.Set) {
                brush = style->TextBkColor;
                paint::SetFontColor(font, style->TextColor);
                transparent = !style->UseBkColor;
                fill = true;
            }
            paint::SetFontName(font, style->FontName);
            paint::SetFontStyles(font, style->FontStyles());
            paint::SetFontSize(font, style->FontSize);
        } else {
            paint::TakeTreeFont(font, *t.Font());
            paint::SetFontStyles(font, paint::StyleBits(t.Font()->Style()));
            format = AlignmentFormat(section.Alignment(), t.RightAlignedText()) | kCellFormat;
        }
        if (t.Tracking && t.UnderlineTracked() && t.RowHotTrack() && item == t.Refs().HotItem)
            paint::SetFontStyles(font, paint::StyleBits(font.Style()) | kFontUnderline);
        if (selected) {
            if (opaque) {
                brush = selectColour;
                fill = true;
            }
            paint::SetFontColor(font, selectText);
        }
        if (dropHere) {
            if (opaque) {
                brush = drop.Brush;
                fill = true;
            }
            paint::SetFontColor(font, drop.Text);
        }
        if (font.Charset() != t.Font()->Charset()) font.SetCharset(t.Font()->Charset());

        gui::TRect measured{0, 0, 0, 0};
        DrawTextWideEx(canvas.TextHandle(), text, kMeasureFormat, measured, nullptr);
        const int w = measured.Width() + 2;
        const int indent = t.ItemIndent();
        int left = cell.Left, right = cell.Right;
        if ((format & DT_CENTER) != 0) {
            const int box = std::min(right - left, w + 3);
            left = (left + right) / 2 - box / 2;
            right = left + box;
        } else if ((format & DT_RIGHT) != 0) {
            left = std::max(right - indent / 3 - w, left);
            right = std::max(right - indent / 5, left);
        } else {
            right = std::min(left + indent / 3 + w, right);
            left = std::min(left + indent / 5, right);
        }
        left = std::max(left, cell.Left);
        right = std::min(right, cell.Right);
        canvas.Brush().SetColor(Col(brush));
        if (fill && !transparent) canvas.FillRect({left, cell.Top, right, cell.Bottom});
        canvas.Brush().SetStyle(gui::bsClear);
        // The whole text box, not only the measured width: Wine's glyphs can
        // reach a few pixels past the extent GDI reports for them, which cut
        // the last character off. The box still ends inside the cell.
        const int width = right - left;
        const int top = r.Top + (r.Height() - measured.Height()) / 2 - 1;
        gui::TRect out = t.RightAlignedText() ? gui::TRect{right - width, top, right, top}
                                              : gui::TRect{left, top, left + width, top};
        out.Bottom = top + measured.Height();
        if (width > 0)
            DrawTextWideEx(canvas.TextHandle(), text, format | kOutputFormat, out, nullptr);
        canvas.Brush().SetStyle(gui::bsSolid);
    }
}

}  // namespace controls::tree
