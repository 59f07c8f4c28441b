#pragma once

// Where the parts of a row's main cell lie: the expand button, the check
// box, the second and the first image and the text, left to right from the
// item's indent (or, in a right-aligned tree, the mirror image of that
// from the cell's right edge leftwards). The painter draws at these places
// and the hit test, the line hints and in-place editing read them, so they
// agree before the first paint as after it. Pure arithmetic; x in content
// coordinates.

namespace controls::tree {

struct TGtMainCellInput {
    int CellLeft = 0;  // the main column's left (0 without columns)
    int ItemIndent = 17;
    int Level = 0;  // 0 for top-level items
    // Top-level items are indented one step (root lines or root buttons).
    bool RootIndent = true;
    bool CheckBox = false;
    int CheckBoxWidth = 15;
    int Image2Width = 0;  // 0: no second image shown
    int Image1Width = 0;  // 0: no first image shown
    int TextWidth = 0;
    // Extra pixels the whole tree part of the row moves right by.
    int TextIndent = 0;
    // The item's top-level ancestor gives up its button column: the
    // button and everything after it move one indent step left.
    bool NoButtonColumn = false;
    // An image slot kept empty (the index is not in the list) takes its
    // width without the gap a shown image has before it.
    bool Image2Reserved = false;
    bool Image1Reserved = false;
    // Right-aligned tree: the parts run from CellRight (the main column's
    // right edge) leftwards and the text ends left of them.
    bool RightToLeft = false;
    int CellRight = 0;
};

// A horizontal span [Left, Right); empty when Left == Right.
struct TGtSpan {
    int Left = 0;
    int Right = 0;
    bool Empty() const { return Right <= Left; }
    bool Contains(int x) const { return x >= Left && x < Right; }
};

struct TGtMainCellLayout {
    // Where the level columns start: the column of the items of level k
    // (their buttons and connector lines) is Base + (k - 1) * ItemIndent.
    // Left to right also in a right-aligned tree, where the lines are
    // drawn mirrored (MirrorX).
    int Base = 0;
    TGtSpan Button;  // the indent step just before the item's own parts
    TGtSpan CheckBox;
    TGtSpan Image2;
    TGtSpan Image1;
    TGtSpan Text;  // the text itself
    // The text's hit zone, both ends included: the text and the gap
    // between it and the parts.
    int TextHitLeft = 0;
    int TextHitRight = 0;
    // Right-aligned: pixel column x of the left-to-right drawing shows at
    // MirrorX(x); 0 for a left-to-right cell.
    int MirrorSum = 0;
    int MirrorX(int x) const { return MirrorSum == 0 ? x : MirrorSum - 1 - x; }
};

TGtMainCellLayout LayoutMainCell(const TGtMainCellInput& in);

}  // namespace controls::tree
