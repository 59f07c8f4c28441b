#pragma once

// Debian's libpng as a peer for the oracle tests and the benchmark: reads
// any PNG as 0xAARRGGBB pixels, everything expanded to 8-bit RGBA.

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

namespace toolbar::testing {

namespace libpng_detail {
struct Source {
    const std::string* bytes;
    size_t at;
};

inline void Take(png_structp png, png_bytep data, png_size_t length) {
    auto* s = static_cast<Source*>(png_get_io_ptr(png));
    if (s->at + length > s->bytes->size()) png_error(png, "short");
    std::copy_n(s->bytes->data() + s->at, length, data);
    s->at += length;
}
}  // namespace libpng_detail

// Empty on any libpng error.
inline std::vector<uint32_t> LibpngReadArgb(const std::string& bytes, uint32_t& w, uint32_t& h) {
    libpng_detail::Source source{&bytes, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> data;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    png_set_read_fn(png, &source, libpng_detail::Take);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    w = png_get_image_width(png, info);
    h = png_get_image_height(png, info);
    data.resize(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y) rows.push_back(&data[size_t(y) * w * 4]);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::vector<uint32_t> pixels(size_t(w) * h);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const png_byte* p = &data[i * 4];
        pixels[i] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    return pixels;
}

}  // namespace toolbar::testing
