#pragma once

// Palettes, nearest-colour lookups, serpentine dithering with Floyd-
// Steinberg error diffusion, an octree colour quantizer, and
// ReduceBitmapColors, which ties them together to adapt true-colour
// pictures to screens of 256 colours or fewer.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "controls/html/dib.h"
#include "runtime/object.h"

#ifdef _WIN32
namespace gui {
class TBitmap;
}
#endif

namespace html {

// The platform's stock default palette: the 20 static system colours.
[[nodiscard]] const TPalette& StockDefaultPalette();
// 216 entries: red 51i, green 51j, blue 51k, entry 36i + 6j + k.
[[nodiscard]] TPalette CubePalette216();
// The 256-entry palette for an 8-bit screen: the system palette's entries
// 0-9 and 246-255, a 215-colour cube without white in 10-224, 21 grays in
// 225-245.
[[nodiscard]] TPalette CreateDisplayPalette(const TPalette& systemPalette);

// The display palette, program-wide: set at start when the screen has 8
// bits per pixel, none otherwise.
void SetDisplayPalette(std::optional<TPalette> palette);
[[nodiscard]] const TPalette* DisplayPalette();

// Up to 256 entries of the palette; none when it has no entries.
[[nodiscard]] std::optional<TPalette> DuplicatePalette(const TPalette* palette);

class TColorLookup : public runtime::TObject {
  public:
    [[nodiscard]] int32_t ColorCount() const { return colorCount_; }
    // The index of the palette colour nearest to (red, green, blue), and
    // that colour.
    virtual uint8_t Nearest(uint8_t red, uint8_t green, uint8_t blue, uint8_t& outRed,
                            uint8_t& outGreen, uint8_t& outBlue) = 0;

  protected:
    explicit TColorLookup(int32_t colorCount) : colorCount_(colorCount) {}
    int32_t colorCount_;
};

// Nearest by the sum of absolute channel differences (the first entry on a
// tie), cached under a 15-bit key of the colour.
class TFastColorLookup : public TColorLookup {
  public:
    explicit TFastColorLookup(const TPalette& palette);
    uint8_t Nearest(uint8_t red, uint8_t green, uint8_t blue, uint8_t& outRed, uint8_t& outGreen,
                    uint8_t& outBlue) override;

  private:
    TPalette palette_;
    std::vector<int16_t> inverse_;
};

// The 216-colour cube, computed.
class TNetscapeColorLookup : public TColorLookup {
  public:
    TNetscapeColorLookup() : TColorLookup(216) {}
    uint8_t Nearest(uint8_t red, uint8_t green, uint8_t blue, uint8_t& outRed, uint8_t& outGreen,
                    uint8_t& outBlue) override;
};

// Maps pixels to the nearest colour, walking rows in alternating
// directions.
class TDitherEngine : public runtime::TObject {
  public:
    TDitherEngine(int32_t width, TColorLookup& lookup);
    virtual uint8_t MapPixel(uint8_t red, uint8_t green, uint8_t blue);
    virtual void NextRow();
    [[nodiscard]] int32_t Direction() const { return direction_; }
    [[nodiscard]] int32_t Column() const { return column_; }

  protected:
    int32_t direction_ = 1;
    int32_t column_ = 0;
    TColorLookup& lookup_;
    int32_t width_;
};

// Spreads each pixel's error 7/16 ahead, 3/16 below and behind, 5/16 below
// and 1/16 below and ahead, with one error line per channel.
class TFloydSteinbergEngine : public TDitherEngine {
  public:
    TFloydSteinbergEngine(int32_t width, TColorLookup& lookup);
    uint8_t MapPixel(uint8_t red, uint8_t green, uint8_t blue) override;
    void NextRow() override;

  private:
    struct Channel {
        std::vector<int32_t> line;
        int32_t carry = 0, below = 0, belowBehind = 0;
    };
    std::array<Channel, 3> channels_;
    int32_t position_ = 0;
};

struct TOctreeNode {
    bool Leaf = false;
    uint32_t PixelCount = 0;
    uint64_t Red = 0, Green = 0, Blue = 0;
    TOctreeNode* NextReducible = nullptr;
    std::array<std::unique_ptr<TOctreeNode>, 8> Children;
};

class TColorQuantizer : public runtime::TObject {
  public:
    // At most `maxColors` colours, told apart by their top `colorBits` bits.
    TColorQuantizer(int32_t maxColors, int32_t colorBits);
    void AddColor(uint8_t red, uint8_t green, uint8_t blue);
    // 24-bit rows (blue, green, red) from the top.
    void ProcessImage(TDIB& reader, int32_t width, int32_t height);
    // The leaves in depth-first order.
    [[nodiscard]] TPalette Colors() const;
    [[nodiscard]] int32_t LeafCount() const { return leafCount_; }

  private:
    void Reduce();

    std::unique_ptr<TOctreeNode> root_;
    int32_t leafCount_ = 0;
    std::array<TOctreeNode*, 8> reducible_{};
    int32_t maxColors_;
    int32_t colorBits_;
};

// A palette for the picture: with system colours, 256 entries, the stock
// palette's first and last ten around 236 of the picture's colours;
// without, exactly `colors` entries. Unfilled entries are black.
[[nodiscard]] TPalette OptimizedPalette(TDIB& reader, int32_t width, int32_t height, int32_t colors,
                                        int32_t colorBits, bool withSystemColors);
[[nodiscard]] TPalette OptimizedPaletteOfBitmap(const TPixelBitmap& bitmap, int32_t colors,
                                                int32_t colorBits, bool withSystemColors);

// Reductions: 0 a 24-bit copy; 1 the stock palette; 3 the 216 cube; 4 the
// display palette; 5 an optimized palette. Dither modes: 0 nearest
// colour, 1 Floyd-Steinberg. Other values, or a palette without colours,
// give a blank 8-bit bitmap. The source bitmap is not changed.
[[nodiscard]] std::unique_ptr<TPixelBitmap> ReduceBitmapColors(const TPixelBitmap& bitmap,
                                                               int32_t reduction,
                                                               int32_t ditherMode);

// Null for a missing or empty bitmap; otherwise the bitmap reduced with
// diffusion to the stock palette (below 8 display bits) or the display
// palette.
[[nodiscard]] std::unique_ptr<TPixelBitmap> DitherToDisplay(const TPixelBitmap* bitmap,
                                                            int32_t displayColorBits);

#ifdef _WIN32
// ---- the screen and the class library's bitmaps (Windows) --------------------------------
// Bits per pixel of the screen (bits x planes).
[[nodiscard]] int32_t DisplayColorBits();
// The system palette's 256 entries; where the screen keeps none, the
// stock palette's 20 colours in entries 0-9 and 246-255, black between.
[[nodiscard]] TPalette SystemPalette();
// Sets the display palette at start: built from the system palette on an
// 8-bit screen, none on others.
void InitDisplayPalette();

// A bitmap of the class library as a 32-bit one of this code (an empty
// one raises GIFException "Bitmap image is not valid"), and back.
[[nodiscard]] TPixelBitmap PixelBitmapFromBitmap(const gui::TBitmap& bitmap);
void BitmapFromPixelBitmap(const TPixelBitmap& source, gui::TBitmap& bitmap);
#endif

}  // namespace html
