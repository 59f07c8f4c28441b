#include "runtime/collection.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/classinfo.h"
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

// An item with data of its own, copied by Assign.
class NamedItem : public TCollectionItem {
  public:
    void Assign(const TPersistent* source) override {
        if (const auto* item = dynamic_cast<const NamedItem*>(source)) {
            name = item->name;
            return;
        }
        TCollectionItem::Assign(source);
    }
    std::string name;
};

std::vector<std::string> namesOf(const TCollection& collection) {
    std::vector<std::string> names;
    for (int i = 0; i < collection.Count(); ++i) {
        names.push_back(static_cast<NamedItem*>(collection.Items(i))->name);
    }
    return names;
}

TEST(CollectionTest, AssignCopiesTheItemsThroughTheirAssign) {
    TCollection source(CollectionItemFactory<NamedItem>());
    for (const char* name : {"a", "b", "c"}) static_cast<NamedItem*>(source.Add())->name = name;
    TCollection copy(CollectionItemFactory<NamedItem>());
    static_cast<NamedItem*>(copy.Add())->name = "old";
    const TPersistent& asPersistent = source;
    copy.Assign(&asPersistent);
    EXPECT_EQ(namesOf(copy), (std::vector<std::string>{"a", "b", "c"}));
    copy.Assign(&copy);
    EXPECT_EQ(namesOf(copy), (std::vector<std::string>{"a", "b", "c"}));

    EXPECT_EQ(copy.ClassName(), "TCollection");
    EXPECT_EQ(copy.Items(0)->ClassName(), "TCollectionItem");
    EXPECT_TRUE(copy.InheritsFrom(TPersistent::StaticClassInfo()));
    EXPECT_TRUE(copy.Items(0)->InheritsFrom(TPersistent::StaticClassInfo()));
}

TEST(CollectionTest, AssignFromWhatCannotBeCopiedRaises) {
    struct Row {
        const char* what;
        std::function<void()> call;
        std::string message;
    };
    TCollection names(CollectionItemFactory<NamedItem>());
    names.Add();
    TCollection plain(CollectionItemFactory<TCollectionItem>());
    plain.Add();
    TPersistent other;
    const Row rows[] = {
        {"nil", [&] { names.Assign(nullptr); }, "Cannot assign a nil to a TCollection"},
        {"other class", [&] { names.Assign(&other); },
         "Cannot assign a TPersistent to a TCollection"},
        {"items without data", [&] { plain.Assign(&names); },
         "Cannot assign a TCollectionItem to a TCollectionItem"},
    };
    for (const Row& row : rows) {
        try {
            row.call();
            ADD_FAILURE() << row.what << ": no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), row.message) << row.what;
        }
    }
    // The failed copy ended its update: the collection still works.
    EXPECT_EQ(plain.Count(), 1);
}

}  // namespace
}  // namespace runtime
