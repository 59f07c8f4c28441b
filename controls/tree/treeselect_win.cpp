// The tree's side of focus and navigation: the change-delay timer, the
// rows moving up for a focused row cut off at the bottom, and scrolling an
// item to the top or the bottom of the view.
#include <algorithm>

#include "controls/tree/timers.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"

namespace controls::tree {

bool TCustomGtTree::SetChangeTimer(bool running) {
    if (running)
        GtTimers().Start(this, ChangeDelay, [this] { ChangeTimerFired(); });
    else
        GtTimers().Stop(this);
    return true;
}

void TCustomGtTree::FocusArrived(TGtTreeItem* item) {
    if (view_ == nullptr) return;
    const int rows = view_->RowCount();
    if (rows > 1 && view_->Row(rows - 1) == item && view_->RowsHeight() > view_->ClientHeight())
        SetTopIndex(TopIndex() + 1);
}

void TCustomGtTree::EnsureVisible(TGtTreeItem* item) {
    if (IsUpdating() || view_ == nullptr) return;
    view_->RebuildRows(view_->TopIndex());
    if (item == nullptr || IsInView(item)) return;
    if (!item->AllParentsExpanded()) item->ExpandParents();
    TGtTreeLock lock(*this);
    SetTopIndex(item->VisIndex());
    Request(rfRepaintRows | rfRepaintAll);
}

void TCustomGtTree::EnsureVisibleBottom(TGtTreeItem* item) {
    if (IsUpdating() || view_ == nullptr || item == nullptr || IsInView(item)) return;
    if (!item->AllParentsExpanded()) item->ExpandParents();
    TGtTreeLock lock(*this);
    // Rows share one height: the page that ends with the item starts a
    // page of whole rows above it.
    int rest = 0;
    const int page = std::max(view_->GetFullRowCount(rest), 1);
    SetTopIndex(std::max(item->VisIndex() - page + 1, 0));
    Request(rfRepaintRows | rfRepaintAll);
}

bool TCustomGtTree::IsInView(TGtTreeItem* item) const {
    return item != nullptr && view_ != nullptr && view_->RowIndexOf(item) >= 0;
}

}  // namespace controls::tree
