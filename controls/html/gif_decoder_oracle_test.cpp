// Cross-checks with Debian's giflib: animations giflib writes (every
// disposal, transparency, interlacing, local tables) decode to giflib's
// pixels, and compose to the frames giflib's pixels give under the
// disposal rules.
#include <gtest/gtest.h>

#include <random>

#include "controls/html/gif_decoder.h"
#include "tests/oracles/giflib_support.h"

namespace html {
namespace {

oracles::GifFile RandomAnimation(std::mt19937& rng, int frames) {
    oracles::GifFile file;
    file.width = 8 + int(rng() % 40);
    file.height = 8 + int(rng() % 30);
    file.background = int(rng() % 4);
    file.loopCount = rng() % 2 ? int(rng() % 5) : -1;
    for (int i = 0; i < 3 * 16; ++i) file.globalColours.push_back(uint8_t(rng()));
    for (int f = 0; f < frames; ++f) {
        oracles::GifFrame frame;
        frame.width = 1 + int(rng() % file.width);
        frame.height = 1 + int(rng() % file.height);
        frame.left = int(rng() % (file.width - frame.width + 1));
        frame.top = int(rng() % (file.height - frame.height + 1));
        frame.interlace = rng() % 3 == 0;
        int colours = 16;
        if (rng() % 3 == 0) {
            colours = 256;
            for (int i = 0; i < 3 * colours; ++i) frame.localColours.push_back(uint8_t(rng()));
        }
        for (int i = 0; i < frame.width * frame.height; ++i)
            frame.pixels.push_back(uint8_t(rng() % 4 == 0 ? rng() % colours : (i / 3) % colours));
        if (rng() % 4 != 0) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = int(rng() % 4);
            gcb.DelayTime = int(rng() % 50);
            gcb.TransparentColor = rng() % 2 ? int(rng() % colours) : NO_TRANSPARENT_COLOR;
            frame.control = gcb;
        }
        file.frames.push_back(std::move(frame));
    }
    return file;
}

// The composed frames from giflib's pixels under the rules the viewer shows.
std::vector<TGifCell> Compose(const oracles::GifFile& file) {
    const int w = file.width, h = file.height;
    bool masked = false;
    for (const auto& f : file.frames) masked |= f.control && f.control->TransparentColor >= 0;
    auto colour = [](const std::vector<uint8_t>& table, int index) -> uint32_t {
        if (size_t(3 * index + 2) >= table.size()) return 0;
        return uint32_t(table[3 * index]) << 16 | uint32_t(table[3 * index + 1]) << 8 |
               table[3 * index + 2];
    };
    TGifCell canvas{std::vector<uint32_t>(size_t(w * h), 0),
                    std::vector<uint8_t>(masked ? size_t(w * h) : 0, 0)};
    std::vector<TGifCell> out;
    for (size_t i = 0; i < file.frames.size(); ++i) {
        const auto& f = file.frames[i];
        const auto& table = f.localColours.empty() ? file.globalColours : f.localColours;
        int transparent = f.control ? f.control->TransparentColor : -1;
        int disposal = f.control ? f.control->DisposalMode & 3 : 0;
        TGifCell before = canvas;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                size_t at = size_t((f.top + y) * w + f.left + x);
                int v = f.pixels[size_t(y * f.width + x)];
                if (v == transparent) {
                    if (i == 0) canvas.Pixels[at] = 0, canvas.Mask[at] = 1;
                    continue;
                }
                canvas.Pixels[at] = colour(table, v);
                if (masked) canvas.Mask[at] = 0;
            }
        out.push_back(canvas);
        if (disposal == 2) {
            for (int y = 0; y < f.height; ++y)
                for (int x = 0; x < f.width; ++x) {
                    size_t at = size_t((f.top + y) * w + f.left + x);
                    canvas.Pixels[at] = masked ? 0 : colour(file.globalColours, file.background);
                    if (masked) canvas.Mask[at] = 1;
                }
        } else if (disposal == 3) {
            canvas = before;
        }
    }
    return out;
}

TEST(GifOracle, AnimationsDecodeAndComposeLikeGiflibsPixels) {
    std::mt19937 rng(12);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        oracles::GifFile file = RandomAnimation(rng, 1 + round % 6);
        std::string bytes = oracles::GiflibWrite(file);
        ASSERT_FALSE(bytes.empty());
        auto theirs = oracles::GiflibRead(bytes);
        ASSERT_TRUE(theirs.has_value());
        TGif gif;
        runtime::TStringStream s(bytes);
        gif.Decode(s);
        ASSERT_EQ(gif.ImageCount(), int32_t(theirs->frames.size()));
        EXPECT_EQ(gif.LoopCount, file.loopCount);
        for (int32_t i = 0; i < gif.ImageCount(); ++i) {
            const auto& f = theirs->frames[size_t(i)];
            EXPECT_EQ(gif.Image(i).Pixels, f.pixels) << "image " << i;
            EXPECT_EQ(gif.LeftOf(i), f.left);
            EXPECT_EQ(gif.TopOf(i), f.top);
            EXPECT_EQ(gif.TransparentIndexOf(i), f.control ? f.control->TransparentColor : -1);
            EXPECT_EQ(gif.DisposalOf(i), f.control ? f.control->DisposalMode & 3 : 0);
            EXPECT_EQ(gif.DelayOf(i),
                      f.control && f.control->DelayTime > 0 ? f.control->DelayTime : 1);
        }
        auto frames = gif.BuildFrames();
        auto expected = Compose(*theirs);
        ASSERT_EQ(frames.size(), expected.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].Pixels, expected[i].Pixels) << "frame " << i;
            EXPECT_EQ(frames[i].Mask, expected[i].Mask) << "frame " << i;
        }
    }
}

}  // namespace
}  // namespace html
