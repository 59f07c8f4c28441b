#pragma once

// Caps on what a picture file can make the toolbar codecs allocate.

#include <cstdint>

namespace toolbar {

// Pixels of one decoded PNG (4 bytes each): 8192 x 8192. The header's
// width and height are checked against it before anything is allocated;
// a reader can be given a smaller cap.
inline constexpr uint64_t kMaxPngPixels = uint64_t{1} << 26;

// Pixels of one 32-bit image (TDIB32): the same 256 MiB.
inline constexpr uint64_t kMaxDib32Pixels = uint64_t{1} << 26;

// Largest chunk length the PNG format allows.
inline constexpr uint32_t kMaxPngChunkLength = 0x7FFFFFFF;

// A palette has at most 256 entries of 3 bytes.
inline constexpr uint32_t kMaxPngPaletteBytes = 768;

}  // namespace toolbar
