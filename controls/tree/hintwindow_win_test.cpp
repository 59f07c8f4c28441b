// The wide hint window: measuring, placing on the work area, word wrap and
// the wide hints carried in hint strings.
#include <gtest/gtest.h>

#include "controls/tree/colormath.h"
#include "controls/tree/hintwindow.h"
#include "controls/tree/init.h"
#include "controls/tree/windowtest_win.h"
#include "gui/application.h"
#include "gui/forms.h"
#include "gui/handles.h"
#include "gui/screen.h"
#include "gui/testing.h"
#include "runtime/strings.h"

namespace controls::tree {
namespace {

class GtHintWindow : public testing::GtWindowTest {
  protected:
    void SetUp() override {
        hint_.Font()->SetName("Tahoma");
        hint_.Font()->SetHeight(-11);
    }
    // The size DrawTextW gives the text in the hint's font.
    SIZE SystemSize(const std::u16string& text, UINT flags, int width) {
        gui::TWindowDC screen(nullptr);
        gui::TSelectObject font(screen.Get(), hint_.Font()->Handle());
        RECT r{0, 0, width, 0};
        DrawTextW(screen.Get(), reinterpret_cast<const wchar_t*>(text.c_str()),
                  static_cast<int>(text.size()), &r, flags | DT_CALCRECT | DT_NOPREFIX);
        return {r.right, r.bottom};
    }
    TGtHintWindow hint_{nullptr};
};

TEST_F(GtHintWindow, MeasuresWithMarginsAndWrapsOnRequest) {
    const std::u16string text = u"one two three four five six";
    const SIZE line = SystemSize(text, 0, 10000);
    gui::TRect r = hint_.CalcHintRectWide(10000, text);
    EXPECT_EQ(r, (gui::TRect{0, 0, line.cx + 6, line.cy + 2}));
    hint_.SetWordWrap(true);
    const SIZE wrapped = SystemSize(text, DT_WORDBREAK, 60);
    r = hint_.CalcHintRectWide(60, text);
    EXPECT_EQ(r.Height(), wrapped.cy + 2);
    EXPECT_GT(r.Height(), line.cy + 2);
}

TEST_F(GtHintWindow, StaysOnTheWorkAreaAndRefitsWhenWordWrapChanges) {
    const gui::TRect area = gui::Screen->WorkAreaFor({0, 0, 10, 10});
    hint_.ActivateHintWide({area.Right - 20, area.Bottom - 5, area.Right + 80, area.Bottom + 15},
                           u"\u0416 hint");
    gui::testing::Pump();
    RECT shown{};
    GetWindowRect(hint_.Handle(), &shown);
    EXPECT_EQ(shown.right, area.Right);
    EXPECT_EQ(shown.bottom, area.Bottom);
    EXPECT_EQ(shown.bottom - shown.top, 24) << "four pixels taller";
    EXPECT_TRUE(IsWindowVisible(hint_.Handle()));
    EXPECT_EQ(hint_.WideCaption(), u"\u0416 hint");

    // A new text or word wrap resizes the window to the text, measured
    // against a width of 10000.
    const std::u16string longer = u"a much longer hint than the first one";
    hint_.SetWideCaption(longer);
    const gui::TRect fit = hint_.CalcHintRectWide(10000, longer);
    EXPECT_EQ(hint_.Width(), fit.Width());
    EXPECT_EQ(hint_.Height(), fit.Height());
    hint_.SetBounds(hint_.Left(), hint_.Top(), 30, 30);
    hint_.SetWordWrap(true);
    EXPECT_EQ(hint_.Width(), fit.Width());
    hint_.HideHint();
}

TEST_F(GtHintWindow, HintStringsCarryTheWideText) {
    const std::string encoded = EncodeWideHint(u"\u041F\u0440\u0438\u0432\u0435\u0442");
    EXPECT_EQ(HintStringText(encoded), u"\u041F\u0440\u0438\u0432\u0435\u0442");
    EXPECT_EQ(HintStringText("plain"), u"plain");
    hint_.ShowHintText({10, 10, 100, 30}, encoded);
    EXPECT_EQ(hint_.WideCaption(), u"\u041F\u0440\u0438\u0432\u0435\u0442");
    hint_.HideHint();

    // The class library's own window shows the 8-bit part only.
    gui::THintWindow plain(nullptr);
    plain.ShowHintText({10, 10, 100, 30}, encoded);
    EXPECT_EQ(plain.TextW(),
              runtime::AnsiToWide(runtime::WideToAnsi(u"\u041F\u0440\u0438\u0432\u0435\u0442")));
    plain.HideHint();

    // A control's wide hint: its short part when the application asks for
    // the short hint, nothing when it is empty.
    gui::TForm form(nullptr);
    PublishWideHint(form, u"\u0416 short|long");
    gui::THintInfo info;
    info.HintStr = gui::GetShortHint(form.Hint());
    ASSERT_TRUE(PrepareWideHint(form, u"\u0416 short|long", info));
    EXPECT_EQ(info.HintStr, EncodeWideHint(u"\u0416 short"));
    ASSERT_TRUE(info.HintWindowClass);
    EXPECT_NE(dynamic_cast<TGtHintWindow*>(info.HintWindowClass(nullptr).get()), nullptr);
    info.HintStr = form.Hint();
    ASSERT_TRUE(PrepareWideHint(form, u"\u0416 short|long", info));
    EXPECT_EQ(info.HintStr, EncodeWideHint(u"\u0416 short|long"));
    EXPECT_FALSE(PrepareWideHint(form, u"", info));
    EXPECT_TRUE(info.HintStr.empty());
}

}  // namespace
}  // namespace controls::tree
