#include "controls/tree/maincell.h"

namespace controls::tree {

TGtMainCellLayout LayoutMainCell(const TGtMainCellInput& in) {
    TGtMainCellLayout out;
    const int i = in.ItemIndent;
    const int gap = i / 3;
    int x = in.CellLeft + (in.RootIndent ? i : i / 5) + in.Level * i;
    out.Button = {x - i, x};
    if (in.CheckBox) {
        out.CheckBox = {x, x + in.CheckBoxWidth};
        x += in.CheckBoxWidth;
    }
    if (in.Image2Width > 0) {
        if (in.CheckBox) x += gap;
        out.Image2 = {x, x + in.Image2Width};
        x += in.Image2Width;
    }
    if (in.Image1Width > 0) {
        if (in.Image2Width > 0 || in.CheckBox) x += gap;
        out.Image1 = {x, x + in.Image1Width};
        x += in.Image1Width;
    }
    out.TextHitLeft = x + 1;
    x += gap;
    out.Text = {x, x + in.TextWidth};
    return out;
}

}  // namespace controls::tree
