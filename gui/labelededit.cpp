#include "gui/extctrls.h"
#include "runtime/properties.h"

namespace gui {

RUNTIME_BEGIN_CLASS(TLabeledEdit, TCustomEdit)
RUNTIME_READONLY(EditLabel, EditLabel);
RUNTIME_PROPERTY(LabelPosition, LabelPosition, SetLabelPosition).Default(lpAbove);
RUNTIME_PROPERTY(LabelSpacing, LabelSpacing, SetLabelSpacing).Default(3);
RUNTIME_END_CLASS

TLabeledEdit::TLabeledEdit(TComponent* owner) : TCustomEdit(owner), label_(new TLabel(this)) {
    label_->SetName("SubLabel");
    label_->SetFocusControl(this);
    label_->OnResize = [this](TObject*) { PlaceLabel(); };
}

TLabeledEdit::~TLabeledEdit() {
    if (label_ != nullptr) label_->OnResize.Clear();
}

void TLabeledEdit::Notification(TComponent* component, runtime::TOperation operation) {
    TCustomEdit::Notification(component, operation);
    if (operation == runtime::opRemove && component == label_) label_ = nullptr;
}

void TLabeledEdit::SetParent(TWinControl* parent) {
    TCustomEdit::SetParent(parent);
    if (label_ == nullptr) return;
    label_->SetParent(parent);
    PlaceLabel();
}

void TLabeledEdit::SetLabelPosition(TLabelPosition value) {
    labelPosition_ = value;
    PlaceLabel();
}

void TLabeledEdit::SetLabelSpacing(int value) {
    labelSpacing_ = value;
    PlaceLabel();
}

void TLabeledEdit::BoundsChanged(bool resized) {
    TCustomEdit::BoundsChanged(resized);
    PlaceLabel();
}

void TLabeledEdit::VisibleChanged() {
    TCustomEdit::VisibleChanged();
    if (label_ != nullptr) label_->SetVisible(Visible());
}

void TLabeledEdit::EnabledChanged() {
    TCustomEdit::EnabledChanged();
    if (label_ != nullptr) label_->SetEnabled(Enabled());
}

void TLabeledEdit::PlaceLabel() {
    if (label_ == nullptr) return;
    const int w = label_->Width();
    const int h = label_->Height();
    switch (labelPosition_) {
        case lpAbove:
            label_->SetBounds(Left(), Top() - h - labelSpacing_, w, h);
            break;
        case lpBelow:
            label_->SetBounds(Left(), Top() + Height() + labelSpacing_, w, h);
            break;
        case lpLeft:
            label_->SetBounds(Left() - w - labelSpacing_, Top() + (Height() - h) / 2, w, h);
            break;
        case lpRight:
            label_->SetBounds(Left() + Width() + labelSpacing_, Top() + (Height() - h) / 2, w, h);
            break;
    }
}

}  // namespace gui
