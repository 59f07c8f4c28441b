#include "controls/html/dither.h"

#include <algorithm>
#include <cstdlib>

namespace html {

namespace {

std::optional<TPalette>& DisplayPaletteSlot() {
    static std::optional<TPalette> palette;
    return palette;
}

void DitherRows(TDIB& reader, TDIB& writer, int32_t width, int32_t height, TDitherEngine& engine) {
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = reader.RowPointer(y);
        uint8_t* out = writer.RowPointer(y);
        while (engine.Column() >= 0 && engine.Column() < width) {
            int32_t x = engine.Column();
            const uint8_t* p = in + 3 * x;
            out[x] = engine.MapPixel(p[2], p[1], p[0]);
        }
        engine.NextRow();
    }
}

}  // namespace

const TPalette& StockDefaultPalette() {
    static const TPalette palette = {
        {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
        {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
        {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
        {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
        {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
    };
    return palette;
}

TPalette CubePalette216() {
    TPalette p;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            for (int k = 0; k < 6; ++k)
                p.push_back({uint8_t(51 * i), uint8_t(51 * j), uint8_t(51 * k), 0});
    return p;
}

TPalette CreateDisplayPalette(const TPalette& systemPalette) {
    TPalette p(256);
    std::copy_n(systemPalette.begin(), std::min<size_t>(256, systemPalette.size()), p.begin());
    for (TPaletteEntry& e : p) e.Flags = 0;
    static constexpr uint8_t kLevels[6] = {55, 115, 165, 205, 235, 255};
    size_t at = 10;
    for (uint8_t b : kLevels)
        for (uint8_t g : kLevels)
            for (uint8_t r : kLevels)
                if (!(r == 255 && g == 255 && b == 255)) p[at++] = {r, g, b, 0};
    for (int v = 135; v <= 250; v += 5)
        if (v != 165 && v != 205 && v != 235) p[at++] = {uint8_t(v), uint8_t(v), uint8_t(v), 0};
    return p;
}

void SetDisplayPalette(std::optional<TPalette> palette) {
    DisplayPaletteSlot() = std::move(palette);
}

const TPalette* DisplayPalette() {
    return DisplayPaletteSlot() ? &*DisplayPaletteSlot() : nullptr;
}

std::optional<TPalette> DuplicatePalette(const TPalette* palette) {
    if (palette == nullptr || palette->empty()) return std::nullopt;
    return TPalette(palette->begin(),
                    palette->begin() + ptrdiff_t(std::min<size_t>(256, palette->size())));
}

TFastColorLookup::TFastColorLookup(const TPalette& palette)
    : TColorLookup(int32_t(std::min<size_t>(256, palette.size()))),
      palette_(palette.begin(), palette.begin() + colorCount_),
      inverse_(32768, -1) {
    for (int32_t i = 0; i < colorCount_; ++i) {
        const TPaletteEntry& e = palette_[size_t(i)];
        int16_t& slot = inverse_[size_t(e.Red / 8 + 32 * (e.Green / 8) + 1024 * (e.Blue / 8))];
        if (slot == -1) slot = int16_t(i);
    }
}

uint8_t TFastColorLookup::Nearest(uint8_t red, uint8_t green, uint8_t blue, uint8_t& outRed,
                                  uint8_t& outGreen, uint8_t& outBlue) {
    int16_t& slot = inverse_[size_t(red / 8 + 32 * (green / 8) + 1024 * (blue / 8))];
    if (slot == -1) {
        int best = 196608;
        for (int32_t i = 0; i < colorCount_; ++i) {
            const TPaletteEntry& e = palette_[size_t(i)];
            int d = std::abs(red - e.Red) + std::abs(green - e.Green) + std::abs(blue - e.Blue);
            if (d < best) {
                best = d;
                slot = int16_t(i);
            }
        }
    }
    const TPaletteEntry& e = palette_[size_t(slot)];
    outRed = e.Red;
    outGreen = e.Green;
    outBlue = e.Blue;
    return uint8_t(slot);
}

uint8_t TNetscapeColorLookup::Nearest(uint8_t red, uint8_t green, uint8_t blue, uint8_t& outRed,
                                      uint8_t& outGreen, uint8_t& outBlue) {
    int r = (red + 3) / 51, g = (green + 3) / 51, b = (blue + 3) / 51;
    outRed = uint8_t(r * 51);
    outGreen = uint8_t(g * 51);
    outBlue = uint8_t(b * 51);
    return uint8_t(36 * r + 6 * g + b);
}

TDitherEngine::TDitherEngine(int32_t width, TColorLookup& lookup)
    : lookup_(lookup), width_(width) {}

uint8_t TDitherEngine::MapPixel(uint8_t red, uint8_t green, uint8_t blue) {
    uint8_t r, g, b;
    uint8_t index = lookup_.Nearest(red, green, blue, r, g, b);
    column_ += direction_;
    return index;
}

void TDitherEngine::NextRow() {
    direction_ = -direction_;
    column_ = direction_ == 1 ? 0 : width_ - 1;
}

TFloydSteinbergEngine::TFloydSteinbergEngine(int32_t width, TColorLookup& lookup)
    : TDitherEngine(width, lookup) {
    for (Channel& c : channels_) c.line.assign(size_t(width) + 2, 0);
}

uint8_t TFloydSteinbergEngine::MapPixel(uint8_t red, uint8_t green, uint8_t blue) {
    const int32_t d = direction_;
    int32_t value[3] = {red, green, blue};
    for (int k = 0; k < 3; ++k) {
        Channel& c = channels_[size_t(k)];
        value[k] =
            std::clamp(value[k] + (c.line[size_t(position_ + d)] + c.carry + 8) / 16, 0, 255);
    }
    uint8_t chosen[3];
    uint8_t index = lookup_.Nearest(uint8_t(value[0]), uint8_t(value[1]), uint8_t(value[2]),
                                    chosen[0], chosen[1], chosen[2]);
    for (int k = 0; k < 3; ++k) {
        Channel& c = channels_[size_t(k)];
        int32_t e = value[k] - chosen[k];
        c.line[size_t(position_)] = c.belowBehind + 3 * e;
        c.belowBehind = c.below + 5 * e;
        c.below = e;
        c.carry = 7 * e;
    }
    position_ += d;
    column_ += d;
    return index;
}

void TFloydSteinbergEngine::NextRow() {
    for (Channel& c : channels_) {
        c.line[size_t(position_)] = c.belowBehind;
        c.carry = c.below = c.belowBehind = 0;
    }
    TDitherEngine::NextRow();
    position_ = direction_ == 1 ? 0 : width_ + 1;
}

TColorQuantizer::TColorQuantizer(int32_t maxColors, int32_t colorBits)
    : root_(std::make_unique<TOctreeNode>()),
      maxColors_(std::max(1, maxColors)),
      colorBits_(std::clamp(colorBits, 1, 8)) {
    reducible_[0] = root_.get();
}

void TColorQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
    TOctreeNode* node = root_.get();
    for (int depth = 0; !node->Leaf; ++depth) {
        int shift = 7 - depth;
        int child = 4 * ((red >> shift) & 1) + 2 * ((green >> shift) & 1) + ((blue >> shift) & 1);
        std::unique_ptr<TOctreeNode>& slot = node->Children[size_t(child)];
        if (!slot) {
            slot = std::make_unique<TOctreeNode>();
            if (depth + 1 == colorBits_) {
                slot->Leaf = true;
                ++leafCount_;
            } else {
                slot->NextReducible = reducible_[size_t(depth + 1)];
                reducible_[size_t(depth + 1)] = slot.get();
            }
        }
        node = slot.get();
    }
    ++node->PixelCount;
    node->Red += red;
    node->Green += green;
    node->Blue += blue;
    while (leafCount_ > maxColors_) {
        int32_t before = leafCount_;
        Reduce();
        if (leafCount_ == before) break;
    }
}

void TColorQuantizer::Reduce() {
    int level = colorBits_ - 1;
    while (level > 0 && reducible_[size_t(level)] == nullptr) --level;
    TOctreeNode* node = reducible_[size_t(level)];
    // Nothing left to merge (every level reduced already).
    if (node == nullptr) return;
    reducible_[size_t(level)] = node->NextReducible;
    int merged = 0;
    for (std::unique_ptr<TOctreeNode>& child : node->Children) {
        if (!child) continue;
        node->PixelCount += child->PixelCount;
        node->Red += child->Red;
        node->Green += child->Green;
        node->Blue += child->Blue;
        child.reset();
        ++merged;
    }
    node->Leaf = true;
    leafCount_ += 1 - merged;
}

void TColorQuantizer::ProcessImage(TDIB& reader, int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = reader.RowPointer(y);
        for (int32_t x = 0; x < width; ++x) AddColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
}

TPalette TColorQuantizer::Colors() const {
    TPalette out;
    auto walk = [&](auto&& self, const TOctreeNode* node) -> void {
        if (node->Leaf) {
            if (node->PixelCount == 0) {
                out.push_back({});
            } else {
                out.push_back({uint8_t(node->Red / node->PixelCount),
                               uint8_t(node->Green / node->PixelCount),
                               uint8_t(node->Blue / node->PixelCount), 0});
            }
            return;
        }
        for (const auto& child : node->Children)
            if (child) self(self, child.get());
    };
    walk(walk, root_.get());
    return out;
}

TPalette OptimizedPalette(TDIB& reader, int32_t width, int32_t height, int32_t colors,
                          int32_t colorBits, bool withSystemColors) {
    if (withSystemColors) colors = 236;
    TColorQuantizer quantizer(colors, colorBits);
    quantizer.ProcessImage(reader, width, height);
    TPalette found = quantizer.Colors();
    found.resize(std::min<size_t>(found.size(), size_t(std::max(colors, 0))));
    if (!withSystemColors) {
        found.resize(size_t(std::max(colors, 0)));
        return found;
    }
    TPalette p(256);
    const TPalette& stock = StockDefaultPalette();
    std::copy_n(stock.begin(), 10, p.begin());
    std::copy_n(stock.begin() + 10, 10, p.begin() + 246);
    std::copy(found.begin(), found.end(), p.begin() + 10);
    return p;
}

TPalette OptimizedPaletteOfBitmap(const TPixelBitmap& bitmap, int32_t colors, int32_t colorBits,
                                  bool withSystemColors) {
    TDIBReader reader(bitmap, pf24bit);
    return OptimizedPalette(reader, bitmap.Width(), bitmap.Height(), colors, colorBits,
                            withSystemColors);
}

std::unique_ptr<TPixelBitmap> ReduceBitmapColors(const TPixelBitmap& bitmap, int32_t reduction,
                                                 int32_t ditherMode) {
    TDIBReader reader(bitmap, pf24bit);
    const int32_t w = bitmap.Width(), h = bitmap.Height();
    if (reduction == 0) {
        auto copy = std::make_unique<TPixelBitmap>(w, h, pf24bit);
        for (int32_t y = 0; y < h; ++y)
            std::copy_n(reader.RowPointer(y), copy->RowSize(), copy->Row(y));
        return copy;
    }
    auto out = std::make_unique<TPixelBitmap>(w, h, pf8bit);
    std::unique_ptr<TColorLookup> lookup;
    switch (reduction) {
        case 1:
            out->Palette = StockDefaultPalette();
            break;
        case 3:
            out->Palette = CubePalette216();
            break;
        case 4:
            out->Palette = DuplicatePalette(DisplayPalette()).value_or(TPalette{});
            break;
        case 5:
            out->Palette = OptimizedPaletteOfBitmap(bitmap, 256, 8, true);
            break;
        default:
            return out;
    }
    if (out->Palette.empty()) return out;
    if (reduction == 3)
        lookup = std::make_unique<TNetscapeColorLookup>();
    else
        lookup = std::make_unique<TFastColorLookup>(out->Palette);
    std::unique_ptr<TDitherEngine> engine;
    if (ditherMode == 0)
        engine = std::make_unique<TDitherEngine>(w, *lookup);
    else if (ditherMode == 1)
        engine = std::make_unique<TFloydSteinbergEngine>(w, *lookup);
    else
        return out;
    TDIBWriter writer(*out, pf8bit);
    DitherRows(reader, writer, w, h, *engine);
    return out;
}

std::unique_ptr<TPixelBitmap> DitherToDisplay(const TPixelBitmap* bitmap,
                                              int32_t displayColorBits) {
    if (bitmap == nullptr || bitmap->Empty()) return nullptr;
    return ReduceBitmapColors(*bitmap, displayColorBits < 8 ? 1 : 4, 1);
}

}  // namespace html
