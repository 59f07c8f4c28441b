#pragma once

// The class library's drag in progress (drag.h describes what it does),
// owned by the application object. Internal to the class library: controls
// reach it through TControl::BeginDrag, EndDrag and Dragging, the loop
// through FilterMessage.

#include <memory>

#include "gui/drag.h"
#include "gui/win.h"

namespace gui {

class TDragManager {
  public:
    // `captureWindow`: the hidden window that holds the mouse capture while
    // a drag runs (the application's).
    explicit TDragManager(HWND captureWindow);
    // A drag still running ends without calling out to anyone.
    ~TDragManager();
    TDragManager(const TDragManager&) = delete;
    TDragManager& operator=(const TDragManager&) = delete;

    // The control whose drag is pending or running (nullptr: none).
    TControl* Source() const { return source_; }
    // The object of the running drag (nullptr while pending or idle).
    TDragObject* Object() const { return phase_ == Phase::Active ? object_ : nullptr; }

    void Begin(TControl& source, bool immediate, int threshold);
    // Drops (when the target accepts) or cancels the drag; a pending drag
    // just ends.
    void End(bool drop);

    // A message of the thread before it is dispatched; true when the drag
    // took it. Errors of handlers called from here are reported to the
    // application and cancel the drag.
    bool FilterMessage(const MSG& msg);
    // The capture window lost the capture, or was told to cancel its mode.
    void CaptureLost();
    // A control or a drag object is going.
    void ControlDestroying(TControl* control);
    void ObjectDestroying(TDragObject* object);

    void HideImage();
    void ShowImage();

  private:
    enum class Phase { Idle, Pending, Active, Ending };

    bool Live(unsigned serial) const { return serial == serial_ && phase_ == Phase::Active; }
    // The pending drag begins; `where` is the window the pointer was seen in.
    void Activate(HWND where);
    bool FilterPending(const MSG& msg);
    bool FilterActive(const MSG& msg);
    void DragTo(TPoint pos, TControl* target);
    // Asks `target` with CM_DRAG; true when it answers that it accepts.
    bool Notify(TControl* target, TDragMessage message);
    void ShowFeedback();
    void Finish(bool drop);
    // Ends the drag without calling out (after an error, or when what the
    // drag calls into is gone): the target is told it was cancelled.
    void Abort();
    // Back to idle: image, capture and the drag's own object released.
    void Reset();
    // The enabled control under the pointer, seen in `window` (nullptr: wherever).
    TControl* TargetAt(HWND window, TPoint screen) const;
    void StartImage();
    void PlaceImage(bool allowed);
    void UpdateImage();
    void StopImage();

    HWND window_;
    Phase phase_ = Phase::Idle;
    // Counts drags: a handler that ended this drag (and maybe began the
    // next) is told from one that did not.
    unsigned serial_ = 0;
    TControl* source_ = nullptr;
    int threshold_ = kDefaultDragThreshold;
    TPoint start_;
    TPoint pos_;
    TDragObject* object_ = nullptr;
    std::unique_ptr<TDragObject> owned_;
    TControl* target_ = nullptr;
    // The target being entered while the old one is told it was left.
    TControl* next_ = nullptr;
    bool accepted_ = false;
    // The drag image: begun, entered (drawn once), shown, and how many
    // hide requests are open; the target allows it.
    bool imageBegun_ = false;
    bool imageEntered_ = false;
    bool imageShown_ = false;
    bool imageAllowed_ = false;
    int imageHidden_ = 0;
};

}  // namespace gui
