// The class library's bitmaps to and from the XC picture code's form.

#include <cstring>

#include "controls/xc/bitmap.h"
#include "controls/xc/color_reduction.h"
#include "gui/graphic.h"
#include "runtime/exceptions.h"

namespace xc {

TDibBitmap DibFromBitmap(const gui::TBitmap& bitmap) {
    if (bitmap.Empty()) throw runtime::EInvalidGraphic(SInvalidBitmap);
    // The class library keeps 0xAARRGGBB words, top row first: a 32-bit
    // DIB row holds the same bytes.
    TDibBitmap dib(bitmap.Width(), bitmap.Height(), 32);
    for (int32_t y = 0; y < dib.Height; ++y)
        std::memcpy(dib.Row(y), bitmap.ScanLine(y), size_t(dib.Width) * 4);
    return dib;
}

void BitmapFromDib(const TDibBitmap& dib, gui::TBitmap& bitmap) {
    runtime::TMemoryStream stream;
    SaveDibAsBmp(dib, stream);
    stream.SetPosition(0);
    bitmap.LoadFromStream(stream);
}

std::unique_ptr<runtime::TMemoryStream> ConvertBitmapPixelFormat(const gui::TBitmap& bitmap,
                                                                 TPixelFormat target,
                                                                 uint8_t method) {
    return ConvertBitmapPixelFormat(DibFromBitmap(bitmap), target, method);
}

}  // namespace xc
