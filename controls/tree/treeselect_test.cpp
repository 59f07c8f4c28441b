// Focus and selection of a tree without a window: the focus change and
// its events, the selection walks, ranges, the filter's hold on focus and
// selection, and reading the selection back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controls/tree/treeitem.h"
#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

std::string Utf8(std::u16string_view s) {
    return runtime::WideToUtf8(s);
}

// A tree of nine items, named by their place:
//   A (expanded)      A1, A2 (hidden)
//   B (collapsed)     B1 (disabled)
//   C (hidden)        C1
//   D
class Selection : public ::testing::Test {
  public:
    void SetUp() override {
        TGtTreeItems& items = tree_.Items();
        a_ = items.Add(nullptr, u"A");
        a1_ = items.AddChild(a_, u"A1");
        a2_ = items.AddChild(a_, u"A2");
        b_ = items.Add(nullptr, u"B");
        b1_ = items.AddChild(b_, u"B1");
        c_ = items.Add(nullptr, u"C");
        c1_ = items.AddChild(c_, u"C1");
        d_ = items.Add(nullptr, u"D");
        a_->Expand(false);
        c_->Expand(false);
        a2_->SetHidden(true);
        c_->SetHidden(true);
        b1_->SetEnabled(false);
        tree_.OnItemSelectedChange = [this](runtime::TObject*, TGtTreeItem* item) {
            log_ += "sel " + Utf8(item->Text()) + (item->Selected() ? "+ " : "- ");
        };
        tree_.OnItemFocused = [this](runtime::TObject*) {
            log_ += "focused " +
                    (tree_.FocusedItem() ? Utf8(tree_.FocusedItem()->Text()) : std::string("-")) +
                    " ";
        };
        tree_.OnChanging = [this](runtime::TObject*, TGtTreeItem* item, bool& allow) {
            log_ += "changing " + (item ? Utf8(item->Text()) : std::string("-")) + " ";
            allow = allow_;
        };
    }

    // The items with these space-separated texts.
    std::vector<TGtTreeItem*> Named(std::string_view names) {
        std::vector<TGtTreeItem*> out;
        while (!names.empty()) {
            const size_t end = std::min(names.find(' '), names.size());
            for (int i = 0; i < tree_.Items().Count(); ++i)
                if (Utf8(tree_.Items().Item(i)->Text()) == names.substr(0, end))
                    out.push_back(tree_.Items().Item(i));
            names.remove_prefix(std::min(end + 1, names.size()));
        }
        return out;
    }

    // The selected items in tree order.
    std::string SelectedNames() {
        std::string out;
        for (int i = 0; i < tree_.Items().Count(); ++i)
            if (TGtTreeItem* item = tree_.Items().Item(i); item->Selected())
                out += Utf8(item->Text()) + " ";
        return out;
    }

    // The selection as GetNextSelected walks it.
    std::string SelectionOrder() {
        std::string out;
        for (TGtTreeItem* i = tree_.GetNextSelected(nullptr); i; i = tree_.GetNextSelected(i))
            out += Utf8(i->Text()) + " ";
        return out;
    }

    std::string TakeLog() {
        std::string out = log_;
        log_.clear();
        return out;
    }

    TGtTreeModel tree_;
    TGtTreeItem *a_, *a1_, *a2_, *b_, *b1_, *c_, *c1_, *d_;
    std::string log_;
    bool allow_ = true;
};

TEST_F(Selection, TheSelectionReadsBackInTheOrderItWasMade) {
    EXPECT_EQ(tree_.GetNextSelected(nullptr), nullptr);
    EXPECT_EQ(tree_.SelectedCount(), 0);
    for (TGtTreeItem* item : {d_, a1_, b_}) item->SetSelected(true);
    EXPECT_EQ(SelectionOrder(), "D A1 B ");
    EXPECT_EQ(tree_.SelectedCount(), 3);
    EXPECT_EQ(tree_.GetNextSelected(a_), nullptr);  // not selected
    EXPECT_EQ(tree_.GetNextSelected(b_), nullptr);  // the last
    // Out of order still answers by the list.
    EXPECT_EQ(tree_.GetNextSelected(d_), a1_);
    a1_->SetSelected(false);
    EXPECT_EQ(tree_.GetNextSelected(d_), b_);
    TGtList all;
    all.Add(c1_);
    tree_.AllSelected(all);
    ASSERT_EQ(all.Count(), 2);
    EXPECT_EQ(all.Get(0), d_);
    EXPECT_EQ(all.Get(1), b_);

    // Without MultiSelect the focus is the selection.
    tree_.SetMultiSelect(false);
    EXPECT_EQ(tree_.SelectedCount(), 0);
    EXPECT_EQ(tree_.GetNextSelected(nullptr), nullptr);
    tree_.SetItemFocused(b_);
    EXPECT_EQ(tree_.SelectedCount(), 1);
    EXPECT_EQ(tree_.GetNextSelected(nullptr), b_);
    EXPECT_EQ(tree_.GetNextSelected(b_), nullptr);
    tree_.AllSelected(all);
    ASSERT_EQ(all.Count(), 1);
    EXPECT_EQ(all.Get(0), b_);
}

TEST_F(Selection, WalksSelectInvertAndDeselectByTheFilterAndExpansion) {
    struct Case {
        const char* name;
        bool filtered;
        const char* before;
        std::function<void(TGtTreeModel&)> act;
        const char* expected;
    } cases[] = {
        // Without the filter only ...Ex(false) skips collapsed children.
        {"all", false, "", [](auto& t) { t.SelectAll(); }, "A A1 A2 B B1 C C1 D "},
        {"all filtered", true, "", [](auto& t) { t.SelectAll(); }, "A A1 B D "},
        {"ex hidden", true, "", [](auto& t) { t.SelectAllEx(true); }, "A A1 A2 B B1 C C1 D "},
        {"ex shown", true, "", [](auto& t) { t.SelectAllEx(false); }, "A A1 B D "},
        {"ex shown unfiltered", false, "", [](auto& t) { t.SelectAllEx(false); },
         "A A1 A2 B C C1 D "},
        {"invert", false, "A B1", [](auto& t) { t.InvertSelection(); }, "A1 A2 B C C1 D "},
        {"invert filtered", true, "A C1", [](auto& t) { t.InvertSelection(); }, "A1 B C1 D "},
        {"invert ex", true, "A", [](auto& t) { t.InvertSelectionEx(false); }, "A1 B D "},
        // Rows the filter hides stay selected, unless included.
        {"deselect", true, "A A2 C1", [](auto& t) { t.DeselectAll(); }, "A2 C1 "},
        {"deselect unfiltered", false, "A2 D", [](auto& t) { t.DeselectAll(); }, ""},
        {"deselect ex", true, "A A2", [](auto& t) { t.DeselectAllEx(true); }, ""},
    };
    for (const Case& c : cases) {
        tree_.DeselectAllEx(true);
        tree_.SetFilteredVisibility(c.filtered);
        for (TGtTreeItem* item : Named(c.before)) item->SetSelected(true);
        c.act(tree_);
        EXPECT_EQ(SelectedNames(), c.expected) << c.name;
        const std::string names = SelectedNames();
        EXPECT_EQ(tree_.SelectedCount(), std::count(names.begin(), names.end(), ' ')) << c.name;
    }
}

TEST_F(Selection, RangesRunInTreeOrderFromEitherEnd) {
    struct Case {
        const char* name;
        bool filtered;
        std::function<void(Selection&)> act;
        const char* expected;
    } cases[] = {
        {"same item", false, [](Selection& s) { s.tree_.SelectRange(s.b_, s.b_); }, ""},
        {"to none", false, [](Selection& s) { s.tree_.SelectRange(s.b_, nullptr); }, "A A1 A2 B "},
        {"none to none", false, [](Selection& s) { s.tree_.SelectRange(nullptr, nullptr); }, "A "},
        // Collapsed children and disabled items count by default.
        {"backwards", false, [](Selection& s) { s.tree_.SelectRange(s.c1_, s.a2_); },
         "A2 B B1 C C1 "},
        {"no collapsed", false,
         [](Selection& s) { s.tree_.SelectRangeEx(s.a1_, s.d_, true, false); }, "A1 A2 B C C1 D "},
        {"no disabled", false,
         [](Selection& s) { s.tree_.SelectRangeEx(s.a1_, s.c_, false, true); }, "A1 A2 B C "},
        {"disabled ignored", false,
         [](Selection& s) {
             s.tree_.IgnoreEnabled = true;
             s.tree_.SelectRangeEx(s.b_, s.c_, false, true);
             s.tree_.IgnoreEnabled = false;
         },
         "B B1 C "},
        {"filter", true, [](Selection& s) { s.tree_.SelectRange2(s.a_, s.d_, false); },
         "A A1 B B1 D "},
        {"filter ignored", true, [](Selection& s) { s.tree_.SelectRange2(s.a_, s.b_, true); },
         "A A1 A2 B "},
        {"filter off", false,
         [](Selection& s) { s.tree_.SelectRangeEx2(s.a_, s.b_, false, true, true); }, "A A1 A2 B "},
    };
    for (const Case& c : cases) {
        tree_.DeselectAllEx(true);
        tree_.SetFilteredVisibility(c.filtered);
        c.act(*this);
        EXPECT_EQ(SelectedNames(), c.expected) << c.name;
    }
    tree_.DeselectAllEx(true);
    tree_.SetMultiSelect(false);
    tree_.SelectRange(a_, d_);
    EXPECT_EQ(SelectedNames(), "");
}

TEST_F(Selection, FocusChangesRaiseTheirEventsInOrder) {
    // Multi-select: the new item's selection toggles.
    EXPECT_TRUE(tree_.SetItemFocused(b_));
    EXPECT_EQ(TakeLog(), "changing B sel B+ focused B ");
    EXPECT_TRUE(b_->Focused());
    EXPECT_FALSE(tree_.SetItemFocused(b_));
    EXPECT_EQ(TakeLog(), "");

    // Refused: the focus stays; forced: it moves without asking twice.
    allow_ = false;
    EXPECT_FALSE(tree_.SetItemFocused(d_));
    EXPECT_EQ(tree_.FocusedItem(), b_);
    EXPECT_FALSE(d_->Selected());
    EXPECT_EQ(TakeLog(), "changing D ");
    EXPECT_TRUE(tree_.SetItemFocused(d_, true, false));
    EXPECT_EQ(TakeLog(), "changing D sel D+ focused D ");
    EXPECT_FALSE(b_->Focused());
    allow_ = true;

    // Single-select: the old item goes, then the new one comes.
    tree_.SetMultiSelect(false);
    TakeLog();
    EXPECT_TRUE(tree_.SetItemFocused(a1_));
    EXPECT_EQ(TakeLog(), "changing A1 sel D- sel A1- focused A1 ");
    EXPECT_EQ(tree_.CurrentItem(), a1_);
    EXPECT_FALSE(d_->Selected());
    tree_.SetItemFocused(nullptr);
    EXPECT_EQ(tree_.CurrentItem(), nullptr);
    EXPECT_EQ(tree_.SelectedCount(), 0);
}

TEST_F(Selection, AutoExpandOpensTheFocusAndAutoCollapseClosesWhatItLeaves) {
    tree_.SetAutoExpand(true);
    tree_.AutoCollapse = true;
    tree_.SetItemFocused(b_);
    EXPECT_TRUE(b_->Expanded());
    // Moving within B's subtree keeps B open; moving out collapses it.
    tree_.SetItemFocused(b1_);
    EXPECT_TRUE(b_->Expanded());
    tree_.SetItemFocused(d_);
    EXPECT_FALSE(b_->Expanded());
    EXPECT_FALSE(b1_->Expanded());
}

TEST_F(Selection, SwitchingMultiSelectOffKeepsTheFocusedItemSelected) {
    tree_.SetItemFocused(b_);
    a_->SetSelected(true);
    d_->SetSelected(true);
    TakeLog();
    tree_.SetMultiSelect(false);
    EXPECT_EQ(TakeLog(), "sel B- sel A- sel D- sel B+ ");
    EXPECT_EQ(tree_.CurrentItem(), b_);
    EXPECT_EQ(SelectedNames(), "B ");
    EXPECT_EQ(tree_.SelectedCount(), 1);
    // The flag left on B goes with the next focus change.
    tree_.SetItemFocused(d_);
    EXPECT_EQ(SelectedNames(), "");
    EXPECT_EQ(tree_.CurrentItem(), d_);
}

TEST_F(Selection, MultiSelectLevelKeepsTogglesOnOneLevel) {
    tree_.SetItemFocused(a1_);
    a_->SetSelected(true);
    tree_.SetMultiSelectLevel(0);
    // Setting it keeps the focused item alone.
    EXPECT_EQ(SelectedNames(), "A1 ");
    tree_.ToggleSelect(b_);
    EXPECT_EQ(SelectedNames(), "B ");  // A1 is not on level 0
    tree_.ToggleSelect(d_);
    EXPECT_EQ(SelectedNames(), "B D ");
    tree_.ToggleSelect(a1_);
    EXPECT_EQ(SelectedNames(), "A1 ");
    // A row of another level is always selected alone.
    tree_.ToggleSelect(a1_);
    EXPECT_EQ(SelectedNames(), "A1 ");
    tree_.SetMultiSelectLevel(-1);
    EXPECT_EQ(SelectedNames(), "A1 ");  // the focused item
    tree_.ToggleSelect(b_);
    EXPECT_EQ(SelectedNames(), "A1 B ");

    // KeepSelectionWithinLevel refuses another level silently.
    tree_.DeselectAll();
    tree_.SetKeepSelectionWithinLevel(true);
    tree_.ToggleSelect(b_);
    TakeLog();
    tree_.ToggleSelect(a1_);
    EXPECT_EQ(SelectedNames(), "B ");
    EXPECT_EQ(TakeLog(), "");
}

TEST_F(Selection, TheFilterMovesFocusAndCurrentItemToShownRows) {
    tree_.SetFilteredVisibility(true);
    struct Case {
        const char* name;
        const char* focus;
        const char* hide;
        const char* expected;
    } cases[] = {
        // A top-level item: the nearest row shown above (B1 is inside the
        // collapsed B), else below.
        {"above", "D", "D", "B"},
        {"first", "A", "A", "B"},
        // A child: its parent, climbing past hidden parents.
        {"child", "A1", "A1", "A"},
        {"inside hidden", "B1", "B", "A1"},
    };
    for (const Case& c : cases) {
        TGtTreeItem* focus = Named(c.focus)[0];
        tree_.SetItemFocused(focus);
        tree_.SetCurrentItem(focus);
        Named(c.hide)[0]->SetHidden(true);
        EXPECT_EQ(tree_.FocusedItem(), Named(c.expected)[0]) << c.name;
        EXPECT_FALSE(tree_.FilteredOut(tree_.CurrentItem())) << c.name;
        Named(c.hide)[0]->SetHidden(false);
    }

    // Inside one update the filter acts once, at the end.
    tree_.SetItemFocused(d_);
    tree_.SetUpdating(true);
    d_->SetHidden(true);
    EXPECT_EQ(tree_.FocusedItem(), d_);
    tree_.SetUpdating(false);
    EXPECT_NE(tree_.FocusedItem(), d_);
    EXPECT_FALSE(tree_.FilteredOut(tree_.FocusedItem()));

    // Turning the filter on applies it.
    tree_.SetFilteredVisibility(false);
    tree_.SetItemFocused(c1_);
    tree_.Refs().HotItem = c1_;
    tree_.Refs().DropTarget = a1_;
    tree_.SetFilteredVisibility(true);
    EXPECT_EQ(tree_.FocusedItem(), b_);
    EXPECT_EQ(tree_.Refs().HotItem, nullptr);
    EXPECT_EQ(tree_.Refs().DropTarget, a1_);
}

TEST_F(Selection, FullExpandAndCollapseReachEveryLevel) {
    TGtTreeItem* deep = tree_.Items().AddChild(b1_, u"B11");
    tree_.Items().AddChild(deep, u"B111");
    int expands = 0;
    tree_.OnItemExpand = [&](runtime::TObject*, TGtTreeItem*) { ++expands; };
    tree_.FullExpand();
    for (TGtTreeItem* item : {a_, b_, b1_, deep, c_}) EXPECT_TRUE(item->Expanded());
    EXPECT_GT(expands, 0);
    tree_.FullCollapse();
    for (TGtTreeItem* item : {a_, b_, b1_, deep, c_}) EXPECT_FALSE(item->Expanded());
}

}  // namespace
}  // namespace controls::tree
