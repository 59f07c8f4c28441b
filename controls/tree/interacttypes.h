#pragma once

// Settings and event types of the tree's line hints, in-place editing and
// drag and drop.

#include <string>

#include "controls/tree/eventtypes.h"
#include "controls/tree/headersections.h"
#include "controls/tree/hintwindow.h"
#include "controls/tree/inplaceeditor.h"
#include "controls/tree/treeevents.h"
#include "controls/tree/treetypes.h"
#include "gui/geometry.h"
#include "runtime/events.h"

namespace controls::tree {

class TGtTreeItem;

// When a line hint shows: never, when the text is cut off (or the item has
// a hint), always.
RUNTIME_ENUM(THintModes, shmNone, shmLong, shmAll)
// Which text a line hint of a column other than the main one shows.
RUNTIME_ENUM(TLineHintType, lhtMainTextOnly, lhtCellTextOnly, lhtSmart)
// Whether a line hint shows the main text, the item's hint, or its hint
// when it has one.
RUNTIME_ENUM(TGtHintType, shtMainText, shtHintOnly, shtHintOrText)
RUNTIME_ENUM(TDragImgMode, dimNever, dimOne, dimAll)
// dtOLE starts no drag (no OLE drag and drop exists); the others start the
// class library's.
RUNTIME_ENUM(TGtDragType, dtOLE, dtKestrin, dtBoth)
RUNTIME_ENUM(TDragTargetDraw, ColorFrame, ColorRect, SelColorRect, dtdNone, dtdUpColorLine,
             dtdDownColorLine, dtdUpSelColorLine, dtdDownSelColorLine)

// The drag cursors: the drop refused, accepted, accepted as a copy (Ctrl).
inline constexpr int crGtDragNoDrop = 20001;
inline constexpr int crGtDragMove = 20002;
inline constexpr int crGtDragCopy = 20003;

GT_EVENT_TYPE(TOnShowHintEvent, "Sender, Item, Section, Text, HintWindow, MousePos, DoShowHint",
              runtime::TObject*, TGtTreeItem*, TGtHeaderSection*, std::u16string&, TGtHintWindow*,
              gui::TPoint, bool&);
RUNTIME_EVENT_TYPE(TTryEditEvent, "Sender, Item, SectionIndex, CellType, CanEdit",
                   runtime::TObject*, TGtTreeItem*, int, TGtFieldType&, bool&);
RUNTIME_EVENT_TYPE(TInplaceEditorNeededEvent,
                   "Sender, Item, SectionIndex, SupposedFieldType, Editor", runtime::TObject*,
                   TGtTreeItem*, int, TGtFieldType, TGtTreeInplaceEditor*&);
RUNTIME_EVENT_TYPE(TOnEndEditEvent, "Sender, Item, Section, Canceled", runtime::TObject*,
                   TGtTreeItem*, TGtHeaderSection*, bool);
GT_EVENT_TYPE(TGtTreeItemDragTargetEvent, "Sender, Item, ItemRect, X, Y", runtime::TObject*,
              TGtTreeItem*, gui::TRect, int, int);

}  // namespace controls::tree
