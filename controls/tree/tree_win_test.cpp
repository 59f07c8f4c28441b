// The tree control under Wine: settings and their effects, the nested
// update lock, layout of header, view and bars, scrolling, painting.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "controls/tree/errors.h"
#include "controls/tree/tree.h"
#include "controls/tree/treegeometry.h"
#include "controls/tree/treeview.h"
#include "controls/tree/windowtest_win.h"
#include "gui/forms.h"
#include "gui/testing.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

using gui::testing::PixelAt;
using testing::Px;

// A view that counts the redraws the tree's unlocks ask of it.
class TCountingView : public TGtTreeView {
  public:
    using TGtTreeView::TGtTreeView;
    int Flushes = 0;
    void FlushRedraw(TGtRefreshFlags refresh) override {
        ++Flushes;
        TGtTreeView::FlushRedraw(refresh);
    }
};

class TCountingTree : public TGtTree {
  public:
    explicit TCountingTree(runtime::TComponent* owner)
        : TGtTree(owner, {.View = [](TCustomGtTree* tree) -> std::unique_ptr<TGtTreeView> {
                              return std::make_unique<TCountingView>(tree);
                          },
                          .Header = {}}) {}
    TCountingView& CountingView() const { return static_cast<TCountingView&>(*View()); }
};

class GtTree : public testing::GtWindowTest {
  protected:
    void SetUp() override {
        form_.SetBounds(100, 100, 360, 260);
        tree_ = new TCountingTree(&form_);
        tree_->SetParent(&form_);
        tree_->Font()->SetName("Tahoma");
        tree_->Font()->SetHeight(-11);
        tree_->SetUseXPThemes(false);
        tree_->SetBounds(0, 0, 300, 200);
        tree_->OnScroll = [this](runtime::TObject*, gui::TScrollBarKind kind, int code) {
            log_.Add(std::string(kind == gui::sbVertical ? "vscroll " : "hscroll ") +
                     std::to_string(code));
        };
        tree_->OnSortBegin = [this](runtime::TObject*) { log_.Add("sort"); };
        // Made but not shown: no other test program loses the foreground.
        form_.HandleNeeded();
        gui::testing::Pump();
    }

    void AddColumns() {
        TGtHeaderSections* sections = tree_->HeaderSections();
        for (auto [text, width] : {std::pair{u"Keyword", 120}, {u"Position", 70}, {u"Best", 60}}) {
            TGtHeaderSection* s = sections->AddSection();
            s->SetText(text);
            s->SetWidth(width);
        }
        tree_->SetShowColumns(true);
    }

    // `count` top-level rows "Row N" with column texts "N" and "N0".
    void AddRows(int count) {
        tree_->Items().BeginUpdate();
        for (int i = 0; i < count; ++i) {
            TGtTreeItem* item =
                tree_->Items().Add(nullptr, runtime::Utf8ToWide("Row " + std::to_string(i)));
            item->ColumnText()->Add(runtime::Utf8ToWide(std::to_string(i)));
            item->ColumnText()->Add(runtime::Utf8ToWide(std::to_string(i) + "0"));
        }
        tree_->Items().EndUpdate();
    }

    gui::TForm form_{nullptr};
    TCountingTree* tree_ = nullptr;
    gui::testing::TEventLog log_;
};

TEST_F(GtTree, SettingsKeepTheirRulesAndDefaults) {
    // Columns cannot show without sections.
    tree_->SetShowColumns(true);
    EXPECT_FALSE(tree_->ShowColumns());
    AddColumns();
    EXPECT_TRUE(tree_->ShowColumns());

    struct Case {
        int set;
        int expected;
    } mainColumn[] = {{2, 2}, {3, 0}, {1, 1}, {-1, 1}};
    for (const Case& c : mainColumn) {
        tree_->SetMainTreeColumn(c.set);
        EXPECT_EQ(tree_->MainTreeColumn(), c.expected) << c.set;
    }

    const int automatic = tree_->LineHeight();
    EXPECT_EQ(automatic, 17);  // Tahoma -11, indent 17, no images
    tree_->SetLineHeight(30);
    EXPECT_EQ(tree_->LineHeight(), automatic);
    tree_->SetAutoLineHeight(false);
    tree_->SetLineHeight(30);
    EXPECT_EQ(tree_->LineHeight(), 30);
    tree_->SetLineHeight(0);
    EXPECT_EQ(tree_->LineHeight(), automatic);
    tree_->SetAutoLineHeight(true);
    tree_->SetHorizontalLines(true);
    EXPECT_EQ(tree_->LineHeight(), 18);
    tree_->SetBarStyle(true);
    EXPECT_EQ(tree_->LineHeight(), 19);
    EXPECT_EQ(tree_->BkColor(), 0xFF00000Fu);

    tree_->SetRowSelect(false);
    EXPECT_FALSE(tree_->FullRowSelect);
    tree_->FullRowSelect = true;
    EXPECT_FALSE(tree_->RowSelect());

    tree_->SetDblClickMode(dcmEdit);
    EXPECT_FALSE(tree_->ExpandOnDblClick());
    tree_->SetExpandOnDblClick(true);
    EXPECT_EQ(tree_->DblClickMode(), dcmExpand);

    for (int bad : {-1, 256}) {
        tree_->SetHighlightAlphaLevel(bad);
        EXPECT_EQ(tree_->HighlightAlphaLevel(), 255);
    }
    tree_->SetSelectColumn(5);
    EXPECT_EQ(tree_->SelectColumn(), -1);
    tree_->SetSelectColumn(2);
    EXPECT_EQ(tree_->SelectColumn(), 2);

    EXPECT_THROW(tree_->SetTopItem(nullptr), EGtTreeError);
}

TEST_F(GtTree, NestedUpdatesRepaintAndSortOnceAtTheOutermostUnlock) {
    AddRows(5);
    gui::testing::Pump();
    tree_->SetSortMode(smAdd);
    TCountingView& view = tree_->CountingView();
    view.Flushes = 0;
    log_.Entries.clear();

    tree_->Items().BeginUpdate();
    tree_->Items().BeginUpdate();
    tree_->Items().Add(nullptr, u"Aardvark");
    tree_->SetBkColor(0x00FF0000);
    tree_->Items().EndUpdate();
    EXPECT_EQ(view.Flushes, 0);
    EXPECT_EQ(testing::TakeLog(log_), "");

    tree_->Items().EndUpdate();
    EXPECT_EQ(view.Flushes, 1);
    EXPECT_EQ(testing::TakeLog(log_), "sort");
    EXPECT_EQ(tree_->Items().Item(0)->Text(), u"Aardvark");
    EXPECT_EQ(tree_->UpdateCount(), 0);
}

TEST_F(GtTree, LayoutPlacesHeaderViewAndBars) {
    AddColumns();
    AddRows(3);
    TGtTreeView& view = *tree_->View();
    const int hh = tree_->Header()->Height();
    EXPECT_GT(hh, 0);
    EXPECT_TRUE(tree_->Header()->Visible());
    EXPECT_EQ(view.Top(), hh);
    EXPECT_EQ(tree_->GetItemRect(0).Top, hh);
    EXPECT_EQ(view.Width(), tree_->ClientWidth());
    EXPECT_FALSE(tree_->VertBarVisible());
    EXPECT_FALSE(tree_->HorzBarVisible());  // 250 of 300 pixels

    // Many rows: the vertical bar stands at the right from the top, beside
    // the header; wider columns bring the horizontal bar.
    AddRows(40);
    tree_->HeaderSections()->GetSection(0)->SetWidth(300);
    gui::testing::Pump();
    EXPECT_TRUE(tree_->VertBarVisible());
    EXPECT_TRUE(tree_->HorzBarVisible());
    TGtScrollBar& vbar = *tree_->VertScrollBar();
    EXPECT_TRUE(vbar.Visible());
    EXPECT_EQ(vbar.Top(), 0);
    EXPECT_EQ(vbar.Left() + vbar.Width(), tree_->ClientWidth());
    EXPECT_EQ(view.Left() + view.Width(), vbar.Left());
    EXPECT_EQ(tree_->Header()->Width(), vbar.Left());
    EXPECT_EQ(vbar.Max(), 42);
    EXPECT_EQ(vbar.Page(), VisibleRowCount(view.ClientHeight(), tree_->LineHeight()) - 1);
    TGtScrollBar& hbar = *tree_->HorzScrollBar();
    EXPECT_EQ(hbar.Top() + hbar.Height(), tree_->ClientHeight());
    EXPECT_EQ(view.Top() + view.Height(), hbar.Top());
    EXPECT_EQ(hbar.Max(), 430);

    tree_->SetScrollbarOpposite(true);
    EXPECT_EQ(vbar.Left(), 0);
    EXPECT_EQ(view.Left(), vbar.Width());
    EXPECT_EQ(tree_->Header()->Left(), vbar.Width());

    // Hidden bars give their room back.
    tree_->SetHideVertScrollBar(true);
    tree_->SetHideHorzScrollBar(true);
    EXPECT_FALSE(vbar.Visible());
    EXPECT_EQ(view.Width(), tree_->ClientWidth());
    EXPECT_EQ(view.Top() + view.Height(), tree_->ClientHeight());
}

TEST_F(GtTree, ScrollingClampsAndReports) {
    AddColumns();
    AddRows(50);
    TGtTreeView& view = *tree_->View();
    const int maxTop = MaxTopIndex(50, view.GetVisibleRowCount());
    log_.Entries.clear();

    tree_->SetTopIndex(10);
    EXPECT_EQ(tree_->TopIndex(), 10);
    EXPECT_EQ(tree_->GetTopItem()->Text(), u"Row 10");
    EXPECT_EQ(view.Row(0)->Text(), u"Row 10");
    EXPECT_EQ(tree_->VertScrollBar()->Position(), 10);
    tree_->SetTopIndex(1000);
    EXPECT_EQ(tree_->TopIndex(), maxTop);
    EXPECT_EQ(view.Row(view.RowCount() - 1)->Text(), u"Row 49");
    tree_->SetTopIndex(-5);
    EXPECT_EQ(tree_->TopIndex(), 0);
    EXPECT_EQ(testing::TakeLog(log_), "vscroll 0, vscroll 0, vscroll 0");

    // Making a row visible scrolls it to the bottom edge.
    tree_->Items().Item(30)->MakeVisible();
    EXPECT_LE(tree_->TopIndex(), 30);
    int rest = 0;
    EXPECT_EQ(tree_->TopIndex(), 30 - view.GetFullRowCount(rest) + 1);

    // The view's bar scrolls it; WM_VSCROLL pages.
    tree_->SetTopIndex(0);
    SendMessageW(tree_->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(tree_->TopIndex(), view.GetVisibleRowCount() - 1);

    tree_->HeaderSections()->GetSection(0)->SetWidth(400);
    tree_->SetLeftPosition(100);
    EXPECT_EQ(tree_->LeftPosition(), 100);
    EXPECT_EQ(tree_->Header()->LeftPos(), 100);
    tree_->SetLeftPosition(5000);
    EXPECT_EQ(tree_->LeftPosition(), 530 - view.ClientWidth());
    // Columns narrowed: the horizontal position goes back to 0.
    tree_->HeaderSections()->GetSection(0)->SetWidth(50);
    gui::testing::Pump();
    EXPECT_EQ(tree_->LeftPosition(), 0);
}

TEST_F(GtTree, RowsOfCollapsedParentsAndItemsAtY) {
    tree_->Items().BeginUpdate();
    TGtTreeItem* a = tree_->Items().Add(nullptr, u"A");
    TGtTreeItem* b = tree_->Items().AddChild(a, u"B");
    tree_->Items().AddChild(b, u"C");
    tree_->Items().Add(nullptr, u"D");
    tree_->Items().EndUpdate();
    TGtTreeView& view = *tree_->View();
    EXPECT_EQ(tree_->TotalVisible(), 2);
    EXPECT_EQ(view.RowCount(), 2);
    a->Expand(true);
    EXPECT_EQ(tree_->TotalVisible(), 4);
    ASSERT_EQ(view.RowCount(), 4);
    EXPECT_EQ(view.Row(2)->Text(), u"C");
    const int lh = tree_->LineHeight();
    EXPECT_EQ(tree_->GetItemAtY(0), a);
    EXPECT_EQ(tree_->GetItemAtY(2 * lh + 1), view.Row(2));
    EXPECT_EQ(tree_->GetItemAtY(4 * lh), nullptr);
    EXPECT_EQ(tree_->GetItemAtY(-1), nullptr);
    b->Delete();
    EXPECT_EQ(view.RowCount(), 2);
    EXPECT_EQ(view.Row(1)->Text(), u"D");

    runtime::TMemoryStream stream;
    a->Collapse(true);
    tree_->Items().AddChild(tree_->Items().AddChild(a, u"B"), u"C");
    tree_->SaveStringsToStream(stream);
    EXPECT_EQ(
        std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size())),
        "A\r\nB\r\n C\r\nD\r\n");
}

TEST_F(GtTree, MultiSelectOffKeepsOnlyTheFocusedItem) {
    AddRows(4);
    TGtTreeItems& items = tree_->Items();
    for (int i : {0, 1, 2}) items.Item(i)->SetSelected(true);
    tree_->SetItemFocused(items.Item(1));
    EXPECT_EQ(tree_->SelectedCount(), 3);
    tree_->OnItemSelectedChange = [this](runtime::TObject*, TGtTreeItem* item) {
        log_.Add(runtime::WideToUtf8(item->Text()) + (item->Selected() ? " on" : " off"));
    };
    tree_->SetMultiSelect(false);
    EXPECT_EQ(tree_->Selected(), items.Item(1));
    EXPECT_EQ(tree_->SelectedCount(), 1);
    EXPECT_FALSE(items.Item(0)->Selected());
    EXPECT_TRUE(items.Item(1)->Selected());
    const std::string log = testing::TakeLog(log_);
    for (const char* e : {"Row 0 off", "Row 1 off", "Row 2 off", "Row 1 on"})
        EXPECT_NE(log.find(e), std::string::npos) << log;
}

TEST_F(GtTree, PaintsRowsSelectionAndColumns) {
    AddColumns();
    AddRows(30);
    tree_->SetBkColor(0x00F0F0F0);
    tree_->Items().Item(1)->SetSelected(true);
    tree_->SetMultiSelect(false);
    tree_->SetItemFocused(tree_->Items().Item(1));
    gui::testing::Pump();
    auto bitmap = gui::testing::PaintControl(*tree_);
    const TGtTreeView& view = *tree_->View();
    const int lh = tree_->LineHeight();
    // Row 0 on the background, row 1 in the unfocused selection colour.
    const int x = view.Left() + 250;
    EXPECT_EQ(PixelAt(*bitmap, x, view.Top() + lh / 2), 0xF0F0F0u);
    EXPECT_EQ(PixelAt(*bitmap, x, view.Top() + lh + lh / 2), Px(gui::clBtnFace));
    // Some text pixels in the first row's main cell.
    bool ink = false;
    for (int px = view.Left(); px < view.Left() + 120 && !ink; ++px)
        for (int py = view.Top(); py < view.Top() + lh; ++py)
            if (PixelAt(*bitmap, px, py) != 0xF0F0F0u) ink = true;
    EXPECT_TRUE(ink);
    gui::testing::SavePng(*bitmap, runtime::AnsiToWide(SERPLOW_BINARY_DIR "/gt_tree.png"));
}

}  // namespace
}  // namespace controls::tree
