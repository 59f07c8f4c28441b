#include <algorithm>

#include "gui/comctrls.h"
#include "runtime/properties.h"

namespace gui {

// ---- TProgressBar --------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TProgressBar, TWinControl)
RUNTIME_PROPERTY(Max, Max, SetMax).Default(100);
RUNTIME_PROPERTY(Min, Min, SetMin).Default(0);
RUNTIME_PROPERTY(Orientation, Orientation, SetOrientation).Default(pbHorizontal);
RUNTIME_PROPERTY(Position, Position, SetPosition).Default(0);
RUNTIME_PROPERTY(Smooth, Smooth, SetSmooth).Default(false);
RUNTIME_PROPERTY(Step, Step, SetStep).Default(10);
RUNTIME_END_CLASS

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"msctls_progress32";
    if (smooth_) params.Style |= PBS_SMOOTH;
    if (orientation_ == pbVertical) params.Style |= PBS_VERTICAL;
}

void TProgressBar::CreateHandleDone() {
    HWND window = WindowHandle();
    SendMessageW(window, PBM_SETRANGE32, static_cast<WPARAM>(min_), max_);
    SendMessageW(window, PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
    SendMessageW(window, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetMin(int value) {
    min_ = value;
    if (max_ < min_) max_ = min_;
    position_ = std::clamp(position_, min_, max_);
    if (HandleAllocated()) CreateHandleDone();
}

void TProgressBar::SetMax(int value) {
    max_ = value;
    if (min_ > max_) min_ = max_;
    position_ = std::clamp(position_, min_, max_);
    if (HandleAllocated()) CreateHandleDone();
}

int TProgressBar::Position() const {
    if (HandleAllocated()) return static_cast<int>(SendMessageW(WindowHandle(), PBM_GETPOS, 0, 0));
    return position_;
}

void TProgressBar::SetPosition(int value) {
    position_ = std::clamp(value, min_, max_);
    if (HandleAllocated())
        SendMessageW(WindowHandle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetStep(int value) {
    step_ = value;
    if (HandleAllocated()) SendMessageW(WindowHandle(), PBM_SETSTEP, static_cast<WPARAM>(value), 0);
}

void TProgressBar::SetSmooth(bool value) {
    if (smooth_ == value) return;
    smooth_ = value;
    RecreateWnd();
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
    if (orientation_ == value) return;
    orientation_ = value;
    RecreateWnd();
}

void TProgressBar::StepIt() {
    StepBy(step_);
}

void TProgressBar::StepBy(int delta) {
    // Past the end the bar starts again from the beginning, as the common
    // control does.
    const int range = max_ - min_;
    int position = Position() + delta;
    if (range > 0 && position > max_) position = min_ + (position - min_) % range;
    if (position < min_) position = min_;
    SetPosition(position);
}

// ---- TUpDown -------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TUpDown, TWinControl)
RUNTIME_PROPERTY(ArrowKeys, ArrowKeys, SetArrowKeys).Default(true);
RUNTIME_PROPERTY(Associate, Associate, SetAssociate);
RUNTIME_PROPERTY(Increment, Increment, SetIncrement).Default(1);
RUNTIME_PROPERTY(Max, Max, SetMax).Default(100);
RUNTIME_PROPERTY(Min, Min, SetMin).Default(0);
RUNTIME_PROPERTY(Orientation, Orientation, SetOrientation).Default(udVertical);
RUNTIME_PROPERTY(Position, Position, SetPosition).Default(0);
RUNTIME_PROPERTY(Thousands, Thousands, SetThousands).Default(true);
RUNTIME_PROPERTY(Wrap, Wrap, SetWrap).Default(false);
RUNTIME_FIELD(OnChanging);
RUNTIME_FIELD(OnClick);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TUpDown)
GUI_MESSAGE(CN_NOTIFY, CNNotify)
GUI_MESSAGE(CN_VSCROLL, CNScroll)
GUI_MESSAGE(CN_HSCROLL, CNScroll)
GUI_END_MESSAGE_MAP

TUpDown::TUpDown(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 17, 25);
}

void TUpDown::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"msctls_updown32";
    params.Style |= UDS_SETBUDDYINT;
    if (arrowKeys_) params.Style |= UDS_ARROWKEYS;
    if (wrap_) params.Style |= UDS_WRAP;
    if (!thousands_) params.Style |= UDS_NOTHOUSANDS;
    if (orientation_ == udHorizontal) params.Style |= UDS_HORZ;
}

void TUpDown::CreateHandleDone() {
    HWND window = WindowHandle();
    SendMessageW(window, UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
    UDACCEL accel{0, static_cast<UINT>(increment_)};
    SendMessageW(window, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    if (associate_ != nullptr)
        SendMessageW(window, UDM_SETBUDDY, reinterpret_cast<WPARAM>(associate_->Handle()), 0);
    SendMessageW(window, UDM_SETPOS32, 0, position_);
}

void TUpDown::SetAssociate(TWinControl* value) {
    if (associate_ != nullptr) associate_->RemoveFreeNotification(this);
    associate_ = value;
    if (value != nullptr) value->FreeNotification(this);
    if (HandleAllocated())
        SendMessageW(WindowHandle(), UDM_SETBUDDY,
                     reinterpret_cast<WPARAM>(value != nullptr ? value->Handle() : nullptr), 0);
    if (value != nullptr) value->SetText(std::to_string(position_));
}

void TUpDown::Notification(TComponent* component, runtime::TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == runtime::opRemove && component == associate_) associate_ = nullptr;
}

void TUpDown::SetMin(int value) {
    min_ = value;
    if (HandleAllocated()) CreateHandleDone();
}

void TUpDown::SetMax(int value) {
    max_ = value;
    if (HandleAllocated()) CreateHandleDone();
}

int TUpDown::Position() const {
    if (HandleAllocated())
        return static_cast<int>(SendMessageW(WindowHandle(), UDM_GETPOS32, 0, 0));
    return position_;
}

void TUpDown::SetPosition(int value) {
    position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    if (HandleAllocated()) SendMessageW(WindowHandle(), UDM_SETPOS32, 0, position_);
    if (associate_ != nullptr) associate_->SetText(std::to_string(position_));
}

void TUpDown::SetIncrement(int value) {
    increment_ = value;
    if (HandleAllocated()) CreateHandleDone();
}

void TUpDown::SetWrap(bool value) {
    if (wrap_ == value) return;
    wrap_ = value;
    RecreateWnd();
}

void TUpDown::SetArrowKeys(bool value) {
    if (arrowKeys_ == value) return;
    arrowKeys_ = value;
    RecreateWnd();
}

void TUpDown::SetThousands(bool value) {
    if (thousands_ == value) return;
    thousands_ = value;
    RecreateWnd();
}

void TUpDown::SetOrientation(TUDOrientation value) {
    if (orientation_ == value) return;
    orientation_ = value;
    RecreateWnd();
}

void TUpDown::CNNotify(TMessage& msg) {
    const auto* header = reinterpret_cast<const NMHDR*>(msg.LParam);
    if (header->code != UDN_DELTAPOS) return;
    bool allow = true;
    OnChanging(this, allow);
    msg.Result = allow ? FALSE : TRUE;
}

void TUpDown::CNScroll(TMessage& msg) {
    if (LOWORD(msg.WParam) != SB_THUMBPOSITION) return;
    const int now = static_cast<int>(SendMessageW(WindowHandle(), UDM_GETPOS32, 0, 0));
    const TUDBtnType button = now >= position_ ? btNext : btPrev;
    position_ = now;
    OnClick(this, button);
}

}  // namespace gui
