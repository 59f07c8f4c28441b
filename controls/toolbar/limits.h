#pragma once

// Caps on what a picture file can make the toolbar codecs allocate.

#include <cstdint>

namespace toolbar {

// Pixels of one decoded PNG (4 bytes each): 8192 x 8192. The header's
// width and height are checked against it before anything is allocated;
// a reader can be given a smaller cap.
inline constexpr uint64_t kMaxPngPixels = uint64_t{1} << 26;

// Bytes a decode may hold per pixel of its cap: the pixels' 4, and 1 for
// the two rows of samples that unfiltering keeps. A wide, flat image of
// 16-bit samples needs rows of up to 8 bytes a pixel: with this it cannot
// take more memory than the largest image allowed.
inline constexpr uint64_t kPngBytesPerAllowedPixel = 5;

// The most that deflate can expand: 258 bytes from two 1-bit codes. Image
// data that could not hold the image's rows even at this ratio is
// truncated, and is refused before the image is allocated.
inline constexpr uint64_t kMaxDeflateRatio = 1032;

// Pixels of one 32-bit image (TDIB32): the same 256 MiB.
inline constexpr uint64_t kMaxDib32Pixels = uint64_t{1} << 26;

// Largest chunk length the PNG format allows.
inline constexpr uint32_t kMaxPngChunkLength = 0x7FFFFFFF;

// A palette has at most 256 entries of 3 bytes.
inline constexpr uint32_t kMaxPngPaletteBytes = 768;

}  // namespace toolbar
