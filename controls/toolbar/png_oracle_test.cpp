// Cross-checks with Debian's libpng: files libpng writes in every colour
// type, depth and interlace decode to the pixels libpng reads from them, and
// libpng reads our writer's files as the pixels we wrote.
#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <random>
#include <string>
#include <vector>

#include "controls/toolbar/png_libpng_support.h"
#include "controls/toolbar/png_reader.h"
#include "controls/toolbar/png_writer.h"
#include "runtime/streams.h"

namespace toolbar {
namespace {

using testing::LibpngReadArgb;

void Append(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

struct Spec {
    int colorType, depth, interlace;
    bool trns;
};

// A random image in the given format, written by libpng.
std::string LibpngWrite(const Spec& spec, uint32_t w, uint32_t h, std::mt19937& rng) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write";
        return {};
    }
    png_set_write_fn(png, &out, Append, nullptr);
    png_set_IHDR(png, info, w, h, spec.depth, spec.colorType, spec.interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    int channels = spec.colorType == 6 ? 4 : spec.colorType == 2 ? 3 : spec.colorType == 4 ? 2 : 1;
    size_t rowBytes = (size_t(w) * channels * spec.depth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(h, std::vector<png_byte>(rowBytes));
    for (auto& row : rows)
        for (auto& b : row) b = png_byte(rng());
    // Runs of equal samples so that keys and palette entries recur.
    for (uint32_t y = 1; y < h; y += 3) rows[y] = rows[y - 1];
    std::vector<png_color> palette;
    if (spec.colorType == 3) {
        palette.resize(size_t(1) << spec.depth);
        for (auto& c : palette) c = {png_byte(rng()), png_byte(rng()), png_byte(rng())};
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
        if (spec.trns) {
            std::vector<png_byte> alphas(palette.size() / 2 + 1);
            for (auto& a : alphas) a = png_byte(rng());
            png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
        }
    } else if (spec.trns) {
        // The key is the first pixel's value, so it matches somewhere.
        png_color_16 key{};
        const png_byte* p = rows[0].data();
        auto sample = [&](int i) -> png_uint_16 {
            if (spec.depth == 16) return png_uint_16(p[2 * i] << 8 | p[2 * i + 1]);
            if (spec.depth == 8) return p[i];
            return png_uint_16(p[0] >> (8 - spec.depth));
        };
        if (spec.colorType == 0)
            key.gray = sample(0);
        else
            key.red = sample(0), key.green = sample(1), key.blue = sample(2);
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

TEST(PngOracle, LibpngFilesOfEveryFormatDecodeAlike) {
    std::mt19937 rng(5);
    const Spec formats[] = {
        {0, 1, 0, false},  {0, 2, 0, true},   {0, 4, 0, false}, {0, 8, 0, true},  {0, 16, 0, true},
        {0, 16, 0, false}, {3, 1, 0, false},  {3, 2, 0, true},  {3, 4, 0, false}, {3, 8, 0, true},
        {4, 8, 0, false},  {4, 16, 0, false}, {2, 8, 0, true},  {2, 8, 0, false}, {2, 16, 0, true},
        {6, 8, 0, false},  {6, 16, 0, false},
    };
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {3, 7}, {17, 5}, {33, 31}};
    for (const Spec& f : formats)
        for (int interlace : {0, 1})
            for (auto [w, h] : sizes) {
                SCOPED_TRACE(::testing::Message()
                             << "type " << f.colorType << " depth " << f.depth << " interlace "
                             << interlace << " trns " << f.trns << " " << w << "x" << h);
                Spec spec = f;
                spec.interlace = interlace;
                std::string file = LibpngWrite(spec, w, h, rng);
                uint32_t lw = 0, lh = 0;
                std::vector<uint32_t> expected = LibpngReadArgb(file, lw, lh);
                ASSERT_FALSE(expected.empty());
                runtime::TStringStream stream(file);
                TPNGReader reader;
                reader.ReadPNG(stream);
                EXPECT_EQ(reader.Width(), lw);
                EXPECT_EQ(reader.Height(), lh);
                EXPECT_EQ(reader.Pixels(), expected);
            }
}

TEST(PngOracle, LibpngReadsOurFiles) {
    std::mt19937 rng(9);
    auto image = [&](size_t colours, uint32_t alphaMask, bool gray, size_t n) {
        std::vector<uint32_t> pool;
        for (size_t i = 0; i < colours; ++i) {
            uint32_t c = rng() & 0xFFFFFF;
            if (gray) c = (c & 0xFF) * 0x010101u;
            pool.push_back(((rng() | ~alphaMask) & 0xFF000000) | c);
        }
        std::vector<uint32_t> v;
        for (size_t i = 0; i < n; ++i) v.push_back(pool[rng() % pool.size()]);
        return v;
    };
    const struct {
        const char* name;
        std::vector<uint32_t> pixels;
    } cases[] = {
        {"palette 1 bit", image(2, 0, false, 37 * 11)},
        {"palette 4 bit with alpha", image(12, 0xFF000000, false, 37 * 11)},
        {"palette 8 bit", image(200, 0, false, 37 * 11)},
        {"gray 8 bit", image(256, 0, true, 37 * 11)},
        {"RGB", image(5000, 0, false, 37 * 11)},
        {"RGBA", image(5000, 0xFF000000, false, 37 * 11)},
        {"gray with alpha", image(5000, 0xFF000000, true, 37 * 11)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TPNGWriter writer(37, c.pixels.data(), 37, 11);
        runtime::TStringStream s;
        writer.WritePNG(s);
        uint32_t w = 0, h = 0;
        EXPECT_EQ(LibpngReadArgb(s.DataString(), w, h), c.pixels);
        EXPECT_EQ(w, 37u);
        EXPECT_EQ(h, 11u);
    }
}

}  // namespace
}  // namespace toolbar
