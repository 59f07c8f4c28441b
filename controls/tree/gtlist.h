#pragma once

// TGtList and TGtStack: the tree family's containers of untyped pointers.
//
// TGtList is an indexable list with an optional per-item delete
// notification (OnDelete) and optional ownership of its items
// (AutoFreeItems). Its Capacity grows by min(2 * Count + 1, 1280) slots and
// halves after a removal that leaves it less than half full; the slot array
// behind it doubles when it must grow, so a long list does not move its
// slots every 1,280 additions.
//
// Ownership: with AutoFreeItems on, every item must be a runtime::TObject
// (or null). An item is destroyed when Delete, Put or Clear takes its LAST
// slot out of the list: a pointer stored twice is destroyed once, when no
// slot holds it any more, so an owning list never frees an item twice and
// never keeps a freed pointer. Remove and DeleteRange never destroy.
//
// TGtStack is a last-in-first-out stack of pointers for depth-first walks.

#include <cstdint>
#include <functional>
#include <memory>

#include "controls/tree/errors.h"
#include "runtime/persistent.h"

namespace controls::tree {

// The largest capacity and count either container accepts.
inline constexpr int kGtMaxListSize = 134217727;

class TGtList;
using TGtListDeleteEvent = std::function<void(TGtList* sender, void* item)>;

class TGtList : public runtime::TPersistent {
    RUNTIME_CLASS(TGtList)

  public:
    TGtList() = default;
    // Clear: notifications and, with AutoFreeItems, the items' destruction.
    ~TGtList() override;

    int Add(void* item);
    void Insert(int index, void* item);
    virtual void* Get(int index) const;
    void* FastGet(int index) const;
    virtual void Put(int index, void* item);
    void* First() const;
    // nullptr for an empty list.
    void* Last() const { return count_ > 0 ? slots_[count_ - 1] : nullptr; }
    int IndexOf(const void* item) const;
    int IndexOfFrom(int start, const void* item) const;
    int IndexOfBack(int start, const void* item) const;
    int Remove(void* item);
    virtual void Delete(int index);
    virtual void DeleteRange(int start, int end);
    virtual void Clear();
    void Move(int curIndex, int newIndex);
    void MoveRange(int first, int last, int target);
    void SetCapacity(int capacity);
    void SetCount(int count);

    int Count() const { return count_; }
    int Capacity() const { return capacity_; }
    // The slots (nullptr when Capacity is 0): read-only access for fast walks.
    void* const* Slots() const { return slots_.get(); }

    bool AutoFreeItems() const { return autoFreeItems_; }
    void SetAutoFreeItems(bool value) { autoFreeItems_ = value; }

    void Assign(const runtime::TPersistent* source) override;

    TGtListDeleteEvent OnDelete;

    [[noreturn]] static void IndexError(int index);

  protected:
    virtual void TriggerDelete(void* item);
    virtual void Grow();

  private:
    void CheckIndex(int index) const;
    // Sets Capacity; `growing` lets the slot array grow ahead of it.
    void Reallocate(int capacity, bool growing = false);
    void ShrinkAfterRemoval();
    // Destroys an item that no slot holds any more; failures are swallowed.
    void DestroyIfUnowned(void* item);

    std::unique_ptr<void*[]> slots_;
    int count_ = 0;
    int capacity_ = 0;
    int storage_ = 0;  // slots allocated, at least Capacity
    bool autoFreeItems_ = false;
};

class TGtStack : public runtime::TObject {
  public:
    TGtStack() = default;

    void Push(void* item);
    void* Pop();
    void SetCapacity(int capacity);

    int Count() const { return count_; }
    int Capacity() const { return capacity_; }

  private:
    void Grow();

    std::unique_ptr<void*[]> list_;
    int count_ = 0;
    int capacity_ = 0;
};

}  // namespace controls::tree
