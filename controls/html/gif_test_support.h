#pragma once

// Builds GIF files by hand for the decoder's tests. Image data are written
// with literal codes only (a clear code whenever the code size would
// grow), which any LZW decoder must read.

#include <cstdint>
#include <string>
#include <vector>

namespace html::testing {

inline std::string Le16(int v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF)};
}

// LZW sub-blocks of literal codes, with the minimum code size in front.
inline std::string LiteralLzw(int minimum, const std::vector<uint8_t>& pixels, bool end = true,
                              bool leadingClear = true) {
    const uint32_t clear = 1u << minimum;
    const int size = minimum + 1;
    std::string bytes;
    uint64_t bits = 0;
    int count = 0;
    auto put = [&](uint32_t code) {
        bits |= uint64_t(code) << count;
        count += size;
        while (count >= 8) {
            bytes += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    const size_t perClear = clear - 2;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % perClear == 0 && (leadingClear || i > 0)) put(clear);
        put(pixels[i]);
    }
    if (end) put(clear + 1);
    if (count > 0) bytes += char(bits);
    std::string out(1, char(minimum));
    for (size_t at = 0; at < bytes.size(); at += 255) {
        std::string piece = bytes.substr(at, 255);
        out += char(piece.size()) + piece;
    }
    return out + '\0';
}

// Header and logical screen with a global table of `colours` (RGB
// triples, a power of two of them).
inline std::string Header(int w, int h, const std::vector<uint8_t>& colours, int background = 0,
                          const char* version = "GIF89a") {
    int bits = 0;
    while ((2 << bits) < int(colours.size() / 3)) ++bits;
    std::string s = std::string(version) + Le16(w) + Le16(h);
    s += char(colours.empty() ? 0 : 0x80 | bits);
    s += char(background);
    s += '\0';
    s.append(colours.begin(), colours.end());
    return s;
}

inline std::string Control(int disposal, int transparent = -1, int delay = 0) {
    return std::string("!\xF9\x04", 3) + char((disposal << 2) | (transparent >= 0 ? 1 : 0)) +
           Le16(delay) + char(transparent < 0 ? 0 : transparent) + '\0';
}

inline std::string ImageBlock(int left, int top, int w, int h, const std::string& lzw,
                              bool interlaced = false) {
    return "," + Le16(left) + Le16(top) + Le16(w) + Le16(h) + char(interlaced ? 0x40 : 0) + lzw;
}

inline std::string Loop(int count) {
    return std::string("!\xFF\x0BNETSCAPE2.0\x03\x01", 16) + Le16(count) + '\0';
}

}  // namespace html::testing
