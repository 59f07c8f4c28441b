// Line hints and item hints under Wine: when a row's line hint shows
// (cut-off text, every row, the item's hint), which text and where, what
// the application's handler may change, and what hides it; the answer to
// the application's hint request.
#include <gtest/gtest.h>

#include <string>

#include "controls/tree/colormath.h"
#include "controls/tree/headersections.h"
#include "controls/tree/interacttest_win.h"
#include "controls/tree/widestrings.h"
#include "gui/application.h"

namespace controls::tree {
namespace {

using testing::TakeLog;

class GtTreeHints : public testing::GtInteractTest {
  protected:
    void SetUp() override {
        GtInteractTest::SetUp();
        AddColumns();
        AddRows(4);
        tree_->OnShowLineHint = [this](runtime::TObject*, TGtTreeItem* item,
                                       TGtHeaderSection* section, std::u16string& text,
                                       TGtHintWindow*, gui::TPoint, bool& show) {
            log_.Add("hint " + runtime::WideToUtf8(item->Text()) + " section " +
                     std::to_string(section != nullptr ? section->Index() : -1) + " \"" +
                     runtime::WideToUtf8(text) + "\"");
            if (Replace) text = Replacement;
            show = Show;
        };
    }

    // Rests the pointer at the point and lets the pause run out.
    void Hover(gui::TPoint p) {
        Post(WM_MOUSEMOVE, {p.X + 1, p.Y});  // the pause starts again
        Post(WM_MOUSEMOVE, p);
        if (timers_.Running(View().LineHintTimer())) timers_.Fire(View().LineHintTimer());
    }

    // A point in column `column` of the row, away from the text's ends.
    gui::TPoint CellPoint(int row, int column) const {
        const TGtHeaderSection& s = *tree_->SectionByIndex(column);
        const gui::TRect r = View().GetRowRect(row);
        int x = s.Left() + s.Width() / 2;
        if (column == tree_->MainTreeColumn()) x = tree_->MainCellLayout(Item(row)).Text.Left + 3;
        return {x - View().LeftPosition(), (r.Top + r.Bottom) / 2};
    }

    bool HintShows() const {
        return View().LineHintWindow() != nullptr && View().LineHintWindow()->IsShowing();
    }

    bool Show = true;
    bool Replace = false;
    std::u16string Replacement;
};

TEST_F(GtTreeHints, LongModeShowsCutOffTextOnly) {
    const void* timer = View().LineHintTimer();
    Post(WM_MOUSEMOVE, CellPoint(1, 0));
    ASSERT_TRUE(timers_.Running(timer));
    EXPECT_EQ(timers_.Interval(timer), gui::Application->HintShortPause);
    timers_.Fire(timer);
    EXPECT_EQ(View().HintedItem(), nullptr) << "the text fits its column";
    EXPECT_EQ(TakeLog(log_), "");

    tree_->SectionByIndex(0)->SetWidth(40);
    gui::testing::Pump();
    Hover(CellPoint(1, 0));
    EXPECT_EQ(View().HintedItem(), Item(1));
    EXPECT_TRUE(HintShows());
    EXPECT_EQ(View().LineHintWindow()->WideCaption(), u"Row 1");
    EXPECT_EQ(TakeLog(log_), "hint Row 1 section 0 \"Row 1\"");

    // Over the hinted row the hint stays; another row hides it and starts
    // the pause again; a key hides it too.
    Post(WM_MOUSEMOVE, {CellPoint(1, 0).X + 1, CellPoint(1, 0).Y});
    EXPECT_EQ(View().HintedItem(), Item(1));
    Post(WM_MOUSEMOVE, CellPoint(2, 0));
    EXPECT_EQ(View().HintedItem(), nullptr);
    EXPECT_FALSE(HintShows());
    EXPECT_TRUE(timers_.Running(timer));
    timers_.Fire(timer);
    EXPECT_EQ(View().HintedItem(), Item(2));
    PostMessageW(View().Handle(), WM_KEYDOWN, VK_DOWN, 0);
    gui::testing::Pump();
    EXPECT_EQ(View().HintedItem(), nullptr);

    EXPECT_EQ(TakeLog(log_), "hint Row 2 section 0 \"Row 2\"");

    // An item's own hint shows whatever the width, up to its bar.
    tree_->SectionByIndex(0)->SetWidth(200);
    Item(3)->SetHint(u"About row three|more");
    gui::testing::Pump();
    Hover(CellPoint(3, 0));
    EXPECT_EQ(TakeLog(log_), "hint Row 3 section 0 \"About row three\"");
}

TEST_F(GtTreeHints, CellTextAndItsStandIns) {
    tree_->LineHintMode = shmAll;
    tree_->HideHintOnMove = true;
    Item(1)->ColumnText()->SetStrings(0, u"");
    struct Case {
        TLineHintType type;
        int row;
        int column;
        const char* log;
    } cases[] = {
        {lhtSmart, 1, 1, "hint Row 1 section 0 \"Row 1\""},
        {lhtCellTextOnly, 1, 1, ""},
        {lhtSmart, 2, 2, "hint Row 2 section 2 \"20\""},
        {lhtCellTextOnly, 2, 1, "hint Row 2 section 1 \"2\""},
        {lhtMainTextOnly, 2, 2, "hint Row 2 section 2 \"Row 2\""},
        {lhtSmart, 0, 0, "hint Row 0 section 0 \"Row 0\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " row " + std::to_string(c.row) + " column " +
                     std::to_string(c.column));
        tree_->LineHintType = c.type;
        View().HideLineHint();
        Hover(CellPoint(c.row, c.column));
        EXPECT_EQ(TakeLog(log_), c.log);
        EXPECT_EQ(View().HintedItem() != nullptr, *c.log != 0);
    }
}

TEST_F(GtTreeHints, HandlerAndTimerDecide) {
    tree_->LineHintMode = shmAll;
    Show = false;
    Hover(CellPoint(1, 0));
    EXPECT_EQ(View().HintedItem(), nullptr);
    EXPECT_FALSE(HintShows());

    Show = true;
    View().HideLineHint();
    Hover(CellPoint(2, 0));
    ASSERT_TRUE(HintShows());
    RECT shortRect;
    GetWindowRect(View().LineHintWindow()->Handle(), &shortRect);
    View().HideLineHint();
    Replace = true;
    Replacement = u"A much longer text than the row's own";
    Hover(CellPoint(2, 0));
    ASSERT_TRUE(HintShows());
    EXPECT_EQ(View().LineHintWindow()->WideCaption(), Replacement);
    RECT longRect;
    GetWindowRect(View().LineHintWindow()->Handle(), &longRect);
    EXPECT_GT(longRect.right - longRect.left, shortRect.right - shortRect.left + 50)
        << "sized for the new text";
    EXPECT_EQ(longRect.left, shortRect.left);
    EXPECT_EQ(longRect.top, shortRect.top);

    // Hidden by the timer when asked to.
    Replace = false;
    tree_->HideHintOnTimer = true;
    View().HideLineHint();
    Hover(CellPoint(3, 0));
    ASSERT_EQ(View().HintedItem(), Item(3));
    const void* timer = View().LineHintTimer();
    ASSERT_TRUE(timers_.Running(timer));
    EXPECT_EQ(timers_.Interval(timer), 3000);
    timers_.Fire(timer);
    EXPECT_EQ(View().HintedItem(), nullptr);
    EXPECT_FALSE(HintShows());
}

TEST_F(GtTreeHints, HintSitsAtTheVisibleTextWhileScrolled) {
    tree_->LineHintMode = shmAll;
    tree_->SectionByIndex(2)->SetWidth(300);
    gui::testing::Pump();
    for (int left : {0, 10}) {
        SCOPED_TRACE(left);
        tree_->SetLeftPosition(left);
        ASSERT_EQ(tree_->LeftPosition(), left);
        View().HideLineHint();
        Hover(CellPoint(1, 0));
        ASSERT_TRUE(HintShows());
        RECT r;
        GetWindowRect(View().LineHintWindow()->Handle(), &r);
        const int textLeft = tree_->MainCellLayout(Item(1)).Text.Left;
        EXPECT_EQ(r.left, View().ClientToScreen({textLeft - left, 0}).X);
        EXPECT_EQ(r.top, View().ClientToScreen({0, View().GetRowRect(1).Top}).Y);
    }
}

TEST_F(GtTreeHints, HintRequestAnswersWithTheWideHint) {
    tree_->SetHintW(u"Short|The long part");
    Item(2)->SetHint(u"Row hint");
    struct Case {
        int row;
        const char* asked;
        std::u16string shown;
    } cases[] = {
        {1, "Short", u"Short"},
        {1, "Short|The long part", u"Short|The long part"},
        {2, "", u"Row hint"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        gui::THintInfo info;
        info.CursorPos = CellPoint(c.row, 0);
        info.HintStr = c.asked;
        View().Perform(gui::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.HintStr, EncodeWideHint(c.shown));
        EXPECT_EQ(tree_->Refs().HintItem, Item(c.row));
    }
    tree_->SetHintW(u"");
    gui::THintInfo info;
    info.CursorPos = CellPoint(1, 0);
    info.HintStr = "stale";
    View().Perform(gui::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintStr, "");
}

}  // namespace
}  // namespace controls::tree
