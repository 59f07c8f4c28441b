// The main cell of a row: indentation by level, connector lines, the
// expand button, the check box, up to two images and the main text (or
// the application's owner drawing, or a style's picture). The places come
// from the main-cell layout the hit test reads too (maincell.h); the text
// rectangle the painter records is what hints and editing read back.
#include <algorithm>
#include <vector>

#include "controls/tree/drawing.h"
#include "controls/tree/headersections.h"
#include "controls/tree/helpers.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeglyphs_win.h"
#include "controls/tree/treepaint_win.h"
#include "controls/tree/treeview.h"

namespace controls::tree {

using paint::Col;
using paint::kCellFormat;
using paint::kMeasureFormat;
using paint::kOutputFormat;

// ---- the layout both the painter and the hit test use ----------------------------------

TGtMainCellLayout TCustomGtTree::MainCellLayout(TGtTreeItem* item) {
    TGtMainCellInput in;
    const TGtHeaderSection* main = ShowColumns() ? SectionByIndex(MainTreeColumn()) : nullptr;
    if (main != nullptr) in.CellLeft = main->Left();
    if (rightAlignedTree_) {
        in.RightToLeft = true;
        // The painter's cell: the main column less its grid line, or the
        // row as wide as the content or the view, whichever is wider.
        if (main != nullptr)
            in.CellRight = main->Left() + main->Width() -
                           (verticalLines_ && (!barStyle_ || barStyleVerticalLines_) ? 1 : 0);
        else
            in.CellRight =
                std::max(view_->ContentWidth(), view_->ClientWidth() + view_->LeftPosition());
    }
    in.ItemIndent = itemIndent_;
    in.Level = item->Level();
    in.RootIndent = (showRoot_ && showLines_) || (showButtons_ && showRootButtons_);
    in.TextIndent = item->TextIndent;
    in.NoButtonColumn = showRootButtons_ && item->TopAncestor()->HasFlag(ifNoButton);
    in.CheckBox = ShowCheckboxes() && item->ShowCheckBox();
    if (in.CheckBox) in.CheckBoxWidth = CheckBoxWidth(item);
    if (showImages_) {
        const TGtImageSlot second = ImageSlotOf(*this, *item, true);
        in.Image2Width = second.Width;
        in.Image2Reserved = second.Reserved;
        const TGtImageSlot first = ImageSlotOf(*this, *item, false);
        in.Image1Width = first.Width;
        in.Image1Reserved = first.Reserved;
    }
    gui::TPoint text;
    MeasureCellText(item, -1, text);
    in.TextWidth = text.X;
    return LayoutMainCell(in);
}

TGtImageSlot ImageSlotOf(TCustomGtTree& tree, TGtTreeItem& item, bool second) {
    TGtImageSlot slot;
    slot.List =
        second ? (tree.Images2() != nullptr ? tree.Images2() : tree.Images()) : tree.Images();
    if (slot.List == nullptr) return slot;
    const bool stateLook = item.Focused() || paint::Selected(tree, item) || item.Expanded();
    if (second) {
        slot.Index = stateLook ? item.StateImageIndex2 : item.ImageIndex2;
        if (slot.Index == -1) slot.Index = tree.DoItemPicDraw2(&item);
    } else {
        slot.Index = stateLook ? item.StateImageIndex : item.ImageIndex;
        if (slot.Index == -1) slot.Index = tree.DoItemPicDraw(&item);
    }
    if (slot.Index >= 0 && slot.Index < slot.List->Count()) {
        slot.Width = slot.List->Width();
    } else if (second ? tree.ShowEmptyImages2() : tree.ShowEmptyImages()) {
        slot.Width = slot.List->Width();
        slot.Reserved = true;
    }
    return slot;
}

namespace {

// The next sibling a viewer sees (siblings hidden by the filter skipped).
TGtTreeItem* NextVisibleSibling(const TCustomGtTree& t, const TGtTreeItem* item) {
    TGtTreeItem* next = item->NextSibling();
    if (t.FilteredVisibility())
        while (next != nullptr && next->Hidden()) next = next->NextSibling();
    return next;
}

TGtTreeItem* PrevVisibleSibling(const TCustomGtTree& t, const TGtTreeItem* item) {
    TGtTreeItem* prev = item->PrevSibling();
    if (t.FilteredVisibility())
        while (prev != nullptr && prev->Hidden()) prev = prev->PrevSibling();
    return prev;
}

// A later sibling that draws lines: the vertical line below goes on to it.
bool LaterSiblingWithLines(const TGtTreeItem* item) {
    for (TGtTreeItem* next = item->NextSibling(); next != nullptr; next = next->NextSibling())
        if (!next->HasFlag(ifNoLines)) return true;
    return false;
}

// Where a pixel column of the left-to-right drawing shows: itself, or
// its mirror image in a right-aligned tree (view coordinates).
struct TMirror {
    bool on = false;
    int sum = 0;
    int X(int x) const { return on ? sum - 1 - x : x; }
};

// One connector line. Dotted lines are drawn a pixel at a time on the
// pixels whose x + y is even, so that the lines of neighbouring rows join
// into one pattern.
void DrawDottedLine(gui::TCanvas& canvas, const TCustomGtTree& t, int x1, int y1, int x2, int y2) {
    canvas.Pen().SetStyle(gui::psSolid);
    if (t.LinesStyle() != gui::psDot) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
        return;
    }
    const COLORREF colour = ColorToRgb(Col(t.LinesColor()));
    HDC dc = canvas.Handle();
    const int phase = (x1 & 1) ^ (y1 & 1);
    if (x1 == x2)
        for (int y = y1 + phase; y < y2; y += 2) SetPixelV(dc, x1, y, colour);
    else
        for (int x = x1 + phase; x < x2; x += 2) SetPixelV(dc, x, y1, colour);
}

// The connector lines of a row: the columns of its ancestors that have
// siblings below, and its own elbow. `base` is where the level columns
// start (view coordinates); the lines are laid out left to right and
// drawn through `mirror`, which maps the cell onto itself.
void DrawLines(gui::TCanvas& canvas, const TCustomGtTree& t, const TGtTreeItem& item, int base,
               const gui::TRect& m, TMirror mirror) {
    const int indent = t.ItemIndent(), half = indent / 2;
    const int bottom = m.Bottom + 1;
    const int mid = m.Top + (bottom - m.Top + 1) / 2;
    const auto room = [&](int x) { return x < m.Right; };
    const auto vertical = [&](int x, int y1, int y2) {
        DrawDottedLine(canvas, t, mirror.X(x), y1, mirror.X(x), y2);
    };
    const auto horizontal = [&](int x1, int x2, int y) {
        if (x2 <= x1) return;
        DrawDottedLine(canvas, t, std::min(mirror.X(x1), mirror.X(x2 - 1)), y,
                       std::max(mirror.X(x1), mirror.X(x2 - 1)) + 1, y);
    };
    canvas.Pen().SetStyle(t.LinesStyle());
    canvas.Pen().SetColor(Col(t.LinesColor()));

    std::vector<const TGtTreeItem*> ancestors;
    for (const TGtTreeItem* p = item.Parent(); p != nullptr; p = p->Parent())
        ancestors.push_back(p);
    std::reverse(ancestors.begin(), ancestors.end());

    int left = base;
    if (!ancestors.empty() && t.ShowRoot() && room(left - indent + half) &&
        NextVisibleSibling(t, ancestors.front()) != nullptr)
        vertical(left - indent + half, m.Top, bottom + 1);
    for (size_t k = 0; k + 1 < ancestors.size(); ++k) {
        const TGtTreeItem* lower = ancestors[k + 1];
        if (room(left + half) && NextVisibleSibling(t, lower) != nullptr &&
            LaterSiblingWithLines(lower))
            vertical(left + half, m.Top, m.Bottom + 1);
        left += indent;
    }
    if (!ancestors.empty()) left += indent;
    left -= indent;

    const int x = left + half;
    const auto elbow = [&] { horizontal(x, std::min(left + indent, m.Right), mid); };
    if (ancestors.empty()) {
        if (!t.ShowRoot() || !room(x)) return;
        elbow();
        if (PrevVisibleSibling(t, &item) != nullptr) vertical(x, m.Top, mid);
        if (NextVisibleSibling(t, &item) != nullptr) vertical(x, mid, bottom + 1);
    } else if (room(x)) {
        vertical(x, m.Top, mid);
        elbow();
        if (NextVisibleSibling(t, &item) != nullptr && LaterSiblingWithLines(&item))
            vertical(x, mid, bottom + 1);
    }
}

// The expand button in the indent column starting at `left`: the theme's
// glyph, the tree's own pictures or the default ones.
void DrawButton(gui::TCanvas& canvas, TCustomGtTree& t, const TGtTreeItem& item, int left,
                const gui::TRect& m, bool hasChildren) {
    const int indent = t.ItemIndent(), height = m.Height();
    TGtRect box;
    if (t.ThemeInUse()) {
        const int state = item.Expanded() ? 2 : 1;
        gui::TSize size{9, 9};
        gui::TThemeServices::Instance().PartSize(t.Theme(), canvas.Handle(), 2, state, size);
        CenterRects(size.Width + 1, indent, size.Height + 1, height, box);
        const gui::TRect r{left + box.Left, m.Top + box.Top, left + box.Left + size.Width,
                           m.Top + box.Top + size.Height};
        const gui::TRect clip{r.Left, r.Top, std::min(r.Right, m.Right), r.Bottom};
        gui::TThemeServices::Instance().DrawBackground(t.Theme(), canvas.Handle(), 2, state, r,
                                                       &clip);
        return;
    }
    const TGtGlyphKind kind = !hasChildren ? gkLeaf : (item.Expanded() ? gkMinus : gkPlus);
    gui::TBitmap* glyph;
    int w, h;
    gui::TColor transparent;
    if (t.CustomPlusMinus()) {
        glyph = kind == gkLeaf    ? t.LeafPicture()
                : kind == gkMinus ? t.MinusPicture()
                                  : t.PlusPicture();
        w = t.PlusPicture()->Width();
        h = t.PlusPicture()->Height();
        if (glyph->Empty()) return;
        transparent = glyph->PixelColor(0, glyph->Height() - 1);
    } else {
        glyph = &DefaultGlyph(kind);
        w = h = 10;
        transparent = glyph->PixelColor(1, glyph->Height() - 2);
    }
    CenterRects(w, indent, h, height, box);
    const int x = left + box.Left, y = m.Top + box.Top;
    const int width = std::min({glyph->Width(), w, m.Right - x});
    paint::DrawGlyph(canvas, *glyph, x, y, {0, 0, width, std::min(glyph->Height(), h)},
                     t.PlusMinusTransparent(), transparent);
}

// The item's check box or radio button at `left`, cut at the cell's right.
void DrawCheckBox(gui::TCanvas& canvas, TCustomGtTree& t, const TGtTreeItem& item, int left,
                  const gui::TRect& m, int width) {
    const int mid = m.Top + (m.Height() + 1) / 2;
    const bool radio = item.CheckBoxType() == 2;
    const bool threeState = item.CheckBoxType() == 1;
    const TCheckBoxState state = item.CheckBoxState();
    // A disabled tree shows every variant disabled, radio buttons and
    // custom glyphs too.
    const bool enabled = item.CheckBoxEnabled() && t.Enabled();
    if (left >= m.Right) return;
    if (t.CustomCheckboxes()) {
        gui::TBitmap* glyph = radio ? t.RadioButtonGlyph() : t.CheckBoxGlyph();
        if (glyph->Empty()) return;
        // Frames: unchecked, checked, grayed; each enabled then disabled.
        int frame = state == cbChecked ? 2 : (state == cbGrayed && threeState ? 4 : 0);
        if (!enabled) ++frame;
        const int h = glyph->Height();
        const int shown = std::min(width, m.Right - left);
        paint::DrawGlyph(canvas, *glyph, left, mid - h / 2,
                         {frame * width, 0, frame * width + shown, h}, true,
                         glyph->TransparentColor());
        return;
    }
    if (t.ThemeInUse()) {
        int s = state == cbChecked ? 5 : (state == cbGrayed && !radio ? 9 : 1);
        if (!enabled) s += 3;
        const gui::TSize size = t.ThemedCheckSize(radio);
        const int top = mid - size.Height / 2;
        const gui::TRect r{left, top, left + size.Width, top + size.Height};
        const gui::TRect clip{left, top, std::min(r.Right, m.Right), r.Bottom};
        DrawThemedBackground(L"BUTTON", canvas.Handle(), radio ? 2 : 3, s, r, &clip);
        return;
    }
    UINT look = radio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (state == cbChecked) look |= DFCS_CHECKED;
    if (threeState && state == cbGrayed) look |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (!enabled) look |= DFCS_INACTIVE;
    const int top = mid - width / 2;
    RECT r{left, top, left + width - 1, top + width - 1};
    paint::TClipScope clipTo(canvas, {left, top, std::min(left + width, m.Right), top + width});
    DrawFrameControl(canvas.Handle(), &r, DFC_BUTTON, look);
}

// One image of the main cell at `left`, centred on the row, cut at the
// cell's right.
void DrawImage(gui::TCanvas& canvas, TCustomGtTree& t, const TGtTreeItem& item,
               const TGtImageSlot& slot, int left, const gui::TRect& m, int overlay) {
    gui::TCustomImageList& list = *slot.List;
    if (slot.Reserved || left >= m.Right) return;
    gui::TDrawingStyle style = list.DrawingStyle();
    if (t.ChangeStateImage()) {
        const bool cut = item.GetState(kStateCut);
        if (t.RowSelect())
            style = paint::Selected(t, item) || cut
                        ? gui::dsSelected
                        : (item.Focused() ? gui::dsFocus : gui::dsNormal);
        else if (cut)
            style = gui::dsSelected;
    }
    const int mid = m.Top + (m.Height() + 1) / 2;
    const int top = mid - list.Height() / 2;
    paint::TClipScope clipTo(
        canvas, {left, top, std::min(left + list.Width(), m.Right), top + list.Height()});
    list.Draw(canvas, left, top, slot.Index, style, true, overlay);
}

}  // namespace

// ---- the main cell ----------------------------------------------------------------------

void TGtTreeView::DrawMainCell(gui::TCanvas& canvas, TGtTreeItem* item, const gui::TRect& r) {
    TCustomGtTree& t = *tree_;
    const int lp = leftPosition_;
    const bool columns = t.ShowColumns() && t.Header() != nullptr;
    const TGtHeaderSection* section = columns ? t.SectionByIndex(t.MainTreeColumn()) : nullptr;
    gui::TRect m{r.Left - lp, r.Top, r.Right - lp, r.Bottom};
    if (columns) {
        if (section == nullptr) return;
        const int lineWidth = t.VerticalLines() && (!t.BarStyle() || t.BarStyleVerticalLines());
        m.Left = section->Left() - lp;
        m.Right = section->Left() + section->Width() - lp - lineWidth;
    }
    TGtCellStyle* style = nullptr;
    if (item->UseStyles()) {
        if (t.IsVirtual()) {
            style = ScratchStyle();
            t.DoVirtualStyleNeeded(item, columns ? t.MainTreeColumn() : -1, style);
        } else {
            style = item->MainStyle();
        }
    }

    // The cell's background.
    const TRowColors& rc = rowColors_;
    const bool plain = paint::PlainRow(t, *item);
    const bool opaque = t.HighlightAlphaLevel() == 255;
    const bool focusLook = HasFocus() || !t.HideSelection();
    const int main = t.MainTreeColumn();
    bool fill = rc.Set;
    TGtColor brush = rc.Background;
    gui::TFont& font = canvas.Font();
    if (style != nullptr && !rc.Set && !style->OwnerProps()) {
        brush = style->CellBkColor;
        fill = style->UseBkColor;
    } else {
        paint::SetFontColor(font, rc.Text);
    }
    if (paint::Selected(t, *item) && plain && opaque &&
        (t.RowSelect() || (columns && t.SelectColumn() == main))) {
        brush = focusLook ? t.FocusedSelectColor() : t.HideSelectColor();
        fill = true;
    }
    const paint::TDropFill drop = paint::DropFillOf(t, *item);
    if (drop.On && opaque && (t.RowSelect() || (columns && t.SelectColumn() == main))) {
        brush = drop.Brush;
        fill = true;
    }
    canvas.Brush().SetStyle(gui::bsSolid);
    if (t.InSizeMove()) {
        canvas.Brush().SetColor(Col(fill ? brush : t.BkColor()));
        canvas.FillRect(m);
    } else if (fill) {
        canvas.Brush().SetColor(Col(brush));
        canvas.FillRect(m);
    }

    // The tree part: lines, button, check box, images, all kept inside
    // the cell (in a right-aligned tree they run out at its left).
    paint::TColumnClip keepInCell(canvas, m.Left, m.Right);
    const TGtMainCellLayout l = t.MainCellLayout(item);
    const bool rtl = l.MirrorSum != 0;
    const int indent = t.ItemIndent();
    if (t.ShowLines() && !item->HasFlag(ifNoLines))
        DrawLines(canvas, t, *item, l.Base - lp, m, {rtl, l.MirrorSum - 2 * lp});
    const bool hasChildren = item->HasVisibleChildren() || item->HasFlag(ifForceButton);
    const bool ownButtonGone =
        item->HasFlag(ifNoButton) && (item->Level() > 0 || t.ShowRootButtons());
    if (t.ShowButtons() && !ownButtonGone && (t.ShowRootButtons() || item->Level() > 0) &&
        (hasChildren || t.ShowLeafButton()))
        DrawButton(canvas, t, *item, l.Button.Left - lp, m, hasChildren);
    if (!l.CheckBox.Empty())
        DrawCheckBox(canvas, t, *item, l.CheckBox.Left - lp, m, l.CheckBox.Right - l.CheckBox.Left);
    item->SetFlag(ifImage1Shown, false);
    item->SetFlag(ifImage2Shown, false);
    if (t.ShowImages()) {
        if (!l.Image2.Empty()) {
            DrawImage(canvas, t, *item, ImageSlotOf(t, *item, true), l.Image2.Left - lp, m,
                      item->Overlay2);
            item->SetFlag(ifImage2Shown, true);
        }
        if (!l.Image1.Empty()) {
            DrawImage(canvas, t, *item, ImageSlotOf(t, *item, false), l.Image1.Left - lp, m,
                      item->Overlay1);
            item->SetFlag(ifImage1Shown, true);
        }
    }

    // What is left for the text: the cell beside the parts. Without any
    // tree part the text rectangle reaches back over the gap.
    const bool bare = !t.ShowButtons() && !t.ShowLines() && !t.ShowImages() && !t.ShowCheckboxes();
    const int gap = indent / 3;
    gui::TRect textCell = m;
    if (rtl)
        textCell.Right = l.TextHitRight + 1 - lp;
    else
        textCell.Left = l.Text.Left - gap - lp;
    const auto recordText = [&](int left, int right) {
        item->TextRect.Left = left + lp - (bare && !rtl ? gap : 0);
        item->TextRect.Right = right + lp + (bare && rtl ? gap : 0);
    };
    const std::u16string text = item->Text();
    const bool ownerDraw = (t.OwnerDrawByColumn && t.SectionCount() > 0 && section != nullptr &&
                            section->Style() == ElhsOwnerDraw) ||
                           (!t.OwnerDrawByColumn && text == t.OwnerDrawMask) ||
                           (style != nullptr && style->Style() == ElhsOwnerDraw);
    if (ownerDraw) {
        canvas.Brush().SetColor(Col(brush));
        t.DoItemDraw(item, &canvas, textCell, main);
        if (rtl)
            recordText(textCell.Left, textCell.Right - gap);
        else
            recordText(textCell.Left + gap, textCell.Right);
        return;
    }
    if (rtl)
        textCell.Right -= gap;
    else
        textCell.Left += gap;
    m = textCell;
    if (style != nullptr && style->Style() == ElhsPictureOnly) {
        auto* picture = dynamic_cast<gui::TBitmap*>(style->Picture);
        if (picture == nullptr || picture->Empty()) return;
        const int x = rtl ? m.Left + (m.Width() - picture->Width()) / 2 : m.Left;
        const int y = m.Top + (m.Height() - picture->Height()) / 2;
        {
            paint::TClipScope clipTo(canvas, m);
            paint::DrawGlyph(canvas, *picture, x, y, {0, 0, picture->Width(), picture->Height()},
                             picture->Transparent(), picture->TransparentColor());
        }
        item->TextRect.Left = m.Left + lp;
        item->TextRect.Right = m.Right + lp;
        return;
    }
    if (style != nullptr && style->Style() != ElhsText) return;

    // The text: colours and font by the style, the item or the tree.
    bool transparent = false;
    UINT format;
    const uint8_t ownStyles =
        item->ParentStyle() ? paint::StyleBits(t.Font()->Style()) : paint::ItemStyleBits(*item);
    if (style != nullptr) {
        if (rc.Set || style->OwnerProps()) {
            paint::SetFontColor(font, rc.Text);
            brush = rc.Background;
        } else {
            brush = style->TextBkColor;
            paint::SetFontColor(font, style->TextColor);
            transparent = !style->UseBkColor;
        }
        if (style->OwnerProps()) {
            paint::TakeTreeFont(font, *t.Font());
            paint::SetFontStyles(font, ownStyles);
            format = kCellFormat;
            if (section != nullptr && section->Alignment() == hsaCenter) format |= DT_CENTER;
            if (section != nullptr && section->Alignment() == hsaRight) format |= DT_RIGHT;
        } else {
            paint::SetFontName(font, style->FontName);
            paint::SetFontStyles(font, style->FontStyles());
            paint::SetFontSize(font, style->FontSize);
            format = style->TextFlags;
        }
    } else {
        paint::SetFontColor(font, rc.Text);
        brush = rc.Background;
        paint::TakeTreeFont(font, *t.Font());
        paint::SetFontStyles(font, ownStyles);
        if (!item->ParentColors()) {
            paint::SetFontColor(font, item->Color);
            if (item->HasFlag(ifUseBkColor))
                brush = item->BkColor;
            else
                transparent = true;
            fill = !rc.Set || rc.FromItem;
        }
        format = kCellFormat | (rtl ? DT_RIGHT : 0) | (t.RightAlignedText() ? DT_RTLREADING : 0);
    }
    const bool hot = t.Tracking && item == t.Refs().HotItem;
    if (hot && t.UnderlineTracked())
        paint::SetFontStyles(font, paint::StyleBits(font.Style()) | kFontUnderline);
    const bool selectionShown =
        paint::Selected(t, *item) && plain &&
        (t.SelectColumn() == -1 || t.SelectColumn() == main || t.RowSelect() || !columns);
    if (selectionShown) {
        paint::SetFontColor(font, focusLook ? t.FocusedSelectTextColor() : t.HideSelectTextColor());
        if (opaque) {
            brush = focusLook ? t.FocusedSelectColor() : t.HideSelectColor();
            if (focusLook) transparent = false;
            fill = true;
        }
    } else if (hot) {
        paint::SetFontColor(font, t.TrackColor());
    }
    if (drop.On &&
        (t.SelectColumn() == -1 || t.SelectColumn() == main || t.RowSelect() || !columns)) {
        paint::SetFontColor(font, drop.Text);
        if (opaque) {
            brush = drop.Brush;
            fill = true;
        }
    }
    if (font.Charset() != t.Font()->Charset()) font.SetCharset(t.Font()->Charset());

    gui::TRect measured{0, 0, 0, 0};
    DrawTextWideEx(canvas.TextHandle(), text, kMeasureFormat, measured, nullptr);
    const int tw = measured.Width(), th = measured.Height();
    // The span the text may take: from the gap on, up to the cell's edge.
    const int x0 = rtl ? std::max(m.Left, m.Right - tw - 2) : m.Left - 1;
    const int x1 = rtl ? m.Right + 2 : std::min(m.Left + tw + 3, m.Right);
    if (x0 >= x1) {
        item->TextRect.Left = item->TextRect.Right = x0 + lp - 1;
        return;
    }
    const int width = std::min(x1 - m.Left, tw);
    const int height = std::min(th, m.Height());
    const int top = m.Top + (m.Height() - height) / 2;
    gui::TRect box = t.RightAlignedText() ? gui::TRect{x1 - width, top, x1, top + height}
                                          : gui::TRect{x0, top, x0 + width, top + height};
    canvas.Brush().SetColor(Col(brush));
    if (fill && !transparent) canvas.FillRect(box);
    canvas.Brush().SetStyle(gui::bsClear);
    gui::TRect out = box;
    DrawTextWideEx(canvas.TextHandle(), text, format | kOutputFormat, out, nullptr);
    canvas.Brush().SetStyle(gui::bsSolid);
    item->TextRect.Top = box.Top;
    item->TextRect.Bottom = box.Bottom;
    recordText(box.Left - 1, box.Right + 1);
}

}  // namespace controls::tree
