// The XC picture code with the class library, under Wine: the "not yet
// implemented" stop through the desktop services, and colour reduction of
// the class library's bitmaps.

#include <gtest/gtest.h>

#include "controls/xc/bitmap.h"
#include "controls/xc/color_reduction.h"
#include "controls/xc/xc_memory.h"
#include "gui/graphic.h"
#include "gui/screen.h"
#include "gui/testing.h"
#include "runtime/exceptions.h"

namespace xc {
namespace {

class XcWin : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { gui::testing::EnsureGui(); }
};

TEST_F(XcWin, NotImplementedTellsTheUserThenAbortsSilently) {
    gui::testing::TFakeDesktop desktop;
    gui::TDesktopOverride override(desktop);
    gui::Screen->SetCursor(gui::crHourGlass);
    gui::TBitmap bitmap(2, 2);
    try {
        (void)ConvertBitmapPixelFormat(bitmap, pf16bit, rmPopularity);
        ADD_FAILURE() << "no abort";
    } catch (const runtime::EAbort& e) {
        EXPECT_EQ(e.Message(), "Function not yet implemented");
    }
    EXPECT_EQ(gui::Screen->Cursor(), gui::crDefault);
    ASSERT_EQ(desktop.MessageBoxes.size(), 1u);
    EXPECT_EQ(desktop.MessageBoxes[0].text, u"Function not yet implemented");
    EXPECT_EQ(desktop.MessageBoxes[0].flags & (MB_ICONMASK | MB_TYPEMASK),
              UINT(MB_ICONINFORMATION | MB_OK));
}

TEST_F(XcWin, BitmapsOfTheClassLibraryAreReducedWithoutBeingChanged) {
    gui::TBitmap bitmap(3, 2);
    const uint32_t pixels[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                0xFFFFFFFF, 0xFF000000, 0xFF808080};
    for (int i = 0; i < 6; ++i) bitmap.ScanLine(i / 3)[i % 3] = pixels[i];

    auto stream = ConvertBitmapPixelFormat(bitmap, pf8bit, rmCube216);
    TDibBitmap reduced = LoadDibFromBmp(*stream);
    ASSERT_EQ(reduced.PixelFormat(), pf8bit);
    // 36 red + 6 green + blue levels: red, green, blue, white, black, gray.
    const uint8_t indices[6] = {180, 30, 5, 215, 0, 129};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(reduced.Row(i / 3)[i % 3], indices[i]) << i;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(bitmap.ScanLine(i / 3)[i % 3], pixels[i]);

    // Back into a bitmap of the class library: the palette's colours.
    gui::TBitmap back;
    BitmapFromDib(reduced, back);
    ASSERT_EQ(back.Width(), 3);
    EXPECT_EQ(back.ScanLine(0)[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(back.ScanLine(1)[2] & 0xFFFFFF, 0x999999u);

    gui::TBitmap empty;
    try {
        (void)ConvertBitmapPixelFormat(empty, pf8bit, rmPopularity);
        ADD_FAILURE();
    } catch (const runtime::EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Bitmap image is not valid");
    }
}

}  // namespace
}  // namespace xc
