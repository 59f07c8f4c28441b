#pragma once

// What the row painter (treepaint_win.cpp) and the main-cell painter
// (treemaincell_win.cpp) share: colour conversion, the font rules of a
// cell, and the clip and frame helpers they draw with. Internal to the
// tree's view. Windows only.

#include <cstdint>
#include <string>

#include "controls/tree/tree.h"
#include "gui/graphics.h"

namespace controls::tree::paint {

inline gui::TColor Col(TGtColor c) {
    return static_cast<gui::TColor>(c);
}

// DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE: a cell's text format.
inline constexpr UINT kCellFormat = 0x8820;
// DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE: measuring a cell's text.
inline constexpr UINT kMeasureFormat = 0xC20;
// DT_VCENTER | DT_NOPREFIX | DT_EXTERNALLEADING, added when drawing it.
inline constexpr UINT kOutputFormat = 0xA04;

// The canvas font takes each property only when it differs, so that a
// row of cells in one font makes no new font object per cell.
void SetFontName(gui::TFont& font, const std::string& name);
void SetFontStyles(gui::TFont& font, uint8_t styles);
void SetFontSize(gui::TFont& font, int points);
// Name, height and character set of the tree's own font.
void TakeTreeFont(gui::TFont& font, const gui::TFont& tree);
void SetFontColor(gui::TFont& font, TGtColor colour);
// The style bits of a font (kFontBold ...).
inline uint8_t StyleBits(gui::TFontStyles styles) {
    return static_cast<uint8_t>(styles.Mask());
}
// The item's own Bold, Italic, Underlined and StrikeOut states as style bits.
uint8_t ItemStyleBits(const TGtTreeItem& item);

// The item shows as selected: in its own state with MultiSelect, as the
// current item without.
inline bool Selected(const TCustomGtTree& tree, const TGtTreeItem& item) {
    return tree.MultiSelect() ? item.Selected() : &item == tree.CurrentItem();
}

// A row drawn with the tree's selection look: neither BarStyle nor a frame
// of its own.
inline bool PlainRow(const TCustomGtTree& tree, const TGtTreeItem& item) {
    return !tree.BarStyle() && item.BorderStyle == 0;
}

// The drop target's colours in the modes that fill its cells: ColorRect
// (the accept or deny colour under button text) and SelColorRect (the
// system's selection colours). `On` is false for another row or mode.
struct TDropFill {
    bool On = false;
    TGtColor Brush = 0;
    TGtColor Text = 0;
};
TDropFill DropFillOf(const TCustomGtTree& tree, const TGtTreeItem& item);

// The item's background as the grid lines compare it: its BkColor, or its
// main style's cell background when it uses styles.
TGtColor ItemBackground(const TGtTreeItem& item);

// Draws inside `r` only while it lives; the canvas's objects must be
// selected before (they are restored with the device context).
class TClipScope {
  public:
    TClipScope(gui::TCanvas& canvas, const gui::TRect& r);
    ~TClipScope();
    TClipScope(const TClipScope&) = delete;
    TClipScope& operator=(const TClipScope&) = delete;

  private:
    HDC dc_;
    int saved_;
};

// Keeps what is drawn between x = left and x = right while it lives (a
// cell's contents off its neighbours). Unlike TClipScope the canvas may
// change its objects meanwhile: only the clip region is put back.
class TColumnClip {
  public:
    TColumnClip(gui::TCanvas& canvas, int left, int right);
    ~TColumnClip();
    TColumnClip(const TColumnClip&) = delete;
    TColumnClip& operator=(const TColumnClip&) = delete;

  private:
    HDC dc_;
    HRGN saved_;  // none: the context had no clip region
};

// Draws `source` of the bitmap at (x, y): copied, or with its transparent
// colour left out.
void DrawGlyph(gui::TCanvas& canvas, gui::TBitmap& bitmap, int x, int y, const gui::TRect& source,
               bool transparent, gui::TColor transparentColour);

}  // namespace controls::tree::paint
