// The view's mouse, wheel and keys: the hit test, selection by click with
// Ctrl and Shift, expand buttons, check boxes and double clicks, hot
// tracking, wheel scrolling and arrow-key navigation.
#include <algorithm>

#include "controls/tree/headersections.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"

namespace controls::tree {

// ---- the tree's selection helpers and main-cell layout ------------------------------------

void TCustomGtTree::DeselectAll() {
    if (!MultiSelect()) return;
    TGtTreeLock lock(*this);
    while (SelectionList() != nullptr && SelectionList()->Count() > 0)
        static_cast<TGtTreeItem*>(SelectionList()->Last())->SetSelected(false);
}

void TCustomGtTree::SelectRange(TGtTreeItem* from, TGtTreeItem* to) {
    if (from == nullptr || to == nullptr || !MultiSelect()) return;
    int a = from->VisIndex();
    int b = to->VisIndex();
    if (a < 0 || b < 0) return;
    if (a > b) std::swap(a, b);
    TGtTreeLock lock(*this);
    for (int i = a; i <= b; ++i)
        if (TGtTreeItem* item = Items().GetVisItem(i); item != nullptr && !item->Selected())
            item->SetSelected(true);
}

TGtMainCellLayout TCustomGtTree::MainCellLayout(TGtTreeItem* item) {
    TGtMainCellInput in;
    if (ShowColumns())
        if (TGtHeaderSection* s = SectionByIndex(MainTreeColumn())) in.CellLeft = s->Left();
    in.ItemIndent = itemIndent_;
    in.Level = item->Level();
    in.RootIndent = (showRoot_ && showLines_) || (showButtons_ && showRootButtons_);
    in.CheckBox = ShowCheckboxes() && item->ShowCheckBox();
    in.CheckBoxWidth = checkBoxSize_;
    if (showImages_) {
        const bool stateLook =
            item->Focused() || item->Selected() || (item->Expanded() && item->HasVisibleChildren());
        if (gui::TCustomImageList* list2 = images2_ != nullptr ? images2_ : images_) {
            int index = stateLook ? item->StateImageIndex2 : item->ImageIndex2;
            if (index == -1) index = DoItemPicDraw2(item);
            if (index >= 0 && index < list2->Count()) in.Image2Width = list2->Width();
        }
        if (images_ != nullptr) {
            int index = stateLook ? item->StateImageIndex : item->ImageIndex;
            if (index == -1) index = DoItemPicDraw(item);
            if (index >= 0 && index < images_->Count()) in.Image1Width = images_->Width();
        }
    }
    gui::TPoint text;
    MeasureCellText(item, -1, text);
    in.TextWidth = text.X;
    return LayoutMainCell(in);
}

// ---- hit test ---------------------------------------------------------------------------

TGtTreeItem* TGtTreeView::GetItemAt(int x, int y, int& section, THitPart& part) const {
    part = hpNothing;
    TGtTreeItem* item = GetItemAtY(y);
    if (item == nullptr) return nullptr;
    x += leftPosition_;
    TCustomGtTree& t = *tree_;
    if (t.ShowColumns()) {
        for (int i = 0; i < t.SectionCount(); ++i) {
            TGtHeaderSection* s = t.SectionByIndex(i);
            if (s == nullptr || !s->Visible() || x < s->Left() || x >= s->Left() + s->Width())
                continue;
            section = i;
            if (i != t.MainTreeColumn()) {
                part = hpCell;
                return item;
            }
            part = hpMainCell;
            break;
        }
    }
    const TGtMainCellLayout l = t.MainCellLayout(item);
    THitPart found = hpNothing;
    if (x >= l.TextHitLeft && x <= l.Text.Right)
        found = hpText;
    else if (l.Image1.Contains(x))
        found = hpImage;
    else if (l.Image2.Contains(x))
        found = hpImage2;
    else if (!l.CheckBox.Empty() && x >= l.CheckBox.Left && x <= l.CheckBox.Right)
        found = hpCheckBox;
    else if (t.ShowButtons() && (item->HasVisibleChildren() || t.ShowLeafButton()) &&
             l.Button.Contains(x))
        found = hpExpandButton;
    if (found != hpNothing) {
        part = found;
        section = t.MainTreeColumn();
    }
    return item;
}

// ---- selection --------------------------------------------------------------------------

void TGtTreeView::ToggleSelect(TGtTreeItem* item) {
    TCustomGtTree& t = *tree_;
    if (t.MultiSelect()) {
        if (item != nullptr) item->SetSelected(!item->Selected());
        return;
    }
    TGtTreeItem* current = t.CurrentItem();
    if (current != nullptr) current->SetSelected(false);
    if (item != nullptr) item->SetSelected(true);
}

void TGtTreeView::FocusAndSelect(TGtTreeItem* item, runtime::TShiftState shift) {
    TCustomGtTree& t = *tree_;
    const bool ctrl = shift.Contains(runtime::ssCtrl);
    const bool range = shift.Contains(runtime::ssShift);
    const int count = t.MultiSelect() ? t.SelectedCount() : (t.CurrentItem() != nullptr ? 1 : 0);
    if (t.MultiSelect() && t.SelectionMode == smUsual) {
        if (!ctrl && !range) {
            t.DeselectAll();
        } else if (range) {
            TGtTreeItem* anchor = t.CurrentItem();
            t.DeselectAll();
            if (anchor != nullptr) {
                anchor->SetSelected(true);
                t.SelectRange(item, anchor);
                if (item != t.FocusedItem()) item->SetSelected(false);
            }
            t.SetCurrentItem(anchor);
        }
    }
    if (item != t.FocusedItem()) {
        if (t.SetItemFocused(item) && t.MultiSelect()) ToggleSelect(item);
    } else if (!item->Selected() || !t.AlwaysKeepSelection || count > 1) {
        ToggleSelect(item);
    }
    if ((!t.MultiSelect() || (!ctrl && !range)) && item == t.FocusedItem()) t.SetCurrentItem(item);
    if (t.MultiSelect() && !range && ctrl && count <= 1 && t.SelectedCount() == 0 &&
        item == t.FocusedItem())
        ToggleSelect(item);
}

void TGtTreeView::LeftPress(TGtTreeItem* item, THitPart part, runtime::TShiftState shift) {
    TCustomGtTree& t = *tree_;
    {
        TGtTreeLock lock(t);
        if (item != nullptr && ((part != hpMainCell && part != hpNothing) || t.RowSelect())) {
            if (!t.MultiSelect() || !item->Selected() || shift.Contains(runtime::ssCtrl)) {
                FocusAndSelect(item, shift);
            } else {
                // Pressed on a member of a multi-selection: finished at the
                // release, so that dragging the selection keeps it whole.
                pendingSelect_ = true;
                t.Refs().PendingSelect = item;
                pendingShift_ = shift;
                t.SetItemFocused(item);
                if (t.SelectionMode == smUsual) {
                    if (!item->Selected()) item->SetSelected(true);
                } else if (item->Selected()) {
                    item->SetSelected(false);
                }
            }
        } else if (item == nullptr) {
            if (!t.AlwaysKeepFocus) t.SetItemFocused(nullptr);
            if (t.MultiSelect() && !t.AlwaysKeepSelection) t.DeselectAll();
        }
    }
    if (t.SelectionChanged()) {
        t.SetSelectionChanged(false);
        t.DoAfterSelectionChange();
    }
}

void TGtTreeView::CompleteDeferredSelection() {
    TCustomGtTree& t = *tree_;
    TGtTreeItem* item = t.Refs().PendingSelect;
    pendingSelect_ = false;
    t.Refs().PendingSelect = nullptr;
    if (item == nullptr) return;
    {
        TGtTreeLock lock(t);
        const bool ctrl = pendingShift_.Contains(runtime::ssCtrl);
        const bool range = pendingShift_.Contains(runtime::ssShift);
        if (t.MultiSelect() && t.SelectionMode == smUsual && !ctrl && !range) t.DeselectAll();
        if (item != t.FocusedItem())
            t.SetItemFocused(item);
        else if (t.SelectionMode == smUsual && !item->Selected())
            ToggleSelect(item);
        if (!t.MultiSelect() || (!ctrl && !range)) t.SetCurrentItem(item);
    }
    t.SetSelectionChanged(false);
    t.DoAfterSelectionChange();
}

void TGtTreeView::ToggleExpanded(TGtTreeItem* item) {
    if (item->Expanded())
        item->Collapse(false);
    else
        item->Expand(false);
}

// ---- mouse ------------------------------------------------------------------------------

void TGtTreeView::MouseDown(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                            int y) {
    TCustomGtTree& t = *tree_;
    if (button == runtime::mbLeft) {
        if (!HasFocus() && CanFocus()) SetFocus();
        pressPoint_ = {x, y};
        buttonPressed_ = true;
    }
    if (shift.Contains(runtime::ssDouble)) {
        if (button == runtime::mbLeft) DoubleClickAt(x, y);
        gui::TCustomControl::MouseDown(button, shift, x, y);
        return;
    }
    t.SetSelectionChanged(false);
    int section = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, section, part);
    if (part == hpNothing && (t.ShowColumns() || !t.RowSelect())) item = nullptr;
    if (item != nullptr && !item->Enabled() && !t.IgnoreEnabled) {
        gui::TCustomControl::MouseDown(button, shift, x, y);
        return;
    }
    if (part == hpExpandButton && button == runtime::mbRight) part = hpText;
    if (part == hpExpandButton) {
        ToggleExpanded(item);
    } else if (part == hpCell && !t.SectionByIndex(section)->ClickSelect) {
        return;
    }
    if (button == runtime::mbLeft && part != hpExpandButton && part != hpCheckBox) {
        LeftPress(item, part, shift);
    } else if (button == runtime::mbRight && t.RightClickSelect && item != nullptr &&
               ((part != hpMainCell && part != hpNothing) || t.RowSelect())) {
        // A right click selects the row unless it belongs to the selection
        // already; the popup menu then acts on what is selected.
        if (t.MultiSelect() && item->Selected())
            t.SetItemFocused(item);
        else
            LeftPress(item, part, shift - runtime::TShiftState{runtime::ssCtrl, runtime::ssShift});
    }
    gui::TCustomControl::MouseDown(button, shift, x, y);
}

void TGtTreeView::MouseUp(runtime::TMouseButton button, runtime::TShiftState shift, int x, int y) {
    TCustomGtTree& t = *tree_;
    if (button == runtime::mbLeft) buttonPressed_ = false;
    gui::TCustomControl::MouseUp(button, shift, x, y);
    int section = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, section, part);
    if (item != nullptr && !item->Enabled() && !t.IgnoreEnabled) return;
    // Only the left button toggles: a right click opens the popup menu and
    // leaves the check box alone.
    if (button == runtime::mbLeft && part == hpCheckBox && item->CheckBoxEnabled()) {
        switch (item->CheckBoxType()) {
            case 1:
                item->SetCheckBoxState(item->CheckBoxState() == cbUnchecked ? cbGrayed
                                       : item->CheckBoxState() == cbGrayed  ? cbChecked
                                                                            : cbUnchecked);
                break;
            case 2:
                item->SetChecked(true);
                break;
            default:
                item->SetChecked(!item->Checked());
                break;
        }
        t.DoItemChecked(item);
        t.DoItemChange(item, icmCheckState);
    }
    if (pendingSelect_ && button == runtime::mbLeft) CompleteDeferredSelection();
}

void TGtTreeView::DoubleClickAt(int x, int y) {
    TCustomGtTree& t = *tree_;
    int section = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, section, part);
    if (item == nullptr || (!item->Enabled() && !t.IgnoreEnabled)) return;
    if ((part == hpText || (t.FullRowSelect && part != hpCheckBox && part != hpExpandButton)) &&
        t.DblClickMode() == dcmExpand)
        ToggleExpanded(item);
}

void TGtTreeView::MouseMove(runtime::TShiftState shift, int x, int y) {
    gui::TCustomControl::MouseMove(shift, x, y);
    TCustomGtTree& t = *tree_;
    if (!t.Tracking) return;
    TGtTreeItem* old = hotItem_;
    hotItem_ = GetItemAtY(y);
    if (hotItem_ != nullptr && !hotItem_->Enabled() && !t.IgnoreEnabled) hotItem_ = nullptr;
    if (hotItem_ == old) return;
    t.Refs().HotItem = hotItem_;
    if (old != nullptr) InvalidateRow(old, 0, -1);
    if (hotItem_ != nullptr) InvalidateRow(hotItem_, 0, -1);
    t.DoHotTrack(old, hotItem_);
}

// ---- wheel and keys ---------------------------------------------------------------------

bool TGtTreeView::DoMouseWheel(runtime::TShiftState shift, int wheelDelta, gui::TPoint mousePos) {
    if (gui::TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int page = std::max(GetVisibleRowCount() - 1, 1);
    // WHEEL_PAGESCROLL (and anything beyond a page) scrolls a page.
    const int step = lines == WHEEL_PAGESCROLL || static_cast<int>(lines) > page
                         ? page
                         : static_cast<int>(std::max<UINT>(lines, 1));
    wheelRest_ += wheelDelta;
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= notches * WHEEL_DELTA;
    if (notches != 0) SetTopIndex(topIndex_ - notches * step);
    return true;
}

void TGtTreeView::KeyDown(uint16_t& key, runtime::TShiftState shift) {
    gui::TCustomControl::KeyDown(key, shift);
    TCustomGtTree& t = *tree_;
    TGtTreeItem* focused = t.FocusedItem();
    const int total = t.TotalVisible();
    if (total == 0) return;
    const int at = focused != nullptr ? focused->VisIndex() : -1;
    int rest = 0;
    const int page = std::max(GetFullRowCount(rest), 1);
    int target = at;
    switch (key) {
        case VK_UP:
            target = at - 1;
            break;
        case VK_DOWN:
            target = at + 1;
            break;
        case VK_PRIOR:
            target = at - page;
            break;
        case VK_NEXT:
            target = at + page;
            break;
        case VK_HOME:
            target = 0;
            break;
        case VK_END:
            target = total - 1;
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_ADD:
        case VK_SUBTRACT:
            if (focused != nullptr && focused->ChildrenCount() > 0) {
                const bool expand = key == VK_RIGHT || key == VK_ADD;
                if (expand != focused->Expanded()) ToggleExpanded(focused);
            }
            return;
        default:
            return;
    }
    target = std::clamp(target, 0, total - 1);
    TGtTreeItem* item = t.Items().GetVisItem(target);
    if (item == nullptr || item == focused) return;
    t.SetSelectionChanged(false);
    LeftPress(item, hpText, shift - runtime::TShiftState{runtime::ssCtrl});
    MakeItemVisible(item);
}

}  // namespace controls::tree
