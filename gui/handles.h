#pragma once

// Owners of Win32 handles: each closes its handle with the call that
// belongs to it when it goes out of scope, and can be moved but not copied.
// The owner is the runtime's (runtime/os/unique_handle.h), which owns the
// kernel handles below this library too.

#include "gui/win.h"
#include "runtime/os/unique_handle.h"

namespace gui {

template <class Traits>
using TUniqueHandle = runtime::os::TUniqueHandle<Traits>;

namespace detail {
template <class H>
struct GdiObjectTraits {
    using Handle = H;
    static void Close(H h) { DeleteObject(h); }
};
struct DCTraits {
    using Handle = HDC;
    static void Close(HDC h) { DeleteDC(h); }
};
struct WindowTraits {
    using Handle = HWND;
    static void Close(HWND h) { DestroyWindow(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static void Close(HMENU h) { DestroyMenu(h); }
};
struct ImageListTraits {
    using Handle = HIMAGELIST;
    static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
struct IconTraits {
    using Handle = HICON;
    static void Close(HICON h) { DestroyIcon(h); }
};
struct CursorTraits {
    using Handle = HCURSOR;
    static void Close(HCURSOR h) { DestroyCursor(h); }
};
struct HookTraits {
    using Handle = HHOOK;
    static void Close(HHOOK h) { UnhookWindowsHookEx(h); }
};
struct KernelTraits {
    using Handle = HANDLE;
    static void Close(HANDLE h) { CloseHandle(h); }
};
}  // namespace detail

using TFontHandle = TUniqueHandle<detail::GdiObjectTraits<HFONT>>;
using TPenHandle = TUniqueHandle<detail::GdiObjectTraits<HPEN>>;
using TBrushHandle = TUniqueHandle<detail::GdiObjectTraits<HBRUSH>>;
using TBitmapHandle = TUniqueHandle<detail::GdiObjectTraits<HBITMAP>>;
using TRegionHandle = TUniqueHandle<detail::GdiObjectTraits<HRGN>>;
using TPaletteHandle = TUniqueHandle<detail::GdiObjectTraits<HPALETTE>>;
using TDCHandle = TUniqueHandle<detail::DCTraits>;
using TWindowHandle = TUniqueHandle<detail::WindowTraits>;
using TMenuHandle = TUniqueHandle<detail::MenuTraits>;
using TImageListHandle = TUniqueHandle<detail::ImageListTraits>;
using TIconHandle = TUniqueHandle<detail::IconTraits>;
using TCursorHandle = TUniqueHandle<detail::CursorTraits>;
using THookHandle = TUniqueHandle<detail::HookTraits>;
using TKernelHandle = TUniqueHandle<detail::KernelTraits>;

// A window's device context from GetDC, released with ReleaseDC.
class TWindowDC {
  public:
    explicit TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~TWindowDC() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and selects the previous one back.
class TSelectObject {
  public:
    TSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~TSelectObject() {
        if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// Saves a device context's state and restores it.
class TSaveDC {
  public:
    explicit TSaveDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~TSaveDC() {
        if (saved_ != 0) RestoreDC(dc_, saved_);
    }
    TSaveDC(const TSaveDC&) = delete;
    TSaveDC& operator=(const TSaveDC&) = delete;

  private:
    HDC dc_;
    int saved_;
};

}  // namespace gui
