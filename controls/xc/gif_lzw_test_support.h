#pragma once

// Pixel values (one byte each, top row first) to and from the codec's
// bottom-up DIB buffers of 1, 4 or 8 bits per pixel.

#include <cstdint>
#include <vector>

namespace xc::testing {

inline size_t RowBytes(int32_t width, int32_t bits) {
    return ((size_t(width) * bits + 31) / 32) * 4;
}

inline std::vector<uint8_t> ToBuffer(const std::vector<uint8_t>& values, int32_t w, int32_t h,
                                     int32_t bits) {
    std::vector<uint8_t> buffer(RowBytes(w, bits) * h, 0);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* row = &buffer[RowBytes(w, bits) * (h - 1 - y)];
            uint8_t v = values[size_t(y) * w + x];
            if (bits == 8)
                row[x] = v;
            else if (bits == 4)
                row[x / 2] |= uint8_t(v << (x % 2 ? 0 : 4));
            else
                row[x / 8] |= uint8_t(v << (7 - x % 8));
        }
    return buffer;
}

inline std::vector<uint8_t> FromBuffer(const std::vector<uint8_t>& buffer, int32_t w, int32_t h,
                                       int32_t bits) {
    std::vector<uint8_t> values;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = &buffer[RowBytes(w, bits) * (h - 1 - y)];
        for (int32_t x = 0; x < w; ++x)
            values.push_back(bits == 8   ? row[x]
                             : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 15
                                         : (row[x / 8] >> (7 - x % 8)) & 1);
    }
    return values;
}

}  // namespace xc::testing
