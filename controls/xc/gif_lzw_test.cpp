#include "controls/xc/gif_lzw.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "controls/xc/gif_lzw_test_support.h"
#include "runtime/exceptions.h"

namespace xc {
namespace {

// LZW data by hand: the minimum code size, then the codes (value, size)
// packed least significant bit first into one sub-block (or none), with
// or without the 0 terminator.
std::string Pack(uint8_t minimum, const std::vector<std::pair<uint32_t, int>>& codes,
                 bool terminator = true) {
    std::string bytes;
    uint64_t bits = 0;
    int count = 0;
    for (auto [code, size] : codes) {
        bits |= uint64_t(code) << count;
        count += size;
        while (count >= 8) {
            bytes += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) bytes += char(bits);
    std::string out(1, char(minimum));
    if (!bytes.empty()) out += char(bytes.size()) + bytes;
    if (terminator) out += '\0';
    return out;
}

struct Decoded {
    std::vector<uint8_t> pixels;  // one byte per pixel, top row first
    bool damaged = false;
};

Decoded Decode(const std::string& data, int32_t w, int32_t h, int32_t bits, int32_t colorBits,
               bool interlaced = false, bool tolerant = true) {
    std::vector<uint8_t> buffer(testing::RowBytes(w, bits) * h, 0);
    runtime::TStringStream s(data);
    Decoded d;
    DecodeGIFImageData(s, w, h, bits, interlaced, nullptr, d.damaged, buffer.data(), colorBits,
                       tolerant);
    d.pixels = testing::FromBuffer(buffer, w, h, bits);
    return d;
}

std::string Encode(const std::vector<uint8_t>& values, int32_t w, int32_t h, int32_t bits,
                   bool interlaced = false) {
    std::vector<uint8_t> buffer = testing::ToBuffer(values, w, h, bits);
    runtime::TStringStream s;
    EncodeGIFImageData(s, w, h, bits, interlaced, nullptr, buffer.data());
    return s.DataString();
}

TEST(GifLzw, InterlacedRowOrder) {
    auto order = [](int32_t height) {
        std::vector<int32_t> rows;
        int32_t pass = 0;
        for (int32_t y = 0; y < height; y = NextInterlacedRow(y, height, pass)) rows.push_back(y);
        return rows;
    };
    EXPECT_EQ(order(1), (std::vector<int32_t>{0}));
    EXPECT_EQ(order(3), (std::vector<int32_t>{0, 2, 1}));
    EXPECT_EQ(order(16),
              (std::vector<int32_t>{0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15}));
    for (int32_t h = 1; h < 40; ++h) {
        auto rows = order(h);
        std::sort(rows.begin(), rows.end());
        ASSERT_EQ(rows.size(), size_t(h));
        for (int32_t y = 0; y < h; ++y) ASSERT_EQ(rows[size_t(y)], y);
    }
}

TEST(GifLzw, EncoderCodeSizesAndTheSmallestImage) {
    EXPECT_EQ(Encode({1}, 1, 1, 1)[0], 2);
    EXPECT_EQ(Encode({9}, 1, 1, 4)[0], 4);
    // Clear 256, the pixel, end 257, nine bits each: 27 bits in 4 bytes.
    EXPECT_EQ(Encode({0x41}, 1, 1, 8), Pack(8, {{256, 9}, {0x41, 9}, {257, 9}}));
    // A 1-bit image: clear 4, end 5, three bits.
    EXPECT_EQ(Encode({1}, 1, 1, 1), Pack(2, {{4, 3}, {1, 3}, {5, 3}}));
}

TEST(GifLzw, RoundTripsEveryDepthSizeAndInterlace) {
    std::mt19937 rng(4);
    for (int32_t bits : {1, 4, 8})
        for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {33, 17}, {100, 100}, {300, 40}})
            for (bool interlaced : {false, true})
                for (bool noisy : {false, true}) {
                    std::vector<uint8_t> values(size_t(w) * h);
                    for (size_t i = 0; i < values.size(); ++i)
                        values[i] = uint8_t((noisy ? rng() : i / 7 % 3) & ((1u << bits) - 1));
                    std::string data = Encode(values, w, h, bits, interlaced);
                    Decoded d = Decode(data, w, h, bits, bits, interlaced);
                    ASSERT_EQ(d.pixels, values)
                        << bits << " bits " << w << "x" << h << (interlaced ? " interlaced" : "")
                        << (noisy ? " noisy" : "");
                    EXPECT_FALSE(d.damaged);
                }
}

TEST(GifLzw, LongImagesClearTheTableAndSplitIntoFullSubBlocks) {
    std::mt19937 rng(8);
    std::vector<uint8_t> values(256 * 256);
    for (auto& v : values) v = uint8_t(rng());
    std::string data = Encode(values, 256, 256, 8);
    // Every sub-block but the last holds 255 bytes.
    size_t at = 1, blocks = 0;
    while (uint8_t(data[at]) != 0) {
        size_t n = uint8_t(data[at]);
        at += 1 + n;
        if (uint8_t(data[at]) != 0) {
            ASSERT_EQ(n, 255u) << "block " << blocks;
        }
        ++blocks;
    }
    EXPECT_EQ(at, data.size() - 1);
    EXPECT_GT(blocks, 100u);
    EXPECT_EQ(Decode(data, 256, 256, 8, 8).pixels, values);
}

TEST(GifLzw, DecoderToleratesWhatEncodersProduce) {
    // Minimum 2: clear 4, end 5, first free 6; codes of 3 bits.
    const struct {
        const char* name;
        std::string data;
        int32_t w, colorBits;
        std::vector<uint8_t> pixels;
        bool damaged;
    } cases[] = {
        {"no leading clear code",
         Pack(2, {{1, 3}, {2, 3}, {6, 3}, {5, 3}}),
         4,
         2,
         {1, 2, 1, 2},
         false},
        {"code being defined (KwKwK)",
         Pack(2, {{4, 3}, {3, 3}, {6, 3}, {5, 3}}),
         3,
         2,
         {3, 3, 3},
         false},
        {"code beyond the next free one reads as the one being defined",
         Pack(2, {{4, 3}, {3, 3}, {7, 3}, {5, 3}}),
         3,
         2,
         {3, 3, 3},
         false},
        {"literals follow the code size, masked to the colour bits",
         Pack(4, {{16, 5}, {3, 5}, {2, 5}, {17, 5}}),
         2,
         1,
         {1, 0},
         false},
        {"data end before the image: the rest stays 0",
         Pack(2, {{4, 3}, {3, 3}}, false),
         4,
         2,
         {3, 0, 0, 0},
         false},
        {"no terminator after the end code",
         Pack(2, {{4, 3}, {1, 3}, {5, 3}}, false),
         1,
         2,
         {1},
         false},
        {"repeated clear codes", Pack(2, {{4, 3}, {4, 3}, {2, 3}, {5, 3}}), 1, 2, {2}, false},
        {"code size 12: damaged, taken as 9, stops at the first other code",
         Pack(12, {{512, 10}, {7, 10}, {8, 10}}),
         3,
         8,
         {7, 0, 0},
         true},
        {"nothing at all", "", 1, 2, {0}, true},
    };
    for (const auto& c : cases) {
        Decoded d = Decode(c.data, c.w, 1, 8, c.colorBits);
        EXPECT_EQ(d.pixels, c.pixels) << c.name;
        EXPECT_EQ(d.damaged, c.damaged) << c.name;
    }
}

TEST(GifLzw, StrictDecodingRaises) {
    std::vector<uint8_t> buffer(4);
    bool damaged = false;
    for (auto [data, message] :
         {std::pair{Pack(12, {{512, 10}}), SGifCodeSize}, {Pack(2, {{6, 3}}), SGifCorrupt}}) {
        runtime::TStringStream s(data);
        std::vector<std::string> events;
        TProgressEvent progress = [&](TProgressStage stage, uint8_t, const std::string& text) {
            events.push_back(std::to_string(int(stage)) + ":" + text);
        };
        try {
            DecodeGIFImageData(s, 1, 1, 8, false, progress, damaged, buffer.data(), 8, false);
            ADD_FAILURE() << message;
        } catch (const runtime::EInvalidGraphicOperation& e) {
            EXPECT_EQ(e.Message(), message);
        }
        EXPECT_EQ(events.front(), "0:");
        EXPECT_EQ(events.back(), "2:" + std::string(message));
    }
}

TEST(GifLzw, AnAbortFromProgressEndsTheEncodingAfterReportingIt) {
    std::vector<uint8_t> buffer(testing::RowBytes(8, 8) * 8, 1);
    runtime::TStringStream s;
    std::vector<int> stages;
    TProgressEvent progress = [&](TProgressStage stage, uint8_t percent, const std::string&) {
        stages.push_back(int(stage));
        if (stage == TProgressStage::psRunning && percent >= 50) throw runtime::EAbort("stop");
    };
    EXPECT_THROW(EncodeGIFImageData(s, 8, 8, 8, false, progress, buffer.data()), runtime::EAbort);
    EXPECT_EQ(stages.front(), 0);
    EXPECT_EQ(stages.back(), 2);
}

}  // namespace
}  // namespace xc
