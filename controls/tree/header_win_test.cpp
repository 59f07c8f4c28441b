// The column header driven by the mouse and keys: clicks, glyphs, resizing,
// dragging, menus, the lookup edit, height, sticky sections, hints and its
// painting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "controls/tree/colormath.h"
#include "controls/tree/errors.h"
#include "controls/tree/header.h"
#include "controls/tree/init.h"
#include "controls/tree/windowtest_win.h"
#include "gui/application.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/menus.h"
#include "gui/stdctrls.h"
#include "gui/testing.h"
#include "runtime/stringlist.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

using testing::Px;
using testing::SaveShot;

using gui::testing::PixelAt;

// A popup menu that counts how often it would show.
class TCountingMenu : public gui::TPopupMenu {
  public:
    using gui::TPopupMenu::TPopupMenu;
    void Popup(int, int) override { ++Shown; }
    int Shown = 0;
};

class GtHeader : public testing::GtWindowTest {
  protected:
    void SetUp() override {
        form_.SetBounds(100, 100, 420, 200);
        header_ = new TGtHeader(&form_);
        header_->SetAlign(gui::alNone);
        header_->SetParent(&form_);
        header_->Font()->SetName("Tahoma");
        header_->Font()->SetHeight(-11);
        header_->SetBounds(0, 0, 400, 21);
        header_->SetUseXPThemes(false);
        for (auto [text, width] : {std::pair{u"Keyword", 120}, {u"Position", 70}, {u"Best", 40}}) {
            TGtHeaderSection* s = header_->Sections()->AddSection();
            s->SetText(text);
            s->SetWidth(width);
        }
        auto name = [](TGtHeaderSection* s) {
            return s != nullptr ? runtime::WideToUtf8(s->Text()) : std::string("none");
        };
        header_->OnSectionClick = [=, this](runtime::TObject*, TGtHeaderSection* s) {
            log_.Add("click " + name(s));
        };
        header_->OnSectionResize = [=, this](runtime::TObject*, TGtHeaderSection* s) {
            log_.Add("resize " + name(s) + " " + std::to_string(s->Width()));
        };
        header_->OnSectionResizing = [=, this](runtime::TObject*, TGtHeaderSection* s,
                                               TGtResizeState state, int width) {
            static const char* const names[] = {"begin", "move", "end"};
            log_.Add(std::string("resizing ") + names[state] + " " + name(s) + " " +
                     std::to_string(width));
        };
        header_->OnSectionMove = [=, this](runtime::TObject*, TGtHeaderSection* s, int from,
                                           int to) {
            log_.Add("move " + name(s) + " " + std::to_string(from) + ">" + std::to_string(to));
        };
        header_->OnSectionExpand = [=, this](runtime::TObject*, TGtHeaderSection* s) {
            log_.Add("expand " + name(s));
        };
        header_->OnSectionCollapse = [=, this](runtime::TObject*, TGtHeaderSection* s) {
            log_.Add("collapse " + name(s));
        };
        header_->OnSectionAutoSize = [=, this](runtime::TObject*, TGtHeaderSection* s) {
            log_.Add("autosize " + name(s));
        };
        header_->OnFilterCall = [=, this](runtime::TObject*, TGtHeaderSection* s) {
            log_.Add("filter " + name(s));
        };
        header_->OnSectionCreate = [=, this](runtime::TObject*, TGtHeaderSection* s) {
            log_.Add("create " + name(s));
        };
        // Made but not shown: no window of another test program loses the
        // foreground to it; posted input and painting need no display.
        form_.HandleNeeded();
        gui::testing::Pump();
        log_.Entries.clear();
    }
    void TearDown() override { gui::testing::Pump(); }

    TGtHeaderSection* At(int position) { return header_->Sections()->ItemByPosition(position); }
    void Post(UINT msg, int x, int y, WPARAM keys = 0) {
        testing::PostMouse(*header_, msg, x, y, keys);
    }
    void Down(int x, int y = 5) {
        Post(WM_MOUSEMOVE, x, y);
        Post(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    }
    void Move(int x, int y = 5) { Post(WM_MOUSEMOVE, x, y, MK_LBUTTON); }
    void Up(int x, int y = 5) { Post(WM_LBUTTONUP, x, y); }
    std::string Log() { return testing::TakeLog(log_); }
    std::string Order() {
        std::string out;
        for (int i = 0; i < header_->Sections()->Count(); ++i)
            out += runtime::WideToUtf8(At(i)->Text()) + " ";
        return out;
    }

    gui::TForm form_{nullptr};
    TGtHeader* header_ = nullptr;
    gui::testing::TEventLog log_;
};

TEST_F(GtHeader, ClicksGoToTheSectionPressedAndReleased) {
    Down(50);
    EXPECT_EQ(header_->PressedSection(), At(0));
    Up(50);
    EXPECT_EQ(Log(), "click Keyword");
    EXPECT_EQ(header_->PressedSection(), nullptr);

    Down(50);
    Post(WM_LBUTTONUP, 150, 5);  // released over another section, no move between
    EXPECT_EQ(Log(), "") << "pressed on one, released on another";

    At(1)->AllowClick = false;
    Down(150);
    EXPECT_EQ(header_->PressedSection(), nullptr);
    Up(150);
    EXPECT_EQ(Log(), "");

    // The expand arrow toggles without a click; the filter triangle calls
    // the filter. Position's right edge is at 190: r = 186.
    At(1)->SetExpandable(true);
    Down(183, 5);
    Up(183, 5);
    EXPECT_TRUE(At(1)->Expanded());
    Down(183, 5);
    Up(183, 5);
    EXPECT_FALSE(At(1)->Expanded());
    At(1)->SetExpandable(false);
    At(2)->SetFilterEnabled(true);
    Down(224, 14);  // Best ends at 230: r = 226, the triangle 220..226
    Up(224, 14);
    EXPECT_EQ(Log(), "expand Position, collapse Position, filter Best");
}

TEST_F(GtHeader, ResizingWithAndWithoutFollowingThePointer) {
    // The zone around Keyword's right edge at 120.
    Down(120);
    EXPECT_EQ(header_->ResizedSection(), At(0));
    Move(150);
    Move(160);
    Move(-5);  // before the section's left edge: refused
    Up(160);
    EXPECT_EQ(Log(),
              "resizing begin Keyword 120, resizing move Keyword 150, resizing move Keyword 160, "
              "resizing end Keyword 160, resize Keyword 160");
    EXPECT_EQ(At(0)->Width(), 160);
    EXPECT_EQ(At(1)->Left(), 160);

    header_->ResizeOnDrag = true;
    Down(160);
    Move(140);
    Up(140);
    EXPECT_EQ(Log(),
              "resizing begin Keyword 160, resize Keyword 140, resizing move Keyword 140, "
              "resizing end Keyword 140, resize Keyword 140");

    // A double click on a zone asks for the section to fit its content; a
    // section that cannot be resized offers none.
    Post(WM_LBUTTONDBLCLK, 140, 5, MK_LBUTTON);
    Up(140);
    EXPECT_TRUE(Log().starts_with("autosize Keyword"));
    At(0)->SetResizable(false);
    Down(140);
    EXPECT_EQ(header_->ResizedSection(), nullptr);
    Up(140);
    Log();
}

TEST_F(GtHeader, DraggingMovesSectionsOnDropOrLive) {
    Down(30);
    Move(33);  // not yet 5 pixels
    EXPECT_EQ(header_->DraggedSection(), nullptr);
    Move(300);
    EXPECT_EQ(header_->DraggedSection(), At(0));
    Up(300);  // over empty header space: to the last place
    EXPECT_EQ(Order(), "Position Best Keyword ");
    EXPECT_EQ(Log(), "move Keyword 0>2");
    EXPECT_EQ(header_->DraggedSection(), nullptr);

    // Escape leaves the section where it was.
    Down(30);
    Move(150);
    ASSERT_NE(header_->DraggedSection(), nullptr);
    PostMessageW(header_->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    gui::testing::Pump();
    EXPECT_EQ(header_->DraggedSection(), nullptr);
    Up(150);
    EXPECT_EQ(Order(), "Position Best Keyword ");

    // Live moving: the section follows once the pointer passes far enough.
    header_->MoveOnDrag = true;
    Down(10);  // Position, 70 wide
    Move(60);  // still over itself
    EXPECT_EQ(Order(), "Position Best Keyword ");
    Move(80);  // over Best, past its right (110) less 70
    EXPECT_EQ(Order(), "Best Position Keyword ");
    Move(150);  // over Keyword (110..230), not yet past 230 less 70
    EXPECT_EQ(Order(), "Best Position Keyword ");
    Move(170);
    EXPECT_EQ(Order(), "Best Keyword Position ");
    Move(100);  // back left over Keyword (40..160), before 40 plus 70
    EXPECT_EQ(Order(), "Best Position Keyword ");
    Up(100);
    header_->AllowDrag = false;
    Down(10);
    Move(200);
    EXPECT_EQ(header_->DraggedSection(), nullptr);
    Up(200);
}

TEST_F(GtHeader, OneMenuPerRightClick) {
    TCountingMenu headerMenu(&form_);
    TCountingMenu sectionMenu(&form_);
    header_->SetPopupMenu(&headerMenu);
    At(1)->SetPopupMenu(&sectionMenu);
    auto rightClick = [&](int x) {
        Post(WM_MOUSEMOVE, x, 5);
        Post(WM_RBUTTONDOWN, x, 5, MK_RBUTTON);
        Post(WM_RBUTTONUP, x, 5);
    };
    rightClick(150);
    EXPECT_EQ(sectionMenu.Shown, 1);
    EXPECT_EQ(headerMenu.Shown, 0);
    rightClick(50);
    EXPECT_EQ(headerMenu.Shown, 1);
    EXPECT_EQ(sectionMenu.Shown, 1);
    // While resizing the right button is swallowed.
    Down(120);
    rightClick(130);
    EXPECT_EQ(headerMenu.Shown + sectionMenu.Shown, 2);
    Up(130);
    At(1)->SetPopupMenu(nullptr);
}

TEST_F(GtHeader, LookupEditReportsItsTextAndKeepsAHistory) {
    TGtHeaderSection* s = At(0);
    s->SetLookupEnabled(true);
    std::string done;
    header_->OnHeaderLookup = [](runtime::TObject*, TGtHeaderSection*, std::u16string& text) {
        for (char16_t& c : text)
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    };
    header_->OnHeaderLookupDone = [&](runtime::TObject*, TGtHeaderSection*, std::u16string text,
                                      bool accepted) {
        done = runtime::WideToUtf8(text) + (accepted ? " accepted" : " cancelled");
    };
    Down(114, 13);  // the glyph of a 120-wide section: r = 116
    Up(114, 13);
    ASSERT_TRUE(header_->LookupOpen());
    gui::TComboBox* edit = header_->LookupEdit();
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->Visible());
    EXPECT_EQ(edit->Left(), 0);
    EXPECT_EQ(edit->Width(), 120);
    HWND inner = FindWindowExW(edit->Handle(), nullptr, L"Edit", nullptr);
    ASSERT_NE(inner, nullptr);
    for (char16_t c : std::u16string(u"abc")) PostMessageW(inner, WM_CHAR, c, 1);
    gui::testing::Pump();
    EXPECT_EQ(edit->TextW(), u"ABC") << "the handler's text replaces the typed one";
    PostMessageW(inner, WM_KEYDOWN, VK_RETURN, 1);
    gui::testing::Pump();
    EXPECT_FALSE(header_->LookupOpen());
    EXPECT_FALSE(edit->Visible());
    EXPECT_EQ(done, "ABC accepted");
    EXPECT_EQ(s->LookupHistory().Strings(0), "ABC");

    // Escape cancels; the history keeps the newest entries, each once.
    for (int i = 0; i < kMaxLookupHistory + 5; ++i) {
        Down(114, 13);
        Up(114, 13);
        ASSERT_TRUE(header_->LookupOpen());
        edit->SetTextW(runtime::Utf8ToWide("k" + std::to_string(i % (kMaxLookupHistory + 2))));
        header_->CloseLookup(true);
    }
    EXPECT_EQ(s->LookupHistory().Count(), kMaxLookupHistory);
    Down(114, 13);
    Up(114, 13);
    PostMessageW(inner, WM_CHAR, u'x', 1);
    PostMessageW(inner, WM_KEYDOWN, VK_ESCAPE, 1);
    gui::testing::Pump();
    EXPECT_EQ(done, "X cancelled");
    EXPECT_NE(s->LookupHistory().Strings(0), "X");

    // An edit that goes first (with its parent) is forgotten.
    Down(114, 13);
    Up(114, 13);
    delete header_->LookupEdit();
    EXPECT_EQ(header_->LookupEdit(), nullptr);
    EXPECT_FALSE(header_->LookupOpen());
    Down(114, 13);
    Up(114, 13);
    EXPECT_TRUE(header_->LookupOpen()) << "made again";
    header_->CloseLookup(false);
}

TEST_F(GtHeader, HeightFitsTheFontAndStickySectionsTheWidth) {
    header_->AdjustHeight();
    EXPECT_EQ(header_->ClientHeight(), 21) << "11 + 8, plus 2 when not flat";
    header_->SetFlat(true);
    EXPECT_EQ(header_->ClientHeight(), 19);
    header_->SetLockHeight(true);
    header_->SetFlat(false);
    EXPECT_EQ(header_->ClientHeight(), 19);
    header_->SetLockHeight(false);
    EXPECT_EQ(header_->ClientHeight(), 21);

    // Two resizable sections of 100 and 300 in a 400-pixel header, widened
    // to 800.
    header_->Sections()->DeleteSection(At(2));
    At(0)->SetWidth(100);
    At(1)->SetWidth(300);
    header_->SetStickySections(true);
    header_->SetBounds(0, 0, 800, header_->Height());
    gui::testing::Pump();
    EXPECT_EQ(At(0)->Width(), 200);
    EXPECT_EQ(At(1)->Width(), 599);
    EXPECT_EQ(header_->SectionsWidth(), 799);
}

TEST_F(GtHeader, UpdatesNotifyOnceAndIndexesAreChecked) {
    header_->BeginUpdate();
    header_->Sections()->AddSection();
    header_->Sections()->AddSection();
    EXPECT_EQ(Log(), "");
    header_->EndUpdate();
    EXPECT_EQ(Log(), "create none");
    EXPECT_THROW(header_->InvalidateFrom(9), EGtHeaderError);
    try {
        header_->InvalidateFrom(-1);
    } catch (const EGtHeaderError& e) {
        EXPECT_EQ(e.Message(), "Index out of bounds");
    }
    header_->InvalidateFrom(1);

    int textWidth = 0, textHeight = 0;
    const int width = header_->MeasureSection(At(0), textWidth, textHeight);
    EXPECT_EQ(width, std::max(At(0)->MinWidth(), 22 + textWidth));
    EXPECT_GT(textWidth, 20);
    EXPECT_GE(textHeight, 11);
}

TEST_F(GtHeader, HintsOfSectionsAndOfTheHeader) {
    header_->SetHintW(u"Header \u0416");
    At(1)->Hint = u"\u0421\u0435\u043A\u0446\u0438\u044F";
    gui::THintInfo info;
    info.HintStr = gui::GetShortHint(header_->Hint());
    info.CursorPos = {150, 5};
    EXPECT_EQ(header_->Perform(gui::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, EncodeWideHint(u"\u0421\u0435\u043A\u0446\u0438\u044F"));
    EXPECT_EQ(info.CursorRect, (gui::TRect{120, 0, 190, header_->ClientHeight()}));
    info.CursorPos = {50, 5};
    info.HintStr = header_->Hint();
    EXPECT_EQ(header_->Perform(gui::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, EncodeWideHint(u"Header \u0416"));
}

TEST_F(GtHeader, ClassicAndThemedPainting) {
    At(0)->SetSortMode(hsmAscend);
    auto classic = gui::testing::PaintControl(*header_);
    SaveShot(*classic, "header_classic.png");
    // Raised sections: light at the top left, dark at the right edge.
    EXPECT_EQ(PixelAt(*classic, 0, 0), Px(gui::clBtnHighlight));
    EXPECT_EQ(PixelAt(*classic, 119, 10), Px(gui::cl3DDkShadow));
    EXPECT_EQ(PixelAt(*classic, 120, 0), Px(gui::clBtnHighlight)) << "the next section";
    // The ascending sort glyph: its grey top row at the content's right end.
    const TGtSectionGlyphs g = LayoutSectionGlyphs(*At(0), {1, 1, 120, 20}, false);
    ASSERT_TRUE(g.SortArrow);
    EXPECT_EQ(PixelAt(*classic, g.SortArrowRect.Left + 4, g.SortArrowRect.Top),
              Px(gui::clBtnShadow));
    // Its apex, below, on the white right edge.
    EXPECT_EQ(PixelAt(*classic, g.SortArrowRect.Left + 4, g.SortArrowRect.Top + 4),
              Px(gui::clBtnHighlight));
    // The empty area after the sections: the header's colour in a raised edge.
    EXPECT_EQ(PixelAt(*classic, 300, 10), Px(gui::clBtnFace));

    // A pressed section is drawn sunken.
    Down(50);
    auto pressed = gui::testing::PaintControl(*header_);
    EXPECT_EQ(PixelAt(*pressed, 0, 0), Px(gui::cl3DDkShadow));
    Up(50);
    Log();

    header_->SetUseXPThemes(true);
    gui::testing::Pump();
    ASSERT_TRUE(header_->ThemeInUse());
    auto themed = gui::testing::PaintControl(*header_);
    SaveShot(*themed, "header_themed.png");
    bool differs = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 230; ++x)
            differs = differs || PixelAt(*themed, x, y) != PixelAt(*classic, x, y);
    EXPECT_TRUE(differs);
}

}  // namespace
}  // namespace controls::tree
