// In-place editing: whether a cell may be edited, which editor edits it,
// where the editor goes (scrolling the cell into view), the value handed
// to it and stored back, and the timer that starts an edit a moment after
// the click that asked for it.
#include <algorithm>

#include "controls/tree/cellstyle.h"
#include "controls/tree/errors.h"
#include "controls/tree/headersections.h"
#include "controls/tree/timers.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "controls/tree/widestrings.h"

namespace controls::tree {

namespace {

// The position of a column's text in the item's column texts.
int ColumnTextIndex(const TCustomGtTree& tree, int sectionIndex) {
    return sectionIndex > tree.MainTreeColumn() ? sectionIndex - 1 : sectionIndex;
}

// The field type of the cell: its style's when the item has styles, else
// the column's, else the tree's main text type.
TGtFieldType CellTypeOf(TCustomGtTree& tree, TGtTreeItem* item, int sectionIndex,
                        const TGtHeaderSection* section) {
    if (item->UseStyles()) {
        if (tree.IsVirtual()) {
            TGtCellStyle scratch;
            tree.DoVirtualStyleNeeded(item, sectionIndex, &scratch);
            return scratch.CellType;
        }
        TGtCellStyle* style = item->MainStyle();
        if (sectionIndex >= 0 && sectionIndex != tree.MainTreeColumn()) {
            const int k = ColumnTextIndex(tree, sectionIndex);
            if (item->StylesCount() > k) style = item->Styles(k);
        }
        if (style != nullptr) return style->CellType;
    }
    return section != nullptr ? section->FieldType() : tree.MainTextType;
}

}  // namespace

// ---- the tree's part --------------------------------------------------------------------

void TCustomGtTree::EditItem(TGtTreeItem* item, int sectionIndex) {
    if (!doInplaceEdit_ || view_ == nullptr) return;
    if (view_->Editor() != nullptr) {
        // The new edit goes ahead whatever the old editor does on its way out.
        try {
            view_->DoEndEdit(true);
        } catch (...) {
        }
    }
    view_->DoEditItem(item, sectionIndex);
}

void TCustomGtTree::EndEdit(bool cancel) {
    if (view_ != nullptr) view_->DoEndEdit(cancel);
}

bool TCustomGtTree::IsEditing() const {
    return view_ != nullptr && view_->Editor() != nullptr && view_->Editor()->GetVisible();
}

void TCustomGtTree::DoTryEdit(TGtTreeItem* item, int sectionIndex, TGtFieldType& cellType,
                              bool& canEdit) {
    if (IsDestroying()) return;
    if (OnTryEdit) OnTryEdit(EventSender(), item, sectionIndex, cellType, canEdit);
}

TGtTreeInplaceEditor* TCustomGtTree::DoInplaceEditorNeeded(TGtTreeItem* item, int sectionIndex,
                                                           TGtFieldType supposedFieldType) {
    TGtTreeInplaceEditor* editor = inplaceManager_->GetSuitableEditor(supposedFieldType);
    if (OnInplaceEditorNeeded)
        OnInplaceEditorNeeded(EventSender(), item, sectionIndex, supposedFieldType, editor);
    return editor;
}

void TCustomGtTree::DoEndEditItem(TGtTreeItem* item, TGtHeaderSection* section, bool canceled) {
    if (OnEndEditItem) OnEndEditItem(EventSender(), item, section, canceled);
}

// ---- the view's part --------------------------------------------------------------------

void TGtTreeView::DoEditItem(TGtTreeItem* item, int sectionIndex) {
    if (item == nullptr) throw EGtTreeError(SGtItemNotSpecified);
    TCustomGtTree& t = *tree_;
    if (RowIndexOf(item) < 0) {
        item->ExpandParents();
        MakeItemVisible(item);
    }
    DoEndEdit(true);

    if (!t.DoInplaceEdit() || !item->Enabled() || !item->HasFlag(ifAllowEdit)) return;
    if (t.SectionCount() > 0 && sectionIndex >= 0) {
        const TGtHeaderSection* s = t.SectionByIndex(sectionIndex);
        if (s == nullptr || !s->Editable()) return;
    }
    if (t.ShowColumns() && sectionIndex == -1) sectionIndex = t.MainTreeColumn();
    editingItem_ = item;
    TGtHeaderSection* section = sectionIndex >= 0 ? t.SectionByIndex(sectionIndex) : nullptr;
    if (section != nullptr && !section->Visible()) {
        editingItem_ = nullptr;
        return;
    }

    TGtFieldType cellType = CellTypeOf(t, item, sectionIndex, section);
    bool canEdit = true;
    t.DoTryEdit(item, sectionIndex, cellType, canEdit);
    if (!canEdit) return;
    TGtTreeInplaceEditor* editor = t.DoInplaceEditorNeeded(item, sectionIndex, cellType);
    if (editor == nullptr) return;

    const bool mainColumn = section == nullptr || sectionIndex == t.MainTreeColumn();
    std::u16string text;
    if (mainColumn) {
        text = item->Text();
    } else if (t.IsVirtual()) {
        text = t.DoVirtualTextNeeded(item, sectionIndex);
    } else {
        const int k = ColumnTextIndex(t, sectionIndex);
        TGtWideStringList* texts = item->ColumnText();
        if (texts != nullptr && k >= 0 && k < texts->Count()) text = texts->Strings(k);
    }

    // Where the editor goes: the row's height, and across the cell, scrolled
    // so that as much of the cell shows as the view can take.
    const int row = RowIndexOf(item);
    const gui::TRect rowRect = row >= 0 ? GetRowRect(row) : gui::TRect{};
    const TGtMainCellLayout cell = t.MainCellLayout(item);
    const int textLeft = cell.Text.Left;
    const int textRight = cell.Text.Right;
    const int cw = ClientWidth();
    gui::TRect r{0, rowRect.Top, 0, rowRect.Bottom};
    const bool rtl = t.RightAlignedTree();
    if (section == nullptr || !t.ShowColumns()) {
        if (textLeft < leftPosition_ || textLeft > leftPosition_ + Width())
            SetLeftPosition(textLeft);
        // The editor runs from the text towards the side the text grows to.
        r.Left = rtl ? 0 : textLeft - leftPosition_;
        r.Right = rtl ? textRight - leftPosition_ : cw - 1;
    } else {
        int l = textLeft;
        int rt = textRight;
        int w = textRight - textLeft;
        if (!mainColumn) {
            l = section->Left();
            rt = section->Left() + section->Width();
            w = section->Width();
        }
        if (rtl) {
            // The cell's right end is what must show.
            if (rt > cw + leftPosition_ || w >= cw)
                SetLeftPosition(rt - cw);
            else if (l < leftPosition_)
                SetLeftPosition(l);
            r.Left = std::max(0, section->Left() - leftPosition_);
            r.Right = rt - leftPosition_;
        } else {
            if (l < leftPosition_)
                SetLeftPosition(l);
            else if (w < cw && rt > cw + leftPosition_)
                SetLeftPosition(rt - cw);
            else if (w >= cw)
                SetLeftPosition(l);
            r.Left = l - leftPosition_;
            r.Right = std::min(section->Left() + section->Width() - leftPosition_, cw - 1);
        }
    }

    editor_ = editor;
    editor->SetTree(tree_);
    editor->ValueAsText = text;
    editor->Item = item;
    editor->SectionIndex = sectionIndex;
    editor->FieldType = cellType;
    editor->EditorRect = r;
    editor->StartOperation();
}

void TGtTreeView::DoEndEdit(bool cancel) {
    if (editor_ != nullptr) editor_->CompleteOperation(!cancel);
}

void TGtTreeView::ClearEditor() {
    editor_ = nullptr;
    editingItem_ = nullptr;
}

void TGtTreeView::ApplyEditResult() {
    TGtTreeInplaceEditor* editor = editor_;
    if (editor == nullptr) return;
    TCustomGtTree& t = *tree_;
    TGtTreeItem* item = editingItem_;
    const int index = editor->SectionIndex;
    if (!t.IsVirtual() && item != nullptr) {
        if (index == -1 || index == t.MainTreeColumn()) {
            item->SetText(editor->ValueAsText);
        } else {
            const int k = ColumnTextIndex(t, index);
            TGtWideStringList* texts = item->ColumnText();
            while (texts->Count() <= k) texts->Add(u"");
            texts->SetStrings(k, editor->ValueAsText);
        }
    }
    ClearEditor();
    t.DoEndEditItem(item, index >= 0 ? t.SectionByIndex(index) : nullptr, false);
}

void TGtTreeView::ScheduleEdit(TGtTreeItem* item, int sectionIndex, bool immediate) {
    TCustomGtTree& t = *tree_;
    if (t.Designing()) return;
    if (t.ShowColumns()) {
        if (sectionIndex != lastClickedSection_ && !t.QuickEditMode) return;
        const TGtHeaderSection* s = t.SectionByIndex(sectionIndex);
        if (s == nullptr || !s->Editable()) return;
    } else {
        sectionIndex = -1;
    }
    StopPendingEdit();
    t.Refs().PendingEdit = item;
    pendingEditSection_ = sectionIndex;
    GtTimers().Start(&pendingEditTimer_, immediate ? 1 : t.InplaceEditorDelay,
                     [this] { PendingEditTick(); });
}

void TGtTreeView::StopPendingEdit() {
    GtTimers().Stop(&pendingEditTimer_);
}

void TGtTreeView::PendingEditTick() {
    StopPendingEdit();
    TGtTreeItem* item = tree_->Refs().PendingEdit;
    tree_->Refs().PendingEdit = nullptr;
    if (item != nullptr && !frameSelecting_) DoEditItem(item, pendingEditSection_);
}

// The click-to-edit memory: a second single click on the text of the row
// clicked before schedules an edit; a double click schedules one at once
// with the edit-on-double-click mode, and forgets the row otherwise.
void TGtTreeView::ClickReleased(int x, int y) {
    TCustomGtTree& t = *tree_;
    // The release that ends a frame selection is no click.
    if (frameSelecting_) {
        dragStarted_ = false;
        return;
    }
    int section = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, section, part);
    if (item != nullptr && !item->Enabled() && !t.IgnoreEnabled) return;
    if (x == pressPoint_.X && y == pressPoint_.Y && !dragStarted_ && part != hpExpandButton &&
        part != hpMainCell && part != hpNothing) {
        if ((part == hpText || part == hpCell) && item != nullptr &&
            (item == lastClickedItem_ || t.QuickEditMode) && item->HasFlag(ifAllowEdit) &&
            t.DoInplaceEdit() && (clickedBefore_ || t.QuickEditMode) && t.DblClickMode() != dcmEdit)
            ScheduleEdit(item, section, false);
        clickedBefore_ = true;
        lastClickPoint_ = {x, y};
        lastClickedItem_ = item;
        lastClickedSection_ = section;
    }
    if (item == nullptr) lastClickedItem_ = nullptr;
    dragStarted_ = false;
}

void TGtTreeView::DoubleClicked(int x, int y) {
    TCustomGtTree& t = *tree_;
    StopPendingEdit();
    int section = -1;
    THitPart part = hpNothing;
    TGtTreeItem* item = GetItemAt(x, y, section, part);
    if (item != nullptr && !item->Enabled() && !t.IgnoreEnabled) return;
    if (t.DblClickMode() == dcmEdit && t.DoInplaceEdit() && item != nullptr &&
        item->HasFlag(ifAllowEdit) && (part == hpText || part == hpCell || part == hpMainCell) &&
        (item == lastClickedItem_ || t.QuickEditMode))
        ScheduleEdit(item, section, true);
    clickedBefore_ = false;
    lastClickedItem_ = nullptr;
    lastClickedSection_ = -2;
    dragStarted_ = true;
}

}  // namespace controls::tree
