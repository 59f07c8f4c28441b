// Cross-checks with Debian's giflib: our LZW data decode with giflib, and
// giflib's decode with ours, for every depth, interlaced or not.
#include <gtest/gtest.h>

#include <random>

#include "controls/xc/gif_lzw.h"
#include "controls/xc/gif_lzw_test_support.h"
#include "tests/oracles/giflib_support.h"

namespace xc {
namespace {

using testing::FromBuffer;
using testing::ToBuffer;

std::vector<uint8_t> Values(std::mt19937& rng, int32_t w, int32_t h, int32_t bits, bool noisy) {
    std::vector<uint8_t> v(size_t(w) * h);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = uint8_t((noisy ? rng() : (i / 5 + i / 97) % 7) & ((1u << bits) - 1));
    return v;
}

// A GIF file around LZW data: header, screen, a gray table, one image.
std::string Container(const std::string& lzw, int32_t w, int32_t h, int32_t bits, bool interlaced) {
    auto le16 = [](int v) { return std::string{char(v & 0xFF), char(v >> 8)}; };
    std::string gif = "GIF89a" + le16(w) + le16(h) + char(0x80 | (bits - 1)) + '\0' + '\0';
    for (int i = 0; i < (1 << bits); ++i) gif += std::string(3, char(i));
    gif += ',' + le16(0) + le16(0) + le16(w) + le16(h) + char(interlaced ? 0x40 : 0);
    return gif + lzw + ';';
}

TEST(GifLzwOracle, GiflibDecodesOurDataAndWeDecodeGiflibs) {
    std::mt19937 rng(2);
    for (int32_t bits : {1, 4, 8})
        for (auto [w, h] : {std::pair{1, 1}, {13, 9}, {64, 48}, {301, 203}})
            for (bool interlaced : {false, true})
                for (bool noisy : {false, true}) {
                    SCOPED_TRACE(::testing::Message()
                                 << bits << " bits " << w << "x" << h << " interlaced "
                                 << interlaced << " noisy " << noisy);
                    std::vector<uint8_t> values = Values(rng, w, h, bits, noisy);
                    std::vector<uint8_t> buffer = ToBuffer(values, w, h, bits);
                    runtime::TStringStream ours;
                    EncodeGIFImageData(ours, w, h, bits, interlaced, nullptr, buffer.data());
                    auto read =
                        oracles::GiflibRead(Container(ours.DataString(), w, h, bits, interlaced));
                    ASSERT_TRUE(read.has_value());
                    ASSERT_EQ(read->frames.size(), 1u);
                    EXPECT_EQ(read->frames[0].pixels, values);

                    oracles::GifFile file;
                    file.width = w;
                    file.height = h;
                    for (int i = 0; i < (1 << bits); ++i)
                        file.globalColours.insert(file.globalColours.end(), 3, uint8_t(i));
                    file.frames.push_back({0, 0, w, h, interlaced, values, {}, std::nullopt});
                    std::string theirs = oracles::GiflibWrite(file);
                    ASSERT_FALSE(theirs.empty());
                    // The LZW data follow header, screen, table and image descriptor.
                    runtime::TStringStream lzw(theirs.substr(13 + 3 * (size_t(1) << bits) + 10));
                    std::vector<uint8_t> decoded(buffer.size(), 0);
                    bool damaged = false;
                    DecodeGIFImageData(lzw, w, h, bits, interlaced, nullptr, damaged,
                                       decoded.data(), bits, false);
                    EXPECT_FALSE(damaged);
                    EXPECT_EQ(FromBuffer(decoded, w, h, bits), values);
                }
}

}  // namespace
}  // namespace xc
