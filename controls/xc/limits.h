#pragma once

// Caps on what a picture can make the XC picture code allocate.

#include <cstdint>

namespace xc {

// Pixels of one bitmap handled by the codecs and the colour reduction
// (8192 x 8192); sizes are checked in 64 bits against it first.
inline constexpr uint64_t kMaxBitmapPixels = uint64_t{1} << 26;

// Entries of an LZW string table (12-bit codes) and the longest string the
// decoder may unwind.
inline constexpr int kLzwTableSize = 4096;

}  // namespace xc
