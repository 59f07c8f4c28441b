#include "controls/tree/gtlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace controls::tree {
namespace {

// Records every item the list reports as leaving it.
struct DeleteLog {
    std::vector<void*> items;
    void Attach(TGtList& list) {
        list.OnDelete = [this](TGtList*, void* item) { items.push_back(item); };
    }
};

// An object that counts its destructions.
struct Counted : runtime::TObject {
    explicit Counted(int& destroyed) : destroyed_(destroyed) {}
    ~Counted() override { ++destroyed_; }
    int& destroyed_;
};

void* P(intptr_t v) {
    return reinterpret_cast<void*>(v);
}

std::string Letters(const TGtList& list) {
    std::string s;
    for (int i = 0; i < list.Count(); ++i)
        s += static_cast<char>(reinterpret_cast<intptr_t>(list.Get(i)));
    return s;
}

void Fill(TGtList& list, const std::string& letters) {
    for (char c : letters) list.Add(P(c));
}

TEST(GtList, GrowthAndShrinkFollowTheirSteps) {
    TGtList list;
    std::vector<int> capacities;
    for (int i = 0; i < 3653; ++i) {
        const int before = list.Capacity();
        list.Add(nullptr);
        if (list.Capacity() != before) capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{1, 4, 13, 40, 121, 364, 1093, 2373, 3653}));

    // Removing below half the capacity halves it, once per operation.
    TGtList small;
    Fill(small, "abcdefghijklm");  // capacity 13
    ASSERT_EQ(small.Capacity(), 13);
    small.DeleteRange(0, 7);  // 5 left < 13 / 2
    EXPECT_EQ(small.Capacity(), 6);
}

// Past 1,093 slots the capacity rises by 1,280 at a time; the slots must
// not move at each of those steps, or a long fill copies the list over and
// over. The capacity still follows its steps, and the slots survive the
// moves and the shrinking that follows removals.
TEST(GtList, LongListsMoveTheirSlotsRarely) {
    TGtList list;
    constexpr int kItems = 200000;
    int moves = 0;
    for (int i = 0; i < kItems; ++i) {
        void* const* before = list.Slots();
        list.Add(reinterpret_cast<void*>(static_cast<intptr_t>(i + 1)));
        if (list.Slots() != before) ++moves;
    }
    const int capacity = 1093 + 1280 * ((kItems - 1093 + 1279) / 1280);
    EXPECT_EQ(list.Capacity(), capacity);
    EXPECT_LE(moves, 30);
    list.DeleteRange(0, kItems - 1001);
    EXPECT_EQ(list.Count(), 1000);
    EXPECT_EQ(list.Capacity(), capacity / 2);
    for (int i = 0; i < list.Count(); ++i)
        ASSERT_EQ(list.Get(i), reinterpret_cast<void*>(static_cast<intptr_t>(kItems - 999 + i)));
    list.Insert(0, nullptr);
    EXPECT_EQ(list.Get(1000), reinterpret_cast<void*>(static_cast<intptr_t>(kItems)));
}

TEST(GtList, RangeErrorsCarryTheOffendingIndex) {
    TGtList list;
    Fill(list, "abc");
    struct Case {
        const char* what;
        std::function<void()> call;
        int index;
    };
    const Case cases[] = {
        {"Get", [&] { list.Get(3); }, 3},
        {"Insert", [&] { list.Insert(4, nullptr); }, 4},
        {"Put", [&] { list.Put(-1, nullptr); }, -1},
        {"IndexOfFrom", [&] { (void)list.IndexOfFrom(5, nullptr); }, 5},
        {"DeleteRange reversed", [&] { list.DeleteRange(2, 1); }, 1},
        {"MoveRange into itself", [&] { list.MoveRange(0, 1, 1); }, 1},
        {"SetCapacity below count", [&] { list.SetCapacity(2); }, 2},
        {"SetCount too large", [&] { list.SetCount(kGtMaxListSize + 1); }, kGtMaxListSize + 1},
    };
    for (const Case& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.what << " did not raise";
        } catch (const EGtListError& e) {
            EXPECT_EQ(e.Message(), "List index [" + std::to_string(c.index) + "] out of bounds...")
                << c.what;
        }
    }
    EXPECT_EQ(Letters(list), "abc");

    TGtList empty;
    EXPECT_EQ(empty.Last(), nullptr);
    EXPECT_THROW(empty.First(), EGtListError);
}

TEST(GtList, NotificationsAndRangeOperations) {
    DeleteLog log;
    TGtList list;
    Fill(list, "0123456789");
    log.Attach(list);
    list.DeleteRange(2, 4);
    EXPECT_EQ(log.items, (std::vector<void*>{P('2'), P('3'), P('4')}));
    EXPECT_EQ(Letters(list), "0156789");

    log.items.clear();
    EXPECT_EQ(list.Remove(P('x')), -1);
    EXPECT_TRUE(log.items.empty());

    struct MoveCase {
        const char* start;
        int first, last, target;
        const char* expected;
    };
    const MoveCase moves[] = {
        {"abcdef", 1, 2, 4, "adbcef"},
        {"abcdef", 3, 4, 0, "deabcf"},
        {"abcdef", 0, 0, 5, "bcdeaf"},
        {"abcdef", 2, 2, 2, "abcdef"},
    };
    for (const MoveCase& m : moves) {
        TGtList l;
        Fill(l, m.start);
        l.MoveRange(m.first, m.last, m.target);
        EXPECT_EQ(Letters(l), m.expected) << m.first << "," << m.last << "->" << m.target;
    }
    TGtList moved;
    Fill(moved, "abcd");
    moved.Move(0, 3);
    EXPECT_EQ(Letters(moved), "bcda");
    moved.Move(3, 1);
    EXPECT_EQ(Letters(moved), "bacd");

    DeleteLog countLog;
    TGtList counted;
    countLog.Attach(counted);
    counted.SetCount(5);
    EXPECT_EQ(counted.Count(), 5);
    EXPECT_EQ(counted.Get(4), nullptr);
    counted.SetCount(0);
    EXPECT_TRUE(countLog.items.empty());

    TGtList back;
    Fill(back, "abab");
    EXPECT_EQ(back.IndexOfFrom(1, P('a')), 2);
    EXPECT_EQ(back.IndexOfBack(1, P('b')), 1);
    EXPECT_EQ(back.IndexOfBack(0, P('b')), -1);
}

TEST(GtList, OwningListFreesEachItemOnceAndOnlyWhenItLeaves) {
    int destroyed = 0;
    {
        TGtList list;
        list.SetAutoFreeItems(true);
        auto* a = new Counted(destroyed);
        auto* b = new Counted(destroyed);
        auto* c = new Counted(destroyed);
        list.Add(a);
        list.Add(b);
        list.Add(c);
        EXPECT_EQ(list.Remove(a), 0);  // Remove never frees
        EXPECT_EQ(destroyed, 0);
        delete a;
        destroyed = 0;

        list.Put(0, b);  // the same pointer: nothing happens
        EXPECT_EQ(destroyed, 0);
        list.Add(b);  // b twice: deleting one slot keeps it alive
        list.Delete(0);
        EXPECT_EQ(destroyed, 0);
        list.Add(c);  // c twice; Clear frees it once
        list.Clear();
        EXPECT_EQ(destroyed, 2);
    }
    destroyed = 0;
    {
        TGtList list;
        list.SetAutoFreeItems(true);
        auto* a = new Counted(destroyed);
        list.Add(a);
        list.Put(0, new Counted(destroyed));  // the old item is freed
        EXPECT_EQ(destroyed, 1);
        list.Add(new Counted(destroyed));
        auto* kept = static_cast<Counted*>(list.Get(1));
        list.DeleteRange(1, 1);  // never frees
        EXPECT_EQ(destroyed, 1);
        delete kept;
    }
    EXPECT_EQ(destroyed, 3);  // the list's destructor freed the last one
}

TEST(GtList, AssignCopiesPointersButNotOwnership) {
    TGtList source;
    Fill(source, "xyz");
    source.SetAutoFreeItems(false);
    DeleteLog log;
    TGtList target;
    Fill(target, "q");
    log.Attach(target);
    target.Assign(&source);
    EXPECT_EQ(Letters(target), "xyz");
    EXPECT_EQ(target.Capacity(), source.Capacity());
    EXPECT_EQ(log.items, std::vector<void*>{P('q')});
    EXPECT_FALSE(target.AutoFreeItems());
}

TEST(GtStack, GrowsAndShrinksInItsSteps) {
    TGtStack stack;
    std::vector<int> capacities;
    for (int i = 0; i < 9; ++i) {
        stack.Push(P(i + 1));
        if (capacities.empty() || capacities.back() != stack.Capacity())
            capacities.push_back(stack.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12}));
    for (int i = 9; i > 6; --i) EXPECT_EQ(stack.Pop(), P(i));
    EXPECT_EQ(stack.Capacity(), 12);
    EXPECT_EQ(stack.Pop(), P(6));  // count 5: 12 / 2 > 5
    EXPECT_EQ(stack.Capacity(), 6);
    while (stack.Count() > 0) stack.Pop();
    try {
        stack.Pop();
        ADD_FAILURE();
    } catch (const EGtStackError& e) {
        EXPECT_EQ(e.Message(), "GtStack is empty.");
    }
    stack.Push(nullptr);
    EXPECT_THROW(stack.SetCapacity(0), EGtStackError);
}

}  // namespace
}  // namespace controls::tree
