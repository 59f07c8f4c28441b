#include "controls/xc/color_reduction.h"

#include <gtest/gtest.h>

#include <set>

#include "runtime/exceptions.h"

namespace xc {
namespace {

// A 24-bit bitmap from (r, g, b) triples, top row first.
TDibBitmap Rgb24(int32_t w, int32_t h, const std::vector<std::array<uint8_t, 3>>& pixels) {
    TDibBitmap b(w, h, 24);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const auto& p = pixels[size_t(y) * w + x];
            uint8_t* q = b.Row(y) + 3 * x;
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    return b;
}

TDibBitmap Uniform(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t bl) {
    return Rgb24(w, h, std::vector<std::array<uint8_t, 3>>(size_t(w) * h, {r, g, bl}));
}

std::vector<uint8_t> Indices(const TDibBitmap& b) {
    std::vector<uint8_t> v;
    for (int32_t y = 0; y < b.Height; ++y) v.insert(v.end(), b.Row(y), b.Row(y) + b.Width);
    return v;
}

TDibBitmap Reduce(const TDibBitmap& b, uint8_t method) {
    uint32_t used = 0;
    return ReduceTo8Bits(b, method, used);
}

TEST(ColorReduction, LevelTablesTieToTheLowerLevel) {
    EXPECT_EQ(NearestLevel(6, 25), 0);
    EXPECT_EQ(NearestLevel(6, 26), 1);
    EXPECT_EQ(NearestLevel(4, 42), 0);
    EXPECT_EQ(NearestLevel(4, 43), 1);
    EXPECT_EQ(NearestLevel(7, 255), 6);
    EXPECT_EQ(NearestLevel(8, 18), 0);
    EXPECT_EQ(NearestLevel(8, 19), 1);
}

TEST(ColorReduction, FixedMethods) {
    EXPECT_EQ(Indices(Reduce(Uniform(2, 1, 255, 255, 255), rmCube216)),
              (std::vector<uint8_t>{215, 215}));
    EXPECT_EQ(Indices(Reduce(Uniform(1, 1, 0, 0, 0), rmCube216)), (std::vector<uint8_t>{0}));
    EXPECT_EQ(Indices(Reduce(Uniform(1, 1, 255, 255, 255), rmCube224)),
              (std::vector<uint8_t>{223}));
    EXPECT_EQ(Indices(Reduce(Uniform(1, 1, 255, 255, 255), rmGrayscale)),
              (std::vector<uint8_t>{255}));
    // Tripel: buffer rows count from the bottom; (row + column) mod 3
    // picks red, green or blue.
    EXPECT_EQ(Indices(Reduce(Uniform(3, 2, 255, 255, 255), rmTripel)),
              (std::vector<uint8_t>{127, 191, 63, 63, 127, 191}));
    TDibBitmap cube = Reduce(Uniform(1, 1, 0, 0, 0), rmCube216);
    EXPECT_EQ(cube.Colors[215], (TRGBQuad{255, 255, 255, 0}));
    EXPECT_EQ(cube.Colors[216], (TRGBQuad{128, 128, 128, 128}));
    TDibBitmap tripel = Reduce(Uniform(1, 1, 0, 0, 0), rmTripel);
    EXPECT_EQ(tripel.Colors[63], (TRGBQuad{0, 0, 252, 0}));
    EXPECT_EQ(tripel.Colors[64 + 63], (TRGBQuad{0, 252, 0, 0}));
    EXPECT_EQ(tripel.Colors[200], (TRGBQuad{0, 0, 0, 0}));
}

TEST(ColorReduction, PopularityOrdersByCountAndFillsWithGray) {
    TDibBitmap b =
        Rgb24(6, 1, {{1, 2, 3}, {9, 9, 9}, {9, 9, 9}, {200, 0, 0}, {9, 9, 9}, {200, 0, 0}});
    TDibBitmap r = Reduce(b, rmPopularity);
    EXPECT_EQ(r.Colors[0], (TRGBQuad{9, 9, 9, 0}));
    EXPECT_EQ(r.Colors[1], (TRGBQuad{0, 0, 200, 0}));
    EXPECT_EQ(r.Colors[2], (TRGBQuad{3, 2, 1, 0}));
    EXPECT_EQ(r.Colors[3], (TRGBQuad{128, 128, 128, 0}));
    EXPECT_EQ(Indices(r), (std::vector<uint8_t>{2, 0, 0, 1, 0, 1}));
}

TEST(ColorReduction, PopularityCoarsensBlueFirstPast2049Colours) {
    // 2049 distinct colours fit; colour k has blue 2k mod 256 + 1 (odd),
    // so losing blue's lowest bit shows in the palette.
    auto make = [](int n) {
        std::vector<std::array<uint8_t, 3>> p;
        for (int k = 0; k < n; ++k)
            p.push_back(
                {uint8_t(k / 256 * 16), uint8_t(k % 256 / 2 * 2), uint8_t(1 + (k % 2) * 2)});
        return p;
    };
    TDibBitmap fits = Reduce(Rgb24(2049, 1, make(2049)), rmPopularity);
    std::set<int> blues;
    for (int i = 0; i < 256; ++i) blues.insert(fits.Colors[size_t(i)].Blue);
    EXPECT_TRUE(blues.count(1) || blues.count(3));
    TDibBitmap coarse = Reduce(Rgb24(2050, 1, make(2050)), rmPopularity);
    for (int i = 0; i < 256; ++i) {
        const TRGBQuad& c = coarse.Colors[size_t(i)];
        if (c == TRGBQuad{128, 128, 128, 0}) continue;
        EXPECT_EQ(c.Blue % 2, 0) << i;
    }
}

TEST(ColorReduction, MedianCutGivesEachColourItsBox) {
    TDibBitmap b = Rgb24(4, 2,
                         {{0, 0, 0},
                          {255, 255, 255},
                          {255, 0, 0},
                          {0, 0, 255},
                          {0, 0, 0},
                          {255, 255, 255},
                          {255, 0, 0},
                          {0, 0, 255}});
    uint32_t used = 0;
    TDibBitmap r = ReduceTo8Bits(b, rmMedianCut, used);
    EXPECT_EQ(used, 4u);
    std::vector<uint8_t> idx = Indices(r);
    EXPECT_EQ(std::set<uint8_t>(idx.begin(), idx.end()).size(), 4u);
    for (int32_t x = 0; x < 4; ++x) {
        TRGBQuad original = b.PixelColor(x, 0), chosen = r.Colors[idx[size_t(x)]];
        EXPECT_NEAR(original.Red, chosen.Red, 16);
        EXPECT_NEAR(original.Green, chosen.Green, 16);
        EXPECT_NEAR(original.Blue, chosen.Blue, 16);
    }
    EXPECT_EQ(r.Colors[idx[0]], (TRGBQuad{0, 0, 0, 0}));  // dark boxes become black
    EXPECT_EQ(r.Colors[idx[1]], (TRGBQuad{255, 255, 255, 0}));
    // More colours than boxes: 256 boxes at most, every pixel in one.
    std::vector<std::array<uint8_t, 3>> many;
    for (int k = 0; k < 4096; ++k)
        many.push_back({uint8_t(k * 16 % 256), uint8_t(k / 16 * 16 % 256), uint8_t(k / 256 * 16)});
    TDibBitmap big = ReduceTo8Bits(Rgb24(64, 64, many), rmMedianCut, used);
    EXPECT_EQ(used, 256u);
}

uint32_t Le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

TEST(ColorReduction, ConvertWritesWholeBmpsAndLeavesTheBitmapAlone) {
    TDibBitmap b =
        Rgb24(3, 2, {{10, 20, 30}, {40, 50, 60}, {255, 255, 255}, {0, 0, 0}, {1, 2, 3}, {7, 8, 9}});
    std::vector<uint8_t> before = b.Bits;
    for (TPixelFormat target : {pf1bit, pf4bit, pf8bit, pf24bit}) {
        auto stream = ConvertBitmapPixelFormat(b, target, rmCube216);
        EXPECT_EQ(stream->Position(), 0);
        const auto* bytes = static_cast<const uint8_t*>(stream->Memory());
        ASSERT_EQ(bytes[0], 'B');
        EXPECT_EQ(Le32(bytes + 2), uint32_t(stream->Size())) << int(target);
        TDibBitmap back = LoadDibFromBmp(*stream);
        EXPECT_EQ(back.PixelFormat(), target);
        if (target == pf8bit) {
            EXPECT_EQ(Le32(bytes + 46), 216u);
        }
        if (target == pf24bit) {
            EXPECT_EQ(back.Bits, b.Bits);
        }
        if (target == pf1bit) {
            EXPECT_EQ(back.PixelColor(2, 0), (TRGBQuad{255, 255, 255, 0}));
            EXPECT_EQ(back.PixelColor(0, 1), (TRGBQuad{0, 0, 0, 0}));
        }
    }
    EXPECT_EQ(b.Bits, before);

    // An 8-bit bitmap to 8 bits: unchanged, but for the gray method.
    TDibBitmap indexed(2, 1, 8);
    indexed.Colors[0] = {0, 0, 255, 0};
    indexed.Colors[1] = {255, 0, 0, 0};
    indexed.Row(0)[1] = 1;
    auto same = ConvertBitmapPixelFormat(indexed, pf8bit, rmPopularity);
    TDibBitmap sameBack = LoadDibFromBmp(*same);
    EXPECT_EQ(sameBack.Bits, indexed.Bits);
    EXPECT_EQ(sameBack.Colors, indexed.Colors);
    auto grays = ConvertBitmapPixelFormat(indexed, pf8bit, rmGrayscale);
    TDibBitmap grayBack = LoadDibFromBmp(*grays);
    EXPECT_EQ(grayBack.Row(0)[0], (77 * 255) >> 8);
    EXPECT_EQ(grayBack.Row(0)[1], (29 * 255) >> 8);
}

TEST(ColorReduction, InvalidBitmapsAndTargets) {
    TDibBitmap empty;
    EXPECT_THROW((void)ConvertBitmapPixelFormat(empty, pf8bit, 0), runtime::EInvalidGraphic);
#ifndef _WIN32
    // On Windows the stop shows a message box first.
    EXPECT_THROW((void)ConvertBitmapPixelFormat(Uniform(1, 1, 0, 0, 0), pf16bit, 0),
                 runtime::EAbort);
#endif
}

}  // namespace
}  // namespace xc
