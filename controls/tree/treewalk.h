#pragma once

// Walking the rows a tree shows (items outside collapsed parents and not
// hidden by the filter) step by step from a given item, and the targets of
// the navigation keys, without counting rows from the top. Portable.

#include "controls/tree/treemodel.h"

namespace controls::tree {

class TGtTreeItem;

TGtTreeItem* FirstShown(const TGtTreeModel& model);
TGtTreeItem* LastShown(const TGtTreeModel& model);
// The shown row after (before) a shown item; none at the end.
TGtTreeItem* NextShown(const TGtTreeModel& model, const TGtTreeItem* item);
TGtTreeItem* PrevShown(const TGtTreeModel& model, const TGtTreeItem* item);

// The navigation keys, by what they do.
enum class TGtNavKey { Up, Down, PageUp, PageDown, Home, End };

struct TGtNavTarget {
    TGtTreeItem* Item = nullptr;
    // The last row looked at was selected.
    bool WasSelected = false;
};

// Where a navigation key moves the focus from `focused` (none: nothing is
// focused). Disabled rows are stepped over unless `ignoreEnabled`; a page
// moves `pageRows` enabled rows. Up and Down without a focus go to the
// first enabled row; the other keys then have no target. With a focus and
// nothing to move to, the focus stays.
TGtNavTarget NavigationTarget(const TGtTreeModel& model, TGtTreeItem* focused, TGtNavKey key,
                              int pageRows, bool ignoreEnabled);

}  // namespace controls::tree
