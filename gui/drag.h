#pragma once

// Drag and drop between the class library's controls.
//
// A drag begins with TControl::BeginDrag (or, for a control whose DragMode
// is dmAutomatic, with a left-button press on it): at once, or once the
// pointer has moved the threshold away from where the button went down with
// the button still held. Until then the drag is pending: releasing the
// button ends it quietly and the release goes on to the control, so clicks
// still work. While it runs the drag holds the mouse capture and takes every
// mouse and key message of the thread before it is dispatched:
// - moving the pointer finds the enabled control under it (the target) and
//   tells it with CM_DRAG: entered, moved, left. The target answers whether
//   it would accept a drop (TControl::DragOver, OnDragOver); the cursor
//   shows the drag object's answer to that (GetDragCursor) and the drag
//   image follows the pointer over targets that show drag images
//   (csDisplayDragImage);
// - releasing the button drops: an accepting target gets dmDragDrop
//   (OnDragDrop), any other dmDragCancel; then the drag object's end step
//   runs (Finished), which for a control's drag fires the control's
//   OnEndDrag with the target (nullptr when nothing took the drop);
// - Escape, losing the capture (another window took it, a modal loop began)
//   or CancelDrag cancel: the target gets dmDragCancel, the end step runs
//   with no target. Ctrl and Shift going down or up ask the target again,
//   so the cursor follows them; other keys do nothing during a drag.
// A target freed during the drag is forgotten (the next move finds another
// one); a source freed during the drag cancels it without calling into the
// source again. One drag runs at a time.
//
// The drag object stands for what is dragged. OnStartDrag may supply one;
// otherwise the drag makes a TDragControlObject for the control. An object
// the drag made, and one whose AutoFree is set, is deleted once its end
// step returned; any other stays its supplier's.

#include <cstdint>

#include "gui/cursors.h"
#include "gui/geometry.h"
#include "runtime/events.h"
#include "runtime/object.h"

namespace gui {

class TControl;
class TCustomImageList;

RUNTIME_ENUM(TDragMode, dmManual, dmAutomatic)
// Where the pointer is with respect to the control asked by DragOver.
RUNTIME_ENUM(TDragState, dsDragEnter, dsDragLeave, dsDragMove)

// The phase of a drag a CM_DRAG message tells its target (wParam).
enum TDragMessage : int { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel };

class TDragObject;

// What CM_DRAG points to (lParam). The result of enter, leave and move is
// 1 when the target would accept a drop there.
struct TDragRec {
    TPoint Pos;  // the pointer, in screen coordinates
    TDragObject* Source = nullptr;
    TControl* Target = nullptr;
};

// The pixels the pointer must move, across or down, before a pending drag
// begins (BeginDrag's threshold -1).
inline constexpr int kDefaultDragThreshold = 5;

class TDragObject : public runtime::TObject {
    RUNTIME_CLASS(TDragObject)

  public:
    TDragObject();
    ~TDragObject() override;
    TDragObject(const TDragObject&) = delete;
    TDragObject& operator=(const TDragObject&) = delete;

    // The pointer (screen), the control under it and the pointer in that
    // control's client coordinates; set as the drag moves.
    TPoint DragPos() const { return dragPos_; }
    TControl* DragTarget() const { return dragTarget_; }
    TPoint DragTargetPos() const { return dragTargetPos_; }
    // Set while the end step of a cancelled drag runs.
    bool Cancelling() const { return cancelling_; }
    // Set once a target took the drop.
    bool Dropped() const { return dropped_; }

    // Deleted by the drag after its end step (the drag's own objects always are).
    bool AutoFree() const { return autoFree_; }
    void SetAutoFree(bool value) { autoFree_ = value; }

    // What the drag events name as their Source: the object itself; a
    // control's drag names the control.
    virtual TObject* Source() { return this; }
    // The cursor over a target that would (or would not) accept the drop
    // at the screen point: crDrag or crNoDrop.
    virtual TCursor GetDragCursor(bool accepted, int x, int y);
    // The images shown under the pointer (nullptr: none); its DragIndex
    // image, held at its DragHotspot.
    virtual TCustomImageList* GetDragImages() { return nullptr; }
    // Hide the drag image while the caller paints under it, and show it
    // again; the calls nest. Nothing when the drag shows no image.
    virtual void HideDragImage();
    virtual void ShowDragImage();
    // The drag has ended: dropped on `target` at its client point (x, y)
    // when accepted, else cancelled or refused (target nullptr, 0, 0).
    virtual void Finished(TObject* target, int x, int y, bool accepted);

  private:
    friend class TDragManager;
    TPoint dragPos_;
    TControl* dragTarget_ = nullptr;
    TPoint dragTargetPos_;
    bool cancelling_ = false;
    bool dropped_ = false;
    bool autoFree_ = false;
};

// The drag of a control: its cursor is the control's DragCursor, its images
// the control's GetDragImages, and its end fires the control's OnEndDrag.
class TDragControlObject : public TDragObject {
    RUNTIME_CLASS(TDragControlObject)

  public:
    explicit TDragControlObject(TControl* control);

    // nullptr once the control was freed during the drag.
    TControl* Control() const { return control_; }

    TObject* Source() override;
    TCursor GetDragCursor(bool accepted, int x, int y) override;
    TCustomImageList* GetDragImages() override;
    void Finished(TObject* target, int x, int y, bool accepted) override;

  private:
    friend class TDragManager;
    TControl* control_;
};

RUNTIME_EVENT_TYPE(TStartDragEvent, "Sender, DragObject", runtime::TObject*, TDragObject*&);
RUNTIME_EVENT_TYPE(TDragOverEvent, "Sender, Source, X, Y, State, Accept", runtime::TObject*,
                   runtime::TObject*, int, int, TDragState, bool&);
RUNTIME_EVENT_TYPE(TDragDropEvent, "Sender, Source, X, Y", runtime::TObject*, runtime::TObject*,
                   int, int);
RUNTIME_EVENT_TYPE(TEndDragEvent, "Sender, Target, X, Y", runtime::TObject*, runtime::TObject*, int,
                   int);

// The object of the drag running (nullptr while none runs or it is still
// pending).
TDragObject* CurrentDragObject();
// Cancels the drag running, if any.
void CancelDrag();

}  // namespace gui
