#pragma once

// The portable form of a bitmap for the XC picture code: a device-
// independent bitmap in memory (bottom-up rows padded to 4 bytes, 1, 4, 8,
// 24 or 32 bits per pixel, with its colour table), and BMP files of it.
// The Windows half turns TBitmap objects into this form and back.

#include <cstdint>
#include <vector>

#include "runtime/pixelformat.h"
#include "runtime/streams.h"

#ifdef _WIN32
namespace gui {
class TBitmap;
}
#endif

namespace xc {

// The class library's pixel formats.
using runtime::TPixelFormat;
using enum runtime::TPixelFormat;

// A colour-table entry: blue, green, red, reserved.
struct TRGBQuad {
    uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
    friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

inline constexpr const char* SInvalidBitmap = "Bitmap image is not valid";

struct TDibBitmap {
    int32_t Width = 0;
    int32_t Height = 0;
    uint16_t BitCount = 24;  // 1, 4, 8, 24 or 32
    std::vector<TRGBQuad> Colors;
    std::vector<uint8_t> Bits;  // RowSize() x Height, the bottom row first

    // Sized and zero-filled; runtime::EInvalidGraphic "Bitmap image is not
    // valid" for an unsupported bit count or more than kMaxBitmapPixels.
    TDibBitmap(int32_t width, int32_t height, uint16_t bitCount);
    TDibBitmap() = default;

    [[nodiscard]] static size_t RowSizeFor(int32_t width, uint16_t bitCount) {
        return ((size_t(width) * bitCount + 31) / 32) * 4;
    }
    [[nodiscard]] size_t RowSize() const { return RowSizeFor(Width, BitCount); }
    // Row `y` counted from the top of the picture.
    [[nodiscard]] uint8_t* Row(int32_t y) { return &Bits[RowSize() * size_t(Height - 1 - y)]; }
    [[nodiscard]] const uint8_t* Row(int32_t y) const {
        return &Bits[RowSize() * size_t(Height - 1 - y)];
    }
    [[nodiscard]] TPixelFormat PixelFormat() const;
    // The colour of pixel (x, y) from the top, as a quad (indexed formats
    // through the colour table; an index beyond it gives black).
    [[nodiscard]] TRGBQuad PixelColor(int32_t x, int32_t y) const;
    // Raises EInvalidGraphic when the fields do not describe a bitmap.
    void Validate() const;
};

// Writes a BMP file: file header, 40-byte info header, colour table and
// pixels; the file-size field counts everything. `colorsUsed` goes into
// the header as given.
void SaveDibAsBmp(const TDibBitmap& bitmap, runtime::TStream& stream, uint32_t colorsUsed = 0);

// Reads an uncompressed BMP of 1, 4, 8, 24 or 32 bits (bottom-up or
// top-down); EInvalidGraphic "Bitmap image is not valid" otherwise.
[[nodiscard]] TDibBitmap LoadDibFromBmp(runtime::TStream& stream);

#ifdef _WIN32
// The class library's bitmap (32 bits, alpha bytes kept) in this form; an
// empty one raises EInvalidGraphic "Bitmap image is not valid".
[[nodiscard]] TDibBitmap DibFromBitmap(const gui::TBitmap& bitmap);
// The bitmap becomes the picture (converted to the class library's 32 bits).
void BitmapFromDib(const TDibBitmap& dib, gui::TBitmap& bitmap);
#endif

}  // namespace xc
