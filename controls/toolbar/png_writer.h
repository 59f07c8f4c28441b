#pragma once

// PNG encoder: picks the smallest fitting colour type for 32-bit
// 0xAARRGGBB pixels (1-8 bit palette, 1 or 8 bit gray, gray with alpha,
// RGB, RGBA, with a tRNS key where one suffices), filters each row with
// the filter that gives the smallest byte sum, and deflates the rows into
// one IDAT chunk. Reading the file back gives the same pixels.

#include <cstdint>
#include <vector>

#include "controls/toolbar/png_reader.h"
#include "runtime/object.h"
#include "runtime/streams.h"

namespace toolbar {

inline constexpr const char* SPngInvalidDimensions = "Invalid dimensions";

// Writes one chunk: length, type, data, CRC of type and data.
void WritePngChunk(runtime::TStream& stream, const char* type, uint32_t length, const void* data);

class TPNGWriter : public runtime::TObject {
  public:
    // Copies `height` rows of `width` pixels, rows `rowStep` pixels apart in
    // `pixels`. A width or height not above 0 raises "Invalid dimensions".
    TPNGWriter(int32_t width, const uint32_t* pixels, int32_t rowStep, int32_t height);

    void WritePNG(runtime::TStream& stream);

    // The choice made by the last WritePNG.
    [[nodiscard]] TPngLayout Layout() const { return layout_; }
    [[nodiscard]] uint8_t BitDepth() const { return depth_; }

  private:
    void ChooseFormat();
    [[nodiscard]] bool TryGray(bool anyPartial);
    // Every pixel as its index in the palette.
    [[nodiscard]] std::vector<uint32_t> MapToPalette() const;
    void WriteTransparency(runtime::TStream& stream);
    void WriteImageData(runtime::TStream& stream, const std::vector<uint32_t>& source);
    void PackRow(const uint32_t* row, uint8_t* out) const;

    int32_t width_;
    int32_t height_;
    std::vector<uint32_t> pixels_;

    TPngLayout layout_ = TPngLayout::RGBA;
    uint8_t depth_ = 8;
    bool transparent_ = false;
    uint32_t keyColor_ = 0;  // gray: the sample value; RGB: the colour
    std::vector<uint32_t> colors_;
};

}  // namespace toolbar
