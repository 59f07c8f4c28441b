// The tree's focus and selection: the focus change with its events and
// the change-delay timer, the selection toggle with its level rules, the
// selection walks (all, invert, deselect, ranges) and reading the
// selection back.
#include <algorithm>

#include "controls/tree/treeitem.h"
#include "controls/tree/treeitem_static.h"
#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"

namespace controls::tree {

// ---- focus ------------------------------------------------------------------------------

bool TGtTreeModel::SetItemFocused(TGtTreeItem* item, bool forced, bool delayed) {
    if (item == focused_) return false;
    const bool allowed = DoChanging(item);
    if (!forced && !allowed) {
        // A click may have dropped the focused item from the selection
        // before asking; the refused change gives it back.
        if (multiSelect_ && focused_ != nullptr && !focused_->Selected()) ToggleSelect(focused_);
        return false;
    }
    UpdateLock lock(this);
    if (TGtTreeItem* old = focused_) {
        old->state_ &= static_cast<uint16_t>(~TGtTreeItem::StateBit(kStateFocused));
        old->RedrawItem(true);
        focused_ = nullptr;
        if (autoExpand_ && AutoCollapse && item != nullptr)
            for (TGtTreeItem* p = old; p != nullptr && !item->IsUnder(p); p = p->Parent())
                p->Collapse(false);
    }
    focused_ = item;
    ToggleSelect(item);
    if (item != nullptr && focused_ == item) {
        item->state_ |= TGtTreeItem::StateBit(kStateFocused);
        item->RedrawItem(true);
        if (autoExpand_) item->Expand(false);
        if (!destroying_ && view_ != nullptr) view_->FocusArrived(item);
    }
    if (ChangeDelay != 0 && delayed)
        StartChangeTimer(focused_);
    else
        DoItemFocused();
    Request(rfUpdatePending);
    return true;
}

void TGtTreeModel::StartChangeTimer(TGtTreeItem* item) {
    StopChangeTimer();
    refs_.PendingFocusItem = item;
    changeTimerArmed_ = true;
    if (!SetChangeTimer(true)) ChangeTimerFired();
}

void TGtTreeModel::StopChangeTimer() {
    if (changeTimerArmed_) SetChangeTimer(false);
    changeTimerArmed_ = false;
    refs_.PendingFocusItem = nullptr;
}

void TGtTreeModel::ChangeTimerFired() {
    const bool armed = changeTimerArmed_;
    TGtTreeItem* pending = refs_.PendingFocusItem;
    StopChangeTimer();
    if (armed && pending == focused_) DoItemFocused();
}

// ---- the selection ----------------------------------------------------------------------

void TGtTreeModel::ClearSelectedFlag(TGtTreeItem* item) {
    item->selected_ = false;
    item->state_ &= static_cast<uint16_t>(~TGtTreeItem::StateBit(kStateSelected));
}

void TGtTreeModel::ToggleSelect(TGtTreeItem* item) {
    if (multiSelect_) {
        if (item == nullptr) return;
        if (multiSelectLevel_ >= 0) {
            const int first = selection_->Count() > 0
                                  ? static_cast<TGtTreeItem*>(selection_->First())->Level()
                                  : multiSelectLevel_;
            if (item->Level() != multiSelectLevel_ || first != multiSelectLevel_) DeselectAll();
        }
        item->SetSelected(!item->Selected());
        return;
    }
    // One selected item: the current one. A flag left from multi-selection
    // days goes with it, so that no row keeps looking selected.
    if (TGtTreeItem* previous = current_) {
        current_ = nullptr;
        ClearSelectedFlag(previous);
        selectionChanged_ = true;
        previous->UpdateItem();
        DoItemSelectedChange(previous);
    }
    if (item != nullptr) {
        current_ = item;
        selectionChanged_ = true;
        item->UpdateItem();
        DoItemSelectedChange(item);
    }
}

int TGtTreeModel::SelectedCount() const {
    if (multiSelect_) return selection_ ? selection_->Count() : 0;
    return focused_ != nullptr ? 1 : 0;
}

TGtTreeItem* TGtTreeModel::GetNextSelected(TGtTreeItem* prev) const {
    if (!multiSelect_ || !selection_) return prev == nullptr ? focused_ : nullptr;
    const TGtList& list = *selection_;
    int at = -1;
    if (prev != nullptr) {
        // Callers walk the selection in order: look where the last answer
        // was before searching the whole list.
        at = nextSelectedHint_ < list.Count() && list.Get(nextSelectedHint_) == prev
                 ? nextSelectedHint_
                 : list.IndexOf(prev);
        if (at < 0) return nullptr;
    }
    if (at + 1 >= list.Count()) return nullptr;
    nextSelectedHint_ = at + 1;
    return static_cast<TGtTreeItem*>(list.Get(at + 1));
}

void TGtTreeModel::AllSelected(TGtList& list) const {
    list.Clear();
    if (multiSelect_ && selection_) {
        for (int i = 0; i < selection_->Count(); ++i) list.Add(selection_->Get(i));
    } else if (focused_ != nullptr) {
        list.Add(focused_);
    }
}

void TGtTreeModel::SetMultiSelectLevel(int value) {
    if (value == multiSelectLevel_) return;
    multiSelectLevel_ = value;
    if (!multiSelect_) return;
    UpdateLock lock(this);
    DeselectAllEx(true);
    if (focused_ != nullptr) focused_->SetSelected(true);
}

int TGtTreeModel::SubtreeEnd(int i) const {
    auto* item = static_cast<TGtTreeItem*>(allItems_.Get(i));
    if (item->ChildrenCount() == 0) return i;
    // The subtree follows the item in the list: walk to its last item
    // rather than search the list for it from the start.
    const TGtTreeItem* last = item->LastDescendant();
    while (i + 1 < allItems_.Count() && allItems_.Get(i) != last) ++i;
    return i;
}

void TGtTreeModel::WalkSelection(bool invert, bool skipHidden, bool skipCollapsed) {
    if (!multiSelect_) return;
    UpdateLock lock(this);
    for (int i = 0; i < allItems_.Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(allItems_.Get(i));
        if (skipHidden && item->Hidden()) {
            i = SubtreeEnd(i);
            continue;
        }
        if (invert)
            item->SetSelected(!item->Selected());
        else if (!item->Selected())
            item->SetSelected(true);
        if (skipCollapsed && !item->Expanded()) i = SubtreeEnd(i);
    }
}

void TGtTreeModel::SelectAll() {
    WalkSelection(false, filteredVisibility_, filteredVisibility_);
}

void TGtTreeModel::SelectAllEx(bool includeHidden) {
    WalkSelection(false, !includeHidden && filteredVisibility_, !includeHidden);
}

void TGtTreeModel::InvertSelection() {
    WalkSelection(true, filteredVisibility_, filteredVisibility_);
}

void TGtTreeModel::InvertSelectionEx(bool includeHidden) {
    WalkSelection(true, !includeHidden && filteredVisibility_, !includeHidden);
}

void TGtTreeModel::DeselectAll() {
    DeselectAllEx(false);
}

void TGtTreeModel::DeselectAllEx(bool includeHidden) {
    if (!multiSelect_) return;
    UpdateLock lock(this);
    // Entries the filter hides stay selected (unless included); the others
    // leave in selection order.
    int i = 0;
    while (i < selection_->Count()) {
        auto* item = static_cast<TGtTreeItem*>(selection_->Get(i));
        if (!includeHidden && FilteredOut(item)) {
            ++i;
            continue;
        }
        ClearSelectedFlag(item);
        selectionChanged_ = true;
        selection_->Delete(i);
        if (current_ == item) current_ = nullptr;
        DoItemSelectedChange(item);
        item->UpdateItem();
    }
}

void TGtTreeModel::SelectRangeWalk(TGtTreeItem* from, TGtTreeItem* to, bool skipFiltered,
                                   bool selectDisabled, bool includeCollapsed) {
    if (!multiSelect_ || (from == to && from != nullptr)) return;
    UpdateLock lock(this);
    int a = from != nullptr ? std::max(from->AbsoluteIndex(), 0) : 0;
    int b = to != nullptr ? std::max(to->AbsoluteIndex(), 0) : 0;
    if (a > b) std::swap(a, b);
    for (int i = a; i <= b && i < allItems_.Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(allItems_.Get(i));
        if (skipFiltered && item->Hidden()) {
            i = SubtreeEnd(i);
            continue;
        }
        if ((selectDisabled || IgnoreEnabled || item->Enabled()) && !item->Selected())
            item->SetSelected(true);
        if (!item->Expanded() && !includeCollapsed) i = SubtreeEnd(i);
    }
}

void TGtTreeModel::SelectRange(TGtTreeItem* from, TGtTreeItem* to) {
    SelectRangeEx(from, to, true, true);
}

void TGtTreeModel::SelectRangeEx(TGtTreeItem* from, TGtTreeItem* to, bool selectDisabled,
                                 bool includeCollapsed) {
    SelectRangeWalk(from, to, false, selectDisabled, includeCollapsed);
}

void TGtTreeModel::SelectRange2(TGtTreeItem* from, TGtTreeItem* to, bool ignoreFilter) {
    SelectRangeEx2(from, to, ignoreFilter, true, true);
}

void TGtTreeModel::SelectRangeEx2(TGtTreeItem* from, TGtTreeItem* to, bool ignoreFilter,
                                  bool selectDisabled, bool includeCollapsed) {
    SelectRangeWalk(from, to, filteredVisibility_ && !ignoreFilter, selectDisabled,
                    includeCollapsed);
}

}  // namespace controls::tree
