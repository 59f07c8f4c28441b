#pragma once

// TDIB32: a 32-bit image with alpha, top-down rows of 0xAARRGGBB pixels with
// no padding, and the software pixel arithmetic done on it: blending with an
// overall opacity, copying, resampling with filtering, colour effects, the
// embossed disabled look and alpha recovery from two renderings.
//
// This is the portable half: the image is a plain pixel buffer, and every
// drawing operation takes a destination image. The Windows half puts the
// buffer in a DIB section and reads device pixels back into a scratch image
// to blend onto a device context.

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/object.h"

namespace toolbar {

class TColorEffects;

class EDIB32Error : public runtime::Exception {
  public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EDIB32Error"; }
};

inline constexpr const char* SDIB32InvalidParameters = "Invalid parameters";
inline constexpr const char* SDIB32TooLarge = "Image too large";

// (left, top, right, bottom), right and bottom exclusive.
struct TRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;

    [[nodiscard]] int32_t Width() const { return Right - Left; }
    [[nodiscard]] int32_t Height() const { return Bottom - Top; }
    [[nodiscard]] bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// The intersection; empty rectangles come back as (0, 0, 0, 0).
[[nodiscard]] TRect IntersectRect(const TRect& a, const TRect& b);

// D with S drawn over it by S's alpha: alpha 0 leaves D, 0xFF gives S,
// otherwise each channel is (w S + (256 - w) D + 127) >> 8 with
// w = alpha + alpha >> 7, and the result's alpha byte is 0.
[[nodiscard]] uint32_t BlendPixel(uint32_t dest, uint32_t source);

// Blends `count` source pixels over the destination, each source alpha
// first scaled by `opacity` (255 keeps it; 0 draws nothing).
void BlendRow(const uint32_t* source, uint32_t* dest, int32_t count, uint8_t opacity);

// round(v * 255 / a) for v below a, else 255.
[[nodiscard]] uint8_t Unpremultiply(uint8_t alpha, uint8_t value);

// Pixels of an image drawn by the system once on opaque black and once on
// opaque white, back to colour and alpha: where both agree the pixel is
// opaque; blue 255 higher on white is fully transparent (0x007F7F7F);
// otherwise alpha = 255 - (white's blue - black's blue) and the colour is
// the black rendering unpremultiplied.
void RecoverImageListAlpha(const uint32_t* onBlack, const uint32_t* onWhite, uint32_t* out,
                           int32_t count);

class TDIB32 : public runtime::TObject {
  public:
    // Resample modes.
    static constexpr uint32_t ModeBlend = 0x001;
    static constexpr uint32_t ModeSmooth = 0x100;

    TDIB32() = default;
    TDIB32(int32_t width, int32_t height) { SetDimensions(width, height, false); }

    [[nodiscard]] int32_t Width() const { return width_; }
    [[nodiscard]] int32_t Height() const { return height_; }
    [[nodiscard]] TRect Bounds() const { return {0, 0, width_, height_}; }
    [[nodiscard]] bool Empty() const { return pixels_.empty(); }
    // Null when empty.
    [[nodiscard]] uint32_t* Pixels() { return pixels_.empty() ? nullptr : pixels_.data(); }
    [[nodiscard]] const uint32_t* Pixels() const {
        return pixels_.empty() ? nullptr : pixels_.data();
    }
    [[nodiscard]] uint32_t* ScanLine(int32_t y) { return &pixels_[size_t(y) * size_t(width_)]; }
    [[nodiscard]] const uint32_t* ScanLine(int32_t y) const {
        return &pixels_[size_t(y) * size_t(width_)];
    }
    [[nodiscard]] uint32_t Pixel(int32_t x, int32_t y) const { return ScanLine(y)[x]; }

    // Negative sizes count as 0. A new size makes a new image (all pixels 0);
    // with keepPixels the old pixels go back at the top-left corner. More
    // than kMaxDib32Pixels raises "Image too large".
    void SetDimensions(int32_t width, int32_t height, bool keepPixels);

    void Fill(uint32_t value);
    void FillRect(const TRect& rect, uint32_t value);

    // The same size and pixels as `other`; null makes this image empty.
    virtual void Assign(const TDIB32* other);
    // Takes `other`'s pixels, leaving it empty. Null or this image raises
    // "Invalid parameters".
    void TakeOver(TDIB32* other);
    // A new image with this one's pixels; this one becomes empty.
    [[nodiscard]] std::unique_ptr<TDIB32> Detach();

    // Copies the part of `sourceRect` inside this image to (x, y) of `dest`,
    // clipped to it; with `exchange` the two areas swap. Null raises
    // "Invalid parameters".
    void CopyRectTo(TDIB32* dest, int32_t x, int32_t y, const TRect& sourceRect, bool exchange);

    // Blends the part of `sourceRect` inside this image onto `dest` at
    // (x, y) with an overall opacity.
    void BlendTo(TDIB32& dest, int32_t x, int32_t y, const TRect& sourceRect,
                 uint8_t opacity) const;
    // Like BlendTo, each pixel first going through the effects against
    // the destination pixel.
    void EffectsTo(TDIB32& dest, int32_t x, int32_t y, const TRect& sourceRect,
                   const TColorEffects& effects) const;

    // Scales `sourceRect` (inside this image, not empty) into `destRect` of
    // `dest`: bilinear (ModeSmooth) or nearest when enlarging, area-weighted
    // when shrinking; ModeBlend blends the result instead of replacing.
    void ResampleTo(TDIB32& dest, const TRect& destRect, const TRect& sourceRect,
                    uint32_t mode) const;

    // The embossed disabled look of `sourceRect` drawn onto `dest` at
    // (x, y): the image's dark, opaque pixels as a mask, blended in the
    // highlight colour one pixel down and right, then in the shadow colour
    // in place (colours 0x00RRGGBB).
    void DrawDisabledTo(TDIB32& dest, int32_t x, int32_t y, const TRect& sourceRect,
                        uint32_t highlight, uint32_t shadow) const;

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<uint32_t> pixels_;
};

}  // namespace toolbar
