#include "controls/tree/treeitems.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "controls/tree/treemodel.h"
#include "controls/tree/widestr.h"
#include "controls/tree/widestrings.h"
#include "runtime/objectstream.h"
#include "runtime/properties.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TGtTreeItems, runtime::TPersistent)
RUNTIME_END_CLASS

namespace {

class UpdateLock {
  public:
    explicit UpdateLock(TGtTreeModel* tree) : tree_(tree) { tree_->SetUpdating(true); }
    ~UpdateLock() { tree_->SetUpdating(false); }
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;

  private:
    TGtTreeModel* tree_;
};

// A depth-first walk in tree order over the children of the items on its
// stack, skipping what the walk's flags exclude; no recursion, so deep
// trees cannot exhaust the call stack.
class Walker {
  public:
    Walker(const TGtTreeModel* tree, bool visibleOnly, bool includeCollapsed)
        : filter_(visibleOnly && tree->FilteredVisibility()), includeCollapsed_(includeCollapsed) {}

    bool Skips(const TGtTreeItem* item) const { return filter_ && item->Hidden(); }
    bool Descends(const TGtTreeItem* item) const {
        return item->ChildrenCount() > 0 && (includeCollapsed_ || item->Expanded());
    }
    // Continue after the first `next` children of `parent`.
    void Push(const TGtTreeItem* parent, int next) { stack_.emplace_back(parent, next); }
    // The next item, none at the end.
    TGtTreeItem* Next() {
        while (!stack_.empty()) {
            auto& [parent, next] = stack_.back();
            if (next >= parent->ChildrenCount()) {
                stack_.pop_back();
                continue;
            }
            TGtTreeItem* item = parent->Children(next++);
            if (Skips(item)) continue;
            if (Descends(item)) Push(item, 0);
            return item;
        }
        return nullptr;
    }

  private:
    bool filter_;
    bool includeCollapsed_;
    std::vector<std::pair<const TGtTreeItem*, int>> stack_;
};

}  // namespace

TGtTreeItems::TGtTreeItems(TGtTreeModel* owner, TGtTreeItemFactory factory)
    : owner_(owner), factory_(std::move(factory)) {
    root_ = CreateItem(owner_);
    root_->items_ = this;
    root_->parent_ = nullptr;
    root_->root_ = root_.get();
    root_->CreateStaticData();
    root_->state_ = TGtTreeItem::StateBit(kStateExpanded);
}

TGtTreeItems::~TGtTreeItems() {
    if (root_) root_->DeleteChildren();
}

// ---- counting and access ----------------------------------------------------------------

int TGtTreeItems::Count() const {
    return owner_ != nullptr ? owner_->AllItems().Count() : 0;
}

TGtTreeItem* TGtTreeItems::Item(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return static_cast<TGtTreeItem*>(owner_->AllItems().Get(index));
}

TGtTreeItem* TGtTreeItems::GetVisItem(int index) const {
    if (index < 0 || index >= owner_->TotalVisible()) return nullptr;
    Walker walk(owner_, true, false);
    walk.Push(root_.get(), 0);
    for (TGtTreeItem* item = walk.Next(); item != nullptr; item = walk.Next())
        if (index-- == 0) return item;
    return nullptr;
}

int TGtTreeItems::GetVisIndex(const TGtTreeItem* item) const {
    if (item == nullptr || item->IsRoot()) return -1;
    Walker walk(owner_, true, false);
    walk.Push(root_.get(), 0);
    int index = 0;
    for (TGtTreeItem* i = walk.Next(); i != nullptr; i = walk.Next(), ++index)
        if (i == item) return index;
    return -1;
}

int TGtTreeItems::GetAbsIndex(const TGtTreeItem* item) const {
    if (item == nullptr || owner_ == nullptr) return -1;
    return owner_->AllItems().IndexOf(item);
}

// ---- adding -----------------------------------------------------------------------------

std::unique_ptr<TGtTreeItem> TGtTreeItems::CreateItem(TGtTreeModel* tree) {
    return factory_ ? factory_(tree) : std::make_unique<TGtTreeItem>(tree);
}

TGtTreeItem* TGtTreeItems::AddItem(TGtTreeItem* parent) {
    UpdateLock lock(owner_);
    TGtTreeItem* p = parent != nullptr ? parent : root_.get();
    std::unique_ptr<TGtTreeItem> item = CreateItem(owner_);
    item->items_ = this;
    TGtTreeItem* raw = item.release();
    p->AppendChild(raw);
    if (p->Expanded() && p->AllParentsExpanded()) owner_->Request(rfRowsStale);
    return raw;
}

TGtTreeItem* TGtTreeItems::InsertItem(int index, TGtTreeItem* parent) {
    TGtTreeItem* p = parent != nullptr ? parent : root_.get();
    if (index < 0 || index > p->ChildrenCount()) throw EGtTreeError(SGtItemIndexError);
    UpdateLock lock(owner_);
    std::unique_ptr<TGtTreeItem> item = CreateItem(owner_);
    item->items_ = this;
    TGtTreeItem* raw = item.release();
    p->InsertChild(index, raw);
    if (p->Expanded() && p->AllParentsExpanded()) owner_->Request(rfRowsStale);
    return raw;
}

TGtTreeItem* TGtTreeItems::ParentOf(TGtTreeItem* item) const {
    return item != nullptr ? item->StoredParent() : root_.get();
}

namespace {

TGtTreeItem* Named(TGtTreeItem* item, std::u16string_view text, void* data, bool setData) {
    item->SetText(text);
    if (setData) item->Data = data;
    return item;
}

}  // namespace

TGtTreeItem* TGtTreeItems::Add(TGtTreeItem* item, std::u16string_view text) {
    return Named(AddItem(ParentOf(item)), text, nullptr, false);
}

TGtTreeItem* TGtTreeItems::AddObject(TGtTreeItem* item, std::u16string_view text, void* data) {
    return Named(AddItem(ParentOf(item)), text, data, true);
}

TGtTreeItem* TGtTreeItems::AddFirst(TGtTreeItem* item, std::u16string_view text) {
    return Named(InsertItem(0, ParentOf(item)), text, nullptr, false);
}

TGtTreeItem* TGtTreeItems::AddObjectFirst(TGtTreeItem* item, std::u16string_view text, void* data) {
    return Named(InsertItem(0, ParentOf(item)), text, data, true);
}

TGtTreeItem* TGtTreeItems::AddChild(TGtTreeItem* item, std::u16string_view text) {
    return Named(AddItem(item), text, nullptr, false);
}

TGtTreeItem* TGtTreeItems::AddChildObject(TGtTreeItem* item, std::u16string_view text, void* data) {
    return Named(AddItem(item), text, data, true);
}

TGtTreeItem* TGtTreeItems::AddChildFirst(TGtTreeItem* item, std::u16string_view text) {
    return Named(InsertItem(0, item), text, nullptr, false);
}

TGtTreeItem* TGtTreeItems::AddChildObjectFirst(TGtTreeItem* item, std::u16string_view text,
                                               void* data) {
    return Named(InsertItem(0, item), text, data, true);
}

TGtTreeItem* TGtTreeItems::Insert(TGtTreeItem* item, std::u16string_view text) {
    TGtTreeItem* made =
        item != nullptr ? InsertItem(item->Index(), item->StoredParent()) : InsertItem(0, nullptr);
    return Named(made, text, nullptr, false);
}

TGtTreeItem* TGtTreeItems::InsertObject(TGtTreeItem* item, std::u16string_view text, void* data) {
    TGtTreeItem* made =
        item != nullptr ? InsertItem(item->Index(), item->StoredParent()) : InsertItem(0, nullptr);
    return Named(made, text, data, true);
}

TGtTreeItem* TGtTreeItems::InsertAfter(TGtTreeItem* item, std::u16string_view text) {
    TGtTreeItem* made = item != nullptr ? InsertItem(item->Index() + 1, item->StoredParent())
                                        : InsertItem(0, nullptr);
    return Named(made, text, nullptr, false);
}

TGtTreeItem* TGtTreeItems::InsertAfterObject(TGtTreeItem* item, std::u16string_view text,
                                             void* data) {
    TGtTreeItem* made = item != nullptr ? InsertItem(item->Index() + 1, item->StoredParent())
                                        : InsertItem(0, nullptr);
    return Named(made, text, data, true);
}

void TGtTreeItems::AddFromLine(int index, std::u16string_view line) {
    size_t tabs = 0;
    while (tabs < line.size() && line[tabs] == u'\t') ++tabs;
    int level = static_cast<int>(std::min<size_t>(tabs, 1u << 30));
    TGtTreeItem* previous = Item(index - 1);
    TGtTreeItem* parent = nullptr;
    if (previous != nullptr) {
        const int previousLevel = previous->Level();
        if (level > previousLevel + 1) level = previousLevel + 1;
        if (level == previousLevel + 1) {
            parent = previous;
        } else if (level == previousLevel) {
            parent = previous->Parent();
        } else {
            TGtTreeItem* ancestor = previous;
            while (ancestor != nullptr && ancestor->Level() > level) ancestor = ancestor->Parent();
            parent = ancestor != nullptr ? ancestor->Parent() : nullptr;
        }
    }
    TGtTreeItem* item = AddItem(parent);
    std::u16string_view rest = line.substr(tabs);
    for (int field = 0;; ++field) {
        const size_t tab = rest.find(u'\t');
        const std::u16string_view text = rest.substr(0, tab);
        if ((field == 0 && !owner_->ShowColumns()) || field == owner_->MainTreeColumn())
            item->SetText(text);
        else if (TGtWideStringList* columns = item->ColumnText())
            columns->Add(text);
        if (tab == std::u16string_view::npos) break;
        rest = rest.substr(tab + 1);
    }
}

// ---- deleting ---------------------------------------------------------------------------

void TGtTreeItems::DeleteItem(TGtTreeItem* item) {
    if (item == nullptr || item->IsRoot()) return;
    UpdateLock lock(owner_);
    TGtTreeItem* parent = item->StoredParent();
    parent->DeleteChild(item);
    if (parent->Expanded() && parent->AllParentsExpanded())
        owner_->Request(rfRowsStale | rfCountStale | rfRepaintAll);
}

void TGtTreeItems::Clear() {
    UpdateLock lock(owner_);
    owner_->SetItemFocused(nullptr);
    if (TGtTreeDisplay* view = owner_->Display()) view->ClearDisplayedRows();
    const bool hadItems = Count() > 0;
    root_->DeleteChildren();
    owner_->Request(rfContentWidth);
    if (hadItems) owner_->Request(rfRowsStale | rfCountStale | rfRepaintAll);
}

void TGtTreeItems::BeginUpdate() {
    owner_->SetUpdating(true);
}

void TGtTreeItems::EndUpdate() {
    owner_->SetUpdating(false);
}

// ---- walks ------------------------------------------------------------------------------

void TGtTreeItems::IterateAll(bool visibleOnly, bool includeCollapsed, const TGtIterateProc& proc,
                              void* data) const {
    Iterate(visibleOnly, includeCollapsed, proc, data, nullptr);
}

void TGtTreeItems::Iterate(bool visibleOnly, bool includeCollapsed, const TGtIterateProc& proc,
                           void* data, TGtTreeItem* startFrom) const {
    Walker walk(owner_, visibleOnly, includeCollapsed);
    int index = 0;
    bool go = true;
    if (startFrom == nullptr || startFrom->IsRoot()) {
        walk.Push(root_.get(), 0);
    } else {
        // Down the path of the ancestors without reporting them, leaving a
        // continuation after each one.
        std::vector<TGtTreeItem*> path;
        for (TGtTreeItem* p = startFrom; p != nullptr && !p->IsRoot(); p = p->StoredParent())
            path.push_back(p);
        TGtTreeItem* parent = root_.get();
        for (size_t i = path.size(); i-- > 0;) {
            TGtTreeItem* step = path[i];
            walk.Push(parent, step->Index() + 1);
            if (step == startFrom) break;
            ++index;
            if (walk.Skips(step) || !walk.Descends(step)) return;
            parent = step;
        }
        if (!walk.Skips(startFrom)) {
            proc(startFrom, index++, go, data, owner_);
            if (!go) return;
            if (walk.Descends(startFrom)) walk.Push(startFrom, 0);
        }
    }
    for (TGtTreeItem* item = walk.Next(); item != nullptr; item = walk.Next()) {
        proc(item, index++, go, data, owner_);
        if (!go) return;
    }
}

void TGtTreeItems::IterateBackAll(bool visibleOnly, bool includeCollapsed,
                                  const TGtIterateProc& proc, void* data) const {
    IterateBack(visibleOnly, includeCollapsed, proc, data, nullptr);
}

void TGtTreeItems::IterateBack(bool visibleOnly, bool includeCollapsed, const TGtIterateProc& proc,
                               void* data, TGtTreeItem* startFrom) const {
    // The forward walk up to StartFrom (whose subtree is left out), then
    // backwards.
    std::vector<TGtTreeItem*> order;
    bool found = startFrom == nullptr;
    Iterate(
        visibleOnly, includeCollapsed,
        [&](TGtTreeItem* item, int, bool& go, void*, TGtTreeModel*) {
            order.push_back(item);
            if (item == startFrom) {
                found = true;
                go = false;
            }
        },
        nullptr, nullptr);
    if (!found) return;
    int index = startFrom == nullptr ? (visibleOnly ? owner_->TotalVisible() : Count())
                                     : static_cast<int>(order.size());
    bool go = true;
    for (size_t i = order.size(); i-- > 0;) {
        proc(order[i], --index, go, data, owner_);
        if (!go) return;
    }
}

TGtTreeItem* TGtTreeItems::LookForItem(TGtTreeItem* startItem, std::u16string_view text,
                                       void* dataToFind, int column, bool lookForData,
                                       bool checkStartItem, bool subItemsOnly, bool visibleOnly,
                                       bool noCase) const {
    TGtTreeItem* found = nullptr;
    Iterate(
        visibleOnly, !visibleOnly,
        [&](TGtTreeItem* item, int, bool& go, void*, TGtTreeModel*) {
            if (item == startItem && !checkStartItem) return;
            if (subItemsOnly && !item->IsUnder(startItem)) {
                go = false;
                return;
            }
            bool match;
            if (lookForData) {
                match = item->Data == dataToFind;
            } else {
                const std::u16string cell = item->CellText(column);
                match = noCase ? SameTextWide(cell, text) : cell == text;
            }
            if (match) {
                found = item;
                go = false;
            }
        },
        nullptr, startItem);
    return found;
}

TGtTreeItem* TGtTreeItems::LookForItemEx(TGtTreeItem* startItem, bool checkStartItem,
                                         bool subItemsOnly, bool visibleOnly, bool includeCollapsed,
                                         void* searchDetails,
                                         const TGtCompareProc& compareProc) const {
    TGtTreeItem* found = nullptr;
    Iterate(
        visibleOnly, includeCollapsed,
        [&](TGtTreeItem* item, int, bool& go, void*, TGtTreeModel*) {
            if (item == startItem && !checkStartItem) return;
            if (subItemsOnly && !item->IsUnder(startItem)) {
                go = false;
                return;
            }
            if (compareProc(item, searchDetails)) {
                found = item;
                go = false;
            }
        },
        nullptr, startItem);
    return found;
}

// ---- copying and streams ----------------------------------------------------------------

void TGtTreeItems::Assign(const runtime::TPersistent* source) {
    if (const auto* items = dynamic_cast<const TGtTreeItems*>(source)) {
        if (items == this) return;
        UpdateLock lock(owner_);
        root_->Assign(items->root_.get());
        owner_->Request(rfRowsStale | rfCountStale | rfContentWidth | rfRepaintAll);
        return;
    }
    if (const auto* wide = dynamic_cast<const TGtWideStrings*>(source)) {
        AssignLines(*wide);
        return;
    }
    if (const auto* strings = dynamic_cast<const runtime::TStrings*>(source)) {
        Assign(*strings);
        return;
    }
    TPersistent::Assign(source);
}

void TGtTreeItems::Assign(const runtime::TStrings& source) {
    TGtWideStringList lines;
    for (int i = 0; i < source.Count(); ++i) lines.Add(runtime::AnsiToWide(source.Strings(i)));
    AssignLines(lines);
}

void TGtTreeItems::AssignLines(const TGtWideStrings& lines) {
    UpdateLock lock(owner_);
    Clear();
    for (int i = 0; i < lines.Count(); ++i) AddFromLine(i, lines.Strings(i));
}

void TGtTreeItems::DefineProperties(runtime::TFiler& filer) {
    filer.DefineBinaryProperty(
        "Data", [this](runtime::TStream& stream) { LoadFromStream(stream); },
        [this](runtime::TStream& stream) { SaveToStream(stream); }, Count() > 0);
}

void TGtTreeItems::SaveToStream(runtime::TStream& stream) {
    root_->WriteData(stream);
}

void TGtTreeItems::LoadFromStream(runtime::TStream& stream) {
    UpdateLock lock(owner_);
    Clear();
    struct Refresh {
        TGtTreeModel* tree;
        ~Refresh() { tree->Request(rfContentWidth | rfRowsStale | rfCountStale | rfRepaintAll); }
    } refresh{owner_};
    root_->ReadData(stream);
}

}  // namespace controls::tree
