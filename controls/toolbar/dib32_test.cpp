#include "controls/toolbar/dib32.h"

#include <gtest/gtest.h>

#include <random>

#include "controls/toolbar/color_effects.h"

namespace toolbar {
namespace {

void Set(TDIB32& image, std::initializer_list<uint32_t> pixels) {
    std::copy(pixels.begin(), pixels.end(), image.Pixels());
}

std::vector<uint32_t> PixelsOf(const TDIB32& image) {
    return {image.Pixels(), image.Pixels() + size_t(image.Width()) * image.Height()};
}

TEST(Blend, PixelWeightsAlphaPlusItsTopBitAndPacksChannels) {
    EXPECT_EQ(BlendPixel(0xFF123456, 0x00ABCDEF), 0xFF123456u);
    EXPECT_EQ(BlendPixel(0xFF123456, 0xFFABCDEF), 0xFFABCDEFu);
    // Alpha 128 weighs 129 of 256.
    EXPECT_EQ(BlendPixel(0xFF0000FF, 0x80FF0000), 0x0080007Fu);
    std::mt19937 rng(1);
    for (int i = 0; i < 10000; ++i) {
        uint32_t d = rng(), s = rng();
        uint32_t a = s >> 24;
        if (a == 0 || a == 255) continue;
        uint32_t w = a + (a >> 7), expected = 0;
        for (int shift : {16, 8, 0})
            expected |= ((w * ((s >> shift) & 0xFF) + (256 - w) * ((d >> shift) & 0xFF) + 127) >> 8)
                        << shift;
        ASSERT_EQ(BlendPixel(d, s), expected) << std::hex << d << " " << s;
    }
}

TEST(Blend, RowScalesAlphaByOpacity) {
    uint32_t source[3] = {0xFFFF0000, 0xFFFF0000, 0x80FF0000};
    uint32_t dest[3] = {0xFF000000, 0xFF000000, 0xFF000000};
    BlendRow(source, dest, 3, 128);
    // 255 -> 128 (weight 129); 128 -> 64.
    EXPECT_EQ(dest[0], 0x00800000u);
    EXPECT_EQ(dest[1], 0x00800000u);
    EXPECT_EQ(dest[2], 0x00400000u);
    uint32_t untouched[1] = {0xFF000000};
    BlendRow(source, untouched, 1, 0);
    EXPECT_EQ(untouched[0], 0xFF000000u);
}

TEST(Dib32, SizesKeepPixelsAndRefuseHugeImages) {
    TDIB32 image(2, 2);
    Set(image, {1, 2, 3, 4});
    image.SetDimensions(3, 1, true);
    EXPECT_EQ(PixelsOf(image), (std::vector<uint32_t>{1, 2, 0}));
    image.SetDimensions(-5, 4, false);
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(image.Pixels(), nullptr);
    try {
        image.SetDimensions(100000, 100000, false);
        ADD_FAILURE();
    } catch (const EDIB32Error& e) {
        EXPECT_EQ(e.Message(), "Image too large");
    }
}

TEST(Dib32, TakeOverDetachAndCopies) {
    TDIB32 a(2, 1);
    Set(a, {7, 8});
    TDIB32 b;
    b.TakeOver(&a);
    EXPECT_TRUE(a.Empty());
    EXPECT_EQ(PixelsOf(b), (std::vector<uint32_t>{7, 8}));
    for (TDIB32* bad : {static_cast<TDIB32*>(nullptr), &b}) {
        try {
            b.TakeOver(bad);
            ADD_FAILURE();
        } catch (const EDIB32Error& e) {
            EXPECT_EQ(e.Message(), "Invalid parameters");
        }
    }
    auto detached = b.Detach();
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(detached->Width(), 2);

    // Copies clip to both images; an exchange swaps the areas.
    TDIB32 src(3, 2);
    Set(src, {1, 2, 3, 4, 5, 6});
    TDIB32 dst(2, 2);
    Set(dst, {0, 0, 0, 0});
    src.CopyRectTo(&dst, -1, 1, {0, 0, 3, 2}, false);
    EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{0, 0, 2, 3}));
    src.CopyRectTo(&dst, 0, 0, {1, 1, 3, 2}, true);
    EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{5, 6, 2, 3}));
    EXPECT_EQ(PixelsOf(src), (std::vector<uint32_t>{1, 2, 3, 4, 0, 0}));
    // Overlapping copy within one image.
    TDIB32 row(4, 1);
    Set(row, {1, 2, 3, 4});
    row.CopyRectTo(&row, 1, 0, {0, 0, 3, 1}, false);
    EXPECT_EQ(PixelsOf(row), (std::vector<uint32_t>{1, 1, 2, 3}));
    EXPECT_THROW(row.CopyRectTo(nullptr, 0, 0, {0, 0, 1, 1}, false), EDIB32Error);
}

TEST(Dib32, BlendToClipsAndBlends) {
    TDIB32 src(2, 1);
    Set(src, {0xFFFFFFFF, 0x80FF0000});
    TDIB32 dst(3, 1);
    Set(dst, {0xFF000000, 0xFF000000, 0xFF000000});
    src.BlendTo(dst, 1, 0, src.Bounds(), 255);
    EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{0xFF000000, 0xFFFFFFFF, 0x00800000}));
    src.BlendTo(dst, -1, 0, src.Bounds(), 255);  // only the second pixel lands
    EXPECT_EQ(dst.Pixel(0, 0), 0x00800000u);
}

TEST(Dib32, ResampleEnlargesShrinksAndKeepsUniformColours) {
    TDIB32 one(1, 1);
    Set(one, {0xFF112233});
    TDIB32 three(3, 1);
    one.ResampleTo(three, {0, 0, 3, 1}, one.Bounds(), 0);
    EXPECT_EQ(PixelsOf(three), (std::vector<uint32_t>{0xFF112233, 0xFF112233, 0xFF112233}));

    TDIB32 four(4, 1);
    Set(four, {0xFF000000, 0xFF640000, 0xFFC80000, 0xFF280000});
    TDIB32 single(1, 1);
    four.ResampleTo(single, {0, 0, 1, 1}, four.Bounds(), 0);
    EXPECT_EQ(single.Pixel(0, 0), 0xFF550000u);  // (0 + 100 + 200 + 40) / 4

    // Smooth enlargement 2 -> 4: edges take the edge pixel whole, the
    // middle mixes 3:1.
    TDIB32 two(2, 1);
    Set(two, {0xFF000000, 0xFF0000FF});
    TDIB32 wide(4, 1);
    two.ResampleTo(wide, {0, 0, 4, 1}, two.Bounds(), TDIB32::ModeSmooth);
    EXPECT_EQ(PixelsOf(wide),
              (std::vector<uint32_t>{0xFF000000, 0xFF000040, 0xFF0000BF, 0xFF0000FF}));
    // A destination row above the first source row takes the first row.
    TDIB32 column(1, 2);
    Set(column, {0xFF000001, 0xFF000002});
    TDIB32 tall(1, 4);
    column.ResampleTo(tall, {0, 0, 1, 4}, column.Bounds(), TDIB32::ModeSmooth);
    EXPECT_EQ(tall.Pixel(0, 0), 0xFF000001u);

    // Whatever the ratio, the weights add up: a uniform image stays uniform.
    for (auto [sw, sh, dw, dh] :
         {std::array{7, 5, 3, 2}, {5, 9, 11, 4}, {13, 13, 5, 6}, {3, 3, 7, 2}, {100, 1, 33, 1}}) {
        TDIB32 src(sw, sh), dst(dw, dh);
        src.Fill(0xC8649632);
        src.ResampleTo(dst, dst.Bounds(), src.Bounds(), TDIB32::ModeSmooth);
        for (uint32_t p : PixelsOf(dst))
            ASSERT_EQ(p, 0xC8649632u) << sw << "x" << sh << "->" << dw << "x" << dh;
    }
    // A source outside the image does nothing.
    TDIB32 dst(1, 1);
    Set(dst, {5});
    one.ResampleTo(dst, dst.Bounds(), {0, 0, 2, 1}, 0);
    EXPECT_EQ(dst.Pixel(0, 0), 5u);
}

TEST(Dib32, DisabledLookEmbossesDarkOpaquePixels) {
    TDIB32 glyph(2, 1);
    Set(glyph, {0xFF000000, 0xFFFFFFFF});
    TDIB32 dst(3, 2);
    dst.Fill(0xFF808080);
    glyph.DrawDisabledTo(dst, 0, 0, glyph.Bounds(), 0xFFFFFF, 0x404040);
    EXPECT_EQ(dst.Pixel(0, 0), 0xFF404040u);  // shadow in place
    EXPECT_EQ(dst.Pixel(1, 1), 0xFFFFFFFFu);  // highlight one down and right
    EXPECT_EQ(dst.Pixel(1, 0), 0xFF808080u);  // the white pixel leaves no mark
    EXPECT_EQ(dst.Pixel(2, 1), 0xFF808080u);
    // A source rectangle reaching past the image's left: its pixels stay
    // where the rectangle puts them.
    TDIB32 moved(3, 2);
    moved.Fill(0xFF808080);
    glyph.DrawDisabledTo(moved, 0, 0, {-1, 0, 2, 1}, 0xFFFFFF, 0x404040);
    EXPECT_EQ(moved.Pixel(1, 0), 0xFF404040u);
    EXPECT_EQ(moved.Pixel(0, 0), 0xFF808080u);
}

TEST(Dib32, RecoversAlphaFromBlackAndWhiteRenderings) {
    // A pixel of colour (200, 100, 50) at alpha 128 on black and on white.
    auto over = [](uint32_t bg, uint32_t c) {
        return 0xFF000000 | (BlendPixel(bg, 0x80000000 | c) & 0xFFFFFF);
    };
    uint32_t black[3] = {0xFF123456, 0xFF000000, over(0xFF000000, 0xC86432)};
    uint32_t white[3] = {0xFF123456, 0xFFFFFFFF, over(0xFFFFFFFF, 0xC86432)};
    uint32_t out[3];
    RecoverImageListAlpha(black, white, out, 3);
    EXPECT_EQ(out[0], 0xFF123456u);
    EXPECT_EQ(out[1], 0x007F7F7Fu);
    EXPECT_EQ(out[2] >> 24, 0x80u);
    EXPECT_NEAR(int((out[2] >> 16) & 0xFF), 200, 2);
    EXPECT_NEAR(int((out[2] >> 8) & 0xFF), 100, 2);
    EXPECT_NEAR(int(out[2] & 0xFF), 50, 2);
    EXPECT_EQ(Unpremultiply(0, 0), 255);
    EXPECT_EQ(Unpremultiply(128, 64), 128);
}

TEST(ColorEffects, EachEffectOnAPixel) {
    const struct {
        int32_t number;
        uint32_t parameter, pixel, expected;
    } cases[] = {
        {1, 0, 0x80123456, 0x80EDCBA9},
        {2, 255, 0xFF402010, 0xFF242424},  // (0x40 + 2 * 0x20 + 0x10) / 4
        {2, 0, 0xFF402010, 0xFF402010},
        {3, 0xFF808080, 0xFFFF8000, 0xFF804000},
        {3, 0x00808080, 0xFFFF8000, 0xFFFF8000},  // no strength: unchanged
        {4, 0xFF101010, 0xFFF08000, 0xFFFF9010},
        {4, 0x00101010, 0xFFF08000, 0xFFF08000},
        {5, 128, 0xFF123456, 0x80123456},
        {6, 0xFFFFFFFF, 0x7F000000, 0x7FFFFFFF},
        {6, 0x80FFFFFF, 0xFF000000, 0xFF808080},
        {7, 0x00ABCDEF, 0xFF000000, 0xFFABCDEF},
        {7, 0x00ABCDEF, 0xFFFFFFFF, 0x00ABCDEF},
        {7, 0x00ABCDEF, 0x00FFFFFF, 0x00FFFFFF},
    };
    for (const auto& c : cases) {
        TColorEffects effects;
        ASSERT_TRUE(effects.Add(c.number, c.parameter));
        // Apply over a transparent-black destination: opaque results
        // replace it, so read the effect through an opaque pixel's path.
        uint32_t source = c.pixel, dest = 0x01020304;
        effects.Apply(&source, &dest, 1);
        uint32_t a = c.expected >> 24;
        uint32_t shown = a == 0      ? 0x01020304
                         : a == 0xFF ? c.expected
                                     : BlendPixel(0x01020304, c.expected);
        EXPECT_EQ(dest, shown) << "effect " << c.number << " on " << std::hex << c.pixel;
    }
}

TEST(ColorEffects, RegistryAndChains) {
    TColorEffects effects;
    EXPECT_FALSE(effects.Add(99, 0));
    EXPECT_EQ(effects.Count(), 0u);
    try {
        RegisterColorEffect(3, [](uint32_t p, uint32_t, uint32_t) { return p; });
        ADD_FAILURE();
    } catch (const runtime::Exception& e) {
        EXPECT_EQ(e.Message(), "color effect 3 already registered");
    }
    RegisterColorEffect(
        42, [](uint32_t p, uint32_t d, uint32_t) { return (p & 0xFF000000) | (d & 0xFFFFFF); });
    ASSERT_TRUE(effects.Add(1, 0));
    ASSERT_TRUE(effects.Add(42, 0));  // takes the destination's colour
    uint32_t source[2] = {0xFF000000, 0xFF000000}, dest[2] = {0xFF0000AA, 0xFF0000AA};
    effects.Apply(source, dest, 2);
    EXPECT_EQ(dest[0], 0xFF0000AAu);
    EXPECT_EQ(dest[1], 0xFF0000AAu);
    TDIB32 src(1, 1);
    Set(src, {0xFF000000});
    TDIB32 dst(1, 1);
    Set(dst, {0xFF00FF00});
    TColorEffects invert;
    invert.Add(1, 0);
    src.EffectsTo(dst, 0, 0, src.Bounds(), invert);
    EXPECT_EQ(dst.Pixel(0, 0), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace toolbar
