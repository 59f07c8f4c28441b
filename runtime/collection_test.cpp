#include "runtime/collection.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/exceptions.h"

namespace runtime {
namespace {

using Log = std::vector<std::string>;

class LoggedItem : public TCollectionItem {
  public:
    explicit LoggedItem(Log& log) : log_(log) {}
    ~LoggedItem() override { log_.push_back("destroyed:" + std::to_string(ID())); }
    void Touch(bool allItems) { Changed(allItems); }

  private:
    Log& log_;
};

class LoggedCollection : public TCollection {
  public:
    LoggedCollection()
        : TCollection([this](TCollection& owner) {
              EXPECT_EQ(&owner, this);
              return std::make_unique<LoggedItem>(log);
          }) {}
    // The items write to `log`, which goes before the base destructor runs.
    ~LoggedCollection() override { Clear(); }

    LoggedItem* Item(int index) const { return static_cast<LoggedItem*>(Items(index)); }
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (int i = 0; i < Count(); ++i) ids.push_back(Items(i)->ID());
        return ids;
    }

    Log log;

  protected:
    void Update(TCollectionItem* item) override {
        log.push_back(item == nullptr ? "update:all" : "update:" + std::to_string(item->ID()));
    }
    void Notify(TCollectionItem* item, TCollectionNotification action) override {
        static const char* const kNames[] = {"added", "extracting", "deleting"};
        log.push_back(std::string(kNames[action]) + ":" + std::to_string(item->ID()));
    }
};

TEST(CollectionTest, HooksRunInTheClassLibrarysOrderAndClearFreesLastToFirst) {
    LoggedCollection collection;
    for (int i = 0; i < 3; ++i) collection.Add();
    EXPECT_EQ(collection.log,
              (Log{"added:0", "update:all", "added:1", "update:all", "added:2", "update:all"}));

    collection.log.clear();
    collection.Delete(1);
    EXPECT_EQ(collection.log, (Log{"deleting:1", "extracting:1", "destroyed:1", "update:all"}));

    collection.log.clear();
    collection.BeginUpdate();
    collection.BeginUpdate();
    collection.Add();
    collection.Item(0)->Touch(false);  // silent while updating
    collection.EndUpdate();
    collection.EndUpdate();
    EXPECT_EQ(collection.log, (Log{"added:3", "update:all"}));

    collection.log.clear();
    collection.Item(0)->Touch(false);
    collection.Item(0)->Touch(true);
    EXPECT_EQ(collection.log, (Log{"update:0", "update:all"}));

    collection.log.clear();
    collection.Clear();
    EXPECT_EQ(collection.log, (Log{"extracting:3", "destroyed:3", "extracting:2", "destroyed:2",
                                   "extracting:0", "destroyed:0", "update:all"}));
    EXPECT_EQ(collection.Count(), 0);
}

TEST(CollectionTest, DestroyingTheCollectionFreesItsItemsLastToFirst) {
    Log log;
    {
        TCollection collection([&log](TCollection&) { return std::make_unique<LoggedItem>(log); });
        for (int i = 0; i < 3; ++i) collection.Add();
    }
    EXPECT_EQ(log, (Log{"destroyed:2", "destroyed:1", "destroyed:0"}));
}

TEST(CollectionTest, SettingAnItemsIndexMovesIt) {
    // {from, to, ids afterwards}
    struct Row {
        int from;
        int to;
        std::vector<int> ids;
    };
    const Row rows[] = {
        {0, 3, {1, 2, 3, 0}},
        {3, 0, {3, 0, 1, 2}},
        {1, 2, {0, 2, 1, 3}},
        {2, 2, {0, 1, 2, 3}},
    };
    for (const Row& row : rows) {
        LoggedCollection collection;
        for (int i = 0; i < 4; ++i) collection.Add();
        TCollectionItem* moved = collection.Items(row.from);
        collection.log.clear();
        moved->SetIndex(row.to);
        EXPECT_EQ(collection.Ids(), row.ids) << row.from << " -> " << row.to;
        EXPECT_EQ(moved->Index(), row.to);
        EXPECT_EQ(collection.log, row.from == row.to ? Log{} : Log{"update:all"});
    }

    LoggedCollection collection;
    for (int i = 0; i < 3; ++i) collection.Add();
    try {
        collection.Items(1)->SetIndex(3);
        ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    EXPECT_EQ(collection.Ids(), (std::vector<int>{0, 1, 2}));
}

TEST(CollectionTest, InsertItemsAndIds) {
    LoggedCollection collection;
    collection.Add();
    collection.Add();
    TCollectionItem* first = collection.Insert(0);
    TCollectionItem* last = collection.Insert(3);
    EXPECT_EQ(collection.Ids(), (std::vector<int>{2, 0, 1, 3}));
    EXPECT_EQ(first->Collection(), &collection);
    EXPECT_EQ(last->Index(), 3);

    // A bad index makes no item.
    EXPECT_THROW(collection.Insert(5), EListError);
    EXPECT_THROW(collection.Insert(-1), EListError);
    EXPECT_EQ(collection.Count(), 4);

    // IDs are never given twice, also after deletions.
    collection.Delete(3);
    EXPECT_EQ(collection.Add()->ID(), 4);
    EXPECT_EQ(collection.FindItemID(1), collection.Items(2));
    EXPECT_EQ(collection.FindItemID(3), nullptr);

    try {
        (void)collection.Items(4);
        ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (4)");
    }
    EXPECT_THROW(collection.Delete(-1), EListError);

    TCollectionItem loose;
    EXPECT_EQ(loose.Index(), -1);
    EXPECT_EQ(loose.Collection(), nullptr);

    TCollection plain(CollectionItemFactory<TCollectionItem>());
    EXPECT_EQ(plain.Add()->Collection(), &plain);
}

}  // namespace
}  // namespace runtime
