// The owner-drawn scroll bar driven by mouse, keyboard, wheel and scroll-bar
// messages, its timers run by the test, its painting probed by pixels.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "controls/tree/colormath.h"
#include "controls/tree/errors.h"
#include "controls/tree/hintwindow.h"
#include "controls/tree/init.h"
#include "controls/tree/scrollbar.h"
#include "controls/tree/timers.h"
#include "controls/tree/windowtest_win.h"
#include "gui/application.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/screen.h"
#include "gui/testing.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

using testing::Px;
using testing::SaveShot;
using testing::TFakeTimers;

using gui::testing::PixelAt;

// A bar whose wheel setting the test chooses.
class TTestBar : public TGtScrollBar {
  public:
    using TGtScrollBar::TGtScrollBar;
    int Lines = 3;

  protected:
    int WheelScrollLines() const override { return Lines; }
};

std::string CodeName(TGtScrollCode code) {
    return std::string(runtime::TypeInfoOf<TGtScrollCode>().EnumName(code));
}

class GtScrollBar : public testing::GtWindowTest {
  protected:
    void SetUp() override {
        form_.SetBounds(100, 100, 300, 260);
        bar_ = new TTestBar(&form_);
        bar_->SetKind(gui::sbVertical);
        bar_->SetParent(&form_);
        bar_->SetBounds(10, 10, GetSystemMetrics(SM_CXVSCROLL), 200);
        bar_->SetPage(10);
        bar_->SetPosition(50);
        bar_->OnScroll = [this](runtime::TObject*, TGtScrollCode code, int& position, bool&) {
            log_.Add(CodeName(code) + " " + std::to_string(position));
        };
        bar_->OnChange = [this](runtime::TObject*) { log_.Add("change"); };
        // Made but not shown: no window of another test program loses the
        // foreground to it; posted input and painting need no display.
        form_.HandleNeeded();
        gui::testing::Pump();
        log_.Entries.clear();
    }
    void TearDown() override { gui::testing::Pump(); }

    void Post(UINT msg, int x, int y, WPARAM keys = 0) {
        testing::PostMouse(*bar_, msg, x, y, keys);
    }
    void Press(int x, int y) {
        Post(WM_MOUSEMOVE, x, y);
        Post(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    }
    std::string Log() { return testing::TakeLog(log_); }
    int Button() const { return ButtonLength(bar_->Metrics()); }

    gui::TForm form_{nullptr};
    TTestBar* bar_ = nullptr;
    gui::testing::TEventLog log_;
    TFakeTimers timers_;
    TGtTimersOverride override_{timers_};
};

TEST_F(GtScrollBar, HoldingAnArrowRepeatsAfterTheKeyboardDelay) {
    const int x = bar_->Width() / 2;
    Press(x, 195);  // the bottom arrow
    EXPECT_EQ(Log(), "escLineDown 51, escPosition 51, change");
    EXPECT_EQ(bar_->PressedPart(), sbpRightArrow);
    ASSERT_TRUE(timers_.Running(bar_));
    int delay = 0, speed = 0;
    SystemParametersInfoW(SPI_GETKEYBOARDDELAY, 0, &delay, 0);
    SystemParametersInfoW(SPI_GETKEYBOARDSPEED, 0, &speed, 0);
    EXPECT_EQ(timers_.Interval(bar_), delay * 250 + 250);
    timers_.Fire(bar_);
    EXPECT_EQ(timers_.Interval(bar_), 1000 / (speed + 1)) << "then the repeat interval";
    EXPECT_EQ(Log(), "escLineDown 52, escPosition 52") << "no change event on repeats";

    // Off the arrow the repeats pause; back on it they go on.
    Post(WM_MOUSEMOVE, x, 100, MK_LBUTTON);
    EXPECT_FALSE(timers_.Running(bar_));
    Post(WM_MOUSEMOVE, x, 195, MK_LBUTTON);
    EXPECT_TRUE(timers_.Running(bar_));
    Post(WM_LBUTTONUP, x, 195);
    EXPECT_EQ(Log(), "escEndScroll 52, change");
    EXPECT_FALSE(timers_.Running(bar_));
    EXPECT_EQ(bar_->PressedPart(), sbpNowhere);
    EXPECT_EQ(bar_->Position(), 52);
}

TEST_F(GtScrollBar, HoldingTheTrackPagesUntilTheThumbReachesThePointer) {
    bar_->SetPosition(0);
    log_.Entries.clear();
    const int x = bar_->Width() / 2;
    const int below = 150;
    Press(x, below);
    EXPECT_EQ(Log(), "escPageDown 10, escPosition 10, change");
    for (int i = 0; i < 12; ++i) timers_.Fire(bar_);
    // The thumb stops under the pointer and the last repeats report the
    // position unchanged.
    const int offset = bar_->ThumbOffset();
    EXPECT_LE(offset, below);
    EXPECT_GT(offset + ThumbLength(bar_->Metrics()), below);
    log_.Entries.clear();
    timers_.Fire(bar_);
    const std::string position = std::to_string(bar_->Position());
    EXPECT_EQ(Log(), "escPageDown " + position);
    Post(WM_LBUTTONUP, x, below);
}

TEST_F(GtScrollBar, DraggingTheThumbTracksAndSnapsBackFarAway) {
    bar_->ShowTrackHint = true;
    bar_->OnScrollHintNeeded = [](runtime::TObject*, int position, std::u16string& hint) {
        hint = u"\u0421\u0442\u0440\u043E\u043A\u0430 " +
               runtime::Utf8ToWide(std::to_string(position));
    };
    const int x = bar_->Width() / 2;
    const int thumb = bar_->ThumbOffset() + 2;
    Press(x, thumb);
    EXPECT_TRUE(bar_->Dragging());
    ASSERT_NE(bar_->TrackHintWindow(), nullptr);
    EXPECT_EQ(bar_->TrackHintWindow()->WideCaption(), u"\u0421\u0442\u0440\u043E\u043A\u0430 50");
    const gui::TRect area = gui::Screen->WorkAreaFor(bar_->BoundsRect());
    RECT hint{};
    GetWindowRect(bar_->TrackHintWindow()->Handle(), &hint);
    EXPECT_GE(hint.left, area.Left) << "kept on the work area";
    Log();

    Post(WM_MOUSEMOVE, x, thumb + 30, MK_LBUTTON);
    const int tracked = bar_->Metrics().Position;
    EXPECT_EQ(tracked, 50) << "the position waits for the release";
    const std::string log = Log();
    ASSERT_TRUE(log.starts_with("escTrack ")) << log;
    const int dragged = std::stoi(log.substr(9));
    EXPECT_GT(dragged, 60);

    // Far beyond the bar's end (more than half its length) the thumb goes
    // back to where the drag began.
    Post(WM_MOUSEMOVE, x, 200 + 101 + 30, MK_LBUTTON);
    EXPECT_EQ(Log(), "escTrack 50");
    Post(WM_MOUSEMOVE, x, thumb + 30, MK_LBUTTON);
    Log();
    Post(WM_LBUTTONUP, x, thumb + 30);
    EXPECT_EQ(Log(), "escPosition " + std::to_string(dragged) + ", escPosition " +
                         std::to_string(dragged) + ", change");
    EXPECT_EQ(bar_->Position(), dragged);
    EXPECT_EQ(bar_->TrackHintWindow(), nullptr);

    // Ended from outside: the same report.
    Press(x, bar_->ThumbOffset() + 2);
    Post(WM_MOUSEMOVE, x, bar_->ThumbOffset() + 12, MK_LBUTTON);
    Log();
    bar_->EndPress();
    EXPECT_TRUE(Log().starts_with("escPosition "));
    EXPECT_FALSE(bar_->Dragging());
    Post(WM_LBUTTONUP, x, 100);
    EXPECT_EQ(Log(), "") << "a release after the end reports nothing";
}

TEST_F(GtScrollBar, KeysScrollWithoutModifiers) {
    bar_->SetFocus();
    gui::testing::Pump();
    struct Row {
        uint16_t key;
        std::string log;
    };
    const Row rows[] = {
        {VK_NEXT, "escPageDown 60, escPosition 60, change"},
        {VK_DOWN, "escLineDown 61, escPosition 61, change"},
        {VK_UP, "escLineUp 60, escPosition 60, change"},
        {VK_END, "escBottom 100, escPosition 100, change"},
        {VK_NEXT, "escPageDown 100"},  // at Max: nothing changes, the key is used
        {VK_HOME, "escTop 0, escPosition 0, change"},
    };
    for (const Row& r : rows) {
        gui::testing::PressKey(r.key, {}, bar_);
        EXPECT_EQ(Log(), r.log) << r.key;
    }
    gui::testing::PressKey(VK_NEXT, {runtime::ssCtrl}, bar_);
    EXPECT_EQ(Log(), "") << "with a modifier the key is not the bar's";
    EXPECT_EQ(SendMessageW(bar_->Handle(), WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
}

TEST_F(GtScrollBar, WheelNotchesScrollBySettingLinesOrPage) {
    bar_->SetMax(1000);
    struct Row {
        int lines;
        int delta;
        int steps;
    };
    const Row rows[] = {{1, -120, 1}, {3, -120, 3}, {150, -120, 150}, {-1, -120, 10}, {3, 240, -6}};
    for (const Row& r : rows) {
        bar_->SetPosition(500);
        Log();
        bar_->Lines = r.lines;
        gui::testing::Wheel(*bar_, r.delta);
        const int expected = 500 + r.steps;
        EXPECT_EQ(bar_->Position(), expected) << r.lines;
        const std::string log = Log();
        const std::string code = r.steps > 0 ? "escLineDown" : "escLineUp";
        EXPECT_TRUE(log.starts_with(code + " " + std::to_string(500 + (r.steps > 0 ? 1 : -1))))
            << log;
        EXPECT_TRUE(log.ends_with("escEndScroll " + std::to_string(expected))) << log;
    }
    // Three lines a notch: three line reports, then the end.
    bar_->SetPosition(500);
    Log();
    bar_->Lines = 3;
    gui::testing::Wheel(*bar_, 120);
    EXPECT_EQ(Log(),
              "escLineUp 499, escPosition 499, escLineUp 498, escPosition 498, escLineUp 497, "
              "escPosition 497, escEndScroll 497");
}

TEST_F(GtScrollBar, StandardScrollInfoMessages) {
    SCROLLINFO info{};
    info.cbSize = sizeof info - 1;
    info.fMask = SIF_ALL;
    EXPECT_EQ(SendMessageW(bar_->Handle(), SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info)),
              0);
    info.cbSize = sizeof info;
    EXPECT_EQ(SendMessageW(bar_->Handle(), SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info)),
              -1);
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, 100);
    EXPECT_EQ(info.nPage, 10u);
    EXPECT_EQ(info.nPos, 50);
    EXPECT_EQ(info.nTrackPos, 50);

    struct Row {
        UINT mask;
        int min, max, page, pos;
        int expectMin, expectMax, expectPage, expectPos;
    };
    const Row rows[] = {
        {SIF_RANGE | SIF_POS | SIF_PAGE, 0, 200, 20, 150, 0, 200, 20, 150},
        {SIF_RANGE | SIF_POS, 0, 100, 0, 150, 0, 100, 20, 100},  // outside: the new max
        {SIF_POS, 0, 0, 0, 500, 0, 100, 20, 100},                // outside: ignored
        {SIF_RANGE, 200, 300, 0, 0, 0, 100, 20, 100},            // position outside: ignored
        {SIF_PAGE, 0, 0, 5, 0, 0, 100, 5, 100},
        {SIF_RANGE, 50, 40, 0, 0, 0, 100, 5, 100},  // max below min: ignored
    };
    for (const Row& r : rows) {
        SCROLLINFO set{sizeof set, r.mask, r.min, r.max, static_cast<UINT>(r.page), r.pos, 0};
        const LRESULT answer =
            SendMessageW(bar_->Handle(), SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&set));
        EXPECT_EQ(answer, r.expectPos) << r.mask;
        EXPECT_EQ(bar_->Min(), r.expectMin) << r.mask;
        EXPECT_EQ(bar_->Max(), r.expectMax) << r.mask;
        EXPECT_EQ(bar_->Page(), r.expectPage) << r.mask;
        EXPECT_EQ(bar_->Position(), r.expectPos) << r.mask;
    }
    EXPECT_EQ(Log(), "") << "no events";
}

TEST_F(GtScrollBar, RangeSettersKeepThePositionInside) {
    bar_->SetMax(30);
    EXPECT_EQ(bar_->Position(), 30);
    EXPECT_EQ(Log(), "escPosition 30");
    bar_->SetMax(-5);  // not above Min: raised to it
    EXPECT_EQ(bar_->Max(), 0);
    EXPECT_EQ(bar_->Position(), 0);
    EXPECT_EQ(bar_->Page(), 1) << "the page fits the range";
    bar_->SetMax(100);
    bar_->SetPage(-3);
    EXPECT_EQ(bar_->Page(), 1);
    bar_->SetPage(101);
    // A page covering the range: the thumb fills the track and takes no drag;
    // the arrows cannot act.
    const int x = bar_->Width() / 2;
    Log();
    Press(x, 100);
    EXPECT_FALSE(bar_->Dragging());
    EXPECT_EQ(bar_->PressedPart(), sbpNowhere);
    Press(x, 195);
    EXPECT_EQ(Log(), "");
    Post(WM_LBUTTONUP, x, 195);
    bar_->SetNoDisableButtons(true);
    Press(x, 195);
    EXPECT_EQ(Log(), "escLineDown 1, escPosition 1, change");
    Post(WM_LBUTTONUP, x, 195);
}

TEST_F(GtScrollBar, ClassicAndThemedPainting) {
    bar_->SetUseXPThemes(false);
    bar_->SetFlat(false);
    gui::testing::Pump();
    auto classic = gui::testing::PaintControl(*bar_);
    SaveShot(*classic, "scrollbar_classic.png");
    const int w = bar_->ClientWidth();
    const int b = Button();
    // The raised top arrow: highlight outside at the top left, dark shadow
    // at the bottom right, the glyph in the middle.
    EXPECT_EQ(PixelAt(*classic, 0, 0), Px(gui::clBtnHighlight));
    EXPECT_EQ(PixelAt(*classic, w - 1, b - 1), Px(gui::cl3DDkShadow));
    // The track: the system's scroll-bar colour, or (blended) the
    // checkerboard of the face and its lighter shade.
    const int y = bar_->ThumbOffset() - 6;
    if (GetSysColor(COLOR_SCROLLBAR) != GetSysColor(COLOR_BTNFACE)) {
        EXPECT_EQ(PixelAt(*classic, w / 2, y), Px(gui::clScrollBar));
    }
    bar_->SetSystemBkColor(false);
    auto blended = gui::testing::PaintControl(*bar_);
    SaveShot(*blended, "scrollbar_blended.png");
    const uint32_t a = PixelAt(*blended, w / 2, y), c = PixelAt(*blended, w / 2 + 1, y);
    EXPECT_NE(a, c);
    EXPECT_TRUE((a == Px(gui::clBtnFace) && c == Px(gui::clBtnHighlight)) ||
                (c == Px(gui::clBtnFace) && a == Px(gui::clBtnHighlight)));
    // The thumb's raised frame and its grip bars.
    const int t = bar_->ThumbOffset();
    EXPECT_EQ(PixelAt(*classic, 0, t), Px(gui::clBtnHighlight));
    if (ThumbLength(bar_->Metrics()) > 14) {
        const int centre = t + ThumbLength(bar_->Metrics()) / 2;
        EXPECT_EQ(PixelAt(*classic, w / 2, centre - 3), Px(gui::clBtnShadow));
    }

    // Disabled arrows: embossed glyphs, no dark glyph pixel.
    bar_->SetPosition(0);
    auto atStart = gui::testing::PaintControl(*bar_);
    bool dark = false;
    for (int py = 2; py < b - 2; ++py)
        for (int px = 2; px < w - 2; ++px)
            dark = dark || PixelAt(*atStart, px, py) == Px(gui::clBtnText);
    EXPECT_FALSE(dark) << "the top arrow is disabled at the start";

    // Owner drawing: every part is offered, in painting order; a part the
    // handler keeps is not drawn.
    std::string parts;
    bar_->SetOwnerDraw(true);
    bar_->OnDrawPart = [&](runtime::TObject*, gui::TCanvas*, gui::TRect, TGtScrollBarPart part,
                           bool, bool, bool, bool& defaultDraw) {
        parts += std::string(runtime::TypeInfoOf<TGtScrollBarPart>().EnumName(part)) + " ";
        defaultDraw = part != sbpThumb;
    };
    bar_->SetPosition(50);
    auto owner = gui::testing::PaintControl(*bar_);
    EXPECT_EQ(parts, "sbpLeftArrow sbpRightArrow sbpLeftTop sbpThumb sbpRightBottom ");
    EXPECT_EQ(PixelAt(*owner, 0, bar_->ThumbOffset()), Px(gui::clBtnFace)) << "no thumb frame";
    bar_->SetOwnerDraw(false);

    // Themed: the theme's parts, not the classic frame.
    bar_->SetUseXPThemes(true);
    gui::testing::Pump();
    ASSERT_TRUE(bar_->ThemeInUse());
    auto themed = gui::testing::PaintControl(*bar_);
    SaveShot(*themed, "scrollbar_themed.png");
    bool differs = false;
    for (int py = 0; py < b; ++py)
        for (int px = 0; px < w; ++px)
            differs = differs || PixelAt(*themed, px, py) != PixelAt(*classic, px, py);
    EXPECT_TRUE(differs);
}

TEST_F(GtScrollBar, WideHintsAndStyles) {
    bar_->SetHintW(u"\u0416 up|and down");
    EXPECT_EQ(bar_->Hint(), EncodeWideHint(u"\u0416 up|and down"));
    gui::THintInfo info;
    info.HintStr = gui::GetShortHint(bar_->Hint());
    EXPECT_EQ(bar_->Perform(gui::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, EncodeWideHint(u"\u0416 up"));
    bar_->SetHintW(u"");
    EXPECT_NE(bar_->Perform(gui::CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);

    try {
        TGtScrollBarStyles styles(nullptr, &form_);
        FAIL() << "made without a bar";
    } catch (const EGtTreeError& e) {
        EXPECT_EQ(e.Message(), SGtNoScrollBar);
    }
    TGtScrollBarStyles styles(bar_, &form_);
    int changes = 0;
    styles.OnChange = [&](runtime::TObject*) { ++changes; };
    EXPECT_TRUE(styles.UseSystemMetrics());
    EXPECT_EQ(styles.Width(), GetSystemMetrics(SM_CXVSCROLL)) << "a vertical bar's own width";
    styles.SetWidth(30);
    EXPECT_EQ(bar_->Width(), GetSystemMetrics(SM_CXVSCROLL)) << "system metrics hold";
    styles.SetUseSystemMetrics(false);
    styles.SetWidth(30);
    EXPECT_EQ(bar_->Width(), 30);
    EXPECT_EQ(changes, 3);
    runtime::SetPropValue(styles, "Flat", runtime::Variant(false));
    EXPECT_FALSE(bar_->Flat()) << "published through to the bar";

    TTestBar other(&form_);
    TGtScrollBarStyles copy(&other, &form_);
    bar_->SetThumbMode(etmFixed);
    bar_->SetThumbSize(25);
    bar_->SetSecondaryButtons(true);
    bar_->SecondBtnKind = sbkPage;
    copy.Assign(&styles);
    EXPECT_FALSE(other.Flat());
    EXPECT_EQ(other.ThumbMode(), etmFixed);
    EXPECT_EQ(other.ThumbSize(), 25);
    EXPECT_TRUE(other.SecondaryButtons());
    EXPECT_EQ(other.SecondBtnKind, sbkPage);
}

TEST_F(GtScrollBar, ThemeHandleFollowsTheWindowAndBevelsTakeTheFrame) {
    ASSERT_TRUE(bar_->ThemeInUse());
    HWND window = bar_->Handle();
    bar_->SetUseXPThemes(true);  // unchanged: nothing happens
    EXPECT_EQ(bar_->WindowHandle(), window);
    bar_->SetUseXPThemes(false);
    EXPECT_EQ(bar_->Theme(), nullptr);
    EXPECT_FALSE(bar_->ThemeInUse());
    EXPECT_NE(bar_->Handle(), window) << "the window is made again";
    EXPECT_EQ(SendMessageW(bar_->Handle(), WM_THEMECHANGED, 0, 0), 1);
    EXPECT_EQ(bar_->Theme(), nullptr) << "themes off: only the answer";
    bar_->SetUseXPThemes(true);
    ASSERT_TRUE(bar_->ThemeInUse());
    EXPECT_EQ(SendMessageW(bar_->Handle(), WM_THEMECHANGED, 0, 0), 1);
    EXPECT_TRUE(bar_->ThemeInUse()) << "reopened";

    // A bevel and a border narrow the client area on the edges listed.
    const int width = bar_->Width(), height = bar_->Height();
    bar_->SetBevelKind(bkFlat);
    bar_->SetBevelWidth(2);
    bar_->SetBorderWidth(1);
    bar_->SetBevelEdges({beLeft, beRight});
    EXPECT_EQ(bar_->ClientWidth(), width - 2 * (1 + 2 + 2));
    EXPECT_EQ(bar_->ClientHeight(), height - 2);
    gui::testing::Pump();
    bar_->SetBevelKind(bkNone);
    bar_->SetBorderWidth(0);
    EXPECT_EQ(bar_->ClientWidth(), width);
}

}  // namespace
}  // namespace controls::tree
