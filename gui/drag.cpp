#include "gui/drag.h"

#include "gui/application.h"
#include "gui/controls.h"
#include "gui/dragmanager.h"
#include "runtime/properties.h"

namespace gui {

namespace {

// The application's drag (nullptr before it is made and once it is gone).
TDragManager* Manager() {
    return Application != nullptr ? Application->DragManager() : nullptr;
}

}  // namespace

// ---- drag objects ------------------------------------------------------------------------------

RUNTIME_BEGIN_CLASS(TDragObject, runtime::TObject)
RUNTIME_END_CLASS

RUNTIME_BEGIN_CLASS(TDragControlObject, TDragObject)
RUNTIME_END_CLASS

TDragObject::TDragObject() = default;

TDragObject::~TDragObject() {
    // An object its supplier frees while it is being dragged ends the drag.
    if (TDragManager* drag = Manager()) drag->ObjectDestroying(this);
}

TCursor TDragObject::GetDragCursor(bool accepted, int, int) {
    return accepted ? crDrag : crNoDrop;
}

void TDragObject::HideDragImage() {
    TDragManager* drag = Manager();
    if (drag != nullptr && drag->Object() == this) drag->HideImage();
}

void TDragObject::ShowDragImage() {
    TDragManager* drag = Manager();
    if (drag != nullptr && drag->Object() == this) drag->ShowImage();
}

void TDragObject::Finished(TObject*, int, int, bool) {}

TDragControlObject::TDragControlObject(TControl* control) : control_(control) {}

TObject* TDragControlObject::Source() {
    return control_ != nullptr ? static_cast<TObject*>(control_) : this;
}

TCursor TDragControlObject::GetDragCursor(bool accepted, int x, int y) {
    if (accepted && control_ != nullptr) return control_->DragCursor();
    return TDragObject::GetDragCursor(accepted, x, y);
}

TCustomImageList* TDragControlObject::GetDragImages() {
    return control_ != nullptr ? control_->GetDragImages() : nullptr;
}

void TDragControlObject::Finished(TObject* target, int x, int y, bool accepted) {
    if (control_ == nullptr) return;
    if (!accepted) {
        target = nullptr;
        x = y = 0;
    }
    control_->DoEndDrag(target, x, y);
}

TDragObject* CurrentDragObject() {
    TDragManager* drag = Manager();
    return drag != nullptr ? drag->Object() : nullptr;
}

void CancelDrag() {
    if (TDragManager* drag = Manager()) drag->End(false);
}

// ---- the control's part ------------------------------------------------------------------------

void TControl::BeginDrag(bool immediate, int threshold) {
    if (TDragManager* drag = Manager()) drag->Begin(*this, immediate, threshold);
}

void TControl::EndDrag(bool drop) {
    if (Dragging()) Manager()->End(drop);
}

bool TControl::Dragging() const {
    const TDragManager* drag = Manager();
    return drag != nullptr && drag->Source() == this;
}

void TControl::DoStartDrag(TDragObject*& dragObject) {
    OnStartDrag(this, dragObject);
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = static_cast<bool>(OnDragOver);
    OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y) {
    OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
    OnEndDrag(this, target, x, y);
}

void TControl::CMDrag(TMessage& msg) {
    const auto* drag = reinterpret_cast<const TDragRec*>(msg.LParam);
    const TPoint p = ScreenToClient(drag->Pos);
    TObject* source = drag->Source->Source();
    bool accept = false;
    switch (static_cast<TDragMessage>(msg.WParam)) {
        case dmDragEnter:
            DragOver(source, p.X, p.Y, dsDragEnter, accept);
            break;
        case dmDragLeave:
            DragOver(source, p.X, p.Y, dsDragLeave, accept);
            break;
        case dmDragMove:
            DragOver(source, p.X, p.Y, dsDragMove, accept);
            break;
        case dmDragDrop:
            DragDrop(source, p.X, p.Y);
            break;
        case dmDragCancel:
            break;
    }
    msg.Result = accept ? 1 : 0;
}

}  // namespace gui
