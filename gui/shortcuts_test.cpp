#include "gui/shortcuts.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

TEST(ShortCuts, TextBothWays) {
    struct Row {
        TShortCut shortCut;
        const char* text;
    };
    const Row rows[] = {
        {0x70, "F1"},
        {scCtrl | 'S', "Ctrl+S"},
        {scShift | scCtrl | 0x2E, "Shift+Ctrl+Del"},
        {scAlt | 0x0D, "Alt+Enter"},
        {0x61, "Num 1"},
        {scCtrl | 0xBB, "Ctrl+="},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ShortCutToText(row.shortCut), row.text);
        EXPECT_EQ(TextToShortCut(row.text), row.shortCut) << row.text;
    }
    EXPECT_EQ(TextToShortCut("ctrl+s"), scCtrl | 'S');
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut("Hyper+X"), 0);
    EXPECT_EQ(ShortCutToText(0), "");
    EXPECT_EQ(ShortCutToText(0xFF), "") << "a key without a name";
}

TEST(ShortCuts, KeyAndShiftBothWays) {
    const runtime::TShiftState shift{runtime::ssCtrl, runtime::ssAlt};
    const TShortCut s = MakeShortCut('K', shift);
    EXPECT_EQ(s, scCtrl | scAlt | 'K');
    uint16_t key = 0;
    runtime::TShiftState back;
    ShortCutToKey(s, key, back);
    EXPECT_EQ(key, 'K');
    EXPECT_EQ(back, shift);
    EXPECT_EQ(MakeShortCut(0x1234, {}), 0) << "not a virtual-key code";
}

}  // namespace
}  // namespace gui
