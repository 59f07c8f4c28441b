#pragma once

// TDIB32: a 32-bit image with alpha, top-down rows of 0xAARRGGBB pixels with
// no padding, and the software pixel arithmetic done on it: blending with an
// overall opacity, copying, resampling with filtering, colour effects, the
// embossed disabled look and alpha recovery from two renderings.
//
// The pixel arithmetic is portable: natively the image is a plain pixel
// buffer, and every drawing operation takes a destination image. On Windows
// the pixels live in a DIB section selected into a memory device context
// (the class library's TBitmap), and the operations that draw onto a device
// context read its pixels back into a scratch image, work on them there and
// write them back (dib32_win.cpp).

#include <cstdint>
#include <functional>
#include <memory>

#include "runtime/exceptions.h"
#include "runtime/object.h"

#ifdef _WIN32
#include "gui/win.h"
#endif

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

// Clips a transfer of `source` (a rectangle of an image with
// `sourceBounds`) to (x, y) of a target with `destBounds`: false when
// nothing of it lands; otherwise `source` becomes the part that does and
// (x, y) where it goes.
[[nodiscard]] bool ClipTransfer(const TRect& sourceBounds, const TRect& destBounds, int32_t& x,
                                int32_t& y, TRect& source);

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

namespace detail {
// Where an image's pixels live: a buffer natively, a DIB section with its
// memory device context on Windows.
struct TDib32Surface;
struct TDib32SurfaceDeleter {
    void operator()(TDib32Surface* surface) const noexcept;
};
}  // namespace detail

class TDIB32 : public runtime::TObject {
  public:
    // Resample modes.
    static constexpr uint32_t ModeBlend = 0x001;
    static constexpr uint32_t ModeSmooth = 0x100;

    TDIB32();
    TDIB32(int32_t width, int32_t height);
    ~TDIB32() override;

    [[nodiscard]] int32_t Width() const { return width_; }
    [[nodiscard]] int32_t Height() const { return height_; }
    [[nodiscard]] TRect Bounds() const { return {0, 0, width_, height_}; }
    [[nodiscard]] bool Empty() const { return pixels_ == nullptr; }
    // Null when empty.
    [[nodiscard]] uint32_t* Pixels() { return pixels_; }
    [[nodiscard]] const uint32_t* Pixels() const { return pixels_; }
    [[nodiscard]] uint32_t* ScanLine(int32_t y) { return pixels_ + size_t(y) * size_t(width_); }
    [[nodiscard]] const uint32_t* ScanLine(int32_t y) const {
        return pixels_ + size_t(y) * size_t(width_);
    }
    [[nodiscard]] uint32_t Pixel(int32_t x, int32_t y) const { return ScanLine(y)[x]; }

    // Negative sizes count as 0; with either 0 there are no pixels. A new
    // size makes a new image (all pixels 0); with keepPixels the old pixels
    // go back at the top-left corner. More than kMaxDib32Pixels raises
    // "Image too large".
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

#ifdef _WIN32
    // ---- onto device contexts (Windows) --------------------------------------------------
    // The memory device context with the image's DIB section selected, and
    // the section; null when the image is empty. Pixels drawn there by GDI
    // are seen through Pixels() once GdiFlush() has run.
    [[nodiscard]] HDC DC() const;
    [[nodiscard]] HBITMAP Handle() const;

    // Plain copies (alpha ignored), stretched by the system: the image from its
    // top-left into `rect`, clipped to it; the part of `sourceRect` inside
    // the image to (x, y); `sourceRect` stretched into `destRect`.
    void CopyToDC(HDC dc, const TRect& rect) const;
    void CopyToDC(HDC dc, int32_t x, int32_t y, const TRect& sourceRect) const;
    void StretchToDC(HDC dc, const TRect& destRect, const TRect& sourceRect) const;

    // Blends the part of `sourceRect` inside the image onto the device at
    // (x, y), within its clip box, with an overall opacity. The device's
    // pixels are read back and written again: in one block up to 64 x 64
    // pixels, row by row for larger areas.
    void BlendToDC(HDC dc, int32_t x, int32_t y, const TRect& sourceRect, uint8_t opacity) const;
    // Like BlendToDC, each pixel first going through the effects against
    // the device's pixel.
    void EffectsToDC(HDC dc, int32_t x, int32_t y, const TRect& sourceRect,
                     const TColorEffects& effects) const;

    // `sourceRect` into `destRect` of the device; nothing when `destRect` is
    // not visible. Equal sizes blend (mode's low byte ModeBlend) or copy;
    // other sizes are resampled (with ModeBlend or ModeSmooth) into a
    // scratch image of the visible part and blended or copied, else
    // stretched by the system.
    void DrawTo(HDC dc, const TRect& destRect, uint32_t mode, const TRect& sourceRect) const;

    // Draws image `index` of a system image list into this image at (x, y),
    // `width` x `height` of it (0: the list's image size), clipped to the
    // image. With recoverAlpha the image is drawn on opaque black here and on
    // opaque white in a scratch image, and the two give colour and alpha
    // (RecoverImageListAlpha); without, it is drawn once as the system draws it.
    void DrawImageListImage(HIMAGELIST list, int32_t index, int32_t x, int32_t y, int32_t width = 0,
                            int32_t height = 0, bool recoverAlpha = false);

    // The embossed disabled look of `sourceRect` onto the device at (x, y),
    // in the system's button highlight and shadow colours.
    void DrawDisabled(HDC dc, int32_t x, int32_t y, const TRect& sourceRect) const;
#endif

  private:
    // The disabled look's mask of `sourceRect` (clipped to the image) in
    // each of the two colours, handed to `draw` with the offset of its
    // place: the highlight one pixel down and right, then the shadow.
    void DisabledMasks(
        const TRect& sourceRect, uint32_t highlight, uint32_t shadow,
        const std::function<void(const TDIB32& mask, int32_t dx, int32_t dy)>& draw) const;

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::unique_ptr<detail::TDib32Surface, detail::TDib32SurfaceDeleter> surface_;
    uint32_t* pixels_ = nullptr;
};

namespace detail {
// A surface of width x height zero pixels (both above 0); `pixels` gets
// its first row.
[[nodiscard]] TDib32Surface* NewDib32Surface(int32_t width, int32_t height, uint32_t*& pixels);
}  // namespace detail

}  // namespace toolbar
