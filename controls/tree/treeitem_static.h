#pragma once

// Internal to the item's implementation files: the texts and styles an item
// of a non-virtual tree keeps, and the scoped update lock they take.

#include <memory>
#include <string>

#include "controls/tree/cellstyle.h"
#include "controls/tree/gtlist.h"
#include "controls/tree/treeitem.h"
#include "controls/tree/treemodel.h"
#include "controls/tree/widestrings.h"

namespace controls::tree {

// The column texts live inside it: every item of a non-virtual tree has
// them, and each separate allocation costs every item of a large tree once
// more. The main style is made when it is first asked for (only rows that
// use styles ask), from the tree's font as it was when the item was linked:
// a style in every item was a fifth of a large tree's memory.
struct TGtTreeItem::StaticData {
    std::u16string Text;
    TGtWideStringList ColumnText;
    std::u16string Hint;
    mutable std::unique_ptr<TGtCellStyle> MainStyle;
    std::shared_ptr<const TGtFontInfo> StyleFont;  // the font MainStyle starts with
    std::unique_ptr<TGtList> Styles;               // owns its TGtCellStyle objects
};

// Holds a tree's update lock for a scope, released also on an exception.
class UpdateLock {
  public:
    explicit UpdateLock(TGtTreeModel* tree) : tree_(tree) { tree_->SetUpdating(true); }
    ~UpdateLock() { tree_->SetUpdating(false); }
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;

  private:
    TGtTreeModel* tree_;
};

}  // namespace controls::tree
