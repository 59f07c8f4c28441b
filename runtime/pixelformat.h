#pragma once

// Pixel formats of bitmaps, in the class library's numbering; shared by
// the picture codecs and the Windows graphics classes.

#include <cstdint>

namespace runtime {

enum TPixelFormat : uint8_t {
    pfDevice = 0,
    pf1bit = 1,
    pf4bit = 2,
    pf8bit = 3,
    pf15bit = 4,
    pf16bit = 5,
    pf24bit = 6,
    pf32bit = 7,
    pfCustom = 8
};

}  // namespace runtime
