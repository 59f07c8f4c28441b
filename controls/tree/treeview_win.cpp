// The tree's view: the rows shown, their geometry, scrolling positions and
// the paint pipeline.
#include <algorithm>

#include "controls/tree/drawing.h"
#include "controls/tree/headersections.h"
#include "controls/tree/tree.h"
#include "controls/tree/treegeometry.h"
#include "controls/tree/treeview.h"
#include "runtime/handles.h"
#include "runtime/properties.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TGtTreeView, gui::TCustomControl)
RUNTIME_END_CLASS

namespace {

TCustomGtTree* TreeOf(runtime::TComponent* owner) {
    auto* tree = dynamic_cast<TCustomGtTree*>(owner);
    if (tree == nullptr) runtime::detail::RaiseInvalidCast();
    return tree;
}

}  // namespace

TGtTreeView::TGtTreeView(runtime::TComponent* owner)
    : gui::TCustomControl(owner), tree_(TreeOf(owner)) {}

TGtTreeView::~TGtTreeView() {
    EndInteraction();
}

// ---- rows -------------------------------------------------------------------------------

int TGtTreeView::RowHeight(const TGtTreeItem*) const {
    return tree_->LineHeight();
}

int TGtTreeView::RowsHeight() const {
    int h = 0;
    for (int i = 0; i < rows_.Count(); ++i) h += RowHeight(Row(i));
    return h;
}

void TGtTreeView::RebuildRows(int from) {
    rows_.Clear();
    const TGtList& all = tree_->AllItems();
    const bool filtered = tree_->FilteredVisibility();
    const int height = ClientHeight();
    int visible = 0;
    int running = 0;
    for (int i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(all.Get(i));
        const auto skipSubtree = [&] {
            if (item->ChildrenCount() > 0) i = item->LastDescendant()->AbsoluteIndex();
        };
        if (filtered && item->Hidden()) {
            skipSubtree();
            continue;
        }
        if (visible++ >= from) {
            if (running > height) break;
            rows_.Add(item);
            running += RowHeight(item);
            if (running > height) break;
        }
        if (!item->Expanded()) skipSubtree();
    }
}

void TGtTreeView::ApplyTopIndex(int index) {
    const int total = tree_->TotalVisible();
    topIndex_ = ClampTopIndex(index, total, GetVisibleRowCount());
    if (topIndex_ != 0 || tree_->Items().Count() > 0) {
        RebuildRows(topIndex_);
        bottomIndex_ = rows_.Count() + topIndex_ - 1;
    } else {
        rows_.Clear();
        bottomIndex_ = 0;
    }
}

void TGtTreeView::ClearRows() {
    rows_.Clear();
    topIndex_ = 0;
    bottomIndex_ = 0;
}

void TGtTreeView::ForgetItem(const TGtTreeItem* item) {
    ForgetInputItem(item);
    const int i = RowIndexOf(item);
    if (i >= 0) rows_.Delete(i);
}

int TGtTreeView::RowIndexOf(const TGtTreeItem* item) const {
    return rows_.IndexOf(const_cast<TGtTreeItem*>(item));
}

// ---- geometry ---------------------------------------------------------------------------

int TGtTreeView::GetVisibleRowCount() const {
    return VisibleRowCount(ClientHeight(), tree_->LineHeight());
}

int TGtTreeView::GetFullRowCount(int& rest) const {
    return FullRowCount(ClientHeight(), tree_->LineHeight(), rest);
}

gui::TRect TGtTreeView::GetRowRect(int index) const {
    if (index < 0 || index >= rows_.Count() || tree_->IsDestroying()) return {};
    int top = 0;
    for (int i = 0; i < index; ++i) top += RowHeight(Row(i));
    return {0, top, ClientWidth(), top + RowHeight(Row(index))};
}

TGtTreeItem* TGtTreeView::GetItemAtY(int y) const {
    if (y < 0) return nullptr;
    int bottom = 0;
    for (int i = 0; i < rows_.Count(); ++i) {
        bottom += RowHeight(Row(i));
        if (bottom > y) return Row(i);
    }
    return nullptr;
}

// ---- content width and invalidation -----------------------------------------------------

void TGtTreeView::UpdateContentWidth() {
    contentWidth_ = 0;
    const TGtList& all = tree_->AllItems();
    const bool filtered = tree_->FilteredVisibility();
    for (int i = 0; i < all.Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(all.Get(i));
        if (filtered && item->Hidden()) {
            if (item->ChildrenCount() > 0) i = item->LastDescendant()->AbsoluteIndex();
            continue;
        }
        gui::TPoint size;
        tree_->MeasureCellSize(item, -1, size);
        contentWidth_ = std::max(contentWidth_, size.X);
        if (!item->Expanded() && item->ChildrenCount() > 0)
            i = item->LastDescendant()->AbsoluteIndex();
    }
}

void TGtTreeView::FlushRedraw(TGtRefreshFlags refresh) {
    if (!HandleAllocated()) return;
    if ((refresh & (rfRepaintRows | rfRepaintAll)) != 0) {
        RECT r;
        GetClientRect(WindowHandle(), &r);
        if ((refresh & rfRepaintAll) == 0 && !(tree_->VerticalLines() && tree_->ShowColumns()))
            r.bottom = std::min<LONG>(r.bottom, RowsHeight());
        InvalidateRect(WindowHandle(), &r, TRUE);
    }
    UpdateWindow(WindowHandle());
}

void TGtTreeView::InvalidateRow(const TGtTreeItem* item, int left, int right) {
    if (!HandleAllocated()) return;
    const int i = RowIndexOf(item);
    if (i < 0) return;
    gui::TRect r = GetRowRect(i);
    if (right >= left && right >= 0) {
        r.Left = left - leftPosition_;
        r.Right = right - leftPosition_;
    }
    const RECT rr{r.Left, r.Top, r.Right, r.Bottom};
    InvalidateRect(WindowHandle(), &rr, TRUE);
}

// ---- messages ---------------------------------------------------------------------------

GUI_BEGIN_MESSAGE_MAP(TGtTreeView)
GUI_MESSAGE(WM_SIZE, WMSize)
GUI_MESSAGE(WM_PAINT, WMPaint)
GUI_MESSAGE(WM_ERASEBKGND, WMEraseBkgnd)
GUI_MESSAGE(WM_GETDLGCODE, WMGetDlgCode)
GUI_MESSAGE(WM_SETFOCUS, WMSetFocus)
GUI_MESSAGE(WM_KILLFOCUS, WMKillFocus)
GUI_MESSAGE(WM_TIMER, WMTimer)
GUI_MESSAGE(WM_CANCELMODE, WMCancelMode)
GUI_MESSAGE(WM_CAPTURECHANGED, WMCaptureChanged)
GUI_MESSAGE(WM_LBUTTONUP, WMButtonUp)
GUI_MESSAGE(WM_RBUTTONUP, WMButtonUp)
GUI_MESSAGE(WM_LBUTTONDBLCLK, WMButtonDblClk)
GUI_MESSAGE(WM_RBUTTONDBLCLK, WMButtonDblClk)
GUI_MESSAGE(0xB20A, WMWheelAlias)
GUI_MESSAGE(gui::CM_MOUSELEAVE, CMMouseLeave)
GUI_END_MESSAGE_MAP

void TGtTreeView::WMSize(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    tree_->SetUpdating(true);
    tree_->Request(rfRowsStale | rfRepaintAll | rfCountStale);
    ApplyTopIndex(topIndex_);
    tree_->SetUpdating(false);
}

void TGtTreeView::WMPaint(gui::TMessage& msg) {
    if (tree_->IsUpdating()) {
        msg.Result = DefWindowProcW(WindowHandle(), msg.Msg, msg.WParam, msg.LParam);
        return;
    }
    GUI_INHERITED(msg);
}

void TGtTreeView::WMEraseBkgnd(gui::TMessage& msg) {
    msg.Result = 1;
}

void TGtTreeView::WMGetDlgCode(gui::TMessage& msg) {
    msg.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
}

void TGtTreeView::WMSetFocus(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    hasFocus_ = true;
    Invalidate();
}

// ---- painting ---------------------------------------------------------------------------

void TGtTreeView::Paint() {
    painting_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{painting_};
    gui::TCanvas& canvas = Canvas();
    canvas.Brush().SetColor(static_cast<gui::TColor>(tree_->BkColor()));
    canvas.FillRect(ClientRect());
    DrawItems(canvas, leftPosition_);
}

namespace {

gui::TColor Col(TGtColor c) {
    return static_cast<gui::TColor>(c);
}

// The 9 by 9 expand button: a grey frame, white inside, a black minus and,
// while collapsed, the plus's upright bar.
void DrawExpandButton(gui::TCanvas& canvas, int cx, int cy, bool expanded) {
    const gui::TRect box{cx - 4, cy - 4, cx + 5, cy + 5};
    canvas.Brush().SetColor(gui::clWhite);
    canvas.FillRect(box);
    canvas.Brush().SetColor(static_cast<gui::TColor>(0x808080));
    canvas.FrameRect(box);
    canvas.Brush().SetColor(gui::clBlack);
    canvas.FillRect({cx - 2, cy, cx + 3, cy + 1});
    if (!expanded) canvas.FillRect({cx, cy - 2, cx + 1, cy + 3});
}

void DrawCheckBox(gui::TCanvas& canvas, const gui::TRect& r, const TGtTreeItem& item,
                  bool enabled) {
    UINT state = item.CheckBoxType() == 2 ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (item.CheckBoxState() == cbChecked) state |= DFCS_CHECKED;
    if (item.CheckBoxState() == cbGrayed) state = DFCS_BUTTON3STATE | DFCS_CHECKED;
    if (!enabled) state |= DFCS_INACTIVE;
    RECT rr{r.Left, r.Top, r.Right, r.Bottom};
    DrawFrameControl(canvas.Handle(), &rr, DFC_BUTTON, state);
}

}  // namespace

void TGtTreeView::DrawItems(gui::TCanvas& canvas, int origin) {
    const int saved = leftPosition_;
    leftPosition_ = origin;
    TCustomGtTree& t = *tree_;
    TCustomGtHeader* header = t.Header();
    const bool columns = t.ShowColumns() && header != nullptr;
    const int right = columns ? header->SectionsWidth() - leftPosition_ : ClientWidth();
    for (int i = 0; i < rows_.Count(); ++i) {
        TGtTreeItem* item = Row(i);
        gui::TRect row = GetRowRect(i);
        row.Right = std::max(right, columns ? right : ClientWidth());
        if (t.HorizontalLines() && !t.BarStyle()) row.Bottom -= 1;
        const bool selected = item->Selected() || (!t.MultiSelect() && item == t.FocusedItem());
        const int visIndex = topIndex_ + i;
        if (selected) {
            canvas.Brush().SetColor(Col(HasFocus() ? t.FocusedSelectColor() : t.HideSelectColor()));
            canvas.FillRect(row);
        } else if (t.StripedItems()) {
            canvas.Brush().SetColor(
                Col(visIndex % 2 == 0 ? t.StripedEvenColor() : t.StripedOddColor()));
            canvas.FillRect(row);
        }
        const gui::TColor text =
            Col(selected && HasFocus() ? t.FocusedSelectTextColor() : t.TextColor());
        canvas.Font().Assign(t.Font());
        canvas.Font().SetColor(text);
        const TGtMainCellLayout l = t.MainCellLayout(item);
        const int cy = row.Top + (row.Height() - 1) / 2;
        if (t.ShowButtons() && (item->HasVisibleChildren() || t.ShowLeafButton()) &&
            (item->Level() > 0 || t.ShowRootButtons()))
            DrawExpandButton(canvas, (l.Button.Left + l.Button.Right) / 2 - leftPosition_, cy,
                             item->Expanded());
        if (!l.CheckBox.Empty()) {
            const int size = std::min(l.CheckBox.Right - l.CheckBox.Left, row.Height());
            const int top = row.Top + (row.Height() - size) / 2;
            DrawCheckBox(canvas,
                         {l.CheckBox.Left - leftPosition_, top,
                          l.CheckBox.Left - leftPosition_ + size, top + size},
                         *item, t.Enabled() && item->CheckBoxEnabled());
        }
        if (!l.Image1.Empty()) {
            const int index = item->ImageIndex >= 0 ? item->ImageIndex : t.DoItemPicDraw(item);
            t.Images()->Draw(canvas, l.Image1.Left - leftPosition_,
                             row.Top + (row.Height() - t.Images()->Height()) / 2, index);
        }
        canvas.Brush().SetStyle(gui::bsClear);
        int mainRight = right;
        if (columns) {
            TGtHeaderSections* sections = header->Sections();
            for (int p = 0; p < sections->Count(); ++p) {
                TGtHeaderSection* s = sections->ItemByPosition(p);
                if (!s->Visible()) continue;
                const int left = s->Left() - leftPosition_;
                const int cellRight = left + s->Width();
                if (s->Index() == t.MainTreeColumn()) {
                    mainRight = cellRight;
                    continue;
                }
                gui::TRect r{left + 2, row.Top, cellRight - 2, row.Bottom};
                const std::u16string cell = s->Password() ? u"******" : item->CellText(s->Index());
                canvas.DrawText(cell, r,
                                DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
            }
        }
        gui::TRect r{l.Text.Left - leftPosition_, row.Top, mainRight, row.Bottom};
        canvas.DrawText(item->Text(), r,
                        DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        canvas.Brush().SetStyle(gui::bsSolid);
        if (t.HorizontalLines() && !t.BarStyle()) {
            canvas.Brush().SetColor(Col(t.HorzDivLinesColor()));
            canvas.FillRect({0, row.Bottom, row.Right, row.Bottom + 1});
        }
        if (item == t.FocusedItem() && HasFocus() && t.DrawFocusRect()) {
            const RECT fr{row.Left, row.Top, row.Right, row.Bottom};
            DrawFocusRect(canvas.Handle(), &fr);
        }
    }
    if (columns && t.VerticalLines()) {
        canvas.Brush().SetColor(Col(t.VertDivLinesColor()));
        const int bottom = t.VerticalLinesLong ? ClientHeight() : RowsHeight();
        TGtHeaderSections* sections = header->Sections();
        for (int p = 0; p < sections->Count(); ++p) {
            TGtHeaderSection* s = sections->ItemByPosition(p);
            if (!s->Visible()) continue;
            const int x = s->Left() + s->Width() - 1 - leftPosition_;
            canvas.FillRect({x, 0, x + 1, bottom});
        }
    }
    leftPosition_ = saved;
}

}  // namespace controls::tree
