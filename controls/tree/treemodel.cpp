#include "controls/tree/treemodel.h"

#include "controls/tree/headersections.h"
#include "controls/tree/treeitem.h"
#include "controls/tree/treeitems.h"

namespace controls::tree {

namespace {

// Runs the matching call when leaving a scope, also on an exception.
template <class Leave>
class ScopeExit {
  public:
    explicit ScopeExit(Leave leave) : leave_(leave) {}
    ~ScopeExit() { leave_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

  private:
    Leave leave_;
};

}  // namespace

// ---- TGtItemRefs ----------------------------------------------------------------------

void TGtItemRefs::Forget(const TGtTreeItem* item) {
    for (TGtTreeItem** ref : {&HotItem, &HintItem, &DropTarget, &PendingSelect, &LastClicked,
                              &FrameAnchor, &PendingEdit, &PendingFocusItem})
        if (*ref == item) *ref = nullptr;
}

bool TGtItemRefs::Names(const TGtTreeItem* item) const {
    for (const TGtTreeItem* ref : {HotItem, HintItem, DropTarget, PendingSelect, LastClicked,
                                   FrameAnchor, PendingEdit, PendingFocusItem})
        if (ref == item) return true;
    return false;
}

// ---- TGtTreeModel ---------------------------------------------------------------------

TGtTreeModel::TGtTreeModel(TGtTreeItemFactory factory)
    : factory_(std::move(factory)), selection_(std::make_unique<TGtList>()) {
    items_ = std::make_unique<TGtTreeItems>(this, factory_);
}

TGtTreeModel::~TGtTreeModel() {
    destroying_ = true;
    view_ = nullptr;
    items_.reset();
}

std::shared_ptr<const TGtFontInfo> TGtTreeModel::StyleFont() {
    TGtFontInfo font = DefaultFont();
    if (!styleFont_ || font.Size != styleFont_->Size || font.Styles != styleFont_->Styles ||
        font.Name != styleFont_->Name)
        styleFont_ = std::make_shared<const TGtFontInfo>(std::move(font));
    return styleFont_;
}

int TGtTreeModel::SectionCount() const {
    return sections_ != nullptr ? sections_->Count() : 0;
}

TGtHeaderSection* TGtTreeModel::SectionByIndex(int index) const {
    return sections_ != nullptr ? sections_->GetSection(index) : nullptr;
}

void TGtTreeModel::SetVirtualityLevel(TVirtualityLevel value) {
    if (value == virtualityLevel_) return;
    virtualityLevel_ = value;
    SetUpdating(true);
    ScopeExit unlock([this] { SetUpdating(false); });
    for (int i = 0; i < allItems_.Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(allItems_.Get(i));
        if (value == vlNone)
            item->CreateStaticData();
        else
            item->DisposeStaticData();
    }
    Request(rfRowsStale | rfCountStale);
}

void TGtTreeModel::SetMultiSelect(bool value) {
    if (value == multiSelect_) return;
    SetUpdating(true);
    ScopeExit unlock([this] { SetUpdating(false); });
    if (value) {
        multiSelect_ = true;
        selection_ = std::make_unique<TGtList>();
        if (current_ != nullptr) current_->SetSelected(true);
    } else {
        DeselectAllEx(true);
        if (focused_ != nullptr) {
            focused_->SetSelected(true);
            current_ = focused_;
        }
        multiSelect_ = false;
        selection_.reset();
    }
    Request(rfRepaintAll);
}

int TGtTreeModel::TotalVisible() {
    if (totalVisible_ >= 0) return totalVisible_;
    // Depth-first over the displayed part, without recursion (trees may be
    // very deep).
    int count = 0;
    TGtStack stack;
    stack.Push(items_->Root());
    while (stack.Count() > 0) {
        auto* item = static_cast<TGtTreeItem*>(stack.Pop());
        for (int i = item->ChildrenCount() - 1; i >= 0; --i) {
            TGtTreeItem* child = item->Children(i);
            if (filteredVisibility_ && child->Hidden()) continue;
            ++count;
            if (child->Expanded() && child->ChildrenCount() > 0) stack.Push(child);
        }
    }
    totalVisible_ = count;
    return count;
}

void TGtTreeModel::SetUpdating(bool updating) {
    if (inEndUpdate_) return;
    if (updating) {
        ++updateCount_;
    } else if (updateCount_ > 0) {
        --updateCount_;
    }
    if (updateCount_ > 0 || destroying_ || loading_) return;
    EndUpdateWork();
}

void TGtTreeModel::EndUpdateWork() {
    inEndUpdate_ = true;
    ScopeExit leave([this] { inEndUpdate_ = false; });
    if (filteredVisibility_) ApplyFilter();
    if (sortPending_) {
        sortPending_ = false;
        Sort(true);
    }
    const TGtRefreshFlags flags = pending_;
    pending_ = 0;
    if (flags != 0 && view_ != nullptr) view_->EndUpdate(*this, flags);
}

void TGtTreeModel::Request(TGtRefreshFlags flags) {
    pending_ |= flags | rfUpdatePending;
    if ((flags & (rfRowsStale | rfCountStale)) != 0) totalVisible_ = -1;
    if (!IsUpdating() && !inEndUpdate_ && !destroying_ && !loading_) EndUpdateWork();
}

void TGtTreeModel::RequestResort(TGtTreeItem* parent) {
    if (sortDepth_ > 0 || parent == nullptr) return;
    if (IsUpdating() || inEndUpdate_) {
        sortPending_ = true;
        return;
    }
    DoSortBegin();
    parent->Sort(false);
    DoSortEnd();
}

void TGtTreeModel::RedrawItem(TGtTreeItem* item, bool checkVisible) {
    if (!destroying_ && view_ != nullptr) view_->RedrawItem(item, checkVisible);
}

void TGtTreeModel::RedrawItemPart(TGtTreeItem* item, bool checkVisible, int left, int right) {
    if (!destroying_ && view_ != nullptr) view_->RedrawItemPart(item, checkVisible, left, right);
}

void TGtTreeModel::PaintNow() {
    if (!destroying_ && view_ != nullptr && !IsUpdating()) view_->PaintNow();
}

void TGtTreeModel::Sort(bool recursive) {
    DoSortBegin();
    ++sortDepth_;
    {
        ScopeExit lower([this] { --sortDepth_; });
        items_->Root()->Sort(recursive);
    }
    DoSortEnd();
}

int TGtTreeModel::CompareItems(TGtTreeItem* item1, TGtTreeItem* item2, TGtSSortMode sectionSortMode,
                               TSortTypes sortType, int sectionIndex) {
    int result = sortType == stCustom
                     ? DoCompareItems(item1, item2)
                     : CompareSortKeys(item1->SortKey(sortType, sectionIndex),
                                       item2->SortKey(sortType, sectionIndex), sortType);
    result = result < 0 ? -1 : result > 0 ? 1 : 0;
    if (SortsDescending(sectionSortMode)) result = -result;
    if (result == 0 && item1 != item2 && HasTieBreakers()) result = CompareTiedItems(item1, item2);
    if (result == 0 && item1 != item2)
        result = item1->CreationOrder() < item2->CreationOrder() ? -1 : 1;
    return result;
}

int TGtTreeModel::CompareTiedItems(TGtTreeItem*, TGtTreeItem*) {
    return 0;
}

// ---- events ---------------------------------------------------------------------------

void TGtTreeModel::DoItemChange(TGtTreeItem* item, TItemChangeMode mode) {
    OnItemChange(sender_, item, mode);
}

bool TGtTreeModel::DoItemExpanding(TGtTreeItem* item) {
    bool canProcess = true;
    OnItemExpanding(sender_, item, canProcess);
    return canProcess;
}

bool TGtTreeModel::DoItemCollapsing(TGtTreeItem* item) {
    bool canProcess = true;
    OnItemCollapsing(sender_, item, canProcess);
    return canProcess;
}

void TGtTreeModel::DoItemExpand(TGtTreeItem* item) {
    OnItemExpand(sender_, item);
}

void TGtTreeModel::DoItemCollapse(TGtTreeItem* item) {
    OnItemCollapse(sender_, item);
}

void TGtTreeModel::DoItemDeletion(TGtTreeItem* item) {
    OnItemDeletion(sender_, item);
}

void TGtTreeModel::DoItemSelectedChange(TGtTreeItem* item) {
    if (!destroying_) OnItemSelectedChange(sender_, item);
}

void TGtTreeModel::DoItemFocused() {
    if (!destroying_ && eventLockCount_ == 0) OnItemFocused(sender_);
}

bool TGtTreeModel::DoChanging(TGtTreeItem* item) {
    bool allow = true;
    if (eventLockCount_ == 0) OnChanging(sender_, item, allow);
    return allow;
}

int TGtTreeModel::DoCompareItems(TGtTreeItem* item1, TGtTreeItem* item2) {
    int result = 0;
    OnCompareItems(sender_, item1, item2, result);
    return result;
}

void TGtTreeModel::DoItemSave(runtime::TStream& stream, TGtTreeItem* item) {
    OnItemSave(sender_, &stream, item);
}

void TGtTreeModel::DoItemLoad(runtime::TStream& stream, TGtTreeItem* item) {
    OnItemLoad(sender_, &stream, item);
}

void TGtTreeModel::DoSortBegin() {
    OnSortBegin(sender_);
}

void TGtTreeModel::DoSortEnd() {
    OnSortEnd(sender_);
}

std::u16string TGtTreeModel::DoVirtualTextNeeded(TGtTreeItem* item, int sectionIndex) {
    std::u16string text;
    OnVirtualTextNeeded(sender_, item, sectionIndex, text);
    return text;
}

std::u16string TGtTreeModel::DoVirtualHintNeeded(TGtTreeItem* item) {
    std::u16string hint;
    OnVirtualHintNeeded(sender_, item, hint);
    return hint;
}

runtime::Variant TGtTreeModel::DoVirtualValueNeeded(TGtTreeItem* item, int sectionIndex,
                                                    int varType) {
    runtime::Variant value;
    OnVirtualValueNeeded(sender_, item, sectionIndex, varType, value);
    return value;
}

void TGtTreeModel::DoVirtualStyleNeeded(TGtTreeItem* item, int sectionIndex, TGtCellStyle* style) {
    OnVirtualStyleNeeded(sender_, item, sectionIndex, style);
}

}  // namespace controls::tree
