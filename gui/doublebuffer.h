#pragma once

// The one way the class library's own controls paint without flicker: a
// memory device context with a 32-bit DIB section per control, made again
// only when the control's size changes. Painting goes into the bitmap,
// clipped to the part that needs it, and that part is copied to the target
// device context (a window's, or one handed in with WM_PAINT or
// WM_PRINTCLIENT).

#include <cstdint>
#include <functional>

#include "gui/geometry.h"
#include "gui/handles.h"
#include "gui/win.h"

namespace gui {

class TDoubleBuffer {
  public:
    TDoubleBuffer() = default;
    ~TDoubleBuffer();
    TDoubleBuffer(const TDoubleBuffer&) = delete;
    TDoubleBuffer& operator=(const TDoubleBuffer&) = delete;

    // Paints `clip` of a control of `size` into `target` through the buffer:
    // `paint` draws on the memory device context (clipped to `clip`).
    void Paint(HDC target, TSize size, const TRect& clip, const std::function<void(HDC)>& paint);

    // The memory device context and its pixels (valid after a Paint).
    HDC MemoryDC() const { return dc_.Get(); }
    const uint32_t* Pixels() const { return bits_; }
    TSize Size() const { return size_; }

  private:
    void Resize(TSize size);

    TSize size_;
    TDCHandle dc_;
    TBitmapHandle bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    uint32_t* bits_ = nullptr;
};

}  // namespace gui
