// The tree's input under Wine: keys, incremental search, scrolling and the
// wheel, frame selection and the mouse rules around clicks, driven by
// posted messages, with the event log.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "controls/tree/windowtest_win.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/testing.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

using gui::testing::PressKey;
using runtime::ssCtrl;
using runtime::ssShift;

std::string Name(const TGtTreeItem* item) {
    return item != nullptr ? runtime::WideToUtf8(item->Text()) : "-";
}

class GtTreeInput : public testing::GtTreeTest {
  protected:
    void SetUp() override {
        Place({.FormHeight = 300});
        tree_->OnAfterSelectionChange = [this](runtime::TObject*) { log_.Add("after"); };
        tree_->OnScroll = [this](runtime::TObject*, gui::TScrollBarKind kind, int code) {
            log_.Add((kind == gui::sbVertical ? "vscroll " : "hscroll ") + std::to_string(code));
        };
        tree_->OnMouseUp = [this](runtime::TObject*, runtime::TMouseButton, runtime::TShiftState,
                                  int, int) { log_.Add("up"); };
        tree_->OnClick = [this](runtime::TObject*) { log_.Add("click"); };
        tree_->OnDblClick = [this](runtime::TObject*) { log_.Add("dblclick"); };
        tree_->OnMouseDown = [this](runtime::TObject*, runtime::TMouseButton, runtime::TShiftState,
                                    int, int) { log_.Add("down"); };
        Show();
    }

    TGtTreeView& View() { return *tree_->View(); }

    // Top-level rows "Row 00" .. and the item list in one update.
    void AddPaddedRows(int count) {
        tree_->Items().BeginUpdate();
        for (int i = 0; i < count; ++i) {
            const std::string n = (i < 10 ? "Row 0" : "Row ") + std::to_string(i);
            tree_->Items().Add(nullptr, runtime::Utf8ToWide(n));
        }
        tree_->Items().EndUpdate();
    }

    TGtTreeItem* Find(const std::string& text) {
        for (int i = 0; i < tree_->AllItems().Count(); ++i) {
            auto* item = static_cast<TGtTreeItem*>(tree_->AllItems().Get(i));
            if (Name(item) == text) return item;
        }
        ADD_FAILURE() << "no item " << text;
        return nullptr;
    }

    std::string SelectedNames() {
        std::string out;
        for (int i = 0; i < tree_->AllItems().Count(); ++i) {
            auto* item = static_cast<TGtTreeItem*>(tree_->AllItems().Get(i));
            if (item->Selected()) out += (out.empty() ? "" : ", ") + Name(item);
        }
        return out;
    }

    // The view's client height made exactly `height`.
    void SetViewHeight(int height) {
        tree_->SetHeight(tree_->Height() + height - View().ClientHeight());
        gui::testing::Pump();
        ASSERT_EQ(View().ClientHeight(), height);
    }

    // The middle of the row shown at `row`, at x.
    gui::TPoint RowPoint(int row, int x) {
        const gui::TRect r = View().GetRowRect(row);
        return {x, r.Top + r.Height() / 2};
    }

    void Post(UINT msg, gui::TPoint p, WPARAM keys = 0) {
        testing::PostMouse(View(), msg, p.X, p.Y, keys);
    }

    void Click(gui::TPoint p, WPARAM keys = 0, bool right = false) {
        Post(right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, p, keys | (right ? MK_RBUTTON : MK_LBUTTON));
        Post(right ? WM_RBUTTONUP : WM_LBUTTONUP, p, keys);
    }
};

// ---- keys -------------------------------------------------------------------------------

TEST_F(GtTreeInput, KeysMoveFocusAndSelectionWithCtrlShiftAndSpace) {
    AddPaddedRows(12);
    Find("Row 03")->SetEnabled(false);
    tree_->SetItemFocused(Find("Row 00"));
    struct Step {
        WORD key;
        runtime::TShiftState shift;
        const char* focused;
        const char* selected;
        const char* log;
    } steps[] = {
        {VK_DOWN, {}, "Row 01", "Row 01", "after"},
        {VK_DOWN, {}, "Row 02", "Row 02", "after"},
        // The disabled row is stepped over.
        {VK_DOWN, {}, "Row 04", "Row 04", "after"},
        {VK_UP, {}, "Row 02", "Row 02", "after"},
        // Shift extends from the anchor over the enabled rows; Ctrl with
        // Shift counts as Shift.
        {VK_DOWN, {ssShift}, "Row 04", "Row 02, Row 04", "after"},
        {VK_DOWN, {ssShift, ssCtrl}, "Row 05", "Row 02, Row 04, Row 05", "after"},
        // Ctrl moves the focus alone: rows keep their selection, selected
        // or not.
        {VK_DOWN, {ssCtrl}, "Row 06", "Row 02, Row 04, Row 05", "after"},
        {VK_UP, {ssCtrl}, "Row 05", "Row 02, Row 04, Row 05", "after"},
        {VK_UP, {ssCtrl}, "Row 04", "Row 02, Row 04, Row 05", "after"},
        // Space makes the focused row the selection, Ctrl+Space flips it.
        {VK_SPACE, {}, "Row 04", "Row 04", "after"},
        {VK_SPACE, {ssCtrl}, "Row 04", "", "after"},
        // The last row is cut off at the bottom: focusing it moves the
        // rows up by one.
        {VK_END, {}, "Row 11", "Row 11", "vscroll 0, after"},
        {VK_HOME, {}, "Row 00", "Row 00", "vscroll 0, after"},
        // Nothing above the first row: the focus stays, still selected.
        {VK_UP, {}, "Row 00", "Row 00", "after"},
    };
    for (const Step& s : steps) {
        PressKey(s.key, s.shift, &View());
        EXPECT_EQ(Name(tree_->ItemFocused()), s.focused) << s.key;
        EXPECT_EQ(SelectedNames(), s.selected) << s.key;
        EXPECT_EQ(Log(), s.log) << s.key;
    }

    // Single selection: the focus is the selection, Ctrl changes nothing.
    tree_->SetMultiSelect(false);
    PressKey(VK_DOWN, {ssCtrl}, &View());
    EXPECT_EQ(Name(tree_->Selected()), "Row 01");
    EXPECT_EQ(tree_->SelectedCount(), 1);
}

TEST_F(GtTreeInput, KeysExpandCollapseAndWalkTheLevels) {
    tree_->Items().BeginUpdate();
    TGtTreeItem* p = tree_->Items().Add(nullptr, u"P");
    tree_->Items().AddChild(p, u"c1");
    TGtTreeItem* c2 = tree_->Items().AddChild(p, u"c2");
    TGtTreeItem* g = tree_->Items().AddChild(c2, u"g");
    tree_->Items().Add(nullptr, u"Q");
    tree_->Items().EndUpdate();
    tree_->SetItemFocused(p);
    const auto state = [&] {
        return Name(tree_->ItemFocused()) + (p->Expanded() ? " P+" : " P-") +
               (c2->Expanded() ? " c2+" : " c2-");
    };
    struct Step {
        WORD key;
        runtime::TShiftState shift;
        const char* state;
    } steps[] = {
        {VK_RIGHT, {}, "P P+ c2-"},   // expands
        {VK_RIGHT, {}, "c1 P+ c2-"},  // then moves to the first child
        {VK_LEFT, {}, "P P+ c2-"},    // a leaf: up to the parent
        {VK_LEFT, {}, "P P- c2-"},    // collapses
        {VK_MULTIPLY, {}, "P P+ c2+"},
        {VK_DIVIDE, {}, "P P- c2-"},
        {VK_ADD, {}, "P P+ c2-"},
        {VK_SUBTRACT, {}, "P P- c2-"},
        {'8', {ssShift}, "P P+ c2+"},
        {VK_ADD, {ssCtrl}, "P P+ c2+"},  // auto-sizes columns instead
    };
    for (const Step& s : steps) {
        PressKey(s.key, s.shift, &View());
        EXPECT_EQ(state(), s.state) << s.key;
    }
    tree_->SetItemFocused(g);
    PressKey(VK_BACK, {}, &View());
    EXPECT_EQ(Name(tree_->ItemFocused()), "c2");
    // Disabled rows neither expand nor take the focus from Backspace.
    c2->SetEnabled(false);
    tree_->SetItemFocused(g);
    PressKey(VK_BACK, {}, &View());
    EXPECT_EQ(Name(tree_->ItemFocused()), "g");
}

TEST_F(GtTreeInput, KeysScrollOnlyWhenTheFocusLeavesTheRowsShown) {
    AddPaddedRows(40);
    const int line = tree_->LineHeight();
    struct Step {
        WORD key;
        int focused;
        int top;
    };
    // Ten whole rows and part of an eleventh.
    SetViewHeight(10 * line + line / 2);
    tree_->SetItemFocused(tree_->Items().Item(9));
    const Step partial[] = {
        {VK_DOWN, 10, 1},  // onto the cut-off row: the rows move up by one
        {VK_DOWN, 11, 2},  // the same again for the next cut-off row
        {VK_UP, 10, 2},   {VK_UP, 9, 2},   {VK_UP, 8, 2}, {VK_UP, 7, 2},
        {VK_UP, 6, 2},    {VK_UP, 5, 2},   {VK_UP, 4, 2}, {VK_UP, 3, 2},
        {VK_UP, 2, 2},    {VK_UP, 1, 1},  // the new row becomes the top row
        {VK_NEXT, 11, 2},                 // ten enabled rows on, cut off
        {VK_END, 39, 39}, {VK_HOME, 0, 0},
    };
    for (const Step& s : partial) {
        PressKey(s.key, {}, &View());
        EXPECT_EQ(tree_->ItemFocused(), tree_->Items().Item(s.focused)) << s.key;
        EXPECT_EQ(tree_->TopIndex(), std::min(s.top, 40 - View().GetVisibleRowCount() + 1))
            << s.key << " to " << s.focused;
    }

    // Exactly ten rows: the rows shown end with one starting at the bottom
    // edge, which moves up by one when focused, and a page is nine rows;
    // disabled rows are not counted.
    SetViewHeight(10 * line);
    tree_->SetTopIndex(0);
    tree_->SetItemFocused(tree_->Items().Item(9));
    const Step exact[] = {{VK_DOWN, 10, 1}, {VK_DOWN, 11, 2}};
    for (const Step& s : exact) {
        PressKey(s.key, {}, &View());
        EXPECT_EQ(tree_->ItemFocused(), tree_->Items().Item(s.focused)) << s.key;
        EXPECT_EQ(tree_->TopIndex(), s.top) << s.focused;
    }
    tree_->SetItemFocused(tree_->Items().Item(0));
    PressKey(VK_NEXT, {}, &View());
    EXPECT_EQ(tree_->ItemFocused(), tree_->Items().Item(9));
    tree_->Items().Item(12)->SetEnabled(false);
    PressKey(VK_NEXT, {}, &View());
    EXPECT_EQ(tree_->ItemFocused(), tree_->Items().Item(19));
    tree_->IgnoreEnabled = true;
    PressKey(VK_PRIOR, {}, &View());
    EXPECT_EQ(tree_->ItemFocused(), tree_->Items().Item(10));
}

// ---- incremental search -----------------------------------------------------------------

TEST_F(GtTreeInput, IncrementalSearchFindsTextsInTreeOrderInAnyCase) {
    tree_->Items().BeginUpdate();
    tree_->Items().Add(nullptr, u"Beta");
    TGtTreeItem* hidden = tree_->Items().Add(nullptr, u"Abacus");
    TGtTreeItem* group = tree_->Items().Add(nullptr, u"Group");
    tree_->Items().AddChild(group, u"ABEND");
    tree_->Items().AddChild(group, u"abc");
    tree_->Items().Add(nullptr, u"\u0416\u0430\u0431\u0430");  // Жаба
    tree_->Items().Add(nullptr, u"\u00c4rger");                // Ärger
    tree_->Items().EndUpdate();
    hidden->SetHidden(true);
    tree_->SetFilteredVisibility(true);
    tree_->IncrementalSearch = true;
    tree_->IncrementalSearchTimeout = 60000;  // ends by Escape or below
    std::string keys;
    tree_->OnKeyPress = [&](runtime::TObject*, char& key) { keys += key; };

    struct Step {
        std::u16string typed;
        const char* search;
        const char* focused;
    } steps[] = {
        // The filter hides "Abacus"; the collapsed group opens.
        {u"ab", "ab", "ABEND"},
        {u"c", "abc", "abc"},
        {u"\b", "ab", "ABEND"},
        // Spaces and other control characters take no part.
        {u" \t", "ab", "ABEND"},
        {u"\x1b", "", "ABEND"},
        {u"\u0436\u0410", "\u0436\u0410", "\u0416\u0430\u0431\u0430"},  // жА
        {u"\x1b\u00e4r", "\u00e4r", "\u00c4rger"},
        {u"\x1bzz", "zz", "\u00c4rger"},  // no match changes nothing
    };
    for (const Step& s : steps) {
        gui::testing::TypeText(s.typed, &View());
        EXPECT_EQ(runtime::WideToUtf8(View().SearchText()), s.search);
        EXPECT_EQ(Name(tree_->ItemFocused()), s.focused);
    }
    EXPECT_TRUE(group->Expanded());
    // Every key reached OnKeyPress, searched or not (the non-Latin ones only
    // where the code page has them).
    EXPECT_NE(keys.find("abc\b \t\x1b"), std::string::npos);

    // Escape clears the multi-selection too.
    Find("Beta")->SetSelected(true);
    log_.Entries.clear();
    gui::testing::TypeText(u"\x1b", &View());
    EXPECT_EQ(SelectedNames(), "");
    EXPECT_EQ(Log(), "after");

    // The text is forgotten once typing pauses for the time-out.
    tree_->IncrementalSearchTimeout = 100;
    gui::testing::TypeText(u"b", &View());
    EXPECT_EQ(Name(tree_->ItemFocused()), "Beta");
    EXPECT_TRUE(gui::testing::PumpUntil([&] { return View().SearchText().empty(); }));
    gui::testing::TypeText(u"g", &View());
    EXPECT_EQ(Name(tree_->ItemFocused()), "Group");
}

TEST_F(GtTreeInput, HeaderLookupFocusesTheFirstRowWhoseColumnStartsWithTheText) {
    for (const char16_t* caption : {u"Keyword", u"Position"})
        tree_->HeaderSections()->AddSection()->SetText(caption);
    tree_->SetShowColumns(true);
    tree_->Items().BeginUpdate();
    for (auto [text, cell] :
         {std::pair{u"cheap flights", u"12"}, {u"дёшево", u"7"}, {u"hotel deals", u"71"}}) {
        TGtTreeItem* item = tree_->Items().Add(nullptr, text);
        item->ColumnText()->Add(cell);
    }
    tree_->Items().EndUpdate();
    TGtHeaderSection* keyword = tree_->HeaderSections()->GetSection(0);
    TGtHeaderSection* position = tree_->HeaderSections()->GetSection(1);
    struct Step {
        bool autoLookup;
        TGtHeaderSection* section;
        std::u16string text;
        const char* focused;
    } steps[] = {
        {false, keyword, u"hot", "-"},  // only the event without AutoLookup
        {true, keyword, u"HOT", "hotel deals"}, {true, position, u"1", "cheap flights"},
        {true, keyword, u"ДЁ", "дёшево"},  // ДЁ
        {true, keyword, u"x", "дёшево"},
    };
    int events = 0;
    tree_->OnHeaderLookup = [&](runtime::TObject*, TGtHeaderSection*, std::u16string&) {
        ++events;
    };
    for (const Step& s : steps) {
        tree_->AutoLookup = s.autoLookup;
        std::u16string text = s.text;
        tree_->Header()->OnHeaderLookup(tree_->Header(), s.section, text);
        EXPECT_EQ(Name(tree_->ItemFocused()), s.focused);
    }
    EXPECT_EQ(events, 5);
}

// ---- scrolling --------------------------------------------------------------------------

TEST_F(GtTreeInput, PositionsClampAndEveryAssignmentReports) {
    AddPaddedRows(100);
    const int line = tree_->LineHeight();
    SetViewHeight(9 * line + line / 2);  // ten rows, the last cut off
    log_.Entries.clear();
    struct Step {
        int set;
        int top;
    } tops[] = {{1000, 91}, {91, 91}, {-3, 0}, {50, 50}};
    for (const Step& s : tops) {
        tree_->SetTopIndex(s.set);
        EXPECT_EQ(tree_->TopIndex(), s.top) << s.set;
        EXPECT_EQ(tree_->VertScrollBar()->Position(), s.top);
        EXPECT_EQ(Log(), "vscroll 0") << s.set;
    }
    const int content = View().ContentWidth();
    ASSERT_GT(content, 0);
    const int widest = std::max(content - View().ClientWidth(), 0);
    for (const Step& s : {Step{-5, 0}, Step{5000, widest}, Step{widest, widest}}) {
        tree_->SetLeftPosition(s.set);
        EXPECT_EQ(tree_->LeftPosition(), s.top) << s.set;
        EXPECT_EQ(Log(), "hscroll 0") << s.set;
    }
}

TEST_F(GtTreeInput, ScrollBarCodesMoveTheRowsAndReportTwice) {
    AddPaddedRows(100);
    const int line = tree_->LineHeight();
    SetViewHeight(9 * line + line / 2);
    TGtScrollBar* bar = tree_->VertScrollBar();
    const int rows = View().GetVisibleRowCount();
    ASSERT_EQ(rows, 10);
    tree_->SetTopIndex(50);
    log_.Entries.clear();
    struct Step {
        TGtSecButtonsKind second;
        bool tracking;
        TGtScrollCode code;
        int position;
        int top;
    } steps[] = {
        {sbkOpposite, false, escLineDown, 0, 51},
        {sbkOpposite, false, escLineUp, 0, 50},
        {sbkOpposite, false, escPageDown, 0, 59},
        {sbkOpposite, false, escPageUp, 0, 50},
        // The second up-button goes down one row, or a page.
        {sbkOpposite, false, escSndLineUp, 0, 51},
        {sbkPage, false, escSndLineUp, 0, 42},
        {sbkPage, false, escSndLineDown, 0, 51},
        {sbkCustom, false, escSndLineDown, 0, 51},
        // Dragging the thumb moves the rows only with ScrollTracking.
        {sbkOpposite, false, escTrack, 70, 51},
        {sbkOpposite, false, escPosition, 70, 70},
        {sbkOpposite, true, escTrack, 20, 20},
        {sbkOpposite, false, escBottom, 0, 91},
        {sbkOpposite, false, escTop, 0, 0},
    };
    for (const Step& s : steps) {
        bar->SecondBtnKind = s.second;
        tree_->ScrollTracking = s.tracking;
        int position = s.position;
        bool doChange = true;
        View().VertScroll(s.code, position, doChange);
        EXPECT_FALSE(doChange);
        EXPECT_EQ(tree_->TopIndex(), s.top) << static_cast<int>(s.code);
        const bool moves = !(s.second == sbkCustom && s.code == escSndLineDown) &&
                           !(s.code == escTrack && !s.tracking);
        EXPECT_EQ(Log(), (moves ? "vscroll 0, vscroll " : "vscroll ") +
                             std::to_string(static_cast<int>(s.code)))
            << static_cast<int>(s.code);
    }

    // A real press on the bar's down arrow: the assignment, then the bar's code.
    bar->SecondBtnKind = sbkOpposite;
    const gui::TPoint arrow{bar->Width() / 2, bar->Height() - 4};
    testing::PostMouse(*bar, WM_LBUTTONDOWN, arrow.X, arrow.Y, MK_LBUTTON);
    testing::PostMouse(*bar, WM_LBUTTONUP, arrow.X, arrow.Y);
    EXPECT_GE(tree_->TopIndex(), 1);
    EXPECT_EQ(Log().rfind("vscroll 0, vscroll 1", 0), 0u);

    // Horizontal steps are 4 pixels and half the width.
    tree_->HorzScrollBar()->SecondBtnKind = sbkOpposite;
    View().SetContentWidth(2000);
    int position = 0;
    bool doChange = true;
    View().HorzScroll(escLineDown, position, doChange);
    EXPECT_EQ(tree_->LeftPosition(), 4);
    View().HorzScroll(escPageDown, position, doChange);
    EXPECT_EQ(tree_->LeftPosition(), 4 + View().Width() / 2);
    View().HorzScroll(escSndLineDown, position, doChange);
    EXPECT_EQ(tree_->LeftPosition(), View().Width() / 2);
}

TEST_F(GtTreeInput, WheelTurnsAddUpAndTheOtherWheelMessageScrollsToo) {
    AddPaddedRows(100);
    UINT lines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    ASSERT_NE(lines, static_cast<UINT>(WHEEL_PAGESCROLL));
    const int unit = WHEEL_DELTA / static_cast<int>(lines);
    tree_->SetTopIndex(50);
    struct Turn {
        UINT msg;
        int delta;
        int top;
    } turns[] = {
        {WM_MOUSEWHEEL, -WHEEL_DELTA, 50 + static_cast<int>(lines)},
        {WM_MOUSEWHEEL, WHEEL_DELTA, 50},
        {WM_MOUSEWHEEL, unit / 2, 50},  // half a row waits
        {WM_MOUSEWHEEL, unit / 2, 49},
        {0xB20A, -unit, 50},
    };
    for (const Turn& t : turns) {
        SendMessageW(View().Handle(), t.msg, MAKEWPARAM(0, static_cast<WORD>(t.delta)), 0);
        EXPECT_EQ(tree_->TopIndex(), t.top) << t.delta;
    }
}

// ---- mouse ------------------------------------------------------------------------------

TEST_F(GtTreeInput, FrameSelectsTheRowsItCoversAndEndsWithTheDrag) {
    AddPaddedRows(12);
    TGtTreeItem* parent = Find("Row 02");
    tree_->Items().AddChild(parent, u"kid a");
    tree_->Items().AddChild(parent, u"kid b");
    log_.Entries.clear();

    Post(WM_LBUTTONDOWN, RowPoint(1, 30), MK_LBUTTON);
    Post(WM_MOUSEMOVE, RowPoint(1, 33), MK_LBUTTON);  // under 5 pixels: no frame
    EXPECT_FALSE(View().FrameSelecting());
    Post(WM_MOUSEMOVE, RowPoint(2, 36), MK_LBUTTON);
    EXPECT_TRUE(View().FrameSelecting());
    Post(WM_MOUSEMOVE, RowPoint(4, 40), MK_LBUTTON);
    // A collapsed parent's children are covered too.
    EXPECT_EQ(SelectedNames(), "Row 01, Row 02, kid a, kid b, Row 03, Row 04");
    Post(WM_MOUSEMOVE, RowPoint(2, 40), MK_LBUTTON);
    EXPECT_EQ(SelectedNames(), "Row 01, Row 02");
    Post(WM_LBUTTONUP, RowPoint(2, 40));
    EXPECT_FALSE(View().FrameSelecting());
    EXPECT_EQ(GetCapture(), nullptr);
    // No release events after a frame.
    const std::string log = Log();
    EXPECT_EQ(log.find("up"), std::string::npos) << log;
    EXPECT_EQ(log.find("click"), std::string::npos) << log;

    // With Ctrl the frame adds to the selection.
    Post(WM_LBUTTONDOWN, RowPoint(6, 30), MK_LBUTTON | MK_CONTROL);
    Post(WM_MOUSEMOVE, RowPoint(7, 30), MK_LBUTTON | MK_CONTROL);
    Post(WM_MOUSEMOVE, RowPoint(7, 32), MK_LBUTTON | MK_CONTROL);
    Post(WM_LBUTTONUP, RowPoint(7, 30), MK_CONTROL);
    // The Ctrl+press selected row 6; the frame flips what it covers.
    EXPECT_EQ(SelectedNames(), "Row 01, Row 02, Row 07");
}

TEST_F(GtTreeInput, FrameEndsWhenTheFocusOrTheMouseGoesAndWithItsRows) {
    AddPaddedRows(12);
    const auto start = [&] {
        Post(WM_LBUTTONDOWN, RowPoint(1, 30), MK_LBUTTON);
        Post(WM_MOUSEMOVE, RowPoint(3, 30), MK_LBUTTON);
        Post(WM_MOUSEMOVE, RowPoint(5, 30), MK_LBUTTON);
        ASSERT_TRUE(View().FrameSelecting());
    };
    struct Case {
        const char* name;
        std::function<void()> end;
    } cases[] = {
        {"kill focus", [&] { SendMessageW(View().Handle(), WM_KILLFOCUS, 0, 0); }},
        {"capture taken", [&] { SetCapture(form_.Handle()); }},
        {"cancel mode", [&] { SendMessageW(View().Handle(), WM_CANCELMODE, 0, 0); }},
        {"corner deleted", [&] { Find("Row 05")->Delete(); }},
        {"anchor deleted", [&] { Find("Row 01")->Delete(); }},
    };
    for (const Case& c : cases) {
        start();
        c.end();
        gui::testing::Pump();
        EXPECT_FALSE(View().FrameSelecting()) << c.name;
        EXPECT_NE(GetCapture(), View().Handle()) << c.name;
        ReleaseCapture();
        // A move with the button still down starts no frame from stale state.
        Post(WM_MOUSEMOVE, RowPoint(6, 30));
        Post(WM_LBUTTONUP, RowPoint(6, 30));
        EXPECT_FALSE(View().FrameSelecting()) << c.name;
    }
}

TEST_F(GtTreeInput, DeletedOrFilteredHotRowIsNotReportedAgain) {
    AddPaddedRows(12);
    std::vector<std::pair<TGtTreeItem*, TGtTreeItem*>> tracks;
    tree_->OnHotTrack = [&](runtime::TObject*, TGtTreeItem* old, TGtTreeItem* now) {
        tracks.emplace_back(old, now);
    };
    const struct {
        const char* name;
        std::function<void(TGtTreeItem*)> drop;
    } cases[] = {
        {"deleted", [](TGtTreeItem* item) { item->Delete(); }},
        {"filtered out",
         [this](TGtTreeItem* item) {
             item->SetHidden(true);
             tree_->SetFilteredVisibility(true);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Post(WM_MOUSEMOVE, RowPoint(2, 30));
        Post(WM_MOUSEMOVE, RowPoint(5, 30));
        TGtTreeItem* hot = View().HotItem();
        ASSERT_NE(hot, nullptr);
        ASSERT_EQ(hot, View().Row(5));
        c.drop(hot);
        EXPECT_EQ(View().HotItem(), nullptr);
        tracks.clear();
        // The row now under the pointer becomes hot; the dropped one is
        // never handed on as the old hot row.
        Post(WM_MOUSEMOVE, RowPoint(7, 30));
        ASSERT_EQ(tracks.size(), 1u);
        EXPECT_EQ(tracks[0].first, nullptr);
        EXPECT_EQ(tracks[0].second, View().Row(7));
    }
}

TEST_F(GtTreeInput, ClicksOnButtonsCellsAndSelectedRows) {
    AddPaddedRows(20);
    TGtTreeItem* last = tree_->Items().Item(9);
    for (int i = 0; i < 6; ++i)
        tree_->Items().AddChild(last, runtime::Utf8ToWide("kid " + std::to_string(i)));
    const int line = tree_->LineHeight();
    SetViewHeight(10 * line);
    log_.Entries.clear();

    // Expanding the bottom row scrolls its children into view.
    const TGtMainCellLayout l = tree_->MainCellLayout(last);
    const gui::TPoint button = RowPoint(9, (l.Button.Left + l.Button.Right) / 2);
    Click(button);
    EXPECT_TRUE(last->Expanded());
    EXPECT_EQ(tree_->TopIndex(), 6);
    EXPECT_GE(View().RowIndexOf(last->Children(5)), 0);
    // A double click on the button is no double click on the row.
    Post(WM_LBUTTONDBLCLK, RowPoint(3, (l.Button.Left + l.Button.Right) / 2), MK_LBUTTON);
    Post(WM_LBUTTONUP, RowPoint(3, (l.Button.Left + l.Button.Right) / 2));
    EXPECT_EQ(Log().find("dblclick"), std::string::npos);

    // With MoveFocusOnCollapse the focus climbs out of the closed branch.
    tree_->SetMoveFocusOnCollapse(true);
    tree_->SetItemFocused(last->Children(2));
    log_.Entries.clear();
    Click(RowPoint(3, (l.Button.Left + l.Button.Right) / 2));
    EXPECT_FALSE(last->Expanded());
    EXPECT_EQ(tree_->ItemFocused(), last);
    EXPECT_NE(Log().find("after"), std::string::npos);

    // A press on a member of a selection keeps it until the release; a
    // right click on it keeps it for the menu.
    tree_->SetTopIndex(0);
    Click(RowPoint(1, 40));
    Click(RowPoint(3, 40), MK_SHIFT);
    EXPECT_EQ(SelectedNames(), "Row 01, Row 02, Row 03");
    Click(RowPoint(2, 40), 0, /*right=*/true);
    EXPECT_EQ(SelectedNames(), "Row 01, Row 02, Row 03");
    EXPECT_EQ(Name(tree_->ItemFocused()), "Row 02");
    Post(WM_LBUTTONDOWN, RowPoint(3, 40), MK_LBUTTON);
    EXPECT_EQ(SelectedNames(), "Row 01, Row 02, Row 03");
    Post(WM_LBUTTONUP, RowPoint(3, 40));
    EXPECT_EQ(SelectedNames(), "Row 03");
    // Shift+right click selects from the anchor as a left one does.
    Click(RowPoint(5, 40), MK_SHIFT, /*right=*/true);
    EXPECT_EQ(SelectedNames(), "Row 03, Row 04, Row 05");

    // A disabled row takes no click: no selection, no release events.
    tree_->Items().Item(7)->SetEnabled(false);
    log_.Entries.clear();
    Click(RowPoint(7, 40));
    EXPECT_EQ(SelectedNames(), "Row 03, Row 04, Row 05");
    EXPECT_EQ(Log(), "down");
}

TEST_F(GtTreeInput, ColumnsThatDoNotSelectAndDoubleClicksOnRows) {
    for (auto [caption, width] : {std::pair{u"Keyword", 120}, {u"Position", 70}}) {
        TGtHeaderSection* s = tree_->HeaderSections()->AddSection();
        s->SetText(caption);
        s->SetWidth(width);
    }
    tree_->SetShowColumns(true);
    AddPaddedRows(5);
    TGtTreeItem* parent = Find("Row 01");
    tree_->Items().AddChild(parent, u"kid");
    log_.Entries.clear();

    // A press in a column that does not select changes nothing and fires
    // nothing; the other column selects.
    tree_->HeaderSections()->GetSection(1)->ClickSelect = false;
    Click(RowPoint(2, 150));
    EXPECT_EQ(SelectedNames(), "");
    EXPECT_EQ(Log().find("down"), std::string::npos);
    tree_->HeaderSections()->GetSection(1)->ClickSelect = true;
    // The tree's own OnMouseDown reports the press in its coordinates,
    // below the header.
    gui::TPoint reported{-1, -1};
    tree_->OnMouseDown = [&](runtime::TObject*, runtime::TMouseButton, runtime::TShiftState, int x,
                             int y) {
        reported = {x, y};
    };
    Click(RowPoint(2, 150));
    EXPECT_EQ(SelectedNames(), "Row 02");
    ASSERT_GT(View().Top(), 0);
    EXPECT_EQ(reported.X, 150 + View().Left());
    EXPECT_EQ(reported.Y, RowPoint(2, 150).Y + View().Top());

    // With FullRowSelect a double click anywhere on the row but its box
    // toggles it; without, only on the text.
    struct Case {
        bool fullRowSelect;
        bool expanded;
    } cases[] = {{true, true}, {false, false}};
    for (const Case& c : cases) {
        tree_->FullRowSelect = c.fullRowSelect;
        parent->Collapse(false);
        log_.Entries.clear();
        Post(WM_LBUTTONDOWN, RowPoint(1, 150), MK_LBUTTON);
        Post(WM_LBUTTONUP, RowPoint(1, 150));
        Post(WM_LBUTTONDBLCLK, RowPoint(1, 150), MK_LBUTTON);
        Post(WM_LBUTTONUP, RowPoint(1, 150));
        EXPECT_EQ(parent->Expanded(), c.expanded) << c.fullRowSelect;
        EXPECT_NE(Log().find("dblclick"), std::string::npos);
    }
}

}  // namespace
}  // namespace controls::tree
