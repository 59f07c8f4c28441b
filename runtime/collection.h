#pragma once

// TCollection and TCollectionItem: a list of items that the collection
// creates (through its item factory), owns and frees.
//
// Hooks, in the order they run:
//   Add/Insert  the item enters the list with its ID; Notify(item, cnAdded);
//               Update(nullptr)
//   Delete(i)   Notify(item, cnDeleting); Notify(item, cnExtracting); the
//               item leaves the list and is destroyed; Update(nullptr)
//   Clear()     inside BeginUpdate/EndUpdate, last item to first:
//               Notify(item, cnExtracting), the item destroyed; then
//               Update(nullptr) once at EndUpdate
//   item Index  the item moves; Update(nullptr)
// Update runs only while no BeginUpdate is open; EndUpdate runs it once
// when the outermost update ends. C++ runs the base class's hooks while
// ~TCollection frees the items.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/object.h"
#include "runtime/persistent.h"

namespace runtime {

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// Item classes that hold data implement Assign; the base knows no data and
// raises the assign error of TPersistent.
class TCollectionItem : public TPersistent {
  public:
    TCollectionItem() = default;
    ~TCollectionItem() override = default;

    // The library classes' information (runtime/libraryclasses.cpp), not
    // TPersistent's.
    const TClassInfo& ClassInfo() const override { return TObject::ClassInfo(); }

    // The collection holding the item (null until it is added).
    [[nodiscard]] TCollection* Collection() const { return collection_; }
    // Unique within its collection: 0, 1, 2, ... in the order of creation.
    [[nodiscard]] int ID() const { return id_; }
    // The position in the collection, -1 outside one.
    [[nodiscard]] int Index() const;
    // Moves the item to `value` (0..Count-1; EListError otherwise).
    virtual void SetIndex(int value);

  protected:
    // Tells the collection that this item (or, with allItems, every item)
    // changed: its Update runs unless an update is open.
    void Changed(bool allItems);

  private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

class TCollection : public TPersistent {
  public:
    // Makes one new item for `collection` (the class library's item class).
    using ItemFactory = std::function<std::unique_ptr<TCollectionItem>(TCollection& collection)>;

    explicit TCollection(ItemFactory itemFactory);
    ~TCollection() override;

    const TClassInfo& ClassInfo() const override { return TObject::ClassInfo(); }

    // From another TCollection: inside one update, clears this collection,
    // then adds one item per source item and assigns the source item to it.
    // Other sources as TPersistent::Assign.
    void Assign(const TPersistent* source) override;

    TCollectionItem* Add();
    // index in 0..Count; checked before the item is made.
    TCollectionItem* Insert(int index);
    void Delete(int index);
    virtual void Clear();
    virtual void BeginUpdate();
    virtual void EndUpdate();

    [[nodiscard]] int Count() const { return static_cast<int>(items_.size()); }
    // EListError "List index out of bounds (%d)" outside 0..Count-1.
    [[nodiscard]] TCollectionItem* Items(int index) const;
    // The item with this ID, or null.
    [[nodiscard]] TCollectionItem* FindItemID(int id) const;

  protected:
    // `item` changed, or every item when it is null.
    virtual void Update(TCollectionItem* item);
    virtual void Notify(TCollectionItem* item, TCollectionNotification action);
    // Update(nullptr) unless an update is open.
    void Changed();
    [[nodiscard]] int UpdateCount() const { return updateCount_; }

  private:
    friend class TCollectionItem;

    int IndexOfItem(const TCollectionItem* item) const;
    void MoveItem(int curIndex, int newIndex);
    // Takes the last item out of the list (cnExtracting) and destroys it.
    void RemoveLast();

    ItemFactory itemFactory_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
    int nextId_ = 0;
    int updateCount_ = 0;
};

// The factory of a collection whose items are default-constructed T.
template <class T>
TCollection::ItemFactory CollectionItemFactory() {
    return [](TCollection&) { return std::make_unique<T>(); };
}

}  // namespace runtime
