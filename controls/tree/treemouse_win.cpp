// The view's mouse: the hit test, selection by click with Ctrl and Shift
// (left and right button), expand buttons, check boxes, double clicks, and
// the view's answers to focus changes and the mouse leaving it.
#include <algorithm>
#include <optional>

#include "controls/tree/headersections.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "gui/geometry_win.h"

namespace controls::tree {

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
    // The check box's zone reaches one pixel further on the text's side.
    const bool mirrored = l.MirrorSum != 0;
    const int checkLeft = l.CheckBox.Left - (mirrored ? 1 : 0);
    const int checkRight = l.CheckBox.Right - (mirrored ? 1 : 0);
    if (x >= l.TextHitLeft && x <= l.TextHitRight)
        found = hpText;
    else if (l.Image1.Contains(x))
        found = hpImage;
    else if (l.Image2.Contains(x))
        found = hpImage2;
    else if (!l.CheckBox.Empty() && x >= checkLeft && x <= checkRight)
        found = hpCheckBox;
    else if (t.ShowButtons() &&
             (item->HasVisibleChildren() || item->HasFlag(ifForceButton) || t.ShowLeafButton()) &&
             l.Button.Contains(x))
        // Where no button is drawn the zone is just the main cell.
        found = item->HasFlag(ifNoButton) || (item->Level() == 0 && !t.ShowRootButtons())
                    ? hpMainCell
                    : hpExpandButton;
    if (found != hpNothing) {
        part = found;
        section = t.MainTreeColumn();
    }
    return item;
}

// ---- selection --------------------------------------------------------------------------

bool TGtTreeView::Refuses(const TGtTreeItem* item) const {
    return item != nullptr && !item->Enabled() && !tree_->IgnoreEnabled;
}

void TGtTreeView::ToggleSelect(TGtTreeItem* item) {
    tree_->ToggleSelect(item);
}

bool TGtTreeView::FocusItem(TGtTreeItem* item, bool delayed) {
    // The focus change toggles the item's selection itself.
    return tree_->SetItemFocused(item, false, delayed);
}

void TGtTreeView::PrepareClick(TGtTreeItem* item, bool ctrl, bool range) {
    TCustomGtTree& t = *tree_;
    if (!t.MultiSelect() || t.SelectionMode != smUsual || (ctrl && !range)) return;
    TGtTreeItem* anchor = t.CurrentItem();
    t.DeselectAll();
    if (!range || anchor == nullptr) return;
    anchor->SetSelected(true);
    // The rows shown between them: not collapsed children, not rows the
    // filter hides, not disabled rows.
    t.SelectRangeEx2(item, anchor, false, false, false);
    t.SetCurrentItem(anchor);
    if (item != t.FocusedItem()) item->SetSelected(false);
}

void TGtTreeView::FocusAndSelect(TGtTreeItem* item, THitPart, runtime::TShiftState shift) {
    TCustomGtTree& t = *tree_;
    const bool ctrl = shift.Contains(runtime::ssCtrl);
    const bool range = shift.Contains(runtime::ssShift);
    const int count = t.MultiSelect() ? t.SelectedCount() : (t.CurrentItem() != nullptr ? 1 : 0);
    PrepareClick(item, ctrl, range);
    if (item != t.FocusedItem())
        FocusItem(item, false);
    else if (!item->Selected() || !t.AlwaysKeepSelection || count > 1)
        ToggleSelect(item);
    if ((!t.MultiSelect() || (!ctrl && !range)) && item == t.FocusedItem()) t.SetCurrentItem(item);
    if (t.MultiSelect() && !range && ctrl && count <= 1 && t.SelectedCount() == 0 &&
        item == t.FocusedItem())
        ToggleSelect(item);
}

void TGtTreeView::LeftPress(TGtTreeItem* item, THitPart part, runtime::TShiftState shift) {
    TCustomGtTree& t = *tree_;
    {
        std::optional<TGtTreeLock> lock;
        if (t.MultiSelect()) lock.emplace(t);
        if (item != nullptr && ((part != hpMainCell && part != hpNothing) || t.RowSelect())) {
            if (!t.MultiSelect() || !item->Selected() || shift.Contains(runtime::ssCtrl)) {
                FocusAndSelect(item, part, shift);
            } else {
                // Pressed on a member of a multi-selection: finished at the
                // release, so that dragging the selection keeps it whole.
                pendingSelect_ = true;
                t.Refs().PendingSelect = item;
                pendingShift_ = shift;
                FocusItem(item, false);
                if (t.SelectionMode == smUsual) {
                    if (!item->Selected()) item->SetSelected(true);
                } else if (item->Selected()) {
                    item->SetSelected(false);
                }
            }
        } else if (item == nullptr) {
            if (!t.AlwaysKeepFocus) FocusItem(nullptr, false);
            if (t.MultiSelect() && !t.AlwaysKeepSelection) t.DeselectAll();
        }
    }
    if (t.SelectionChanged()) {
        t.SetSelectionChanged(false);
        t.DoAfterSelectionChange();
    }
}

void TGtTreeView::RightPress(TGtTreeItem* item, THitPart part, runtime::TShiftState shift) {
    TCustomGtTree& t = *tree_;
    const bool multi = t.MultiSelect();
    const bool ctrl = shift.Contains(runtime::ssCtrl);
    const bool range = shift.Contains(runtime::ssShift);
    {
        std::optional<TGtTreeLock> lock;
        if (multi) lock.emplace(t);
        const int selected = t.SelectedCount();
        if (multi && item != nullptr && item->Selected()) {
            // A right click on the selection keeps it for the popup menu.
            FocusItem(item, false);
            if (!item->Selected()) item->SetSelected(true);
        } else if (!multi || (selected < 2 && t.SelectionMode == smUsual) ||
                   t.SelectionMode == smSimple) {
            if (item != nullptr && ((part != hpMainCell && part != hpNothing) || t.RowSelect())) {
                PrepareClick(item, ctrl, range);
                if (item != t.FocusedItem())
                    FocusItem(item, false);
                else if (!item->Selected())
                    ToggleSelect(item);
                if ((!ctrl && !range) || !multi) t.SetCurrentItem(item);
            } else if (item == nullptr && !t.AlwaysKeepFocus) {
                FocusItem(nullptr, false);
            }
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
        std::optional<TGtTreeLock> lock;
        if (t.MultiSelect()) lock.emplace(t);
        const bool ctrl = pendingShift_.Contains(runtime::ssCtrl);
        const bool range = pendingShift_.Contains(runtime::ssShift);
        const bool focusedWasSelected =
            !ctrl && !range && t.FocusedItem() != nullptr && t.FocusedItem()->Selected();
        PrepareClick(item, ctrl, range);
        if (item != t.FocusedItem())
            FocusItem(item, false);
        else if ((!focusedWasSelected || t.AlwaysKeepSelection) && t.SelectionMode == smUsual &&
                 !item->Selected())
            ToggleSelect(item);
        if (!t.MultiSelect() || (!ctrl && !range)) t.SetCurrentItem(item);
    }
    t.SetSelectionChanged(false);
    t.DoAfterSelectionChange();
}

void TGtTreeView::ToggleExpanded(TGtTreeItem* item) {
    if (item->Expanded()) {
        TCustomGtTree& t = *tree_;
        TGtTreeItem* before = t.FocusedItem();
        item->Collapse(false);
        // The focus left a row that is no longer shown.
        if (t.MoveFocusOnCollapse() && t.FocusedItem() != before) {
            t.SetSelectionChanged(false);
            t.DoAfterSelectionChange();
        }
    } else {
        item->Expand(false);
        ShowChildren(item);
    }
}

// ---- mouse ------------------------------------------------------------------------------

void TGtTreeView::MouseDown(runtime::TMouseButton button, runtime::TShiftState shift, int x,
                            int y) {
    TCustomGtTree& t = *tree_;
    const bool twice = shift.Contains(runtime::ssDouble);
    if (button == runtime::mbLeft && !twice) {
        if (!HasFocus() && CanFocus()) SetFocus();
        pressPoint_ = {x, y};
        buttonPressed_ = true;
    } else if (button == runtime::mbRight && !twice) {
        EndFrameSelection();
        if (!HasFocus() && CanFocus()) SetFocus();
    }
    if (twice) {
        gui::TCustomControl::MouseDown(button, shift, x, y);
        return;
    }
    t.SetSelectionChanged(false);
    int section = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, section, part);
    if (part == hpNothing && (t.ShowColumns() || !t.RowSelect())) item = nullptr;
    if (Refuses(item)) {
        gui::TCustomControl::MouseDown(button, shift, x, y);
        return;
    }
    if (part == hpExpandButton && button == runtime::mbRight) part = hpText;
    if (part == hpExpandButton) {
        ToggleExpanded(item);
    } else if (part == hpCell && !t.SectionByIndex(section)->ClickSelect) {
        return;
    }
    if (button == runtime::mbLeft && part != hpExpandButton && part != hpCheckBox)
        LeftPress(item, part, shift);
    else if (button == runtime::mbRight && t.RightClickSelect)
        RightPress(item, part, shift);
    gui::TCustomControl::MouseDown(button, shift, x, y);
}

bool TGtTreeView::LeftButtonUp(int x, int y) {
    buttonPressed_ = false;
    if (frameSelecting_) {
        EndFrameSelection();
        return false;
    }
    int section = -1;
    THitPart part = hpNothing;
    return !Refuses(GetItemAt(x, y, section, part));
}

bool TGtTreeView::RightButtonUp(int x, int y) {
    int section = -1;
    THitPart part = hpNothing;
    return !Refuses(GetItemAt(x, y, section, part));
}

void TGtTreeView::MouseUp(runtime::TMouseButton button, runtime::TShiftState shift, int x, int y) {
    TCustomGtTree& t = *tree_;
    gui::TCustomControl::MouseUp(button, shift, x, y);
    int section = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, section, part);
    if (Refuses(item)) return;
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

bool TGtTreeView::LeftDoubleClick(int x, int y) {
    TCustomGtTree& t = *tree_;
    int section = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, section, part);
    if (Refuses(item)) return false;
    if (item != nullptr && t.DblClickMode() == dcmExpand &&
        (part == hpText || (t.FullRowSelect && part != hpCheckBox && part != hpExpandButton)))
        ToggleExpanded(item);
    // A double click on a button or a box is two clicks on it, not a
    // double click on the row.
    return part != hpExpandButton && part != hpCheckBox;
}

bool TGtTreeView::RightDoubleClick(int x, int y) {
    return RightButtonUp(x, y);
}

void TGtTreeView::MouseMove(runtime::TShiftState shift, int x, int y) {
    gui::TCustomControl::MouseMove(shift, x, y);
    ProcessMouseMove(shift, x, y);
}

void TGtTreeView::WMButtonUp(gui::TMessage& msg) {
    const gui::TPoint p = gui::PointFromLParam(msg.LParam);
    const bool go = msg.Msg == WM_LBUTTONUP ? LeftButtonUp(p.X, p.Y) : RightButtonUp(p.X, p.Y);
    if (go) {
        GUI_INHERITED(msg);
    } else if (MouseCapture()) {
        SetMouseCapture(false);
    }
}

void TGtTreeView::WMButtonDblClk(gui::TMessage& msg) {
    const gui::TPoint p = gui::PointFromLParam(msg.LParam);
    if (msg.Msg == WM_LBUTTONDBLCLK ? LeftDoubleClick(p.X, p.Y) : RightDoubleClick(p.X, p.Y)) {
        GUI_INHERITED(msg);
        return;
    }
    // The press still counts as one (its release follows).
    if (msg.Msg == WM_LBUTTONDBLCLK) {
        pressPoint_ = p;
        buttonPressed_ = true;
    }
}

void TGtTreeView::WMWheelAlias(gui::TMessage& msg) {
    const gui::TPoint screen = gui::PointFromLParam(msg.LParam);
    const int delta = static_cast<short>(HIWORD(msg.WParam));
    msg.Result = DoMouseWheel(gui::KeysToShiftState(LOWORD(msg.WParam)), delta, screen) ? 1 : 0;
}

// ---- focus, leaving, deleted rows -------------------------------------------------------

void TGtTreeView::WMKillFocus(gui::TMessage& msg) {
    buttonPressed_ = false;
    // The frame ends with the focus: nothing would end it later.
    EndFrameSelection();
    hasFocus_ = false;
    GUI_INHERITED(msg);
    tree_->Refs().HintItem = nullptr;
    Invalidate();
    // A flat border shows whether the tree has the focus.
    if (tree_->Flat() && tree_->ActiveBorderType() != tree_->InactiveBorderType())
        tree_->RedrawFrame();
}

void TGtTreeView::CMMouseLeave(gui::TMessage& msg) {
    if (TGtTreeItem* old = tree_->Refs().HotItem) {
        tree_->Refs().HotItem = nullptr;
        InvalidateRow(old, 0, -1);
        if (HandleAllocated()) UpdateWindow(WindowHandle());
    }
    tree_->Refs().HintItem = nullptr;
    GUI_INHERITED(msg);
}

void TGtTreeView::ForgetInputItem(const TGtTreeItem* item) {
    if (frameAnchor_ == item || frameCorner_ == item) StopFrame(false);
    std::erase(frameItems_, item);
    if (tree_->Refs().PendingSelect == nullptr) pendingSelect_ = false;
}

}  // namespace controls::tree
