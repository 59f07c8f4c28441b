// The tree control's side of focus and navigation under Wine: the
// change-delay timer, the rows moving up for a focused row cut off at the
// bottom, and the filter acting at the outermost unlock.
#include <gtest/gtest.h>

#include <string>

#include "controls/tree/timers.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "controls/tree/windowtest_win.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/testing.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

class GtTreeFocus : public testing::GtTreeTest {
  public:
    // The cases below move the focus through a GtTreeFocus&.
    using GtTreeTest::tree_;

    void SetUp() override {
        Place({.PinFont = false});
        tree_->Items().BeginUpdate();
        for (int i = 0; i < 40; ++i)
            tree_->Items().Add(nullptr, runtime::Utf8ToWide("Row " + std::to_string(i)));
        tree_->Items().EndUpdate();
        tree_->OnItemFocused = [this](runtime::TObject*) {
            TGtTreeItem* f = tree_->ItemFocused();
            log_.Add("focused " + (f ? runtime::WideToUtf8(f->Text()) : std::string("-")));
        };
        Show();
    }

    // The row made as "Row n".
    TGtTreeItem* Row(int n) {
        const std::u16string text = runtime::Utf8ToWide("Row " + std::to_string(n));
        for (int i = 0; i < tree_->Items().Count(); ++i)
            if (tree_->Items().Item(i)->Text() == text) return tree_->Items().Item(i);
        return nullptr;
    }
    const void* TimerOwner() const { return static_cast<TCustomGtTree*>(tree_); }

    testing::TFakeTimers timers_;
    TGtTimersOverride override_{timers_};
};

TEST_F(GtTreeFocus, DelayedFocusChangesReportOnlyWhereTheFocusStayed) {
    tree_->ChangeDelay = 250;
    // The timer waits; its tick reports once and stops it.
    tree_->SetItemFocused(Row(1), false, true);
    EXPECT_EQ(Log(), "");
    ASSERT_TRUE(timers_.Running(TimerOwner()));
    EXPECT_EQ(timers_.Interval(TimerOwner()), 250);
    timers_.Fire(TimerOwner());
    EXPECT_EQ(Log(), "focused Row 1");
    EXPECT_FALSE(timers_.Running(TimerOwner()));

    struct Case {
        const char* name;
        void (*moves)(GtTreeFocus&);
        const char* atOnce;
        const char* atTick;
    } cases[] = {
        {"a newer delayed move replaces the waiting one",
         [](GtTreeFocus& t) {
             t.tree_->SetItemFocused(t.Row(2), false, true);
             t.tree_->SetItemFocused(t.Row(3), false, true);
         },
         "", "focused Row 3"},
        {"a move at once leaves the timer to find the focus gone",
         [](GtTreeFocus& t) {
             t.tree_->SetItemFocused(t.Row(4), false, true);
             t.tree_->SetItemFocused(t.Row(5));
         },
         "focused Row 5", ""},
        {"the waiting row deleted",
         [](GtTreeFocus& t) {
             t.tree_->SetItemFocused(t.Row(6), false, true);
             t.Row(6)->Delete();
         },
         "focused Row 7", ""},
    };
    for (const Case& c : cases) {
        c.moves(*this);
        EXPECT_EQ(Log(), c.atOnce) << c.name;
        ASSERT_TRUE(timers_.Running(TimerOwner())) << c.name;
        timers_.Fire(TimerOwner());
        EXPECT_EQ(Log(), c.atTick) << c.name;
    }

    // No delay: at once, no timer.
    tree_->ChangeDelay = 0;
    tree_->SetItemFocused(Row(8), false, true);
    EXPECT_EQ(Log(), "focused Row 8");
    EXPECT_FALSE(timers_.Running(TimerOwner()));

    // A tree going away takes its timer with it.
    tree_->ChangeDelay = 100;
    tree_->SetItemFocused(Row(9), false, true);
    delete tree_;
    tree_ = nullptr;
    EXPECT_FALSE(timers_.Running(TimerOwner()));
    EXPECT_EQ(Log(), "");
}

TEST_F(GtTreeFocus, FocusOnTheRowCutOffAtTheBottomMovesTheRowsUp) {
    TGtTreeView& view = *tree_->View();
    ASSERT_GT(view.RowsHeight(), view.ClientHeight()) << "the last row must be cut off";
    const int last = view.RowCount() - 1;
    tree_->SetItemFocused(view.Row(last - 1));
    EXPECT_EQ(tree_->TopIndex(), 0);
    tree_->SetItemFocused(view.Row(last));
    EXPECT_EQ(tree_->TopIndex(), 1);
}

TEST_F(GtTreeFocus, TheFilterMovesTheFocusOffHiddenRowsAtTheOutermostUnlock) {
    tree_->SetFilteredVisibility(true);
    tree_->SetItemFocused(Row(3));
    Log();
    tree_->Items().BeginUpdate();
    Row(3)->SetHidden(true);
    Row(2)->SetHidden(true);
    EXPECT_EQ(tree_->ItemFocused(), Row(3));
    tree_->Items().EndUpdate();
    EXPECT_EQ(tree_->ItemFocused(), Row(1));
    EXPECT_TRUE(Row(3)->Selected());
    EXPECT_EQ(Log(), "focused Row 1");
    EXPECT_EQ(tree_->View()->Row(2), Row(4));  // the rows skip the hidden ones
    // Selecting everything leaves the hidden rows as they were: row 3 was
    // selected by its focus, row 2 was not.
    tree_->SelectAll();
    EXPECT_EQ(tree_->SelectedCount(), 39);
    EXPECT_FALSE(Row(2)->Selected());
    EXPECT_TRUE(Row(3)->Selected());
}

TEST_F(GtTreeFocus, ShiftClickSelectsTheRowsShownBetweenNotCollapsedChildren) {
    tree_->Items().Clear();
    TGtTreeItem* a = tree_->Items().Add(nullptr, u"A");
    tree_->Items().AddChild(a, u"A1");
    TGtTreeItem* b = tree_->Items().Add(nullptr, u"B");
    TGtTreeItem* c = tree_->Items().Add(nullptr, u"C");
    TGtTreeView& view = *tree_->View();
    const auto click = [&view](int row, WPARAM keys) {
        const gui::TRect r = view.GetRowRect(row);
        testing::PostMouse(view, WM_LBUTTONDOWN, r.Left + 60, r.Top + r.Height() / 2,
                           MK_LBUTTON | keys);
        testing::PostMouse(view, WM_LBUTTONUP, r.Left + 60, r.Top + r.Height() / 2, keys);
    };
    click(0, 0);
    click(2, MK_SHIFT);
    std::string selected;
    for (TGtTreeItem* i = tree_->GetNextSelected(nullptr); i; i = tree_->GetNextSelected(i))
        selected += runtime::WideToUtf8(i->Text()) + " ";
    EXPECT_EQ(tree_->ItemFocused(), c);
    EXPECT_TRUE(a->Selected() && b->Selected() && c->Selected()) << selected;
    EXPECT_EQ(tree_->SelectedCount(), 3) << selected;
}

}  // namespace
}  // namespace controls::tree
