#pragma once

// TList: the class library's list of untyped pointers.
//
// Owning lists derive from it and free their items in Notify(item,
// lnDeleted). Every removal goes through Notify after the item has left the
// list, so Notify may free it:
//   Delete(i)          lnDeleted for the item at i
//   Remove(item)       lnDeleted (through Delete)
//   SetItems(i, item)  lnDeleted for the old item, then lnAdded for the new
//   SetCount(n)        lnDeleted for each dropped item, last to first
//   Clear()            SetCount(0): lnDeleted for every item, LAST TO FIRST
//   Extract(item)      lnExtracted (the caller takes the item back)
//   Add/Insert         lnAdded
// Null items are stored but never notified. Before a non-null item enters
// (Add, Insert, SetItems) CheckInsert runs: an owning list refuses there an
// item it could not free, and the list stays as it was.
//
// C++ runs the base class's Notify while ~TList runs, so a subclass whose
// Notify frees items must call Clear() in its own destructor.

#include <functional>
#include <vector>

#include "runtime/object.h"

namespace runtime {

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Messages of EListError; "%d" is the offending index, capacity or count.
inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SListCapacityError = "List capacity out of bounds (%d)";
inline constexpr const char* SListCountError = "List count out of bounds (%d)";

// The largest count and capacity a list accepts (the class library's
// MaxListSize); larger values raise EListError.
inline constexpr int MaxListSize = 0x7FFFFFF;

// How many items a full list of `capacity` grows by: the class library's
// steps, 4 while small, 16 up to 64, then a quarter.
int ListGrowDelta(int capacity);

// <0, 0 or >0 as item1 sorts before, with or after item2.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

// The class library's quicksort over positions 0..count-1: compare(i, j)
// orders the elements at two positions, exchange(i, j) swaps them. Shared
// by the lists so that equal elements end up in the same order as the class
// library leaves them. A comparison that is not a consistent order yields
// some order, never an out-of-range position.
void ListQuickSort(int count, const std::function<int(int, int)>& compare,
                   const std::function<void(int, int)>& exchange);

class TList : public TObject {
  public:
    TList() = default;
    ~TList() override;

    // Appends; returns the new index.
    int Add(void* item);
    // index in 0..Count.
    void Insert(int index, void* item);
    void Delete(int index);
    // Deletes the first occurrence; returns its former index or -1.
    int Remove(void* item);
    [[nodiscard]] int IndexOf(void* item) const;
    // Takes the first occurrence out without freeing it; returns the item, or
    // nullptr when it is not in the list.
    void* Extract(void* item);
    void Exchange(int index1, int index2);
    // Moves the item at curIndex so that it ends at newIndex (both 0..Count-1).
    void Move(int curIndex, int newIndex);
    void Sort(const TListSortCompare& compare);
    virtual void Clear();
    // Deletes every null item.
    void Pack();
    // Grows the capacity when the list is full.
    TList& Expand();

    [[nodiscard]] void* First() const { return Items(0); }
    [[nodiscard]] void* Last() const { return Items(Count() - 1); }

    [[nodiscard]] int Capacity() const { return capacity_; }
    void SetCapacity(int newCapacity);
    [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
    // Growing appends null items; shrinking deletes items from the end.
    void SetCount(int newCount);
    [[nodiscard]] void* Items(int index) const;
    void SetItems(int index, void* item);

    // Raises EListError with `msg` formatted with `data`.
    [[noreturn]] static void Error(const char* msg, int data);

  protected:
    virtual void Notify(void* ptr, TListNotification action);
    // Raises to keep `item` out of the list; nothing in the base.
    virtual void CheckInsert(void* item) const;

  private:
    void Grow();
    void CheckIndex(int index) const;

    std::vector<void*> items_;
    // The class library's capacity: grows in its steps and is reported by
    // Capacity(); the vector's own reserve follows it.
    int capacity_ = 0;
};

}  // namespace runtime
