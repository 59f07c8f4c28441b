#pragma once

// The visual-styles library (uxtheme), bound at run time where present;
// without it every caller draws the classic way. Theming can be switched
// off for a single control (tests pin the classic path this way).

#include "gui/geometry.h"
#include "gui/win.h"

namespace gui {

class TWinControl;

using HTHEME_ = void*;

class TThemeServices {
  public:
    // The one binding of the process, made on first use.
    static TThemeServices& Instance();

    // uxtheme was loaded with the entry points the class library uses.
    bool Available() const { return available_; }
    // Visual styles are on for this program.
    bool Active() const;

    HTHEME_ Open(HWND window, const wchar_t* classList) const;
    void Close(HTHEME_ theme) const;
    HRESULT DrawBackground(HTHEME_ theme, HDC dc, int part, int state, const TRect& r,
                           const TRect* clip) const;
    HRESULT DrawText(HTHEME_ theme, HDC dc, int part, int state, const wchar_t* text, int length,
                     DWORD flags, const TRect& r) const;
    HRESULT DrawParentBackground(HWND window, HDC dc, const TRect* r) const;
    // The part's size (TS_TRUE: the size the theme draws it at).
    bool PartSize(HTHEME_ theme, HDC dc, int part, int state, TSize& size) const;
    HRESULT SetWindowTheme(HWND window, const wchar_t* subAppName, const wchar_t* subIdList) const;
    // DrawThemeEdge; `content` (when given) receives the rectangle inside
    // the edge.
    HRESULT DrawEdge(HTHEME_ theme, HDC dc, int part, int state, const TRect& r, UINT edge,
                     UINT flags, TRect* content) const;
    // The part's content rectangle within r.
    bool BackgroundContentRect(HTHEME_ theme, HDC dc, int part, int state, const TRect& r,
                               TRect& content) const;
    // A colour property of the part (COLORREF); false when the theme has none.
    bool Color(HTHEME_ theme, int part, int state, int property, COLORREF& colour) const;

  private:
    TThemeServices();
    bool available_ = false;
    struct Entries;
    const Entries* entries_ = nullptr;
};

// A theme handle of a window's class list, closed when it goes.
class TThemeHandle {
  public:
    TThemeHandle() = default;
    TThemeHandle(HWND window, const wchar_t* classList);
    ~TThemeHandle() { Reset(); }
    TThemeHandle(TThemeHandle&& other) noexcept : theme_(other.theme_) { other.theme_ = nullptr; }
    TThemeHandle& operator=(TThemeHandle&& other) noexcept;
    TThemeHandle(const TThemeHandle&) = delete;
    TThemeHandle& operator=(const TThemeHandle&) = delete;

    HTHEME_ Get() const { return theme_; }
    explicit operator bool() const { return theme_ != nullptr; }
    void Reset();

  private:
    HTHEME_ theme_ = nullptr;
};

// Switches visual styles off (false) or back on for the control's window;
// the setting is applied again whenever the window is made.
void SetControlThemed(TWinControl& control, bool themed);

}  // namespace gui
