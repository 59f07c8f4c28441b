#include "gui/stdctrls.h"
#include "runtime/properties.h"

namespace gui {

// ---- TButtonControl ------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TButtonControl, TWinControl)
RUNTIME_PROPERTY(Caption, Text, SetText);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TButtonControl)
GUI_MESSAGE(CN_COMMAND, CNCommand)
GUI_MESSAGE(CM_DIALOGCHAR, CMDialogChar)
GUI_END_MESSAGE_MAP

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    // Clicks come from the system (BN_CLICKED), which also holds the mouse.
    SetControlStyle({csSetCaption, csDoubleClicks});
    SetTabStop(true);
}

void TButtonControl::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.SystemClassName = u"BUTTON";
}

void TButtonControl::CNCommand(TMessage& msg) {
    if (HIWORD(msg.WParam) == BN_CLICKED) ButtonClicked();
}

void TButtonControl::CMDialogChar(TMessage& msg) {
    if (IsAccel(static_cast<char16_t>(msg.WParam), TextW()) && CanFocus()) {
        SetFocus();
        ButtonClicked();
        msg.Result = 1;
    }
}

// ---- TButton -------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TButton, TButtonControl)
RUNTIME_PROPERTY(Cancel, Cancel, SetCancel).Default(false);
RUNTIME_PROPERTY(Default, Default, SetDefault).Default(false);
RUNTIME_PROPERTY(ModalResult, ModalResult, SetModalResult).Default(mrNone);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TButton)
GUI_MESSAGE(CM_DIALOGKEY, CMDialogKey)
GUI_MESSAGE(CM_FOCUSCHANGED, CMFocusChanged)
GUI_END_MESSAGE_MAP

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
    if (default_ == value) return;
    default_ = value;
    TCustomForm* form = GetParentForm(this);
    TWinControl* focused = form != nullptr ? form->ActiveControl() : nullptr;
    SetActive(value && (focused == nullptr || dynamic_cast<TButton*>(focused) == nullptr));
}

void TButton::SetActive(bool value) {
    if (active_ == value) return;
    active_ = value;
    if (HandleAllocated())
        SendMessageW(WindowHandle(), BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CMFocusChanged(TMessage& msg) {
    // The focused button takes Enter; without one the default button does.
    auto* focused = reinterpret_cast<TControl*>(msg.LParam);
    if (dynamic_cast<TButton*>(focused) != nullptr)
        SetActive(focused == this);
    else
        SetActive(default_);
}

void TButton::CMDialogKey(TMessage& msg) {
    const auto key = static_cast<uint16_t>(msg.WParam);
    if (((key == VK_RETURN && active_) || (key == VK_ESCAPE && cancel_)) &&
        KeyDataToShiftState(msg.LParam).Empty() && CanFocus()) {
        Click();
        msg.Result = 1;
    }
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this); form != nullptr && modalResult_ != mrNone)
        form->SetModalResult(modalResult_);
    TButtonControl::Click();
}

// ---- TCheckBox -----------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TCheckBox, TButtonControl)
RUNTIME_PROPERTY(Alignment, Alignment, SetAlignment).Default(taRightJustify);
RUNTIME_PROPERTY(AllowGrayed, AllowGrayed, SetAllowGrayed).Default(false);
RUNTIME_PROPERTY(Checked, Checked, SetChecked).Stored(false);
RUNTIME_PROPERTY(State, State, SetState).Default(cbUnchecked);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_END_CLASS

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 97, 17);
}

void TCheckBox::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= BS_3STATE;
    if (alignment_ == taLeftJustify) params.Style |= BS_LEFTTEXT;
}

void TCheckBox::CreateHandleDone() {
    SendMessageW(WindowHandle(), BM_SETCHECK, state_, 0);
}

void TCheckBox::SetState(TCheckBoxState value) {
    if (state_ == value) return;
    state_ = value;
    if (HandleAllocated()) SendMessageW(WindowHandle(), BM_SETCHECK, value, 0);
    if (!ComponentState().Contains(runtime::csLoading)) Click();
}

void TCheckBox::SetAlignment(TAlignment value) {
    if (alignment_ == value) return;
    alignment_ = value;
    RecreateWnd();
}

void TCheckBox::ButtonClicked() {
    switch (state_) {
        case cbUnchecked:
            SetState(allowGrayed_ ? cbGrayed : cbChecked);
            break;
        case cbGrayed:
            SetState(cbChecked);
            break;
        default:
            SetState(cbUnchecked);
            break;
    }
}

// ---- TRadioButton --------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TRadioButton, TButtonControl)
RUNTIME_PROPERTY(Alignment, Alignment, SetAlignment).Default(taRightJustify);
RUNTIME_PROPERTY(Checked, Checked, SetChecked).Default(false);
RUNTIME_PROPERTY(TabStop, TabStop, SetTabStop).Default(true);
RUNTIME_END_CLASS

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= BS_RADIOBUTTON;
    if (alignment_ == taLeftJustify) params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateHandleDone() {
    SendMessageW(WindowHandle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool value) {
    if (checked_ == value) return;
    checked_ = value;
    if (HandleAllocated())
        SendMessageW(WindowHandle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!value) return;
    if (Parent() != nullptr) {
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
                other != nullptr && other != this)
                other->SetChecked(false);
    }
    if (!ComponentState().Contains(runtime::csLoading)) Click();
}

void TRadioButton::SetAlignment(TAlignment value) {
    if (alignment_ == value) return;
    alignment_ = value;
    RecreateWnd();
}

void TRadioButton::ButtonClicked() {
    SetChecked(true);
}

// ---- TGroupBox -----------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TGroupBox, TCustomControl)
RUNTIME_PROPERTY(Caption, Text, SetText);
RUNTIME_END_CLASS

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks,
                     csParentBackground});
    SetBounds(0, 0, 185, 105);
}

void TGroupBox::AdjustClientRect(TRect& rect) const {
    TWindowDC screen(nullptr);
    TSelectObject font(screen.Get(), Font()->Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(screen.Get(), &tm);
    rect = {rect.Left + 2, rect.Top + tm.tmHeight + 2, rect.Right - 2, rect.Bottom - 2};
}

void TGroupBox::Paint() {
    TCanvas& canvas = Canvas();
    canvas.Font().Assign(Font());
    const int textHeight = canvas.TextHeight("0");
    RECT frame{0, textHeight / 2, Width(), Height()};
    DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
    if (TextW().empty()) return;
    TRect caption{8, 0, 0, textHeight};
    canvas.DrawText(TextW(), caption, DT_CALCRECT | DT_SINGLELINE);
    caption = caption.Inflate(1, 0);
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(caption);
    caption = caption.Inflate(-1, 0);
    canvas.Brush().SetStyle(bsClear);
    if (!Enabled()) canvas.Font().SetColor(clGrayText);
    canvas.DrawText(TextW(), caption, DT_SINGLELINE);
}

}  // namespace gui
