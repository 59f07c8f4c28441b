#include "gui/application.h"

#include <algorithm>

#include "gui/actions.h"
#include "gui/appevents.h"
#include "gui/desktop.h"
#include "gui/dragmanager.h"
#include "gui/errors.h"
#include "gui/forms.h"
#include "gui/geometry_win.h"
#include "gui/hints.h"
#include "gui/mainthread.h"
#include "gui/screen.h"
#include "runtime/exceptions.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

TApplication* Application = nullptr;

namespace {

constexpr const wchar_t* kWindowClass = L"SerplowApplication";
constexpr UINT_PTR kHintTimer = 1;

std::string ShortOrLong(const std::string& hint, bool shortPart) {
    const size_t bar = hint.find('|');
    if (bar == std::string::npos) return hint;
    return shortPart ? hint.substr(0, bar) : hint.substr(bar + 1);
}

// The control whose hint shows for `control`: itself or the nearest parent
// with ShowHint (a control without a hint of its own may still supply one
// for the part under the mouse, as a tool bar does for its buttons).
TControl* HintOwner(TControl* control) {
    while (control != nullptr && !control->ShowHint()) control = control->Parent();
    return control;
}

// The nearest control (itself or a parent) with a hint, for the long hint.
std::string LongHintOf(TControl* control) {
    for (; control != nullptr; control = control->Parent())
        if (!control->Hint().empty()) return GetLongHint(control->Hint());
    return {};
}

}  // namespace

std::string GetShortHint(const std::string& hint) {
    return ShortOrLong(hint, true);
}

std::string GetLongHint(const std::string& hint) {
    return ShortOrLong(hint, false);
}

std::string HintWithShortCut(const std::string& hint, const TBasicAction* action) {
    const auto* custom = dynamic_cast<const TCustomAction*>(action);
    if (hint.empty() || custom == nullptr || custom->ShortCut() == scNone ||
        Application == nullptr || !Application->HintShortCuts)
        return hint;
    return hint + " (" + ShortCutToText(custom->ShortCut()) + ")";
}

RUNTIME_BEGIN_CLASS(TApplication, runtime::TComponent)
RUNTIME_END_CLASS

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, wc.hInstance, nullptr);
    if (window_ == nullptr) RaiseLastWin32Error("Cannot create the application window");
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    detail::InstallMainThreadWake(window_);
    drag_ = std::make_unique<TDragManager>(window_);
}

TApplication::~TApplication() {
    detail::InstallMainThreadWake(nullptr);
    drag_.reset();
    for (TApplicationEvents* e : events_) e->application_ = nullptr;
    events_.clear();
    hintWindow_.reset();
    Destroying();
    DestroyComponents();
    released_.clear();
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT msg, WPARAM wParam,
                                          LPARAM lParam) noexcept {
    auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (app == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
    try {
        return app->AppWndProc(msg, wParam, lParam);
    } catch (...) {
        try {
            app->HandleException(app);
        } catch (...) {
        }
        return 0;
    }
}

LRESULT TApplication::AppWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!hooks_.empty()) {
        TMessage m{msg, wParam, lParam, 0};
        if (RunHooks(m)) return m.Result;
    }
    switch (msg) {
        case detail::WM_WAKEMAINTHREAD:
            detail::DrainMainThreadQueue();
            return 0;
        case CM_DEFERREDFREE:
            FreeReleased();
            return 0;
        case CM_DESTROYWINDOW:
            if (IsWindow(reinterpret_cast<HWND>(wParam)))
                DestroyWindow(reinterpret_cast<HWND>(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == kHintTimer) HintTimerExpired();
            return 0;
        case WM_CANCELMODE:
        case WM_CAPTURECHANGED:
            // The window holds the capture only while a drag runs.
            if (drag_) drag_->CaptureLost();
            return 0;
        case CM_APPKEYDOWN:
            return IsShortCut(
                       MakeShortCut(static_cast<uint16_t>(wParam), KeyDataToShiftState(lParam)))
                       ? 1
                       : 0;
        default:
            return DefWindowProcW(window_, msg, wParam, lParam);
    }
}

// ---- the loop ------------------------------------------------------------------------------

void TApplication::Run() {
    if (mainForm_ != nullptr && !mainForm_->Visible()) mainForm_->Show();
    while (!terminated_) HandleMessage();
}

void TApplication::HandleMessage() {
    MSG msg;
    bool processed = false;
    try {
        processed = ProcessMessage(msg);
    } catch (...) {
        HandleException(this);
        return;
    }
    if (!processed) Idle();
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    // A drag running has the mouse and the keyboard.
    if (drag_ && drag_->FilterMessage(msg)) return true;
    bool handled = false;
    if (OnMessage) OnMessage(msg, handled);
    if (!handled && !events_.empty())
        ForEachEvents([&](TApplicationEvents& e) {
            if (!handled && e.OnMessage) e.OnMessage(msg, handled);
        });
    if (handled || IsHintMsg(msg) || IsKeyMsg(msg)) return true;
    if (dialogHandle_ != nullptr && IsDialogMessageW(dialogHandle_, &msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
    detail::DrainMainThreadQueue();
}

void TApplication::Idle() {
    if (IdleWork() && !terminated_) WaitMessage();
}

void TApplication::ProcessIdle() {
    IdleWork();
}

bool TApplication::IdleWork() {
    bool done = true;
    try {
        OnIdle(this, done);
        if (!events_.empty()) ForEachEvents([&](TApplicationEvents& e) { e.OnIdle(this, done); });
        DoActionIdle();
        detail::DrainMainThreadQueue();
    } catch (...) {
        HandleException(this);
    }
    return done;
}

void TApplication::DoActionIdle() {
    if (Screen == nullptr) return;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (form->Visible()) form->UpdateActions();
    }
}

void TApplication::Terminate() {
    if (!terminated_) PostQuitMessage(0);
    terminated_ = true;
}

// The key messages go to the control first as CN_ messages, where the
// form's shortcuts and dialog keys (Tab, Enter, Escape, arrows) are taken.
bool TApplication::IsKeyMsg(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_CHAR &&
        msg.message != WM_SYSCHAR)
        return false;
    TWinControl* control = nullptr;
    // A window inside a control (a combo box's edit) belongs to that control.
    for (HWND w = msg.hwnd; w != nullptr && control == nullptr; w = GetParent(w))
        control = TWinControl::FindControl(w);
    if (control == nullptr) return false;
    return control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

// ---- errors --------------------------------------------------------------------------------

void TApplication::HandleException(TObject* sender) {
    std::exception_ptr error = std::current_exception();
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const runtime::EAbort&) {
        return;
    } catch (...) {
    }
    bool taken = false;
    if (OnException) {
        OnException(sender, error);
        taken = true;
    }
    if (!events_.empty())
        ForEachEvents([&](TApplicationEvents& e) {
            if (!e.OnException) return;
            e.OnException(sender, error);
            taken = true;
        });
    if (!taken) ShowException(error);
}

void TApplication::ShowException(const std::exception_ptr& error) {
    std::string text;
    try {
        std::rethrow_exception(error);
    } catch (const runtime::Exception& e) {
        text = e.Message();
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "Unknown error";
    }
    text = runtime::TrimRight(text);
    if (!text.empty() && text.back() > '.') text += '.';
    HWND owner = GetActiveWindow();
    Desktop().MessageBox(owner, runtime::AnsiToWide(text),
                         runtime::AnsiToWide(title_.empty() ? "Error" : title_),
                         MB_OK | MB_ICONSTOP);
}

// ---- hooks, application events, shortcuts, help ----------------------------------------------

int TApplication::HookMainWindow(TWindowHook hook) {
    hooks_.emplace_back(++lastHookId_, std::move(hook));
    return lastHookId_;
}

void TApplication::UnhookMainWindow(int id) {
    hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(),
                                [id](const auto& entry) { return entry.first == id; }),
                 hooks_.end());
}

bool TApplication::RunHooks(TMessage& msg) {
    // A copy: hooks may come and go while one runs; one that went is skipped.
    const auto hooks = hooks_;
    for (const auto& [id, hook] : hooks) {
        if (std::none_of(hooks_.begin(), hooks_.end(),
                         [id = id](const auto& entry) { return entry.first == id; }))
            continue;
        if (hook(msg)) return true;
    }
    return false;
}

void TApplication::ForEachEvents(const std::function<void(TApplicationEvents&)>& fire) {
    // A copy, newest first: a handler may free an events component.
    const std::vector<TApplicationEvents*> list(events_.rbegin(), events_.rend());
    for (TApplicationEvents* e : list) {
        if (std::find(events_.begin(), events_.end(), e) == events_.end()) continue;
        e->cancelled_ = false;
        fire(*e);
        if (std::find(events_.begin(), events_.end(), e) != events_.end() && e->cancelled_) {
            e->cancelled_ = false;
            break;
        }
    }
}

bool TApplication::IsShortCut(TShortCut shortCut) {
    uint16_t key = shortCut;
    bool handled = false;
    OnShortCut(key, handled);
    if (!handled && !events_.empty())
        ForEachEvents([&](TApplicationEvents& e) {
            if (!handled) e.OnShortCut(key, handled);
        });
    if (handled) return true;
    return mainForm_ != nullptr && mainForm_->HandleAllocated() &&
           IsWindowEnabled(mainForm_->WindowHandle()) && mainForm_->IsShortCut(shortCut);
}

bool TApplication::HelpContext(int32_t context) {
    return HelpCommand(HELP_CONTEXT, static_cast<ULONG_PTR>(context));
}

bool TApplication::HelpCommand(UINT command, ULONG_PTR data) {
    return OnHelp && OnHelp(command, data);
}

// ---- windows -------------------------------------------------------------------------------

void TApplication::Restore() {
    if (mainForm_ == nullptr || !mainForm_->HandleAllocated()) return;
    if (IsIconic(mainForm_->WindowHandle())) ShowWindow(mainForm_->WindowHandle(), SW_RESTORE);
}

void TApplication::Minimize() {
    if (mainForm_ != nullptr && mainForm_->HandleAllocated())
        ShowWindow(mainForm_->WindowHandle(), SW_MINIMIZE);
}

void TApplication::BringToFront() {
    TCustomForm* form =
        Screen != nullptr && Screen->ActiveForm() != nullptr ? Screen->ActiveForm() : mainForm_;
    if (form != nullptr && form->HandleAllocated()) SetForegroundWindow(form->WindowHandle());
}

void TApplication::ReleaseComponent(TComponent* component) {
    if (component == nullptr ||
        std::find(released_.begin(), released_.end(), component) != released_.end())
        return;
    released_.push_back(component);
    component->FreeNotification(this);
    PostMessageW(window_, CM_DEFERREDFREE, 0, 0);
}

void TApplication::DestroyWindowLater(HWND window) {
    PostMessageW(window_, CM_DESTROYWINDOW, reinterpret_cast<WPARAM>(window), 0);
}

void TApplication::FreeReleased() {
    std::vector<TComponent*> list;
    list.swap(released_);
    for (TComponent* c : list) {
        c->RemoveFreeNotification(this);
        delete c;
    }
}

void TApplication::Notification(TComponent* component, runtime::TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == runtime::opRemove)
        released_.erase(std::remove(released_.begin(), released_.end(), component),
                        released_.end());
}

void TApplication::ControlDestroying(TControl* control) {
    if (drag_) drag_->ControlDestroying(control);
    if (mouseControl_ == control) mouseControl_ = nullptr;
    if (captureControl_ == control) {
        captureControl_ = nullptr;
        ReleaseCapture();
    }
    if (hintControl_ == control) CancelHint();
    if (static_cast<TComponent*>(mainForm_) == control) mainForm_ = nullptr;
}

// ---- mouse and hints -----------------------------------------------------------------------

void TApplication::SetCaptureControl(TControl* control) {
    captureControl_ = control;
    if (control == nullptr) {
        ReleaseCapture();
        return;
    }
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win == nullptr) win = control->Parent();
    if (win != nullptr && win->HandleAllocated()) SetCapture(win->WindowHandle());
}

void TApplication::SetMouseControl(TControl* control) {
    if (control == mouseControl_) return;
    TControl* old = mouseControl_;
    mouseControl_ = control;
    if (old != nullptr) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    if (mouseControl_ != control) return;  // a handler moved it on
    if (control != nullptr) control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(control));
    SetHint(LongHintOf(control));
    TControl* owner = showHint_ ? HintOwner(control) : nullptr;
    if (owner == nullptr) {
        CancelHint();
        return;
    }
    if (hintActive_ && owner == hintControl_) return;
    const bool wasShowing = hintActive_;
    HideHint();
    StartHintTimer(wasShowing ? HintShortPause : HintPause);
}

void TApplication::SetShowHint(bool value) {
    showHint_ = value;
    if (!value) CancelHint();
}

void TApplication::SetHint(const std::string& value) {
    if (hint_ == value) return;
    hint_ = value;
    if (FireHint()) return;
    // Nobody listens: the hint travels as an action, which the hooks of the
    // application's window see (CM_ACTIONEXECUTE).
    THintAction action(nullptr);
    action.SetHint(value);
    action.Execute();
}

bool TApplication::FireHint() {
    bool fired = false;
    if (OnHint) {
        OnHint(this);
        fired = true;
    }
    if (!events_.empty())
        ForEachEvents([&](TApplicationEvents& e) {
            if (!e.OnHint) return;
            e.OnHint(this);
            fired = true;
        });
    return fired;
}

void TApplication::StartHintTimer(int delay) {
    SetTimer(window_, kHintTimer, static_cast<UINT>(std::max(1, delay)), nullptr);
    hintTimerRunning_ = true;
}

void TApplication::StopHintTimer() {
    if (hintTimerRunning_) KillTimer(window_, kHintTimer);
    hintTimerRunning_ = false;
}

void TApplication::HintTimerExpired() {
    StopHintTimer();
    if (hintActive_) {
        HideHint();
        return;
    }
    ActivateHint(mousePos_);
}

void TApplication::ActivateHint(TPoint cursorPos) {
    TControl* control = HintOwner(mouseControl_);
    if (control == nullptr || !showHint_) return;
    THintInfo info;
    info.HintControl = control;
    info.HintWindowClass = HintWindowClass;
    info.HintPos = {cursorPos.X, cursorPos.Y + GetSystemMetrics(SM_CYCURSOR) * 3 / 4};
    info.HintMaxWidth = Screen != nullptr ? Screen->Width() : 1024;
    info.HintColor = HintColor;
    info.CursorRect = control->ClientRect();
    info.CursorPos = control->ScreenToClient(cursorPos);
    info.HideTimeout = HintHidePause;
    info.HintStr = GetShortHint(control->Hint());
    if (control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0 ||
        info.HintStr.empty())
        return;
    if (!hintWindow_) {
        hintWindow_ = info.HintWindowClass ? info.HintWindowClass(nullptr)
                                           : std::make_unique<THintWindow>(nullptr);
    }
    hintWindow_->SetColor(info.HintColor);
    const TRect size = hintWindow_->MeasureHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    hintWindow_->ShowHintWithData(size.Offset(info.HintPos.X, info.HintPos.Y), info.HintStr,
                                  info.HintData);
    hintActive_ = true;
    hintControl_ = control;
    hintCursorRect_ = info.CursorRect;
    if (info.HideTimeout > 0) StartHintTimer(info.HideTimeout);
}

void TApplication::HideHint() {
    if (hintWindow_) hintWindow_->HideHint();
    hintActive_ = false;
    hintControl_ = nullptr;
}

void TApplication::CancelHint() {
    StopHintTimer();
    HideHint();
}

bool TApplication::IsHintMsg(const MSG& msg) {
    if (!hintActive_ && !hintTimerRunning_) return false;
    if (msg.message == WM_MOUSEMOVE && hintActive_ && hintControl_ != nullptr) {
        // Out of the part the hint is about: another part's hint follows.
        POINT p = {static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
        ClientToScreen(msg.hwnd, &p);
        if (!hintCursorRect_.Contains(hintControl_->ScreenToClient(ToTPoint(p)))) {
            HideHint();
            StartHintTimer(HintShortPause);
        }
        return false;
    }
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_NCLBUTTONDOWN:
        case WM_ACTIVATE:
        case WM_ACTIVATEAPP:
        case WM_MOUSEWHEEL:
            CancelHint();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace gui
