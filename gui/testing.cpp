#include "gui/testing.h"

#include <algorithm>
#include <chrono>

#include "gui/application.h"
#include "gui/geometry_win.h"
#include "gui/init.h"
#include "runtime/classinfo.h"
#include "runtime/streams.h"
#include "runtime/strings.h"
#include "runtime/threads.h"

namespace gui::testing {

void EnsureGui() {
    static bool started = false;
    if (started) return;
    started = true;
    runtime::InitThreads();
    runtime::RegisterRuntimeClasses();
    gui::init();
}

void Pump() {
    // Messages that handlers post while this runs are handled too.
    for (int round = 0; round < 8; ++round) Application->ProcessMessages();
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Application->ProcessMessages();
        Application->ProcessIdle();
        if (done()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        // Woken by any message (timers, posted calls) or after a short while.
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<long long>(left, 20)), QS_ALLINPUT);
    }
}

namespace {

// The window a control's mouse messages go to and the point there.
HWND TargetOf(TControl& control, TPoint& point) {
    if (auto* win = dynamic_cast<TWinControl*>(&control)) return win->Handle();
    point = {point.X + control.Left(), point.Y + control.Top()};
    return control.Parent()->Handle();
}

TPoint Middle(const TControl& control) {
    return {control.Width() / 2, control.Height() / 2};
}

void PostMouse(TControl& control, TPoint at, UINT down, UINT up, WPARAM keys) {
    HWND window = TargetOf(control, at);
    PostMessageW(window, WM_MOUSEMOVE, 0, PointToLParam(at));
    PostMessageW(window, down, keys, PointToLParam(at));
    PostMessageW(window, up, 0, PointToLParam(at));
    Pump();
}

}  // namespace

void Click(TControl& control, std::optional<TPoint> at, TMouseButton button) {
    static constexpr UINT kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static constexpr UINT kUp[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    static constexpr WPARAM kKeys[] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON};
    PostMouse(control, at.value_or(Middle(control)), kDown[button], kUp[button], kKeys[button]);
}

void DoubleClick(TControl& control, std::optional<TPoint> at) {
    Click(control, at);
    PostMouse(control, at.value_or(Middle(control)), WM_LBUTTONDBLCLK, WM_LBUTTONUP, MK_LBUTTON);
}

void MouseMove(TControl& control, TPoint at) {
    // The real pointer goes there too: hints look where it is.
    const TPoint screen = control.ClientToScreen(at);
    SetCursorPos(screen.X, screen.Y);
    HWND window = TargetOf(control, at);
    PostMessageW(window, WM_MOUSEMOVE, 0, PointToLParam(at));
    Pump();
}

void ContextClick(TControl& control, std::optional<TPoint> at) {
    const TPoint client = at.value_or(Middle(control));
    const TPoint screen = control.ClientToScreen(client);
    TPoint local = client;
    HWND window = TargetOf(control, local);
    PostMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), PointToLParam(screen));
    Pump();
}

void Wheel(TWinControl& control, int delta, TShiftState shift) {
    WPARAM keys = 0;
    if (shift.Contains(runtime::ssShift)) keys |= MK_SHIFT;
    if (shift.Contains(runtime::ssCtrl)) keys |= MK_CONTROL;
    const TPoint screen = control.ClientToScreen(Middle(control));
    PostMessageW(control.Handle(), WM_MOUSEWHEEL,
                 MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))),
                 PointToLParam(screen));
    Pump();
}

void PressKey(uint16_t key, TShiftState shift, TWinControl* control) {
    HWND window = control != nullptr ? control->Handle() : GetFocus();
    BYTE state[256];
    GetKeyboardState(state);
    BYTE saved[256];
    std::copy(std::begin(state), std::end(state), saved);
    if (shift.Contains(runtime::ssShift)) state[VK_SHIFT] = 0x80;
    if (shift.Contains(runtime::ssCtrl)) state[VK_CONTROL] = 0x80;
    if (shift.Contains(runtime::ssAlt)) state[VK_MENU] = 0x80;
    SetKeyboardState(state);
    const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    const LPARAM down =
        1 | (static_cast<LPARAM>(scan) << 16) | (shift.Contains(runtime::ssAlt) ? (1 << 29) : 0);
    const UINT downMsg = shift.Contains(runtime::ssAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN;
    const UINT upMsg = shift.Contains(runtime::ssAlt) ? WM_SYSKEYUP : WM_KEYUP;
    PostMessageW(window, downMsg, key, down);
    PostMessageW(window, upMsg, key, down | (1u << 30) | (1u << 31));
    Pump();
    SetKeyboardState(saved);
}

void TypeText(const std::u16string& text, TWinControl* control) {
    HWND window = control != nullptr ? control->Handle() : GetFocus();
    for (char16_t c : text) PostMessageW(window, WM_CHAR, c, 1);
    Pump();
}

TWinControl* FocusedControl() {
    return TWinControl::FindControl(GetFocus());
}

std::unique_ptr<TBitmap> PaintControl(TWinControl& control) {
    control.HandleNeeded();
    auto bitmap = std::make_unique<TBitmap>(control.ClientWidth(), control.ClientHeight());
    control.PaintTo(bitmap->Canvas().Handle(), 0, 0);
    GdiFlush();
    return bitmap;
}

std::unique_ptr<TBitmap> CaptureWindow(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // Wine paints into a copy of the window and hands it to the X server
    // when the thread waits for input, without waiting for the server to
    // take it: read straight after the repaint, the screen may still show
    // the controls erased and their text not yet there. Letting the queue
    // run empty hands the finished copy over first.
    Pump();
    RECT r;
    GetWindowRect(window, &r);
    auto bitmap = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top);
    TWindowDC screen(nullptr);
    BitBlt(bitmap->Canvas().Handle(), 0, 0, r.right - r.left, r.bottom - r.top, screen.Get(),
           r.left, r.top, SRCCOPY);
    GdiFlush();
    return bitmap;
}

uint32_t PixelAt(const TBitmap& bitmap, int x, int y) {
    return bitmap.ScanLine(y)[x] & 0xFFFFFF;
}

void SavePng(const TBitmap& bitmap, const std::u16string& fileName) {
    const std::string png = EncodePng(bitmap);
    runtime::TFileStream file(fileName, runtime::fmCreate);
    file.WriteBuffer(png.data(), static_cast<int64_t>(png.size()));
}

// ---- TFakeDesktop --------------------------------------------------------------------------

int TFakeDesktop::MessageBox(HWND, const std::u16string& text, const std::u16string& caption,
                             UINT flags) {
    MessageBoxes.push_back({text, caption, flags});
    if (MessageBoxAnswers.empty()) return IDOK;
    const int answer = MessageBoxAnswers.front();
    MessageBoxAnswers.pop_front();
    return answer;
}

bool TFakeDesktop::FileDialog(TFileDialogRequest& request) {
    FileDialogs.push_back(request);
    if (FileDialogAnswers.empty()) return false;
    request.FileName = FileDialogAnswers.front();
    request.Files = {request.FileName};
    FileDialogAnswers.pop_front();
    return true;
}

bool TFakeDesktop::ShellOpen(HWND, const std::u16string& target, const std::u16string& parameters,
                             int showCommand) {
    ShellCalls.push_back({target, parameters, showCommand});
    return true;
}

void TFakeDesktop::SetClipboardText(const std::string& ansi, const std::u16string& wide) {
    ClipboardAnsi = ansi;
    ClipboardWide = wide;
    ClipboardSet = true;
}

std::optional<std::u16string> TFakeDesktop::ClipboardText() {
    if (!ClipboardSet) return std::nullopt;
    return ClipboardWide;
}

// ---- TDialogAnswerer -----------------------------------------------------------------------

namespace {
thread_local TDialogAnswerer* t_answerer = nullptr;
}

TDialogAnswerer::TDialogAnswerer(int button) : button_(button) {
    t_answerer = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

TDialogAnswerer::~TDialogAnswerer() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    t_answerer = nullptr;
}

LRESULT CALLBACK TDialogAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
    TDialogAnswerer* self = t_answerer;
    if (code == HCBT_ACTIVATE && self != nullptr && !self->answered_) {
        HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        if (std::wstring(className) == L"#32770") {
            wchar_t caption[256] = {};
            GetWindowTextW(window, caption, 256);
            self->caption_ = reinterpret_cast<const char16_t*>(caption);
            self->answered_ = true;
            // Pressed once the dialog runs its loop.
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(self->button_, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(window, self->button_)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// ---- TEventLog -----------------------------------------------------------------------------

bool TEventLog::Contains(const std::string& entry) const {
    return std::find(Entries.begin(), Entries.end(), entry) != Entries.end();
}

std::string TEventLog::Joined() const {
    std::string out;
    for (const std::string& e : Entries) {
        if (!out.empty()) out += "; ";
        out += e;
    }
    return out;
}

}  // namespace gui::testing
