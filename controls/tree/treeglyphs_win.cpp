// The pictures of the main cells: the default button glyphs, the tree's
// own button pictures and check-box glyphs with their settings, the
// check box's width, and the image slots of a row.
#include "controls/tree/treeglyphs_win.h"

#include <algorithm>
#include <array>
#include <memory>

#include "controls/tree/drawing.h"
#include "controls/tree/tree.h"
#include "controls/tree/treeview.h"
#include "gui/themes.h"

namespace controls::tree {

// ---- the default button glyphs ----------------------------------------------------------

namespace {

// DIB pixels are 0x00RRGGBB.
uint32_t DibPixel(gui::TColor colour) {
    const COLORREF c = gui::ColorToRGB(colour);
    return uint32_t{GetRValue(c)} << 16 | uint32_t{GetGValue(c)} << 8 | GetBValue(c);
}

std::unique_ptr<gui::TBitmap> MakeGlyph(TGtGlyphKind kind, uint32_t sign, uint32_t frame,
                                        uint32_t inside) {
    constexpr int kSize = 9, kMid = 4;
    auto bitmap = std::make_unique<gui::TBitmap>(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        uint32_t* row = bitmap->ScanLine(y);
        for (int x = 0; x < kSize; ++x) {
            const bool border = x == 0 || y == 0 || x == kSize - 1 || y == kSize - 1;
            const bool bar = y == kMid && x >= 2 && x <= 6;
            const bool upright = x == kMid && y >= 2 && y <= 6;
            uint32_t p = inside;
            if (kind == gkLeaf) {
                if (x == kMid && y == kMid) p = sign;
            } else if (border) {
                p = frame;
            } else if (bar || (kind == gkPlus && upright)) {
                p = sign;
            }
            row[x] = p;
        }
    }
    return bitmap;
}

struct TDefaultGlyphs {
    std::array<uint32_t, 3> colours{};
    std::array<std::unique_ptr<gui::TBitmap>, 3> bitmaps;
};

}  // namespace

gui::TBitmap& DefaultGlyph(TGtGlyphKind kind) {
    // One set for the program, in the system colours of the moment.
    static TDefaultGlyphs glyphs;
    const std::array<uint32_t, 3> now{DibPixel(gui::clWindowText), DibPixel(gui::clBtnShadow),
                                      DibPixel(gui::clWindow)};
    if (!glyphs.bitmaps[0] || now != glyphs.colours) {
        glyphs.colours = now;
        for (TGtGlyphKind k : {gkPlus, gkMinus, gkLeaf})
            glyphs.bitmaps[k] = MakeGlyph(k, now[0], now[1], now[2]);
    }
    return *glyphs.bitmaps[kind];
}

// ---- the tree's own pictures --------------------------------------------------------------

gui::TBitmap* TCustomGtTree::Picture(std::unique_ptr<gui::TBitmap>& field, const bool& custom) {
    if (!field) {
        field = std::make_unique<gui::TBitmap>();
        field->OnChange = [this, &custom](runtime::TObject*) { PictureChanged(custom); };
    }
    return field.get();
}

void TCustomGtTree::SetPicture(std::unique_ptr<gui::TBitmap>& field, const bool& custom,
                               const gui::TBitmap* value) {
    gui::TBitmap* picture = Picture(field, custom);
    if (value != nullptr)
        picture->Assign(value);
    else
        picture->SetSize(0, 0);
    PictureChanged(custom);
}

void TCustomGtTree::PictureChanged(const bool& custom) {
    if (!custom || IsDestroying()) return;
    TGtTreeLock lock(*this);
    Remeasure();
    Request(rfRepaintAll | RowsWidthFlag());
}

gui::TBitmap* TCustomGtTree::PlusPicture() const {
    auto* self = const_cast<TCustomGtTree*>(this);
    return self->Picture(self->plusPicture_, self->customPlusMinus_);
}
void TCustomGtTree::SetPlusPicture(const gui::TBitmap* value) {
    SetPicture(plusPicture_, customPlusMinus_, value);
}
gui::TBitmap* TCustomGtTree::MinusPicture() const {
    auto* self = const_cast<TCustomGtTree*>(this);
    return self->Picture(self->minusPicture_, self->customPlusMinus_);
}
void TCustomGtTree::SetMinusPicture(const gui::TBitmap* value) {
    SetPicture(minusPicture_, customPlusMinus_, value);
}
gui::TBitmap* TCustomGtTree::LeafPicture() const {
    auto* self = const_cast<TCustomGtTree*>(this);
    return self->Picture(self->leafPicture_, self->customPlusMinus_);
}
void TCustomGtTree::SetLeafPicture(const gui::TBitmap* value) {
    SetPicture(leafPicture_, customPlusMinus_, value);
}
gui::TBitmap* TCustomGtTree::CheckBoxGlyph() const {
    auto* self = const_cast<TCustomGtTree*>(this);
    return self->Picture(self->checkBoxGlyph_, self->customCheckboxes_);
}
gui::TBitmap* TCustomGtTree::RadioButtonGlyph() const {
    auto* self = const_cast<TCustomGtTree*>(this);
    return self->Picture(self->radioButtonGlyph_, self->customCheckboxes_);
}

void TCustomGtTree::SetCheckBoxGlyph(const gui::TBitmap* value) {
    if (value == nullptr) SetCustomCheckboxes(false);
    SetPicture(checkBoxGlyph_, customCheckboxes_, value);
    if (ShowCheckboxes()) Request(rfRepaintAll);
}

void TCustomGtTree::SetRadioButtonGlyph(const gui::TBitmap* value) {
    if (value == nullptr) SetCustomCheckboxes(false);
    SetPicture(radioButtonGlyph_, customCheckboxes_, value);
    if (ShowCheckboxes()) Request(rfRepaintAll);
}

void TCustomGtTree::SetCustomPlusMinus(bool value) {
    if (value) {
        PlusPicture();
        MinusPicture();
        LeafPicture();
    }
    if (value == customPlusMinus_) return;
    TGtTreeLock lock(*this);
    customPlusMinus_ = value;
    Remeasure();
    Request(rfRepaintAll | RowsWidthFlag());
}

void TCustomGtTree::SetCustomCheckboxes(bool value) {
    if (value) {
        CheckBoxGlyph();
        RadioButtonGlyph();
    }
    if (value == customCheckboxes_) return;
    TGtTreeLock lock(*this);
    customCheckboxes_ = value;
    Remeasure();
    if (ShowCheckboxes()) Request(rfRepaintAll | RowsWidthFlag());
}

void TCustomGtTree::SetPlusMinusTransparent(bool value) {
    ChangeWhen(showButtons_, plusMinusTransparent_, value, rfRepaintRows | RowsWidthFlag());
}

void TCustomGtTree::SetLinesStyle(gui::TPenStyle value) {
    ChangeWhen(showLines_, linesStyle_, value, rfRepaintAll);
}

void TCustomGtTree::SetBarStyleVerticalLines(bool value) {
    ChangeWhen(barStyle_, barStyleVerticalLines_, value, rfRepaintAll);
}

void TCustomGtTree::SetShowEmptyImages(bool value) {
    ChangeWhen(showImages_ && images_ != nullptr, showEmptyImages_, value,
               rfRepaintRows | RowsWidthFlag());
}

void TCustomGtTree::SetShowEmptyImages2(bool value) {
    ChangeWhen(showImages_ && images_ != nullptr, showEmptyImages2_, value,
               rfRepaintRows | RowsWidthFlag());
}

void TCustomGtTree::SetRightAlignedText(bool value) {
    if (value == rightAlignedText_) return;
    header_->SetRightAlignedText(value);
    ChangeAll(rightAlignedText_, value);
}

void TCustomGtTree::SetRightAlignedTree(bool value) {
    if (value == rightAlignedTree_) return;
    // A form's value is applied once its reading is done (Loaded): the
    // header is no component of the form and would reverse at once.
    if (IsLoading() || ComponentState().Contains(runtime::csLoading)) {
        rightAlignedTree_ = value;
        return;
    }
    TGtTreeLock lock(*this);
    rightAlignedTree_ = value;
    header_->SetRightAlignedOrder(value);
    if (!ShowColumns()) {
        if (view_->ContentWidth() == -1) view_->UpdateContentWidth();
        // The same stretch of the rows stays in sight, seen from the other side.
        view_->SetLeftPosition(value ? view_->ContentWidth() - view_->LeftPosition() : 0);
    }
    view_->Invalidate();
    Request(rfRepaintAll);
}

// ---- check boxes --------------------------------------------------------------------------

gui::TSize TCustomGtTree::ThemedCheckSize(bool radio) {
    if (!ThemeInUse() || !HandleAllocated()) return {checkBoxSize_, checkBoxSize_};
    if (checkSizeTheme_ != Theme()) {
        checkSizeTheme_ = Theme();
        gui::TThemeHandle button(WindowHandle(), L"BUTTON");
        gui::TWindowDC screen(nullptr);
        for (int part : {2, 3}) {
            gui::TSize& size = themedCheckSize_[part == 2 ? 1 : 0];
            size = {checkBoxSize_, checkBoxSize_};
            if (button)
                gui::TThemeServices::Instance().PartSize(button.Get(), screen.Get(), part, 0, size);
        }
    }
    return themedCheckSize_[radio ? 1 : 0];
}

int TCustomGtTree::CheckBoxSize() const {
    auto* self = const_cast<TCustomGtTree*>(this);
    if (!ThemeInUse() || Designing()) return checkBoxSize_;
    const gui::TSize size = self->ThemedCheckSize(false);
    return std::max(size.Width, size.Height);
}

int TCustomGtTree::CheckBoxWidth(const TGtTreeItem* item) {
    const bool radio = item != nullptr && item->CheckBoxType() == 2;
    if (customCheckboxes_) {
        const gui::TBitmap* glyph = radio ? RadioButtonGlyph() : CheckBoxGlyph();
        return glyph->Width() / 6;
    }
    if (ThemeInUse()) return ThemedCheckSize(radio).Width;
    return checkBoxSize_;
}

}  // namespace controls::tree
