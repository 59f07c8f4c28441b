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
    out.TextHitRight = out.Text.Right;
    if (!in.RightToLeft) return out;

    // Mirrored about the cell's middle, so the cell maps onto itself. The
    // text ends two pixels short of its gap, as the painter places it.
    const int sum = in.CellLeft + in.CellRight;
    const auto mirror = [sum](TGtSpan s) {
        return s.Empty() ? s : TGtSpan{sum - s.Right, sum - s.Left};
    };
    out.MirrorSum = sum;
    out.Button = mirror(out.Button);
    out.CheckBox = mirror(out.CheckBox);
    out.Image2 = mirror(out.Image2);
    out.Image1 = mirror(out.Image1);
    const int partsStart = sum - (out.TextHitLeft - 1);
    const int textEnd = partsStart - gap - 2;
    out.Text = {textEnd - in.TextWidth, textEnd};
    out.TextHitLeft = out.Text.Left - 1;
    out.TextHitRight = partsStart - 1;
    return out;
}

}  // namespace controls::tree
