#pragma once

// TMonoGlyph: a one-bit glyph (a check mark, an arrow) drawn in any colour.
// Windows only: the glyph is a monochrome bitmap in a memory device context.

#include <cstdint>
#include <span>

#include "gui/colors.h"
#include "gui/handles.h"
#include "gui/win.h"
#include "runtime/object.h"

namespace toolbar {

class TMonoGlyph : public runtime::TObject {
  public:
    // `bits` holds the rows from the top, each padded to 16 bits, the most
    // significant bit first; set bits are the glyph. Fewer bytes than the
    // size needs, or a size below 1, raise EDIB32Error "Invalid parameters".
    TMonoGlyph(int32_t width, int32_t height, std::span<const uint8_t> bits);
    ~TMonoGlyph() override;

    [[nodiscard]] int32_t Width() const { return width_; }
    [[nodiscard]] int32_t Height() const { return height_; }
    [[nodiscard]] HDC DC() const { return dc_.Get(); }

    // Paints the glyph's set bits at (x, y) in `colour` (a system colour
    // with the system's brush) and leaves every other pixel as it is;
    // nothing for clNone.
    void Draw(HDC dc, int32_t x, int32_t y, gui::TColor colour) const;

  private:
    int32_t width_;
    int32_t height_;
    gui::TBitmapHandle bitmap_;
    gui::TDCHandle dc_;
    HGDIOBJ oldBitmap_ = nullptr;
};

}  // namespace toolbar
