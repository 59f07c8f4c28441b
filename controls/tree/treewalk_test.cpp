#include "controls/tree/treewalk.h"

#include <gtest/gtest.h>

#include <string>

#include "controls/tree/treeitem.h"
#include "controls/tree/treeitems.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

std::string Name(const TGtTreeItem* item) {
    return item != nullptr ? runtime::WideToUtf8(item->Text()) : "-";
}

// A tree of the shape
//   a
//     a1        (a expanded)
//     a2 (hidden)
//   b (disabled)
//     b1        (b collapsed)
//   c
//     c1
//       c11     (c and c1 expanded)
//   d (disabled)
class Walk : public ::testing::Test {
  protected:
    void SetUp() override {
        TGtTreeItems& items = model_.Items();
        TGtTreeItem* a = items.Add(nullptr, u"a");
        items.AddChild(a, u"a1");
        items.AddChild(a, u"a2")->SetHidden(true);
        TGtTreeItem* b = items.Add(nullptr, u"b");
        items.AddChild(b, u"b1");
        b->SetEnabled(false);
        TGtTreeItem* c = items.Add(nullptr, u"c");
        TGtTreeItem* c1 = items.AddChild(c, u"c1");
        items.AddChild(c1, u"c11");
        items.Add(nullptr, u"d")->SetEnabled(false);
        a->Expand(false);
        c->Expand(true);
        model_.SetFilteredVisibility(true);
    }

    TGtTreeItem* Find(const char* text) {
        for (int i = 0; i < model_.AllItems().Count(); ++i) {
            auto* item = static_cast<TGtTreeItem*>(model_.AllItems().Get(i));
            if (Name(item) == text) return item;
        }
        return nullptr;
    }

    TGtTreeModel model_;
};

TEST_F(Walk, StepsOverCollapsedAndFilteredRowsBothWays) {
    std::string down;
    for (TGtTreeItem* i = FirstShown(model_); i != nullptr; i = NextShown(model_, i))
        down += Name(i) + " ";
    EXPECT_EQ(down, "a a1 b c c1 c11 d ");
    std::string up;
    for (TGtTreeItem* i = LastShown(model_); i != nullptr; i = PrevShown(model_, i))
        up += Name(i) + " ";
    EXPECT_EQ(up, "d c11 c1 c b a1 a ");

    // Without the filter the hidden row shows again.
    model_.SetFilteredVisibility(false);
    EXPECT_EQ(Name(NextShown(model_, Find("a1"))), "a2");
    EXPECT_EQ(Name(PrevShown(model_, Find("b"))), "a2");
}

TEST_F(Walk, NavigationTargetsSkipDisabledRows) {
    struct Case {
        const char* focused;
        TGtNavKey key;
        int page;
        bool ignoreEnabled;
        const char* target;
    } cases[] = {
        {"a1", TGtNavKey::Down, 9, false, "c"},  // b is disabled
        {"a1", TGtNavKey::Down, 9, true, "b"},
        {"c", TGtNavKey::Up, 9, false, "a1"},
        {"c11", TGtNavKey::Down, 9, false, "c11"},  // only d below, disabled: stays
        {"a", TGtNavKey::Up, 9, false, "a"},
        {nullptr, TGtNavKey::Down, 9, false, "a"},
        {nullptr, TGtNavKey::Up, 9, false, "a"},
        {nullptr, TGtNavKey::PageDown, 9, false, "-"},
        {nullptr, TGtNavKey::Home, 9, false, "-"},
        {"a", TGtNavKey::PageDown, 2, false, "c"},  // a, a1, c: two enabled rows on
        {"a", TGtNavKey::PageDown, 2, true, "b"},
        {"a", TGtNavKey::PageDown, 99, false, "c11"},
        {"c11", TGtNavKey::PageUp, 3, false, "a1"},
        {"c1", TGtNavKey::Home, 9, false, "a"},
        {"a", TGtNavKey::End, 9, false, "c11"},  // d is disabled
        {"a", TGtNavKey::End, 9, true, "d"},
    };
    for (const Case& c : cases) {
        TGtTreeItem* focused = c.focused != nullptr ? Find(c.focused) : nullptr;
        const TGtNavTarget t = NavigationTarget(model_, focused, c.key, c.page, c.ignoreEnabled);
        EXPECT_EQ(Name(t.Item), c.target)
            << (c.focused ? c.focused : "none") << " key " << static_cast<int>(c.key);
    }

    // WasSelected tells the state of the last row looked at.
    model_.SetMultiSelect(true);
    Find("c")->SetSelected(true);
    EXPECT_TRUE(NavigationTarget(model_, Find("a1"), TGtNavKey::Down, 9, false).WasSelected);
    EXPECT_FALSE(NavigationTarget(model_, Find("a1"), TGtNavKey::Down, 9, true).WasSelected);
}

}  // namespace
}  // namespace controls::tree
