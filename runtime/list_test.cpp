#include "runtime/list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"

namespace runtime {
namespace {

void* item(intptr_t n) {
    return reinterpret_cast<void*>(n);
}

std::vector<intptr_t> contents(const TList& list) {
    std::vector<intptr_t> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(reinterpret_cast<intptr_t>(list.Items(i)));
    return out;
}

void fill(TList& list, std::initializer_list<intptr_t> values) {
    for (intptr_t v : values) list.Add(item(v));
}

TEST(ListTest, OutOfRangeArgumentsRaiseListErrorsWithTheValue) {
    struct Case {
        const char* name;
        std::function<void(TList&)> call;
        const char* message;
    };
    const Case cases[] = {
        {"Items(-1)", [](TList& l) { (void)l.Items(-1); }, "List index out of bounds (-1)"},
        {"Items(3)", [](TList& l) { (void)l.Items(3); }, "List index out of bounds (3)"},
        {"SetItems(3)", [](TList& l) { l.SetItems(3, nullptr); }, "List index out of bounds (3)"},
        {"Delete(3)", [](TList& l) { l.Delete(3); }, "List index out of bounds (3)"},
        {"Insert(4)", [](TList& l) { l.Insert(4, nullptr); }, "List index out of bounds (4)"},
        {"Insert(-1)", [](TList& l) { l.Insert(-1, nullptr); }, "List index out of bounds (-1)"},
        {"Exchange(0,3)", [](TList& l) { l.Exchange(0, 3); }, "List index out of bounds (3)"},
        {"Move(0,3)", [](TList& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
        {"Move(5,0)", [](TList& l) { l.Move(5, 0); }, "List index out of bounds (5)"},
        {"SetCapacity(2)", [](TList& l) { l.SetCapacity(2); }, "List capacity out of bounds (2)"},
        {"SetCapacity(max+1)", [](TList& l) { l.SetCapacity(MaxListSize + 1); },
         "List capacity out of bounds (134217728)"},
        {"SetCount(-1)", [](TList& l) { l.SetCount(-1); }, "List count out of bounds (-1)"},
    };
    for (const Case& c : cases) {
        TList list;
        fill(list, {1, 2, 3});
        try {
            c.call(list);
            ADD_FAILURE() << c.name << " raised nothing";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), c.message) << c.name;
            EXPECT_STREQ(e.ClassName(), "EListError");
        }
        EXPECT_EQ(contents(list), (std::vector<intptr_t>{1, 2, 3}))
            << c.name << " changed the list";
    }

    TList empty;
    EXPECT_THROW((void)empty.First(), EListError);
    EXPECT_THROW((void)empty.Last(), EListError);
}

// Records every notification with the list's state at that moment.
class RecordingList : public TList {
  public:
    struct Event {
        intptr_t item;
        TListNotification action;
        int count;  // Count() while notified
        bool stillInList;
    };
    std::vector<Event> events;

  protected:
    void Notify(void* ptr, TListNotification action) override {
        events.push_back({reinterpret_cast<intptr_t>(ptr), action, Count(), IndexOf(ptr) >= 0});
    }
};

TEST(ListTest, NotifiesAfterTheItemLeftTheListAndClearsLastToFirst) {
    RecordingList list;
    fill(list, {1, 2, 3, 4});
    list.Add(nullptr);  // null items are never notified
    list.Insert(0, item(5));
    list.Delete(2);  // item 2
    EXPECT_EQ(list.Extract(item(3)), item(3));
    EXPECT_EQ(list.Extract(item(99)), nullptr);
    list.SetItems(0, item(6));  // 5 out, 6 in
    EXPECT_EQ(list.Remove(item(4)), 2);
    EXPECT_EQ(list.Remove(item(4)), -1);
    list.Add(item(7));
    list.Add(item(8));
    list.events.clear();
    ASSERT_EQ(contents(list), (std::vector<intptr_t>{6, 1, 0, 7, 8}));
    list.Clear();

    using E = RecordingList::Event;
    const std::vector<E> expected = {{8, lnDeleted, 4, false},
                                     {7, lnDeleted, 3, false},
                                     {1, lnDeleted, 1, false},
                                     {6, lnDeleted, 0, false}};
    ASSERT_EQ(list.events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list.events[i].item, expected[i].item) << i;
        EXPECT_EQ(list.events[i].action, expected[i].action) << i;
        EXPECT_EQ(list.events[i].count, expected[i].count) << i;
        EXPECT_FALSE(list.events[i].stillInList) << i;
    }
    EXPECT_EQ(list.Capacity(), 0);
}

TEST(ListTest, NotificationsOfEachOperation) {
    RecordingList list;
    fill(list, {1, 2, 3});
    list.Insert(1, item(4));
    list.Delete(0);
    list.Extract(item(3));
    list.SetItems(0, item(5));
    list.SetItems(0, item(5));  // the same item: nothing
    list.SetCount(0);
    std::vector<std::pair<intptr_t, TListNotification>> got;
    for (const auto& e : list.events) got.emplace_back(e.item, e.action);
    const std::vector<std::pair<intptr_t, TListNotification>> expected = {
        {1, lnAdded},     {2, lnAdded},   {3, lnAdded}, {4, lnAdded},   {1, lnDeleted},
        {3, lnExtracted}, {4, lnDeleted}, {5, lnAdded}, {2, lnDeleted}, {5, lnDeleted}};
    EXPECT_EQ(got, expected);
}

// An owning list as other subsystems derive them: the leak checker of the
// native build sees any item not freed.
class OwningList : public TList {
  public:
    ~OwningList() override { Clear(); }
    std::vector<int>* freed = nullptr;

  protected:
    void Notify(void* ptr, TListNotification action) override {
        if (action != lnDeleted) return;
        int* value = static_cast<int*>(ptr);
        if (freed) freed->push_back(*value);
        delete value;
    }
};

TEST(ListTest, OwningSubclassFreesEveryItemLastToFirst) {
    std::vector<int> freed;
    {
        OwningList list;
        list.freed = &freed;
        for (int i = 1; i <= 4; ++i) list.Add(new int(i));
        list.Delete(0);
        int* kept = static_cast<int*>(list.Extract(list.Items(0)));
        delete kept;  // extracted: ours to free
    }
    EXPECT_EQ(freed, (std::vector<int>{1, 4, 3}));
}

TEST(ListTest, MoveExchangeInsertAndPack) {
    struct Case {
        const char* name;
        std::function<void(TList&)> change;
        std::vector<intptr_t> expected;
    };
    const Case cases[] = {
        {"Move forward", [](TList& l) { l.Move(0, 3); }, {2, 3, 4, 1, 5}},
        {"Move back", [](TList& l) { l.Move(4, 1); }, {1, 5, 2, 3, 4}},
        {"Move to itself", [](TList& l) { l.Move(2, 2); }, {1, 2, 3, 4, 5}},
        {"Exchange", [](TList& l) { l.Exchange(0, 4); }, {5, 2, 3, 4, 1}},
        {"Insert at end", [](TList& l) { l.Insert(5, item(6)); }, {1, 2, 3, 4, 5, 6}},
        {"Insert at start", [](TList& l) { l.Insert(0, item(6)); }, {6, 1, 2, 3, 4, 5}},
        {"Pack",
         [](TList& l) {
             l.SetItems(1, nullptr);
             l.SetItems(3, nullptr);
             l.Add(nullptr);
             l.Pack();
         },
         {1, 3, 5}},
        {"SetCount grows with nulls", [](TList& l) { l.SetCount(7); }, {1, 2, 3, 4, 5, 0, 0}},
        {"SetCount shrinks", [](TList& l) { l.SetCount(2); }, {1, 2}},
    };
    for (const Case& c : cases) {
        TList list;
        fill(list, {1, 2, 3, 4, 5});
        c.change(list);
        EXPECT_EQ(contents(list), c.expected) << c.name;
    }
}

TEST(ListTest, CapacityGrowsInTheClassLibrarySteps) {
    // {items added, capacity}: +4 up to 8, +16 up to 64, then +a quarter.
    const std::pair<int, int> rows[] = {{1, 4},   {4, 4},   {5, 8},   {9, 12},  {13, 28},
                                        {29, 44}, {45, 60}, {61, 76}, {77, 95}, {96, 118}};
    for (const auto& [adds, capacity] : rows) {
        TList list;
        for (int i = 0; i < adds; ++i) list.Add(nullptr);
        EXPECT_EQ(list.Capacity(), capacity) << adds << " items";
    }
}

int byValue(void* a, void* b) {
    const auto x = reinterpret_cast<intptr_t>(a);
    const auto y = reinterpret_cast<intptr_t>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

TEST(ListTest, SortOrdersAndLeavesEqualItemsWhereTheClassLibraryDoes) {
    std::mt19937 random(7);
    for (int size : {0, 1, 2, 3, 10, 100, 1000}) {
        for (int range : {3, 1000000}) {
            TList list;
            std::vector<intptr_t> values;
            for (int i = 0; i < size; ++i) {
                values.push_back(static_cast<intptr_t>(random() % range));
                list.Add(item(values.back()));
            }
            list.Sort(byValue);
            std::sort(values.begin(), values.end());
            EXPECT_EQ(contents(list), values) << size << " items below " << range;
        }
    }

    // Equal keys, told apart by the low digit: the quicksort's exchanges
    // reverse these (std::sort or a stable sort would not).
    const auto byTens = [](void* a, void* b) {
        return byValue(item(reinterpret_cast<intptr_t>(a) / 10),
                       item(reinterpret_cast<intptr_t>(b) / 10));
    };
    const std::pair<std::vector<intptr_t>, std::vector<intptr_t>> rows[] = {
        {{11, 12}, {12, 11}},
        {{11, 12, 13}, {13, 12, 11}},
    };
    for (const auto& [input, expected] : rows) {
        TList list;
        for (intptr_t v : input) list.Add(item(v));
        list.Sort(byTens);
        EXPECT_EQ(contents(list), expected);
    }
}

TEST(ListTest, SortWithAnInconsistentComparisonStaysInsideTheList) {
    // A comparison that is no order must not make the sort read or write
    // outside the list or loop forever; the items stay the same.
    std::mt19937 random(11);
    const std::function<int(void*, void*)> comparisons[] = {
        [](void*, void*) { return -1; },
        [](void*, void*) { return 1; },
        [&](void*, void*) { return static_cast<int>(random() % 3) - 1; },
    };
    for (const auto& compare : comparisons) {
        for (int size : {2, 3, 17, 500}) {
            TList list;
            for (int i = 0; i < size; ++i) list.Add(item(i + 1));
            list.Sort(compare);
            std::vector<intptr_t> got = contents(list);
            std::sort(got.begin(), got.end());
            for (int i = 0; i < size; ++i) EXPECT_EQ(got[i], i + 1);
        }
    }
}

}  // namespace
}  // namespace runtime
