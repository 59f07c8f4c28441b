#pragma once

// PNG decoder: every colour type and bit depth, the five filters, Adam7
// interlacing and chunk checksums, to 32-bit 0xAARRGGBB pixels, top row
// first, no padding. Errors raise runtime::EStreamError with the texts
// below (zlib failures EZlibError); a stream that ends early raises the
// stream's own read error.

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "controls/toolbar/limits.h"
#include "runtime/object.h"
#include "runtime/streams.h"

namespace toolbar {

inline constexpr const char* SPngInvalidFormat = "Invalid format";
inline constexpr const char* SPngUnsupportedCompression = "Unsupported compression scheme";
inline constexpr const char* SPngInvalidColorFormat = "Invalid color format";
inline constexpr const char* SPngCrcError = "CRC error";
inline constexpr const char* SPngInvalidPalette = "Invalid palette";
inline constexpr const char* SPngCompressionError = "Compression error";
inline constexpr const char* SPngExtraData = "Extra compressed data found";
inline constexpr const char* SPngInvalidPaletteIndex = "Invalid palette index";
inline constexpr const char* SPngCriticalChunk = "Unexpected but critical chunk detected";
inline constexpr const char* SPngTruncated = "Truncated image data";
inline constexpr const char* SPngInvalidChunkLength = "Invalid chunk length";
inline constexpr const char* SPngImageTooLarge = "Image too large";

// How samples are laid out in a row.
enum class TPngLayout : uint8_t { Palette, Gray, GrayAlpha, RGB, RGBA };

class TPNGReader : public runtime::TObject {
  public:
    TPNGReader();
    ~TPNGReader() override;

    TPNGReader(const TPNGReader&) = delete;
    TPNGReader& operator=(const TPNGReader&) = delete;

    // Decodes one PNG from the stream's position (through IEND).
    void ReadPNG(runtime::TStream& stream);

    [[nodiscard]] uint32_t Width() const { return width_; }
    [[nodiscard]] uint32_t Height() const { return height_; }
    // Width x Height pixels; empty when either is 0.
    [[nodiscard]] const std::vector<uint32_t>& Pixels() const { return pixels_; }
    std::vector<uint32_t> TakePixels() { return std::move(pixels_); }

    // Kept from gAMA and bKGD, not applied to the pixels.
    [[nodiscard]] uint32_t Gamma() const { return gamma_; }
    [[nodiscard]] const std::vector<uint8_t>& Background() const { return background_; }

    // Images with more pixels, or whose rows of samples would take more
    // memory than the pixels of an image of this many, are refused ("Image
    // too large") before anything is allocated; the pixels are allocated
    // when image data that can hold them arrive.
    uint64_t PixelLimit = kMaxPngPixels;

  private:
    void ReadChunkHeader();
    void ReadChunkData();
    void SkipChunk();
    [[nodiscard]] bool ChunkIs(const char* type) const;
    void ReadHeader();
    void CheckPixelFormat(uint8_t colorType);
    void ReadPalette();
    void ReadTransparency();
    // Bytes of the filtered rows the image data inflate to.
    [[nodiscard]] uint64_t FilteredSize() const;
    void ReadImageData();
    void InflateRow(uint8_t* buffer, size_t count);
    void UnfilterRow(uint8_t* row, const uint8_t* previous, size_t count) const;
    void ConvertRow(const uint8_t* row, uint32_t* out, uint32_t count, uint32_t step) const;
    void EndInflate();

    runtime::TStream* stream_ = nullptr;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    std::vector<uint32_t> pixels_;

    // The current chunk.
    uint32_t chunkLength_ = 0;
    uint32_t chunkRawType_ = 0;
    uint32_t chunkType_ = 0;  // folded to lower case
    uint32_t chunkCrc_ = 0;
    std::vector<uint8_t> chunkData_;

    z_stream zstate_{};
    bool inflating_ = false;
    bool streamEnded_ = false;

    TPngLayout layout_ = TPngLayout::RGBA;
    uint8_t depth_ = 8;
    size_t filterBytes_ = 4;
    uint8_t filterMethod_ = 0;
    bool interlaced_ = false;

    std::vector<uint32_t> palette_;
    bool transparent_ = false;
    uint16_t keyGray_ = 0;
    uint16_t keyRed_ = 0, keyGreen_ = 0, keyBlue_ = 0;

    uint32_t gamma_ = 0;
    std::vector<uint8_t> background_;
};

}  // namespace toolbar
