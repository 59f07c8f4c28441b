#include "controls/html/gif_decoder.h"

#include <gtest/gtest.h>

#include <new>

#include "controls/html/gif_frames.h"
#include "controls/html/gif_test_support.h"
#include "controls/toolbar/allocation_cap_test_support.h"
#include "runtime/exceptions.h"

namespace html {
namespace {

using namespace html::testing;

// Four colours: black, red, green, blue.
const std::vector<uint8_t> kColours = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};

void Decode(TGif& gif, const std::string& bytes) {
    runtime::TStringStream s(bytes);
    gif.Decode(s);
}

std::string DecodeError(const std::string& bytes) {
    TGif gif;
    try {
        Decode(gif, bytes);
    } catch (const runtime::EInvalidGraphicOperation& e) {
        return e.Message();
    }
    return "no error";
}

TEST(GifDecoder, ReadsImagesExtensionsAndLoops) {
    std::string file = Header(2, 2, kColours) + Loop(0) + Control(1, -1, 7) +
                       ImageBlock(0, 0, 2, 2, LiteralLzw(2, {1, 2, 3, 0})) + Control(2, 3, 0) +
                       std::string("!\xFE\x02hi\x00", 6) +
                       ImageBlock(1, 1, 1, 1, LiteralLzw(2, {3})) + ";";
    TGif gif;
    Decode(gif, std::string(file));
    ASSERT_EQ(gif.ImageCount(), 2);
    EXPECT_EQ(gif.ScreenWidth(), 2);
    EXPECT_EQ(gif.LoopCount, 0);
    EXPECT_EQ(gif.Image(0).Pixels, (std::vector<uint8_t>{1, 2, 3, 0}));
    EXPECT_EQ(gif.DelayOf(0), 7);
    EXPECT_EQ(gif.DelayOf(1), 1);
    EXPECT_EQ(gif.DisposalOf(0), 1);
    EXPECT_EQ(gif.DisposalOf(1), 2);
    EXPECT_EQ(gif.TransparentIndexOf(0), -1);
    EXPECT_EQ(gif.TransparentIndexOf(1), 3);
    EXPECT_TRUE(gif.AnyTransparency());
    EXPECT_EQ(gif.LeftOf(1), 1);
    EXPECT_EQ(gif.ColorTableOf(0).Colors[1], 0x0000FFu);  // red in the low byte
    EXPECT_EQ(gif.Image(1).Extensions.size(), 2u);
    EXPECT_EQ(gif.Image(1).Extensions[1].SubBlocks, (std::vector<std::string>{"hi"}));
    try {
        (void)gif.Image(2);
        ADD_FAILURE();
    } catch (const runtime::EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "TGif: Value Out Of Range");
    }
    TGif plain;
    Decode(plain, Header(1, 1, kColours) + ImageBlock(0, 0, 1, 1, LiteralLzw(2, {2})));
    EXPECT_EQ(plain.LoopCount, -1);
    EXPECT_EQ(plain.Image(0).Pixels, (std::vector<uint8_t>{2}));
}

TEST(GifDecoder, ToleratesWhatWritersLeave) {
    const std::vector<uint8_t> four = {1, 2, 3, 1};
    std::string image = ImageBlock(0, 0, 4, 1, LiteralLzw(2, four));
    const std::pair<const char*, std::string> cases[] = {
        {"no trailer", Header(4, 1, kColours) + image},
        {"lower-case signature", Header(4, 1, kColours, 0, "gif89a") + image + ";"},
        {"damaged comment after the image", Header(4, 1, kColours) + image + "!\xFE\x09short"},
        {"unknown extension skipped", Header(4, 1, kColours) +
                                          std::string("!\x02\x03"
                                                      "abc\x00",
                                                      7) +
                                          image + ";"},
        {"garbage after the last image", Header(4, 1, kColours) + image + "\x55garbage"},
        {"no leading clear code",
         Header(4, 1, kColours) + ImageBlock(0, 0, 4, 1, LiteralLzw(2, four, true, false))},
        {"no end code",
         Header(4, 1, kColours) + ImageBlock(0, 0, 4, 1, LiteralLzw(2, four, false))},
        {"image data with a local table",
         Header(4, 1, {}) + "," + Le16(0) + Le16(0) + Le16(4) + Le16(1) + "\x81" +
             std::string(kColours.begin(), kColours.end()) + LiteralLzw(2, four)},
    };
    for (const auto& [name, bytes] : cases) {
        TGif gif;
        try {
            Decode(gif, bytes);
        } catch (const runtime::Exception& e) {
            ADD_FAILURE() << name << ": " << e.Message();
            continue;
        }
        ASSERT_EQ(gif.ImageCount(), 1) << name;
        EXPECT_EQ(gif.Image(0).Pixels, four) << name;
    }
    // A string defined by its own use (KwKwK): clear 4, 1, 6 (= 1 1), end.
    std::string kwk =
        std::string("\x02\x02", 2) + char(4 | 1 << 3 | 6 << 6) + char((6 >> 2) | 5 << 1) + '\0';
    TGif gif;
    Decode(gif, Header(3, 1, kColours) + ImageBlock(0, 0, 3, 1, kwk));
    EXPECT_EQ(gif.Image(0).Pixels, (std::vector<uint8_t>{1, 1, 1}));
    // The last byte holds the ends of three codes (3, clear, 2): all are
    // decoded, not only the one that needed the byte.
    Decode(gif,
           Header(5, 1, kColours) + ImageBlock(0, 0, 5, 1, LiteralLzw(2, {1, 2, 3, 1, 2}, false)));
    EXPECT_EQ(gif.Image(0).Pixels, (std::vector<uint8_t>{1, 2, 3, 1, 2}));
    // Fewer codes than pixels: the rest stay 0.
    Decode(gif, Header(4, 1, kColours) + ImageBlock(0, 0, 4, 1, LiteralLzw(2, {3, 3})));
    EXPECT_EQ(gif.Image(0).Pixels, (std::vector<uint8_t>{3, 3, 0, 0}));
    // Extensions after the last image have no effect.
    Decode(gif, Header(4, 1, kColours) + image + Control(2, 1) + ";");
    EXPECT_FALSE(gif.AnyTransparency());
}

TEST(GifDecoder, InterlacedRowsGoInPasses) {
    std::vector<uint8_t> fileOrder;
    for (int i = 0; i < 16; ++i) fileOrder.push_back(uint8_t(i));
    // With 16 colours: value = position in the file.
    std::vector<uint8_t> colours(48, 0);
    TGif gif;
    Decode(gif, Header(1, 16, colours) + ImageBlock(0, 0, 1, 16, LiteralLzw(4, fileOrder), true));
    const std::vector<uint8_t> rows = {0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15};
    std::vector<uint8_t> expected(16);
    for (size_t i = 0; i < 16; ++i) expected[rows[i]] = uint8_t(i);
    EXPECT_EQ(gif.Image(0).Pixels, expected);
}

TEST(GifDecoder, RejectsBrokenFiles) {
    std::string image = ImageBlock(0, 0, 1, 1, LiteralLzw(2, {1}));
    std::string badControl = Control(0);
    badControl[2] = 5;
    std::string badTerminator = Control(0);
    badTerminator.back() = 1;
    const std::pair<std::string, const char*> cases[] = {
        {"GIF90a" + Header(1, 1, kColours).substr(6) + image, "TGif: Invalid GIF Signature Code"},
        {Header(1, 1, {}) + image, "TGif: No Local or Global Color Table for Image"},
        {Header(1, 1, kColours) + "\x55", "TGif: Unknown Graphics Operation Code"},
        {Header(1, 1, kColours) + badControl + image, "TGif: Invalid Extension Block Size"},
        {Header(1, 1, kColours) + badTerminator + image,
         "TGif: Invalid Extension Block Terminator"},
        {Header(1, 1, kColours) + ";", "TGif: No Image Description"},
        {Header(1, 1, kColours).substr(0, 9), "TGif: Unexpected end of file"},
        {Header(1, 1, kColours) + ImageBlock(0, 0, 1, 1, "\x02\x05\x01"),
         "TGif: Unexpected end of file"},
        {Header(1, 1, kColours) + "!\xFE\x05"
                                  "ab",
         "TGif: Unexpected end of file"},
        {Header(1, 1, kColours) + ImageBlock(0, 0, 1, 1, std::string("\x0C\x02\x00\x10\x00", 5)),
         "TGif: Invalid LZW Code Size"},
        {Header(1, 1, kColours) + ImageBlock(0, 0, 1, 1, std::string("\x02\x01\x07\x00", 4)),
         "TGif: Invalid LZW Data Format"},
        {Header(1, 1, kColours) + ImageBlock(0, 0, 1, 1, std::string("\x02\x01\x2C\x00", 4)),
         "TGif: Invalid LZW Data Format"},
        {Header(1, 1, kColours) + ImageBlock(0, 0, 65535, 65535, LiteralLzw(2, {1})),
         "TGif: Image too large"},
    };
    for (const auto& [bytes, message] : cases) EXPECT_EQ(DecodeError(bytes), message);
}

// A 41-byte file with a 65535 x 65535 screen is refused before anything
// of the screen's size is asked for.
TEST(GifDecoder, HugeScreenIsRefusedBeforeItIsAllocated) {
    const std::string file =
        Header(65535, 65535, kColours) + ImageBlock(0, 0, 1, 1, LiteralLzw(2, {1})) + ";";
    ASSERT_EQ(file.size(), 41u);
    codecs::testing::TAllocationCap cap(size_t{1} << 20);
    std::string error = "no error";
    try {
        TGif gif;
        Decode(gif, file);
        (void)gif.BuildFrames();
    } catch (const runtime::EInvalidGraphicOperation& e) {
        error = e.Message();
    } catch (const std::bad_alloc&) {
        error = "asked for a block over 1 MiB";
    }
    EXPECT_EQ(error, "TGif: Image too large");
}

// Frames of a 2 x 1 screen: image 0 covers both pixels, image 1 the right.
std::vector<TGifCell> Frames(int disposal0, int transparent1, int disposal1 = 0) {
    std::string file = Header(2, 1, kColours, 2) + Control(disposal0) +
                       ImageBlock(0, 0, 2, 1, LiteralLzw(2, {1, 1})) +
                       (transparent1 >= 0 ? Control(disposal1, transparent1) : Control(disposal1)) +
                       ImageBlock(1, 0, 1, 1, LiteralLzw(2, {3})) +
                       ImageBlock(0, 0, 1, 1, LiteralLzw(2, {2}));
    TGif gif;
    runtime::TStringStream s(file);
    gif.Decode(s);
    return gif.BuildFrames();
}

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

TEST(GifDecoder, FramesFollowDisposalAndTransparency) {
    // Leave in place; image 1 transparent: frame 1 shows image 0 through it.
    auto frames = Frames(1, 3);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].Pixels, (std::vector<uint32_t>{kRed, kRed}));
    EXPECT_EQ(frames[0].Mask, (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(frames[1].Pixels, (std::vector<uint32_t>{kRed, kRed}));
    EXPECT_EQ(frames[2].Pixels, (std::vector<uint32_t>{kGreen, kRed}));
    // Opaque image 1 over image 0.
    frames = Frames(0, -1);
    EXPECT_EQ(frames[1].Pixels, (std::vector<uint32_t>{kRed, kBlue}));
    EXPECT_TRUE(frames[1].Mask.empty());
    // Disposal 2 without transparency: back to the background colour
    // (index 2, green) before the next image.
    frames = Frames(2, -1);
    EXPECT_EQ(frames[1].Pixels, (std::vector<uint32_t>{kGreen, kBlue}));
    // Disposal 2 with transparency in the file: the area becomes transparent.
    frames = Frames(2, 3);
    EXPECT_EQ(frames[1].Mask, (std::vector<uint8_t>{1, 1}));
    EXPECT_EQ(frames[2].Mask, (std::vector<uint8_t>{0, 1}));
    // Disposal 3: the next image starts from what was there before.
    frames = Frames(0, -1, 3);
    EXPECT_EQ(frames[1].Pixels, (std::vector<uint32_t>{kRed, kBlue}));
    EXPECT_EQ(frames[2].Pixels, (std::vector<uint32_t>{kGreen, kRed}));
}

TEST(GifDecoder, FirstImageTransparencyAndClipping) {
    // Image 0 transparent where it uses index 0; image 1 reaches past the
    // screen and is clipped.
    std::string file = Header(2, 2, kColours) + Control(0, 0) +
                       ImageBlock(0, 0, 2, 2, LiteralLzw(2, {0, 1, 1, 0})) +
                       ImageBlock(1, 1, 3, 3, LiteralLzw(2, {2, 2, 2, 2, 2, 2, 2, 2, 2}));
    TGif gif;
    runtime::TStringStream s(file);
    gif.Decode(s);
    auto frames = gif.BuildFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].Mask, (std::vector<uint8_t>{1, 0, 0, 1}));
    EXPECT_EQ(frames[1].Pixels, (std::vector<uint32_t>{0, kRed, kRed, kGreen}));
    EXPECT_EQ(frames[1].Mask, (std::vector<uint8_t>{1, 0, 0, 0}));
    // A screen without width: its frames hold nothing, whatever the images.
    TGif flat;
    runtime::TStringStream f(Header(0, 4, kColours) +
                             ImageBlock(1, 0, 2, 2, LiteralLzw(2, {1, 1, 1, 1})));
    flat.Decode(f);
    TGifComposer composer(flat);
    EXPECT_TRUE(composer.Frame(0).Pixels.empty());
}

// An animation beyond any budget for all its frames at once is shown
// whole, one frame at a time: 200 frames of a 640 x 480 screen, each image a
// 4 x 4 mark of its own colour in its own place, left in place.
TEST(GifComposer, LongAnimationIsShownWholeFrameByFrame) {
    constexpr int kFrames = 200;
    std::vector<uint8_t> colours;
    for (int i = 0; i < 256; ++i)
        colours.insert(colours.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    auto markAt = [](int i) { return size_t((i / 40) * 16) * 640 + size_t((i % 40) * 16); };
    auto colourOf = [](int i) {
        return uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint8_t(i * 7);
    };
    std::string file = Header(640, 480, colours) + Loop(0);
    for (int i = 0; i < kFrames; ++i)
        file += Control(1, -1, 4) + ImageBlock((i % 40) * 16, (i / 40) * 16, 4, 4,
                                               LiteralLzw(8, std::vector<uint8_t>(16, uint8_t(i))));
    TGif gif;
    Decode(gif, file);
    ASSERT_EQ(gif.ImageCount(), kFrames);
    // All frames at once are refused, not cut short.
    try {
        (void)gif.BuildFrames();
        ADD_FAILURE() << "200 frames of 640 x 480 composed at once";
    } catch (const runtime::EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "TGif: Image too large");
    }
    // One frame is 1.2 MB: nothing larger is asked for.
    codecs::testing::TAllocationCap cap(size_t{2} << 20);
    TGifComposer composer(gif);
    ASSERT_EQ(composer.Count(), kFrames);
    const TGifCell& last = composer.Frame(kFrames - 1);
    for (int i = 0; i < kFrames; ++i) ASSERT_EQ(last.Pixels[markAt(i)], colourOf(i)) << i;
    // Back to an earlier frame: composed again from the first.
    const TGifCell& sixth = composer.Frame(5);
    EXPECT_EQ(sixth.Pixels[markAt(5)], colourOf(5));
    EXPECT_EQ(sixth.Pixels[markAt(6)], 0u);
    EXPECT_EQ(composer.Frame(6).Pixels[markAt(6)], colourOf(6));
    try {
        (void)composer.Frame(kFrames);
        ADD_FAILURE();
    } catch (const runtime::EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message(), "TGif: Value Out Of Range");
    }
}

}  // namespace
}  // namespace html
