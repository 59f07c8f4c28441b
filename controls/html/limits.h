#pragma once

// Caps on what a picture can make the HTML viewer's picture code allocate.

#include <cstdint>

namespace html {

// Index pixels of all images of one GIF together (one byte each). Images
// beyond it end the decoding; a first image beyond it is an error.
inline constexpr uint64_t kMaxGifDecodedPixels = uint64_t{1} << 26;

// Pixels of the logical screen (4096 x 4096): a frame is composed on a
// canvas of that size (4 bytes a pixel and a mask byte), and an animation
// holds at most two of them whatever its number of frames. A larger screen
// is refused as soon as it is read.
inline constexpr uint64_t kMaxGifScreenPixels = uint64_t{1} << 24;

// Pixels of all frames together when every frame is composed at once
// (TGif::BuildFrames); an animation shown frame by frame needs no such cap.
inline constexpr uint64_t kMaxGifFramePixels = uint64_t{1} << 25;

// Pixels of one bitmap handled by the palette and dithering code.
inline constexpr uint64_t kMaxBitmapPixels = uint64_t{1} << 26;

}  // namespace html
