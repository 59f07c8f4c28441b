#include "controls/tree/colormath.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace controls::tree {
namespace {

TEST(GtColorMath, HueLightnessSaturationOfKnownColours) {
    struct Row {
        TRgb rgb;
        int h, l, s;
    };
    const Row rows[] = {
        {MakeRGB(255, 255, 255), 168, 252, 0},  // white: achromatic
        {MakeRGB(0, 0, 0), 168, 0, 0},           {MakeRGB(127, 127, 127), 168, 126, 0},
        {MakeRGB(255, 0, 0), 0, 126, 252},       {MakeRGB(0, 255, 0), 84, 126, 252},
        {MakeRGB(0, 0, 255), 168, 126, 252},     {MakeRGB(255, 255, 0), 42, 126, 252},
        {MakeRGB(192, 192, 255), 168, 221, 252},
    };
    for (const Row& r : rows) {
        const THls hls = RGBToHLS(r.rgb);
        EXPECT_EQ(HueOf(hls), r.h) << std::hex << r.rgb;
        EXPECT_EQ(LightnessOf(hls), r.l) << std::hex << r.rgb;
        EXPECT_EQ(SaturationOf(hls), r.s) << std::hex << r.rgb;
        EXPECT_EQ(HLSToRGB(hls), r.rgb) << std::hex << r.rgb;
    }
}

TEST(GtColorMath, ConversionsRoundTripClosely) {
    // The 252 scale loses a little; no component may drift further.
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 51) {
                const TRgb back = HLSToRGB(RGBToHLS(MakeRGB(r, g, b)));
                EXPECT_LE(std::abs(RedOf(back) - r), 3) << r << "," << g << "," << b;
                EXPECT_LE(std::abs(GreenOf(back) - g), 3) << r << "," << g << "," << b;
                EXPECT_LE(std::abs(BlueOf(back) - b), 3) << r << "," << g << "," << b;
            }
}

TEST(GtColorMath, ComponentsShadesAndRings) {
    EXPECT_EQ(MakeRGB(1, 2, 3), 0x030201u);
    EXPECT_EQ(InvertRGB(MakeRGB(0, 128, 255)), MakeRGB(255, 127, 0));
    EXPECT_EQ(LighterShade(MakeRGB(128, 128, 128)), MakeRGB(158, 158, 158));
    EXPECT_EQ(DarkerShade(MakeRGB(128, 128, 128)), MakeRGB(96, 96, 96));

    TFrameShades shades;
    EXPECT_FALSE(FrameShadesOf(MakeRGB(0, 0, 0), shades));
    ASSERT_TRUE(FrameShadesOf(MakeRGB(0, 0, 255), shades));
    EXPECT_EQ(LightnessOf(RGBToHLS(shades.Highlight)), 168);  // 126 + 42
    EXPECT_EQ(LightnessOf(RGBToHLS(shades.Dark)), 63);
    EXPECT_EQ(LightnessOf(RGBToHLS(shades.Shadow)), 84);

    struct Row {
        bool raised, pressed;
        TFrameRings rings;
    };
    const Row rows[] = {
        {true, false, {fcHighlight, fcDark, fcFace, fcShadow}},
        {false, false, {fcHighlight, fcShadow, fcFace, fcFace}},
        {true, true, {fcDark, fcHighlight, fcShadow, fcFace}},
        {false, true, {fcShadow, fcHighlight, fcFace, fcFace}},
    };
    for (const Row& r : rows) {
        const TFrameRings got = FrameRingsFor(r.raised, r.pressed);
        EXPECT_EQ(got.OuterTopLeft, r.rings.OuterTopLeft);
        EXPECT_EQ(got.OuterBottomRight, r.rings.OuterBottomRight);
        EXPECT_EQ(got.InnerTopLeft, r.rings.InnerTopLeft);
        EXPECT_EQ(got.InnerBottomRight, r.rings.InnerBottomRight);
    }
}

TEST(GtColorMath, KeyboardTimingAndHints) {
    EXPECT_EQ(KeyboardRepeatMs(31), 31);
    EXPECT_EQ(KeyboardRepeatMs(0), 1000);
    EXPECT_EQ(KeyboardDelayMs(0), 250);
    EXPECT_EQ(KeyboardDelayMs(3), 1000);

    EXPECT_EQ(ShortHintWide(u"short|long"), u"short");
    EXPECT_EQ(ShortHintWide(u"only"), u"only");

    // 8-bit text, zero, UTF-16 units, zero unit, 0xFFFE.
    const std::string encoded = EncodeWideHint(u"A\u0416");
    EXPECT_EQ(encoded, std::string("A?\0A\0\x16\x04\0\0\xFE\xFF", 11));
    EXPECT_EQ(encoded.size(), 2 + 2 * 2 + 5u);
    std::u16string back;
    ASSERT_TRUE(DecodeWideHint(encoded, back));
    EXPECT_EQ(back, u"A\u0416");
    EXPECT_EQ(EncodeWideHint(u""), "");
    EXPECT_FALSE(DecodeWideHint("plain hint", back));
    EXPECT_FALSE(DecodeWideHint(std::string("a\0b", 3), back));
}

}  // namespace
}  // namespace controls::tree
