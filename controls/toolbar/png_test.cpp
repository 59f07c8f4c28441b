#include <gtest/gtest.h>
#include <zlib.h>

#include <new>
#include <random>
#include <string>
#include <vector>

#include "controls/toolbar/allocation_cap_test_support.h"
#include "controls/toolbar/crc32.h"
#include "controls/toolbar/png_reader.h"
#include "controls/toolbar/png_test_support.h"
#include "controls/toolbar/png_writer.h"
#include "controls/toolbar/zlib_stream.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace toolbar {
namespace {

using namespace toolbar::testing;

std::vector<uint32_t> Decode(const std::string& bytes, TPNGReader& reader) {
    runtime::TStringStream s(bytes);
    reader.ReadPNG(s);
    return reader.Pixels();
}

std::vector<uint32_t> Decode(const std::string& bytes) {
    TPNGReader reader;
    return Decode(bytes, reader);
}

struct Encoded {
    std::string png;
    TPngLayout layout;
    int depth;
};

Encoded EncodeWithFormat(const std::vector<uint32_t>& pixels, int w, int h) {
    TPNGWriter writer(w, pixels.data(), w, h);
    runtime::TStringStream s;
    writer.WritePNG(s);
    return {s.DataString(), writer.Layout(), writer.BitDepth()};
}

std::string Encode(const std::vector<uint32_t>& pixels, int w, int h) {
    return EncodeWithFormat(pixels, w, h).png;
}

std::string DecodeError(const std::string& bytes) {
    try {
        Decode(bytes);
    } catch (const runtime::Exception& e) {
        return std::string(e.ClassName()) + ": " + e.Message();
    }
    return "no error";
}

// Offset of the first chunk of this type, or npos.
size_t FindChunk(const std::string& png, const std::string& type) {
    size_t at = 8;
    while (at + 8 <= png.size()) {
        uint32_t len = uint8_t(png[at]) << 24 | uint8_t(png[at + 1]) << 16 |
                       uint8_t(png[at + 2]) << 8 | uint8_t(png[at + 3]);
        if (png.compare(at + 4, 4, type) == 0) return at;
        at += 12 + len;
    }
    return std::string::npos;
}

uint32_t ChunkLength(const std::string& png, size_t at) {
    return uint8_t(png[at]) << 24 | uint8_t(png[at + 1]) << 16 | uint8_t(png[at + 2]) << 8 |
           uint8_t(png[at + 3]);
}

TEST(Crc32, MatchesZlibAndStartsFromNull) {
    EXPECT_EQ(BarXCrc32Update(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(BarXCrc32Update(0x1234, nullptr, 5), 0u);
    EXPECT_EQ(BarXCrc32Update(0x1234, "x", 0), 0x1234u);
    std::mt19937 rng(7);
    std::vector<uint8_t> data(1000);
    for (auto& b : data) b = uint8_t(rng());
    for (size_t len : {1u, 3u, 4u, 5u, 63u, 1000u}) {
        uint32_t split = BarXCrc32Update(BarXCrc32Update(0, data.data(), len / 2),
                                         data.data() + len / 2, len - len / 2);
        EXPECT_EQ(split, crc32(0, data.data(), uInt(len))) << len;
    }
}

TEST(CompressionStream, WritesAtItsOwnPositionAndInflatesBack) {
    runtime::TMemoryStream target;
    target.WriteBuffer("head", 4);
    std::string input;
    for (int i = 0; i < 200000; ++i) input += char('a' + (i * 7919) % 26);
    {
        TCompressionStream z(target);
        for (size_t at = 0; at < input.size(); at += 70001) {
            target.SetPosition(0);  // somebody else moves the target
            EXPECT_EQ(
                z.Write(input.data() + at, int64_t(std::min<size_t>(70001, input.size() - at))),
                int64_t(std::min<size_t>(70001, input.size() - at)));
        }
        z.Finish();
    }
    const auto* bytes = static_cast<const Bytef*>(target.Memory());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 4), "head");
    std::string back(input.size(), '\0');
    uLongf size = uLongf(back.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(back.data()), &size, bytes + 4,
                         uLong(target.Size() - 4)),
              Z_OK);
    EXPECT_EQ(back, input);
}

struct WriterCase {
    const char* name;
    std::vector<uint32_t> pixels;
    int w, h;
    TPngLayout layout;
    int depth;
    const char* trns;  // expected tRNS length as text, "" for none
};

std::vector<uint32_t> Repeat(std::initializer_list<uint32_t> colours, size_t count) {
    std::vector<uint32_t> v;
    for (size_t i = 0; v.size() < count; ++i) v.push_back(colours.begin()[i % colours.size()]);
    return v;
}

std::vector<uint32_t> Distinct(size_t n, uint32_t alpha = 0xFF000000, bool gray = false) {
    std::vector<uint32_t> v;
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = gray ? uint32_t(i & 0xFF) * 0x010101u : uint32_t(i * 2654435761u) & 0xFFFFFF;
        v.push_back(alpha | c);
    }
    return v;
}

TEST(PngWriter, ChoosesTheSmallestLayoutAndReadsBackUnchanged) {
    auto over256 = Distinct(300);
    auto oneKey = over256;
    oneKey[17] = 0x00123456;
    oneKey[40] = 0x00123456;
    auto twoKeys = oneKey;
    twoKeys[41] = 0x00654321;
    auto keyCollides = oneKey;  // an opaque pixel of the key's colour
    keyCollides[99] = 0xFF123456;
    auto partial = over256;
    partial[5] = 0x80112233;
    auto grayAlpha = Distinct(256, 0xFF000000, true);
    for (int i = 0; i < 64; ++i) grayAlpha.push_back(uint32_t(i * 4) << 24 | 0x404040);
    auto gray256 = Distinct(256, 0xFF000000, true);
    auto grayKey = Distinct(200, 0xFF000000, true);
    grayKey[3] = 0x00FAFAFA;
    auto grayKeyCollides = grayKey;
    grayKeyCollides[4] = 0xFFFAFAFA;
    std::vector<uint32_t> random(64 * 48);
    std::mt19937 rng(3);
    for (auto& p : random) p = rng();

    const WriterCase cases[] = {
        {"one gray colour", Repeat({0xFFFFFFFF}, 16), 4, 4, TPngLayout::Gray, 1, ""},
        {"one colour", Repeat({0xFF336699}, 16), 4, 4, TPngLayout::Palette, 1, ""},
        {"black and white", Repeat({0xFF000000, 0xFFFFFFFF}, 21), 7, 3, TPngLayout::Gray, 1, ""},
        {"two grays not black and white", Repeat({0xFF101010, 0xFF808080}, 9), 3, 3,
         TPngLayout::Palette, 1, ""},
        {"transparent black on white", Repeat({0x00000000, 0xFFFFFFFF}, 9), 3, 3, TPngLayout::Gray,
         1, "2"},
        {"three colours", Repeat({0xFF0000FF, 0xFF00FF00, 0xFFFF0000}, 9), 3, 3,
         TPngLayout::Palette, 2, ""},
        {"sixteen with alpha", Distinct(16, 0x80000000), 4, 4, TPngLayout::Palette, 4, "16"},
        {"trailing opaque alphas left out", Repeat({0x00112233, 0xFF445566, 0xFF778899}, 9), 3, 3,
         TPngLayout::Palette, 2, "1"},
        {"seventeen", Distinct(17), 17, 1, TPngLayout::Palette, 8, ""},
        {"256 grays", gray256, 16, 16, TPngLayout::Gray, 8, ""},
        {"gray with a key", grayKey, 20, 10, TPngLayout::Gray, 8, "2"},
        {"gray key shared by an opaque level", grayKeyCollides, 20, 10, TPngLayout::Palette, 8,
         "4"},
        {"300 colours", over256, 20, 15, TPngLayout::RGB, 8, ""},
        {"300 colours one transparent", oneKey, 20, 15, TPngLayout::RGB, 8, "6"},
        {"300 colours two transparent", twoKeys, 20, 15, TPngLayout::RGBA, 8, ""},
        {"key shared by an opaque pixel", keyCollides, 20, 15, TPngLayout::RGBA, 8, ""},
        {"partial alpha", partial, 20, 15, TPngLayout::RGBA, 8, ""},
        {"gray with alpha", grayAlpha, 16, 20, TPngLayout::GrayAlpha, 8, ""},
        {"noise", random, 64, 48, TPngLayout::RGBA, 8, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto [png, layout, depth] = EncodeWithFormat(c.pixels, c.w, c.h);
        EXPECT_EQ(layout, c.layout);
        EXPECT_EQ(depth, c.depth);
        size_t trns = FindChunk(png, "tRNS");
        EXPECT_EQ(trns == std::string::npos ? "" : std::to_string(ChunkLength(png, trns)),
                  std::string(c.trns));
        EXPECT_EQ(Decode(png), c.pixels);
    }
}

TEST(PngWriter, WritesOneImageDataChunkAndIendWithItsCrc) {
    auto pixels = Distinct(1000);
    std::string png = Encode(pixels, 40, 25);
    EXPECT_EQ(png.compare(0, 8, Signature()), 0);
    size_t idat = FindChunk(png, "IDAT");
    ASSERT_NE(idat, std::string::npos);
    EXPECT_EQ(png.find("IDAT", idat + 8), std::string::npos);
    EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
}

TEST(PngWriter, RefusesEmptyDimensions) {
    uint32_t p = 0;
    for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-1, 5}}) {
        try {
            TPNGWriter writer(w, &p, 1, h);
            ADD_FAILURE() << w << "x" << h;
        } catch (const runtime::Exception& e) {
            EXPECT_EQ(e.Message(), "Invalid dimensions");
        }
    }
}

TEST(PngWriter, CopiesRowsAtTheirStep) {
    std::vector<uint32_t> source = {0xFF000001, 0xFF000002, 0xDEADBEEF,
                                    0xFF000003, 0xFF000004, 0xDEADBEEF};
    TPNGWriter writer(2, source.data(), 3, 2);
    runtime::TStringStream s;
    writer.WritePNG(s);
    EXPECT_EQ(Decode(s.DataString()),
              (std::vector<uint32_t>{0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004}));
}

const std::vector<uint32_t> kQuad = {0xFF102030, 0x80405060, 0x00708090,
                                     0xFFA0B0C0, 0xFFFFFFFF, 0xFF000000};

TEST(PngReader, AcceptsWhatTheFormatAllowsAroundTheImageData) {
    std::string rows = RgbaRows(kQuad, 3, 2);
    std::string data = Deflate(rows);
    std::string half1 = data.substr(0, data.size() / 2), half2 = data.substr(data.size() / 2);
    std::string lowerIhdr = Ihdr(3, 2, 8, 6);
    lowerIhdr.replace(4, 4, "ihdr");
    // Fix the CRC: the type is part of it.
    lowerIhdr = Chunk("ihdr", lowerIhdr.substr(8, 13));
    const std::pair<const char*, std::string> cases[] = {
        {"lower-case chunk types",
         Signature() + lowerIhdr + Chunk("idat", data) + Chunk("IEND", "")},
        {"split image data with an empty chunk between",
         Signature() + Ihdr(3, 2, 8, 6) + Chunk("IDAT", half1) + Chunk("IDAT", "") +
             Chunk("IDAT", half2) + Chunk("IEND", "")},
        {"fast zlib stream (78 01)",
         Signature() + Ihdr(3, 2, 8, 6) + Chunk("IDAT", Deflate(rows, 1)) + Chunk("IEND", "")},
        {"second image data stream ignored", Signature() + Ihdr(3, 2, 8, 6) + Chunk("IDAT", data) +
                                                 Chunk("IDAT", Deflate("junk")) +
                                                 Chunk("IEND", "")},
        {"IEND with a zero CRC", Signature() + Ihdr(3, 2, 8, 6) + Chunk("IDAT", data) +
                                     std::string("\0\0\0\0IEND\0\0\0\0", 12)},
        {"ancillary chunks before and after", Signature() + Ihdr(3, 2, 8, 6) +
                                                  Chunk("gAMA", BigEndian(45455)) +
                                                  Chunk("tEXt", "Title\0x") + Chunk("IDAT", data) +
                                                  Chunk("tIME", "1234567") + Chunk("IEND", "")},
        {"interlaced", Png(Ihdr(3, 2, 8, 6, 1), "", RgbaRowsAdam7(kQuad, 3, 2))},
    };
    for (const auto& [name, png] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Decode(png), kQuad);
    }
}

TEST(PngReader, InterlacedImagesOfEverySmallSize) {
    std::mt19937 rng(11);
    for (uint32_t w = 1; w <= 9; ++w)
        for (uint32_t h = 1; h <= 9; ++h) {
            std::vector<uint32_t> pixels(w * h);
            for (auto& p : pixels) p = rng();
            EXPECT_EQ(Decode(Png(Ihdr(w, h, 8, 6, 1), "", RgbaRowsAdam7(pixels, w, h))), pixels)
                << w << "x" << h;
        }
}

TEST(PngReader, KeepsGammaAndBackground) {
    TPNGReader reader;
    Decode(Png(Ihdr(3, 2, 8, 6),
               Chunk("gAMA", BigEndian(45455)) + Chunk("bKGD", std::string("\0\1\0\2\0\3", 6)),
               RgbaRows(kQuad, 3, 2)),
           reader);
    EXPECT_EQ(reader.Gamma(), 45455u);
    EXPECT_EQ(reader.Background(), (std::vector<uint8_t>{0, 1, 0, 2, 0, 3}));
}

TEST(PngReader, ZeroWidthIsAnEmptyImage) {
    TPNGReader reader;
    EXPECT_TRUE(Decode(Signature() + Ihdr(0, 5, 8, 6) + Chunk("IEND", ""), reader).empty());
    EXPECT_EQ(reader.Height(), 5u);
}

TEST(PngReader, TransparencyKeysMatchOnlyTheirOwnSample) {
    // Gray, two bits: samples 0..3, key 4 (out of range) must not match 0.
    std::string gray2 = Png(Ihdr(4, 1, 2, 0), Chunk("tRNS", std::string("\0\4", 2)),
                            std::string("\0\x1B", 2));  // 00 01 10 11
    EXPECT_EQ(Decode(gray2),
              (std::vector<uint32_t>{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));
    std::string gray2Key =
        Png(Ihdr(4, 1, 2, 0), Chunk("tRNS", std::string("\0\2", 2)), std::string("\0\x1B", 2));
    EXPECT_EQ(Decode(gray2Key),
              (std::vector<uint32_t>{0xFF000000, 0xFF555555, 0x00AAAAAA, 0xFFFFFFFF}));
    // Gray, eight bits: key 0x0105 is not sample 5.
    std::string gray8 = Png(Ihdr(2, 1, 8, 0), Chunk("tRNS", "\1\5"), std::string("\0\5\6", 3));
    EXPECT_EQ(Decode(gray8), (std::vector<uint32_t>{0xFF050505, 0xFF060606}));
    // Gray, sixteen bits: the whole value counts.
    std::string gray16 =
        Png(Ihdr(2, 1, 16, 0), Chunk("tRNS", "\x12\x34"), std::string("\0\x12\x34\x12\x35", 5));
    EXPECT_EQ(Decode(gray16), (std::vector<uint32_t>{0x00121212, 0xFF121212}));
    // RGB, eight bits: keys above 255 match nothing; an exact key does.
    std::string rgb = Png(Ihdr(2, 1, 8, 2), Chunk("tRNS", std::string("\1\1\0\2\0\3", 6)),
                          std::string("\0\1\2\3\1\2\3", 7));
    EXPECT_EQ(Decode(rgb), (std::vector<uint32_t>{0xFF010203, 0xFF010203}));
    std::string rgbKey = Png(Ihdr(2, 1, 8, 2), Chunk("tRNS", std::string("\0\1\0\2\0\3", 6)),
                             std::string("\0\1\2\3\1\2\4", 7));
    EXPECT_EQ(Decode(rgbKey), (std::vector<uint32_t>{0x00010203, 0xFF010204}));
    // RGB, sixteen bits: the low bytes count too.
    std::string rgb16 = Png(Ihdr(2, 1, 16, 2), Chunk("tRNS", std::string("\1\2\3\4\5\6", 6)),
                            std::string("\0\1\2\3\4\5\6\1\2\3\4\5\7", 13));
    EXPECT_EQ(Decode(rgb16), (std::vector<uint32_t>{0x00010305, 0xFF010305}));
    // Palette: alphas for the first entries only.
    std::string pal =
        Png(Ihdr(3, 1, 8, 3), Chunk("PLTE", "\1\1\1\2\2\2\3\3\3") + Chunk("tRNS", "\x40"),
            std::string("\0\0\1\2", 4));
    EXPECT_EQ(Decode(pal), (std::vector<uint32_t>{0x40010101, 0xFF020202, 0xFF030303}));
}

TEST(PngReader, RejectsDamagedFiles) {
    std::string rows = RgbaRows(kQuad, 3, 2);
    std::string good = Png(Ihdr(3, 2, 8, 6), "", rows);
    std::string badCrc = good;
    badCrc[8 + 8 + 13] ^= 1;  // IHDR's CRC
    std::string badGamma = Chunk("gAMA", BigEndian(45455));
    badGamma.back() ^= 1;
    std::string data = Deflate(rows);
    std::string longPalette = Chunk("PLTE", std::string(771, '\1'));
    const std::pair<std::string, const char*> cases[] = {
        {"\x89PNG\r\n\x1a\x0b" + good.substr(8), "EStreamError: Invalid format"},
        {Signature() + Chunk("IDAT", data) + Chunk("IEND", ""), "EStreamError: Invalid format"},
        {badCrc, "EStreamError: CRC error"},
        {Png(Ihdr(3, 2, 8, 6), badGamma, rows), "EStreamError: CRC error"},
        {Png(Ihdr(3, 2, 8, 6, 0, 1), "", rows), "EStreamError: Unsupported compression scheme"},
        {Png(Ihdr(3, 2, 4, 2), "", rows), "EStreamError: Invalid color format"},
        {Png(Ihdr(3, 2, 16, 3), "", rows), "EStreamError: Invalid color format"},
        {Png(Ihdr(3, 2, 8, 5), "", rows), "EStreamError: Invalid color format"},
        {Png(Ihdr(3, 1, 8, 3), Chunk("PLTE", "\1\2\3\4"), std::string(4, '\0')),
         "EStreamError: Invalid palette"},
        {Png(Ihdr(3, 1, 8, 3), longPalette, std::string(4, '\0')), "EStreamError: Invalid palette"},
        {Png(Ihdr(1, 1, 4, 3), Chunk("PLTE", std::string(12, '\1')), std::string("\0\x50", 2)),
         "EStreamError: Invalid palette index"},
        {Png(Ihdr(1, 1, 8, 3), "", std::string(2, '\0')), "EStreamError: Invalid palette index"},
        {Png(Ihdr(3, 2, 8, 6), Chunk("XXXX", "abc"), rows),
         "EStreamError: Unexpected but critical chunk detected"},
        {Png(Ihdr(3, 2, 8, 6), "", rows.substr(0, rows.size() - 3)),
         "EStreamError: Extra compressed data found"},
        {Signature() + Ihdr(3, 2, 8, 6) + Chunk("IDAT", data.substr(0, 10)) + Chunk("IEND", ""),
         "EStreamError: Truncated image data"},
        {Signature() + Ihdr(3, 2, 8, 6) + Chunk("IEND", ""), "EStreamError: Truncated image data"},
        {Signature() + Ihdr(3, 2, 8, 6) + Chunk("IDAT", "\x78\x9c\xff\xff") + Chunk("IEND", ""),
         "EZlibError: Compression error: data error"},
        {Signature() + Chunk("IHDR", std::string(12, '\1')) + Chunk("IEND", ""),
         "EStreamError: Invalid chunk length"},
        {Png(Ihdr(3, 2, 8, 6), Chunk("gAMA", "abc"), rows), "EStreamError: Invalid chunk length"},
        {Png(Ihdr(3, 2, 8, 2), Chunk("tRNS", "ab"), rows), "EStreamError: Invalid chunk length"},
        {Png(Ihdr(3, 2, 8, 6), "", rows).substr(0, 40), "EReadError: Stream read error"},
        {Signature() + Ihdr(3, 2, 8, 6) + BigEndian(0x10000000) + "IDAT" + "abc",
         "EReadError: Stream read error"},
        {Signature() + Ihdr(3, 2, 8, 6) + BigEndian(0x80000000) + "IDAT",
         "EStreamError: Invalid chunk length"},
        {Signature() + Ihdr(0x10000, 0x10000, 8, 6), "EStreamError: Image too large"},
    };
    for (const auto& [png, message] : cases) EXPECT_EQ(DecodeError(png), message);
}

// Headers of a few dozen bytes that promise images within the pixel limit
// are refused before the reader asks for blocks of the image's size: the
// rows of samples count against the limit too, and the pixels wait for
// image data that can hold them.
TEST(PngReader, SmallFilesCannotMakeTheReaderAllocateWhatTheirHeadersPromise) {
    const std::string tinyData = Chunk("IDAT", Deflate(std::string(64, '\0'))) + Chunk("IEND", "");
    const std::pair<std::string, const char*> cases[] = {
        // 2^26 x 1 of 16-bit RGBA: each row of samples is 512 MiB.
        {Signature() + Ihdr(1u << 26, 1, 16, 6) + tinyData, "EStreamError: Image too large"},
        // The largest image allowed, plain and interlaced, from 80 bytes.
        {Signature() + Ihdr(8192, 8192, 8, 6) + tinyData, "EStreamError: Truncated image data"},
        {Signature() + Ihdr(8192, 8192, 8, 6, 1) + tinyData, "EStreamError: Truncated image data"},
        {Signature() + Ihdr(8192, 8192, 16, 0) + Chunk("IEND", ""),
         "EStreamError: Truncated image data"},
    };
    codecs::testing::TAllocationCap cap(size_t{1} << 20);
    for (const auto& [png, message] : cases) {
        ASSERT_LT(png.size(), 100u);
        try {
            EXPECT_EQ(DecodeError(png), message);
        } catch (const std::bad_alloc&) {
            ADD_FAILURE() << "asked for a block over 1 MiB before refusing: " << message;
        }
    }
}

// The densest deflate zlib makes (about 1,000 to 1) still decodes: data
// that can hold the image is never taken for truncated.
TEST(PngReader, MostCompressedImageDataDecodes) {
    const uint32_t w = 2048, h = 2048;
    std::string raw(size_t{w + 1} * h, '\0');
    std::string png =
        Signature() + Ihdr(w, h, 8, 0) + Chunk("IDAT", Deflate(raw, 9)) + Chunk("IEND", "");
    ASSERT_LT(png.size() * 1000, raw.size());
    auto pixels = Decode(png);
    ASSERT_EQ(pixels.size(), size_t{w} * h);
    EXPECT_EQ(pixels.front(), 0xFF000000u);
    EXPECT_EQ(pixels.back(), 0xFF000000u);
}

}  // namespace
}  // namespace toolbar
