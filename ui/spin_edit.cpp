#include "ui/spin_edit.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "runtime/format.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace ui {

namespace {

// The arrows' range: they stay in its middle and only report direction.
constexpr int kArrowRange = 100;

std::string ValueText(double value) {
    if (value == std::trunc(value) && std::abs(value) < 1e15)
        return std::to_string(static_cast<int64_t>(value));
    return runtime::FloatToStr(value);
}

}  // namespace

RUNTIME_BEGIN_CLASS(TSpinEditStandIn, gui::TCustomEdit)
RUNTIME_PROPERTY(ButtonKind, ButtonKind, SetButtonKind).Default(bkStandard);
RUNTIME_PROPERTY(Increment, Increment, SetIncrement);
RUNTIME_PROPERTY(MaxValue, MaxValue, SetMaxValue);
RUNTIME_PROPERTY(MinValue, MinValue, SetMinValue);
RUNTIME_PROPERTY(Value, Value, SetValue);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TSpinEditStandIn)
GUI_MESSAGE(WM_NOTIFY, WMNotify)
GUI_MESSAGE(WM_SIZE, WMSize)
GUI_MESSAGE(WM_MOUSEWHEEL, WMMouseWheel)
GUI_END_MESSAGE_MAP

TSpinEditStandIn::TSpinEditStandIn(runtime::TComponent* owner) : TCustomEdit(owner) {
    SetBounds(0, 0, 121, 21);
    ShowValue();
}

double TSpinEditStandIn::Clamped(double value) const {
    if (minValue_ == maxValue_) return value;
    return std::clamp(value, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
}

void TSpinEditStandIn::SetMinValue(double value) {
    minValue_ = value;
    SetValue(value_);
}

void TSpinEditStandIn::SetMaxValue(double value) {
    maxValue_ = value;
    SetValue(value_);
}

void TSpinEditStandIn::SetValue(double value) {
    value_ = Clamped(value);
    ShowValue();
}

int32_t TSpinEditStandIn::GetAsInteger() const {
    const double t = std::trunc(value_);
    if (t >= 2147483647.0) return INT32_MAX;
    if (t <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(t);
}

void TSpinEditStandIn::Step(int steps) {
    SetValue(value_ + increment_ * steps);
    SelectAll();
}

void TSpinEditStandIn::ShowValue() {
    const std::string text = ValueText(value_);
    if (Text() == text) return;
    showing_ = true;
    SetText(text);
    showing_ = false;
}

void TSpinEditStandIn::Change() {
    // Typing changes the value as soon as the text reads as a number.
    if (!showing_) {
        double typed = 0;
        if (runtime::TryStrToFloat(runtime::Trim(Text()), typed)) value_ = Clamped(typed);
    }
    TCustomEdit::Change();
}

void TSpinEditStandIn::DoExit() {
    ShowValue();
    TCustomEdit::DoExit();
}

void TSpinEditStandIn::KeyDown(uint16_t& key, runtime::TShiftState shift) {
    if (key == VK_UP || key == VK_DOWN) {
        Step(key == VK_UP ? 1 : -1);
        key = 0;
        return;
    }
    TCustomEdit::KeyDown(key, shift);
}

void TSpinEditStandIn::CreateHandleDone() {
    TCustomEdit::CreateHandleDone();
    arrows_ = CreateWindowExW(0, UPDOWN_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                              WindowHandle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(arrows_, UDM_SETRANGE32, 0, kArrowRange);
    SendMessageW(arrows_, UDM_SETPOS32, 0, kArrowRange / 2);
    PlaceArrows();
}

void TSpinEditStandIn::DestroyWnd() {
    // The arrows go with the edit's window.
    arrows_ = nullptr;
    TCustomEdit::DestroyWnd();
}

void TSpinEditStandIn::PlaceArrows() {
    if (arrows_ == nullptr) return;
    RECT client{};
    GetClientRect(WindowHandle(), &client);
    const int width = std::min<int>(GetSystemMetrics(SM_CXVSCROLL), client.right);
    MoveWindow(arrows_, client.right - width, 0, width, client.bottom, TRUE);
    // The text stays clear of the arrows.
    SendMessageW(WindowHandle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, width + 1));
}

void TSpinEditStandIn::WMSize(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    PlaceArrows();
}

void TSpinEditStandIn::WMNotify(gui::TMessage& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.LParam);
    if (arrows_ != nullptr && header->hwndFrom == arrows_ && header->code == UDN_DELTAPOS) {
        const auto* change = reinterpret_cast<const NMUPDOWN*>(msg.LParam);
        if (!ReadOnly() && Enabled()) Step(change->iDelta > 0 ? 1 : -1);
        // The arrows keep their middle position.
        msg.Result = TRUE;
        return;
    }
    GUI_INHERITED(msg);
}

void TSpinEditStandIn::WMMouseWheel(gui::TMessage& msg) {
    const auto delta = static_cast<short>(HIWORD(msg.WParam));
    if (delta != 0 && !ReadOnly() && Enabled()) Step(delta > 0 ? 1 : -1);
}

}  // namespace ui
