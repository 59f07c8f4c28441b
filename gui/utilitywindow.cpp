#include "gui/utilitywindow.h"

#include "gui/errors.h"

namespace gui {

namespace {
constexpr const wchar_t* kWindowClass = L"SerplowUtilityWindow";
}  // namespace

struct TUtilityWindow::State : std::enable_shared_from_this<State> {
    TWindowHook handler;
};

TUtilityWindow::TUtilityWindow(TWindowHook handler) : state_(std::make_shared<State>()) {
    state_->handler = std::move(handler);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    WNDCLASSW existing{};
    if (!GetClassInfoW(wc.hInstance, kWindowClass, &existing) && RegisterClassW(&wc) == 0)
        RaiseLastWin32Error("Cannot register the utility window class");
    // A hidden top-level window, so that broadcasts reach it too.
    window_.Reset(CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, wc.hInstance, nullptr));
    if (!window_) RaiseLastWin32Error("Cannot create a utility window");
    SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state_.get()));
}

TUtilityWindow::~TUtilityWindow() {
    SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK TUtilityWindow::WindowProc(HWND window, UINT msg, WPARAM wParam,
                                            LPARAM lParam) noexcept {
    auto* raw = reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (raw == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
    const std::shared_ptr<State> state = raw->shared_from_this();
    TMessage m{msg, wParam, lParam, 0};
    try {
        if (state->handler(m)) return m.Result;
    } catch (...) {
        try {
            if (Application != nullptr) Application->HandleException(nullptr);
        } catch (...) {
        }
        return 0;
    }
    return IsWindow(window) ? DefWindowProcW(window, msg, wParam, lParam) : 0;
}

}  // namespace gui
