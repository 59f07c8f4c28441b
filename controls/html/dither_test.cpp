#include "controls/html/dither.h"

#include <gtest/gtest.h>

#include <set>

namespace html {
namespace {

TPixelBitmap Rgb(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b) {
    TPixelBitmap bitmap(w, h, pf24bit);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = bitmap.Row(y) + 3 * x;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    return bitmap;
}

TEST(Palettes, CubeStockAndDisplay) {
    TPalette cube = CubePalette216();
    ASSERT_EQ(cube.size(), 216u);
    EXPECT_EQ(cube[36 * 1 + 6 * 2 + 3], (TPaletteEntry{51, 102, 153, 0}));
    EXPECT_EQ(StockDefaultPalette().size(), 20u);

    TPalette system(256, TPaletteEntry{1, 2, 3, 4});
    TPalette display = CreateDisplayPalette(system);
    ASSERT_EQ(display.size(), 256u);
    for (size_t i : {size_t(0), size_t(9), size_t(246), size_t(255)})
        EXPECT_EQ(display[i], (TPaletteEntry{1, 2, 3, 0}));
    EXPECT_EQ(display[10], (TPaletteEntry{55, 55, 55, 0}));
    EXPECT_EQ(display[11], (TPaletteEntry{115, 55, 55, 0}));  // red varies fastest
    std::set<std::tuple<int, int, int>> cubeColours;
    for (size_t i = 10; i <= 224; ++i)
        cubeColours.insert({display[i].Red, display[i].Green, display[i].Blue});
    EXPECT_EQ(cubeColours.size(), 215u);
    EXPECT_FALSE(cubeColours.count({255, 255, 255}));
    EXPECT_EQ(display[225], (TPaletteEntry{135, 135, 135, 0}));
    EXPECT_EQ(display[245], (TPaletteEntry{250, 250, 250, 0}));
    for (size_t i = 225; i <= 245; ++i) {
        EXPECT_NE(display[i].Red, 165);
        EXPECT_NE(display[i].Red, 205);
        EXPECT_NE(display[i].Red, 235);
    }
    EXPECT_FALSE(DuplicatePalette(nullptr).has_value());
    TPalette empty;
    EXPECT_FALSE(DuplicatePalette(&empty).has_value());
    TPalette big(300);
    EXPECT_EQ(DuplicatePalette(&big)->size(), 256u);
}

TEST(ColorLookup, NetscapeLevelsAndFirstEqualEntryWins) {
    TNetscapeColorLookup cube;
    uint8_t r, g, b;
    EXPECT_EQ(cube.Nearest(0, 0, 0, r, g, b), 0);
    EXPECT_EQ(cube.Nearest(255, 255, 255, r, g, b), 215);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(cube.Nearest(47, 0, 0, r, g, b), 0);
    EXPECT_EQ(cube.Nearest(48, 0, 0, r, g, b), 36);
    EXPECT_EQ(r, 51);

    TFastColorLookup fast({{10, 10, 10, 0}, {200, 0, 0, 0}, {200, 0, 0, 0}, {0, 0, 250, 0}});
    EXPECT_EQ(fast.ColorCount(), 4);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(fast.Nearest(190, 10, 5, r, g, b), 1);
    EXPECT_EQ(fast.Nearest(0, 0, 255, r, g, b), 3);
    EXPECT_EQ(b, 250);
    // Colours of one 15-bit key share the first answer.
    EXPECT_EQ(fast.Nearest(8, 8, 8, r, g, b), 0);
    EXPECT_EQ(fast.Nearest(15, 15, 15, r, g, b), 0);
}

TEST(Dithering, DiffusionKeepsTheMeanAndExactColoursStay) {
    // Mid gray on black and white: about half the pixels turn white.
    TPalette bw = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    TFastColorLookup lookup(bw);
    const int32_t w = 40, h = 40;
    TFloydSteinbergEngine engine(w, lookup);
    int white = 0;
    for (int32_t y = 0; y < h; ++y) {
        while (engine.Column() >= 0 && engine.Column() < w) white += engine.MapPixel(128, 128, 128);
        engine.NextRow();
    }
    EXPECT_NEAR(white, w * h / 2, w * h / 20);

    // A colour the palette holds exactly has no error to spread.
    TPixelBitmap red = Rgb(7, 5, 255, 0, 0);
    auto out = ReduceBitmapColors(red, 1, 1);
    ASSERT_EQ(out->PixelFormat(), pf8bit);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(out->Row(y)[x], 13);

    // One pixel wide: every row ends at once.
    TPixelBitmap thin = Rgb(1, 9, 100, 100, 100);
    auto thinOut = ReduceBitmapColors(thin, 3, 1);
    EXPECT_EQ(thinOut->Width(), 1);
}

TEST(Dithering, SerpentineEngineWalksBothWays) {
    TNetscapeColorLookup cube;
    TDitherEngine engine(3, cube);
    std::vector<int32_t> columns;
    for (int row = 0; row < 2; ++row) {
        while (engine.Column() >= 0 && engine.Column() < 3) {
            columns.push_back(engine.Column());
            (void)engine.MapPixel(0, 0, 0);
        }
        engine.NextRow();
    }
    EXPECT_EQ(columns, (std::vector<int32_t>{0, 1, 2, 2, 1, 0}));
}

TEST(Quantizer, KeepsFewColoursAndMergesMany) {
    TColorQuantizer few(8, 8);
    few.AddColor(255, 0, 0);
    few.AddColor(255, 0, 0);
    few.AddColor(0, 0, 255);
    EXPECT_EQ(few.LeafCount(), 2);
    TPalette colours = few.Colors();
    ASSERT_EQ(colours.size(), 2u);
    EXPECT_EQ(colours[0], (TPaletteEntry{0, 0, 255, 0}));
    EXPECT_EQ(colours[1], (TPaletteEntry{255, 0, 0, 0}));

    TColorQuantizer many(16, 8);
    for (int i = 0; i < 4096; ++i) many.AddColor(uint8_t(i * 37), uint8_t(i * 91), uint8_t(i * 13));
    EXPECT_LE(many.LeafCount(), 16);
    EXPECT_LE(many.Colors().size(), 16u);

    // One colour bit and a single allowed colour: everything merges into
    // the root, and further colours find no level left to reduce.
    TColorQuantizer tiny(1, 1);
    for (int i = 0; i < 64; ++i) tiny.AddColor(uint8_t(i * 4), uint8_t(255 - i * 4), uint8_t(i));
    EXPECT_EQ(tiny.LeafCount(), 1);
    EXPECT_EQ(tiny.Colors().size(), 1u);
}

TEST(ReduceColors, PalettesByReductionAndTheSourceUnchanged) {
    TPixelBitmap indexed(4, 2, pf4bit);
    indexed.Palette = {{0, 0, 0, 0}, {255, 255, 0, 0}};
    indexed.Row(0)[0] = 0x10;
    indexed.Row(1)[1] = 0x01;
    TPixelBitmap before = indexed;

    auto copy = ReduceBitmapColors(indexed, 0, 1);
    EXPECT_EQ(copy->PixelFormat(), pf24bit);
    EXPECT_EQ(copy->Row(0)[2], 255);  // red of (0, 0)
    EXPECT_EQ(copy->Row(0)[5], 0);

    auto stock = ReduceBitmapColors(indexed, 1, 0);
    EXPECT_EQ(stock->Palette.size(), 20u);
    EXPECT_EQ(stock->Row(0)[0], 15);  // yellow
    EXPECT_EQ(stock->Row(0)[1], 0);

    auto optimized = ReduceBitmapColors(indexed, 5, 1);
    ASSERT_EQ(optimized->Palette.size(), 256u);
    EXPECT_EQ(optimized->Palette[0], StockDefaultPalette()[0]);
    EXPECT_EQ(optimized->Palette[255], StockDefaultPalette()[19]);
    uint8_t index = optimized->Row(0)[0];
    EXPECT_EQ(optimized->Palette[index].Red, 255);
    EXPECT_EQ(optimized->Palette[index].Blue, 0);

    SetDisplayPalette(std::nullopt);
    auto blank = ReduceBitmapColors(indexed, 4, 1);
    EXPECT_TRUE(blank->Palette.empty());
    EXPECT_EQ(blank->Row(0)[0], 0);
    auto unknown = ReduceBitmapColors(indexed, 1, 7);
    EXPECT_EQ(unknown->Row(0)[0], 0);

    EXPECT_EQ(indexed.PixelFormat(), pf4bit);
    EXPECT_EQ(indexed.Palette, before.Palette);
    EXPECT_EQ(std::vector<uint8_t>(indexed.Row(0), indexed.Row(0) + 4),
              std::vector<uint8_t>(before.Row(0), before.Row(0) + 4));

    SetDisplayPalette(CreateDisplayPalette(TPalette(256)));
    auto shown = DitherToDisplay(&indexed, 8);
    EXPECT_EQ(shown->Palette.size(), 256u);
    EXPECT_EQ(DitherToDisplay(&indexed, 4)->Palette.size(), 20u);
    EXPECT_EQ(DitherToDisplay(nullptr, 8), nullptr);
    TPixelBitmap empty;
    EXPECT_EQ(DitherToDisplay(&empty, 8), nullptr);
    SetDisplayPalette(std::nullopt);
}

TEST(ReduceColors, RowAccessChecks) {
    TPixelBitmap b(2, 2, pf8bit);
    TDIBWriter writer(b, pf8bit);
    try {
        (void)writer.RowPointer(2);
        ADD_FAILURE();
    } catch (const runtime::EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "Scan line index out of range");
    }
    EXPECT_THROW(TDIBWriter(b, pf24bit), GIFException);
    EXPECT_THROW(TPixelBitmap(1, 1, pfDevice), GIFException);
}

}  // namespace
}  // namespace html
