#include "gui/doublebuffer.h"

namespace gui {

TDoubleBuffer::~TDoubleBuffer() {
    if (dc_ && oldBitmap_ != nullptr) SelectObject(dc_.Get(), oldBitmap_);
}

void TDoubleBuffer::Resize(TSize size) {
    if (dc_ && oldBitmap_ != nullptr) SelectObject(dc_.Get(), oldBitmap_);
    oldBitmap_ = nullptr;
    bitmap_.Reset();
    dc_.Reset();
    bits_ = nullptr;
    size_ = size;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = size.Width;
    bi.bmiHeader.biHeight = -size.Height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    TWindowDC screen(nullptr);
    void* bits = nullptr;
    bitmap_.Reset(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_) return;
    bits_ = static_cast<uint32_t*>(bits);
    dc_.Reset(CreateCompatibleDC(screen.Get()));
    oldBitmap_ = SelectObject(dc_.Get(), bitmap_.Get());
}

void TDoubleBuffer::Paint(HDC target, TSize size, const TRect& clip,
                          const std::function<void(HDC)>& paint) {
    const TRect area = clip.Intersect({0, 0, size.Width, size.Height});
    if (area.IsEmpty()) return;
    if (size != size_ || !dc_) Resize(size);
    if (!dc_) {
        // Out of memory for the bitmap: paint straight into the target.
        paint(target);
        return;
    }
    HDC dc = dc_.Get();
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.Left, area.Top, area.Right, area.Bottom);
    paint(dc);
    RestoreDC(dc, saved);
    GdiFlush();
    BitBlt(target, area.Left, area.Top, area.Width(), area.Height(), dc, area.Left, area.Top,
           SRCCOPY);
}

}  // namespace gui
