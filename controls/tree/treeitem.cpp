#include "controls/tree/treeitem.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "controls/tree/cellstyle.h"
#include "controls/tree/headersections.h"
#include "controls/tree/treeitem_static.h"
#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"
#include "controls/tree/widestr.h"
#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TGtTreeItem, runtime::TPersistent)
RUNTIME_END_CLASS

namespace {

std::unique_ptr<TGtList> NewStyleList() {
    auto list = std::make_unique<TGtList>();
    list->OnDelete = [](TGtList*, void* style) { delete static_cast<TGtCellStyle*>(style); };
    return list;
}

// Position of `item` in `list`, searched from the end (new and deleted
// items are usually near it).
int IndexFromEnd(const TGtList& list, const void* item) {
    return list.Count() > 0 ? list.IndexOfBack(list.Count() - 1, item) : -1;
}

}  // namespace

// ---- life ---------------------------------------------------------------------------

TGtTreeItem::TGtTreeItem(TGtTreeModel* owner)
    : owner_(owner), creationOrder_(owner != nullptr ? owner->NextCreationOrder() : 0) {}

TGtTreeItem::~TGtTreeItem() {
    if (owner_ != nullptr && selected_ && owner_->MultiSelect() && owner_->SelectionList())
        owner_->SelectionList()->Remove(this);
    // Children still linked (the root of a collection being destroyed) go
    // with their parent.
    if (children_) {
        for (int i = children_->Count() - 1; i >= 0; --i)
            delete static_cast<TGtTreeItem*>(children_->Get(i));
        children_.reset();
    }
}

void TGtTreeItem::CreateStaticData() {
    if (static_) return;
    static_ = std::make_unique<StaticData>();
    static_->ColumnText.OnChange.Bind(
        [](void* item, runtime::TObject*) { static_cast<TGtTreeItem*>(item)->ColumnTextChanged(); },
        this);
    static_->StyleFont = owner_->StyleFont();
}

std::unique_ptr<TGtCellStyle> TGtTreeItem::NewMainStyle() const {
    auto style = std::make_unique<TGtCellStyle>(const_cast<TGtTreeItem*>(this));
    const TGtFontInfo& font = *static_->StyleFont;
    style->StartWithOwnerFont(font.Size, font.Styles, font.Name);
    return style;
}

void TGtTreeItem::DisposeStaticData() {
    static_.reset();
}

// ---- texts ----------------------------------------------------------------------------

std::u16string TGtTreeItem::Text() const {
    if (static_) return static_->Text;
    if (owner_->IsVirtual()) return owner_->DoVirtualTextNeeded(const_cast<TGtTreeItem*>(this), -1);
    return {};
}

void TGtTreeItem::SetText(std::u16string_view value) {
    if (static_) {
        static_->Text = value;
        owner_->DoItemChange(this, icmText);
        UpdateLock lock(owner_);
        if (!owner_->ShowColumns() && AllParentsExpanded())
            owner_->Request(rfContentWidth | rfRepaintRows);
        const int section = owner_->SortSection();
        if (owner_->AutoSorts() && (section == owner_->MainTreeColumn() || section == -1))
            owner_->RequestResort(parent_);
        if (owner_->ShowColumns()) owner_->Request(rfAutoSizeMain);
    }
    UpdateItem();
}

TGtWideStringList* TGtTreeItem::ColumnText() const {
    return static_ ? &static_->ColumnText : nullptr;
}

void TGtTreeItem::SetHint(std::u16string_view value) {
    if (static_) static_->Hint = value;
}

std::u16string TGtTreeItem::GetHint() const {
    if (static_) return static_->Hint;
    if (owner_->IsVirtual()) return owner_->DoVirtualHintNeeded(const_cast<TGtTreeItem*>(this));
    return {};
}

std::u16string TGtTreeItem::CellText(int column) const {
    if (column == -1 || column == owner_->MainTreeColumn()) return Text();
    if (owner_->IsVirtual())
        return owner_->DoVirtualTextNeeded(const_cast<TGtTreeItem*>(this), column);
    const TGtWideStringList* texts = ColumnText();
    const int entry = column > owner_->MainTreeColumn() ? column - 1 : column;
    if (texts == nullptr || entry < 0 || entry >= texts->Count()) return {};
    return texts->Strings(entry);
}

void TGtTreeItem::ColumnTextChanged() {
    owner_->DoItemChange(this, icmColumnText);
    const int section = owner_->SortSection();
    if (owner_->AutoSorts() && section >= -1 && section < owner_->SectionCount() &&
        parent_ != nullptr)
        owner_->RequestResort(parent_);
    if (owner_->ShowColumns()) owner_->Request(rfAutoSizeAll);
    UpdateItem();
}

// ---- check box --------------------------------------------------------------------------

void TGtTreeItem::RepaintCheckBox() {
    if (!ShowCheckBox() || !owner_->ShowCheckboxes()) return;
    TGtHeaderSection* main =
        owner_->ShowColumns() ? owner_->SectionByIndex(owner_->MainTreeColumn()) : nullptr;
    if (main != nullptr)
        RedrawItemPart(true, main->Left(), main->Right());
    else
        RedrawItem(true);
    owner_->PaintNow();
}

void TGtTreeItem::SetCheckBoxState(TCheckBoxState value) {
    // No change event here: the view raises OnItemChecked and OnItemChange
    // when the user toggles a box, and programmatic changes raise neither.
    checkBoxState_ = value;
    RepaintCheckBox();
}

void TGtTreeItem::SetChecked(bool value) {
    if (value == Checked()) return;
    SetCheckBoxState(value ? cbChecked : cbUnchecked);
    if (checkBoxType_ == 2 && value && parent_ != nullptr) {
        for (int i = 0; i < parent_->ChildrenCount(); ++i) {
            TGtTreeItem* sibling = parent_->Children(i);
            if (sibling != this && sibling->checkBoxType_ == 2) sibling->SetChecked(false);
        }
    }
}

void TGtTreeItem::SetCheckBoxType(uint8_t value) {
    if (value == checkBoxType_) return;
    checkBoxType_ = value;
    RepaintCheckBox();
}

void TGtTreeItem::SetCheckBoxEnabled(bool value) {
    if (value == CheckBoxEnabled()) return;
    SetFlag(ifCheckBoxEnabled, value);
    RepaintCheckBox();
}

// ---- state and flags ------------------------------------------------------------------

bool TGtTreeItem::GetState(int index) const {
    if (index < 0 || index > 15) return false;
    return (state_ & StateBit(index)) != 0;
}

void TGtTreeItem::SetState(int index, bool value) {
    if (index == kStateFocused) {
        if (value)
            owner_->SetItemFocused(this);
        else if (owner_->FocusedItem() == this)
            owner_->SetItemFocused(nullptr);
        return;
    }
    switch (index) {
        case kStateCut:
        case kStateUnderlined:
        case kStateBold:
        case kStateItalic:
        case kStateStrikeOut:
            break;
        default:
            return;
    }
    const uint16_t old = state_;
    if (value)
        state_ |= StateBit(index);
    else
        state_ &= static_cast<uint16_t>(~StateBit(index));
    if (state_ == old) return;
    if ((index == kStateBold || index == kStateItalic) && !owner_->ShowColumns() &&
        AllParentsExpanded())
        owner_->Request(rfContentWidth);
    owner_->DoItemChange(this, icmState);
    UpdateItem();
}

void TGtTreeItem::SetSelected(bool value) {
    TGtList* selection = owner_->SelectionList();
    if (owner_->MultiSelect() && selection != nullptr && value != selected_) {
        if (value) {
            if (owner_->KeepSelectionWithinLevel() && selection->Count() > 0 &&
                selection->First() != this &&
                static_cast<TGtTreeItem*>(selection->First())->Level() != Level())
                return;
            owner_->SetSelectionChanged(true);
            state_ |= StateBit(kStateSelected);
            selected_ = true;
            selection->Add(this);
        } else {
            owner_->SetSelectionChanged(true);
            state_ &= static_cast<uint16_t>(~StateBit(kStateSelected));
            selected_ = false;
            const int at = IndexFromEnd(*selection, this);
            if (at >= 0) selection->Delete(at);
            if (owner_->CurrentItem() == this) owner_->SetCurrentItem(nullptr);
        }
        owner_->DoItemSelectedChange(this);
    }
    UpdateItem();
}

void TGtTreeItem::SetExpanded(bool value) {
    if (value == Expanded()) return;
    UpdateLock lock(owner_);
    if (value)
        Expand(false);
    else
        Collapse(false);
}

void TGtTreeItem::SetFlag(uint32_t flag, bool value) {
    if (value)
        flags_ |= flag;
    else
        flags_ &= ~flag;
}

void TGtTreeItem::ContentWidthChanged() {
    if (owner_->ShowColumns())
        owner_->Request(rfAutoSizeMain);
    else if (AllParentsExpanded())
        owner_->Request(rfContentWidth);
}

void TGtTreeItem::SetParentStyle(bool value) {
    if (value == ParentStyle()) return;
    {
        UpdateLock lock(owner_);
        SetFlag(ifParentStyle, value);
        ContentWidthChanged();
        owner_->Request(rfRepaintRows);
    }
    UpdateItem();
}

void TGtTreeItem::SetUseStyles(bool value) {
    if (value == UseStyles()) return;
    UpdateLock lock(owner_);
    SetFlag(ifUseStyles, value);
    if (static_) {
        if (value && !static_->Styles)
            static_->Styles = NewStyleList();
        else if (!value)
            static_->Styles.reset();
    }
    ContentWidthChanged();
    owner_->Request(rfRepaintRows);
}

void TGtTreeItem::SetShowCheckBox(bool value) {
    if (value == ShowCheckBox()) return;
    SetFlag(ifShowCheckBox, value);
    if (owner_->ShowCheckboxes()) {
        owner_->Request(rfAutoSizeMain);
        if (!owner_->ShowColumns() && AllParentsExpanded()) owner_->Request(rfContentWidth);
    }
    UpdateItem();
}

void TGtTreeItem::SetHidden(bool value) {
    if (value == Hidden()) return;
    SetFlag(ifHidden, value);
    owner_->ChangeHiddenCount(value ? 1 : -1);
    owner_->Request(rfRowsStale | rfCountStale | rfRepaintAll);
}

void TGtTreeItem::SetRowBkColor(TGtColor value) {
    if (value == rowBkColor_) return;
    rowBkColor_ = value;
    if (!ParentColors() && !HasFlag(ifUseBkColor)) RedrawItem(true);
}

// ---- structure --------------------------------------------------------------------------

TGtTreeItem* TGtTreeItem::Parent() const {
    return parent_ == root_ ? nullptr : parent_;
}

int TGtTreeItem::Level() const {
    int level = -1;
    for (const TGtTreeItem* p = this; p != nullptr && p != root_; p = p->parent_) ++level;
    return level;
}

int TGtTreeItem::Index() const {
    if (parent_ == nullptr || !parent_->children_) return -1;
    return parent_->children_->IndexOf(this);
}

TGtTreeItem* TGtTreeItem::Children(int index) const {
    if (!children_ || index < 0 || index >= children_->Count()) return nullptr;
    return static_cast<TGtTreeItem*>(children_->Get(index));
}

TGtTreeItem* TGtTreeItem::FirstChild() const {
    return Children(0);
}

TGtTreeItem* TGtTreeItem::LastChild() const {
    return children_ ? static_cast<TGtTreeItem*>(children_->Last()) : nullptr;
}

TGtTreeItem* TGtTreeItem::FirstVisibleChild() const {
    for (int i = 0; i < ChildrenCount(); ++i) {
        TGtTreeItem* child = Children(i);
        if (!owner_->FilteredVisibility() || !child->Hidden()) return child;
    }
    return nullptr;
}

TGtTreeItem* TGtTreeItem::NextChildAfter(const TGtTreeItem* child) const {
    if (!children_) return nullptr;
    const int i = children_->IndexOf(child);
    return i >= 0 ? Children(i + 1) : nullptr;
}

TGtTreeItem* TGtTreeItem::PrevChildBefore(const TGtTreeItem* child) const {
    if (!children_) return nullptr;
    const int i = children_->IndexOf(child);
    return i > 0 ? Children(i - 1) : nullptr;
}

TGtTreeItem* TGtTreeItem::NextSibling() const {
    return parent_ != nullptr ? parent_->NextChildAfter(this) : nullptr;
}

TGtTreeItem* TGtTreeItem::PrevSibling() const {
    return parent_ != nullptr ? parent_->PrevChildBefore(this) : nullptr;
}

TGtTreeItem* TGtTreeItem::LastDescendant() const {
    const TGtTreeItem* item = this;
    while (item->ChildrenCount() > 0) item = item->LastChild();
    return const_cast<TGtTreeItem*>(item);
}

TGtTreeItem* TGtTreeItem::TopAncestor() const {
    const TGtTreeItem* item = this;
    while (item->parent_ != nullptr && item->parent_ != root_) item = item->parent_;
    return const_cast<TGtTreeItem*>(item);
}

bool TGtTreeItem::IsUnder(const TGtTreeItem* item) const {
    if (item == nullptr) return false;
    for (const TGtTreeItem* p = this; p != nullptr && p != root_; p = p->parent_)
        if (p == item) return true;
    return false;
}

bool TGtTreeItem::AllParentsExpanded() const {
    for (const TGtTreeItem* p = parent_; p != nullptr && p != root_; p = p->parent_)
        if (!p->Expanded()) return false;
    return true;
}

bool TGtTreeItem::IsShown() const {
    for (const TGtTreeItem* p = this; p != nullptr && p != root_; p = p->parent_)
        if (p->Hidden()) return false;
    return true;
}

bool TGtTreeItem::HasVisibleChildren() const {
    return FirstVisibleChild() != nullptr;
}

int TGtTreeItem::AbsoluteIndex() const {
    return items_ != nullptr ? items_->GetAbsIndex(this) : -1;
}

int TGtTreeItem::VisIndex() const {
    return items_ != nullptr ? items_->GetVisIndex(this) : -1;
}

int TGtTreeItem::Height() const {
    return owner_->LineHeight();
}

int TGtTreeItem::ExpandedHeight() const {
    int height = 0;
    std::vector<const TGtTreeItem*> pending{this};
    while (!pending.empty()) {
        const TGtTreeItem* item = pending.back();
        pending.pop_back();
        if (!item->Expanded()) continue;
        for (int i = 0; i < item->ChildrenCount(); ++i) {
            const TGtTreeItem* child = item->Children(i);
            if (child->Hidden()) continue;
            height += child->Height();
            if (child->ChildrenCount() > 0) pending.push_back(child);
        }
    }
    return height;
}

TGtTreeItem* TGtTreeItem::GetPrev() const {
    const TGtList& all = owner_->AllItems();
    const int i = IndexFromEnd(all, this);
    return i > 0 ? static_cast<TGtTreeItem*>(all.Get(i - 1)) : nullptr;
}

TGtTreeItem* TGtTreeItem::GetNext() const {
    const TGtList& all = owner_->AllItems();
    if (IsRoot()) return all.Count() > 0 ? static_cast<TGtTreeItem*>(all.Get(0)) : nullptr;
    const int i = IndexFromEnd(all, this);
    return i >= 0 && i + 1 < all.Count() ? static_cast<TGtTreeItem*>(all.Get(i + 1)) : nullptr;
}

int TGtTreeItem::GetWidth() const {
    TGtTreeDisplay* view = owner_->Display();
    return view != nullptr ? view->MeasureCellSize(const_cast<TGtTreeItem*>(this), -1) : 0;
}

// ---- styles ---------------------------------------------------------------------------

TGtCellStyle* TGtTreeItem::MainStyle() const {
    if (!static_) return nullptr;
    if (!static_->MainStyle) static_->MainStyle = NewMainStyle();
    return static_->MainStyle.get();
}

TGtCellStyle* TGtTreeItem::Styles(int index) const {
    if (!static_ || !static_->Styles || index < 0 || index >= static_->Styles->Count())
        return nullptr;
    return static_cast<TGtCellStyle*>(static_->Styles->Get(index));
}

int TGtTreeItem::StylesCount() const {
    return static_ && static_->Styles ? static_->Styles->Count() : 0;
}

TGtCellStyle* TGtTreeItem::AddStyle() {
    if (!static_) return nullptr;
    auto style = std::make_unique<TGtCellStyle>(this);
    style->SetOwnerProps(true);
    const TGtFontInfo font = owner_->DefaultFont();
    style->FontSize = font.Size;
    style->SetFontStyles(font.Styles);
    style->FontName = font.Name;
    style->Assign(MainStyle());
    if (!static_->Styles) static_->Styles = NewStyleList();
    static_->Styles->Add(style.get());
    return style.release();
}

void TGtTreeItem::RemoveStyle(TGtCellStyle* style) {
    if (!static_ || !static_->Styles) return;
    static_->Styles->Remove(style);
    if (static_->Styles->Count() == 0) static_->Styles.reset();
}

// ---- linking ----------------------------------------------------------------------------

void TGtTreeItem::Link(TGtTreeItem* parent) {
    parent_ = parent;
    root_ = parent->root_;
    items_ = parent->items_;
    if (!owner_->IsVirtual()) CreateStaticData();
}

void TGtTreeItem::AppendChild(TGtTreeItem* child) {
    if (!children_) children_ = std::make_unique<TGtList>();
    TGtList& all = owner_->AllItems();
    const TGtTreeItem* last = LastDescendant();
    if (all.Count() > 0 && all.Last() != last) {
        const int at = last == root_ ? -1 : IndexFromEnd(all, last);
        all.Insert(at + 1, child);
    } else {
        all.Add(child);
    }
    children_->Add(child);
    child->Link(this);
    owner_->Request(rfUpdatePending);
}

void TGtTreeItem::InsertChild(int index, TGtTreeItem* child) {
    const int count = ChildrenCount();
    if (index < 0 || index > count) throw EGtTreeError(SGtItemIndexError);
    TGtList& all = owner_->AllItems();
    int at;
    if (count == 0) {
        at = IsRoot() ? 0 : all.IndexOf(this) + 1;
    } else if (index == count) {
        const TGtTreeItem* last = Children(count - 1)->LastDescendant();
        at = all.Last() == last ? all.Count() : IndexFromEnd(all, last) + 1;
    } else {
        at = all.IndexOf(Children(index));
    }
    if (!children_) children_ = std::make_unique<TGtList>();
    all.Insert(at, child);
    children_->Insert(index, child);
    child->Link(this);
    owner_->Request(rfUpdatePending);
}

void TGtTreeItem::RemoveChild(TGtTreeItem* child) {
    if (!children_) return;
    const int at = IndexFromEnd(*children_, child);
    if (at >= 0) children_->Delete(at);
    if (children_->Count() == 0) children_.reset();
    owner_->Request(rfRowsStale);
}

TGtTreeItem* TGtTreeItem::MoveFocusTarget(TGtTreeItem* child) const {
    if (owner_->IsDestroying()) return nullptr;
    if (TGtTreeItem* next = NextChildAfter(child)) return next;
    if (TGtTreeItem* prev = PrevChildBefore(child)) return prev;
    return IsRoot() ? nullptr : const_cast<TGtTreeItem*>(this);
}

void TGtTreeItem::DeleteChild(TGtTreeItem* child) {
    child->flags_ |= ifDeleting;
    UpdateLock lock(owner_);
    child->DeleteChildren();
    if (child->Hidden()) {
        owner_->ChangeHiddenCount(-1);
        child->flags_ &= ~ifHidden;
    }
    if (owner_->CurrentItem() == child) owner_->SetCurrentItem(MoveFocusTarget(child));
    child->SetSelected(false);
    if (owner_->FocusedItem() == child) {
        TGtTreeItem* target = MoveFocusTarget(child);
        if (owner_->IsDestroying() || !owner_->SetItemFocused(target)) {
            // Refused (or the tree is going): the focus never stays on a
            // freed item.
            owner_->SetFocusedItemSilently(target);
            if (target != nullptr) target->state_ |= StateBit(kStateFocused);
        }
    }
    owner_->Refs().Forget(child);
    if (!owner_->IsDestroying())
        if (TGtTreeDisplay* view = owner_->Display()) view->ItemDeleted(child);
    owner_->DoItemDeletion(child);

    if (children_) {
        const int at = IndexFromEnd(*children_, child);
        if (at >= 0) children_->Delete(at);
        if (children_->Count() == 0) children_.reset();
    }
    TGtList& all = owner_->AllItems();
    const int at = IndexFromEnd(all, child);
    if (at >= 0) all.Delete(at);
    child->DisposeStaticData();
    delete child;
    owner_->Request(rfRowsStale | rfCountStale | rfRepaintAll);
}

void TGtTreeItem::DeleteChildren() {
    TGtTreeItem* focusedBefore = owner_->FocusedItem();
    owner_->LockEvents();
    try {
        while (ChildrenCount() > 0) DeleteChild(LastChild());
    } catch (...) {
        owner_->UnlockEvents();
        throw;
    }
    owner_->UnlockEvents();
    children_.reset();
    if (AllParentsExpanded()) owner_->Request(rfCountStale);
    if (owner_->EventLockCount() == 0 && owner_->FocusedItem() != focusedBefore)
        owner_->DoItemFocused();
}

void TGtTreeItem::Delete() {
    if (items_ != nullptr) items_->DeleteItem(this);
}

// ---- expand and collapse ----------------------------------------------------------------

void TGtTreeItem::Expand(bool recursive) {
    if (!IsRoot() && !owner_->DoItemExpanding(this)) return;
    {
        UpdateLock lock(owner_);
        owner_->Request(rfRowsStale);
        state_ |= StateBit(kStateExpanded);
        if (recursive)
            for (int i = 0; i < ChildrenCount(); ++i) Children(i)->Expand(true);
        if (!owner_->ShowColumns() && AllParentsExpanded()) owner_->Request(rfContentWidth);
        owner_->Request(rfRepaintAll);
    }
    if (owner_->SectionByIndex(owner_->MainTreeColumn()) != nullptr)
        owner_->Request(rfAutoSizeMain);
    if (!IsRoot()) owner_->DoItemExpand(this);
}

void TGtTreeItem::Collapse(bool recursive) {
    if (!IsRoot() && !owner_->DoItemCollapsing(this)) return;
    {
        UpdateLock lock(owner_);
        owner_->Request(rfRowsStale);
        state_ &= static_cast<uint16_t>(~StateBit(kStateExpanded));
        TGtTreeItem* focused = owner_->FocusedItem();
        if (focused != nullptr && focused != this && focused->IsUnder(this) &&
            owner_->MoveFocusOnCollapse()) {
            if (owner_->SelectedCount() == 1) {
                const bool autoExpand = owner_->AutoExpand();
                owner_->SetAutoExpand(false);
                owner_->SetItemFocused(this);
                owner_->SetAutoExpand(autoExpand);
                focused->SetSelected(false);
            } else {
                owner_->SetItemFocused(this);
            }
        }
        if (recursive)
            for (int i = 0; i < ChildrenCount(); ++i) Children(i)->Collapse(true);
        if (owner_->DeselectChildrenOnCollapse() && ChildrenCount() > 0) {
            const TGtList& all = owner_->AllItems();
            int i = IsRoot() ? 0 : all.IndexOf(this) + 1;
            for (; i < all.Count(); ++i) {
                auto* item = static_cast<TGtTreeItem*>(all.Get(i));
                if (!item->IsUnder(this) && !IsRoot()) break;
                item->SetSelected(false);
            }
        }
        if (!owner_->ShowColumns() && AllParentsExpanded()) owner_->Request(rfContentWidth);
        owner_->Request(rfRepaintAll);
    }
    if (owner_->SectionByIndex(owner_->MainTreeColumn()) != nullptr)
        owner_->Request(rfAutoSizeMain);
    if (!IsRoot()) owner_->DoItemCollapse(this);
}

void TGtTreeItem::ExpandParents() {
    UpdateLock lock(owner_);
    for (TGtTreeItem* p = parent_; p != nullptr; p = p->parent_)
        if (!p->Expanded()) p->Expand(false);
    owner_->Request(rfRowsStale | rfRepaintAll);
}

void TGtTreeItem::MakeVisible() {
    if (TGtTreeDisplay* view = owner_->Display()) view->EnsureVisible(this);
}

// ---- moving -----------------------------------------------------------------------------

void TGtTreeItem::MoveToIndex(TGtTreeItem* newParent, int index) {
    if (newParent == nullptr) newParent = root_;
    if (newParent == this || parent_ == nullptr) return;
    if (newParent->IsUnder(this)) throw EGtTreeError(SGtMoveToSubItem);
    TGtTreeItem* oldParent = parent_;
    const int oldIndex = Index();
    const bool append =
        newParent == oldParent && oldIndex < index && index >= newParent->ChildrenCount() - 1;
    const int reducedCount = newParent->ChildrenCount() - (newParent == oldParent ? 1 : 0);
    if (!append && (index < 0 || index > reducedCount)) throw EGtTreeError(SGtItemIndexError);

    UpdateLock lock(owner_);
    TGtList& all = owner_->AllItems();
    const int first = all.IndexOf(this);
    const int last = all.IndexOfFrom(first, LastDescendant());
    oldParent->RemoveChild(this);
    // The block goes just after `anchor` (none: the start of the list).
    const TGtTreeItem* anchor;
    if (append) {
        anchor = newParent->LastDescendant();
        if (!newParent->children_) newParent->children_ = std::make_unique<TGtList>();
        newParent->children_->Add(this);
    } else {
        anchor = index > 0 ? newParent->Children(index - 1)->LastDescendant() : newParent;
        if (!newParent->children_) newParent->children_ = std::make_unique<TGtList>();
        newParent->children_->Insert(index, this);
    }
    const int target = anchor == root_ ? 0 : all.IndexOf(anchor) + 1;
    if (target == all.Count()) {
        if (last + 1 < all.Count()) all.MoveRange(last + 1, all.Count() - 1, first);
    } else if (target < first || target > last + 1) {
        all.MoveRange(first, last, target);
    }
    parent_ = newParent;
    const int section = owner_->SortSection();
    if (owner_->AutoSorts() && owner_->SortDepth() == 0 &&
        (section == owner_->MainTreeColumn() || section == -1))
        owner_->SetSortPending();
    owner_->Request(rfRowsStale | rfCountStale | rfRepaintAll);
}

void TGtTreeItem::MoveTo(TGtTreeItem* newParent) {
    MoveToIndex(newParent, (newParent != nullptr ? newParent : root_)->ChildrenCount());
}

void TGtTreeItem::MoveToItem(TGtTreeItem* item, TGtMoveMode mode) {
    switch (mode) {
        case mmAddLast:
            if (item == nullptr) throw EGtTreeError(SGtItemNotSpecified);
            MoveToIndex(item->parent_, item->parent_->ChildrenCount());
            break;
        case mmAddFirst:
            MoveToIndex(item != nullptr ? item->parent_ : root_, 0);
            break;
        case mmAddChildLast:
            MoveTo(item);
            break;
        case mmAddChildFirst:
            MoveToIndex(item, 0);
            break;
        case mmInsertBefore:
            if (item == nullptr) {
                MoveToIndex(root_, 0);
            } else {
                TGtTreeItem* parent = item->parent_;
                const int at = item->Index();
                MoveToIndex(parent, parent == parent_ && Index() < at ? at - 1 : at);
            }
            break;
    }
}

// ---- repaint ----------------------------------------------------------------------------

void TGtTreeItem::RedrawItem(bool checkVisible) {
    if (Deleting() || owner_->IsDestroying()) return;
    owner_->RedrawItem(this, checkVisible);
}

void TGtTreeItem::RedrawItemPart(bool checkVisible, int left, int right) {
    if (Deleting() || owner_->IsDestroying()) return;
    owner_->RedrawItemPart(this, checkVisible, left, right);
}

void TGtTreeItem::UpdateItem() {
    if (!(Hidden() && owner_->FilteredVisibility())) RedrawItem(true);
    owner_->PaintNow();
}

// ---- assignment ---------------------------------------------------------------------------

void TGtTreeItem::Assign(const runtime::TPersistent* source) {
    const auto* src = dynamic_cast<const TGtTreeItem*>(source);
    if (src == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (src == this) return;
    // Copying an ancestor's subtree into one of its own items would copy
    // without end.
    if (src->items_ == items_ && IsUnder(src)) throw EGtTreeError(SGtAssignFromAncestor);
    // Copying a descendant would free it with this item's children before
    // its own children were read.
    // The walk goes up to the root, which may be this item.
    for (const TGtTreeItem* p = src->parent_; p != nullptr; p = p->parent_)
        if (p == this) throw EGtTreeError(SGtAssignFromDescendant);
    UpdateLock lock(owner_);
    if (static_) {
        static_->Text = src->Text();
        if (const TGtWideStringList* texts = src->ColumnText(); texts && texts->Count() > 0)
            static_->ColumnText.Assign(texts);
        static_->Hint = src->Hint();
    }
    Data = src->Data;
    Color = src->Color;
    BkColor = src->BkColor;
    rowBkColor_ = src->rowBkColor_;
    state_ = static_cast<uint16_t>(
        (src->state_ & ~(StateBit(kStateFocused) | StateBit(kStateSelected))) |
        (state_ & (StateBit(kStateFocused) | StateBit(kStateSelected))));
    const bool wasHidden = Hidden();
    constexpr uint32_t kept = kFlagsNotAssigned | ifDeleting | ifSorting;
    flags_ = (src->flags_ & ~kept) | (flags_ & kept);
    if (wasHidden != Hidden()) owner_->ChangeHiddenCount(Hidden() ? 1 : -1);
    ImageIndex = src->ImageIndex;
    StateImageIndex = src->StateImageIndex;
    ImageIndex2 = src->ImageIndex2;
    StateImageIndex2 = src->StateImageIndex2;
    checkBoxState_ = src->checkBoxState_;
    checkBoxType_ = src->checkBoxType_;
    BorderStyle = src->BorderStyle;
    TextIndent = src->TextIndent;
    StrikeLineColor = src->StrikeLineColor;
    Overlay1 = src->Overlay1;
    Overlay2 = src->Overlay2;
    UserObject = src->UserObject;
    UserInterface = src->UserInterface;
    Tag = src->Tag;
    if (static_ && src->static_) {
        // A main style not made yet is the one its font makes: copied as a
        // font while this item has none either, without making either style.
        if (src->static_->MainStyle)
            MainStyle()->Assign(src->static_->MainStyle.get());
        else if (static_->MainStyle)
            static_->MainStyle->Assign(src->NewMainStyle().get());
        else
            static_->StyleFont = src->static_->StyleFont;
        if (static_->Styles) static_->Styles->Clear();
        for (int i = 0; i < src->StylesCount(); ++i) AddStyle()->Assign(src->Styles(i));
        if (!UseStyles() && static_->Styles && static_->Styles->Count() == 0)
            static_->Styles.reset();
    }
    DeleteChildren();
    TGtList& all = owner_->AllItems();
    for (int i = 0; i < src->ChildrenCount(); ++i) {
        TGtTreeItem* from = src->Children(i);
        std::unique_ptr<TGtTreeItem> made = items_->CreateItem(owner_);
        TGtTreeItem* child = made.get();
        const TGtTreeItem* last = LastDescendant();
        const int at = all.Count() == 0 || last == root_ ? 0 : IndexFromEnd(all, last) + 1;
        all.Insert(at, child);
        if (!children_) children_ = std::make_unique<TGtList>();
        children_->Add(made.release());
        child->Link(this);
        child->Assign(from);
    }
    owner_->Request(rfRowsStale | rfContentWidth | rfRepaintAll);
}

}  // namespace controls::tree
