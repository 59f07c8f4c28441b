// The Windows half of the 32-bit images, under Wine: DIB sections with
// their memory device contexts, drawing onto device contexts (checked in
// the pixels of the class library's bitmaps, which are DIB sections too),
// image lists with alpha recovery, the disabled look and one-bit glyphs.

#include <gtest/gtest.h>

#include <vector>

#include "controls/toolbar/color_effects.h"
#include "controls/toolbar/dib32.h"
#include "controls/toolbar/mono_glyph.h"
#include "gui/graphic.h"
#include "gui/imagelist.h"
#include "gui/testing.h"

namespace toolbar {
namespace {

class Dib32Win : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { gui::testing::EnsureGui(); }
};

// A device to draw on: a class-library bitmap of w x h pixels of `fill`.
struct Device {
    gui::TBitmap bitmap;
    Device(int w, int h, uint32_t fill) : bitmap(w, h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) bitmap.ScanLine(y)[x] = fill;
    }
    HDC DC() { return bitmap.Canvas().Handle(); }
    // The colour of a pixel, 0x00RRGGBB (the device's alpha byte is its own).
    uint32_t At(int x, int y) {
        GdiFlush();
        return bitmap.ScanLine(y)[x] & 0xFFFFFF;
    }
    // A portable image holding the same pixels, to work out what to expect.
    void CopyTo(TDIB32& model) {
        GdiFlush();
        model.SetDimensions(bitmap.Width(), bitmap.Height(), false);
        for (int y = 0; y < bitmap.Height(); ++y)
            std::copy_n(bitmap.ScanLine(y), bitmap.Width(), model.ScanLine(y));
    }
    // Every pixel's colour equals the model's.
    void ExpectEqual(const TDIB32& model, const char* what) {
        GdiFlush();
        int wrong = 0;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (((bitmap.ScanLine(y)[x] ^ model.Pixel(x, y)) & 0xFFFFFF) != 0 && wrong++ < 3)
                    ADD_FAILURE() << what << " at " << x << "," << y << ": " << std::hex
                                  << bitmap.ScanLine(y)[x] << " expected " << model.Pixel(x, y);
        EXPECT_EQ(wrong, 0) << what;
    }
};

// Pixels that differ everywhere: every row and column tells where it is.
void Pattern(TDIB32& image, uint8_t alpha) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.ScanLine(y)[x] = uint32_t(alpha) << 24 | uint32_t(x * 7 % 256) << 16 |
                                   uint32_t(y * 13 % 256) << 8 | uint32_t((x + y) % 256);
}

TEST_F(Dib32Win, ImagesLiveInDibSectionsThatGdiDrawsInto) {
    TDIB32 image(6, 4);
    ASSERT_NE(image.DC(), nullptr);
    ASSERT_NE(image.Handle(), nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(image.Handle(), sizeof(section), &section), int(sizeof(section)));
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(section.dsBm.bmBits, image.Pixels());
    EXPECT_EQ(GetCurrentObject(image.DC(), OBJ_BITMAP), image.Handle());
    // Rows from the top: GDI's row 1 is the image's row 1.
    const RECT row1{0, 1, 6, 2};
    FillRect(image.DC(), &row1, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    GdiFlush();
    EXPECT_EQ(image.Pixel(3, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.Pixel(3, 0), 0u);
    EXPECT_EQ(image.Pixel(3, 2), 0u);
    // Resized with its pixels kept; emptied without a section.
    image.SetDimensions(8, 2, true);
    EXPECT_EQ(image.Pixel(3, 1) & 0xFFFFFF, 0xFFFFFFu);
    image.SetDimensions(0, 5, false);
    EXPECT_EQ(image.DC(), nullptr);
    EXPECT_EQ(image.Handle(), nullptr);
    // TakeOver hands the section itself over.
    TDIB32 a(3, 3), b;
    HBITMAP section3 = a.Handle();
    b.TakeOver(&a);
    EXPECT_EQ(b.Handle(), section3);
    EXPECT_EQ(a.Handle(), nullptr);
}

TEST_F(Dib32Win, CopiesAndStretchesKeepRowsInPlace) {
    TDIB32 image(8, 6);
    Pattern(image, 0x80);
    struct Case {
        const char* what;
        std::function<void(HDC)> draw;
        // Device pixel -> image pixel, or (-1, -1) for untouched.
        std::function<std::pair<int, int>(int, int)> from;
    };
    const Case cases[] = {
        {"part to a place",
         [&](HDC dc) {
             image.CopyToDC(dc, 5, 7, {1, 2, 4, 5});
         },
         [](int x, int y) {
             return x >= 5 && x < 8 && y >= 7 && y < 10 ? std::pair{x - 4, y - 5}
                                                        : std::pair{-1, -1};
         }},
        {"part reaching past the image",
         [&](HDC dc) {
             image.CopyToDC(dc, 2, 2, {-2, -1, 3, 2});
         },
         [](int x, int y) {
             return x >= 4 && x < 7 && y >= 3 && y < 5 ? std::pair{x - 4, y - 3}
                                                       : std::pair{-1, -1};
         }},
        {"into a rectangle",
         [&](HDC dc) {
             image.CopyToDC(dc, {10, 1, 13, 3});
         },
         [](int x, int y) {
             return x >= 10 && x < 13 && y >= 1 && y < 3 ? std::pair{x - 10, y - 1}
                                                         : std::pair{-1, -1};
         }},
        {"stretched twice",
         [&](HDC dc) {
             image.StretchToDC(dc, {0, 0, 8, 6}, {2, 1, 6, 4});
         },
         [](int x, int y) {
             return x < 8 && y < 6 ? std::pair{2 + x / 2, 1 + y / 2} : std::pair{-1, -1};
         }},
    };
    for (const Case& c : cases) {
        Device device(16, 12, 0xFF00FF00);
        SetStretchBltMode(device.DC(), COLORONCOLOR);
        c.draw(device.DC());
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x) {
                auto [sx, sy] = c.from(x, y);
                const uint32_t want = sx < 0 ? 0x00FF00 : image.Pixel(sx, sy) & 0xFFFFFF;
                ASSERT_EQ(device.At(x, y), want) << c.what << " at " << x << "," << y;
            }
    }
}

// Blending reads the device back in one block up to 64 x 64 pixels and row
// by row beyond: both give what blending onto an image gives.
TEST_F(Dib32Win, BlendsAndEffectsOntoDevicesAsOntoImages) {
    TDIB32 image(120, 80);
    Pattern(image, 0);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) image.ScanLine(y)[x] |= uint32_t((x * 2 + y) % 256) << 24;
    TColorEffects effects;
    ASSERT_TRUE(effects.Add(2, 255));
    ASSERT_TRUE(effects.Add(5, 200));
    struct Case {
        const char* what;
        int x, y;
        TRect source;
        uint8_t opacity;  // 0: the effects
    };
    const Case cases[] = {
        {"100 x 10, row by row", 3, 4, {5, 6, 105, 16}, 255},
        {"64 x 64, one block", 10, 2, {0, 0, 64, 64}, 255},
        {"65 x 20, row by row", 0, 0, {50, 50, 115, 70}, 255},
        {"half opacity", 7, 7, {20, 20, 60, 50}, 128},
        {"reaching past both", -10, 60, {-5, 30, 110, 80}, 255},
        {"effects, one block", 2, 3, {10, 10, 40, 40}, 0},
        {"effects, row by row", 2, 3, {0, 0, 120, 30}, 0},
    };
    for (const Case& c : cases) {
        Device device(100, 90, 0xFF3060C0);
        for (int y = 0; y < 90; y += 3) device.bitmap.ScanLine(y)[y] = 0xFFFFFFFF;
        TDIB32 model;
        device.CopyTo(model);
        if (c.opacity != 0) {
            image.BlendToDC(device.DC(), c.x, c.y, c.source, c.opacity);
            image.BlendTo(model, c.x, c.y, c.source, c.opacity);
        } else {
            image.EffectsToDC(device.DC(), c.x, c.y, c.source, effects);
            image.EffectsTo(model, c.x, c.y, c.source, effects);
        }
        device.ExpectEqual(model, c.what);
    }
    // Only the clip box is drawn on; opacity 0 draws nothing.
    Device device(100, 90, 0xFF3060C0);
    TDIB32 model, inside;
    device.CopyTo(model);
    IntersectClipRect(device.DC(), 20, 10, 50, 30);
    image.BlendToDC(device.DC(), 0, 0, image.Bounds(), 255);
    image.BlendToDC(device.DC(), 0, 0, image.Bounds(), 0);
    inside.SetDimensions(30, 20, false);
    image.CopyRectTo(&inside, 0, 0, {20, 10, 50, 30}, false);
    inside.BlendTo(model, 20, 10, inside.Bounds(), 255);
    SelectClipRgn(device.DC(), nullptr);
    device.ExpectEqual(model, "clipped");
}

TEST_F(Dib32Win, DrawToBlendsCopiesResamplesOrStretches) {
    TDIB32 image(10, 8);
    Pattern(image, 0xC0);
    image.ScanLine(0)[0] = 0x00123456;  // transparent
    struct Case {
        const char* what;
        TRect dest;
        uint32_t mode;
        TRect source;
        TRect clip;  // empty: none
    };
    const Case cases[] = {
        {"equal size, blended", {3, 2, 13, 10}, TDIB32::ModeBlend, {0, 0, 10, 8}, {}},
        {"equal size, copied", {3, 2, 8, 6}, 0, {2, 2, 7, 6}, {}},
        {"enlarged smoothly and blended",
         {1, 1, 31, 25},
         TDIB32::ModeBlend | TDIB32::ModeSmooth,
         {0, 0, 10, 8},
         {}},
        {"shrunk and copied", {4, 4, 9, 8}, TDIB32::ModeSmooth, {0, 0, 10, 8}, {}},
        {"enlarged, half of it visible",
         {0, 0, 40, 32},
         TDIB32::ModeBlend,
         {0, 0, 10, 8},
         {10, 5, 30, 20}},
    };
    for (const Case& c : cases) {
        Device device(48, 40, 0xFF804020);
        TDIB32 model;
        device.CopyTo(model);
        if (!c.clip.IsEmpty()) {
            IntersectClipRect(device.DC(), c.clip.Left, c.clip.Top, c.clip.Right, c.clip.Bottom);
            // Out of the clip the model is left as it is.
            TDIB32 drawn;
            device.CopyTo(drawn);
            image.ResampleTo(drawn, c.dest, c.source, c.mode);
            drawn.CopyRectTo(&model, c.clip.Left, c.clip.Top, c.clip, false);
        } else {
            image.ResampleTo(model, c.dest, c.source, c.mode);
        }
        image.DrawTo(device.DC(), c.dest, c.mode, c.source);
        device.ExpectEqual(model, c.what);
    }
    // Without blending or smoothing the system stretches; a destination
    // out of sight draws nothing.
    Device device(48, 40, 0xFF804020);
    SetStretchBltMode(device.DC(), COLORONCOLOR);
    image.DrawTo(device.DC(), {0, 0, 20, 16}, 0, {0, 0, 10, 8});
    EXPECT_EQ(device.At(19, 15), image.Pixel(9, 7) & 0xFFFFFF);
    EXPECT_EQ(device.At(0, 0), 0x123456u);
    IntersectClipRect(device.DC(), 30, 30, 40, 40);
    image.DrawTo(device.DC(), {0, 0, 20, 16}, TDIB32::ModeBlend, {0, 0, 10, 8});
    SelectClipRgn(device.DC(), nullptr);
    EXPECT_EQ(device.At(0, 0), 0x123456u);
}

TEST_F(Dib32Win, ImageListImagesComeBackWithTheirAlpha) {
    gui::TImageList list(nullptr);
    gui::TBitmap picture(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            picture.ScanLine(y)[x] = x < 5    ? 0xFFFF0000   // opaque red
                                     : x < 10 ? 0x00000000   // transparent
                                              : 0x80FF0000;  // half-transparent red
    ASSERT_EQ(list.Add(picture), 0);

    TDIB32 image(20, 20);
    image.Fill(0x12345678);
    image.DrawImageListImage(list.Handle(), 0, 2, 3, 0, 0, true);
    EXPECT_EQ(image.Pixel(2, 3), 0xFFFF0000u);  // both renderings agree
    EXPECT_EQ(image.Pixel(8, 10), 0x007F7F7Fu);
    const uint32_t half = image.Pixel(14, 10);
    EXPECT_NEAR(int(half >> 24), 0x80, 1);
    EXPECT_NEAR(int((half >> 16) & 0xFF), 0xFF, 2);
    EXPECT_EQ(half & 0xFFFF, 0u);
    EXPECT_EQ(image.Pixel(1, 3), 0x12345678u);  // outside the image's place
    EXPECT_EQ(image.Pixel(18, 19), 0x12345678u);

    // Clipped to the image; a part of the image asked for.
    TDIB32 corner(4, 4);
    corner.DrawImageListImage(list.Handle(), 0, -2, -2, 0, 0, true);
    EXPECT_EQ(corner.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(corner.Pixel(3, 3), 0x007F7F7Fu);
    TDIB32 part(16, 16);
    part.DrawImageListImage(list.Handle(), 0, 0, 0, 3, 16, true);
    EXPECT_EQ(part.Pixel(2, 0), 0xFFFF0000u);
    EXPECT_EQ(part.Pixel(3, 0), 0u);

    // Without recovery the image is drawn as the system draws it.
    TDIB32 plain(16, 16);
    plain.Fill(0xFF0000FF);
    plain.DrawImageListImage(list.Handle(), 0, 0, 0);
    GdiFlush();
    EXPECT_EQ(plain.Pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(plain.Pixel(7, 0) & 0xFFFFFF, 0x0000FFu);
}

TEST_F(Dib32Win, DisabledLookIsEmbossedInTheSystemColours) {
    auto pixel = [](int index) {
        const COLORREF c = GetSysColor(index);
        return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
    };
    // One dark opaque pixel in the middle; a light one and a faint one.
    TDIB32 image(5, 5);
    image.ScanLine(2)[2] = 0xFF101010;
    image.ScanLine(0)[0] = 0xFFF0F0F0;
    image.ScanLine(4)[0] = 0x20000000;
    Device device(10, 10, 0xFFFFFFFF);
    image.DrawDisabled(device.DC(), 3, 3, image.Bounds());
    EXPECT_EQ(device.At(5, 5), pixel(COLOR_BTNSHADOW));
    EXPECT_EQ(device.At(6, 6), pixel(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(device.At(3, 3), 0xFFFFFFu);
    EXPECT_EQ(device.At(3, 7), 0xFFFFFFu);
    // A source reaching past the image's corner keeps the pixels in place.
    Device shifted(10, 10, 0xFFFFFFFF);
    image.DrawDisabled(shifted.DC(), 3, 3, {-1, -1, 5, 5});
    EXPECT_EQ(shifted.At(6, 6), pixel(COLOR_BTNSHADOW));
}

TEST_F(Dib32Win, MonoGlyphsPaintTheirSetBitsOnly) {
    // 10 x 3: a frame of set bits around an empty middle row.
    const uint8_t bits[] = {0xFF, 0xC0, 0x80, 0x40, 0xFF, 0xC0};
    TMonoGlyph glyph(10, 3, bits);
    EXPECT_EQ(glyph.Width(), 10);
    ASSERT_NE(glyph.DC(), nullptr);
    struct Case {
        gui::TColor colour;
        uint32_t expected;
    };
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const Case cases[] = {
        {gui::clRed, 0xFF0000},
        {gui::clBtnShadow,
         uint32_t(GetRValue(shadow)) << 16 | uint32_t(GetGValue(shadow)) << 8 | GetBValue(shadow)},
    };
    for (const Case& c : cases) {
        Device device(14, 6, 0xFF00FF00);
        glyph.Draw(device.DC(), 2, 1, c.colour);
        EXPECT_EQ(device.At(2, 1), c.expected);
        EXPECT_EQ(device.At(11, 1), c.expected);
        EXPECT_EQ(device.At(2, 2), c.expected);
        EXPECT_EQ(device.At(11, 3), c.expected);
        EXPECT_EQ(device.At(5, 2), 0x00FF00u);  // unset: left alone
        EXPECT_EQ(device.At(1, 1), 0x00FF00u);
        EXPECT_EQ(device.At(12, 1), 0x00FF00u);
    }
    Device device(14, 6, 0xFF00FF00);
    glyph.Draw(device.DC(), 2, 1, gui::clNone);
    EXPECT_EQ(device.At(2, 1), 0x00FF00u);
    for (auto [w, h, size] : {std::tuple{0, 3, 6}, {10, 3, 5}, {10, -1, 6}}) {
        try {
            TMonoGlyph bad(w, h, std::span<const uint8_t>(bits, size_t(size)));
            ADD_FAILURE() << w << " x " << h;
        } catch (const EDIB32Error& e) {
            EXPECT_EQ(e.Message(), "Invalid parameters");
        }
    }
}

}  // namespace
}  // namespace toolbar
