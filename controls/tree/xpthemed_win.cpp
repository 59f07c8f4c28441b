#include "controls/tree/xpthemed.h"
#include "gui/geometry_win.h"
#include "gui/handles.h"
#include "runtime/properties.h"

namespace controls::tree {

namespace {

// The binding's state: made once at start-up, cleared at shutdown.
bool bound = false;
bool available = false;
bool active = false;

bool StylesSupported() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion > 0));
}

const gui::TThemeServices& Services() {
    return gui::TThemeServices::Instance();
}

}  // namespace

void InitThemes() {
    if (bound) return;
    bound = true;
    // Every entry point the family calls is checked by the binding: one
    // missing means no themes at all.
    available = StylesSupported() && Services().Available();
    if (!available) return;
    if (HTHEME_ probe = Services().Open(nullptr, L"WINDOW")) {
        active = true;
        Services().Close(probe);
    }
}

void DoneThemes() {
    available = false;
    active = false;
}

bool ThemesAvailable() {
    if (!bound) InitThemes();
    return available;
}

bool ThemeActive() {
    return available && active;
}

HRESULT DrawThemedBackground(const wchar_t* className, HDC dc, int part, int state,
                             const gui::TRect& r, const gui::TRect* clip) {
    if (!ThemesAvailable()) return E_NOTIMPL;
    gui::TThemeHandle theme(nullptr, className);
    if (!theme) return E_NOTIMPL;
    return Services().DrawBackground(theme.Get(), dc, part, state, r, clip);
}

// ---- TGtXPThemedControl ------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TGtXPThemedControl, gui::TCustomControl)
RUNTIME_PROPERTY(UseXPThemes, UseXPThemes, SetUseXPThemes).Default(true);
RUNTIME_PROPERTY(BevelKind, BevelKind, SetBevelKind).Default(bkNone);
RUNTIME_PROPERTY(BevelInner, BevelInner, SetBevelInner).Default(bvRaised);
RUNTIME_PROPERTY(BevelOuter, BevelOuter, SetBevelOuter).Default(bvLowered);
RUNTIME_PROPERTY(BevelEdges, BevelEdges, SetBevelEdges);
RUNTIME_PROPERTY(BevelWidth, BevelWidth, SetBevelWidth).Default(1);
RUNTIME_PROPERTY(BorderWidth, BorderWidth, SetBorderWidth).Default(0);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TGtXPThemedControl)
GUI_MESSAGE(WM_NCCALCSIZE, WMNCCalcSize)
GUI_MESSAGE(WM_NCPAINT, WMNCPaint)
GUI_MESSAGE(WM_THEMECHANGED, WMThemeChanged)
GUI_MESSAGE(WM_DESTROY, WMDestroy)
GUI_MESSAGE(gui::CM_CTL3DCHANGED, CMCtl3DChanged)
GUI_END_MESSAGE_MAP

TGtXPThemedControl::TGtXPThemedControl(runtime::TComponent* owner) : gui::TCustomControl(owner) {}

TGtXPThemedControl::~TGtXPThemedControl() {
    destroying_ = true;
    if (theme_ != nullptr) CloseThemeHandle();
}

void TGtXPThemedControl::OpenThemeHandle() {
    theme_ = ThemesAvailable() && HandleAllocated()
                 ? Services().Open(WindowHandle(), ThemeClassName())
                 : nullptr;
}

void TGtXPThemedControl::CloseThemeHandle() {
    if (ThemesAvailable()) Services().Close(theme_);
    theme_ = nullptr;
}

void TGtXPThemedControl::CreateWnd() {
    gui::TCustomControl::CreateWnd();
    if (useXPThemes_ && !ThemeInUse()) OpenThemeHandle();
}

void TGtXPThemedControl::DestroyWnd() {
    gui::TCustomControl::DestroyWnd();
    if (ThemeInUse()) CloseThemeHandle();
}

void TGtXPThemedControl::WMDestroy(gui::TMessage& msg) {
    // The window can go without DestroyWnd (its parent's went): the handle
    // belongs to the window.
    if (theme_ != nullptr) CloseThemeHandle();
    GUI_INHERITED(msg);
}

void TGtXPThemedControl::SetUseXPThemes(bool value) {
    if (value == useXPThemes_) return;
    useXPThemes_ = value;
    if (!ThemesAvailable() || !HandleAllocated() || destroying_) return;
    if (value)
        OpenThemeHandle();
    else
        CloseThemeHandle();
    RecreateWnd();
}

// ---- the frame -------------------------------------------------------------------------------

void TGtXPThemedControl::SetBevelKind(TBevelKind value) {
    if (value == bevelKind_) return;
    bevelKind_ = value;
    FrameChanged();
}

void TGtXPThemedControl::SetBevelInner(TBevelCut value) {
    if (value == bevelInner_) return;
    bevelInner_ = value;
    FrameChanged();
}

void TGtXPThemedControl::SetBevelOuter(TBevelCut value) {
    if (value == bevelOuter_) return;
    bevelOuter_ = value;
    FrameChanged();
}

void TGtXPThemedControl::SetBevelEdges(TBevelEdges value) {
    if (value == bevelEdges_) return;
    bevelEdges_ = value;
    FrameChanged();
}

void TGtXPThemedControl::SetBevelWidth(int value) {
    if (value < 1 || value == bevelWidth_) return;
    bevelWidth_ = value;
    FrameChanged();
}

void TGtXPThemedControl::SetBorderWidth(int value) {
    if (value < 0 || value == borderWidth_) return;
    borderWidth_ = value;
    FrameChanged();
}

void TGtXPThemedControl::CMCtl3DChanged(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    FrameChanged();
}

void TGtXPThemedControl::FrameChanged() {
    if (!HandleAllocated()) return;
    SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
}

int TGtXPThemedControl::BevelSize() const {
    if (bevelKind_ == bkNone) return 0;
    return (bevelInner_ != bvNone ? bevelWidth_ : 0) + (bevelOuter_ != bvNone ? bevelWidth_ : 0);
}

gui::TSize TGtXPThemedControl::FrameExtent() const {
    gui::TSize frame = gui::TCustomControl::FrameExtent();
    const int bevel = BevelSize();
    frame.Width += 2 * borderWidth_ + (bevelEdges_.Contains(beLeft) ? bevel : 0) +
                   (bevelEdges_.Contains(beRight) ? bevel : 0);
    frame.Height += 2 * borderWidth_ + (bevelEdges_.Contains(beTop) ? bevel : 0) +
                    (bevelEdges_.Contains(beBottom) ? bevel : 0);
    return frame;
}

void TGtXPThemedControl::WMNCCalcSize(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    const int bevel = BevelSize();
    if (bevel == 0 && borderWidth_ == 0) return;
    // The first rectangle is the client area either way.
    RECT& r = reinterpret_cast<NCCALCSIZE_PARAMS*>(msg.LParam)->rgrc[0];
    r.left += borderWidth_ + (bevelEdges_.Contains(beLeft) ? bevel : 0);
    r.top += borderWidth_ + (bevelEdges_.Contains(beTop) ? bevel : 0);
    r.right -= borderWidth_ + (bevelEdges_.Contains(beRight) ? bevel : 0);
    r.bottom -= borderWidth_ + (bevelEdges_.Contains(beBottom) ? bevel : 0);
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
}

void TGtXPThemedControl::WMNCPaint(gui::TMessage& msg) {
    if (!ThemeInUse() || (bevelKind_ == bkNone && borderWidth_ <= 0)) {
        GUI_INHERITED(msg);
        return;
    }
    HWND window = WindowHandle();
    {
        gui::TWindowDC windowDC(window);
        HDC dc = windowDC.Get();
        RECT client, bounds;
        GetClientRect(window, &client);
        GetWindowRect(window, &bounds);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&bounds), 2);
        OffsetRect(&client, -bounds.left, -bounds.top);
        ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
        gui::TRect c = gui::ToTRect(client).Inflate(borderWidth_, borderWidth_);
        gui::TRect b = c;
        if (bevelKind_ != bkNone) {
            const int bevel = BevelSize();
            if (bevelEdges_.Contains(beLeft)) b.Left -= bevel;
            if (bevelEdges_.Contains(beTop)) b.Top -= bevel;
            if (bevelEdges_.Contains(beRight)) b.Right += bevel;
            if (bevelEdges_.Contains(beBottom)) b.Bottom += bevel;
            // The system's own scroll bars lie inside the bevel.
            const LONG style = GetWindowLongW(window, GWL_STYLE);
            if ((style & WS_VSCROLL) != 0) b.Right += GetSystemMetrics(SM_CXVSCROLL);
            if ((style & WS_HSCROLL) != 0) b.Bottom += GetSystemMetrics(SM_CYHSCROLL);
            static constexpr UINT kInner[] = {0, BDR_SUNKENINNER, BDR_RAISEDINNER, 0};
            static constexpr UINT kOuter[] = {0, BDR_SUNKENOUTER, BDR_RAISEDOUTER, 0};
            static constexpr UINT kKind[] = {0, 0, BF_SOFT, BF_FLAT};
            UINT edges = 0;
            if (bevelEdges_.Contains(beLeft)) edges |= BF_LEFT;
            if (bevelEdges_.Contains(beTop)) edges |= BF_TOP;
            if (bevelEdges_.Contains(beRight)) edges |= BF_RIGHT;
            if (bevelEdges_.Contains(beBottom)) edges |= BF_BOTTOM;
            const UINT flags = edges | kKind[bevelKind_] | (Ctl3D() ? 0 : BF_MONO) | BF_ADJUST;
            Services().DrawEdge(theme_, dc, 0, 0, b, kInner[bevelInner_] | kOuter[bevelOuter_],
                                flags, &c);
        }
        IntersectClipRect(dc, b.Left, b.Top, b.Right, b.Bottom);
        Services().DrawBackground(theme_, dc, 0, 0, c, nullptr);
    }
    DefaultHandler(msg);
}

void TGtXPThemedControl::WMThemeChanged(gui::TMessage& msg) {
    if (ThemesAvailable() && useXPThemes_) {
        CloseThemeHandle();
        OpenThemeHandle();
        FrameChanged();
    }
    msg.Result = 1;
}

}  // namespace controls::tree
