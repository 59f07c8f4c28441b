#include "runtime/collection.h"

#include <algorithm>
#include <utility>

#include "runtime/list.h"

namespace runtime {

// ---- TCollectionItem ----------------------------------------------------------

int TCollectionItem::Index() const {
    return collection_ == nullptr ? -1 : collection_->IndexOfItem(this);
}

void TCollectionItem::SetIndex(int value) {
    const int current = Index();
    if (current < 0 || current == value) return;
    collection_->MoveItem(current, value);
    Changed(true);
}

void TCollectionItem::Changed(bool allItems) {
    if (collection_ != nullptr && collection_->updateCount_ == 0) {
        collection_->Update(allItems ? nullptr : this);
    }
}

// ---- TCollection --------------------------------------------------------------

TCollection::TCollection(ItemFactory itemFactory) : itemFactory_(std::move(itemFactory)) {}

TCollection::~TCollection() {
    updateCount_ = 1;
    Clear();
}

TCollectionItem* TCollection::Add() {
    std::unique_ptr<TCollectionItem> owned = itemFactory_(*this);
    TCollectionItem* item = owned.get();
    items_.push_back(std::move(owned));
    item->collection_ = this;
    item->id_ = nextId_++;
    Notify(item, cnAdded);
    Changed();
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    if (index < 0 || index > Count()) TList::Error(SListIndexError, index);
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) {
    TCollectionItem* item = Items(index);
    Notify(item, cnDeleting);
    Notify(item, cnExtracting);
    // Found again: the hooks may have moved it.
    const int at = IndexOfItem(item);
    if (at < 0) return;
    std::unique_ptr<TCollectionItem> owned = std::move(items_[at]);
    items_.erase(items_.begin() + at);
    owned->collection_ = nullptr;
    owned.reset();
    Changed();
}

void TCollection::RemoveLast() {
    TCollectionItem* item = items_.back().get();
    Notify(item, cnExtracting);
    const int at = IndexOfItem(item);
    if (at < 0) return;
    std::unique_ptr<TCollectionItem> owned = std::move(items_[at]);
    items_.erase(items_.begin() + at);
    owned->collection_ = nullptr;
}

void TCollection::Assign(const TPersistent* persistent) {
    const auto* source = dynamic_cast<const TCollection*>(persistent);
    if (source == nullptr) {
        TPersistent::Assign(persistent);
        return;
    }
    if (source == this) return;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < source->Count(); ++i) Add()->Assign(source->Items(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    try {
        while (!items_.empty()) RemoveLast();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::BeginUpdate() {
    ++updateCount_;
}

void TCollection::EndUpdate() {
    if (updateCount_ == 0) return;
    --updateCount_;
    Changed();
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) TList::Error(SListIndexError, index);
    return items_[index].get();
}

TCollectionItem* TCollection::FindItemID(int id) const {
    for (const auto& item : items_) {
        if (item->id_ == id) return item.get();
    }
    return nullptr;
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Changed() {
    if (updateCount_ == 0) Update(nullptr);
}

int TCollection::IndexOfItem(const TCollectionItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == item) return static_cast<int>(i);
    }
    return -1;
}

void TCollection::MoveItem(int curIndex, int newIndex) {
    if (newIndex < 0 || newIndex >= Count()) TList::Error(SListIndexError, newIndex);
    const auto cur = items_.begin() + curIndex;
    const auto target = items_.begin() + newIndex;
    if (curIndex < newIndex) {
        std::rotate(cur, cur + 1, target + 1);
    } else {
        std::rotate(target, cur, cur + 1);
    }
}

}  // namespace runtime
