#include "controls/tree/maincell.h"

namespace controls::tree {

TGtMainCellLayout LayoutMainCell(const TGtMainCellInput& in) {
    TGtMainCellLayout out;
    const int i = in.ItemIndent;
    const int gap = i / 3;
    out.Base = in.CellLeft + in.TextIndent + (in.RootIndent ? i : i / 5);
    int x = out.Base + in.Level * i - (in.NoButtonColumn ? i : 0);
    out.Button = {x - i, x};
    if (in.CheckBox) {
        out.CheckBox = {x, x + in.CheckBoxWidth};
        x += in.CheckBoxWidth;
    }
    const bool image2 = in.Image2Width > 0;
    if (image2) {
        if (in.CheckBox && !in.Image2Reserved) x += gap;
        out.Image2 = {x, x + in.Image2Width};
        x += in.Image2Width;
    }
    if (in.Image1Width > 0) {
        if (image2 || (in.CheckBox && !in.Image1Reserved)) x += gap;
        out.Image1 = {x, x + in.Image1Width};
        x += in.Image1Width;
    }
    out.TextHitLeft = x + 1;
    x += gap;
    out.Text = {x, x + in.TextWidth};
    return out;
}

}  // namespace controls::tree
