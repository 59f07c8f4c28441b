// The view's scrolling: the two positions and their limits, the pages of
// the scroll bars (second buttons included), the wheel, and the scroll
// after an expand that brings the new children into view.
#include <algorithm>
#include <optional>

#include "controls/tree/tree.h"
#include "controls/tree/treegeometry.h"
#include "controls/tree/treeview.h"
#include "controls/tree/treewalk.h"
#include "controls/tree/treewheel.h"
#include "gui/geometry_win.h"

namespace controls::tree {

namespace {

// Second buttons act as the first ones the other way, or as page steps.
TGtScrollCode MapSecondButton(TGtScrollCode code, TGtSecButtonsKind kind) {
    if (kind == sbkCustom) return code;
    if (code == escSndLineUp) return kind == sbkOpposite ? escLineDown : escPageUp;
    if (code == escSndLineDown) return kind == sbkOpposite ? escLineUp : escPageDown;
    return code;
}

// What the scroll codes move by, along one bar.
struct TGtScrollSteps {
    int Line;
    int PageBack;
    int PageForward;
    int End;
};

// The position a scroll code asks for from `current`; none for the codes
// that move nothing (a thumb dragged without tracking among them).
std::optional<int> ScrollTarget(TGtScrollCode code, int current, int position, bool tracking,
                                const TGtScrollSteps& steps) {
    switch (code) {
        case escLineUp:
            return current - steps.Line;
        case escLineDown:
            return current + steps.Line;
        case escPageUp:
            return current - steps.PageBack;
        case escPageDown:
            return current + steps.PageForward;
        case escPosition:
            return position;
        case escTrack:
            return tracking ? std::optional<int>(position) : std::nullopt;
        case escTop:
            return 0;
        case escBottom:
            return steps.End;
        default:
            return std::nullopt;
    }
}

bool Loading(const TCustomGtTree& t) {
    return t.IsLoading() || t.ComponentState().Contains(runtime::csLoading);
}

}  // namespace

void TGtTreeView::SetLeftPosition(int value) {
    TCustomGtTree& t = *tree_;
    TGtTreeLock lock(t);
    if (Loading(t)) {
        leftPosition_ = value;
        return;
    }
    value = std::max(std::min(value, std::max(contentWidth_, 0) - ClientWidth()), 0);
    if (value != leftPosition_) {
        leftPosition_ = value;
        if (t.Header() != nullptr) t.Header()->SetLeftPos(value);
        // Also at once: a layout's own end-of-update clips positions too.
        Invalidate();
        t.Request(rfUpdatePending | rfRepaintAll);
    }
    if (t.HorzScrollBar() != nullptr && t.HorzScrollBar()->Position() != leftPosition_)
        t.SyncBarPosition(t.HorzScrollBar(), leftPosition_);
    t.DoScroll(gui::sbHorizontal, escLineUp);
}

void TGtTreeView::SetTopIndex(int value) {
    TCustomGtTree& t = *tree_;
    TGtTreeLock lock(t);
    t.Refs().HotItem = nullptr;
    if (Loading(t)) {
        topIndex_ = value;
        return;
    }
    const int total = t.TotalVisible();
    value = std::max(std::min(value, MaxTopIndex(total, GetVisibleRowCount())), 0);
    if (value != topIndex_) {
        ApplyTopIndex(value);
        Invalidate();
        t.Request(rfUpdatePending | rfRepaintAll);
    }
    if (t.VertScrollBar() != nullptr) t.SyncBarPosition(t.VertScrollBar(), topIndex_);
    t.DoScroll(gui::sbVertical, escLineUp);
}

void TGtTreeView::MakeItemVisible(TGtTreeItem* item) {
    if (item == nullptr) return;
    const int index = item->VisIndex();
    if (index < 0) return;
    int rest = 0;
    const int full = std::max(GetFullRowCount(rest), 1);
    if (index < topIndex_)
        SetTopIndex(index);
    else if (index >= topIndex_ + full)
        SetTopIndex(index - full + 1);
}

int TGtTreeView::PageTopFor(int index) const {
    if (index <= 0 || rows_.Count() == 0) return 0;
    TGtTreeItem* item = tree_->Items().GetVisItem(index);
    int answer = index;
    int sum = 0;
    for (; item != nullptr; item = PrevShown(*tree_, item), --index) {
        sum += RowHeight(item);
        if (sum > ClientHeight()) break;
        answer = index;
    }
    return answer;
}

int TGtTreeView::LastFittingFrom(int index) const {
    if (rows_.Count() == 0) return 0;
    TGtTreeItem* item = tree_->Items().GetVisItem(index);
    int answer = index;
    int sum = 0;
    for (; item != nullptr; item = NextShown(*tree_, item), ++index) {
        sum += RowHeight(item);
        if (sum > ClientHeight()) break;
        answer = index;
    }
    return answer;
}

void TGtTreeView::HorzScroll(TGtScrollCode code, int& position, bool& doChange) {
    TCustomGtTree& t = *tree_;
    doChange = false;
    const TGtScrollSteps steps{4, Width() / 2, Width() / 2, contentWidth_};
    const TGtScrollCode c = MapSecondButton(code, t.HorzScrollBar()->SecondBtnKind);
    if (const auto target = ScrollTarget(c, leftPosition_, position, t.ScrollTracking, steps))
        t.SetLeftPosition(*target);
    t.DoScroll(gui::sbHorizontal, static_cast<int>(code));
}

void TGtTreeView::VertScroll(TGtScrollCode code, int& position, bool& doChange) {
    TCustomGtTree& t = *tree_;
    doChange = false;
    const int page = std::max(GetVisibleRowCount() - 1, 0);
    // One row shown: a page down is still a step.
    const int pageDown = page == 0 && t.TotalVisible() != 1 ? 1 : page;
    const TGtScrollSteps steps{1, std::min(page, topIndex_), pageDown, t.TotalVisible()};
    const TGtScrollCode c = MapSecondButton(code, t.VertScrollBar()->SecondBtnKind);
    if (const auto target = ScrollTarget(c, topIndex_, position, t.ScrollTracking, steps))
        t.SetTopIndex(*target);
    t.DoScroll(gui::sbVertical, static_cast<int>(code));
    if (frameSelecting_) {
        POINT p;
        GetCursorPos(&p);
        const gui::TPoint at = ScreenToClient({p.x, p.y});
        FrameMove(at.X, at.Y);
    }
}

bool TGtTreeView::DoMouseWheel(runtime::TShiftState shift, int wheelDelta, gui::TPoint mousePos) {
    if (gui::TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int rows = wheel_.Turn(wheelDelta, lines, GetVisibleRowCount() - 1);
    if (rows == 0) return true;
    if (frameSelecting_) {
        if (tree_->MouseFrameVisible) DrawSelectionFrame();
        tree_->SetTopIndex(topIndex_ - rows);
        Update();
        const gui::TPoint p = ScreenToClient(mousePos);
        if (p.X >= 0 && p.Y >= 0 && p.X < ClientWidth() && p.Y < ClientHeight()) {
            SetFrameCorner(p.X, p.Y);
            UpdateFrameSelection();
            tree_->DoAfterSelectionChange();
        }
        if (tree_->MouseFrameVisible) DrawSelectionFrame();
    } else {
        tree_->SetTopIndex(topIndex_ - rows);
    }
    // Hot tracking and hints follow the rows that moved under the pointer.
    const gui::TPoint p = ScreenToClient(mousePos);
    Perform(WM_MOUSEMOVE, 0, gui::PointToLParam(p));
    return true;
}

void TGtTreeView::ShowChildren(TGtTreeItem* item) {
    if (item == nullptr || !item->AllParentsExpanded() || !item->IsShown()) return;
    const int row = RowIndexOf(item);
    if (row < 0) return;
    const int h = item->ExpandedHeight();
    int top = topIndex_;
    const int at = item->VisIndex();
    int y = GetRowRect(row).Top;
    int steps = 0;
    while (steps < rows_.Count() && y + h >= ClientHeight() && top < at) {
        y -= tree_->LineHeight();
        ++steps;
        ++top;
    }
    if (steps > 0) tree_->SetTopIndex(topIndex_ + steps);
}

}  // namespace controls::tree
