#include "controls/html/gif_frames.h"

#include <algorithm>
#include <utility>

namespace html {

namespace {

// A colour-table entry (red in the low byte) as 0x00RRGGBB.
uint32_t ToPixel(uint32_t c) {
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

}  // namespace

TGifComposer::TGifComposer(const TGif& gif)
    : gif_(gif),
      width_(gif.ScreenWidth()),
      height_(gif.ScreenHeight()),
      masked_(gif.AnyTransparency()) {
    if (uint64_t(width_) * uint64_t(height_) > gif.ScreenPixelLimit) RaiseGifError(geImageTooLarge);
    const TGifColorTable* global = gif.GlobalColorTable();
    if (global != nullptr && gif.Screen().BackgroundIndex < global->Count)
        background_ = ToPixel(global->Colors[gif.Screen().BackgroundIndex]);
}

const TGifCell& TGifComposer::Frame(int32_t index) {
    if (index < 0 || index >= Count()) RaiseGifError(geValueOutOfRange);
    if (current_ < 0 || index < current_) Restart();
    while (current_ < index) {
        if (current_ >= 0) Dispose(current_);
        Draw(++current_);
    }
    return canvas_;
}

void TGifComposer::Restart() {
    const size_t area = size_t(width_) * size_t(height_);
    canvas_.Pixels.assign(area, 0);
    canvas_.Mask.assign(masked_ ? area : 0, 0);
    saved_ = TGifCell{};
    current_ = -1;
}

void TGifComposer::Dispose(int32_t index) {
    const TGifImage& image = gif_.Image(index);
    switch (gif_.DisposalOf(index)) {
        case 2: {
            // Back to the background: transparent when the file has any
            // transparency, else the background colour.
            const int32_t right = std::min<int32_t>(image.Left + image.Width, width_);
            const int32_t bottom = std::min<int32_t>(image.Top + image.Height, height_);
            for (int32_t y = image.Top; y < bottom; ++y)
                for (int32_t x = image.Left; x < right; ++x) {
                    const size_t at = size_t(y) * size_t(width_) + size_t(x);
                    canvas_.Pixels[at] = masked_ ? 0 : background_;
                    if (masked_) canvas_.Mask[at] = 1;
                }
            break;
        }
        case 3:
            std::swap(canvas_, saved_);
            break;
        default:
            break;
    }
}

void TGifComposer::Draw(int32_t index) {
    if (gif_.DisposalOf(index) == 3) saved_ = canvas_;
    const TGifImage& image = gif_.Image(index);
    // Pixels outside the logical screen are clipped.
    const int32_t right = std::min<int32_t>(image.Left + image.Width, width_);
    const int32_t bottom = std::min<int32_t>(image.Top + image.Height, height_);
    if (image.Pixels.empty() || image.Left >= right || image.Top >= bottom) return;
    const TGifColorTable& table = gif_.ColorTableOf(index);
    const int32_t transparent = gif_.TransparentIndexOf(index);
    for (int32_t y = image.Top; y < bottom; ++y) {
        const uint8_t* src = &image.Pixels[size_t(y - image.Top) * image.Width];
        uint32_t* dst = &canvas_.Pixels[size_t(y) * size_t(width_)];
        uint8_t* mask = masked_ ? &canvas_.Mask[size_t(y) * size_t(width_)] : nullptr;
        for (int32_t x = image.Left; x < right; ++x) {
            const uint8_t v = src[x - image.Left];
            if (v == transparent) {
                // The first image shows nothing where it is transparent;
                // later ones let what is there show through.
                if (index == 0) {
                    dst[x] = 0;
                    mask[x] = 1;
                }
                continue;
            }
            // An index beyond the table shows black.
            dst[x] = v < table.Count ? ToPixel(table.Colors[v]) : 0;
            if (mask) mask[x] = 0;
        }
    }
}

std::vector<TGifCell> TGif::BuildFrames() const {
    std::vector<TGifCell> cells;
    const uint64_t area = uint64_t(ScreenWidth()) * uint64_t(ScreenHeight());
    if (area == 0) return cells;
    if (area * uint64_t(ImageCount()) > FramePixelLimit) RaiseGifError(geImageTooLarge);
    TGifComposer composer(*this);
    cells.reserve(size_t(ImageCount()));
    for (int32_t i = 0; i < ImageCount(); ++i) cells.push_back(composer.Frame(i));
    return cells;
}

}  // namespace html
