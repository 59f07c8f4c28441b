#include "controls/tree/colormath.h"
#include "controls/tree/drawing.h"
#include "controls/tree/hintwindow.h"
#include "gui/handles.h"
#include "gui/screen.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace controls::tree {

std::u16string HintStringText(const std::string& hint) {
    std::u16string wide;
    if (DecodeWideHint(hint, wide)) return wide;
    return runtime::AnsiToWide(std::string_view(hint).substr(0, hint.find('\0')));
}

gui::TRect KeepOnWorkArea(gui::TRect r) {
    if (gui::Screen == nullptr) return r;
    const gui::TRect area = gui::Screen->WorkAreaFor(r);
    if (r.Bottom > area.Bottom) r = r.Offset(0, area.Bottom - r.Bottom);
    if (r.Right > area.Right) r = r.Offset(area.Right - r.Right, 0);
    if (r.Left < area.Left) r = r.Offset(area.Left - r.Left, 0);
    if (r.Top < area.Top) r = r.Offset(0, area.Top - r.Top);
    return r;
}

void PublishWideHint(gui::TControl& control, std::u16string_view hint) {
    control.SetHint(EncodeWideHint(hint));
}

bool PrepareWideHint(const gui::TControl& control, std::u16string_view hint, gui::THintInfo& info) {
    if (hint.empty()) {
        info.HintStr.clear();
        return false;
    }
    const bool shortChosen = info.HintStr != control.Hint();
    info.HintStr = EncodeWideHint(shortChosen ? std::u16string_view(ShortHintWide(hint)) : hint);
    info.HintWindowClass = [](runtime::TComponent* owner) -> std::unique_ptr<gui::THintWindow> {
        return std::make_unique<TGtHintWindow>(owner);
    };
    return true;
}

RUNTIME_BEGIN_CLASS(TGtHintWindow, gui::THintWindow)
RUNTIME_PROPERTY(WordWrap, WordWrap, SetWordWrap).Default(false);
RUNTIME_END_CLASS

TGtHintWindow::TGtHintWindow(runtime::TComponent* owner) : gui::THintWindow(owner) {}

UINT TGtHintWindow::Format() const {
    return DT_NOPREFIX | (wordWrap_ ? DT_WORDBREAK : 0);
}

gui::TRect TGtHintWindow::CalcHintRectWide(int maxWidth, std::u16string_view text) {
    gui::TWindowDC screen(nullptr);
    gui::TCanvas& canvas = Canvas();
    canvas.SetHandle(screen.Get());
    canvas.Font().Assign(Font());
    gui::TRect r{0, 0, maxWidth, 0};
    DrawTextWideEx(canvas.TextHandle(), text, DT_CALCRECT | Format(), r, nullptr);
    canvas.SetHandle(nullptr);
    r.Right += 6;
    r.Bottom += 2;
    return r;
}

void TGtHintWindow::ActivateHintWide(gui::TRect r, std::u16string_view text) {
    activating_ = true;
    SetWideCaption(text);
    r.Bottom += 4;
    r = KeepOnWorkArea(r);
    HWND window = Handle();
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
    SetWindowPos(window, HWND_TOPMOST, r.Left, r.Top, r.Width(), r.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    activating_ = false;
    Invalidate();
}

gui::TRect TGtHintWindow::MeasureHintRect(int maxWidth, const std::string& hint, void*) {
    return CalcHintRectWide(maxWidth, HintStringText(hint));
}

void TGtHintWindow::ShowHintText(const gui::TRect& rect, const std::string& hint) {
    ActivateHintWide(rect, HintStringText(hint));
}

void TGtHintWindow::Paint() {
    gui::TCanvas& canvas = Canvas();
    canvas.Brush().SetStyle(gui::bsClear);
    gui::TRect r = ClientRect();
    r.Left += 2;
    r.Top += 2;
    DrawTextWideEx(canvas.TextHandle(), WideCaption(), Format(), r, nullptr);
}

void TGtHintWindow::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    FitToText();
}

void TGtHintWindow::TextChanged() {
    gui::THintWindow::TextChanged();
    FitToText();
}

void TGtHintWindow::FitToText() {
    if (activating_) return;
    const gui::TRect r = CalcHintRectWide(10000, WideCaption());
    SetBounds(Left(), Top(), r.Width(), r.Height());
}

}  // namespace controls::tree
