#pragma once

// The pictures of the tree's main cells: the default expand-button glyphs
// shared by every tree of the program, and the image slots of a row (which
// image of which list, or an empty slot that keeps its width). Windows
// only.

#include "gui/graphic.h"
#include "gui/imagelist.h"

namespace controls::tree {

class TCustomGtTree;
class TGtTreeItem;

enum TGtGlyphKind : int { gkPlus = 0, gkMinus = 1, gkLeaf = 2 };

// 9 x 9 pixels in the current system colours: plus and minus are a
// button-shadow frame around a window-coloured square with a window-text
// sign; the leaf is a window-coloured square with a window-text dot. Made
// again when the system colours change.
gui::TBitmap& DefaultGlyph(TGtGlyphKind kind);

struct TGtImageSlot {
    gui::TCustomImageList* List = nullptr;  // none: no slot at all
    int Index = -1;
    int Width = 0;          // 0: the slot takes no room
    bool Reserved = false;  // the index is not in the list: room only
};

// The first (second) image slot of the item, asking OnItemPicDraw
// (OnItemPicDraw2) for an index of -1.
TGtImageSlot ImageSlotOf(TCustomGtTree& tree, TGtTreeItem& item, bool second);

}  // namespace controls::tree
