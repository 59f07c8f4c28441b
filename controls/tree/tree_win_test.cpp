// The tree control under Wine: settings and their effects, the nested
// update lock, layout of header, view and bars, scrolling, painting.
#include <gtest/gtest.h>

#include <algorithm>
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

class GtTree : public testing::GtTreeTest {
  protected:
    void SetUp() override {
        counting_ = Place(new TCountingTree(&form_), {});
        tree_->OnScroll = [this](runtime::TObject*, gui::TScrollBarKind kind, int code) {
            log_.Add(std::string(kind == gui::sbVertical ? "vscroll " : "hscroll ") +
                     std::to_string(code));
        };
        tree_->OnSortBegin = [this](runtime::TObject*) { log_.Add("sort"); };
        Show();
    }

    TCountingTree* counting_ = nullptr;
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
    TCountingView& view = counting_->CountingView();
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

    // Making a row visible makes it the first row (as far as the rows
    // go), or the last one from the bottom; a row shown stays where it is.
    tree_->Items().Item(30)->MakeVisible();
    EXPECT_EQ(tree_->TopIndex(), std::min(30, maxTop));
    tree_->EnsureVisible(tree_->Items().Item(31));
    EXPECT_EQ(tree_->TopIndex(), std::min(30, maxTop));
    tree_->SetTopIndex(0);
    tree_->EnsureVisibleBottom(tree_->Items().Item(30));
    int rest = 0;
    EXPECT_EQ(tree_->TopIndex(), 30 - view.GetFullRowCount(rest) + 1);
    EXPECT_TRUE(tree_->IsInView(tree_->Items().Item(30)));
    EXPECT_FALSE(tree_->IsInView(tree_->Items().Item(0)));

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
    // The focus change selects row 1.
    tree_->SetItemFocused(items.Item(1));
    for (int i : {0, 2}) items.Item(i)->SetSelected(true);
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

// A click on the view at a row's middle and the given x.
void ClickRow(TGtTreeView& view, int row, int x, WPARAM keys = 0, bool right = false) {
    const int y = view.GetRowRect(row).Top + view.GetRowRect(row).Height() / 2;
    testing::PostMouse(view, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, x, y,
                       keys | (right ? MK_RBUTTON : MK_LBUTTON));
    testing::PostMouse(view, right ? WM_RBUTTONUP : WM_LBUTTONUP, x, y, keys);
}

std::string SelectedTexts(TGtTree& tree) {
    std::string out;
    for (int i = 0; i < tree.AllItems().Count(); ++i) {
        auto* item = static_cast<TGtTreeItem*>(tree.AllItems().Get(i));
        if (item->Selected()) out += (out.empty() ? "" : " ") + runtime::WideToUtf8(item->Text());
    }
    return out;
}

TEST_F(GtTree, ClicksSelectWithCtrlAndShiftAndReportOnce) {
    AddColumns();
    AddRows(8);
    TGtTreeView& view = *tree_->View();
    int after = 0;
    tree_->OnAfterSelectionChange = [&](runtime::TObject*) { ++after; };
    struct Step {
        int row;
        WPARAM keys;
        const char* selected;
        const char* focused;
    } steps[] = {
        {2, 0, "Row 2", "Row 2"},
        {4, MK_CONTROL, "Row 2 Row 4", "Row 4"},
        // Ctrl leaves the anchor where the last plain click put it.
        {6, MK_SHIFT, "Row 2 Row 3 Row 4 Row 5 Row 6", "Row 6"},
        {5, MK_CONTROL, "Row 2 Row 3 Row 4 Row 6", "Row 5"},
        {1, 0, "Row 1", "Row 1"},
    };
    for (const Step& s : steps) {
        after = 0;
        ClickRow(view, s.row, 40, s.keys);
        EXPECT_EQ(SelectedTexts(*tree_), s.selected) << s.row;
        ASSERT_NE(tree_->ItemFocused(), nullptr);
        EXPECT_EQ(runtime::WideToUtf8(tree_->ItemFocused()->Text()), s.focused);
        EXPECT_EQ(after, 1) << s.row;
    }
    // A click on another column selects the row too; one below the rows
    // clears the focus and (AlwaysKeepSelection) keeps the selection.
    ClickRow(view, 3, 150);
    EXPECT_EQ(SelectedTexts(*tree_), "Row 3");
    testing::PostMouse(view, WM_LBUTTONDOWN, 40, view.RowsHeight() + 5, MK_LBUTTON);
    testing::PostMouse(view, WM_LBUTTONUP, 40, view.RowsHeight() + 5);
    EXPECT_EQ(tree_->ItemFocused(), nullptr);
    EXPECT_EQ(SelectedTexts(*tree_), "Row 3");

    // Single selection: the focus is the selection.
    tree_->SetMultiSelect(false);
    ClickRow(view, 6, 40, MK_CONTROL);
    EXPECT_EQ(tree_->Selected(), tree_->Items().Item(6));
    EXPECT_EQ(tree_->SelectedCount(), 1);
}

TEST_F(GtTree, ButtonsExpandAndCheckBoxesToggleOnTheLeftReleaseOnly) {
    tree_->SetShowCheckboxes(true);
    tree_->Items().BeginUpdate();
    TGtTreeItem* a = tree_->Items().Add(nullptr, u"Keywords");
    a->SetShowCheckBox(true);
    a->SetCheckBoxEnabled(true);
    for (const char16_t* text : {u"cheap flights", u"hotel deals"}) {
        TGtTreeItem* child = tree_->Items().AddChild(a, text);
        child->SetShowCheckBox(true);
        child->SetCheckBoxEnabled(true);
    }
    tree_->Items().EndUpdate();
    tree_->OnItemChecked = [this](runtime::TObject*, TGtTreeItem* item) {
        log_.Add("checked " + runtime::WideToUtf8(item->Text()));
    };
    TGtTreeView& view = *tree_->View();
    const TGtMainCellLayout l = tree_->MainCellLayout(a);

    ClickRow(view, 0, (l.Button.Left + l.Button.Right) / 2);
    EXPECT_TRUE(a->Expanded());
    EXPECT_EQ(view.RowCount(), 3);
    EXPECT_EQ(tree_->ItemFocused(), nullptr);  // the button does not select

    const TGtMainCellLayout child = tree_->MainCellLayout(a->Children(1));
    const int boxX = child.CheckBox.Left + 3;
    ClickRow(view, 2, boxX, 0, /*right=*/true);
    EXPECT_FALSE(a->Children(1)->Checked());
    ClickRow(view, 2, boxX);
    EXPECT_TRUE(a->Children(1)->Checked());
    EXPECT_EQ(testing::TakeLog(log_), "checked hotel deals");

    // Double click on the text collapses, the button expands again.
    const int textX = l.Text.Left + 2;
    const int y = view.GetRowRect(0).Top + 3;
    testing::PostMouse(view, WM_LBUTTONDOWN, textX, y, MK_LBUTTON);
    testing::PostMouse(view, WM_LBUTTONUP, textX, y);
    testing::PostMouse(view, WM_LBUTTONDBLCLK, textX, y, MK_LBUTTON);
    testing::PostMouse(view, WM_LBUTTONUP, textX, y);
    EXPECT_FALSE(a->Expanded());
    EXPECT_EQ(view.RowCount(), 1);
    EXPECT_EQ(tree_->ItemFocused(), a);

    // Hit parts along the row.
    a->Expand(false);
    struct Probe {
        int x;
        THitPart part;
    } probes[] = {{l.Button.Left + 2, hpExpandButton},
                  {l.CheckBox.Left + 2, hpCheckBox},
                  {l.Text.Left + 2, hpText},
                  {l.Text.Right + 30, hpNothing}};
    for (const Probe& p : probes) {
        int section = -7;
        THitPart part = hpNothing;
        EXPECT_EQ(view.GetItemAt(p.x, 2, section, part), a);
        EXPECT_EQ(part, p.part) << p.x;
    }
}

// A right-aligned tree: the columns in reversed order, the tree part of a
// row running from its main cell's right edge leftwards and hit there, the
// arrow keys exchanged; without columns the view keeps showing the same
// stretch of the rows, seen from the other side.
TEST_F(GtTree, RightAlignedTreeMirrorsTheColumnsTheHitsAndTheArrowKeys) {
    AddColumns();
    tree_->SetShowCheckboxes(true);
    tree_->Items().BeginUpdate();
    TGtTreeItem* a = tree_->Items().Add(nullptr, u"Keywords");
    a->SetShowCheckBox(true);
    a->SetCheckBoxEnabled(true);
    a->ColumnText()->Add(u"3");
    tree_->Items().AddChild(a, u"hotel deals");
    tree_->Items().EndUpdate();
    tree_->SetRightAlignedTree(true);
    gui::testing::Pump();
    TGtHeaderSections& sections = *tree_->HeaderSections();
    const auto order = [&] {
        std::string out;
        for (int i = 0; i < sections.Count(); ++i)
            out += std::to_string(sections.ItemByPosition(i)->Index());
        return out;
    };
    EXPECT_EQ(order(), "210");
    const TGtHeaderSection& main = *sections.GetSection(0);
    EXPECT_EQ(main.Left(), 130);

    const TGtMainCellLayout l = tree_->MainCellLayout(a);
    EXPECT_EQ(l.Button.Right, 250);
    EXPECT_LT(l.CheckBox.Right, l.Button.Left + 1);
    EXPECT_LT(l.Text.Right, l.CheckBox.Left);
    TGtTreeView& view = *tree_->View();
    struct Probe {
        int x;
        THitPart part;
        int section;
    } probes[] = {{l.Button.Left + 2, hpExpandButton, 0}, {l.CheckBox.Left + 3, hpCheckBox, 0},
                  {l.Text.Right - 2, hpText, 0},          {l.CheckBox.Left - 2, hpText, 0},
                  {l.Text.Left - 3, hpMainCell, 0},       {10, hpCell, 2}};
    for (const Probe& p : probes) {
        int section = -7;
        THitPart part = hpNothing;
        EXPECT_EQ(view.GetItemAt(p.x, 2, section, part), a) << p.x;
        EXPECT_EQ(part, p.part) << p.x;
        EXPECT_EQ(section, p.section) << p.x;
    }
    ClickRow(view, 0, (l.Button.Left + l.Button.Right) / 2);
    EXPECT_TRUE(a->Expanded());

    // Right opens towards the left: it collapses, Left expands.
    tree_->SetItemFocused(a);
    gui::testing::PressKey(VK_RIGHT, {}, &view);
    EXPECT_FALSE(a->Expanded());
    gui::testing::PressKey(VK_LEFT, {}, &view);
    EXPECT_TRUE(a->Expanded());

    tree_->SetRightAlignedTree(false);
    EXPECT_EQ(order(), "012");
    EXPECT_EQ(tree_->MainCellLayout(a).Button.Left, 0);

    // Without columns: rows wider than the view, scrolled 20 pixels in.
    tree_->SetShowColumns(false);
    a->SetText(std::u16string(80, u'w'));
    gui::testing::Pump();
    const int content = view.ContentWidth();
    ASSERT_GT(content, view.ClientWidth() + 40);
    tree_->SetLeftPosition(20);
    tree_->SetRightAlignedTree(true);
    EXPECT_EQ(tree_->LeftPosition(), std::min(content - 20, content - view.ClientWidth()));
    EXPECT_EQ(tree_->MainCellLayout(a).Button.Right, content);
    tree_->SetRightAlignedTree(false);
    EXPECT_EQ(tree_->LeftPosition(), 0);
    EXPECT_EQ(tree_->UpdateCount(), 0);
}

TEST_F(GtTree, WheelAndKeysScrollAndMoveTheFocus) {
    AddRows(60);
    TGtTreeView& view = *tree_->View();
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int page = view.GetVisibleRowCount() - 1;
    const bool pages = lines == WHEEL_PAGESCROLL;
    const int step = pages ? page : static_cast<int>(lines);
    // Half a notch moves the rows it is worth, a page only as a whole notch.
    const int half = pages ? 0 : 60 / (WHEEL_DELTA / step);
    struct Turn {
        int delta;
        int top;
    } turns[] = {{-120, step}, {-60, step + half}, {-60, 2 * step}, {240, 0}};
    for (const Turn& w : turns) {
        SendMessageW(view.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(w.delta)), 0);
        EXPECT_EQ(tree_->TopIndex(), w.top) << w.delta;
    }

    tree_->SetItemFocused(tree_->Items().Item(0));
    struct Key {
        WORD key;
        int focused;
    } keys[] = {{VK_DOWN, 1}, {VK_DOWN, 2}, {VK_UP, 1}, {VK_END, 59}, {VK_HOME, 0}};
    for (const Key& k : keys) {
        SendMessageW(view.Handle(), WM_KEYDOWN, k.key, 0);
        EXPECT_EQ(tree_->ItemFocused(), tree_->Items().Item(k.focused)) << k.key;
        EXPECT_TRUE(tree_->ItemFocused()->Selected());
    }
    SendMessageW(view.Handle(), WM_KEYDOWN, VK_END, 0);
    int rest = 0;
    EXPECT_EQ(tree_->TopIndex(), 60 - view.GetFullRowCount(rest));
}

TEST_F(GtTree, PaintsRowsButtonsCheckBoxesSelectionAndLines) {
    AddColumns();
    AddRows(30);
    tree_->SetBkColor(0x00F0F0F0);
    tree_->SetShowCheckboxes(true);
    tree_->SetVerticalLines(true);
    TGtTreeItem* parent = tree_->Items().Item(0);
    for (const char16_t* text : {u"cheap flights", u"hotel deals"})
        tree_->Items().AddChild(parent, text)->ColumnText()->Add(u"7");
    parent->SetShowCheckBox(true);
    parent->SetCheckBoxEnabled(true);
    parent->SetChecked(true);
    tree_->SetMultiSelect(false);
    tree_->SetItemFocused(parent->NextSibling());
    gui::testing::Pump();
    auto bitmap = gui::testing::PaintControl(*tree_);
    const TGtTreeView& view = *tree_->View();
    const int lh = tree_->LineHeight();
    const int top = view.Top();
    // Row 0 on the background; the focused row 1 in the selection colour,
    // which HideSelection off keeps while the tree has no focus.
    EXPECT_EQ(PixelAt(*bitmap, 200, top + lh / 2), 0xF0F0F0u);
    EXPECT_EQ(PixelAt(*bitmap, 200, top + lh + lh / 2), Px(gui::clHighlight));
    // The collapsed parent's button, a 9 x 9 glyph in a 10 x 10 box centred
    // in the indent column: shadow frame, window inside, a plus in the
    // window text colour.
    const TGtMainCellLayout l = tree_->MainCellLayout(parent);
    const int cx = l.Button.Left + (17 / 2 - 5) + 4;
    const int cy = top + (lh / 2 - 5) + 4;
    EXPECT_EQ(PixelAt(*bitmap, cx - 4, cy), Px(gui::clBtnShadow));
    EXPECT_EQ(PixelAt(*bitmap, cx - 3, cy - 3), Px(gui::clWindow));
    EXPECT_EQ(PixelAt(*bitmap, cx, cy - 2), Px(gui::clWindowText));
    EXPECT_EQ(PixelAt(*bitmap, cx + 2, cy), Px(gui::clWindowText));
    // The check box stands out from the background; rows without one do not.
    int marked = 0;
    for (int x = l.CheckBox.Left; x < l.CheckBox.Right; ++x)
        if (PixelAt(*bitmap, x, cy) != 0xF0F0F0u) ++marked;
    EXPECT_GT(marked, 4);
    // Column lines at each column's right edge.
    EXPECT_EQ(PixelAt(*bitmap, 119, top + 5 * lh + 3), Px(gui::clBtnFace));
    EXPECT_EQ(PixelAt(*bitmap, 189, top + 5 * lh + 3), Px(gui::clBtnFace));

    parent->Expand(false);
    tree_->SetItemFocused(parent->Children(0));
    gui::testing::Pump();
    bitmap = gui::testing::PaintControl(*tree_);
    EXPECT_EQ(PixelAt(*bitmap, cx, cy - 2), Px(gui::clWindow));  // expanded: a minus
    EXPECT_EQ(PixelAt(*bitmap, cx + 2, cy), Px(gui::clWindowText));
    gui::testing::SavePng(*bitmap, runtime::AnsiToWide(SERPLOW_BINARY_DIR "/gt_tree.png"));

    // A disabled tree shows its check boxes disabled: they change look.
    const uint32_t enabledLook = PixelAt(*bitmap, l.CheckBox.Left + 7, cy);
    tree_->SetEnabled(false);
    bitmap = gui::testing::PaintControl(*tree_);
    EXPECT_NE(PixelAt(*bitmap, l.CheckBox.Left + 7, cy), enabledLook);
}

}  // namespace
}  // namespace controls::tree
