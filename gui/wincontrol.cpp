#include <algorithm>
#include <climits>
#include <map>

#include "gui/application.h"
#include "gui/controls.h"
#include "gui/errors.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/screen.h"
#include "gui/themes.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

namespace {

const wchar_t* W(const std::u16string& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}

// Visual styles on or off for one window. Names that match no theme class
// switch the styles off; none gives the default back. Common controls
// change their border with the styles (a progress bar takes a static edge
// when classic) without working out their frame again: the frame is
// recomputed here, or the old border stays.
void SwitchWindowTheme(HWND window, bool themed) {
    if (themed)
        TThemeServices::Instance().SetWindowTheme(window, nullptr, nullptr);
    else
        TThemeServices::Instance().SetWindowTheme(window, L" ", L" ");
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The property that marks a window as made by the class library.
constexpr const wchar_t* kControlProp = L"SerplowControl";

// The window classes the class library registered, with the window
// procedure each came with. Windows are made on the main thread only.
struct ClassEntry {
    ATOM atom;
    WNDPROC defProc;
};

std::map<std::u16string, ClassEntry>& RegisteredClasses() {
    static std::map<std::u16string, ClassEntry> classes;
    return classes;
}

// The window whose messages came last and its control: most messages come
// in runs to one window, and the lookup through the window is not free.
// Every place that detaches a control from its window forgets it.
thread_local HWND t_lastWindow = nullptr;
thread_local TWinControl* t_lastControl = nullptr;

void ForgetLastWindow(HWND window) {
    if (t_lastWindow == window) {
        t_lastWindow = nullptr;
        t_lastControl = nullptr;
    }
}

// The control whose window CreateWindowExW is making: its first message
// (which may come before WM_NCCREATE) attaches it.
thread_local TWinControl* t_creating = nullptr;

// Windows whose control went while one of their messages was being
// handled: detached and hidden, destroyed by the application once that
// is done. Windows are made and destroyed on the main thread only.
std::vector<HWND>& DeferredWindows() {
    static std::vector<HWND> windows;
    windows.erase(
        std::remove_if(windows.begin(), windows.end(), [](HWND w) { return !IsWindow(w); }),
        windows.end());
    return windows;
}

// A window no control answers for any more: its own procedure back, no
// link to the object.
void Detach(HWND window, WNDPROC defProc) {
    ForgetLastWindow(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    RemovePropW(window, kControlProp);
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defProc));
}

void DestroyLater(HWND window) {
    ShowWindow(window, SW_HIDE);
    DeferredWindows().push_back(window);
    Application->DestroyWindowLater(window);
}

uint16_t NextControlId() {
    static uint16_t id = 0x100;
    if (++id >= 0xF000) id = 0x100;
    return id;
}

}  // namespace

LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    TWinControl* control = window == t_lastWindow ? t_lastControl : nullptr;
    if (control == nullptr) {
        control = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (control == nullptr) {
            control = t_creating;
            if (control == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
            t_creating = nullptr;
            control->handle_ = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
            SetPropW(window, kControlProp, control);
        }
        t_lastWindow = window;
        t_lastControl = control;
    }
    // The handle may name another window once this one is gone.
    if (msg == WM_NCDESTROY) ForgetLastWindow(window);
    return control->MainWndProc(msg, wParam, lParam);
}

LRESULT TWinControl::MainWndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    TMessage m{msg, wParam, lParam, 0};
    TAliveGuard guard(*this);
    ++dispatchDepth_;
    try {
        WindowProc()(m);
    } catch (...) {
        try {
            if (Application != nullptr)
                Application->HandleException(guard.Alive() ? this : nullptr);
        } catch (...) {
            // Reporting failed too; the message loop still goes on.
        }
    }
    if (guard.Alive()) --dispatchDepth_;
    return m.Result;
}

TWinControl* TWinControl::FindControl(HWND window) {
    if (window == nullptr) return nullptr;
    return static_cast<TWinControl*>(GetPropW(window, kControlProp));
}

// ---- class information and handlers ----------------------------------------------------

RUNTIME_BEGIN_CLASS(TWinControl, TControl)
RUNTIME_PROPERTY(ParentCtl3D, ParentCtl3D, SetParentCtl3D).Default(true);
RUNTIME_PROPERTY(Ctl3D, Ctl3D, SetCtl3D).Default(true);
RUNTIME_PROPERTY(BevelKind, BevelKind, SetBevelKind).Default(bkNone);
RUNTIME_PROPERTY(TabOrder, TabOrder, SetTabOrder);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(false);
RUNTIME_FIELD(OnEnter);
RUNTIME_FIELD(OnExit);
RUNTIME_FIELD(OnKeyDown);
RUNTIME_FIELD(OnKeyPress);
RUNTIME_FIELD(OnWideKeyPress);
RUNTIME_FIELD(OnKeyUp);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TWinControl)
GUI_MESSAGE(WM_PAINT, WMPaint)
GUI_MESSAGE(WM_PRINTCLIENT, WMPrintClient)
GUI_MESSAGE(WM_ERASEBKGND, WMEraseBkgnd)
GUI_MESSAGE(WM_COMMAND, WMCommand)
GUI_MESSAGE(WM_NOTIFY, WMNotify)
GUI_MESSAGE(WM_DRAWITEM, WMDrawItem)
GUI_MESSAGE(WM_MEASUREITEM, WMMeasureItem)
GUI_MESSAGE(WM_CTLCOLORBTN, WMCtlColor)
GUI_MESSAGE(WM_CTLCOLOREDIT, WMCtlColor)
GUI_MESSAGE(WM_CTLCOLORLISTBOX, WMCtlColor)
GUI_MESSAGE(WM_CTLCOLORSCROLLBAR, WMCtlColor)
GUI_MESSAGE(WM_CTLCOLORSTATIC, WMCtlColor)
GUI_MESSAGE(WM_HSCROLL, WMScroll)
GUI_MESSAGE(WM_VSCROLL, WMScroll)
GUI_MESSAGE(WM_SETFOCUS, WMSetFocus)
GUI_MESSAGE(WM_KILLFOCUS, WMKillFocus)
GUI_MESSAGE(WM_KEYDOWN, WMKeyDown)
GUI_MESSAGE(WM_SYSKEYDOWN, WMKeyDown)
GUI_MESSAGE(WM_CHAR, WMChar)
GUI_MESSAGE(WM_KEYUP, WMKeyUp)
GUI_MESSAGE(WM_SYSKEYUP, WMKeyUp)
GUI_MESSAGE(WM_WINDOWPOSCHANGED, WMWindowPosChanged)
GUI_MESSAGE(WM_SETCURSOR, WMSetCursor)
GUI_MESSAGE(WM_NCDESTROY, WMNCDestroy)
GUI_MESSAGE(WM_MOUSELEAVE, WMMouseLeave)
GUI_MESSAGE(WM_CONTEXTMENU, WMContextMenu)
GUI_MESSAGE(WM_SYSCOMMAND, WMSysCommand)
GUI_MESSAGE(CN_KEYDOWN, CNKeyDown)
GUI_MESSAGE(CN_SYSKEYDOWN, CNKeyDown)
GUI_MESSAGE(CN_CHAR, CNChar)
GUI_MESSAGE(CN_SYSCHAR, CNSysChar)
GUI_MESSAGE(CM_DIALOGKEY, CMDialogKey)
GUI_MESSAGE(CM_DIALOGCHAR, CMDialogChar)
GUI_MESSAGE(CM_FOCUSCHANGED, CMFocusChanged)
GUI_MESSAGE(CM_COLORCHANGED, CMColorChanged)
GUI_MESSAGE(CM_FONTCHANGED, CMFontChanged)
GUI_MESSAGE(CM_SHOWHINTCHANGED, CMShowHintChanged)
GUI_MESSAGE(CM_CTL3DCHANGED, CMCtl3DChanged)
GUI_MESSAGE(CM_PARENTCTL3DCHANGED, CMParentCtl3DChanged)
GUI_MESSAGE(WM_NCCALCSIZE, WMNCCalcSize)
GUI_MESSAGE(WM_NCPAINT, WMNCPaint)
GUI_MESSAGE(CN_CTLCOLORBTN, CMCtlColor)
GUI_MESSAGE(CN_CTLCOLOREDIT, CMCtlColor)
GUI_MESSAGE(CN_CTLCOLORLISTBOX, CMCtlColor)
GUI_MESSAGE(CN_CTLCOLORSCROLLBAR, CMCtlColor)
GUI_MESSAGE(CN_CTLCOLORSTATIC, CMCtlColor)
GUI_MESSAGE(CM_ENTER, CMEnter)
GUI_MESSAGE(CM_EXIT, CMExit)
GUI_END_MESSAGE_MAP

// ---- construction and destruction ----------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(std::make_unique<TBrush>()) {
    brush_->SetColor(color_);
}

TWinControl::~TWinControl() {
    Destroying();
    // The children this control still places go with it.
    while (!controls_.empty()) delete controls_.back();
    if (handle_ != nullptr) {
        // The window goes as a plain window of its class: none of its last
        // messages reaches this half-destroyed object.
        HWND window = handle_;
        const bool busy = SubtreeBusy();
        handle_ = nullptr;
        Detach(window, defWndProc_);
        if (busy && Application != nullptr)
            DestroyLater(window);
        else
            DestroyWindow(window);
    }
}

bool TWinControl::SubtreeBusy() const {
    if (dispatchDepth_ > 0) return true;
    for (TControl* child : controls_)
        if (auto* win = dynamic_cast<TWinControl*>(child); win != nullptr && win->SubtreeBusy())
            return true;
    for (HWND w : DeferredWindows())
        if (handle_ != nullptr && IsChild(handle_, w)) return true;
    return false;
}

void TWinControl::ReleaseWindow() {
    if (handle_ == nullptr) return;
    if (SubtreeBusy() && Application != nullptr) {
        // The children keep their windows inside it until they go.
        HWND window = handle_;
        handle_ = nullptr;
        Detach(window, defWndProc_);
        DestroyLater(window);
        return;
    }
    // The windows inside go with it; each control lets go of its own.
    DestroyWindow(handle_);
}

// ---- the window ----------------------------------------------------------------------------

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_ != nullptr) return;
    if (Parent() != nullptr) {
        // The parent's window is made first; it makes its children's.
        Parent()->HandleNeeded();
        if (handle_ != nullptr) return;
    }
    CreateWnd();
    CreateChildHandles();
    CreateHandleDone();
}

void TWinControl::CreateChildHandles() {
    // A copy: a child's window creation may add controls.
    const std::vector<TControl*> children = controls_;
    for (TControl* child : children) {
        auto* win = dynamic_cast<TWinControl*>(child);
        if (win == nullptr || win->handle_ != nullptr) continue;
        win->CreateWnd();
        win->CreateChildHandles();
        win->CreateHandleDone();
    }
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Caption = text_;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle().Contains(csAcceptsControls)) params.Style |= WS_CLIPCHILDREN;
    if (Visible()) params.Style |= WS_VISIBLE;
    if (!Enabled()) params.Style |= WS_DISABLED;
    if (tabStop_) params.Style |= WS_TABSTOP;
    params.X = Left();
    params.Y = Top();
    params.Width = Width();
    params.Height = Height();
    params.WndParent = Parent() != nullptr ? Parent()->WindowHandle() : parentWindow_;
    params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    params.WindowClass.lpfnWndProc = DefWindowProcW;
    params.WinClassName = runtime::AnsiToWide(ClassName());
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) != 0 && params.WndParent == nullptr)
        throw runtime::EInvalidOperation("Control '" + Name() + "' has no parent window");

    auto& classes = RegisteredClasses();
    auto it = classes.find(params.WinClassName);
    if (it == classes.end()) {
        WNDCLASSW wc = params.WindowClass;
        if (!params.SystemClassName.empty()) {
            if (!GetClassInfoW(nullptr, W(params.SystemClassName), &wc))
                RaiseLastWin32Error("Cannot find the window class");
            wc.style &= ~CS_GLOBALCLASS;
        }
        const WNDPROC defProc = wc.lpfnWndProc;
        if (wc.hCursor == nullptr && params.SystemClassName.empty())
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpfnWndProc = StdWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = W(params.WinClassName);
        const ATOM atom = RegisterClassW(&wc);
        if (atom == 0) RaiseLastWin32Error("Cannot register the window class");
        it = classes.emplace(params.WinClassName, ClassEntry{atom, defProc}).first;
    }
    defWndProc_ = it->second.defProc;
    MakeWindowHandle(params);
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
    if (!themed_) SwitchWindowTheme(handle_, false);
}

void TWinControl::MakeWindowHandle(const TCreateParams& params) {
    HMENU id = (params.Style & WS_CHILD) != 0
                   ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(NextControlId()))
                   : nullptr;
    t_creating = this;
    HWND window = CreateWindowExW(params.ExStyle, W(params.WinClassName), W(params.Caption),
                                  params.Style, params.X, params.Y, params.Width, params.Height,
                                  params.WndParent, id, GetModuleHandleW(nullptr), params.Param);
    t_creating = nullptr;
    if (window == nullptr) RaiseLastWin32Error("Cannot create window");
    handle_ = window;
}

void TWinControl::DestroyHandle() {
    if (handle_ == nullptr) return;
    destroyingHandle_ = true;
    for (TControl* child : controls_)
        if (auto* win = dynamic_cast<TWinControl*>(child)) win->DestroyHandle();
    DestroyWnd();
    destroyingHandle_ = false;
}

void TWinControl::DestroyWnd() {
    text_ = TextW();
    if (handle_ != nullptr) DestroyWindow(handle_);
    handle_ = nullptr;
}

void TWinControl::SetClientSize(int width, int height) {
    TSize frame;
    if (handle_ != nullptr) {
        RECT window;
        RECT client;
        GetWindowRect(handle_, &window);
        GetClientRect(handle_, &client);
        frame = {(window.right - window.left) - client.right,
                 (window.bottom - window.top) - client.bottom};
    } else {
        frame = FrameExtent();
    }
    SetBounds(Left(), Top(), width + frame.Width, height + frame.Height);
}

void TWinControl::WMNCDestroy(TMessage& msg) {
    DefaultHandler(msg);
    if (handle_ != nullptr) {
        ForgetLastWindow(handle_);
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        RemovePropW(handle_, kControlProp);
        handle_ = nullptr;
    }
    trackingMouse_ = false;
}

void TWinControl::RecreateWnd() {
    if (handle_ == nullptr) return;
    const bool focused = Focused();
    DestroyHandle();
    HandleNeeded();
    if (focused && CanFocus()) ::SetFocus(handle_);
}

void TWinControl::BeginRedrawLock() {
    if (redrawLocks_++ == 0 && handle_ != nullptr) SendMessageW(handle_, WM_SETREDRAW, FALSE, 0);
}

void TWinControl::EndRedrawLock() {
    if (redrawLocks_ == 0 || --redrawLocks_ > 0 || handle_ == nullptr) return;
    SendMessageW(handle_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::SetThemed(bool value) {
    if (themed_ == value) return;
    themed_ = value;
    if (handle_ == nullptr) return;
    SwitchWindowTheme(handle_, value);
    RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void TWinControl::SetParentWindow(HWND value) {
    if (parentWindow_ == value) return;
    parentWindow_ = value;
    if (Parent() == nullptr && handle_ != nullptr) RecreateWnd();
}

void TWinControl::DefaultHandler(TMessage& msg) {
    if (msg.Msg >= CM_BASE && msg.Msg < CN_BASE + 0x1000) {
        // Notifications among controls; an unhandled colour request gets
        // the parent window's default colours.
        if (msg.Msg >= CN_CTLCOLORMSGBOX && msg.Msg <= CN_CTLCOLORSTATIC && handle_ != nullptr)
            msg.Result =
                DefWindowProcW(GetParent(handle_), msg.Msg - CN_BASE, msg.WParam, msg.LParam);
        return;
    }
    if (handle_ == nullptr) {
        TControl::DefaultHandler(msg);
        return;
    }
    msg.Result = CallWindowProcW(defWndProc_, handle_, msg.Msg, msg.WParam, msg.LParam);
}

// ---- children ------------------------------------------------------------------------------

void TWinControl::InsertControl(TControl* control) {
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 1);
    control->parent_ = this;
    controls_.push_back(control);
    if (auto* win = dynamic_cast<TWinControl*>(control)) tabList_.push_back(win);
    control->ApplyParentFont();
    if (control->ParentColor()) control->Perform(CM_PARENTCOLORCHANGED);
    if (control->ParentShowHint()) control->Perform(CM_PARENTSHOWHINTCHANGED);
    if (auto* win = dynamic_cast<TWinControl*>(control); win != nullptr && win->parentCtl3D_)
        win->Perform(CM_PARENTCTL3DCHANGED);
    control->UpdateAnchorOrigin();
    if (auto* win = dynamic_cast<TWinControl*>(control); win != nullptr && handle_ != nullptr) {
        win->CreateWnd();
        win->CreateChildHandles();
        win->CreateHandleDone();
    }
    if (control->Align() != alNone) Realign();
    ChildBoundsChanged(nullptr);
    control->Invalidate();
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it == controls_.end()) return;
    // A parent on its way out is told nothing: its own classes are gone.
    const bool tell = !ComponentState().Contains(runtime::csDestroying);
    if (tell) Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
    control->Invalidate();
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        // A child window cannot outlive its place in the parent.
        if (win->handle_ != nullptr && !destroyingHandle_) win->DestroyHandle();
        tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), win), tabList_.end());
    }
    controls_.erase(std::find(controls_.begin(), controls_.end(), control));
    control->parent_ = nullptr;
    if (!tell) return;
    if (control->Align() != alNone) Realign();
    ChildBoundsChanged(nullptr);
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 0);
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (; control != nullptr; control = control->Parent())
        if (control == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!allowWinControls && dynamic_cast<TWinControl*>(c) != nullptr) continue;
        if (!c->Visible() || (!c->Enabled() && !allowDisabled)) continue;
        if (c->BoundsRect().Contains(p) &&
            c->Perform(CM_HITTEST, 0, PointToLParam({p.X - c->Left(), p.Y - c->Top()})) != 0)
            return c;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& msg) {
    const std::vector<TControl*> children = controls_;
    for (TControl* child : children) {
        child->WindowProc()(msg);
        if (msg.Result != 0) return;
    }
}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0 && --alignDisabled_ == 0 && alignPending_) {
        alignPending_ = false;
        Realign();
    }
}

void TWinControl::Realign() {
    if (alignDisabled_ > 0) {
        alignPending_ = true;
        return;
    }
    // Nothing to lay out (most containers) costs no client area query.
    if (!ArrangesChildren() && std::none_of(controls_.begin(), controls_.end(),
                                            [](const TControl* c) { return c->Align() != alNone; }))
        return;
    TRect rect = ClientRect();
    AdjustClientRect(rect);
    ++alignDisabled_;
    try {
        AlignControls(nullptr, rect);
    } catch (...) {
        --alignDisabled_;
        alignPending_ = false;
        throw;
    }
    --alignDisabled_;
    alignPending_ = false;
}

void TWinControl::AlignControls(TControl*, TRect& rect) {
    std::vector<TAlignItem> items;
    std::vector<TControl*> aligned;
    for (TControl* c : controls_) {
        if (!c->Visible() || c->Align() == alNone || c->Align() == alCustom) continue;
        items.push_back({c->Align(),
                         {c->Left(), c->Top(), c->Width(), c->Height()},
                         c->Constraints()->Limits()});
        aligned.push_back(c);
    }
    if (items.empty()) return;
    rect = AlignItems(items, rect);
    for (size_t i = 0; i < items.size(); ++i) {
        const TBounds& b = items[i].Bounds;
        TControl* c = aligned[i];
        if (b.X != c->Left() || b.Y != c->Top() || b.Width != c->Width() || b.Height != c->Height())
            c->SetBounds(b.X, b.Y, b.Width, b.Height);
    }
}

void TWinControl::ApplyAnchors() {
    if (ComponentState().Contains(runtime::csLoading)) return;
    if (std::none_of(controls_.begin(), controls_.end(), [](const TControl* c) {
            return c->Align() == alNone && c->Anchors() != kDefaultAnchors;
        }))
        return;
    const TRect client = ClientRect();
    const TSize size{client.Width(), client.Height()};
    anchoring_ = true;
    try {
        for (TControl* c : controls_) {
            if (c->Align() != alNone || c->Anchors() == kDefaultAnchors) continue;
            const TBounds b =
                AnchorBounds(c->AnchorOrigin(), size, c->Anchors(), c->Constraints()->Limits());
            c->SetBounds(b.X, b.Y, b.Width, b.Height);
        }
    } catch (...) {
        anchoring_ = false;
        throw;
    }
    anchoring_ = false;
}

// ---- bounds --------------------------------------------------------------------------------

void TWinControl::SetBounds(int left, int top, int width, int height) {
    TControl::SetBounds(left, top, width, height);
}

void TWinControl::UpdateBoundsRect(int left, int top, int width, int height) {
    if (handle_ != nullptr) {
        // WM_WINDOWPOSCHANGED takes the window's real bounds.
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    const bool resized = width != Width() || height != Height();
    SetBoundsFields(left, top, width, height);
    BoundsChanged(resized);
}

void TWinControl::BoundsChanged(bool resized) {
    if (resized) {
        Realign();
        ApplyAnchors();
    }
    TControl::BoundsChanged(resized);
}

void TWinControl::WMWindowPosChanged(TMessage& msg) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(msg.LParam);
    bool changed = false;
    bool resized = false;
    if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE) &&
        !IsIconic(handle_)) {
        RECT r;
        GetWindowRect(handle_, &r);
        if ((GetWindowLongPtrW(handle_, GWL_STYLE) & WS_CHILD) != 0)
            MapWindowPoints(HWND_DESKTOP, GetAncestor(handle_, GA_PARENT),
                            reinterpret_cast<POINT*>(&r), 2);
        const TRect b = ToTRect(r);
        changed =
            b.Left != Left() || b.Top != Top() || b.Width() != Width() || b.Height() != Height();
        resized = b.Width() != Width() || b.Height() != Height();
        SetBoundsFields(b.Left, b.Top, b.Width(), b.Height());
    }
    TAliveGuard guard(*this);
    DefaultHandler(msg);
    if (changed && guard.Alive()) BoundsChanged(resized);
}

TRect TWinControl::ClientRect() const {
    if (handle_ != nullptr) {
        RECT r;
        GetClientRect(handle_, &r);
        return ToTRect(r);
    }
    // Without a window: the bounds less the frame the window will have.
    const TSize frame = FrameExtent();
    return {0, 0, std::max(0, Width() - frame.Width), std::max(0, Height() - frame.Height)};
}

TSize TWinControl::FrameExtent() const {
    TCreateParams params;
    const_cast<TWinControl*>(this)->CreateParams(params);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.Style & ~(WS_VSCROLL | WS_HSCROLL), FALSE, params.ExStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void TWinControl::GetChildren(const runtime::TGetChildProc& proc, TComponent* root) {
    TControl::GetChildren(proc, root);
    for (TControl* child : std::vector<TControl*>(controls_))
        if (child->Owner() == root) proc(*child);
}

TPoint TWinControl::ClientOrigin() const {
    if (handle_ != nullptr) {
        POINT p{0, 0};
        ::ClientToScreen(handle_, &p);
        return ToTPoint(p);
    }
    return TControl::ClientOrigin();
}

bool TWinControl::Showing() const {
    if (handle_ == nullptr || !Visible()) return false;
    return Parent() != nullptr ? Parent()->Showing() : IsWindowVisible(handle_) != FALSE;
}

void TWinControl::VisibleChanged() {
    if (handle_ != nullptr) ShowWindow(handle_, Visible() ? SW_SHOWNA : SW_HIDE);
    TControl::VisibleChanged();
}

void TWinControl::EnabledChanged() {
    if (handle_ != nullptr) EnableWindow(handle_, Enabled());
    TControl::EnabledChanged();
}

void TWinControl::FontChanged() {
    Perform(CM_FONTCHANGED);
}

void TWinControl::Invalidate() {
    if (handle_ != nullptr) InvalidateRect(handle_, nullptr, !ControlStyle().Contains(csOpaque));
}

void TWinControl::Update() {
    if (handle_ != nullptr) UpdateWindow(handle_);
}

std::u16string TWinControl::TextW() const {
    if (handle_ == nullptr) return text_;
    const int length = GetWindowTextLengthW(handle_);
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const int got = GetWindowTextW(handle_, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<size_t>(std::max(0, got)));
    return text;
}

void TWinControl::SetTextW(const std::u16string& value) {
    if (handle_ == nullptr) {
        TControl::SetTextW(value);
        return;
    }
    if (TextW() == value) return;
    SetWindowTextW(handle_, W(value));
    text_ = value;
    TextChanged();
    Perform(CM_TEXTCHANGED);
}

// ---- notifications to the children -----------------------------------------------------------

void TWinControl::CMColorChanged(TMessage&) {
    brush_->SetColor(Color());
    Invalidate();
    for (TControl* child : std::vector<TControl*>(controls_)) child->Perform(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChanged(TMessage&) {
    if (handle_ != nullptr)
        SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
    for (TControl* child : std::vector<TControl*>(controls_)) child->Perform(CM_PARENTFONTCHANGED);
    Invalidate();
}

void TWinControl::CMShowHintChanged(TMessage&) {
    for (TControl* child : std::vector<TControl*>(controls_))
        child->Perform(CM_PARENTSHOWHINTCHANGED);
}

void TWinControl::SetCtl3D(bool value) {
    SetOwnValue(ctl3D_, parentCtl3D_, value, CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool value) {
    SetFromParent(parentCtl3D_, value, CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMCtl3DChanged(TMessage&) {
    for (TWinControl* child : std::vector<TWinControl*>(tabList_))
        child->Perform(CM_PARENTCTL3DCHANGED);
}

namespace {

int BevelWidth(TBevelKind kind) {
    return kind == bkNone ? 0 : kind == bkFlat ? 1 : 2;
}

}  // namespace

void TWinControl::SetBevelKind(TBevelKind value) {
    if (bevelKind_ == value) return;
    bevelKind_ = value;
    if (handle_ != nullptr)
        SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::WMNCCalcSize(TMessage& msg) {
    DefaultHandler(msg);
    const int width = BevelWidth(bevelKind_);
    if (width == 0) return;
    // The first rectangle is the client area either way (wParam only says
    // whether more follow).
    RECT& r = *reinterpret_cast<RECT*>(msg.LParam);
    r.left += width;
    r.top += width;
    r.right = std::max(r.left, r.right - width);
    r.bottom = std::max(r.top, r.bottom - width);
}

void TWinControl::WMNCPaint(TMessage& msg) {
    DefaultHandler(msg);
    const int width = BevelWidth(bevelKind_);
    if (width == 0) return;
    // The frame lies just outside the client area, inside any border.
    RECT window, client;
    GetWindowRect(handle_, &window);
    GetClientRect(handle_, &client);
    MapWindowPoints(handle_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    RECT frame{client.left - window.left - width, client.top - window.top - width,
               client.right - window.left + width, client.bottom - window.top + width};
    HDC dc = GetWindowDC(handle_);
    if (dc == nullptr) return;
    if (bevelKind_ == bkFlat) {
        HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
        FrameRect(dc, &frame, shadow);
    } else {
        DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT | (bevelKind_ == bkSoft ? BF_SOFT : 0));
    }
    ReleaseDC(handle_, dc);
}

void TWinControl::CMParentCtl3DChanged(TMessage&) {
    if (!parentCtl3D_ || Parent() == nullptr) return;
    SetCtl3D(Parent()->Ctl3D());
    parentCtl3D_ = true;
}

void TWinControl::CMCtlColor(TMessage& msg) {
    HDC dc = reinterpret_cast<HDC>(msg.WParam);
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    SetBkColor(dc, ColorToRGB(Color()));
    msg.Result = reinterpret_cast<LRESULT>(brush_->Handle());
}

// ---- reflection ----------------------------------------------------------------------------

void TWinControl::ReflectToChild(HWND child, TMessage& msg) {
    TWinControl* control = FindControl(child);
    if (control != nullptr && control != this) {
        msg.Result = control->Perform(CN_BASE + msg.Msg, msg.WParam, msg.LParam);
        return;
    }
    DefaultHandler(msg);
}

void TWinControl::WMCommand(TMessage& msg) {
    if (msg.LParam != 0)
        ReflectToChild(reinterpret_cast<HWND>(msg.LParam), msg);
    else
        DefaultHandler(msg);
}

void TWinControl::WMNotify(TMessage& msg) {
    ReflectToChild(reinterpret_cast<const NMHDR*>(msg.LParam)->hwndFrom, msg);
}

void TWinControl::WMDrawItem(TMessage& msg) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.LParam);
    if (item->CtlType == ODT_MENU)
        DefaultHandler(msg);
    else
        ReflectToChild(item->hwndItem, msg);
}

void TWinControl::WMMeasureItem(TMessage& msg) {
    const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(msg.LParam);
    if (item->CtlType == ODT_MENU || handle_ == nullptr)
        DefaultHandler(msg);
    else
        ReflectToChild(GetDlgItem(handle_, static_cast<int>(item->CtlID)), msg);
}

void TWinControl::WMCtlColor(TMessage& msg) {
    ReflectToChild(reinterpret_cast<HWND>(msg.LParam), msg);
}

void TWinControl::WMScroll(TMessage& msg) {
    if (msg.LParam != 0)
        ReflectToChild(reinterpret_cast<HWND>(msg.LParam), msg);
    else
        DefaultHandler(msg);
}

// ---- painting ------------------------------------------------------------------------------

bool TWinControl::HasGraphicChildren() const {
    return std::any_of(controls_.begin(), controls_.end(), [](TControl* c) {
        return c->Visible() && dynamic_cast<TWinControl*>(c) == nullptr;
    });
}

void TWinControl::WMPaint(TMessage& msg) {
    PaintHandler(msg);
}

void TWinControl::WMPrintClient(TMessage& msg) {
    if ((msg.LParam & PRF_CLIENT) == 0 ||
        (msg.LParam & PRF_CHECKVISIBLE && !IsWindowVisible(handle_))) {
        DefaultHandler(msg);
        return;
    }
    HDC dc = reinterpret_cast<HDC>(msg.WParam);
    if (msg.LParam & PRF_ERASEBKGND) Perform(WM_ERASEBKGND, msg.WParam);
    TMessage paint{WM_PAINT, msg.WParam, 0, 0};
    PaintHandler(paint);
    (void)dc;
}

void TWinControl::PaintHandler(TMessage& msg) {
    const bool ownClass = defWndProc_ == DefWindowProcW;
    if (!ownClass && !HasGraphicChildren()) {
        DefaultHandler(msg);
        return;
    }
    HDC dc = reinterpret_cast<HDC>(msg.WParam);
    PAINTSTRUCT ps{};
    if (dc == nullptr) dc = BeginPaint(handle_, &ps);
    PaintWindow(dc);
    PaintControls(dc, nullptr);
    if (msg.WParam == 0) EndPaint(handle_, &ps);
}

void TWinControl::PaintWindow(HDC dc) {
    if (defWndProc_ == DefWindowProcW) return;
    TMessage paint{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
    DefaultHandler(paint);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
    auto it =
        first != nullptr ? std::find(controls_.begin(), controls_.end(), first) : controls_.begin();
    for (; it != controls_.end(); ++it) {
        TControl* c = *it;
        if (!c->Visible() || dynamic_cast<TWinControl*>(c) != nullptr) continue;
        const RECT bounds = ToRECT(c->BoundsRect());
        if (!RectVisible(dc, &bounds)) continue;
        const int saved = SaveDC(dc);
        POINT origin;
        GetViewportOrgEx(dc, &origin);
        SetViewportOrgEx(dc, origin.x + bounds.left, origin.y + bounds.top, nullptr);
        IntersectClipRect(dc, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top);
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        RestoreDC(dc, saved);
    }
}

void TWinControl::WMEraseBkgnd(TMessage& msg) {
    if (defWndProc_ != DefWindowProcW) {
        DefaultHandler(msg);
        return;
    }
    RECT r;
    GetClientRect(handle_, &r);
    FillRect(reinterpret_cast<HDC>(msg.WParam), &r, brush_->Handle());
    msg.Result = 1;
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
    if (handle_ == nullptr) return;
    const int saved = SaveDC(dc);
    POINT origin;
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.x + x, origin.y + y, nullptr);
    SendMessageW(handle_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                 PRF_CLIENT | PRF_ERASEBKGND);
    RestoreDC(dc, saved);
    for (TControl* c : controls_) {
        auto* win = dynamic_cast<TWinControl*>(c);
        if (win != nullptr && win->Visible()) win->PaintTo(dc, x + win->Left(), y + win->Top());
    }
}

// ---- mouse ---------------------------------------------------------------------------------

void TWinControl::WndProc(TMessage& msg) {
    if (msg.Msg >= WM_MOUSEFIRST && msg.Msg <= WM_MOUSELAST && msg.Msg != WM_MOUSEWHEEL &&
        msg.Msg != WM_MOUSEHWHEEL) {
        if (Application != nullptr && handle_ != nullptr) {
            POINT p = ToPOINT(PointFromLParam(msg.LParam));
            ::ClientToScreen(handle_, &p);
            Application->SetMousePos(ToTPoint(p));
        }
        if (IsControlMouseMsg(msg)) return;
        if (msg.Msg == WM_MOUSEMOVE && Application != nullptr) {
            Application->SetMouseControl(this);
            TrackMouseLeave();
        }
    }
    TControl::WndProc(msg);
}

bool TWinControl::IsControlMouseMsg(TMessage& msg) {
    const TPoint p = PointFromLParam(msg.LParam);
    TControl* capture = Application != nullptr ? Application->CaptureControl() : nullptr;
    TControl* target = nullptr;
    if (capture != nullptr) {
        if (capture->Parent() == this && dynamic_cast<TWinControl*>(capture) == nullptr)
            target = capture;
    } else {
        target = ControlAtPos(p, false);
    }
    if (target == nullptr) return false;
    if (msg.Msg == WM_MOUSEMOVE && Application != nullptr) {
        Application->SetMouseControl(target);
        TrackMouseLeave();
    }
    msg.Result = target->Perform(msg.Msg, msg.WParam,
                                 PointToLParam({p.X - target->Left(), p.Y - target->Top()}));
    return true;
}

void TWinControl::TrackMouseLeave() {
    if (trackingMouse_ || handle_ == nullptr) return;
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, handle_, 0};
    trackingMouse_ = TrackMouseEvent(&tme) != FALSE;
}

void TWinControl::WMMouseLeave(TMessage& msg) {
    trackingMouse_ = false;
    if (Application != nullptr) {
        TControl* mouse = Application->MouseControl();
        if (mouse == this || (mouse != nullptr && mouse->Parent() == this &&
                              dynamic_cast<TWinControl*>(mouse) == nullptr))
            Application->SetMouseControl(nullptr);
    }
    DefaultHandler(msg);
}

void TWinControl::WMSetCursor(TMessage& msg) {
    if (LOWORD(msg.LParam) == HTCLIENT && reinterpret_cast<HWND>(msg.WParam) == handle_) {
        TCursor cursor = Screen != nullptr ? Screen->Cursor() : crDefault;
        if (cursor == crDefault) {
            POINT p;
            GetCursorPos(&p);
            ::ScreenToClient(handle_, &p);
            TControl* c = ControlAtPos(ToTPoint(p), false);
            cursor = c != nullptr ? c->Cursor() : Cursor();
        }
        if (cursor != crDefault && Screen != nullptr) {
            ::SetCursor(Screen->Cursors(cursor));
            msg.Result = 1;
            return;
        }
    }
    DefaultHandler(msg);
}

void TWinControl::WMContextMenu(TMessage& msg) {
    if (msg.LParam != -1) {
        const TPoint client = ScreenToClient(PointFromLParam(msg.LParam));
        if (TControl* c = ControlAtPos(client, false)) {
            msg.Result = c->Perform(WM_CONTEXTMENU, msg.WParam, msg.LParam);
            if (msg.Result != 0) return;
        }
    }
    GUI_INHERITED(msg);
}

// ---- focus ---------------------------------------------------------------------------------

void TWinControl::SetTabStop(bool value) {
    if (tabStop_ == value) return;
    tabStop_ = value;
    if (handle_ != nullptr) {
        LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
        SetWindowLongPtrW(handle_, GWL_STYLE, value ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

int TWinControl::TabOrder() const {
    if (Parent() == nullptr) return -1;
    const auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    if (ComponentState().Contains(runtime::csLoading)) loadTabOrder_ = value;
    if (Parent() == nullptr) return;
    auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    value = std::clamp(value, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + value, this);
}

void TWinControl::Loaded() {
    TControl::Loaded();
    // Every child is read by now: the tab order the layout gave replaces
    // the order the children arrived in.
    std::stable_sort(tabList_.begin(), tabList_.end(),
                     [](const TWinControl* a, const TWinControl* b) {
                         const int ka = a->loadTabOrder_ < 0 ? INT_MAX : a->loadTabOrder_;
                         const int kb = b->loadTabOrder_ < 0 ? INT_MAX : b->loadTabOrder_;
                         return ka < kb;
                     });
    for (TWinControl* child : tabList_) child->loadTabOrder_ = -1;
}

void TWinControl::UpdateActionState() {
    TControl::UpdateActionState();
    for (TControl* child : std::vector<TControl*>(controls_)) child->UpdateActionState();
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* child : tabList_) {
        list.push_back(child);
        child->GetTabOrderList(list);
    }
}

bool TWinControl::Focused() const {
    return handle_ != nullptr && GetFocus() == handle_;
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c != nullptr; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    if (TCustomForm* form = GetParentForm(this); form != nullptr && form != this) {
        form->FocusControl(this);
        return;
    }
    if (CanFocus()) ::SetFocus(Handle());
}

bool TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return false;
    const int count = static_cast<int>(list.size());
    auto at = std::find(list.begin(), list.end(), current);
    int start = at == list.end() ? (forward ? count - 1 : 0) : static_cast<int>(at - list.begin());
    for (int step = 1; step <= count; ++step) {
        const int i = ((start + (forward ? step : -step)) % count + count) % count;
        TWinControl* c = list[static_cast<size_t>(i)];
        if (c == current) break;
        if (c->CanFocus() && (!checkTabStop || c->TabStop())) {
            c->SetFocus();
            return true;
        }
    }
    return false;
}

void TWinControl::WMSetFocus(TMessage& msg) {
    DefaultHandler(msg);
    if (TCustomForm* form = GetParentForm(this); form != nullptr && form != this)
        form->SetFocusedControl(this);
}

void TWinControl::WMKillFocus(TMessage& msg) {
    DefaultHandler(msg);
}

void TWinControl::CMFocusChanged(TMessage& msg) {
    Broadcast(msg);
}

void TWinControl::CMEnter(TMessage&) {
    DoEnter();
}

void TWinControl::CMExit(TMessage&) {
    DoExit();
}

void TWinControl::DoEnter() {
    OnEnter(this);
}

void TWinControl::DoExit() {
    OnExit(this);
}

// ---- keyboard ------------------------------------------------------------------------------

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
    OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
    OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char& key) {
    OnKeyPress(this, key);
}

bool TWinControl::DoKeyDown(TMessage& msg) {
    TCustomForm* form = GetParentForm(this);
    TAliveGuard guard(*this);
    if (form != nullptr && form != this && form->KeyPreview() && form->DoKeyDown(msg)) return true;
    if (!guard.Alive()) return true;
    uint16_t key = static_cast<uint16_t>(msg.WParam);
    KeyDown(key, KeyDataToShiftState(msg.LParam));
    if (!guard.Alive() || key == 0) return true;
    msg.WParam = key;
    return false;
}

bool TWinControl::DoKeyUp(TMessage& msg) {
    TCustomForm* form = GetParentForm(this);
    TAliveGuard guard(*this);
    if (form != nullptr && form != this && form->KeyPreview() && form->DoKeyUp(msg)) return true;
    if (!guard.Alive()) return true;
    uint16_t key = static_cast<uint16_t>(msg.WParam);
    KeyUp(key, KeyDataToShiftState(msg.LParam));
    if (!guard.Alive() || key == 0) return true;
    msg.WParam = key;
    return false;
}

bool TWinControl::DoKeyPress(TMessage& msg) {
    TCustomForm* form = GetParentForm(this);
    TAliveGuard guard(*this);
    if (form != nullptr && form != this && form->KeyPreview() && form->DoKeyPress(msg)) return true;
    if (!guard.Alive()) return true;
    char16_t wide = static_cast<char16_t>(msg.WParam);
    OnWideKeyPress(this, wide);
    if (!guard.Alive() || wide == 0) return true;
    // 8-bit handlers see only characters the system code page has.
    const std::string ansi = runtime::WideToAnsi(std::u16string(1, wide));
    if (ansi.size() == 1 && (ansi[0] != '?' || wide == u'?')) {
        char key = ansi[0];
        KeyPress(key);
        if (!guard.Alive() || key == 0) return true;
        if (key != ansi[0]) wide = runtime::AnsiToWide(std::string(1, key)).front();
    }
    msg.WParam = wide;
    return false;
}

void TWinControl::WMKeyDown(TMessage& msg) {
    TAliveGuard guard(*this);
    if (!DoKeyDown(msg) && guard.Alive()) DefaultHandler(msg);
}

void TWinControl::WMKeyUp(TMessage& msg) {
    TAliveGuard guard(*this);
    if (!DoKeyUp(msg) && guard.Alive()) DefaultHandler(msg);
}

void TWinControl::WMChar(TMessage& msg) {
    TAliveGuard guard(*this);
    if (!DoKeyPress(msg) && guard.Alive()) DefaultHandler(msg);
}

void TWinControl::CNKeyDown(TMessage& msg) {
    msg.Result = 1;
    const auto key = static_cast<uint16_t>(msg.WParam);
    TCustomForm* form = GetParentForm(this);
    if (form != nullptr && form->IsShortCut(MakeShortCut(key, KeyDataToShiftState(msg.LParam))))
        return;
    // The program's own shortcuts (the main form's, a tool bar's) next.
    if (Application != nullptr &&
        SendMessageW(Application->Handle(), CM_APPKEYDOWN, key, msg.LParam) != 0)
        return;
    if (Perform(CM_CHILDKEY, key, reinterpret_cast<LPARAM>(this)) != 0) return;
    LRESULT mask = 0;
    switch (key) {
        case VK_TAB:
            mask = DLGC_WANTTAB;
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            mask = DLGC_WANTARROWS;
            break;
        case VK_RETURN:
        case VK_EXECUTE:
        case VK_ESCAPE:
        case VK_CANCEL:
            mask = DLGC_WANTALLKEYS;
            break;
        default:
            break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, key, msg.LParam) == 0 &&
        (Perform(WM_GETDLGCODE) & mask) == 0 && form != nullptr &&
        form->Perform(CM_DIALOGKEY, key, msg.LParam) != 0)
        return;
    msg.Result = 0;
}

void TWinControl::WMSysCommand(TMessage& msg) {
    // Alt, F10 or an Alt+letter no accelerator took (the system sends it to
    // the window that had the key): a menu bar of the program's own (a tool
    // bar) may take it before the system's menu handling does.
    if ((msg.WParam & 0xFFF0) == SC_KEYMENU && Application != nullptr &&
        SendMessageW(Application->Handle(), CM_APPSYSCOMMAND, msg.WParam, msg.LParam) != 0) {
        msg.Result = 0;
        return;
    }
    DefaultHandler(msg);
}

void TWinControl::CNChar(TMessage& msg) {
    // A letter typed on a control that takes no characters (a button) may
    // be an accelerator of the form ("&Yes").
    msg.Result = 0;
    if ((Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) != 0) return;
    if (TCustomForm* form = GetParentForm(this))
        msg.Result = form->Perform(CM_DIALOGCHAR, msg.WParam, msg.LParam);
}

void TWinControl::CNSysChar(TMessage& msg) {
    // Alt+letter: always the form's accelerators.
    msg.Result = 0;
    if (TCustomForm* form = GetParentForm(this))
        msg.Result = form->Perform(CM_DIALOGCHAR, msg.WParam, msg.LParam);
}

void TWinControl::CMDialogKey(TMessage& msg) {
    Broadcast(msg);
}

void TWinControl::CMDialogChar(TMessage& msg) {
    Broadcast(msg);
}

}  // namespace gui
