#include "gui/themes.h"

#include "gui/controls.h"
#include "gui/geometry_win.h"

namespace gui {

namespace {

using OpenThemeDataFn = HTHEME_(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HTHEME_);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HTHEME_, HDC, int, int, const RECT*, const RECT*);
using DrawThemeTextFn = HRESULT(WINAPI*)(HTHEME_, HDC, int, int, LPCWSTR, int, DWORD, DWORD,
                                         const RECT*);
using DrawThemeParentBackgroundFn = HRESULT(WINAPI*)(HWND, HDC, const RECT*);
using GetThemePartSizeFn = HRESULT(WINAPI*)(HTHEME_, HDC, int, int, const RECT*, int, SIZE*);
using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
using IsThemeActiveFn = BOOL(WINAPI*)();
using IsAppThemedFn = BOOL(WINAPI*)();
using DrawThemeEdgeFn = HRESULT(WINAPI*)(HTHEME_, HDC, int, int, const RECT*, UINT, UINT, RECT*);
using GetThemeBackgroundContentRectFn = HRESULT(WINAPI*)(HTHEME_, HDC, int, int, const RECT*,
                                                         RECT*);
using GetThemeColorFn = HRESULT(WINAPI*)(HTHEME_, int, int, int, COLORREF*);

template <class F>
F Entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

struct TThemeServices::Entries {
    OpenThemeDataFn open;
    CloseThemeDataFn close;
    DrawThemeBackgroundFn drawBackground;
    DrawThemeTextFn drawText;
    DrawThemeParentBackgroundFn drawParentBackground;
    GetThemePartSizeFn partSize;
    SetWindowThemeFn setWindowTheme;
    IsThemeActiveFn isThemeActive;
    IsAppThemedFn isAppThemed;
    DrawThemeEdgeFn drawEdge;
    GetThemeBackgroundContentRectFn contentRect;
    GetThemeColorFn color;
};

TThemeServices& TThemeServices::Instance() {
    static TThemeServices services;
    return services;
}

TThemeServices::TThemeServices() {
    // Loaded for the process's lifetime.
    HMODULE module = LoadLibraryW(L"uxtheme.dll");
    if (module == nullptr) return;
    static Entries entries{
        Entry<OpenThemeDataFn>(module, "OpenThemeData"),
        Entry<CloseThemeDataFn>(module, "CloseThemeData"),
        Entry<DrawThemeBackgroundFn>(module, "DrawThemeBackground"),
        Entry<DrawThemeTextFn>(module, "DrawThemeText"),
        Entry<DrawThemeParentBackgroundFn>(module, "DrawThemeParentBackground"),
        Entry<GetThemePartSizeFn>(module, "GetThemePartSize"),
        Entry<SetWindowThemeFn>(module, "SetWindowTheme"),
        Entry<IsThemeActiveFn>(module, "IsThemeActive"),
        Entry<IsAppThemedFn>(module, "IsAppThemed"),
        Entry<DrawThemeEdgeFn>(module, "DrawThemeEdge"),
        Entry<GetThemeBackgroundContentRectFn>(module, "GetThemeBackgroundContentRect"),
        Entry<GetThemeColorFn>(module, "GetThemeColor"),
    };
    // Without any one of them the classic drawing is used throughout.
    available_ = entries.open != nullptr && entries.close != nullptr &&
                 entries.drawBackground != nullptr && entries.drawText != nullptr &&
                 entries.drawParentBackground != nullptr && entries.partSize != nullptr &&
                 entries.setWindowTheme != nullptr && entries.isThemeActive != nullptr &&
                 entries.isAppThemed != nullptr && entries.drawEdge != nullptr &&
                 entries.contentRect != nullptr && entries.color != nullptr;
    if (available_) entries_ = &entries;
}

bool TThemeServices::Active() const {
    return available_ && entries_->isThemeActive() && entries_->isAppThemed();
}

HTHEME_ TThemeServices::Open(HWND window, const wchar_t* classList) const {
    return available_ ? entries_->open(window, classList) : nullptr;
}

void TThemeServices::Close(HTHEME_ theme) const {
    if (available_ && theme != nullptr) entries_->close(theme);
}

HRESULT TThemeServices::DrawBackground(HTHEME_ theme, HDC dc, int part, int state, const TRect& r,
                                       const TRect* clip) const {
    if (!available_ || theme == nullptr) return E_NOTIMPL;
    const RECT rc = ToRECT(r);
    const RECT cl = clip != nullptr ? ToRECT(*clip) : RECT{};
    return entries_->drawBackground(theme, dc, part, state, &rc, clip != nullptr ? &cl : nullptr);
}

HRESULT TThemeServices::DrawText(HTHEME_ theme, HDC dc, int part, int state, const wchar_t* text,
                                 int length, DWORD flags, const TRect& r) const {
    if (!available_ || theme == nullptr) return E_NOTIMPL;
    const RECT rc = ToRECT(r);
    return entries_->drawText(theme, dc, part, state, text, length, flags, 0, &rc);
}

HRESULT TThemeServices::DrawParentBackground(HWND window, HDC dc, const TRect* r) const {
    if (!available_) return E_NOTIMPL;
    const RECT rc = r != nullptr ? ToRECT(*r) : RECT{};
    return entries_->drawParentBackground(window, dc, r != nullptr ? &rc : nullptr);
}

bool TThemeServices::PartSize(HTHEME_ theme, HDC dc, int part, int state, TSize& size) const {
    if (!available_ || theme == nullptr) return false;
    SIZE s{};
    // TS_TRUE (1): the size the theme draws the part at.
    if (FAILED(entries_->partSize(theme, dc, part, state, nullptr, 1, &s))) return false;
    size = {s.cx, s.cy};
    return true;
}

HRESULT TThemeServices::SetWindowTheme(HWND window, const wchar_t* subAppName,
                                       const wchar_t* subIdList) const {
    return available_ ? entries_->setWindowTheme(window, subAppName, subIdList) : E_NOTIMPL;
}

HRESULT TThemeServices::DrawEdge(HTHEME_ theme, HDC dc, int part, int state, const TRect& r,
                                 UINT edge, UINT flags, TRect* content) const {
    if (!available_ || theme == nullptr) return E_NOTIMPL;
    const RECT rc = ToRECT(r);
    RECT inside = rc;
    const HRESULT result = entries_->drawEdge(theme, dc, part, state, &rc, edge, flags, &inside);
    if (content != nullptr && SUCCEEDED(result)) *content = ToTRect(inside);
    return result;
}

bool TThemeServices::BackgroundContentRect(HTHEME_ theme, HDC dc, int part, int state,
                                           const TRect& r, TRect& content) const {
    if (!available_ || theme == nullptr) return false;
    const RECT rc = ToRECT(r);
    RECT inside{};
    if (FAILED(entries_->contentRect(theme, dc, part, state, &rc, &inside))) return false;
    content = ToTRect(inside);
    return true;
}

bool TThemeServices::Color(HTHEME_ theme, int part, int state, int property,
                           COLORREF& colour) const {
    if (!available_ || theme == nullptr) return false;
    return SUCCEEDED(entries_->color(theme, part, state, property, &colour));
}

TThemeHandle::TThemeHandle(HWND window, const wchar_t* classList)
    : theme_(TThemeServices::Instance().Open(window, classList)) {}

TThemeHandle& TThemeHandle::operator=(TThemeHandle&& other) noexcept {
    if (this != &other) {
        Reset();
        theme_ = other.theme_;
        other.theme_ = nullptr;
    }
    return *this;
}

void TThemeHandle::Reset() {
    if (theme_ != nullptr) TThemeServices::Instance().Close(theme_);
    theme_ = nullptr;
}

void SetControlThemed(TWinControl& control, bool themed) {
    control.SetThemed(themed);
}

}  // namespace gui
