#include "runtime/list.h"

#include <algorithm>
#include <utility>

#include "runtime/exceptions.h"
#include "runtime/format.h"

namespace runtime {

namespace {

// One partition step after another, as the class library's quicksort does
// them (middle element as pivot, the pivot's position followed through the
// exchanges), so equal elements end in the same order. The scans are kept
// inside [l, r] and each side is made strictly smaller than [l, r]; with a
// consistent comparison neither guard ever changes a step. The smaller side
// is sorted by recursion and the larger by the loop, which bounds the depth;
// the two sides are independent, so the order of the work does not change
// the result.
void sortRange(int l, int r, const std::function<int(int, int)>& compare,
               const std::function<void(int, int)>& exchange) {
    while (l < r) {
        int i = l;
        int j = r;
        int p = l + (r - l) / 2;
        do {
            while (i <= r && compare(i, p) < 0) ++i;
            while (j >= l && compare(j, p) > 0) --j;
            if (i <= j) {
                if (i != j) exchange(i, j);
                if (p == i) {
                    p = j;
                } else if (p == j) {
                    p = i;
                }
                ++i;
                --j;
            }
        } while (i <= j);
        j = std::min(j, r - 1);
        i = std::max(i, l + 1);
        if (j - l < r - i) {
            sortRange(l, j, compare, exchange);
            l = i;
        } else {
            sortRange(i, r, compare, exchange);
            r = j;
        }
    }
}

}  // namespace

void ListQuickSort(int count, const std::function<int(int, int)>& compare,
                   const std::function<void(int, int)>& exchange) {
    if (count > 1) sortRange(0, count - 1, compare, exchange);
}

TList::~TList() {
    // Only the base Notify runs here: owning subclasses clear in their own
    // destructor (see the header).
    Clear();
}

void TList::Error(const char* msg, int data) {
    throw EListError(Format(msg, {data}));
}

void TList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) Error(SListIndexError, index);
}

int ListGrowDelta(int capacity) {
    if (capacity > 64) return capacity / 4;
    if (capacity > 8) return 16;
    return 4;
}

void TList::Grow() {
    SetCapacity(capacity_ + ListGrowDelta(capacity_));
}

TList& TList::Expand() {
    if (Count() == capacity_) Grow();
    return *this;
}

int TList::Add(void* item) {
    if (item != nullptr) CheckInsert(item);
    const int index = Count();
    if (index == capacity_) Grow();
    items_.push_back(item);
    if (item != nullptr) Notify(item, lnAdded);
    return index;
}

void TList::Insert(int index, void* item) {
    if (index < 0 || index > Count()) Error(SListIndexError, index);
    if (item != nullptr) CheckInsert(item);
    if (Count() == capacity_) Grow();
    items_.insert(items_.begin() + index, item);
    if (item != nullptr) Notify(item, lnAdded);
}

void TList::Delete(int index) {
    CheckIndex(index);
    void* item = items_[index];
    items_.erase(items_.begin() + index);
    if (item != nullptr) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
    const int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

int TList::IndexOf(void* item) const {
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void* TList::Extract(void* item) {
    const int index = IndexOf(item);
    if (index < 0) return nullptr;
    items_.erase(items_.begin() + index);
    if (item != nullptr) Notify(item, lnExtracted);
    return item;
}

void TList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(items_[index1], items_[index2]);
}

void TList::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    if (newIndex < 0 || newIndex >= Count()) Error(SListIndexError, newIndex);
    CheckIndex(curIndex);
    const auto cur = items_.begin() + curIndex;
    const auto target = items_.begin() + newIndex;
    if (curIndex < newIndex) {
        std::rotate(cur, cur + 1, target + 1);
    } else {
        std::rotate(target, cur, cur + 1);
    }
}

void TList::Sort(const TListSortCompare& compare) {
    ListQuickSort(
        Count(), [&](int i, int j) { return compare(items_[i], items_[j]); },
        [&](int i, int j) { std::swap(items_[i], items_[j]); });
}

void TList::Clear() {
    SetCount(0);
    SetCapacity(0);
}

void TList::Pack() {
    for (int i = Count() - 1; i >= 0; --i) {
        if (items_[i] == nullptr) Delete(i);
    }
}

void TList::SetCapacity(int newCapacity) {
    if (newCapacity < Count() || newCapacity > MaxListSize) {
        Error(SListCapacityError, newCapacity);
    }
    if (newCapacity == capacity_) return;
    if (newCapacity > capacity_) {
        items_.reserve(static_cast<size_t>(newCapacity));
    } else if (newCapacity == 0) {
        std::vector<void*>().swap(items_);
    }
    capacity_ = newCapacity;
}

void TList::SetCount(int newCount) {
    if (newCount < 0 || newCount > MaxListSize) Error(SListCountError, newCount);
    if (newCount > capacity_) SetCapacity(newCount);
    if (newCount > Count()) {
        items_.resize(static_cast<size_t>(newCount), nullptr);
    } else {
        // Last to first, each through Delete so that owners free the items.
        for (int i = Count() - 1; i >= newCount; --i) Delete(i);
    }
}

void* TList::Items(int index) const {
    CheckIndex(index);
    return items_[index];
}

void TList::SetItems(int index, void* item) {
    CheckIndex(index);
    void* old = items_[index];
    if (item == old) return;
    if (item != nullptr) CheckInsert(item);
    items_[index] = item;
    if (old != nullptr) Notify(old, lnDeleted);
    if (item != nullptr) Notify(item, lnAdded);
}

void TList::Notify(void*, TListNotification) {}

void TList::CheckInsert(void*) const {}

}  // namespace runtime
