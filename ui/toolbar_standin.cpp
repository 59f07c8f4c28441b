#include "ui/toolbar_standin.h"

#include <commctrl.h>

#include <algorithm>

#include "runtime/properties.h"

namespace ui {

namespace {

// Room on each side of a control in its gap.
constexpr int kControlMargin = 3;

}  // namespace

// ---- TToolControlItem ----------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TToolControlItem, gui::TToolButton)
RUNTIME_PROPERTY(Control, Control, SetControl);
RUNTIME_END_CLASS

TToolControlItem::TToolControlItem(runtime::TComponent* owner) : TToolButton(owner) {
    SetStyle(gui::tbsSeparator);
}

TToolControlItem::~TToolControlItem() {
    if (control_ != nullptr) control_->RemoveFreeNotification(this);
}

void TToolControlItem::SetControl(gui::TControl* value) {
    if (control_ == value) return;
    if (control_ != nullptr) control_->RemoveFreeNotification(this);
    control_ = value;
    if (value != nullptr) {
        value->FreeNotification(this);
        SetWidth(value->Width() + 2 * kControlMargin);
    }
    if (auto* bar = dynamic_cast<TToolBarStandIn*>(ToolBar())) bar->PlaceControls();
}

void TToolControlItem::Notification(runtime::TComponent* component, runtime::TOperation operation) {
    TToolButton::Notification(component, operation);
    if (operation == runtime::opRemove && component == control_) control_ = nullptr;
}

// ---- TToolBarStandIn -----------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TToolBarStandIn, gui::TToolBar)
RUNTIME_END_CLASS

GUI_BEGIN_MESSAGE_MAP(TToolBarStandIn)
GUI_MESSAGE(TB_AUTOSIZE, TBAutoSize)
GUI_MESSAGE(WM_SIZE, WMSize)
GUI_END_MESSAGE_MAP

TToolBarStandIn::TToolBarStandIn(runtime::TComponent* owner) : TToolBar(owner) {}

void TToolBarStandIn::CreateParams(gui::TCreateParams& params) {
    TToolBar::CreateParams(params);
    params.Style |= TBSTYLE_TRANSPARENT;
}

void TToolBarStandIn::Loaded() {
    TToolBar::Loaded();
    PlaceControls();
}

void TToolBarStandIn::TBAutoSize(gui::TMessage& msg) {
    // The platform bar answers TB_AUTOSIZE after every rebuild of its
    // buttons: the gaps may have moved.
    GUI_INHERITED(msg);
    PlaceControls();
}

void TToolBarStandIn::WMSize(gui::TMessage& msg) {
    GUI_INHERITED(msg);
    PlaceControls();
}

void TToolBarStandIn::PlaceControls() {
    if (placing_ || !HandleAllocated()) return;
    placing_ = true;
    const auto size = static_cast<DWORD>(SendMessageW(WindowHandle(), TB_GETBUTTONSIZE, 0, 0));
    const int buttonHeight = HIWORD(size);
    // The bar is as high as its buttons, with a little room around them.
    const int height = std::max(buttonHeight + 4, 24);
    if (Height() != height) SetHeight(height);
    for (int i = 0; i < ButtonCount(); ++i) {
        auto* item = dynamic_cast<TToolControlItem*>(Buttons(i));
        if (item == nullptr || item->control_ == nullptr) continue;
        gui::TControl& control = *item->control_;
        const int wanted = control.Width() + 2 * kControlMargin;
        if (item->Width() != wanted) item->SetWidth(wanted);
        const gui::TRect gap = ButtonRect(item);
        control.SetBounds(gap.Left + kControlMargin, (height - control.Height()) / 2,
                          control.Width(), control.Height());
    }
    placing_ = false;
}

}  // namespace ui
