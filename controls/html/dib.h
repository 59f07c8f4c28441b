#pragma once

// The portable form of a bitmap for the viewer's palette code: rows of 1,
// 4, 8, 24 or 32 bits per pixel (top row first, each padded to 4 bytes)
// and a palette; and row access to it in a chosen pixel format (TDIB,
// TDIBReader, TDIBWriter). The Windows half turns TBitmap objects into this
// form and back.

#include <cstdint>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/object.h"
#include "runtime/pixelformat.h"

namespace html {

// The class library's pixel formats.
using runtime::TPixelFormat;
using enum runtime::TPixelFormat;

struct TPaletteEntry {
    uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};
using TPalette = std::vector<TPaletteEntry>;

inline constexpr const char* SBitmapNotValid = "Bitmap image is not valid";
inline constexpr const char* SInvalidPixelFormat = "Invalid pixel format";
inline constexpr const char* SNoDib = "Image has no DIB";
inline constexpr const char* SScanLineOutOfRange = "Scan line index out of range";

// The error class of the DIB code.
class GIFException : public runtime::EInvalidGraphic {
  public:
    using EInvalidGraphic::EInvalidGraphic;
    const char* ClassName() const noexcept override { return "GIFException"; }
};

[[nodiscard]] int BitsOf(TPixelFormat format);

class TPixelBitmap {
  public:
    TPixelBitmap() = default;
    // Zero-filled; GIFException for an unsupported format or more than
    // kMaxBitmapPixels.
    TPixelBitmap(int32_t width, int32_t height, TPixelFormat format);

    [[nodiscard]] int32_t Width() const { return width_; }
    [[nodiscard]] int32_t Height() const { return height_; }
    [[nodiscard]] TPixelFormat PixelFormat() const { return format_; }
    [[nodiscard]] bool Empty() const { return width_ == 0 || height_ == 0; }
    [[nodiscard]] size_t RowSize() const { return rowSize_; }
    [[nodiscard]] uint8_t* Row(int32_t y) { return &bits_[rowSize_ * size_t(y)]; }
    [[nodiscard]] const uint8_t* Row(int32_t y) const { return &bits_[rowSize_ * size_t(y)]; }

    TPalette Palette;

    // Red, green, blue of a pixel (indexed formats through the palette; an
    // index beyond it reads black). 24 and 32 bits store blue, green, red.
    void ColorAt(int32_t x, int32_t y, uint8_t& red, uint8_t& green, uint8_t& blue) const;

  private:
    int32_t width_ = 0, height_ = 0;
    TPixelFormat format_ = pf24bit;
    size_t rowSize_ = 0;
    std::vector<uint8_t> bits_;
};

// Row access to a bitmap in one pixel format.
class TDIB : public runtime::TObject {
  public:
    [[nodiscard]] virtual uint8_t* RowPointer(int32_t row) = 0;
    [[nodiscard]] TPixelFormat Format() const { return format_; }

  protected:
    TDIB(TPixelFormat format);
    TPixelFormat format_;
};

// Reads a bitmap's rows in the format asked for, through a converted copy:
// the bitmap itself is not changed.
class TDIBReader : public TDIB {
  public:
    TDIBReader(const TPixelBitmap& bitmap, TPixelFormat format);
    uint8_t* RowPointer(int32_t row) override;

  private:
    TPixelBitmap copy_;
};

// Writes a bitmap's rows in its own format (which must be the one asked
// for).
class TDIBWriter : public TDIB {
  public:
    TDIBWriter(TPixelBitmap& bitmap, TPixelFormat format);
    uint8_t* RowPointer(int32_t row) override;

  private:
    TPixelBitmap& bitmap_;
};

}  // namespace html
