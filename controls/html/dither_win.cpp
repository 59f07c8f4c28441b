// The palette code with the screen and the class library's bitmaps.

#include <cstring>

#include "controls/html/dither.h"
#include "gui/graphic.h"
#include "gui/handles.h"

namespace html {

int32_t DisplayColorBits() {
    gui::TWindowDC screen(nullptr);
    return GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES);
}

TPalette SystemPalette() {
    PALETTEENTRY entries[256]{};
    TPalette palette(256);
    gui::TWindowDC screen(nullptr);
    if (GetSystemPaletteEntries(screen.Get(), 0, 256, entries) == 256) {
        for (size_t i = 0; i < 256; ++i)
            palette[i] = {entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 0};
        return palette;
    }
    // A screen without a palette: the static colours are the stock ones.
    const UINT count =
        GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, entries);
    for (UINT i = 0; i < count && i < 20; ++i)
        palette[i < 10 ? i : 236 + i] = {entries[i].peRed, entries[i].peGreen, entries[i].peBlue,
                                         0};
    return palette;
}

void InitDisplayPalette() {
    if (DisplayColorBits() == 8)
        SetDisplayPalette(CreateDisplayPalette(SystemPalette()));
    else
        SetDisplayPalette(std::nullopt);
}

TPixelBitmap PixelBitmapFromBitmap(const gui::TBitmap& bitmap) {
    if (bitmap.Empty()) throw GIFException(SBitmapNotValid);
    // 0xAARRGGBB words hold the bytes blue, green, red of a 32-bit row.
    TPixelBitmap out(bitmap.Width(), bitmap.Height(), pf32bit);
    for (int32_t y = 0; y < out.Height(); ++y)
        std::memcpy(out.Row(y), bitmap.ScanLine(y), size_t(out.Width()) * 4);
    return out;
}

void BitmapFromPixelBitmap(const TPixelBitmap& source, gui::TBitmap& bitmap) {
    bitmap.SetSize(source.Width(), source.Height());
    for (int32_t y = 0; y < source.Height(); ++y) {
        uint32_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < source.Width(); ++x) {
            uint8_t r, g, b;
            source.ColorAt(x, y, r, g, b);
            row[x] = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
        }
    }
}

}  // namespace html
