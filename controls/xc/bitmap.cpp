#include "controls/xc/bitmap.h"

#include <cstring>

#include "controls/xc/limits.h"
#include "runtime/exceptions.h"

namespace xc {

namespace {

[[noreturn]] void Invalid() {
    throw runtime::EInvalidGraphic(SInvalidBitmap);
}

bool SupportedBitCount(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

uint32_t Get16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Get32(const uint8_t* p) {
    return Get16(p) | Get16(p + 2) << 16;
}

}  // namespace

TDibBitmap::TDibBitmap(int32_t width, int32_t height, uint16_t bitCount)
    : Width(width), Height(height), BitCount(bitCount) {
    if (width <= 0 || height <= 0 || !SupportedBitCount(bitCount) ||
        uint64_t(width) * uint64_t(height) > kMaxBitmapPixels)
        Invalid();
    Bits.assign(RowSize() * size_t(height), 0);
    if (bitCount <= 8) Colors.resize(size_t(1) << bitCount);
}

TPixelFormat TDibBitmap::PixelFormat() const {
    switch (BitCount) {
        case 1:
            return pf1bit;
        case 4:
            return pf4bit;
        case 8:
            return pf8bit;
        case 24:
            return pf24bit;
        case 32:
            return pf32bit;
        default:
            return pfCustom;
    }
}

void TDibBitmap::Validate() const {
    if (Width <= 0 || Height <= 0 || !SupportedBitCount(BitCount) ||
        uint64_t(Width) * uint64_t(Height) > kMaxBitmapPixels ||
        Bits.size() != RowSize() * size_t(Height))
        Invalid();
}

TRGBQuad TDibBitmap::PixelColor(int32_t x, int32_t y) const {
    const uint8_t* row = Row(y);
    size_t index;
    switch (BitCount) {
        case 1:
            index = (row[x / 8] >> (7 - x % 8)) & 1;
            break;
        case 4:
            index = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
            break;
        case 8:
            index = row[x];
            break;
        default: {
            const uint8_t* p = row + size_t(x) * (BitCount / 8);
            return {p[0], p[1], p[2], 0};
        }
    }
    return index < Colors.size() ? Colors[index] : TRGBQuad{};
}

void SaveDibAsBmp(const TDibBitmap& bitmap, runtime::TStream& stream, uint32_t colorsUsed) {
    bitmap.Validate();
    const uint32_t table = uint32_t(bitmap.Colors.size()) * 4;
    const uint64_t pixels = bitmap.Bits.size();
    uint8_t header[54] = {'B', 'M'};
    Put32(header + 2, uint32_t(54 + table + pixels));
    Put32(header + 10, 54 + table);
    Put32(header + 14, 40);
    Put32(header + 18, uint32_t(bitmap.Width));
    Put32(header + 22, uint32_t(bitmap.Height));
    Put16(header + 26, 1);
    Put16(header + 28, bitmap.BitCount);
    Put32(header + 34, uint32_t(pixels));
    Put32(header + 46, colorsUsed);
    stream.WriteBuffer(header, 54);
    if (table > 0) stream.WriteBuffer(bitmap.Colors.data(), table);
    stream.WriteBuffer(bitmap.Bits.data(), int64_t(pixels));
}

TDibBitmap LoadDibFromBmp(runtime::TStream& stream) {
    const int64_t start = stream.Position();
    uint8_t header[54];
    stream.ReadBuffer(header, 14);
    if (header[0] != 'B' || header[1] != 'M') Invalid();
    stream.ReadBuffer(header + 14, 4);
    uint32_t infoSize = Get32(header + 14);
    if (infoSize < 40 || infoSize > 1024) Invalid();
    stream.ReadBuffer(header + 18, 36);
    stream.Seek(infoSize - 40, runtime::soFromCurrent);
    auto width = int32_t(Get32(header + 18));
    auto height = int32_t(Get32(header + 22));
    uint32_t bits = Get16(header + 28), compression = Get32(header + 30);
    uint32_t used = Get32(header + 46);
    if (compression != 0 || height == INT32_MIN) Invalid();
    bool topDown = height < 0;
    TDibBitmap bitmap(width, topDown ? -height : height, uint16_t(bits));
    if (bits <= 8) {
        size_t entries = used == 0 || used > bitmap.Colors.size() ? bitmap.Colors.size() : used;
        bitmap.Colors.resize(entries);
        stream.ReadBuffer(bitmap.Colors.data(), int64_t(entries * 4));
    }
    stream.Seek(start + Get32(header + 10), runtime::soFromBeginning);
    stream.ReadBuffer(bitmap.Bits.data(), int64_t(bitmap.Bits.size()));
    if (topDown) {
        const size_t row = bitmap.RowSize();
        std::vector<uint8_t> swap(row);
        for (int32_t y = 0; y < bitmap.Height / 2; ++y) {
            uint8_t* a = &bitmap.Bits[size_t(y) * row];
            uint8_t* b = &bitmap.Bits[size_t(bitmap.Height - 1 - y) * row];
            std::memcpy(swap.data(), a, row);
            std::memcpy(a, b, row);
            std::memcpy(b, swap.data(), row);
        }
    }
    return bitmap;
}

}  // namespace xc
