#include "gui/hints.h"

#include <algorithm>

#include "gui/geometry_win.h"
#include "gui/screen.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace gui {

RUNTIME_BEGIN_CLASS(THintWindow, TCustomControl)
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(THintWindow)
GUI_MESSAGE(WM_NCHITTEST, WMNCHitTest)
GUI_MESSAGE(WM_MOUSEACTIVATE, WMMouseActivate)
GUI_END_MESSAGE_MAP

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    SetColor(clInfoBk);
    Font()->SetColor(clInfoText);
    SetVisible(false);
}

void THintWindow::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    params.WndParent = nullptr;
    params.WindowClass.style |= CS_SAVEBITS;
}

TRect THintWindow::TextRect() const {
    const TRect client = ClientRect();
    return {client.Left + 2, client.Top + 1, client.Right - 2, client.Bottom - 1};
}

namespace {

// A hint string is zero-terminated 8-bit text: controls that carry a wide
// hint put it after the zero.
std::u16string ShownText(const std::string& hint) {
    return runtime::AnsiToWide(std::string_view(hint).substr(0, hint.find('\0')));
}

}  // namespace

TRect THintWindow::MeasureHintRect(int maxWidth, const std::string& hint, void*) {
    HandleNeeded();
    TWindowDC screen(nullptr);
    Canvas().SetHandle(screen.Get());
    Canvas().Font().Assign(Font());
    TRect r{0, 0, maxWidth, 0};
    Canvas().DrawText(ShownText(hint), r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    Canvas().SetHandle(nullptr);
    // The border and the margins around the text.
    return {0, 0, r.Right + 6, r.Bottom + 4};
}

void THintWindow::ShowHintText(const TRect& rect, const std::string& hint) {
    SetTextW(ShownText(hint));
    TRect r = rect;
    // Kept on the work area of the monitor the hint is on.
    if (Screen != nullptr) {
        const TRect area = Screen->WorkAreaFor(r);
        if (r.Right > area.Right) r = r.Offset(area.Right - r.Right, 0);
        if (r.Bottom > area.Bottom) r = r.Offset(0, area.Bottom - r.Bottom);
        if (r.Left < area.Left) r = r.Offset(area.Left - r.Left, 0);
        if (r.Top < area.Top) r = r.Offset(0, area.Top - r.Top);
    }
    HWND window = Handle();
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
    SetWindowPos(window, HWND_TOPMOST, r.Left, r.Top, r.Width(), r.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
}

void THintWindow::ShowHintWithData(const TRect& rect, const std::string& hint, void*) {
    ShowHintText(rect, hint);
}

void THintWindow::HideHint() {
    if (HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
}

bool THintWindow::IsShowing() const {
    return HandleAllocated() && IsWindowVisible(WindowHandle());
}

void THintWindow::Paint() {
    TRect r = TextRect();
    Canvas().Font().Assign(Font());
    Canvas().Brush().SetStyle(bsClear);
    Canvas().DrawText(TextW(), r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

void THintWindow::WMNCHitTest(TMessage& msg) {
    msg.Result = HTTRANSPARENT;
}

void THintWindow::WMMouseActivate(TMessage& msg) {
    msg.Result = MA_NOACTIVATE;
}

}  // namespace gui
