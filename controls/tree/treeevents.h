#pragma once

// Event types of the tree control beyond those its items raise
// (treemodel.h), its header's (header.h) and its scroll bars'
// (scrollbar.h).

#include <string>

#include "controls/tree/eventtypes.h"
#include "controls/tree/treetypes.h"
#include "gui/graphics.h"
#include "gui/stdctrls.h"
#include "runtime/events.h"

namespace controls::tree {

class TGtTreeItem;
class TGtHeaderSection;

// A size handed to a measuring handler travels as an opaque record.
namespace detail {
template <>
struct TGtOpaqueParam<gui::TPoint> {
    static constexpr const char* Name = "TPoint";
};
}  // namespace detail

GT_EVENT_TYPE(TOnItemDrawEvent, "Sender, Item, Surface, R, SectionIndex", runtime::TObject*,
              TGtTreeItem*, gui::TCanvas*, gui::TRect, int);
RUNTIME_EVENT_TYPE(TOnItemCheckedEvent, "Sender, Item", runtime::TObject*, TGtTreeItem*);
RUNTIME_EVENT_TYPE(TOnPicDrawEvent, "Sender, Item, ImageIndex", runtime::TObject*, TGtTreeItem*,
                   int&);
GT_EVENT_TYPE(TGtTreeItemPostDrawEvent, "Sender, Canvas, Item, ItemRect, DrawFocusRect",
              runtime::TObject*, gui::TCanvas*, TGtTreeItem*, gui::TRect, bool&);
RUNTIME_EVENT_TYPE(THotTrackEvent, "Sender, OldItem, NewItem", runtime::TObject*, TGtTreeItem*,
                   TGtTreeItem*);
RUNTIME_EVENT_TYPE(TGtTreeScrollEvent, "Sender, ScrollBarKind, ScrollCode", runtime::TObject*,
                   gui::TScrollBarKind, int);
GT_EVENT_TYPE(TMeasureItemPartEvent, "Sender, Item, PartIndex, Size", runtime::TObject*,
              TGtTreeItem*, int, gui::TPoint&);
RUNTIME_EVENT_TYPE(TColumnNotifyEvent, "Sender, SectionIndex", runtime::TObject*, int);
GT_EVENT_TYPE(TGtSectionRedrawEvent, "Sender, Canvas, Section, R, Pressed", runtime::TObject*,
              gui::TCanvas*, TGtHeaderSection*, gui::TRect, bool);
RUNTIME_EVENT_TYPE(TGtColumnMoveEvent, "Sender, Section, OldPos, NewPos", runtime::TObject*,
                   TGtHeaderSection*, int, int);
RUNTIME_EVENT_TYPE(THeaderSectionEvent, "Sender, Section", runtime::TObject*, TGtHeaderSection*);

}  // namespace controls::tree
