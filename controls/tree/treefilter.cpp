// The filter's effect on focus and selection, and expanding or collapsing
// the whole tree.
#include "controls/tree/treeitem.h"
#include "controls/tree/treeitem_static.h"
#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"

namespace controls::tree {

bool TGtTreeModel::FilteredOut(const TGtTreeItem* item) const {
    if (!filteredVisibility_ || item == nullptr) return false;
    for (const TGtTreeItem* p = item; p != nullptr; p = p->Parent())
        if (p->Hidden()) return true;
    return false;
}

void TGtTreeModel::SetFilteredVisibility(bool value) {
    if (value == filteredVisibility_) return;
    UpdateLock lock(this);
    filteredVisibility_ = value;
    if (value) ApplyFilter();
    Request(rfCountStale | rfRowsStale | rfRepaintAll);
}

TGtTreeItem* TGtTreeModel::NearestShown(TGtTreeItem* item) const {
    // Shown: a row the user sees, so also not inside a collapsed parent.
    const auto shown = [this](int i) {
        auto* p = static_cast<TGtTreeItem*>(allItems_.Get(i));
        return !FilteredOut(p) && p->AllParentsExpanded() ? p : nullptr;
    };
    const int at = item->AbsoluteIndex();
    for (int i = at - 1; i >= 0; --i)
        if (TGtTreeItem* p = shown(i)) return p;
    for (int i = at + 1; i < allItems_.Count(); ++i)
        if (TGtTreeItem* p = shown(i)) return p;
    return nullptr;
}

void TGtTreeModel::ApplyFilter() {
    if (FilteredOut(refs_.HotItem)) refs_.HotItem = nullptr;
    if (FilteredOut(refs_.DropTarget)) refs_.DropTarget = nullptr;
    // An item counts as hidden also inside a hidden parent: its row is not
    // shown either, so the walk climbs until it reaches a shown item.
    // Selected := item: the current item with MultiSelect, else the focus.
    const auto select = [this](TGtTreeItem* item) {
        if (multiSelect_)
            current_ = item;
        else
            SetItemFocused(item);
    };
    while (current_ != nullptr && FilteredOut(current_)) {
        TGtTreeItem* hidden = current_;
        if (hidden->Parent() == nullptr) {
            if (TGtTreeItem* shown = NearestShown(hidden)) select(shown);
            break;
        }
        select(hidden->Parent());
        hidden->SetSelected(false);
        if (current_ == hidden) break;  // the change was refused
    }
    while (focused_ != nullptr && FilteredOut(focused_)) {
        TGtTreeItem* hidden = focused_;
        if (hidden->Parent() == nullptr) {
            if (TGtTreeItem* shown = NearestShown(hidden)) SetItemFocused(shown, true, false);
            break;
        }
        if (!SetItemFocused(hidden->Parent(), true, false)) break;
    }
}

void TGtTreeModel::FullExpand() {
    TGtTreeItem* root = items_->Root();
    if (root->ChildrenCount() == 0) return;
    UpdateLock lock(this);
    for (int i = 0; i < root->ChildrenCount(); ++i) root->Children(i)->Expand(true);
}

void TGtTreeModel::FullCollapse() {
    TGtTreeItem* root = items_->Root();
    if (root->ChildrenCount() == 0) return;
    UpdateLock lock(this);
    for (int i = 0; i < root->ChildrenCount(); ++i) root->Children(i)->Collapse(true);
}

}  // namespace controls::tree
