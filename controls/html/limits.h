#pragma once

// Caps on what a picture can make the HTML viewer's picture code allocate.

#include <cstdint>

namespace html {

// Index pixels of all images of one GIF together (one byte each). Images
// beyond it end the decoding; a first image beyond it is an error.
inline constexpr uint64_t kMaxGifDecodedPixels = uint64_t{1} << 26;

// Pixels of all composed frames of one GIF together (4 bytes each, plus a
// mask byte). Frames beyond it are left out of the animation.
inline constexpr uint64_t kMaxGifFramePixels = uint64_t{1} << 25;

// Pixels of one bitmap handled by the palette and dithering code.
inline constexpr uint64_t kMaxBitmapPixels = uint64_t{1} << 26;

}  // namespace html
