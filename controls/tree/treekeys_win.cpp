// The view's keys: moving the focus and the selection with the navigation
// keys (Ctrl moves the focus alone, Shift extends from the anchor), Space
// to flip the focused row, and expanding and collapsing with the arrows,
// Backspace and the keypad.
#include <optional>

#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "controls/tree/treewalk.h"

namespace controls::tree {

namespace {

bool Usable(const TCustomGtTree& t, const TGtTreeItem* item) {
    return item != nullptr && (item->Enabled() || t.IgnoreEnabled);
}

bool HasChildren(const TGtTreeItem* item) {
    return item->HasVisibleChildren() || item->HasFlag(ifForceButton);
}

bool NavKeyOf(uint16_t key, TGtNavKey& nav) {
    switch (key) {
        case VK_UP:
            nav = TGtNavKey::Up;
            return true;
        case VK_DOWN:
            nav = TGtNavKey::Down;
            return true;
        case VK_PRIOR:
            nav = TGtNavKey::PageUp;
            return true;
        case VK_NEXT:
            nav = TGtNavKey::PageDown;
            return true;
        case VK_HOME:
            nav = TGtNavKey::Home;
            return true;
        case VK_END:
            nav = TGtNavKey::End;
            return true;
        default:
            return false;
    }
}

}  // namespace

TGtTreeItem* TGtTreeView::GetNavigationTarget(uint16_t key, int& index, bool& wasSelected) {
    TGtNavKey nav;
    if (!NavKeyOf(key, nav)) return nullptr;
    const TGtNavTarget t = NavigationTarget(*tree_, tree_->FocusedItem(), nav,
                                            GetVisibleRowCount() - 1, tree_->IgnoreEnabled);
    wasSelected = t.WasSelected;
    index = t.Item != nullptr ? t.Item->VisIndex() : -1;
    return t.Item;
}

void TGtTreeView::KeyDown(uint16_t& key, runtime::TShiftState shift) {
    gui::TCustomControl::KeyDown(key, shift);
    if (frameSelecting_ || key == 0) return;
    TCustomGtTree& t = *tree_;
    // A right-aligned tree opens its branches towards the left.
    if (t.RightAlignedTree() && (key == VK_LEFT || key == VK_RIGHT))
        key = key == VK_LEFT ? VK_RIGHT : VK_LEFT;
    t.SetSelectionChanged(false);
    // Ctrl together with Shift counts as Shift alone.
    const bool range = shift.Contains(runtime::ssShift);
    const bool ctrl = shift.Contains(runtime::ssCtrl) && !range;
    {
        std::optional<TGtTreeLock> lock;
        if (t.MultiSelect()) lock.emplace(t);
        TGtTreeItem* f = t.FocusedItem();
        const bool usable = Usable(t, f);
        if (range && key == '8') {
            if (usable && HasChildren(f)) f->Expand(true);
        } else {
            switch (key) {
                case VK_BACK:
                    if (f != nullptr && f->Level() > 0 && Usable(t, f->Parent())) {
                        FocusItem(f->Parent(), true);
                        MakeItemVisible(f->Parent());
                    }
                    break;
                case VK_SPACE:
                    if (!t.MultiSelect() || !usable) break;
                    if (t.SelectionMode == smUsual && !ctrl && !range) {
                        t.DeselectAll();
                        t.SetCurrentItem(f);
                    } else if (t.SelectionMode == smSimple) {
                        t.SetCurrentItem(f);
                    }
                    f->SetSelected(!f->Selected());
                    break;
                case VK_LEFT:
                    if (usable && f->Expanded()) {
                        f->Collapse(false);
                        return;
                    }
                    Navigate(key, ctrl, range);
                    break;
                case VK_RIGHT:
                    if (usable && !f->Expanded() && HasChildren(f)) {
                        f->Expand(false);
                        ShowChildren(f);
                        return;
                    }
                    Navigate(key, ctrl, range);
                    break;
                case VK_UP:
                case VK_DOWN:
                case VK_PRIOR:
                case VK_NEXT:
                case VK_HOME:
                case VK_END:
                    Navigate(key, ctrl, range);
                    break;
                case VK_MULTIPLY:
                    if (usable && HasChildren(f)) {
                        f->Expand(true);
                        ShowChildren(f);
                    }
                    break;
                case VK_ADD:
                    if (ctrl) {
                        t.AutoSizeAllColumns();
                    } else if (usable && !f->Expanded() && HasChildren(f)) {
                        f->Expand(false);
                        ShowChildren(f);
                    }
                    break;
                case VK_SUBTRACT:
                    if (usable && f->Expanded()) f->Collapse(false);
                    break;
                case VK_DIVIDE:
                    if (usable) f->Collapse(true);
                    break;
                default:
                    break;
            }
        }
    }
    if (t.SelectionChanged()) {
        t.SetSelectionChanged(false);
        t.DoAfterSelectionChange();
    }
}

void TGtTreeView::Navigate(uint16_t key, bool ctrl, bool range) {
    TCustomGtTree& t = *tree_;
    const bool multi = t.MultiSelect();
    // Ctrl (or simple selection) moves the focus and leaves the selection
    // as it was; Shift selects from the anchor to the new row. The focus
    // change toggles the new row's selection, so each case below sets the
    // row to the opposite of what it should end with.
    const bool keepOthers =
        multi && ((ctrl && t.SelectionMode == smUsual) || t.SelectionMode == smSimple);
    TGtTreeItem* f0 = keepOthers ? t.FocusedItem() : nullptr;
    const bool f0Selected = f0 != nullptr && f0->Selected();
    TGtTreeItem* anchor = multi && range ? t.CurrentItem() : nullptr;
    const bool anchorSelected = anchor != nullptr && anchor->Selected();
    TGtTreeItem* current = t.CurrentItem();
    if (multi && t.SelectionMode == smUsual && !ctrl) t.DeselectAll();

    TGtTreeItem* focused = t.FocusedItem();
    TGtTreeItem* target = nullptr;
    int index = -1;
    bool wasSelected = false;
    if (key == VK_LEFT) {
        if (focused != nullptr && focused->Level() > 0) target = focused->Parent();
    } else if (key == VK_RIGHT) {
        if (focused != nullptr) {
            TGtTreeLock lock(t);
            target = focused->FirstVisibleChild();
            t.Request(rfUpdatePending | rfRepaintRows);
        }
    } else {
        target = GetNavigationTarget(key, index, wasSelected);
        if (focused == nullptr && target == nullptr) return;
    }

    if (multi) {
        if (f0 != nullptr) f0->SetSelected(f0Selected);
        // No target (Shift+Left on a top-level row) is no range: a range
        // to nothing would run from the first row.
        if (range && target != nullptr) {
            t.SelectRangeEx2(anchor, target, false, false, false);
            if (anchor != nullptr) anchor->SetSelected(anchorSelected);
        }
    }
    if (target != nullptr) {
        if (multi) {
            if (keepOthers && target != f0) target->SetSelected(!wasSelected);
            if (range && target != t.FocusedItem()) target->SetSelected(false);
        }
        if (target == t.FocusedItem()) {
            if (multi && t.CurrentItem() == nullptr) t.SetCurrentItem(current);
            target->SetSelected(true);
        } else {
            FocusItem(target, true);
            if (multi) t.SetCurrentItem(current);
        }
    }
    focused = t.FocusedItem();
    if ((!ctrl && !range) || !multi) {
        if (focused != nullptr) t.SetCurrentItem(focused);
        if (multi && t.SelectionMode == smUsual && focused != nullptr) focused->SetSelected(true);
    }
    if (focused != nullptr && RowIndexOf(focused) < 0) ScrollToFocused(key, index);
}

void TGtTreeView::ScrollToFocused(uint16_t key, int index) {
    TCustomGtTree& t = *tree_;
    TGtTreeItem* focused = t.FocusedItem();
    const int rows = GetVisibleRowCount();
    switch (key) {
        case VK_UP:
            SetTopIndex(index);
            break;
        case VK_DOWN:
            SetTopIndex(index - rows + 2);
            break;
        case VK_LEFT:
            SetTopIndex(focused->VisIndex());
            break;
        case VK_RIGHT:
            SetTopIndex(PageTopFor(focused->VisIndex()));
            break;
        case VK_PRIOR:
            SetTopIndex(topIndex_ - rows + 1);
            break;
        case VK_NEXT:
            SetTopIndex(topIndex_ + rows - 1);
            break;
        case VK_HOME:
            SetTopIndex(0);
            break;
        case VK_END:
            SetTopIndex(t.TotalVisible() - 1);
            break;
        default:
            MakeItemVisible(focused);
            break;
    }
    t.Request(rfRowsStale | rfRepaintAll);
}

}  // namespace controls::tree
