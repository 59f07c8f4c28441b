// The palette code with the screen and the class library's bitmaps, under
// Wine.

#include <gtest/gtest.h>

#include "controls/html/dither.h"
#include "gui/graphic.h"
#include "gui/testing.h"

namespace html {
namespace {

class DitherWin : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { gui::testing::EnsureGui(); }
};

TEST_F(DitherWin, PalettesComeFromTheSystem) {
    // Our stock palette is the system's.
    PALETTEENTRY stock[20]{};
    ASSERT_EQ(
        GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, stock),
        20u);
    for (size_t i = 0; i < 20; ++i)
        EXPECT_EQ(StockDefaultPalette()[i],
                  (TPaletteEntry{stock[i].peRed, stock[i].peGreen, stock[i].peBlue, 0}))
            << i;
    // The system palette's static colours stand at both ends, and the
    // display palette keeps them there.
    const TPalette system = SystemPalette();
    ASSERT_EQ(system.size(), 256u);
    const TPalette display = CreateDisplayPalette(system);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(display[i], StockDefaultPalette()[i]) << i;
        EXPECT_EQ(display[246 + i], StockDefaultPalette()[10 + i]) << i;
    }
    // A display palette only on a screen of 256 colours.
    SetDisplayPalette(TPalette(3));
    InitDisplayPalette();
    EXPECT_EQ(DisplayPalette() != nullptr, DisplayColorBits() == 8) << DisplayColorBits();
}

TEST_F(DitherWin, BitmapsOfTheClassLibraryAreReducedWithoutBeingChanged) {
    gui::TBitmap bitmap(4, 2);
    for (int x = 0; x < 4; ++x) {
        bitmap.ScanLine(0)[x] = 0x00FF0000;  // red: in the cube
        bitmap.ScanLine(1)[x] = 0x00808080;  // gray: dithered between levels
    }
    const TPixelBitmap source = PixelBitmapFromBitmap(bitmap);
    std::unique_ptr<TPixelBitmap> reduced = ReduceBitmapColors(source, 3, 1);
    gui::TBitmap back;
    BitmapFromPixelBitmap(*reduced, back);
    ASSERT_EQ(back.Width(), 4);
    ASSERT_EQ(back.Height(), 2);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(back.ScanLine(0)[x], 0x00FF0000u) << x;
        const uint32_t gray = back.ScanLine(1)[x];
        EXPECT_TRUE(gray == 0x00666666 || gray == 0x00999999) << std::hex << gray;
        EXPECT_EQ(bitmap.ScanLine(1)[x], 0x00808080u);
    }
    gui::TBitmap empty;
    EXPECT_THROW((void)PixelBitmapFromBitmap(empty), GIFException);
}

}  // namespace
}  // namespace html
