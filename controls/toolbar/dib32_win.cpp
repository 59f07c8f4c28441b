// The Windows half of TDIB32: its pixels in a DIB section with a memory
// device context (the class library's TBitmap), and the drawing onto
// device contexts, done in software on pixels read back from the device.

#include <algorithm>

#include "controls/toolbar/color_effects.h"
#include "controls/toolbar/dib32.h"
#include "gui/graphic.h"

namespace toolbar {

namespace detail {

struct TDib32Surface {
    gui::TBitmap bitmap;
};

TDib32Surface* NewDib32Surface(int32_t width, int32_t height, uint32_t*& pixels) {
    auto surface = std::make_unique<TDib32Surface>();
    surface->bitmap.SetSize(width, height);
    pixels = surface->bitmap.ScanLine(0);
    return surface.release();
}

void TDib32SurfaceDeleter::operator()(TDib32Surface* surface) const noexcept {
    delete surface;
}

}  // namespace detail

namespace {

// Blending reads the device's pixels back in blocks of at most this many
// pixels across and down; larger areas go one row at a time.
constexpr int32_t kReadBackBlock = 64;

TRect ClipBox(HDC dc) {
    RECT clip;
    const int kind = GetClipBox(dc, &clip);
    if (kind == ERROR || kind == NULLREGION) return {};
    return {clip.left, clip.top, clip.right, clip.bottom};
}

// 0x00BBGGRR as the images hold colours, 0x00RRGGBB.
uint32_t SysColorPixel(int index) {
    const COLORREF c = GetSysColor(index);
    return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Reads the device's pixels under the part of `sourceRect` that lands at
// (x, y) inside the clip box into a scratch image, has `work` change them
// from the image's rows, and writes them back.
template <class Work>
void ThroughDevice(const TDIB32& image, HDC dc, int32_t x, int32_t y, const TRect& sourceRect,
                   Work work) {
    TRect source = sourceRect;
    if (image.Empty() || !ClipTransfer(image.Bounds(), ClipBox(dc), x, y, source)) return;
    const int32_t w = source.Width(), h = source.Height();
    const int32_t rows = w > kReadBackBlock || h > kReadBackBlock ? 1 : h;
    TDIB32 scratch(w, rows);
    for (int32_t top = 0; top < h; top += rows) {
        BitBlt(scratch.DC(), 0, 0, w, rows, dc, x, y + top, SRCCOPY);
        GdiFlush();
        for (int32_t row = 0; row < rows; ++row)
            work(image.ScanLine(source.Top + top + row) + source.Left, scratch.ScanLine(row), w);
        BitBlt(dc, x, y + top, w, rows, scratch.DC(), 0, 0, SRCCOPY);
    }
}

}  // namespace

HDC TDIB32::DC() const {
    return surface_ ? surface_->bitmap.Canvas().Handle() : nullptr;
}

HBITMAP TDIB32::Handle() const {
    return surface_ ? surface_->bitmap.Handle() : nullptr;
}

void TDIB32::CopyToDC(HDC dc, const TRect& rect) const {
    TRect source = IntersectRect(Bounds(), {0, 0, rect.Width(), rect.Height()});
    CopyToDC(dc, rect.Left, rect.Top, source);
}

void TDIB32::CopyToDC(HDC dc, int32_t x, int32_t y, const TRect& sourceRect) const {
    TRect source = IntersectRect(sourceRect, Bounds());
    if (source.IsEmpty()) return;
    x += source.Left - sourceRect.Left;
    y += source.Top - sourceRect.Top;
    StretchToDC(dc, {x, y, x + source.Width(), y + source.Height()}, source);
}

void TDIB32::StretchToDC(HDC dc, const TRect& destRect, const TRect& sourceRect) const {
    if (Empty() || destRect.IsEmpty() || sourceRect.IsEmpty()) return;
    // A source reaching past the image is cut to it, and the destination
    // by the same share.
    const TRect source = IntersectRect(sourceRect, Bounds());
    if (source.IsEmpty()) return;
    auto scale = [](int32_t dest, int32_t destSize, int32_t offset, int32_t size) {
        return dest + MulDiv(offset, destSize, size);
    };
    const TRect dest{
        scale(destRect.Left, destRect.Width(), source.Left - sourceRect.Left, sourceRect.Width()),
        scale(destRect.Top, destRect.Height(), source.Top - sourceRect.Top, sourceRect.Height()),
        scale(destRect.Left, destRect.Width(), source.Right - sourceRect.Left, sourceRect.Width()),
        scale(destRect.Top, destRect.Height(), source.Bottom - sourceRect.Top,
              sourceRect.Height())};
    if (dest.IsEmpty()) return;
    // From the image's own device context: its rows count from the top as
    // the device's do.
    StretchBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), DC(), source.Left, source.Top,
               source.Width(), source.Height(), SRCCOPY);
}

void TDIB32::BlendToDC(HDC dc, int32_t x, int32_t y, const TRect& sourceRect,
                       uint8_t opacity) const {
    if (opacity == 0) return;
    ThroughDevice(*this, dc, x, y, sourceRect,
                  [opacity](const uint32_t* source, uint32_t* device, int32_t count) {
                      BlendRow(source, device, count, opacity);
                  });
}

void TDIB32::EffectsToDC(HDC dc, int32_t x, int32_t y, const TRect& sourceRect,
                         const TColorEffects& effects) const {
    ThroughDevice(*this, dc, x, y, sourceRect,
                  [&effects](const uint32_t* source, uint32_t* device, int32_t count) {
                      effects.Apply(source, device, count);
                  });
}

void TDIB32::DrawTo(HDC dc, const TRect& destRect, uint32_t mode, const TRect& sourceRect) const {
    const RECT r{destRect.Left, destRect.Top, destRect.Right, destRect.Bottom};
    if (Empty() || destRect.IsEmpty() || !RectVisible(dc, &r)) return;
    const bool blend = (mode & 0xFF) == ModeBlend;
    if (destRect.Width() == sourceRect.Width() && destRect.Height() == sourceRect.Height()) {
        if (blend)
            BlendToDC(dc, destRect.Left, destRect.Top, sourceRect, 255);
        else
            CopyToDC(dc, destRect.Left, destRect.Top, sourceRect);
        return;
    }
    if (!blend && !(mode & ModeSmooth)) {
        StretchToDC(dc, destRect, sourceRect);
        return;
    }
    if (sourceRect.IsEmpty() || IntersectRect(sourceRect, Bounds()) != sourceRect) return;
    const TRect visible = IntersectRect(destRect, ClipBox(dc));
    if (visible.IsEmpty()) return;
    TDIB32 scratch(visible.Width(), visible.Height());
    const TRect target{destRect.Left - visible.Left, destRect.Top - visible.Top,
                       destRect.Right - visible.Left, destRect.Bottom - visible.Top};
    ResampleTo(scratch, target, sourceRect, mode & ModeSmooth);
    if (blend)
        scratch.BlendToDC(dc, visible.Left, visible.Top, scratch.Bounds(), 255);
    else
        scratch.CopyToDC(dc, visible.Left, visible.Top, scratch.Bounds());
}

void TDIB32::DrawImageListImage(HIMAGELIST list, int32_t index, int32_t x, int32_t y, int32_t width,
                                int32_t height, bool recoverAlpha) {
    if (list == nullptr || Empty()) return;
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    if (width <= 0) width = cx;
    if (height <= 0) height = cy;
    const TRect area = IntersectRect({x, y, x + width, y + height}, Bounds());
    if (area.IsEmpty()) return;
    auto draw = [&](HDC dc, int32_t left, int32_t top) {
        ImageList_DrawEx(list, index, dc, left, top, width, height, CLR_DEFAULT, CLR_DEFAULT,
                         ILD_NORMAL);
        GdiFlush();
    };
    if (!recoverAlpha) {
        draw(DC(), x, y);
        return;
    }
    FillRect(area, 0xFF000000);
    draw(DC(), x, y);
    TDIB32 onWhite(area.Width(), area.Height());
    onWhite.Fill(0xFFFFFFFF);
    draw(onWhite.DC(), x - area.Left, y - area.Top);
    for (int32_t row = 0; row < area.Height(); ++row) {
        uint32_t* line = ScanLine(area.Top + row) + area.Left;
        RecoverImageListAlpha(line, onWhite.ScanLine(row), line, area.Width());
    }
}

void TDIB32::DrawDisabled(HDC dc, int32_t x, int32_t y, const TRect& sourceRect) const {
    DisabledMasks(sourceRect, SysColorPixel(COLOR_BTNHIGHLIGHT), SysColorPixel(COLOR_BTNSHADOW),
                  [&](const TDIB32& mask, int32_t dx, int32_t dy) {
                      mask.BlendToDC(dc, x + dx, y + dy, mask.Bounds(), 255);
                  });
}

}  // namespace toolbar
