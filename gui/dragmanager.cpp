#include "gui/dragmanager.h"

#include <cstdlib>
#include <exception>

#include "gui/application.h"
#include "gui/controls.h"
#include "gui/geometry_win.h"
#include "gui/imagelist.h"
#include "gui/screen.h"

namespace gui {

namespace {

TPoint ScreenPoint(const MSG& msg) {
    POINT p = ToPOINT(PointFromLParam(msg.lParam));
    ClientToScreen(msg.hwnd, &p);
    return ToTPoint(p);
}

// The window a control's mouse messages arrive at.
HWND WindowOf(TControl& control) {
    if (auto* win = dynamic_cast<TWinControl*>(&control)) return win->WindowHandle();
    return control.Parent() != nullptr ? control.Parent()->WindowHandle() : nullptr;
}

bool IsButtonUp(UINT msg) {
    return msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP;
}

bool IsButtonDown(UINT msg) {
    return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
           msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
}

}  // namespace

TDragManager::TDragManager(HWND captureWindow) : window_(captureWindow) {}

TDragManager::~TDragManager() {
    phase_ = Phase::Idle;
    StopImage();
    if (GetCapture() == window_) ReleaseCapture();
    object_ = nullptr;
    owned_.reset();
}

// ---- beginning
// -----------------------------------------------------------------------------------

void TDragManager::Begin(TControl& source, bool immediate, int threshold) {
    if (phase_ != Phase::Idle || source.ComponentState().Contains(runtime::csDestroying)) return;
    ++serial_;
    source_ = &source;
    threshold_ = threshold < 0 ? kDefaultDragThreshold : threshold;
    start_ = pos_ = Application->MousePos();
    phase_ = Phase::Pending;
    if (immediate) Activate(WindowOf(source));
}

void TDragManager::Activate(HWND where) {
    const unsigned serial = serial_;
    phase_ = Phase::Active;
    Application->CancelHint();
    // From here the drag has the pointer: the control pressed gets no
    // release, so no click.
    source_->clicked_ = false;
    if (Application->CaptureControl() != nullptr) Application->SetCaptureControl(nullptr);
    SetCapture(window_);

    TDragObject* object = nullptr;
    try {
        source_->DoStartDrag(object);
    } catch (...) {
        if (object != nullptr && object->AutoFree()) delete object;
        if (serial == serial_) Reset();
        throw;
    }
    if (!Live(serial)) {  // ended (or its source freed) while it started
        if (object != nullptr && object->AutoFree()) delete object;
        return;
    }
    if (object == nullptr) {
        owned_ = std::make_unique<TDragControlObject>(source_);
        object = owned_.get();
    } else if (object->AutoFree()) {
        owned_.reset(object);
    }
    object_ = object;
    object_->dragPos_ = pos_;
    StartImage();
    if (!Live(serial)) return;
    DragTo(pos_, TargetAt(where, pos_));
}

// ---- the loop's messages
// -------------------------------------------------------------------------

bool TDragManager::FilterMessage(const MSG& msg) {
    // While OnStartDrag runs (object_ not yet known) messages go their way.
    if (phase_ != Phase::Pending && (phase_ != Phase::Active || object_ == nullptr)) return false;
    try {
        return phase_ == Phase::Pending ? FilterPending(msg) : FilterActive(msg);
    } catch (...) {
        Abort();
        Application->HandleException(Application);
        return true;
    }
}

bool TDragManager::FilterPending(const MSG& msg) {
    if (msg.message == WM_MOUSEMOVE) {
        // The button came up where the program did not see it.
        if ((msg.wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) {
            Reset();
            return false;
        }
        const TPoint pos = ScreenPoint(msg);
        if (std::abs(pos.X - start_.X) < threshold_ && std::abs(pos.Y - start_.Y) < threshold_)
            return false;
        pos_ = pos;
        Activate(msg.hwnd);
        return true;
    }
    if (IsButtonUp(msg.message)) {
        // Released before the drag began: the release is the control's.
        Reset();
        return false;
    }
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && msg.wParam == VK_ESCAPE) {
        Reset();
        return true;
    }
    return false;
}

bool TDragManager::FilterActive(const MSG& msg) {
    const unsigned serial = serial_;
    switch (msg.message) {
        case WM_MOUSEMOVE: {
            const TPoint pos = ScreenPoint(msg);
            DragTo(pos, TargetAt(msg.hwnd, pos));
            return true;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
            if (down && msg.wParam == VK_ESCAPE)
                Finish(false);
            else if (msg.wParam == VK_CONTROL || msg.wParam == VK_SHIFT)
                DragTo(pos_, target_ != nullptr ? target_ : TargetAt(nullptr, pos_));
            return true;
        }
        case WM_CHAR:
        case WM_SYSCHAR:
        case WM_DEADCHAR:
        case WM_SYSDEADCHAR:
            return true;
        default:
            break;
    }
    if (IsButtonUp(msg.message)) {
        const TPoint pos = ScreenPoint(msg);
        if (pos != pos_) DragTo(pos, TargetAt(msg.hwnd, pos));
        if (Live(serial)) Finish(true);
        return true;
    }
    return IsButtonDown(msg.message);
}

void TDragManager::CaptureLost() {
    End(false);
}

// ---- moving ------------------------------------------------------------------------------------

TControl* TDragManager::TargetAt(HWND window, TPoint screen) const {
    TControl* target = nullptr;
    if (window != nullptr && window != window_) {
        // A message addressed to one of the program's windows rather than
        // to the capture window (as the user's input is during a drag)
        // names the window under the pointer itself.
        TWinControl* control = nullptr;
        for (HWND w = window; w != nullptr && control == nullptr; w = GetParent(w))
            control = TWinControl::FindControl(w);
        if (control != nullptr) {
            const TPoint client = control->ScreenToClient(screen);
            if (control->ClientRect().Contains(client)) {
                TControl* child = control->ControlAtPos(client);
                target = child != nullptr ? child : control;
            }
        }
    }
    if (target == nullptr) target = FindControlAtPoint(screen);
    while (target != nullptr && !target->Enabled()) target = target->Parent();
    return target;
}

void TDragManager::DragTo(TPoint pos, TControl* target) {
    const unsigned serial = serial_;
    pos_ = pos;
    object_->dragPos_ = pos;
    if (target != target_) {
        next_ = target;
        if (target_ != nullptr) {
            Notify(target_, dmDragLeave);
            if (!Live(serial)) return;
        }
        // The handler of the old target may have freed the new one.
        target_ = next_;
        next_ = nullptr;
        accepted_ = false;
        if (target_ != nullptr) {
            const bool accepted = Notify(target_, dmDragEnter);
            if (!Live(serial)) return;
            accepted_ = accepted && target_ != nullptr;
        }
    } else if (target_ != nullptr) {
        const bool accepted = Notify(target_, dmDragMove);
        if (!Live(serial)) return;
        accepted_ = accepted && target_ != nullptr;
    }
    ShowFeedback();
}

bool TDragManager::Notify(TControl* target, TDragMessage message) {
    object_->dragTarget_ = target;
    object_->dragTargetPos_ = target->ScreenToClient(pos_);
    TDragRec rec{pos_, object_, target};
    return target->Perform(CM_DRAG, static_cast<WPARAM>(message), reinterpret_cast<LPARAM>(&rec)) !=
           0;
}

void TDragManager::ShowFeedback() {
    const unsigned serial = serial_;
    object_->dragTarget_ = target_;
    if (target_ != nullptr) object_->dragTargetPos_ = target_->ScreenToClient(pos_);
    const TCursor cursor = object_->GetDragCursor(accepted_, pos_.X, pos_.Y);
    if (!Live(serial)) return;
    if (Screen != nullptr) ::SetCursor(Screen->Cursors(cursor));
    PlaceImage(target_ != nullptr && target_->ControlStyle().Contains(csDisplayDragImage));
}

// ---- ending
// --------------------------------------------------------------------------------------

void TDragManager::End(bool drop) {
    // Ended while OnStartDrag ran: nothing was dragged yet.
    if (phase_ == Phase::Pending || (phase_ == Phase::Active && object_ == nullptr))
        Reset();
    else if (phase_ == Phase::Active)
        Finish(drop);
}

void TDragManager::Finish(bool drop) {
    phase_ = Phase::Ending;
    StopImage();
    if (GetCapture() == window_) ReleaseCapture();
    const bool accepted = drop && target_ != nullptr && accepted_;
    object_->cancelling_ = !drop;
    std::exception_ptr error;
    TPoint at;
    if (target_ != nullptr) {
        at = target_->ScreenToClient(pos_);
        try {
            Notify(target_, accepted ? dmDragDrop : dmDragCancel);
        } catch (...) {
            error = std::current_exception();
        }
    }
    // The drop's handlers may have freed the source, the target or the object.
    if (object_ != nullptr) object_->dropped_ = accepted;
    if (source_ != nullptr && object_ != nullptr) {
        try {
            object_->Finished(accepted ? target_ : nullptr, at.X, at.Y, accepted);
        } catch (...) {
            if (!error) error = std::current_exception();
        }
    }
    Reset();
    if (error) std::rethrow_exception(error);
}

void TDragManager::Abort() {
    if (phase_ == Phase::Active && target_ != nullptr && object_ != nullptr) {
        phase_ = Phase::Ending;
        StopImage();
        if (GetCapture() == window_) ReleaseCapture();
        object_->cancelling_ = true;
        try {
            Notify(target_, dmDragCancel);
        } catch (...) {
            // The error that made the drag abort is the one reported.
        }
    }
    Reset();
}

void TDragManager::Reset() {
    phase_ = Phase::Idle;
    ++serial_;
    StopImage();
    if (GetCapture() == window_) ReleaseCapture();
    source_ = nullptr;
    target_ = nullptr;
    next_ = nullptr;
    accepted_ = false;
    object_ = nullptr;
    owned_.reset();
}

void TDragManager::ControlDestroying(TControl* control) {
    if (phase_ == Phase::Idle) return;
    if (control == next_) next_ = nullptr;
    if (control == target_) {
        target_ = nullptr;
        accepted_ = false;
    }
    if (object_ != nullptr && object_->dragTarget_ == control) object_->dragTarget_ = nullptr;
    if (auto* controlObject = dynamic_cast<TDragControlObject*>(object_);
        controlObject != nullptr && controlObject->control_ == control)
        controlObject->control_ = nullptr;
    if (control != source_) return;
    source_ = nullptr;
    // An end under way sees the source gone and calls nothing of it.
    if (phase_ != Phase::Ending) Abort();
}

void TDragManager::ObjectDestroying(TDragObject* object) {
    if (object == nullptr || object != object_) return;
    if (phase_ == Phase::Active) {
        if (owned_.get() == object) (void)owned_.release();  // its owner is deleting it already
        Abort();
    } else {
        object_ = nullptr;
        if (owned_.get() == object) (void)owned_.release();
    }
}

// ---- the drag image
// --------------------------------------------------------------------------------

void TDragManager::StartImage() {
    const unsigned serial = serial_;
    TCustomImageList* images = object_->GetDragImages();
    if (!Live(serial) || images == nullptr || images->Count() == 0) return;
    const TPoint hot = images->DragHotspot();
    imageBegun_ = ImageList_BeginDrag(images->Handle(), images->DragIndex(), hot.X, hot.Y) != FALSE;
    imageEntered_ = false;
    imageShown_ = false;
    imageAllowed_ = false;
    imageHidden_ = 0;
}

void TDragManager::PlaceImage(bool allowed) {
    if (!imageBegun_) return;
    // Moved while hidden, it shows where the pointer is.
    if (imageEntered_) ImageList_DragMove(pos_.X, pos_.Y);
    imageAllowed_ = allowed;
    UpdateImage();
}

void TDragManager::UpdateImage() {
    const bool show = imageBegun_ && imageAllowed_ && imageHidden_ == 0;
    if (show == imageShown_) return;
    if (show && !imageEntered_) {
        // Drawn over the whole screen: the desktop's coordinates are the screen's.
        ImageList_DragEnter(GetDesktopWindow(), pos_.X, pos_.Y);
        imageEntered_ = true;
    } else {
        ImageList_DragShowNolock(show ? TRUE : FALSE);
    }
    imageShown_ = show;
}

void TDragManager::HideImage() {
    ++imageHidden_;
    UpdateImage();
}

void TDragManager::ShowImage() {
    if (imageHidden_ > 0) --imageHidden_;
    UpdateImage();
}

void TDragManager::StopImage() {
    if (!imageBegun_) return;
    if (imageEntered_) ImageList_DragLeave(GetDesktopWindow());
    ImageList_EndDrag();
    imageBegun_ = false;
    imageEntered_ = false;
    imageShown_ = false;
    imageHidden_ = 0;
}

}  // namespace gui
