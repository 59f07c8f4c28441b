#include "controls/tree/gtlist.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/format.h"
#include "runtime/properties.h"

namespace controls::tree {

RUNTIME_BEGIN_CLASS(TGtList, runtime::TPersistent)
RUNTIME_END_CLASS

namespace {

constexpr int kMaxListGrowth = 1280;

void DestroyObject(void* item) {
    try {
        delete static_cast<runtime::TObject*>(item);
    } catch (...) {
        // An owned item that fails while being destroyed must not stop the
        // list from finishing its own operation.
    }
}

}  // namespace

void TGtList::IndexError(int index) {
    throw EGtListError(runtime::Format(SGtListIndexError, {index}));
}

TGtList::~TGtList() {
    TGtList::Clear();
}

void TGtList::CheckIndex(int index) const {
    if (index < 0 || index >= count_) IndexError(index);
}

void TGtList::Reallocate(int capacity, bool growing) {
    capacity_ = capacity;
    if (capacity == 0) {
        slots_.reset();
        storage_ = 0;
        return;
    }
    // The capacity past 1,093 slots rises by 1,280 at a time; moving the
    // slots at every step copied a large list over and over (a quadratic
    // cost that showed in every fill of many rows). The array behind it
    // doubles instead, so that Capacity keeps its rule and the slots move
    // rarely; it follows the capacity down once that is half of it or less.
    int storage = storage_;
    if (capacity > storage_)
        storage = growing ? static_cast<int>(std::min<int64_t>(
                                std::max<int64_t>(capacity, int64_t{2} * storage_), kGtMaxListSize))
                          : capacity;
    else if (capacity <= storage_ / 2)
        storage = capacity;
    if (storage == storage_) return;
    // Slots past Count are never read: left unset, a grown array is not
    // written twice (the zero fill showed in every large fill).
    std::unique_ptr<void*[]> slots(new void*[static_cast<size_t>(storage)]);
    if (count_ > 0) std::memcpy(slots.get(), slots_.get(), sizeof(void*) * count_);
    slots_ = std::move(slots);
    storage_ = storage;
}

void TGtList::Grow() {
    Reallocate(capacity_ + std::min(2 * count_ + 1, kMaxListGrowth), true);
}

void TGtList::ShrinkAfterRemoval() {
    if (count_ < capacity_ / 2) Reallocate(capacity_ / 2);
}

void TGtList::DestroyIfUnowned(void* item) {
    if (item == nullptr || IndexOf(item) >= 0) return;
    DestroyObject(item);
}

int TGtList::Add(void* item) {
    if (count_ == capacity_) Grow();
    slots_[count_] = item;
    return count_++;
}

void TGtList::Insert(int index, void* item) {
    if (index < 0 || index > count_) IndexError(index);
    if (count_ == capacity_) Grow();
    void** s = slots_.get();
    std::memmove(s + index + 1, s + index, sizeof(void*) * (count_ - index));
    s[index] = item;
    ++count_;
}

void* TGtList::Get(int index) const {
    CheckIndex(index);
    return slots_[index];
}

void* TGtList::FastGet(int index) const {
    CheckIndex(index);
    return slots_[index];
}

void TGtList::Put(int index, void* item) {
    CheckIndex(index);
    void* old = slots_[index];
    if (old == item) return;
    slots_[index] = item;
    if (old != nullptr) {
        TriggerDelete(old);
        if (autoFreeItems_) DestroyIfUnowned(old);
    }
}

void* TGtList::First() const {
    CheckIndex(0);
    return slots_[0];
}

int TGtList::IndexOf(const void* item) const {
    for (int i = 0; i < count_; ++i)
        if (slots_[i] == item) return i;
    return -1;
}

int TGtList::IndexOfFrom(int start, const void* item) const {
    CheckIndex(start);
    for (int i = start; i < count_; ++i)
        if (slots_[i] == item) return i;
    return -1;
}

int TGtList::IndexOfBack(int start, const void* item) const {
    CheckIndex(start);
    for (int i = start; i >= 0; --i)
        if (slots_[i] == item) return i;
    return -1;
}

int TGtList::Remove(void* item) {
    const int index = IndexOf(item);
    if (index < 0) return -1;
    if (item != nullptr) TriggerDelete(item);
    void** s = slots_.get();
    std::memmove(s + index, s + index + 1, sizeof(void*) * (count_ - index - 1));
    --count_;
    ShrinkAfterRemoval();
    return index;
}

void TGtList::Delete(int index) {
    CheckIndex(index);
    void* item = slots_[index];
    void** s = slots_.get();
    std::memmove(s + index, s + index + 1, sizeof(void*) * (count_ - index - 1));
    --count_;
    if (item != nullptr) {
        TriggerDelete(item);
        if (autoFreeItems_) DestroyIfUnowned(item);
    }
    ShrinkAfterRemoval();
}

void TGtList::DeleteRange(int start, int end) {
    CheckIndex(start);
    CheckIndex(end);
    if (end < start) IndexError(end);
    for (int i = start; i <= end; ++i)
        if (slots_[i] != nullptr) TriggerDelete(slots_[i]);
    void** s = slots_.get();
    std::memmove(s + start, s + end + 1, sizeof(void*) * (count_ - end - 1));
    count_ -= end - start + 1;
    ShrinkAfterRemoval();
}

void TGtList::Clear() {
    for (int i = 0; i < count_; ++i)
        if (slots_[i] != nullptr) TriggerDelete(slots_[i]);
    if (autoFreeItems_ && count_ > 0) {
        // Each distinct item once, however many slots hold it.
        std::vector<void*> items(slots_.get(), slots_.get() + count_);
        std::sort(items.begin(), items.end());
        items.erase(std::unique(items.begin(), items.end()), items.end());
        count_ = 0;
        for (void* item : items)
            if (item != nullptr) DestroyObject(item);
    }
    count_ = 0;
    Reallocate(0);
}

void TGtList::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    void** s = slots_.get();
    void* item = s[curIndex];
    if (curIndex < newIndex)
        std::memmove(s + curIndex, s + curIndex + 1, sizeof(void*) * (newIndex - curIndex));
    else
        std::memmove(s + newIndex + 1, s + newIndex, sizeof(void*) * (curIndex - newIndex));
    s[newIndex] = item;
}

void TGtList::MoveRange(int first, int last, int target) {
    if (target == first) return;
    CheckIndex(first);
    CheckIndex(last);
    CheckIndex(target);
    if (target >= first && target <= last) IndexError(target);
    if (last < first) IndexError(last);
    void** s = slots_.get();
    if (target < first)
        std::rotate(s + target, s + first, s + last + 1);
    else
        std::rotate(s + first, s + last + 1, s + target);
}

void TGtList::SetCapacity(int capacity) {
    if (capacity < count_ || capacity > kGtMaxListSize) IndexError(capacity);
    Reallocate(capacity);
}

void TGtList::SetCount(int count) {
    if (count < 0 || count > kGtMaxListSize) IndexError(count);
    if (count > capacity_) Reallocate(count);
    for (int i = count_; i < count; ++i) slots_[i] = nullptr;
    count_ = count;
}

void TGtList::Assign(const runtime::TPersistent* source) {
    if (const auto* list = dynamic_cast<const TGtList*>(source)) {
        if (list == this) return;
        Clear();
        SetCapacity(list->capacity_);
        SetCount(list->count_);
        if (list->count_ > 0)
            std::memcpy(slots_.get(), list->slots_.get(), sizeof(void*) * list->count_);
        return;
    }
    TPersistent::Assign(source);
}

void TGtList::TriggerDelete(void* item) {
    if (OnDelete) OnDelete(this, item);
}

// ---- TGtStack -------------------------------------------------------------------------

void TGtStack::Grow() {
    const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
    SetCapacity(capacity_ + delta);
}

void TGtStack::Push(void* item) {
    if (count_ == capacity_) Grow();
    list_[count_++] = item;
}

void* TGtStack::Pop() {
    if (count_ == 0) throw EGtStackError(SGtStackEmpty);
    void* item = list_[--count_];
    if (capacity_ / 2 > count_) SetCapacity(capacity_ / 2);
    return item;
}

void TGtStack::SetCapacity(int capacity) {
    if (capacity < count_ || capacity > kGtMaxListSize) throw EGtStackError(SGtStackCapacity);
    if (capacity == capacity_) return;
    std::unique_ptr<void*[]> list;
    if (capacity > 0) {
        list = std::make_unique<void*[]>(static_cast<size_t>(capacity));
        if (count_ > 0) std::memcpy(list.get(), list_.get(), sizeof(void*) * count_);
    }
    list_ = std::move(list);
    capacity_ = capacity;
}

}  // namespace controls::tree
