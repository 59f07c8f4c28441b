#include "controls/html/dib.h"

#include "controls/html/limits.h"

namespace html {

int BitsOf(TPixelFormat format) {
    switch (format) {
        case pf1bit:
            return 1;
        case pf4bit:
            return 4;
        case pf8bit:
            return 8;
        case pf24bit:
            return 24;
        case pf32bit:
            return 32;
        default:
            return 0;
    }
}

TPixelBitmap::TPixelBitmap(int32_t width, int32_t height, TPixelFormat format)
    : width_(width), height_(height), format_(format) {
    const int bits = BitsOf(format);
    if (bits == 0) throw GIFException(SInvalidPixelFormat);
    if (width < 0 || height < 0 || uint64_t(width) * uint64_t(height) > kMaxBitmapPixels)
        throw GIFException(SBitmapNotValid);
    rowSize_ = ((size_t(width) * size_t(bits) + 31) / 32) * 4;
    bits_.assign(rowSize_ * size_t(height), 0);
}

void TPixelBitmap::ColorAt(int32_t x, int32_t y, uint8_t& red, uint8_t& green,
                           uint8_t& blue) const {
    const uint8_t* row = Row(y);
    size_t index;
    switch (format_) {
        case pf1bit:
            index = (row[x / 8] >> (7 - x % 8)) & 1;
            break;
        case pf4bit:
            index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
            break;
        case pf8bit:
            index = row[x];
            break;
        default: {
            const uint8_t* p = row + size_t(x) * size_t(BitsOf(format_) / 8);
            blue = p[0];
            green = p[1];
            red = p[2];
            return;
        }
    }
    TPaletteEntry e = index < Palette.size() ? Palette[index] : TPaletteEntry{};
    red = e.Red;
    green = e.Green;
    blue = e.Blue;
}

TDIB::TDIB(TPixelFormat format) : format_(format) {
    if (BitsOf(format) == 0) throw GIFException(SInvalidPixelFormat);
}

TDIBReader::TDIBReader(const TPixelBitmap& bitmap, TPixelFormat format) : TDIB(format) {
    if (bitmap.Empty()) throw GIFException(SBitmapNotValid);
    if (bitmap.PixelFormat() == format) {
        copy_ = bitmap;
        return;
    }
    if (format != pf24bit && format != pf32bit) throw GIFException(SInvalidPixelFormat);
    copy_ = TPixelBitmap(bitmap.Width(), bitmap.Height(), format);
    const int step = BitsOf(format) / 8;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        uint8_t* out = copy_.Row(y);
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            uint8_t r, g, b;
            bitmap.ColorAt(x, y, r, g, b);
            out[x * step] = b;
            out[x * step + 1] = g;
            out[x * step + 2] = r;
        }
    }
}

uint8_t* TDIBReader::RowPointer(int32_t row) {
    if (row < 0 || row >= copy_.Height())
        throw runtime::EInvalidGraphicOperation(SScanLineOutOfRange);
    return copy_.Row(row);
}

TDIBWriter::TDIBWriter(TPixelBitmap& bitmap, TPixelFormat format) : TDIB(format), bitmap_(bitmap) {
    if (bitmap.Empty()) throw GIFException(SNoDib);
    if (bitmap.PixelFormat() != format) throw GIFException(SInvalidPixelFormat);
}

uint8_t* TDIBWriter::RowPointer(int32_t row) {
    if (row < 0 || row >= bitmap_.Height())
        throw runtime::EInvalidGraphicOperation(SScanLineOutOfRange);
    return bitmap_.Row(row);
}

}  // namespace html
