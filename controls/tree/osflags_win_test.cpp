// The operating-system flags and the keyboard state, and the family's
// start-up.
#include <gtest/gtest.h>

#include "controls/tree/helpers.h"
#include "controls/tree/init.h"
#include "controls/tree/xpthemed.h"
#include "gui/testing.h"
#include "gui/win.h"
#include "runtime/classinfo.h"

namespace controls::tree {
namespace {

TEST(GtOsFlags, StartUpFillsTheFlagsAndBindsThemes) {
    gui::testing::EnsureGui();
    init();
    init();  // a second start-up changes nothing
    EXPECT_TRUE(IsWinNT()) << "Wine reports the NT family";
    EXPECT_FALSE(IsWin98Up());
    EXPECT_TRUE(ThemesAvailable()) << "uxtheme loads under Wine";
    EXPECT_NE(runtime::FindClass("TGtScrollBar"), nullptr);
    EXPECT_NE(runtime::FindClass("TGtHeader"), nullptr);
}

TEST(GtOsFlags, ShiftStateReadsTheKeyboard) {
    BYTE saved[256] = {};
    ASSERT_TRUE(GetKeyboardState(saved));
    struct Row {
        int key;
        runtime::TShiftStateElement element;
    };
    const Row rows[] = {
        {VK_SHIFT, runtime::ssShift}, {VK_MENU, runtime::ssAlt}, {VK_CONTROL, runtime::ssCtrl}};
    for (const Row& row : rows) {
        BYTE state[256] = {};
        state[row.key] = 0x80;
        ASSERT_TRUE(SetKeyboardState(state));
        const runtime::TShiftState shift = GetShiftState();
        EXPECT_TRUE(shift.Contains(row.element)) << row.key;
        EXPECT_EQ(shift.Mask(), runtime::TShiftState{row.element}.Mask()) << "only that key";
    }
    BYTE none[256] = {};
    SetKeyboardState(none);
    EXPECT_TRUE(GetShiftState().Empty());
    SetKeyboardState(saved);
}

}  // namespace
}  // namespace controls::tree
