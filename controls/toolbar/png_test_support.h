#pragma once

// Builds PNG files by hand for the reader's tests: chunks with zlib's own
// CRC, image data deflated by zlib, rows filtered with filter 0.

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace toolbar::testing {

inline std::string BigEndian(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

inline std::string Chunk(const std::string& type, const std::string& data) {
    std::string typed = type + data;
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()));
    return BigEndian(uint32_t(data.size())) + typed + BigEndian(uint32_t(crc));
}

inline std::string Signature() {
    return "\x89PNG\r\n\x1a\n";
}

inline std::string Ihdr(uint32_t w, uint32_t h, int depth, int colorType, int interlace = 0,
                        int compression = 0) {
    return Chunk("IHDR", BigEndian(w) + BigEndian(h) + char(depth) + char(colorType) +
                             char(compression) + char(0) + char(interlace));
}

inline std::string Deflate(const std::string& raw, int level = 9) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), level);
    out.resize(size);
    return out;
}

// A whole PNG: header, the chunks before the image, image data from
// `raw` (filter bytes included) in one IDAT, IEND.
inline std::string Png(const std::string& ihdr, const std::string& before, const std::string& raw) {
    return Signature() + ihdr + before + Chunk("IDAT", Deflate(raw)) + Chunk("IEND", "");
}

// RGBA 8-bit rows of `pixels` (0xAARRGGBB), each behind filter byte 0.
inline std::string RgbaRows(const std::vector<uint32_t>& pixels, uint32_t w, uint32_t h) {
    std::string raw;
    for (uint32_t y = 0; y < h; ++y) {
        raw += '\0';
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t p = pixels[y * w + x];
            raw += {char(p >> 16), char(p >> 8), char(p), char(p >> 24)};
        }
    }
    return raw;
}

// The same pixels in Adam7 order: seven reduced images, one after another.
inline std::string RgbaRowsAdam7(const std::vector<uint32_t>& pixels, uint32_t w, uint32_t h) {
    static const uint32_t passes[7][4] = {{0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4},
                                          {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1}};
    std::string raw;
    for (const auto& p : passes)
        for (uint32_t y = p[0]; y < h; y += p[1]) {
            if (p[2] >= w) continue;
            raw += '\0';
            for (uint32_t x = p[2]; x < w; x += p[3]) {
                uint32_t v = pixels[y * w + x];
                raw += {char(v >> 16), char(v >> 8), char(v), char(v >> 24)};
            }
        }
    return raw;
}

}  // namespace toolbar::testing
