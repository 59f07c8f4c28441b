#pragma once

// The drag object the tree makes when the application's OnStartDrag
// supplies none: it shows the tree's drag cursors and the view's image of
// the dragged rows, and lets the view clean up once the drag has ended.
// Windows only.

#include "gui/drag.h"

namespace controls::tree {

class TGtTreeDragObject : public gui::TDragControlObject {
    RUNTIME_CLASS(TGtTreeDragObject)

  public:
    // Frees itself once the drag has ended.
    explicit TGtTreeDragObject(gui::TControl* control);

    // Over a tree: refused, accepted, or accepted with Ctrl held (a copy).
    gui::TCursor GetDragCursor(bool accepted, int x, int y) override;
    gui::TCustomImageList* GetDragImages() override;
    void Finished(runtime::TObject* target, int x, int y, bool accepted) override;
};

// Makes the system's drag cursors (refused, move, copy) the program's
// cursors crGtDragNoDrop, crGtDragMove and crGtDragCopy.
void RegisterDragCursors();

}  // namespace controls::tree
