#pragma once

// The LZW codec of GIF image data, between the bytes of a GIF file (the
// minimum code size, then data sub-blocks, then a 0 byte; codes packed
// least significant bit first) and a bottom-up DIB pixel buffer of 1, 4 or
// 8 bits per pixel, with GIF interlacing.

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/streams.h"

namespace xc {

inline constexpr const char* SGifCodeSize = "GIF code size not in range 2 to 9";
inline constexpr const char* SGifCorrupt = "GIF encoded data is corrupt";

enum class TProgressStage : uint8_t { psStarting, psRunning, psEnding };

// Progress of a picture operation: the stage, a percentage, and at the end
// of a failed operation the text of the error. May raise (runtime::EAbort)
// to cancel an encoding.
using TProgressEvent =
    std::function<void(TProgressStage stage, uint8_t percent, const std::string& message)>;

// The row after `row` in GIF interlaced order (passes 0 to 3); a value at
// or beyond `height` ends the image.
[[nodiscard]] int32_t NextInterlacedRow(int32_t row, int32_t height, int32_t& pass);

// Decodes LZW data from the stream's position into `pixels` (zero-filled by
// the caller: ((width x bitsPerPixel + 31) / 32) x 4 bytes per row, the
// picture's top row last). Values are masked to `colorBits` (1-8). Damage
// is tolerated and flagged in `damaged` when `tolerant`; otherwise it
// raises runtime::EInvalidGraphicOperation. Data that end early leave the
// rest of the pixels 0.
void DecodeGIFImageData(runtime::TStream& lzw, int32_t width, int32_t height, int32_t bitsPerPixel,
                        bool interlaced, const TProgressEvent& progress, bool& damaged,
                        uint8_t* pixels, int32_t colorBits, bool tolerant);

// Encodes the pixel buffer (same layout) as LZW data with the minimum code
// size 2, 4 or 8 for 1, 4 or 8 bits per pixel.
void EncodeGIFImageData(runtime::TStream& out, int32_t width, int32_t height, int32_t bitsPerPixel,
                        bool interlaced, const TProgressEvent& progress, const uint8_t* pixels);

}  // namespace xc
