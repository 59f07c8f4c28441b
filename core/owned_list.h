#pragma once

// An ordered list (index from 0) that owns its items and frees them last to
// first, the order in which the project's lists give their items up.

#include <memory>
#include <utility>
#include <vector>

#include "runtime/list.h"

namespace core {

template <class T>
class TOwnedList {
  public:
    TOwnedList() = default;
    ~TOwnedList() { Clear(); }
    TOwnedList(const TOwnedList&) = delete;
    TOwnedList& operator=(const TOwnedList&) = delete;

    [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
    // EListError for an index out of range.
    [[nodiscard]] T* Items(int index) const {
        CheckIndex(index);
        return items_[static_cast<size_t>(index)].get();
    }

    // Appends; returns the item, which the list now owns.
    T& Add(std::unique_ptr<T> item) {
        items_.push_back(std::move(item));
        return *items_.back();
    }
    // Removes the item at `index` and frees it.
    void Delete(int index) {
        CheckIndex(index);
        std::unique_ptr<T> item = std::move(items_[static_cast<size_t>(index)]);
        items_.erase(items_.begin() + index);
    }
    // Frees every item, last to first. An item being freed is no longer in
    // the list.
    void Clear() {
        while (!items_.empty()) {
            std::unique_ptr<T> item = std::move(items_.back());
            items_.pop_back();
        }
    }

  private:
    void CheckIndex(int index) const {
        if (index < 0 || index >= Count()) runtime::TList::Error(runtime::SListIndexError, index);
    }

    std::vector<std::unique_ptr<T>> items_;
};

}  // namespace core
