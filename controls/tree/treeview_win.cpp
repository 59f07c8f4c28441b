// The tree's view: the rows shown, their geometry and scrolling positions.
// The paint pipeline is treepaint_win.cpp.
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

void TGtTreeView::CMSysColorChange(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    // The default button glyphs follow the new colours at the next paint.
    Invalidate();
}

TGtTreeItem* TGtTreeView::HotItem() const {
    return tree_->Refs().HotItem;
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
GUI_MESSAGE(gui::CM_SYSCOLORCHANGE, CMSysColorChange)
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
    // Off screen first, unless the form is being sized and the tree
    // asks not to while that lasts.
    const bool buffered =
        tree_->InSizeMove() ? tree_->DoubleBufferedOnResize : tree_->DoubleBuffered();
    if (buffered != DoubleBuffered()) SetDoubleBuffered(buffered);
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
    // A flat border shows whether the tree has the focus.
    if (tree_->Flat() && tree_->ActiveBorderType() != tree_->InactiveBorderType())
        tree_->RedrawFrame();
}

}  // namespace controls::tree
