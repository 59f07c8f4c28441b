// The tree control's parts that serve forms and other trees under Wine:
// the header font, the parent form's size-move state, copying another tree
// and reading forms that hold settings of earlier versions.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "controls/tree/windowtest_win.h"
#include "gui/extctrls.h"
#include "gui/forms.h"
#include "gui/layout.h"
#include "gui/testing.h"
#include "runtime/objecttext.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

// The tree as a form makes it: its own font and the theme.
class GtTreeForms : public testing::GtTreeTest {
  protected:
    void SetUp() override {
        Place({.PinFont = false, .Classic = false});
        Show();
    }
};

TEST_F(GtTreeForms, TheHeaderTakesTheTreeFontOrItsOwn) {
    tree_->Font()->SetName("Tahoma");
    tree_->Font()->SetSize(14);
    EXPECT_EQ(tree_->Header()->Font()->Size(), 14);
    EXPECT_EQ(tree_->HeaderFont()->Size(), 14);  // follows while in use

    tree_->SetHeaderUseTreeFont(false);
    tree_->HeaderFont()->SetSize(9);
    EXPECT_EQ(tree_->Header()->Font()->Size(), 9);
    tree_->Font()->SetSize(20);
    EXPECT_EQ(tree_->Header()->Font()->Size(), 9);
    EXPECT_EQ(tree_->HeaderFont()->Size(), 9);

    tree_->SetHeaderUseTreeFont(true);
    EXPECT_EQ(tree_->Header()->Font()->Size(), 20);
}

TEST_F(GtTreeForms, MovingOrSizingTheFormIsKnownWhileItLasts) {
    const auto send = [this](UINT msg) { SendMessageW(form_.Handle(), msg, 0, 0); };
    send(WM_ENTERSIZEMOVE);
    EXPECT_TRUE(tree_->InSizeMove());
    send(WM_EXITSIZEMOVE);
    EXPECT_FALSE(tree_->InSizeMove());

    // A parent change forgets the state; without a parent nothing is watched.
    send(WM_ENTERSIZEMOVE);
    tree_->SetParent(nullptr);
    EXPECT_FALSE(tree_->InSizeMove());
    send(WM_ENTERSIZEMOVE);
    EXPECT_FALSE(tree_->InSizeMove());
    send(WM_EXITSIZEMOVE);
    tree_->SetParent(&form_);
    send(WM_ENTERSIZEMOVE);
    EXPECT_TRUE(tree_->InSizeMove());
    send(WM_EXITSIZEMOVE);

    // A tree on a panel that gets its form later finds the form when its
    // window is made.
    gui::TPanel* panel = new gui::TPanel(&form_);
    TGtTree* inner = new TGtTree(&form_);
    inner->SetParent(panel);
    panel->SetParent(&form_);
    inner->HandleNeeded();
    send(WM_ENTERSIZEMOVE);
    EXPECT_TRUE(inner->InSizeMove());
    send(WM_EXITSIZEMOVE);
    EXPECT_FALSE(inner->InSizeMove());
}

TEST_F(GtTreeForms, AssignCopiesItemsAndSettingsButNotAutoExpand) {
    TGtTree other(nullptr);
    TGtTreeItem* a = other.Items().Add(nullptr, u"A");
    other.Items().AddChild(a, u"A1");
    other.Items().Add(nullptr, u"B");
    other.SetShowCheckboxes(true);
    other.SetBkColor(0x00112233);
    other.SetShowLines(false);
    other.SetAutoLineHeight(false);
    other.SetLineHeight(25);
    other.LineHintMode = shmAll;
    other.DragType = dtOLE;
    other.SetAutoExpand(true);
    tree_->Assign(&other);
    ASSERT_EQ(tree_->Items().Count(), 3);
    EXPECT_EQ(tree_->Items().Item(1)->Text(), u"A1");
    EXPECT_EQ(tree_->Items().Item(1)->Level(), 1);
    EXPECT_TRUE(tree_->ShowCheckboxes());
    EXPECT_EQ(tree_->BkColor(), 0x00112233u);
    EXPECT_FALSE(tree_->ShowLines());
    EXPECT_EQ(tree_->LineHeight(), 25);
    EXPECT_EQ(tree_->LineHintMode, shmAll);
    EXPECT_EQ(tree_->DragType, dtOLE);
    EXPECT_FALSE(tree_->AutoExpand());
    EXPECT_EQ(tree_->UpdateCount(), 0);
}

TEST_F(GtTreeForms, FormsOfEarlierVersionsReadWithTheirOldSettingsDropped) {
    gui::TForm form(nullptr);
    gui::ReadLayout(form, R"(object Form: TForm
  object Tree: TGtTree
    Left = 4
    Background = 12
    Storage = 'keywords'
    GradientSteps = 64
    MultiSelectLevel = 1
    LineHintTimeout = 800
    DragType = dtBoth
    HeaderUseTreeFont = False
  end
end
)");
    auto* tree = dynamic_cast<TGtTree*>(form.FindComponent("Tree"));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->Left(), 4);
    EXPECT_EQ(tree->MultiSelectLevel(), 1);
    EXPECT_EQ(tree->LineHintTimeout, 800);
    EXPECT_EQ(tree->DragType, dtBoth);
    EXPECT_FALSE(tree->HeaderUseTreeFont());
}

// Colours are 32-bit numbers in a layout: $00BBGGRR an RGB colour,
// $FF000000 + n the system colour n.
TEST_F(GtTreeForms, ALayoutSetsTheColoursTheRowsPaintIn) {
    gui::TForm form(nullptr);
    gui::ReadLayout(form, R"(object Form: TForm
  Width = 260
  Height = 200
  object Tree: TGtTree
    Width = 200
    Height = 120
    UseXPThemes = False
    BkColor = $0000FF00
    StripedItems = True
    StripedOddColor = $000000FF
    StripedEvenColor = $FF00000E
    FocusedSelectColor = $00FF0000
    LinesColor = $00808000
    DragRectDenyColor = 4210752
  end
end
)");
    auto* tree = dynamic_cast<TGtTree*>(form.FindComponent("Tree"));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->LinesColor(), 0x00808000u);
    EXPECT_EQ(tree->DragRectDenyColor(), 0x00404040u);
    EXPECT_EQ(tree->StripedEvenColor(), 0xFF00000Eu);
    for (const char* name : {"Row 0", "Row 1", "Row 2"})
        tree->Items().Add(nullptr, runtime::Utf8ToWide(name));
    tree->Items().Item(2)->SetSelected(true);
    form.HandleNeeded();
    gui::testing::Pump();
    auto shot = gui::testing::PaintControl(*tree);
    const TGtTreeView& view = *tree->View();
    const auto row = [&](int i) {
        return gui::testing::PixelAt(*shot, view.Left() + 150,
                                     view.Top() + i * tree->LineHeight() + 3);
    };
    EXPECT_EQ(row(0), testing::Px(gui::clHighlightText));  // even stripe
    EXPECT_EQ(row(1), testing::Px(TGtColor{0x0000FF}));    // odd stripe
    EXPECT_EQ(row(2), testing::Px(TGtColor{0xFF0000}));    // selected
    EXPECT_EQ(row(4), testing::Px(TGtColor{0x00FF00}));    // below the rows
}

// Every colour has its default declared, so that a form leaves it out
// until it is changed; the stripes only count while they show.
TEST_F(GtTreeForms, ColoursAreWrittenOnlyWhenTheyDifferFromTheirDefaults) {
    const struct {
        const char* name;
        uint32_t value;
    } defaults[] = {
        {"BkColor", 0xFF000005},
        {"TextColor", 0xFF000008},
        {"StripedOddColor", 0xFF000010},
        {"StripedEvenColor", 0xFF000014},
        {"FocusedSelectColor", 0xFF00000D},
        {"FocusedSelectTextColor", 0xFF00000E},
        {"HideSelectColor", 0xFF00000F},
        {"HideSelectTextColor", 0xFF000010},
        {"TrackColor", 0xFF00000D},
        {"LinesColor", 0xFF00000F},
        {"HorzDivLinesColor", 0xFF00000F},
        {"VertDivLinesColor", 0xFF00000F},
        {"LineBorderActiveColor", 0},
        {"LineBorderInactiveColor", 0},
        {"HeaderColor", 0xFF00000F},
        {"HeaderFilterColor", 0xFF000012},
        {"HeaderActiveFilterColor", 0},
        {"LineHintColor", 0xFF000005},
        {"DragRectAcceptColor", 0x008000},
        {"DragRectDenyColor", 0x0000FF},
    };
    tree_->SetName("Tree");
    const auto written = [&](const std::string& line) {
        return runtime::WriteComponentToText(*tree_).find("  " + line) != std::string::npos;
    };
    for (const auto& d : defaults) {
        const runtime::TPropInfo& prop = runtime::RequirePropInfo(*tree_, d.name);
        ASSERT_TRUE(prop.HasDefault()) << d.name;
        EXPECT_EQ(runtime::GetOrdProp(*tree_, prop), int64_t{d.value}) << d.name;
        EXPECT_EQ(prop.Default().AsInt64(), int64_t{d.value}) << d.name;
        EXPECT_FALSE(written(std::string(d.name) + " = ")) << d.name;
    }
    tree_->SetStripedOddColor(0x123456);
    tree_->SetHeaderColor(0x00ABCDEF);
    EXPECT_EQ(tree_->Header()->Color(), gui::MakeColor(0x00ABCDEF));
    EXPECT_FALSE(written("StripedOddColor = "));
    EXPECT_TRUE(written("HeaderColor = 11259375"));
    tree_->SetStripedItems(true);
    EXPECT_TRUE(written("StripedOddColor = 1193046"));
}

TEST_F(GtTreeForms, VirtualModeLendsOneSharedStyle) {
    tree_->Items().Add(nullptr, u"A");
    EXPECT_EQ(tree_->VirtualStyle(), nullptr);
    tree_->SetVirtualityLevel(vlTextAndStyles);
    ASSERT_NE(tree_->VirtualStyle(), nullptr);
    EXPECT_EQ(tree_->VirtualStyle()->Owner(), nullptr);
    tree_->OnVirtualTextNeeded = [](runtime::TObject*, TGtTreeItem*, int column,
                                    std::u16string& text) {
        text = column == -1 ? u"virtual" : u"cell";
    };
    EXPECT_EQ(tree_->Items().Item(0)->Text(), u"virtual");
    tree_->SetVirtualityLevel(vlNone);
    EXPECT_EQ(tree_->VirtualStyle(), nullptr);
    EXPECT_EQ(tree_->Items().Item(0)->Text(), u"");
    EXPECT_EQ(tree_->UpdateCount(), 0);
}

TEST_F(GtTreeForms, TheFrameAnswersHitTestsForTheBarsShown) {
    tree_->Items().BeginUpdate();
    for (int i = 0; i < 60; ++i) tree_->Items().Add(nullptr, u"row");
    tree_->Items().EndUpdate();
    gui::testing::Pump();
    // What the window answers over every point outside its client area.
    const auto answers = [&] {
        HWND w = tree_->WindowHandle();
        RECT bounds, client;
        GetWindowRect(w, &bounds);
        GetClientRect(w, &client);
        MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&client), 2);
        std::set<LRESULT> seen;
        for (int y = bounds.top; y < bounds.bottom; ++y)
            for (int x = bounds.left; x < bounds.right; ++x) {
                const POINT p{x, y};
                if (PtInRect(&client, p)) continue;
                seen.insert(SendMessageW(w, WM_NCHITTEST, 0, MAKELPARAM(x, y)));
            }
        return seen;
    };
    // The tree's own bars lie inside the client area; the frame is border.
    std::set<LRESULT> own = answers();
    EXPECT_EQ(own.count(HTVSCROLL), 0u);
    EXPECT_EQ(own.count(HTHSCROLL), 0u);
    // The system's bars take their room outside it and answer as bars.
    tree_->SetUseCustomScrollBars(false);
    gui::testing::Pump();
    EXPECT_EQ(answers().count(HTVSCROLL), 1u);
}

TEST_F(GtTreeForms, NewSystemColoursRepaintTheRows) {
    tree_->Items().Add(nullptr, u"row");
    // Shown, without taking the foreground, so that it keeps an update region.
    SetWindowPos(form_.WindowHandle(), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    gui::testing::Pump();
    HWND view = tree_->View()->WindowHandle();
    ValidateRect(view, nullptr);
    SendMessageW(tree_->WindowHandle(), WM_SYSCOLORCHANGE, 0, 0);
    RECT dirty{};
    ASSERT_TRUE(GetUpdateRect(view, &dirty, FALSE));
    RECT client;
    GetClientRect(view, &client);
    EXPECT_TRUE(EqualRect(&dirty, &client));
}

TEST_F(GtTreeForms, StandardScrollBarsFollowTheRowsAndForcedOnesStay) {
    const auto style = [this] { return GetWindowLongW(tree_->Handle(), GWL_STYLE); };
    tree_->SetUseCustomScrollBars(false);
    EXPECT_FALSE(tree_->VertScrollBar()->Visible());
    EXPECT_EQ(style() & (WS_VSCROLL | WS_HSCROLL), 0);  // nothing to scroll

    tree_->Items().BeginUpdate();
    for (int i = 0; i < 50; ++i)
        tree_->Items().Add(nullptr, runtime::Utf8ToWide("Row " + std::to_string(i)));
    tree_->Items().EndUpdate();
    EXPECT_TRUE(tree_->VertBarVisible());
    EXPECT_FALSE(tree_->VertScrollBar()->Visible());
    EXPECT_NE(style() & WS_VSCROLL, 0);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(tree_->Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nMax, 49);
    EXPECT_EQ(static_cast<int>(si.nPage), tree_->View()->GetVisibleRowCount() - 1);
    // The view's width follows the client area the window's bar leaves.
    EXPECT_EQ(tree_->View()->Width(), tree_->ClientWidth());

    SendMessageW(tree_->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    GetScrollInfo(tree_->Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, tree_->TopIndex());
    EXPECT_GT(tree_->TopIndex(), 0);

    // Forced bars stay, also on an empty tree, with either kind of bar.
    tree_->Items().Clear();
    EXPECT_EQ(style() & (WS_VSCROLL | WS_HSCROLL), 0);
    tree_->SetForcedScrollBars(gui::ssBoth);
    EXPECT_EQ(style() & (WS_VSCROLL | WS_HSCROLL), WS_VSCROLL | WS_HSCROLL);
    EXPECT_TRUE(tree_->HorzBarVisible());
    EXPECT_TRUE(tree_->VertBarVisible());
    tree_->SetUseCustomScrollBars(true);
    EXPECT_EQ(style() & (WS_VSCROLL | WS_HSCROLL), 0);
    EXPECT_TRUE(tree_->VertScrollBar()->Visible());
    EXPECT_TRUE(tree_->HorzScrollBar()->Visible());
    tree_->SetForcedScrollBars(gui::ssNone);
    EXPECT_FALSE(tree_->VertScrollBar()->Visible());
}

}  // namespace
}  // namespace controls::tree
