// The view's frame selection: dragging with the left button from a press
// 5 pixels away selects the rows the frame covers (inside collapsed
// parents too), scrolling when the pointer leaves the view; the frame is
// an inverted focus rectangle drawn over the rows.
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "controls/tree/header.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"

namespace controls::tree {

namespace {

// How far the pointer moves from the press before a frame starts.
constexpr int kFrameStartDistance = 5;

}  // namespace

void TGtTreeView::StartFrame(runtime::TShiftState shift) {
    TCustomGtTree& t = *tree_;
    TGtTreeItem* anchor = GetItemAtY(pressPoint_.Y);
    if (anchor == nullptr) anchor = Row(rows_.Count() - 1);
    frameAnchor_ = anchor;
    frameAnchorX_ = leftPosition_ + pressPoint_.X;
    frameAnchorOffset_ = pressPoint_.Y - GetRowRect(RowIndexOf(anchor)).Top;
    frameCorner_ = anchor;
    frameCornerX_ = frameAnchorX_;
    frameCornerOffset_ = frameAnchorOffset_;
    // A press on a selected row waited for its release; the frame replaces it.
    pendingSelect_ = false;
    t.Refs().PendingSelect = nullptr;
    if (!shift.Contains(runtime::ssCtrl)) {
        t.DeselectAll();
        t.SetSelectionChanged(false);
        t.DoAfterSelectionChange();
    }
    SetMouseCapture(true);
    frameItems_.clear();
    frameSelecting_ = true;
    if (t.MouseFrameVisible) DrawSelectionFrame();
}

void TGtTreeView::FrameMove(int x, int y) {
    TCustomGtTree& t = *tree_;
    if (t.MouseFrameVisible) DrawSelectionFrame();
    if (x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) {
        SetFrameCorner(x, y);
        UpdateFrameSelection();
        t.SetSelectionChanged(false);
        t.DoAfterSelectionChange();
    } else {
        if (y < 0)
            t.SetTopIndex(topIndex_ - 1);
        else if (y >= ClientHeight())
            t.SetTopIndex(topIndex_ + 1);
        else if (x >= ClientWidth())
            t.SetLeftPosition(leftPosition_ + 4);
        else if (x < 0)
            t.SetLeftPosition(leftPosition_ - 4);
        Update();
    }
    // A handler may have ended the frame.
    if (frameSelecting_ && t.MouseFrameVisible) DrawSelectionFrame();
}

void TGtTreeView::SetFrameCorner(int x, int y) {
    if (rows_.Count() == 0) return;
    TGtTreeItem* corner = GetItemAtY(y);
    if (corner == nullptr) corner = Row(rows_.Count() - 1);
    frameCorner_ = corner;
    frameCornerX_ = leftPosition_ + x;
    frameCornerOffset_ = y - GetRowRect(RowIndexOf(corner)).Top;
}

void TGtTreeView::DrawSelectionFrame() {
    if (!HandleAllocated() || frameAnchor_ == nullptr || frameCorner_ == nullptr) return;
    const int left = std::min(frameAnchorX_, frameCornerX_) - leftPosition_;
    const int right = std::max(frameAnchorX_, frameCornerX_) - leftPosition_;
    const int anchorRow = RowIndexOf(frameAnchor_);
    const int cornerRow = RowIndexOf(frameCorner_);
    const int below = ClientHeight() + 1;
    const bool cornerFirst = frameCorner_->AbsoluteIndex() < frameAnchor_->AbsoluteIndex();
    int top = -1;
    int bottom = below;
    if (anchorRow >= 0 && cornerRow >= 0) {
        const int a = GetRowRect(anchorRow).Top + frameAnchorOffset_;
        const int c = GetRowRect(cornerRow).Top + frameCornerOffset_;
        top = std::min(a, c);
        bottom = std::max(a, c);
    } else if (cornerRow >= 0 || anchorRow >= 0) {
        // One end scrolled out: the frame runs off the edge the other is beyond.
        const bool corner = cornerRow >= 0;
        const int y = corner ? GetRowRect(cornerRow).Top + frameCornerOffset_
                             : GetRowRect(anchorRow).Top + frameAnchorOffset_;
        const bool shownIsFirst = corner ? cornerFirst : !cornerFirst;
        top = shownIsFirst ? y : -1;
        bottom = shownIsFirst ? below : y;
    }
    HDC dc = GetDC(WindowHandle());
    SetBkColor(dc, gui::ColorToRGB(static_cast<gui::TColor>(tree_->BkColor())));
    SetTextColor(dc, gui::ColorToRGB(static_cast<gui::TColor>(tree_->TextColor())));
    const RECT r{left, top, std::max(right, left + 1), std::max(bottom, top + 1)};
    DrawFocusRect(dc, &r);
    ReleaseDC(WindowHandle(), dc);
}

void TGtTreeView::UpdateFrameSelection() {
    TCustomGtTree& t = *tree_;
    if (frameAnchor_ == nullptr || frameCorner_ == nullptr) return;
    int lo = frameAnchor_->AbsoluteIndex();
    int hi = frameCorner_->AbsoluteIndex();
    if (lo > hi) std::swap(lo, hi);
    bool empty = lo < 0;
    if (frameAnchor_ == frameCorner_ && RowIndexOf(frameCorner_) == rows_.Count() - 1) {
        // Both ends on the last row: below its bottom neither lies on it.
        const int h = RowHeight(frameCorner_);
        empty = frameAnchorOffset_ >= h && frameCornerOffset_ >= h;
    }
    std::vector<TGtTreeItem*> covered;
    if (!empty) {
        const int frameLeft = std::min(frameAnchorX_, frameCornerX_);
        const bool columns = t.ShowColumns() && t.Header() != nullptr;
        const int sectionsWidth = columns ? t.Header()->SectionsWidth() : 0;
        for (int i = lo; i <= hi; ++i) {
            auto* item = static_cast<TGtTreeItem*>(t.AllItems().Get(i));
            int width = sectionsWidth;
            if (!columns) {
                gui::TPoint size;
                t.MeasureCellSize(item, -1, size);
                width = size.X;
            }
            if (width > frameLeft) covered.push_back(item);
        }
    }
    const std::unordered_set<TGtTreeItem*> before(frameItems_.begin(), frameItems_.end());
    const std::unordered_set<TGtTreeItem*> now(covered.begin(), covered.end());
    {
        TGtTreeLock lock(t);
        const auto flip = [&](TGtTreeItem* item) {
            if (!Refuses(item)) item->SetSelected(!item->Selected());
        };
        for (TGtTreeItem* item : covered)
            if (before.count(item) == 0) flip(item);
        for (TGtTreeItem* item : frameItems_)
            if (now.count(item) == 0) flip(item);
    }
    Update();
    frameItems_ = std::move(covered);
}

void TGtTreeView::EndFrameSelection() {
    StopFrame(true);
}

void TGtTreeView::StopFrame(bool erase) {
    if (!frameSelecting_) return;
    // Cleared first: releasing the capture reports back here.
    frameSelecting_ = false;
    buttonPressed_ = false;
    frameItems_.clear();
    if (erase && tree_->MouseFrameVisible)
        DrawSelectionFrame();
    else if (HandleAllocated())
        Invalidate();
    frameAnchor_ = nullptr;
    frameCorner_ = nullptr;
    if (MouseCapture()) SetMouseCapture(false);
}

void TGtTreeView::ProcessMouseMove(runtime::TShiftState shift, int x, int y) {
    TCustomGtTree& t = *tree_;
    // The button must still be down: a press whose release went elsewhere
    // starts nothing.
    if (buttonPressed_ && shift.Contains(runtime::ssLeft) && t.MouseFrameSelect &&
        rows_.Count() > 0 && t.MultiSelect()) {
        if (frameSelecting_) {
            FrameMove(x, y);
        } else if (std::hypot(x - pressPoint_.X, y - pressPoint_.Y) >= kFrameStartDistance) {
            StartFrame(shift);
        }
    }
    if (!t.Tracking || frameSelecting_) return;
    // The tree keeps the hot row, so that deleting or filtering it out
    // forgets it before anyone hands it on. An open editor has the mouse's
    // attention: no row is hot meanwhile.
    TGtTreeItem* old = t.Refs().HotItem;
    TGtTreeItem* hot = t.IsEditing() ? nullptr : GetItemAtY(y);
    if (hot != nullptr && Refuses(hot)) hot = nullptr;
    if (hot == old) return;
    t.Refs().HotItem = hot;
    // Without columns (or with whole-row tracking) the row, else its main cell.
    int left = 0;
    int right = -1;
    if (t.ShowColumns() && !t.RowHotTrack())
        if (TGtHeaderSection* s = t.SectionByIndex(t.MainTreeColumn())) {
            left = s->Left();
            right = s->Left() + s->Width();
        }
    if (old != nullptr) InvalidateRow(old, left, right);
    if (hot != nullptr) InvalidateRow(hot, left, right);
    t.DoHotTrack(old, hot);
}

void TGtTreeView::WMCancelMode(gui::TMessage& msg) {
    EndFrameSelection();
    GUI_INHERITED(msg);
}

void TGtTreeView::WMCaptureChanged(gui::TMessage& msg) {
    // Another window took the mouse: the frame cannot follow it any more.
    if (reinterpret_cast<HWND>(msg.LParam) != WindowHandle()) EndFrameSelection();
    GUI_INHERITED(msg);
}

}  // namespace controls::tree
