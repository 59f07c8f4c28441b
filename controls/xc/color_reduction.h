#pragma once

// Converts a bitmap to a BMP of fewer bits per pixel. 8-bit results pick a
// palette by one of six methods and map every pixel to it; 1- and 4-bit
// results map to the bitmap's own small palette or the standard one; a
// 24-bit result is a plain copy. The caller's bitmap is never changed.

#include <cstdint>
#include <memory>

#include "controls/xc/bitmap.h"
#include "runtime/streams.h"

namespace xc {

enum TReductionMethod : uint8_t {
    rmPopularity = 0,  // most frequent colours, masks coarsened past 2049 colours
    rmMedianCut = 1,   // boxes of 4-bit cells split at the median
    rmCube224 = 2,     // 7 x 8 x 4 levels
    rmCube216 = 3,     // 6 x 6 x 6 levels
    rmTripel = 4,      // one channel per pixel, diagonal pattern
    rmGrayscale = 5,
};

// A new stream positioned at 0 holding the BMP. A bitmap that already has
// the target format is saved unchanged unless the method is rmGrayscale. A
// target other than 1, 4, 8 or 24 bits ends in NotImplementedAbort.
[[nodiscard]] std::unique_ptr<runtime::TMemoryStream> ConvertBitmapPixelFormat(
    const TDibBitmap& bitmap, TPixelFormat target, uint8_t method);

[[nodiscard]] inline TPixelFormat PixelFormatOfBitmap(const TDibBitmap& bitmap) {
    return bitmap.PixelFormat();
}

#ifdef _WIN32
// The same for a bitmap of the class library (read through DibFromBitmap).
[[nodiscard]] std::unique_ptr<runtime::TMemoryStream> ConvertBitmapPixelFormat(
    const gui::TBitmap& bitmap, TPixelFormat target, uint8_t method);
#endif

// The reductions themselves, for a 24-bit bitmap: the 8-bit bitmap and, in
// `colorsUsed`, the count the BMP header names (boxes for median cut, 224,
// 216, else 0).
[[nodiscard]] TDibBitmap ReduceTo8Bits(const TDibBitmap& source24, uint8_t method,
                                       uint32_t& colorsUsed);

// Index of the nearest level (ties to the lower one) in the level tables of
// 4, 6, 7 and 8 levels.
[[nodiscard]] uint8_t NearestLevel(int levels, uint8_t value);

}  // namespace xc
